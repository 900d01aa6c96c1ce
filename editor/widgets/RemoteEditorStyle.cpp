#include "RemoteEditorStyle.h"

#include "EditorFonts.h"
#include "detail/StyleImages.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTreeView>

#include <algorithm>
#include <cstdint>

namespace {

const QColor colorPaletteBase(153, 153, 153);
const QColor colorPaletteText(24, 15, 2);
const QColor colorPaletteHighlight(24, 15, 2);
const QColor colorPaletteHighlightedText(0, 204, 0);
const QColor colorPaletteFrame(255, 255, 255);
const QColor colorScrollBarBackground(102, 102, 102);
const QColor colorScrollBarForeground(24, 15, 2);
const QColor colorListViewLine(24, 15, 2);
const QColor colorMenuBarEnableBackgorund(0, 0, 0);
const QColor colorMenuBarEnableText(220, 220, 220);
const QColor colorMenuBarDisableBackgorund(0, 0, 0);
const QColor colorMenuBarDisableText(102, 102, 102);
const QColor colorMenuBarSelectBackground(0, 0, 0);
const QColor colorMenuBarSelectText(0, 204, 0);
const QColor colorMenuEnableBackground(153, 153, 153);
const QColor colorMenuEnableText(24, 15, 2);
const QColor colorMenuDisableBackground(153, 153, 153);
const QColor colorMenuDisableText(102, 102, 102);
const QColor colorMenuSunkenBackground(0, 0, 0);
const QColor colorMenuSunkenText(0, 204, 0);
const QColor colorMenuSelectBackground(24, 15, 2);
const QColor colorMenuSelectText(0, 204, 0);

QPalette editorPalette(const QPalette& standard)
{
    QPalette palette = standard;
    const QPalette::ColorGroup groups[] = {QPalette::Disabled, QPalette::Active, QPalette::Inactive};
    for (QPalette::ColorGroup group : groups) {
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button}) {
            palette.setBrush(group, role, QBrush(colorPaletteBase));
        }
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
            palette.setBrush(group, role, QBrush(colorPaletteText));
        }
        for (QPalette::ColorRole role : {QPalette::BrightText, QPalette::HighlightedText}) {
            palette.setBrush(group, role, QBrush(colorPaletteHighlightedText));
        }
        for (QPalette::ColorRole role :
             {QPalette::Light, QPalette::Midlight, QPalette::Dark, QPalette::Mid, QPalette::Shadow}) {
            palette.setBrush(group, role, QBrush(colorPaletteFrame));
        }
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::Link, QPalette::LinkVisited}) {
            palette.setBrush(group, role, QBrush(colorPaletteHighlight));
        }
    }
    return palette;
}

