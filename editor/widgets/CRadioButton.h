#pragma once

#include "DoubleBuffer.h"
#include "MemProxy.h"

#include <QPixmap>
#include <QRadioButton>

// Picture radio button standing for one value of a numeric parameter shared by its group; GUI thread only.
class CRadioButton : public QRadioButton, public DoubleBuffer, public MemProxy
{
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(TRadioStateTrigger radioStateTrigger READ radioStateTrigger WRITE setRadioStateTrigger)
    Q_PROPERTY(int onValue READ onValue WRITE setOnValue)
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage)
    Q_PROPERTY(bool hasDownImage READ hasDownImage WRITE setHasDownImage)
    Q_PROPERTY(int imageCategories READ imageCategories WRITE setImageCategories)
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)

public:
    enum TRadioStateTrigger { buttonRelease = 0, buttonPush = 1 };
    Q_ENUM(TRadioStateTrigger)

    explicit CRadioButton(QWidget* parent = nullptr);

    Qt::Alignment alignment() const { return m_look.alignment; }
    void setAlignment(Qt::Alignment a);
    TRadioStateTrigger radioStateTrigger() const { return m_radioStateTrigger; }
    void setRadioStateTrigger(TRadioStateTrigger t) { m_radioStateTrigger = t; }
    int onValue() const { return m_onValue; }
    void setOnValue(int v);
    QPixmap combinedImage() const { return m_look.image; }
    void setCombinedImage(const QPixmap& pixmap);
    bool hasDownImage() const { return m_look.hasDownImage; }
    void setHasDownImage(bool on);
    int imageCategories() const { return m_look.categories; }
    void setImageCategories(int n);
    int category() const { return m_look.category; }
    void setCategory(int c);

    void assignMemAPI() override;
    void updateMemAPI() override;

protected:
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    // The whole widget is the hit area, not only the indicator.
    bool hitButton(const QPoint& pos) const override;
    virtual void paintDoubleBuffer(QPainter* painter) override;

protected slots:
    void checkUpdate();

private:
    CombinedImageLook m_look;
    TRadioStateTrigger m_radioStateTrigger = buttonRelease;
    int m_onValue = 0;
    bool m_lastDown = false;
    bool m_lastChecked = false;
};
