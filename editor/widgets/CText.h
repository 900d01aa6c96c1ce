#pragma once

#include "DoubleBuffer.h"

#include <QString>
#include <QWidget>

// Self-drawn static text label rendered off-screen; GUI thread only.
class CText : public QWidget, public DoubleBuffer
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)

public:
    explicit CText(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    QString text() const { return m_text; }
    void setText(const QString& text);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* e) override;
    virtual void paintDoubleBuffer(QPainter* painter) override;

private:
    QString m_text;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};