QString withoutAmpersands(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace

int remoteEditorScrollSliderLength(int trackLength, int minimum, int maximum, int pageStep, int sliderMin)
{
    const std::int64_t track = std::max(trackLength, 0);
    if (maximum == minimum) {
        return static_cast<int>(track);
    }
    const std::int64_t range = std::int64_t(maximum) - std::int64_t(minimum);
    const std::int64_t page = std::max(pageStep, 0);
    std::int64_t length = (page + range) > 0 ? page * track / (page + range) : track;
    if (length < sliderMin || range > 0x3FFFFFFF) {
        length = sliderMin;
    }
    return static_cast<int>(std::min(length, track));
}

QString remoteEditorShortcutText(QString shortcut)
{
    // Only a shortcut that names Backspace changes; appending to every shortcut would garble the others.
    static const QRegularExpression backspace(QStringLiteral("Backspace"));
    if (shortcut.contains(backspace)) {
        shortcut.remove(backspace);
        shortcut += QStringLiteral("Del (BS)");
    }
    return shortcut;
}

RemoteEditorStyle::RemoteEditorStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows")))
    , m_baseStyle(QApplication::style())
{
    installEditorFontSubstitutions();
    if (m_baseStyle) {
        // Owned from now on, so that the application does not delete it when this style replaces it.
        m_baseStyle->setParent(this);
    }
    const QPalette standard = m_baseStyle ? m_baseStyle->standardPalette() : QProxyStyle::standardPalette();
    m_popupPalette = editorPalette(standard);
    m_menuPalette = editorPalette(standard);

    using namespace kwstyleimages;
    m_scrollLeft = QPixmap(scrollbar_left_image);
    m_scrollLeftHighlight = QPixmap(scrollbar_left_highlight_image);
    m_scrollRight = QPixmap(scrollbar_right_image);
    m_scrollRightHighlight = QPixmap(scrollbar_right_highlight_image);
    m_scrollUp = QPixmap(scrollbar_up_image);
    m_scrollUpHighlight = QPixmap(scrollbar_up_highlight_image);
    m_scrollDown = QPixmap(scrollbar_down_image);
    m_scrollDownHighlight = QPixmap(scrollbar_down_highlight_image);
    m_radio = QPixmap(radio_image);
    m_radioCheck = QPixmap(radio_check_image);
    m_listOpen = QPixmap(list_open_image);
    m_listClose = QPixmap(list_close_image);
}

RemoteEditorStyle::~RemoteEditorStyle() = default;

bool RemoteEditorStyle::isPopupTree(const QWidget* widget)
{
    return qobject_cast<const QTreeView*>(widget) && widget->objectName() == QLatin1String("CPopupTreeWidget");
}

bool RemoteEditorStyle::isPopupList(const QWidget* widget)
{
    return qobject_cast<const QListView*>(widget) && widget->objectName() == QLatin1String("CPopupListWidget");
}

bool RemoteEditorStyle::isCustomStyle(const QWidget* widget)
{
    if (!widget) {
        return false;
    }
    return qobject_cast<const QMenuBar*>(widget) || qobject_cast<const QMenu*>(widget) ||
           qobject_cast<const QScrollBar*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           isPopupTree(widget) || isPopupList(widget);
}

void RemoteEditorStyle::polish(QWidget* widget)
{
    if (!isCustomStyle(widget)) {
        if (m_baseStyle) {
            m_baseStyle->polish(widget);
        }
        return;
    }
    QProxyStyle::polish(widget);
    if (isPopupTree(widget) || isPopupList(widget)) {
        widget->setPalette(m_popupPalette);
    } else if (qobject_cast<QMenu*>(widget)) {
        widget->setPalette(m_menuPalette);
    }
}

void RemoteEditorStyle::unpolish(QWidget* widget)
{
    if (!isCustomStyle(widget)) {
        if (m_baseStyle) {
            m_baseStyle->unpolish(widget);
        }
        return;
    }
    QProxyStyle::unpolish(widget);
}

void RemoteEditorStyle::polish(QApplication* app)
{
    if (m_baseStyle) {
        m_baseStyle->polish(app);
    }
    QProxyStyle::polish(app);
}

void RemoteEditorStyle::unpolish(QApplication* app)
{
    if (m_baseStyle) {
        m_baseStyle->unpolish(app);
    }
    QProxyStyle::unpolish(app);
}

void RemoteEditorStyle::polish(QPalette& palette)
{
    if (m_baseStyle) {
        m_baseStyle->polish(palette);
    }
    QProxyStyle::polish(palette);
}

QRect RemoteEditorStyle::itemTextRect(const QFontMetrics& fm, const QRect& r, int flags, bool enabled,
                                      const QString& text) const
{
    return m_baseStyle ? m_baseStyle->itemTextRect(fm, r, flags, enabled, text)
                       : QProxyStyle::itemTextRect(fm, r, flags, enabled, text);
}

QRect RemoteEditorStyle::itemPixmapRect(const QRect& r, int flags, const QPixmap& pixmap) const
{
    return m_baseStyle ? m_baseStyle->itemPixmapRect(r, flags, pixmap) : QProxyStyle::itemPixmapRect(r, flags, pixmap);
}

void RemoteEditorStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal,
                                     bool enabled, const QString& text, QPalette::ColorRole textRole) const
{
    if (m_baseStyle) {
        m_baseStyle->drawItemText(painter, rect, flags, pal, enabled, text, textRole);
    } else {
        QProxyStyle::drawItemText(painter, rect, flags, pal, enabled, text, textRole);
    }
}

void RemoteEditorStyle::drawItemPixmap(QPainter* painter, const QRect& rect, int alignment,
                                       const QPixmap& pixmap) const
{
    if (m_baseStyle) {
        m_baseStyle->drawItemPixmap(painter, rect, alignment, pixmap);
    } else {
        QProxyStyle::drawItemPixmap(painter, rect, alignment, pixmap);
    }
}

QPalette RemoteEditorStyle::standardPalette() const
{
    return m_baseStyle ? m_baseStyle->standardPalette() : QProxyStyle::standardPalette();
}

