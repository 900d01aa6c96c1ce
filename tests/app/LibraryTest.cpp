#include "PanelFixture.h"
#include "SynthImages.h"

#include "CListView.h"
#include "COnOffButton.h"
#include "CText.h"
#include "ConfirmPanels.h"
#include "EditorDefinitions.h"
#include "EditorFile.h"
#include "EditorLibrary.h"
#include "FlashFrame.h"
#include "ParamAddress.h"

#include <QClipboard>
#include <QDomDocument>
#include <QDrag>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>

#include <memory>

namespace {

using namespace std::chrono_literals;

constexpr int kTemplates = 50;
constexpr int kImportBank = 4;
constexpr int kLibraryBank = 5;
const ParamAddress kFileEditFlag(ParamAddress::kFileEditFlagBank, -1, -1, -1);
const ParamAddress kLibraryEditFlag(ParamAddress::kLibraryEditFlagBank, -1, -1, -1);
const ParamAddress kOnline(ParamAddress::kOnlineStateBank, -1, -1, -1);
const ParamAddress kCurrentTemplate(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);

long value(RemoteMemAPI& api, const ParamAddress& address)
{
    return api.getParam(address).getCurrentValue();
}

QString nameAt(RemoteMemAPI& api, int bank, int t)
{
    return api.getParamQString(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1));
}

void setName(RemoteMemAPI& api, int bank, int t, const QString& name)
{
    api.setParam(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1), name);
}

void nameBank(RemoteMemAPI& api, int bank, const QString& prefix)
{
    for (int t = 0; t < kTemplates; ++t) {
        setName(api, bank, t, prefix + QStringLiteral(" %1").arg(t));
    }
}

QStringList namesOf(RemoteMemAPI& api, int bank)
{
    QStringList names;
    for (int t = 0; t < kTemplates; ++t) {
        names.append(nameAt(api, bank, t));
    }
    return names;
}

long knobValue(RemoteMemAPI& api, int bank, int t, int knob, int param)
{
    return value(api, ParamAddress(bank, t, knob, param));
}

// A bank file whose templates are the simulated synthesizer's images pattern(seed, t).
void writeBankFile(const QString& path, int seed)
{
    RemoteMemAPI scratch;
    for (int t = 0; t < kTemplates; ++t) {
        kwtest::writeTemplate(scratch, 1, t, zelksim::TemplateImage::pattern(seed, t));
    }
    QFile file(path);
    QString error;
    ASSERT_TRUE(EditorFile::save(&scratch, 1, &file, &error)) << error.toStdString();
}

// Where a drag event must point for the library's pointer offset (-1, -3) to land in the row's middle.
QPoint dropPoint(const CListView* list, int row)
{
    return list->getItemRect(row).center() + QPoint(1, 3);
}

QAction* menuEntry(EditorMainWindow& window, const QString& text)
{
    for (QAction* menu : window.getMenuBar()->actions()) {
        for (QAction* entry : menu->menu()->actions()) {
            if (entry->text() == text) {
                return entry;
            }
        }
    }
    ADD_FAILURE() << "no menu entry " << text.toStdString();
    return nullptr;
}

} // namespace

