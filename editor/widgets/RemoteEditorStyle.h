#pragma once

#include <QPalette>
#include <QPixmap>
#include <QPointer>
#include <QProxyStyle>

// The application-wide style: menus, scroll bars, line edits and the pop-up pickers in the editor's scheme,
// every other widget handed to the style installed before it; GUI thread only.
//
// It stands on the toolkit's built-in "Windows" style through a proxy, so that the Windows style's own
// calls come back here as they would to a subclass.
class RemoteEditorStyle : public QProxyStyle
{
    Q_OBJECT

public:
    RemoteEditorStyle();
    ~RemoteEditorStyle() override;

    static bool isCustomStyle(const QWidget* widget);
    static bool isPopupTree(const QWidget* widget);
    static bool isPopupList(const QWidget* widget);

    // The style that was installed before this one; it draws every widget that is not ours.
    QStyle* platformStyle() const { return m_baseStyle; }
    QPalette popupPalette() const { return m_popupPalette; }
    QPalette menuPalette() const { return m_menuPalette; }

    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    void polish(QApplication* app) override;
    void unpolish(QApplication* app) override;
    void polish(QPalette& palette) override;
    QRect itemTextRect(const QFontMetrics& fm, const QRect& r, int flags, bool enabled,
                       const QString& text) const override;
    QRect itemPixmapRect(const QRect& r, int flags, const QPixmap& pixmap) const override;
    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal, bool enabled,
                      const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
    void drawItemPixmap(QPainter* painter, const QRect& rect, int alignment, const QPixmap& pixmap) const override;
    QPalette standardPalette() const override;
    QPixmap generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap, const QStyleOption* opt) const override;

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                       const QWidget* w = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* opt, QPainter* p,
                     const QWidget* w = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* opt, const QWidget* widget) const override;
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* widget = nullptr) const override;
    SubControl hitTestComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, const QPoint& pt,
                                     const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                         const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& contentsSize,
                           const QWidget* w = nullptr) const override;
    QPixmap standardPixmap(StandardPixmap sp, const QStyleOption* opt, const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

private:
    void drawScrollBar(const QStyleOptionComplex* opt, QPainter* p, const QWidget* widget) const;
    QRect scrollBarRect(const QStyleOptionComplex* opt, SubControl sc, const QWidget* widget) const;
    void drawMenuBarItem(const QStyleOption* opt, QPainter* p, const QWidget* w) const;
    void drawMenuItem(const QStyleOption* opt, QPainter* p, const QWidget* w) const;
    void drawBranch(const QStyleOption* opt, QPainter* p) const;

    QPointer<QStyle> m_baseStyle;
    QPalette m_popupPalette;
    QPalette m_menuPalette;
    QPixmap m_scrollLeft, m_scrollLeftHighlight, m_scrollRight, m_scrollRightHighlight;
    QPixmap m_scrollUp, m_scrollUpHighlight, m_scrollDown, m_scrollDownHighlight;
    QPixmap m_radio, m_radioCheck, m_listOpen, m_listClose;
};

// The scroll bar's slider length along a track, in 64 bits, never negative and never longer than the track.
int remoteEditorScrollSliderLength(int trackLength, int minimum, int maximum, int pageStep, int sliderMin);

// A menu item's shortcut as the menus show it: the Backspace key under the name its key cap carries.
QString remoteEditorShortcutText(QString shortcut);
