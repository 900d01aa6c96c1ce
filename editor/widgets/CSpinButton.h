#pragma once

#include "DoubleBuffer.h"
#include "MemProxy.h"

#include <QAbstractSlider>
#include <QPixmap>

class COnOffButton;
class QTimer;

// Up/down stepper over a numeric parameter's range, drawn from a three-row picture; GUI thread only.
class CSpinButton : public QAbstractSlider, public DoubleBuffer, public MemProxy
{
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage)
    Q_PROPERTY(int imageCategories READ imageCategories WRITE setImageCategories)
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)

public:
    explicit CSpinButton(QWidget* parent = nullptr);

    Qt::Alignment alignment() const { return m_look.alignment; }
    void setAlignment(Qt::Alignment a);
    QPixmap combinedImage() const { return m_look.image; }
    void setCombinedImage(const QPixmap& pixmap);
    int imageCategories() const { return m_look.categories; }
    void setImageCategories(int n);
    int category() const { return m_look.category; }
    void setCategory(int c);

    // How long a wheel or key step shows its pressed half; tests shorten it.
    void setPressedLookMs(int ms) { m_pressedLookMs = ms; }
    bool upperShown() const { return m_upperShown; }
    bool lowerShown() const { return m_lowerShown; }
    COnOffButton* upperButton() const { return m_upper; }
    COnOffButton* lowerButton() const { return m_lower; }

    void assignMemAPI() override;
    void updateMemAPI() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void sliderChange(SliderChange change) override;
    virtual void paintDoubleBuffer(QPainter* painter) override;

protected slots:
    void checkUpdate();

private slots:
    void updateValue();
    void stepDown();
    void stepUp();

private:
    void showLook(bool upper);
    void layoutButtons(const QSize& size);

    CombinedImageLook m_look;
    COnOffButton* m_upper = nullptr;
    COnOffButton* m_lower = nullptr;
    QTimer* m_timer = nullptr;
    bool m_upperShown = false;
    bool m_lowerShown = false;
    int m_pressedLookMs = 100;
    // Set while the control takes range and value from the parameter, so that clamping on the way is not
    // written back.
    bool m_loading = false;
};