class LibraryFixture : public PanelFixture
{
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        QGuiApplication::clipboard()->clear();
    }

    void TearDown() override
    {
        ShellDialogs::setDragRun({});
        PanelFixture::TearDown();
    }

    EditorLibrary* library() const { return window->getLibraryEditor(); }

    void enterLibrary()
    {
        window->viewLibrary();
        ASSERT_EQ(window->getView(), 1);
    }

    void trigger(const QString& entry)
    {
        QAction* action = menuEntry(*window, entry);
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled()) << entry.toStdString();
        action->trigger();
    }

    // Drags a row of a list onto a row of a template list as the user does: a press, a move past the start
    // distance with the modifiers held, and (in the platform's place) entering and dropping on the target.
    // True when the target took the drop.
    static bool dragRow(CListView* from, int row, CListView* to, int toRow, Qt::KeyboardModifiers modifiers = {})
    {
        showRow(from, row);
        showRow(to, toRow);
        const QRect source = from->getItemRect(row);
        if (!source.isValid() || !to->getItemRect(toRow).isValid()) {
            ADD_FAILURE() << "rows must be shown to be dragged";
            return false;
        }
        bool dropped = false;
        bool ran = false;
        ShellDialogs::setDragRun([&](QDrag* drag, Qt::DropActions actions, Qt::DropAction) {
            ran = true;
            const QPoint at = dropPoint(to, toRow);
            QDragEnterEvent enter(at, actions, drag->mimeData(), Qt::LeftButton, modifiers);
            QCoreApplication::sendEvent(to, &enter);
            QDropEvent drop(at, actions, drag->mimeData(), Qt::LeftButton, modifiers);
            QCoreApplication::sendEvent(to, &drop);
            dropped = drop.isAccepted();
            return dropped ? drop.dropAction() : Qt::IgnoreAction;
        });
        QTest::mousePress(from, Qt::LeftButton, Qt::NoModifier, source.center());
        const QPoint moved = source.center() + QPoint(0, 12);
        QMouseEvent move(QEvent::MouseMove, moved, from->mapToGlobal(moved), Qt::NoButton, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(from, &move);
        QTest::mouseRelease(from, Qt::LeftButton, Qt::NoModifier, source.center());
        ShellDialogs::setDragRun({});
        EXPECT_TRUE(ran) << "no drag started";
        return dropped;
    }

    // Scrolls the list as the user would when the row is out of sight.
    static void showRow(CListView* list, int row)
    {
        if (!list->getItemRect(row).isValid()) {
            list->scrollBar()->setValue(row);
        }
    }

    static void clickRow(CListView* list, int row)
    {
        showRow(list, row);
        QTest::mouseClick(list, Qt::LeftButton, {}, list->getItemRect(row).center());
        ASSERT_EQ(list->value(), row);
    }

    // Waits for the panel of the reset entry, answers OK with Return and waits until it is gone.
    template <typename Panel> void confirmReset(const QString& entry)
    {
        trigger(entry);
        QPointer<Panel> panel = window->findChild<Panel*>();
        ASSERT_FALSE(panel.isNull()) << entry.toStdString();
        EXPECT_FALSE(library()->keyboardShortcutsEnabled()) << "the library's keys rest while a question is open";
        press(panel, QStringLiteral("Return"));
        ASSERT_TRUE(gone(panel));
        EXPECT_EQ(library()->keyboardShortcutsEnabled(), window->getLockCount() == 0)
            << "the keys come back once no panel (auto-sync, when online) holds the window";
    }

    // The window's screenshot with a pop-up (a window of its own) drawn where it stands.
    void saveWithPopup(QWidget* popup, const QString& name)
    {
        const QString folder = qEnvironmentVariable(kwtest::kScreenshotDirVariable);
        if (folder.isEmpty()) {
            return;
        }
        QPixmap shot = window->grab();
        QPainter(&shot).drawPixmap(window->mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
        QDir().mkpath(folder);
        shot.save(QDir(folder).filePath(name + QStringLiteral(".png")));
    }

    AutoSync* syncPanel() const { return qobject_cast<AutoSync*>(window->autoSyncPanel()); }

    // Starts the waiting auto-sync panel and waits until its exchange is over.
    void runAutoSync()
    {
        QPointer<AutoSync> sync = syncPanel();
        ASSERT_FALSE(sync.isNull()) << "no auto-sync panel";
        QTest::mouseClick(sync->btnStart, Qt::LeftButton);
        ASSERT_TRUE(gone(sync, 30s)) << "auto-sync did not complete";
        ASSERT_EQ(value(*memApi, kOnline), 1);
    }

    template <typename F> auto core(F&& f)
    {
        return synth->withCore([&](zelksim::SynthCore& c, zelksim::Millis) { return f(c); });
    }

    // The editor online with a quiet synthesizer whose stored bank is pattern(seed, t) and whose edit
    // buffer is pattern(seed + 1, t), after the auto-sync of the start.
    void startOnline(int seed)
    {
        startQuietSynth();
        core([seed](zelksim::SynthCore& c) {
            c.fillPattern(seed);
            return 0;
        });
        startWindow(true);
        runAutoSync();
        activate();
    }
};

TEST_F(LibraryFixture, FormPlacesEveryControlAsTheViewExpects)
{
    startBareWindow();
    EditorLibrary* view = library();
    EXPECT_EQ(view->objectName(), QStringLiteral("EditorLibrary"));
    EXPECT_EQ(view->size(), QSize(442, 402));
    EXPECT_EQ(view->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(view->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(view->font().family(), QStringLiteral("Telvor EBM 8"));
    EXPECT_EQ(view->font().styleStrategy() & QFont::NoAntialias, QFont::NoAntialias);
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Library"));
    EXPECT_FALSE(view->backgroundPixmap().isNull());

    const QList<std::tuple<QString, QWidget*, QRect>> placed = {
        {QStringLiteral("btnImport"), view, {225, 25, 46, 14}},
        {QStringLiteral("btnFileOpen"), view, {168, 22, 19, 19}},
        {QStringLiteral("txtFileName"), view, {10, 25, 153, 13}},
        {QStringLiteral("scrollTemplate"), view, {425, 40, 16, 191}},
        {QStringLiteral("scrollImport"), view, {207, 40, 16, 191}},
        {QStringLiteral("btnCancel"), view, {390, 2, 46, 14}},
        {QStringLiteral("listTemplate"), view, {225, 38, 198, 195}},
        {QStringLiteral("listImport"), view, {7, 43, 198, 185}},
        {QStringLiteral("btnOK"), view, {339, 2, 46, 14}},
        {QStringLiteral("framePreview"), view, {0, 242, 442, 161}},
        {QStringLiteral("txtQPXi"), view->framePreview, {95, 21, 153, 13}},
        {QStringLiteral("lblRemote"), view->framePreview, {8, 20, 38, 132}},
        {QStringLiteral("txtKnobC2"), view->framePreview, {272, 92, 71, 21}},
        {QStringLiteral("txtKnobD2"), view->framePreview, {356, 92, 71, 21}},
        {QStringLiteral("txtKnobB2"), view->framePreview, {188, 92, 71, 21}},
        {QStringLiteral("txtKnobA2"), view->framePreview, {104, 92, 71, 21}},
        {QStringLiteral("txtKnobD1"), view->framePreview, {356, 56, 71, 21}},
        {QStringLiteral("txtKnobC1"), view->framePreview, {272, 56, 71, 21}},
        {QStringLiteral("txtKnobB1"), view->framePreview, {188, 56, 71, 21}},
        {QStringLiteral("txtKnobA1"), view->framePreview, {104, 56, 71, 21}},
        {QStringLiteral("txtKnobA3"), view->framePreview, {104, 127, 71, 21}},
        {QStringLiteral("txtKnobB3"), view->framePreview, {188, 127, 71, 21}},
        {QStringLiteral("txtKnobC3"), view->framePreview, {272, 127, 71, 21}},
        {QStringLiteral("txtKnobD3"), view->framePreview, {356, 127, 71, 21}},
    };
    QMap<QWidget*, QStringList> order;
    for (const auto& [name, parent, geometry] : placed) {
        auto* widget = view->findChild<QWidget*>(name);
        ASSERT_NE(widget, nullptr) << name.toStdString();
        EXPECT_EQ(widget->parentWidget(), parent) << name.toStdString();
        EXPECT_EQ(widget->geometry(), geometry) << name.toStdString();
        order[parent].append(name);
    }
    // Creation order is stacking order: a later sibling lies above an earlier one.
    for (auto it = order.cbegin(); it != order.cend(); ++it) {
        QStringList children;
        for (QObject* child : it.key()->children()) {
            if (child->isWidgetType() && it.value().contains(child->objectName())) {
                children.append(child->objectName());
            }
        }
        EXPECT_EQ(children, it.value());
    }

    for (COnOffButton* button : {view->btnImport, view->btnFileOpen, view->btnCancel, view->btnOK}) {
        EXPECT_FALSE(button->combinedImage().isNull()) << button->objectName().toStdString();
        EXPECT_FALSE(button->hasDownImage());
    }
    EXPECT_FALSE(view->lblRemote->backgroundPixmap().isNull());
    for (QScrollBar* bar : {view->scrollTemplate, view->scrollImport}) {
        EXPECT_EQ(bar->focusPolicy(), Qt::ClickFocus);
        EXPECT_EQ(bar->orientation(), Qt::Vertical);
    }
    for (CListView* list : {view->listTemplate, view->listImport}) {
        SCOPED_TRACE(list->objectName().toStdString());
        EXPECT_EQ(list->font().family(), QStringLiteral("Telvor EBM 10"));
        EXPECT_EQ(list->pageStep(), 11);
        EXPECT_EQ(list->orientation(), Qt::Vertical);
        EXPECT_EQ(list->alignment(), Qt::AlignLeft | Qt::AlignBottom);
        EXPECT_EQ(list->backgroundOddRowColor(), QColor(71, 71, 71));
        EXPECT_EQ(list->backgroundEvenRowColor(), QColor(89, 89, 89));
        EXPECT_EQ(list->itemMarginWidth(), 5);
        EXPECT_TRUE(list->trim());
        EXPECT_EQ(list->count(), kTemplates);
    }
    EXPECT_EQ(view->listTemplate->marginHeight(), 5);
    EXPECT_EQ(view->listImport->marginHeight(), 0);
    EXPECT_TRUE(view->listTemplate->acceptDrops());
    EXPECT_FALSE(view->listImport->acceptDrops());
    EXPECT_EQ(view->listTemplate->scrollBar(), view->scrollTemplate);
    EXPECT_EQ(view->listImport->scrollBar(), view->scrollImport);

    const auto textColours = [](const QWidget* w) {
        return std::make_tuple(w->palette().color(QPalette::Active, QPalette::Text),
                               w->palette().color(QPalette::Inactive, QPalette::Text),
                               w->palette().color(QPalette::Disabled, QPalette::Text));
    };
    EXPECT_EQ(textColours(view->txtFileName),
              std::make_tuple(QColor(255, 255, 255), QColor(255, 255, 255), QColor(178, 178, 178)));
    EXPECT_EQ(textColours(view->txtQPXi),
              std::make_tuple(QColor(192, 192, 192), QColor(192, 192, 192), QColor(178, 178, 178)));
    for (CText* knob : view->framePreview->findChildren<CText*>(QRegularExpression(QStringLiteral("^txtKnob")))) {
        EXPECT_EQ(knob->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    }

    // Nothing is imported at start: the import side shows nothing but the file button.
    EXPECT_FALSE(view->listImport->isVisible());
    EXPECT_FALSE(view->btnImport->isVisible());
    EXPECT_FALSE(view->txtFileName->isVisible());
}

TEST_F(LibraryFixture, RearrangingWorksOnACopyThatOkAppliesAndCancelDiscards)
{
    startBareWindow();
    activate();
    nameBank(*memApi, 0, QStringLiteral("Working"));
    memApi->setParam(kCurrentTemplate, 2);
    memApi->setParam(kFileEditFlag, 0);
    const QStringList working = namesOf(*memApi, 0);
    EditorLibrary* view = library();

    enterLibrary();
    EXPECT_EQ(namesOf(*memApi, kLibraryBank), working) << "entering copies the working bank";
    EXPECT_EQ(view->listTemplate->value(), 2) << "the template editor's template is the current row";
    EXPECT_EQ(view->listTemplate->text(0, 0), QStringLiteral("01  Working 0"));
    EXPECT_EQ(view->listTemplate->text(49, 0), QStringLiteral("50  Working 49"));
    EXPECT_TRUE(view->isTemplateListSelected());
    EXPECT_EQ(value(*memApi, kLibraryEditFlag), 0);

    // A plain drag swaps, inside the library bank only.
    ASSERT_TRUE(dragRow(view->listTemplate, 3, view->listTemplate, 7));
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 3), QStringLiteral("Working 7"));
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 7), QStringLiteral("Working 3"));
    EXPECT_EQ(view->listTemplate->text(3, 0), QStringLiteral("04  Working 7"));
    EXPECT_EQ(view->listTemplate->value(), 7);
    EXPECT_EQ(namesOf(*memApi, 0), working);
    EXPECT_EQ(value(*memApi, kLibraryEditFlag), 1);
    EXPECT_EQ(value(*memApi, kFileEditFlag), 0);
    EXPECT_FALSE(dragRow(view->listTemplate, 7, view->listTemplate, 7)) << "a template is not dropped on itself";
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 7), QStringLiteral("Working 3"));

    press(view, QStringLiteral("Esc"));
    ASSERT_TRUE(kwtest::processUntil([&] { return window->getView() == 0; })) << "Escape did not cancel";
    EXPECT_EQ(namesOf(*memApi, 0), working);
    EXPECT_EQ(value(*memApi, kLibraryEditFlag), 0);
    EXPECT_EQ(value(*memApi, kFileEditFlag), 0);
    EXPECT_EQ(value(*memApi, kCurrentTemplate), 2);

    enterLibrary();
    EXPECT_EQ(namesOf(*memApi, kLibraryBank), working) << "a new visit starts from the working bank again";
    ASSERT_TRUE(dragRow(view->listTemplate, 3, view->listTemplate, 7, Qt::ControlModifier));
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 3), QStringLiteral("Working 3"));
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 7), QStringLiteral("Working 3")) << "Control copies";
    clickRow(view->listTemplate, 9);
    trigger(MenuEditInitialize);
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 9), QString());

    press(view, QStringLiteral("Return"));
    ASSERT_TRUE(kwtest::processUntil([&] { return window->getView() == 0; })) << "Return did not apply";
    EXPECT_EQ(namesOf(*memApi, 0), namesOf(*memApi, kLibraryBank));
    EXPECT_EQ(nameAt(*memApi, 0, 7), QStringLiteral("Working 3"));
    EXPECT_EQ(value(*memApi, kCurrentTemplate), 9);
    EXPECT_EQ(value(*memApi, kFileEditFlag), 1);
    EXPECT_EQ(value(*memApi, kLibraryEditFlag), 0);
    EXPECT_EQ(window->autoSyncPanel(), nullptr) << "offline nothing is sent";

    // Without edits OK (or a double click) only chooses the current template.
    const QStringList applied = namesOf(*memApi, 0);
    enterLibrary();
    clickRow(view->listTemplate, 4);
    QTest::mouseClick(view->btnOK, Qt::LeftButton);
    EXPECT_EQ(window->getView(), 0);
    EXPECT_EQ(value(*memApi, kCurrentTemplate), 4);
    EXPECT_EQ(namesOf(*memApi, 0), applied);
    enterLibrary();
    clickRow(view->listTemplate, 6);
    ASSERT_TRUE(view->listTemplate->getItemRect(6).isValid());
    QTest::mouseDClick(view->listTemplate, Qt::LeftButton, {}, view->listTemplate->getItemRect(6).center());
    EXPECT_EQ(window->getView(), 0);
    EXPECT_EQ(value(*memApi, kCurrentTemplate), 6);
}