QPixmap RemoteEditorStyle::generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap,
                                               const QStyleOption* opt) const
{
    return m_baseStyle ? m_baseStyle->generatedIconPixmap(iconMode, pixmap, opt)
                       : QProxyStyle::generatedIconPixmap(iconMode, pixmap, opt);
}

void RemoteEditorStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                                      const QWidget* w) const
{
    const QWidget* tested = w;
    if (pe == PE_FrameFocusRect && !w && p) {
        // Item views ask for their focus frame without naming themselves: the widget being painted is the
        // painter's device, and its parent is the view.
        if (const auto* painted = dynamic_cast<const QWidget*>(p->device())) {
            tested = painted->parentWidget();
        }
    }
    if (!isCustomStyle(tested)) {
        if (m_baseStyle) {
            m_baseStyle->drawPrimitive(pe, opt, p, w);
        }
        return;
    }
    p->setRenderHint(QPainter::TextAntialiasing, false);
    switch (pe) {
    case PE_FrameFocusRect:
    case PE_PanelMenuBar:
    case PE_PanelLineEdit:
        return;
    case PE_Frame:
    case PE_FrameMenu:
        p->fillRect(opt->rect, colorPaletteFrame);
        return;
    case PE_IndicatorBranch:
        drawBranch(opt, p);
        return;
    default:
        QProxyStyle::drawPrimitive(pe, opt, p, w);
        return;
    }
}

void RemoteEditorStyle::drawBranch(const QStyleOption* opt, QPainter* p) const
{
    const QRect& r = opt->rect;
    const QPoint mid(r.left() + r.width() / 2, r.top() + r.height() / 2);
    p->save();
    p->setPen(colorListViewLine);
    if (opt->state & State_Item) {
        if (opt->direction == Qt::RightToLeft) {
            p->drawLine(mid, QPoint(r.left(), mid.y()));
        } else {
            p->drawLine(mid, QPoint(r.right(), mid.y()));
        }
    }
    if (opt->state & State_Sibling) {
        p->drawLine(mid, QPoint(mid.x(), r.bottom()));
    }
    if (opt->state & (State_Open | State_Children | State_Item | State_Sibling)) {
        p->drawLine(QPoint(mid.x(), r.top()), mid);
    }
    if (opt->state & State_Children) {
        const QPoint topLeft((r.left() + r.right()) / 2 - 4, (r.top() + r.bottom()) / 2 - 4);
        p->drawPixmap(topLeft, (opt->state & State_Open) ? m_listClose : m_listOpen);
    }
    p->restore();
}

void RemoteEditorStyle::drawControl(ControlElement element, const QStyleOption* opt, QPainter* p,
                                    const QWidget* w) const
{
    if (!isCustomStyle(w)) {
        if (m_baseStyle) {
            m_baseStyle->drawControl(element, opt, p, w);
        }
        return;
    }
    p->save();
    p->setRenderHint(QPainter::TextAntialiasing, false);
    switch (element) {
    case CE_MenuBarEmptyArea:
        p->fillRect(opt->rect, QColor(0, 0, 0, 0));
        break;
    case CE_MenuBarItem:
        drawMenuBarItem(opt, p, w);
        break;
    case CE_MenuItem:
        drawMenuItem(opt, p, w);
        break;
    default:
        QProxyStyle::drawControl(element, opt, p, w);
        break;
    }
    p->restore();
}

void RemoteEditorStyle::drawMenuBarItem(const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
    if (!mi) {
        return;
    }
    const bool enabled = mi->state & State_Enabled;
    const bool selected = mi->state & State_Selected;
    QColor background = colorMenuBarEnableBackgorund;
    QColor text = colorMenuBarEnableText;
    if (!enabled) {
        background = colorMenuBarDisableBackgorund;
        text = colorMenuBarDisableText;
    } else if (selected) {
        background = colorMenuBarSelectBackground;
        text = colorMenuBarSelectText;
    }
    p->fillRect(mi->rect, background);
    p->setPen(text);
    int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
    if (!proxy()->styleHint(SH_UnderlineShortcut, mi, w)) {
        flags |= Qt::TextHideMnemonic;
    }
    const int iconSize = proxy()->pixelMetric(PM_SmallIconSize, mi, w);
    const QPixmap pixmap = mi->icon.pixmap(iconSize, enabled ? QIcon::Normal : QIcon::Disabled, QIcon::Off);
    if (!pixmap.isNull()) {
        proxy()->drawItemPixmap(p, mi->rect, flags, pixmap);
    } else {
        p->drawText(mi->rect, flags, withoutAmpersands(mi->text));
    }
}

