#pragma once

#include "DoubleBuffer.h"
#include "MemProxy.h"

#include <QPixmap>
#include <QPushButton>

// Picture button (switch or plain push button) bound to one numeric parameter; GUI thread only.
class COnOffButton : public QPushButton, public DoubleBuffer, public MemProxy
{
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(TOnOffStateTrigger offStateTrigger READ offStateTrigger WRITE setOffStateTrigger)
    Q_PROPERTY(TOnOffStateTrigger onStateTrigger READ onStateTrigger WRITE setOnStateTrigger)
    Q_PROPERTY(int onValue READ onValue WRITE setOnValue)
    Q_PROPERTY(int offValue READ offValue WRITE setOffValue)
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage)
    Q_PROPERTY(bool hasDownImage READ hasDownImage WRITE setHasDownImage)
    Q_PROPERTY(int imageCategories READ imageCategories WRITE setImageCategories)
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)

public:
    // buttonRelease leaves the state change to the click on release; buttonPush changes it on the press.
    enum TOnOffStateTrigger { buttonRelease = 0, buttonPush = 1 };
    Q_ENUM(TOnOffStateTrigger)

    explicit COnOffButton(QWidget* parent = nullptr);

    Qt::Alignment alignment() const { return m_look.alignment; }
    void setAlignment(Qt::Alignment a);
    TOnOffStateTrigger offStateTrigger() const { return m_offStateTrigger; }
    void setOffStateTrigger(TOnOffStateTrigger t) { m_offStateTrigger = t; }
    TOnOffStateTrigger onStateTrigger() const { return m_onStateTrigger; }
    void setOnStateTrigger(TOnOffStateTrigger t) { m_onStateTrigger = t; }
    int onValue() const { return m_onValue; }
    void setOnValue(int v);
    int offValue() const { return m_offValue; }
    void setOffValue(int v);
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
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    virtual void paintDoubleBuffer(QPainter* painter) override;

protected slots:
    void checkUpdate();

private:
    CombinedImageLook m_look;
    TOnOffStateTrigger m_offStateTrigger = buttonRelease;
    TOnOffStateTrigger m_onStateTrigger = buttonRelease;
    int m_onValue = 1;
    int m_offValue = 0;
    bool m_lastDown = false;
    bool m_lastChecked = false;
};