TEST_F(LibraryFixture, BankFileFeedsTheTemplateListByDragAndByTheImportButton)
{
    startBareWindow();
    activate();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Imports.Q9E"));
    writeBankFile(path, 30);
    const QString importName = kwtest::qs(zelksim::TemplateImage::pattern(30, 2).text(zelksim::fields::templateName()));
    nameBank(*memApi, 0, QStringLiteral("Working"));
    EditorLibrary* view = library();
    enterLibrary();

    fileAnswer.clear();
    QTest::mouseClick(view->btnFileOpen, Qt::LeftButton);
    EXPECT_FALSE(view->isImportLoaded()) << "a cancelled choice loads nothing";
    fileAnswer = path;
    QTest::mouseClick(view->btnFileOpen, Qt::LeftButton);
    ASSERT_EQ(fileRequests.size(), 2);
    EXPECT_EQ(fileRequests.last().caption, QStringLiteral("File Select"));
    EXPECT_EQ(fileRequests.last().filter, QStringLiteral("Q9E Files (*.Q9E);;Q8E Files (*.Q8E)"));
    EXPECT_FALSE(fileRequests.last().save);
    ASSERT_TRUE(view->isImportLoaded());
    EXPECT_TRUE(view->listImport->isVisible());
    EXPECT_TRUE(view->scrollImport->isVisible());
    EXPECT_TRUE(view->btnImport->isVisible());
    EXPECT_EQ(view->txtFileName->text(), QStringLiteral("Imports.Q9E"));
    EXPECT_EQ(memApi->getBankAvailableFlag(kImportBank).getCurrentValue(), 1);
    EXPECT_EQ(view->listImport->text(2, 0), QStringLiteral("03  ") + importName);
    EXPECT_EQ(window->getWorkingFolder(), QFileInfo(path).absolutePath());
    EXPECT_EQ(nameAt(*memApi, 0, 2), QStringLiteral("Working 2")) << "the import touches only the import bank";

    // From the import list a drag always copies, and the template list becomes the selected one.
    clickRow(view->listImport, 2);
    ASSERT_FALSE(view->isTemplateListSelected());
    ASSERT_TRUE(dragRow(view->listImport, 2, view->listTemplate, 5));
    EXPECT_EQ(kwtest::templateDifference(*memApi, kLibraryBank, 5, zelksim::TemplateImage::pattern(30, 2)), "");
    EXPECT_EQ(kwtest::templateDifference(*memApi, kImportBank, 2, zelksim::TemplateImage::pattern(30, 2)), "");
    EXPECT_TRUE(view->isTemplateListSelected());
    EXPECT_EQ(view->listTemplate->value(), 5);
    EXPECT_EQ(value(*memApi, kLibraryEditFlag), 1);

    // The button copies the import list's row over the template list's row.
    clickRow(view->listTemplate, 8);
    clickRow(view->listImport, 4);
    QTest::mouseClick(view->btnImport, Qt::LeftButton);
    EXPECT_EQ(kwtest::templateDifference(*memApi, kLibraryBank, 8, zelksim::TemplateImage::pattern(30, 4)), "");
    clickRow(view->listTemplate, 5);
    ASSERT_TRUE(kwtest::processUntil([&] { return view->findChildren<FlashFrame*>().isEmpty(); }));
    kwtest::saveAppScreenshot(window.get(), QStringLiteral("view-Library-import"));

    // A file that fails to load says why and leaves the loaded import as it was.
    const QString broken = folder.filePath(QStringLiteral("Broken.Q9E"));
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<KnobwrightFile><bank>");
    }
    fileAnswer = broken;
    messages.clear();
    QTest::mouseClick(view->btnFileOpen, Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.first().title, QStringLiteral("Knobwright"));
    EXPECT_EQ(messages.first().icon, QMessageBox::Critical);
    EXPECT_TRUE(messages.first().text.startsWith(QStringLiteral("Parse error at line")))
        << messages.first().text.toStdString();
    EXPECT_EQ(messages.first().buttons, QMessageBox::Ok);
    EXPECT_TRUE(view->isImportLoaded());
    EXPECT_TRUE(view->listImport->isVisible());
    EXPECT_EQ(view->txtFileName->text(), QStringLiteral("Imports.Q9E"));
    EXPECT_EQ(memApi->getBankAvailableFlag(kImportBank).getCurrentValue(), 1);
    EXPECT_EQ(kwtest::templateDifference(*memApi, kImportBank, 2, zelksim::TemplateImage::pattern(30, 2)), "");

    // The import stays across visits; Cancel drops the library's edits but not the import.
    press(view, QStringLiteral("Esc"));
    ASSERT_TRUE(kwtest::processUntil([&] { return window->getView() == 0; }));
    enterLibrary();
    EXPECT_TRUE(view->listImport->isVisible());
    EXPECT_TRUE(view->btnImport->isVisible());
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 5), QStringLiteral("Working 5"));
}