void RemoteEditorStyle::drawMenuItem(const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
    if (!mi) {
        return;
    }
    const QRect& r = mi->rect;
    const bool rtl = mi->direction == Qt::RightToLeft;
    if (mi->menuItemType == QStyleOptionMenuItem::Separator) {
        p->fillRect(r, colorMenuEnableBackground);
        int textWidth = 0;
        if (!mi->text.isEmpty()) {
            p->setFont(mi->font);
            p->setPen(mi->palette.color(QPalette::Text));
            p->drawText(r.adjusted(5, 0, -5, 0), Qt::AlignLeft | Qt::AlignVCenter, mi->text);
            textWidth = QFontMetrics(mi->font).horizontalAdvance(mi->text) + 5;
        }
        p->setPen(colorMenuEnableText);
        const int y = r.center().y();
        if (rtl) {
            p->drawLine(r.left() + 5, y, r.right() - textWidth - 5, y);
        } else {
            p->drawLine(r.left() + textWidth + 5, y, r.right() - 5, y);
        }
        return;
    }

    const bool enabled = mi->state & State_Enabled;
    const bool selected = mi->state & State_Selected;
    const bool sunken = mi->state & State_Sunken;
    const bool checked = mi->checked;

    QColor background = colorMenuDisableBackground;
    if (sunken) {
        background = colorMenuSunkenBackground;
    } else if (selected) {
        background = colorMenuSelectBackground;
    } else if (enabled) {
        background = colorMenuEnableBackground;
    }
    p->fillRect(r, background);

    if (mi->checkType != QStyleOptionMenuItem::NotCheckable && mi->icon.isNull()) {
        const QPixmap& mark = (checked || (enabled && sunken)) ? m_radioCheck : m_radio;
        const QRect square(r.left() + 5, r.center().y() - 2, 5, 5);
        p->drawPixmap(visualRect(mi->direction, r, square), mark);
    }

    const int iconColumn = std::max(mi->maxIconWidth, 7);
    if (!mi->icon.isNull()) {
        QIcon::Mode mode = QIcon::Normal;
        if (!enabled) {
            mode = QIcon::Disabled;
        } else if (selected) {
            mode = QIcon::Active;
        }
        const int iconSize = proxy()->pixelMetric(PM_SmallIconSize, mi, w);
        const QPixmap pixmap = mi->icon.pixmap(iconSize, mode, checked ? QIcon::On : QIcon::Off);
        QRect iconRect(r.left(), r.top(), iconColumn, r.height());
        QRect pixmapRect(QPoint(0, 0), pixmap.deviceIndependentSize().toSize());
        pixmapRect.moveCenter(iconRect.center());
        if (mi->checkType != QStyleOptionMenuItem::NotCheckable && checked) {
            pixmapRect.translate(1, 1);
        }
        p->drawPixmap(visualRect(mi->direction, r, pixmapRect), pixmap);
    }

    QColor pen = colorMenuEnableText;
    if (!enabled) {
        pen = colorMenuDisableText;
    } else if (sunken) {
        pen = colorMenuSunkenText;
    } else if (selected) {
        pen = colorMenuSelectText;
    }
    p->setPen(pen);

    const QRect textRect(QPoint(r.left() + iconColumn + 5, r.top() + 2),
                         QPoint(r.right() - 14 - mi->reservedShortcutWidth, r.bottom() - 2));
    int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
    if (!proxy()->styleHint(SH_UnderlineShortcut, mi, w)) {
        flags |= Qt::TextHideMnemonic;
    }
    QString label = mi->text;
    const qsizetype tab = label.indexOf(QLatin1Char('\t'));
    QFont font = mi->font;
    if (mi->menuItemType == QStyleOptionMenuItem::DefaultItem) {
        font.setWeight(QFont::Bold);
    }
    p->setFont(font);
    if (tab >= 0) {
        QString shortcut = label.mid(tab + 1);
        label.truncate(tab);
        shortcut = remoteEditorShortcutText(shortcut);
        const QRect shortcutRect(QPoint(textRect.right(), textRect.top()), QPoint(r.right(), textRect.bottom()));
        p->drawText(visualRect(mi->direction, r, shortcutRect), flags, shortcut);
    }
    p->drawText(visualRect(mi->direction, r, textRect), flags, withoutAmpersands(label));

    if (mi->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const int d = (r.height() - 4) / 2;
        const QRect arrowRect(r.right() - 8 - d + 1, r.center().y() - d / 2, d, d);
        QStyleOptionMenuItem arrow = *mi;
        arrow.rect = visualRect(mi->direction, r, arrowRect);
        arrow.state = mi->state & State_Enabled;
        if (selected) {
            arrow.palette.setColor(QPalette::ButtonText, colorMenuSelectText);
        }
        const PrimitiveElement pe =
            QApplication::layoutDirection() == Qt::RightToLeft ? PE_IndicatorArrowLeft : PE_IndicatorArrowRight;
        proxy()->drawPrimitive(pe, &arrow, p, w);
    }
}

