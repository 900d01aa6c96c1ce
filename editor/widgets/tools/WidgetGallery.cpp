// Shows every control of the editor in its states under the editor's style; with --screenshot FILE it
// renders the gallery into a PNG file and quits.

#include "CFrame.h"
#include "CListView.h"
#include "CPopupList.h"
#include "CPopupTree.h"
#include "CText.h"
#include "FlashFrame.h"
#include "RemoteEditorStyle.h"

#include "CLineEdit.h"
#include "COnOffButton.h"
#include "CRadioButton.h"
#include "CSpinButton.h"
#include "CTextSlider.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
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

// One button per look: off, on, pressed (when the picture has that row) and two categories.
void addButtons(QWidget* parent, int y)
{
    caption(parent, 10, y, QStringLiteral("COnOffButton: off / on, and two columns"));
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
    // A picture with a pressed row, shown pressed.
    auto* pressed = new COnOffButton(parent);
    pressed->setCombinedImage(QPixmap(QStringLiteral(":/images/bram_tsw_radiobtn.png")));
    pressed->setGeometry(x, y + 15, 19, 18);
    pressed->setDown(true);
    x += 24;
    for (int column = 0; column < 2; ++column) {
        auto* size = new COnOffButton(parent);
        size->setCombinedImage(QPixmap(QStringLiteral(":/images/t51m_tsw_size.png")));
        size->setHasDownImage(false);
        size->setImageCategories(2);
        size->setCategory(column);
        size->setGeometry(x, y + 18, 19, 10);
        x += 24;
    }

    caption(parent, 10, y + 38, QStringLiteral("CRadioButton, CSpinButton, CTextSlider, CLineEdit"));
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
    auto* style = new RemoteEditorStyle;
    QApplication::setStyle(style);

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption screenshot(QStringLiteral("screenshot"), QStringLiteral("Write a PNG of the gallery and quit."),
                                  QStringLiteral("FILE"));
    parser.addOption(screenshot);
    parser.process(app);

    CFrame window(nullptr, Qt::Window);
    window.setFont(editorFont(11));
    window.setBackgroundPixmap(QPixmap(QStringLiteral(":/images/zelk_bak_1.png")));
    window.resize(900, 465);

    auto* menuBar = new QMenuBar(&window);
    menuBar->setGeometry(79, 6, 97, 15);
    menuBar->setFont(editorFont(9));
    QMenu* file = menuBar->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open...\tCtrl+O"));
    file->addAction(QStringLiteral("Delete\tCtrl+Backspace"));
    menuBar->addMenu(QStringLiteral("&Edit"))->setEnabled(false);

    auto* view = new CFrame(&window);
    view->setGeometry(14, 48, 442, 402);
    view->setBackgroundPixmap(QPixmap(QStringLiteral(":/images/bram_bak_library.png")));

    addList(view, 8, 40, false);
    addList(view, 226, 40, true);

    auto* panel = new CFrame(&window);
    panel->setGeometry(470, 0, 430, 465);
    QPixmap plain(430, 465);
    plain.fill(QColor(58, 56, 54));
    panel->setBackgroundPixmap(plain);
    caption(panel, 10, 4, QStringLiteral("CText on a CFrame"));
    addButtons(panel, 60);
    auto* edit = new QLineEdit(panel);
    edit->setGeometry(10, 170, 150, 16);
    edit->setText(QStringLiteral("QLineEdit under the style"));
    auto* horizontal = new QScrollBar(Qt::Horizontal, panel);
    horizontal->setGeometry(170, 170, 200, 16);
    horizontal->setRange(0, 100);
    horizontal->setPageStep(10);
    horizontal->setValue(40);
    auto* empty = new QScrollBar(Qt::Horizontal, panel);
    empty->setGeometry(170, 190, 200, 16);
    empty->setRange(0, 0);

    // The pickers' inner views, drawn as the style draws them inside the pop-ups.
    auto* tree = new QTreeWidget(panel);
    tree->setObjectName(QStringLiteral("CPopupTreeWidget"));
    tree->setGeometry(10, 215, 150, 120);
    tree->setHeaderHidden(true);
    auto* group = new QTreeWidgetItem(tree, {QStringLiteral("Oscillator")});
    new QTreeWidgetItem(group, {QStringLiteral("Pitch")});
    new QTreeWidgetItem(group, {QStringLiteral("Shape")});
    auto* filter = new QTreeWidgetItem(tree, {QStringLiteral("Filter")});
    new QTreeWidgetItem(filter, {QStringLiteral("Cutoff")});
    group->setExpanded(true);
    tree->setCurrentItem(group->child(0));
    auto* list = new QListWidget(panel);
    list->setObjectName(QStringLiteral("CPopupListWidget"));
    list->setGeometry(170, 215, 150, 120);
    for (int i = 0; i < 12; ++i) {
        list->addItem(QStringLiteral("%1: Template").arg(i + 1));
    }
    list->setCurrentRow(2);
    for (QWidget* w : {static_cast<QWidget*>(tree), static_cast<QWidget*>(list)}) {
        w->setPalette(style->popupPalette());
    }

    // A menu drawn off the screen and shown as a picture, since a real one would be a window of its own.
    auto* menuPicture = new QLabel(panel);
    menuPicture->setGeometry(10, 345, 300, 110);
    QMenu sample;
    sample.setFont(editorFont(11));
    sample.addAction(QStringLiteral("&Open...\tCtrl+O"));
    sample.addAction(QStringLiteral("Delete\tCtrl+Backspace"))->setEnabled(false);
    sample.addSeparator();
    QAction* checked = sample.addAction(QStringLiteral("Stay in &Front"));
    checked->setCheckable(true);
    checked->setChecked(true);
    sample.addMenu(QStringLiteral("Plug-in &Database"))->addAction(QStringLiteral("Full Scan"));
    sample.adjustSize();
    menuPicture->setPixmap(sample.grab());

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