TEST_F(LibraryFixture, PasteAndForeignDropsTakeTheTemplateTheDocumentCarries)
{
    startBareWindow();
    activate();
    nameBank(*memApi, 0, QStringLiteral("Alpha"));
    memApi->setParam(ParamAddress(0, 2, 0, ParamAddress::kCCNumberParam), 42);
    EditorLibrary* view = library();
    enterLibrary();
    clickRow(view->listTemplate, 2);
    trigger(MenuEditCopy);

    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied->hasFormat(QStringLiteral("application/x-telvor-zelk-remote-template")));
    const QByteArray whole = copied->data(TemplateMimeType);
    EXPECT_EQ(EditorLibrary::getTemplateNumberFromTemplateMimeData(copied), 2);
    EXPECT_EQ(EditorLibrary::getBankNumberFromTemplateMimeData(copied), kLibraryBank);
    QDomDocument document;
    ASSERT_TRUE(document.setContent(whole));
    EXPECT_EQ(document.doctype().name(), QStringLiteral("KnobwrightTemplate"));
    EXPECT_EQ(document.documentElement().tagName(), QStringLiteral("template"));
    EXPECT_EQ(document.documentElement().firstChildElement(QStringLiteral("name")).text(), QStringLiteral("Alpha 2"));
    EXPECT_EQ(document.documentElement()
                  .firstChildElement(QStringLiteral("knobA1"))
                  .firstChildElement(QStringLiteral("ccnumber"))
                  .text(),
              QStringLiteral("42"));

    // The source changes and the library bank is made anew; the paste still brings what was copied.
    press(view, QStringLiteral("Esc"));
    ASSERT_TRUE(kwtest::processUntil([&] { return window->getView() == 0; }));
    setName(*memApi, 0, 2, QStringLiteral("Changed"));
    memApi->setParam(ParamAddress(0, 2, 0, ParamAddress::kCCNumberParam), 43);
    enterLibrary();
    clickRow(view->listTemplate, 6);
    trigger(MenuEditPaste);
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 6), QStringLiteral("Alpha 2"));
    EXPECT_EQ(knobValue(*memApi, kLibraryBank, 6, 0, ParamAddress::kCCNumberParam), 42);
    EXPECT_EQ(value(*memApi, kLibraryEditFlag), 1);

    // A second editor pastes the same document, and its drags bring their own template here.
    RemoteMemAPI otherMemory;
    EditorMainWindow other(&otherMemory, false);
    if (QWidget* notFound = other.portNotFoundPanel()) {
        ASSERT_TRUE(closePanel(notFound));
    }
    other.show();
    nameBank(otherMemory, 0, QStringLiteral("Beta"));
    other.viewLibrary();
    EditorLibrary* otherView = other.getLibraryEditor();
    otherView->setCurrentTemplateNumber(4);
    ASSERT_TRUE(otherView->canPaste());
    otherView->pasteTemplate();
    EXPECT_EQ(nameAt(otherMemory, kLibraryBank, 4), QStringLiteral("Alpha 2"));
    EXPECT_EQ(knobValue(otherMemory, kLibraryBank, 4, 0, ParamAddress::kCCNumberParam), 42);
    EXPECT_EQ(value(otherMemory, kLibraryEditFlag), 1);

    ASSERT_TRUE(dragRow(otherView->listTemplate, 5, view->listTemplate, 8));
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 8), QStringLiteral("Beta 5"));
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 5), QStringLiteral("Alpha 5")) << "no local template moved";
    EXPECT_EQ(nameAt(otherMemory, kLibraryBank, 5), QStringLiteral("Beta 5")) << "the source editor keeps its own";
    // A foreign template may land on the row its number names.
    ASSERT_TRUE(dragRow(otherView->listTemplate, 3, view->listTemplate, 3));
    EXPECT_EQ(nameAt(*memApi, kLibraryBank, 3), QStringLiteral("Beta 3"));

    // Data that is no whole template document changes nothing and reads as no numbers.
    QByteArray partial = whole;
    partial.replace("knobD3", "knobXX");
    for (const QByteArray& bad : {QByteArray("not a document"), partial, QByteArray(300 * 1024, '<')}) {
        auto* data = new QMimeData;
        data->setData(TemplateMimeType, bad);
        QGuiApplication::clipboard()->setMimeData(data);
        const QStringList before = namesOf(*memApi, kLibraryBank);
        clickRow(view->listTemplate, 1);
        trigger(MenuEditPaste);
        EXPECT_EQ(namesOf(*memApi, kLibraryBank), before);
        if (bad != partial) {
            EXPECT_EQ(EditorLibrary::getTemplateNumberFromTemplateMimeData(QGuiApplication::clipboard()->mimeData()),
                      -1);
            EXPECT_EQ(EditorLibrary::getBankNumberFromTemplateMimeData(QGuiApplication::clipboard()->mimeData()), -1);
        }
    }
}