QRect RemoteEditorStyle::subElementRect(SubElement element, const QStyleOption* opt, const QWidget* widget) const
{
    if (!isCustomStyle(widget)) {
        return m_baseStyle ? m_baseStyle->subElementRect(element, opt, widget) : QRect();
    }
    if (element == SE_LineEditContents) {
        return QRect(QPoint(0, -1), QPoint(widget->width() - 1, widget->height() - 1));
    }
    return QProxyStyle::subElementRect(element, opt, widget);
}

QRect RemoteEditorStyle::scrollBarRect(const QStyleOptionComplex* opt, SubControl sc, const QWidget* widget) const
{
    const auto* sb = qstyleoption_cast<const QStyleOptionSlider*>(opt);
    const int extent = proxy()->pixelMetric(PM_ScrollBarExtent, sb, widget);
    const bool horizontal = sb->orientation == Qt::Horizontal;
    const int length = horizontal ? sb->rect.width() : sb->rect.height();
    const int track = std::max(length - 25, 0);
    const int sliderLength = remoteEditorScrollSliderLength(track, sb->minimum, sb->maximum, sb->pageStep,
                                                            proxy()->pixelMetric(PM_ScrollBarSliderMin, sb, widget));
    const int start = QStyle::sliderPositionFromValue(sb->minimum, sb->maximum, sb->sliderPosition,
                                                      track - sliderLength, sb->upsideDown);
    int along0 = 0;
    int along1 = -1;
    int across0 = 4;
    int across1 = extent - 5;
    switch (sc) {
    case SC_ScrollBarSubLine:
        along0 = 3, along1 = 9, across0 = 3, across1 = extent - 4;
        break;
    case SC_ScrollBarAddLine:
        along0 = 11, along1 = 17, across0 = 3, across1 = extent - 4;
        break;
    case SC_ScrollBarSubPage:
        along0 = 21, along1 = start + 20;
        break;
    case SC_ScrollBarSlider:
        along0 = start + 21, along1 = start + sliderLength + 20;
        break;
    case SC_ScrollBarAddPage:
        along0 = start + sliderLength + 21, along1 = length - 5;
        break;
    case SC_ScrollBarGroove:
        along0 = 21, along1 = length - 5;
        break;
    default:
        return {};
    }
    QRect r = horizontal ? QRect(QPoint(along0, across0), QPoint(along1, across1))
                         : QRect(QPoint(across0, along0), QPoint(across1, along1));
    r.translate(sb->rect.topLeft());
    return visualRect(sb->direction, sb->rect, r);
}

QRect RemoteEditorStyle::subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                                        const QWidget* widget) const
{
    if (!isCustomStyle(widget)) {
        return m_baseStyle ? m_baseStyle->subControlRect(cc, opt, sc, widget) : QRect();
    }
    if (cc == CC_ScrollBar && widget) {
        const auto* sb = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (sb && sb->version >= 1) {
            return scrollBarRect(opt, sc, widget);
        }
    }
    return QCommonStyle::subControlRect(cc, opt, sc, widget);
}

