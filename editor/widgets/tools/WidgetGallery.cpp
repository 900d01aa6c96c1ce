// Shows every control of the editor in its states under the editor's style; with --screenshot FILE it
// renders the gallery into a PNG file and quits.

#include "CFrame.h"
#include "CListView.h"
#include "CPopupList.h"
#include "CPopupTree.h"
#include "CText.h"
#include "FlashFrame.h"
#include "RemoteEditorStyle.h"

#ifdef KW_WIDGETS_HAVE_BINDING
#include "CLineEdit.h"
#include "COnOffButton.h"
#include "CRadioButton.h"
#include "CSpinButton.h"
#include "CTextSlider.h"
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>

#include <cstdio>

namespace {

QFont editorFont(int size)
{
    QFont font(QStringLiteral("Telvor EBM 8"));
    font.setPixelSize(size);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

CText* caption(QWidget* parent, int x, int y, const QString& text)
{
    auto* label = new CText(parent);
    label->setGeometry(x, y, 200, 14);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Text, QColor(200, 200, 200));
    label->setPalette(palette);
    label->setText(text);
    return label;
}

#ifdef KW_WIDGETS_HAVE_BINDING
// One button per look: off, on, pressed (when the picture has that row) and two categories.
void addButtons(QWidget* parent, int y)
{
    caption(parent, 10, y, QStringLiteral("COnOffButton: off / on / pressed / columns"));
    const char* names[] = {":/images/dw_nsw_ok.png", ":/images/dw_nsw_cancel.png", ":/images/t51m_nsw_store.png"};
    int x = 10;
    for (const char* name : names) {
        for (int state = 0; state < 2; ++state) {
            auto* button = new COnOffButton(parent);
            button->setCombinedImage(QPixmap(QString::fromLatin1(name)));
            button->setHasDownImage(false);
            button->setCheckable(true);
            button->setChecked(state == 1);
            button->setGeometry(x, y + 16, 52, 16);
            x += 56;
        }
    }
    for (int column = 0; column < 2; ++column) {
        auto* size = new COnOffButton(parent);
        size->setCombinedImage(QPixmap(QStringLiteral(":/images/t51m_tsw_size.png")));
        size->setHasDownImage(false);
        size->setImageCategories(2);
        size->setCategory(column);
        size->setGeometry(x, y + 18, 19, 10);
        x += 24;
    }

    caption(parent, 10, y + 38, QStringLiteral("CRadioButton / CSpinButton / CTextSlider / CLineEdit"));
    int rx = 10;
    for (const char* name : {":/images/bram_tsw_radiobtn.png", ":/images/bram_tsw_radiobtn_cc_rem.png"}) {
        for (int state = 0; state < 2; ++state) {
            auto* radio = new CRadioButton(parent);
            radio->setAutoExclusive(false);
            radio->setCombinedImage(QPixmap(QString::fromLatin1(name)));
            radio->setChecked(state == 1);
            radio->setGeometry(rx, y + 54, 19, 18);
            rx += 24;
        }
    }
    for (int value = 0; value < 3; ++value) {
        auto* spin = new CSpinButton(parent);
        spin->setCombinedImage(QPixmap(QStringLiteral(":/images/dw_nsw_inc_dec_l.png")));
        spin->setRange(0, 2);
        spin->setValue(value);
        spin->setGeometry(rx, y + 54, 19, 19);
        rx += 24;
    }
    auto* slider = new CTextSlider(parent);
    slider->setRange(0, 127);
    slider->setValue(64);
    slider->setOffset(-64);
    slider->setAlignment(Qt::AlignCenter);
    slider->setGeometry(rx, y + 56, 44, 15);
    QPalette palette = slider->palette();
    palette.setColor(QPalette::WindowText, QColor(220, 220, 220));
    slider->setPalette(palette);
    rx += 50;
    auto* edit = new CLineEdit(parent);
    edit->setText(QStringLiteral("Template name"));
    edit->setGeometry(rx, y + 56, 135, 15);
}
#endif

CListView* addList(QWidget* parent, int x, int y, bool selected)
{
    auto* list = new CListView(parent);
    list->setGeometry(x, y, 180, 120);
    list->setColumnCount(2);
    list->setColumnWidthHint(QStringLiteral("30"));
    list->setItemMarginWidth(5);
    list->setTrim(true);
    list->setFont(editorFont(10));
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setGeometry(x + 182, y, 16, 120);
    list->setScrollBar(bar);
    for (int i = 0; i < 12; ++i) {
        list->addItem({QString::number(i + 1), QStringLiteral("Template with a rather long name %1").arg(i + 1)});
    }
    list->setValue(2);
    list->addMark(4);
    if (selected) {
        list->selectList();
    }
    return list;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(new RemoteEditorStyle);

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("Write a PNG of the gallery and quit."),
                                  QStringLiteral("FILE"));
    parser.addOption(screenshot);
    parser.process(app);

    CFrame window(nullptr, Qt::Window);
    window.setFont(editorFont(11));
    window.setBackgroundPixmap(QPixmap(QStringLiteral(":/images/zelk_bak_1.png")));
    window.resize(470, 465);

    auto* menuBar = new QMenuBar(&window);
    menuBar->setGeometry(79, 6, 97, 15);
    QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open...\tCtrl+O"));
    file->addAction(QStringLiteral("Delete\tCtrl+Backspace"));
    menuBar->addMenu(QStringLiteral("&Edit"))->setEnabled(false);

    auto* view = new CFrame(&window);
    view->setGeometry(14, 48, 442, 402);
    view->setBackgroundPixmap(QPixmap(QStringLiteral(":/images/bram_bak_library.png")));

    caption(view, 10, 4, QStringLiteral("CText, CFrame"));
#ifdef KW_WIDGETS_HAVE_BINDING
    addButtons(view, 250);
#endif
    addList(view, 8, 40, false);
    addList(view, 226, 40, true);

    auto* edit = new QLineEdit(view);
    edit->setGeometry(10, 170, 150, 16);
    edit->setText(QStringLiteral("QLineEdit under the style"));
    auto* horizontal = new QScrollBar(Qt::Horizontal, view);
    horizontal->setGeometry(170, 170, 200, 16);
    horizontal->setRange(0, 100);
    horizontal->setPageStep(10);
    horizontal->setValue(40);

    window.show();
    FlashFrame::start(view, QRect(8, 40, 180, 120));

    if (parser.isSet(screenshot)) {
        const QString path = parser.value(screenshot);
        QTimer::singleShot(0, &app, [&] {
            const QPixmap shot = window.grab();
            const bool ok = shot.save(path, "PNG");
            if (!ok) {
                std::fprintf(stderr, "widget-gallery: cannot write %s\n", qPrintable(path));
            }
            QApplication::exit(ok ? 0 : 1);
        });
    }
    return QApplication::exec();
}