TEST_F(LibraryFixture, ContextMenuOpensOnATemplateRowWithTheEditEntries)
{
    startBareWindow();
    activate();
    EditorLibrary* view = library();
    enterLibrary();
    QGuiApplication::clipboard()->setText(QStringLiteral("plain text"));

    // The context menu opens on a row only, makes it current, and offers the Edit entries.
    const auto contextMenu = [&](const QPoint& at) {
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, view->listTemplate->mapToGlobal(at));
        QCoreApplication::sendEvent(view->listTemplate, &request);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    };
    EXPECT_EQ(contextMenu(QPoint(50, 2)), nullptr) << "no menu in the list's margin";
    QMenu* menu = contextMenu(view->listTemplate->getItemRect(3).center());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(view->listTemplate->value(), 3);
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0]->text(), QStringLiteral("&Copy"));
    EXPECT_EQ(entries[0]->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
    EXPECT_TRUE(entries[0]->isEnabled());
    EXPECT_EQ(entries[1]->text(), QStringLiteral("&Paste"));
    EXPECT_EQ(entries[1]->shortcut(), QKeySequence(QStringLiteral("Ctrl+V")));
    EXPECT_FALSE(entries[1]->isEnabled());
    EXPECT_EQ(entries[2]->text(), QStringLiteral("Initialize Template"));
    EXPECT_TRUE(entries[2]->shortcut().isEmpty());
    EXPECT_TRUE(entries[2]->isEnabled());
    saveWithPopup(menu, QStringLiteral("view-Library-context-menu"));
    entries[0]->trigger();
    menu->close();
    EXPECT_EQ(EditorLibrary::getTemplateNumberFromTemplateMimeData(QGuiApplication::clipboard()->mimeData()), 3);
}

