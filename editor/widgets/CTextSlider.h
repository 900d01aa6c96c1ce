#pragma once

#include "DoubleBuffer.h"
#include "MemProxy.h"
#include "detail/PointerHold.h"

#include <QAbstractSlider>

class CLineEdit;
class QValidator;

// A numeric parameter shown as text, changed by vertical dragging, the wheel, slider keys or, when
// enabled, typing into an editor opened by a double-click; GUI thread only.
class CTextSlider : public QAbstractSlider, public DoubleBuffer, public MemProxy
{
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(QString format READ format WRITE setFormat)
    Q_PROPERTY(double offset READ offset WRITE setOffset)
    Q_PROPERTY(double multiplier READ multiplier WRITE setMultiplier)
    Q_PROPERTY(bool directEdit READ directEdit WRITE setDirectEdit)
    Q_PROPERTY(int editMaxLength READ editMaxLength WRITE setEditMaxLength)
    Q_PROPERTY(QString editInputMask READ editInputMask WRITE setEditInputMask)
    Q_PROPERTY(QString editValidatorRegExp READ editValidatorRegExp WRITE setEditValidatorRegExp)
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)

public:
    explicit CTextSlider(QWidget* parent = nullptr);

    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment a);
    QString format() const { return m_format; }
    void setFormat(const QString& format);
    double offset() const { return m_offset; }
    void setOffset(double offset);
    double multiplier() const { return m_multiplier; }
    void setMultiplier(double multiplier);
    bool directEdit() const { return m_directEdit; }
    void setDirectEdit(bool on) { m_directEdit = on; }
    int editMaxLength() const { return m_editMaxLength; }
    void setEditMaxLength(int n) { m_editMaxLength = n; }
    QString editInputMask() const { return m_editInputMask; }
    void setEditInputMask(const QString& mask) { m_editInputMask = mask; }
    QString editValidatorRegExp() const { return m_editValidatorRegExp; }
    void setEditValidatorRegExp(const QString& pattern) { m_editValidatorRegExp = pattern; }

    // The text last drawn.
    QString shownText() const { return m_shownText; }
    CLineEdit* editor() const { return m_editor; }
    bool isDragging() const { return m_dragging; }

    void assignMemAPI() override;
    void updateMemAPI() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Steps per pixel of vertical drag for a range (maximum - minimum), with or without Shift.
    static double dragStepsPerPixel(int range, bool shift);

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    virtual void paintDoubleBuffer(QPainter* painter) override;

private slots:
    void updateValue();
    void acceptEdit();
    void abortEdit();

private:
    // The value as the face shows it: value x multiplier + offset through the display format.
    QString displayText() const;

    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString m_format = QStringLiteral("%.0f");
    double m_offset = 0;
    double m_multiplier = 1;
    bool m_directEdit = false;
    int m_editMaxLength = 32767;
    QString m_editInputMask;
    QString m_editValidatorRegExp;

    QString m_shownText;
    bool m_dragging = false;
    int m_remainder = 0;
    kwwidgets::PointerHold m_hold;
    CLineEdit* m_editor = nullptr;
    QValidator* m_editValidator = nullptr;
    bool m_aborted = false;
    bool m_loading = false;
};