void RemoteEditorStyle::drawScrollBar(const QStyleOptionComplex* opt, QPainter* p, const QWidget* widget) const
{
    const auto* sb = qstyleoption_cast<const QStyleOptionSlider*>(opt);
    p->save();
    p->fillRect(sb->rect, colorScrollBarBackground);
    if (sb->subControls & SC_ScrollBarGroove) {
        const QRect groove = subControlRect(CC_ScrollBar, sb, SC_ScrollBarGroove, widget);
        if (groove.isValid()) {
            p->setPen(colorScrollBarForeground);
            p->setBrush(Qt::NoBrush);
            p->drawRect(groove.adjusted(-1, -1, 0, 0));
        }
    }
    const int value = sb->sliderValue;
    if (value > sb->minimum || value < sb->maximum) {
        const bool horizontal = sb->orientation == Qt::Horizontal;
        const bool sunken = sb->state & State_Sunken;
        if (sb->subControls & SC_ScrollBarSlider) {
            const QRect slider = subControlRect(CC_ScrollBar, sb, SC_ScrollBarSlider, widget);
            if (slider.isValid()) {
                p->fillRect(slider.adjusted(1, 1, -1, -1), colorScrollBarForeground);
            }
        }
        if (sb->subControls & SC_ScrollBarSubLine) {
            const QRect button = subControlRect(CC_ScrollBar, sb, SC_ScrollBarSubLine, widget);
            if (button.isValid()) {
                const bool lit = value > sb->minimum && sb->activeSubControls == SC_ScrollBarSubLine && sunken;
                const QPixmap& image = horizontal ? (lit ? m_scrollLeftHighlight : m_scrollLeft)
                                                  : (lit ? m_scrollUpHighlight : m_scrollUp);
                p->drawPixmap(button, image);
            }
        }
        if (sb->subControls & SC_ScrollBarAddLine) {
            const QRect button = subControlRect(CC_ScrollBar, sb, SC_ScrollBarAddLine, widget);
            if (button.isValid()) {
                const bool lit = value < sb->maximum && sb->activeSubControls == SC_ScrollBarAddLine && sunken;
                const QPixmap& image = horizontal ? (lit ? m_scrollRightHighlight : m_scrollRight)
                                                  : (lit ? m_scrollDownHighlight : m_scrollDown);
                p->drawPixmap(button, image);
            }
        }
    }
    p->restore();
}

void RemoteEditorStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                           const QWidget* widget) const
{
    if (!isCustomStyle(widget)) {
        if (m_baseStyle) {
            m_baseStyle->drawComplexControl(cc, opt, p, widget);
        }
        return;
    }
    if (cc == CC_ScrollBar) {
        const auto* sb = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (sb && sb->version >= 1 && widget) {
            drawScrollBar(opt, p, widget);
        }
        return;
    }
    QProxyStyle::drawComplexControl(cc, opt, p, widget);
}

QStyle::SubControl RemoteEditorStyle::hitTestComplexControl(ComplexControl cc, const QStyleOptionComplex* opt,
                                                            const QPoint& pt, const QWidget* widget) const
{
    if (!isCustomStyle(widget)) {
        return m_baseStyle ? m_baseStyle->hitTestComplexControl(cc, opt, pt, widget) : SC_None;
    }
    return QCommonStyle::hitTestComplexControl(cc, opt, pt, widget);
}

int RemoteEditorStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (!isCustomStyle(widget)) {
        return m_baseStyle ? m_baseStyle->pixelMetric(metric, option, widget)
                           : QProxyStyle::pixelMetric(metric, option, widget);
    }
    switch (metric) {
    case PM_DefaultFrameWidth:
        return 1;
    case PM_ScrollBarExtent:
        return 16;
    case PM_ScrollBarSliderMin:
        return 10;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuBarPanelWidth:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize RemoteEditorStyle::sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& contentsSize,
                                          const QWidget* w) const
{
    if (!isCustomStyle(w)) {
        return m_baseStyle ? m_baseStyle->sizeFromContents(ct, opt, contentsSize, w)
                           : QProxyStyle::sizeFromContents(ct, opt, contentsSize, w);
    }
    return QProxyStyle::sizeFromContents(ct, opt, contentsSize, w);
}

QPixmap RemoteEditorStyle::standardPixmap(StandardPixmap sp, const QStyleOption* opt, const QWidget* widget) const
{
    if (!isCustomStyle(widget)) {
        return m_baseStyle ? m_baseStyle->standardPixmap(sp, opt, widget) : QProxyStyle::standardPixmap(sp, opt, widget);
    }
    return QProxyStyle::standardPixmap(sp, opt, widget);
}

int RemoteEditorStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                                 QStyleHintReturn* returnData) const
{
    if (!isCustomStyle(widget)) {
        return m_baseStyle ? m_baseStyle->styleHint(hint, option, widget, returnData)
                           : QProxyStyle::styleHint(hint, option, widget, returnData);
    }
    if (hint == SH_ItemView_ShowDecorationSelected) {
        if (isPopupTree(widget)) {
            return 0;
        }
        if (isPopupList(widget)) {
            return 1;
        }
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}