TEST_F(LibraryFixture, DragNearAnEdgeScrollsTheTemplateListUntilThePointerMovesAway)
{
    startBareWindow();
    EditorLibrary* view = library();
    enterLibrary();
    CListView* list = view->listTemplate;
    QScrollBar* bar = view->scrollTemplate;
    const std::unique_ptr<QMimeData> data(view->createTemplateMimeData(0));
    const auto hover = [&](int y, QEvent::Type type = QEvent::DragMove) {
        QDragMoveEvent event(QPoint(50, y), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier, type);
        QCoreApplication::sendEvent(list, &event);
        return event.dropAction();
    };
    ASSERT_EQ(list->height(), 195);
    ASSERT_EQ(bar->value(), 0);

    // The pointer is taken 3 pixels above the event: the last 5 pixels of the list are the lower zone.
    EXPECT_NE(hover(197 - 5 - 1, QEvent::DragEnter), Qt::IgnoreAction);
    EXPECT_FALSE(view->isAutoScrolling());
    EXPECT_EQ(hover(198 - 5), Qt::IgnoreAction);
    EXPECT_TRUE(view->isAutoScrolling());
    ASSERT_TRUE(kwtest::processUntil([&] { return bar->value() >= 3; })) << "the list did not scroll down";
    hover(100);
    EXPECT_FALSE(view->isAutoScrolling());
    const int reached = bar->value();
    QTest::qWait(250);
    EXPECT_EQ(bar->value(), reached) << "scrolling stops once the pointer leaves the zone";

    // The first 5 pixels are the upper zone; leaving the list stops the scrolling as well.
    EXPECT_NE(hover(5 + 3), Qt::IgnoreAction);
    EXPECT_FALSE(view->isAutoScrolling());
    EXPECT_EQ(hover(4 + 3), Qt::IgnoreAction);
    ASSERT_TRUE(kwtest::processUntil([&] { return bar->value() <= reached - 2; })) << "the list did not scroll up";
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(list, &leave);
    EXPECT_FALSE(view->isAutoScrolling());

    // Foreign data is refused outright.
    QMimeData text;
    text.setText(QStringLiteral("a text"));
    QDragEnterEvent foreign(QPoint(50, 2), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &foreign);
    EXPECT_EQ(foreign.dropAction(), Qt::IgnoreAction);
    EXPECT_FALSE(view->isAutoScrolling());
}

TEST_F(LibraryFixture, PreviewShowsTheSelectedTemplatesKnobsForTheChosenDAW)
{
    startBareWindow();
    ASSERT_EQ(window->getDAWName(), OtherDAW) << "no DAW is installed on the test machine";
    const QString kWideName = QStringLiteral("Wow Wow Wow Wow");
    const ParamAddress type(0, 3, ParamAddress::kControlTypeController, -1);
    memApi->setParam(type, 1);
    memApi->setParam(ParamAddress(0, 3, ParamAddress::kQPXiNameController, -1), QStringLiteral("SynthOne"));
    memApi->setParam(ParamAddress(0, 3, 0, ParamAddress::kCCNumberParam), 74);
    memApi->setParam(ParamAddress(0, 3, 0, ParamAddress::kDisplayNameParam), QStringLiteral("Cutoff"));
    memApi->setParam(ParamAddress(0, 3, 5, ParamAddress::kCCNumberParam), 7);
    memApi->setParam(ParamAddress(0, 3, 5, ParamAddress::kDisplayNameParam), kWideName);
    memApi->setParam(ParamAddress(0, 3, 1, ParamAddress::kRemoteNumberParam), QStringLiteral("212345678"));
    memApi->setParam(kCurrentTemplate, 3);
    EditorLibrary* view = library();
    enterLibrary();
    ASSERT_GT(QFontMetrics(view->txtKnobB2->font()).horizontalAdvance(kWideName), view->txtKnobB2->width());

    EXPECT_FALSE(view->txtQPXi->isVisible());
    EXPECT_FALSE(view->lblRemote->isVisible());
    EXPECT_EQ(view->txtKnobA1->text(), QStringLiteral("CC074\nCutoff"));
    EXPECT_EQ(view->txtKnobB2->text(), QStringLiteral("CC007\n") + kWideName);
    EXPECT_TRUE(view->txtKnobB2->toolTip().isEmpty());

    // With a DAW chosen the control type decides; the scan that the choice starts is not waited for.
    window->setDAWName(QString());
    QPointer<QWidget> scan = window->analyzeQPXiPanel();
    ASSERT_TRUE(kwtest::processUntil([&] {
        if (scan) {
            scan->close();
        }
        return scan.isNull();
    }));
    view->updateDAW();
    EXPECT_TRUE(view->txtQPXi->isVisible());
    EXPECT_EQ(view->txtQPXi->text(), QStringLiteral("SynthOne"));
    EXPECT_FALSE(view->lblRemote->isVisible());
    EXPECT_EQ(view->txtKnobA1->text(), QStringLiteral("CC074\nCutoff"));
    EXPECT_TRUE(view->txtKnobB2->text().startsWith(QStringLiteral("CC007\nWow")));
    EXPECT_TRUE(view->txtKnobB2->text().endsWith(TrimLabel)) << "a long name is trimmed to the knob's width";
    EXPECT_EQ(view->txtKnobB2->toolTip(), kWideName);

    memApi->setParam(ParamAddress(kLibraryBank, 3, ParamAddress::kControlTypeController, -1), 0);
    EXPECT_TRUE(view->lblRemote->isVisible());
    EXPECT_EQ(view->txtKnobB1->text(), QString()) << "the database does not know the instrument";
    EXPECT_TRUE(view->txtKnobB1->toolTip().isEmpty());
    EXPECT_EQ(view->txtKnobA1->text(), QStringLiteral("No Assign")) << "track parameters are known to every DAW";
}

// A user's whole errand: online, two templates swap places and a third comes from a bank file; OK sends the
// result, and the synthesizer holds exactly that.
TEST_F(LibraryFixture, OnlineOkLeavesTheNewOrderInTheSynthesizerAndNothingElse)
{
    startOnline(7);
    QTemporaryDir folder;
    fileAnswer = folder.filePath(QStringLiteral("Library.Q9E"));
    writeBankFile(fileAnswer, 30);
    EditorLibrary* view = library();

    enterLibrary();
    ASSERT_TRUE(dragRow(view->listTemplate, 3, view->listTemplate, 7));
    QTest::mouseClick(view->btnFileOpen, Qt::LeftButton);
    ASSERT_TRUE(view->isImportLoaded());
    ASSERT_TRUE(dragRow(view->listImport, 10, view->listTemplate, 9));
    QTest::mouseClick(view->btnOK, Qt::LeftButton);
    EXPECT_EQ(window->getView(), 0);
    ASSERT_NE(syncPanel(), nullptr) << "applying online starts auto-sync";
    EXPECT_TRUE(syncPanel()->isSendAfterReceive());
    EXPECT_TRUE(syncPanel()->isEditBufferOnly());
    runAutoSync();

    for (int t = 0; t < kTemplates; ++t) {
        const zelksim::TemplateImage expected = t == 3   ? zelksim::TemplateImage::pattern(8, 7)
                                                : t == 7 ? zelksim::TemplateImage::pattern(8, 3)
                                                : t == 9 ? zelksim::TemplateImage::pattern(30, 10)
                                                         : zelksim::TemplateImage::pattern(8, t);
        EXPECT_TRUE(core([&](zelksim::SynthCore& c) { return c.editTemplate(t) == expected; })) << "edit buffer " << t;
        EXPECT_TRUE(core([&](zelksim::SynthCore& c) {
            return c.storedTemplate(t) == zelksim::TemplateImage::pattern(7, t);
        })) << "stored bank "
            << t;
    }
    EXPECT_EQ(core([](zelksim::SynthCore& c) { return c.currentTemplate(); }), 9);
    EXPECT_EQ(core([](zelksim::SynthCore& c) { return c.stats().stores + c.stats().flashStores; }), 0);
}

TEST_F(LibraryFixture, ResetsFromEitherViewApplyTheirBankThroughTheirQuestion)
{
    startBareWindow();
    activate();
    nameBank(*memApi, 1, QStringLiteral("Stored"));
    nameBank(*memApi, 2, QStringLiteral("Received stored"));
    nameBank(*memApi, 3, QStringLiteral("Received working"));
    memApi->setBankAvailableFlag(1, 2);
    memApi->setBankAvailableFlag(1, 3);
    const QStringList factory = namesOf(*memApi, 8);
    EditorLibrary* view = library();

    for (int fromView : {0, 1}) {
        SCOPED_TRACE(fromView == 0 ? "template view" : "library view");
        const auto prepare = [&] {
            nameBank(*memApi, 0, QStringLiteral("Working"));
            memApi->setParam(kCurrentTemplate, 4);
            memApi->setParam(kFileEditFlag, 0);
            memApi->setStoreFlag(false);
            memApi->setStoreToFlashSendingFlag(false);
            if (fromView == 1) {
                enterLibrary();
                clickRow(view->listTemplate, 9);
            }
        };
        const int expectedTemplate = fromView == 1 ? 9 : 4;

        prepare();
        confirmReset<ResetStoredConfirm>(MenuEditResetStored);
        EXPECT_EQ(namesOf(*memApi, 0), namesOf(*memApi, 1));
        EXPECT_TRUE(memApi->isStorePending());
        EXPECT_FALSE(memApi->isStoreToFlashSending());
        EXPECT_EQ(value(*memApi, kCurrentTemplate), expectedTemplate);
        EXPECT_EQ(value(*memApi, kFileEditFlag), 1);
        EXPECT_EQ(value(*memApi, kLibraryEditFlag), 0);
        EXPECT_EQ(window->getView(), 0);

        prepare();
        confirmReset<FactorysetConfirm>(MenuEditResetFactory);
        EXPECT_EQ(namesOf(*memApi, 0), factory);
        EXPECT_TRUE(memApi->isStorePending());
        EXPECT_EQ(value(*memApi, kCurrentTemplate), expectedTemplate);
        EXPECT_EQ(window->getView(), 0);

        prepare();
        confirmReset<RestoreHWConfirm>(MenuEditRestoreHW);
        EXPECT_EQ(namesOf(*memApi, 0), namesOf(*memApi, 3));
        EXPECT_EQ(namesOf(*memApi, 1), namesOf(*memApi, 2)) << "the stored data become the received ones";
        EXPECT_FALSE(memApi->isStorePending());
        EXPECT_TRUE(memApi->isStoreToFlashSending());
        EXPECT_EQ(value(*memApi, kCurrentTemplate), expectedTemplate);
        EXPECT_EQ(value(*memApi, kFileEditFlag), 1);
        EXPECT_EQ(window->getView(), 0);
        nameBank(*memApi, 1, QStringLiteral("Stored"));
    }
}

TEST_F(LibraryFixture, OnlineResetsSendEverythingAndThenStore)
{
    startOnline(3);
    nameBank(*memApi, 0, QStringLiteral("Edited"));

    // Back to what the synthesizer had at start: everything is sent, then stored to flash.
    confirmReset<RestoreHWConfirm>(MenuEditRestoreHW);
    ASSERT_NE(syncPanel(), nullptr);
    EXPECT_TRUE(syncPanel()->isSendAfterReceive());
    EXPECT_FALSE(syncPanel()->isEditBufferOnly());
    runAutoSync();
    EXPECT_TRUE(kwtest::processUntil([&] {
        return core([](zelksim::SynthCore& c) { return c.stats().flashStores; }) == 1;
    })) << "no store to flash followed the send";
    for (int t = 0; t < kTemplates; ++t) {
        EXPECT_EQ(kwtest::templateDifference(*memApi, 0, t, zelksim::TemplateImage::pattern(4, t)), "");
    }

    // The factory settings from the library view: the edit buffer is sent, then stored.
    enterLibrary();
    confirmReset<FactorysetConfirm>(MenuEditResetFactory);
    ASSERT_NE(syncPanel(), nullptr);
    EXPECT_TRUE(syncPanel()->isEditBufferOnly());
    runAutoSync();
    EXPECT_TRUE(kwtest::processUntil([&] { return core([](zelksim::SynthCore& c) { return c.stats().stores; }) == 1; }))
        << "no store followed the send";
    const QStringList factory = namesOf(*memApi, 8);
    for (int t = 0; t < kTemplates; ++t) {
        EXPECT_EQ(kwtest::qs(core(
                      [&](zelksim::SynthCore& c) { return c.editTemplate(t).text(zelksim::fields::templateName()); })),
                  factory[t]);
    }
}

TEST_F(LibraryFixture, APanelOverTheLibraryTakesReturnAndEscapeForItself)
{
    startBareWindow();
    activate();
    enterLibrary();
    for (const QString& key : {QStringLiteral("Return"), QStringLiteral("Escape")}) {
        window->portNotFound();
        QPointer<QWidget> panel = window->portNotFoundPanel();
        ASSERT_FALSE(panel.isNull());
        EXPECT_FALSE(library()->keyboardShortcutsEnabled());
        press(panel, key);
        ASSERT_TRUE(gone(panel)) << key.toStdString() << " did not reach the panel";
        EXPECT_EQ(window->getView(), 1) << "the library kept its own";
        EXPECT_TRUE(library()->keyboardShortcutsEnabled());
    }
    press(library(), QStringLiteral("Return"));
    EXPECT_TRUE(kwtest::processUntil([&] { return window->getView() == 0; }));
}
