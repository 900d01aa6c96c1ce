#include "PanelFixture.h"

#include "ConfirmPanels.h"
#include "EditorDefinitions.h"
#include "EditorLibrary.h"
#include "EditorTemplate.h"
#include "ParamAddress.h"
#include "PluginMachine.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

using namespace std::chrono_literals;

const QString kDAW = QStringLiteral("Sonvik 8");
const ParamAddress kFileEditFlag(ParamAddress::kFileEditFlagBank, -1, -1, -1);
const ParamAddress kBankEditFlag(ParamAddress::kBankEditFlagBank, -1, -1, -1);
const ParamAddress kFileName(ParamAddress::kFileNameBank, -1, -1, -1);
const ParamAddress kCurrentTemplate(0, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1);

ParamAddress templateName(int bank, int templ)
{
    return ParamAddress(bank, templ, ParamAddress::kTemplateNameController, -1);
}

// One menu entry as the user sees it: its text, its shortcut, and its submenu's entries.
QString describe(const QAction* action)
{
    if (action->isSeparator()) {
        return QStringLiteral("---");
    }
    QString text = action->text();
    if (!action->shortcut().isEmpty()) {
        text += QStringLiteral(" [") + action->shortcut().toString(QKeySequence::PortableText) + QLatin1Char(']');
    }
    if (action->menu() != nullptr) {
        QStringList entries;
        for (const QAction* entry : action->menu()->actions()) {
            entries.append(describe(entry));
        }
        text += QStringLiteral(" {") + entries.join(QStringLiteral(", ")) + QLatin1Char('}');
    }
    return text;
}

} // namespace

// The main window with its menus, no synthesizer unless a test asks, and a bank file to open.
class MenuFixture : public PanelFixture
{
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        bankFile = folder.filePath(QStringLiteral("Live Set.Q9E"));
        ASSERT_TRUE(
            QFile::copy(qEnvironmentVariable(kResourceDirVariable) + QStringLiteral("/BankPreset1.Q9E"), bankFile));
    }

    void TearDown() override
    {
        PanelFixture::TearDown();
        EditorMainWindow::setPluginPlaces(std::nullopt);
    }

    QMenu* menu(int index) const { return window->getMenuBar()->actions().at(index)->menu(); }

    // Chooses the enabled File or Edit entry with this text (without its '&') as the user does.
    void trigger(const QString& text) const
    {
        for (int index : {0, 1}) {
            for (QAction* action : menu(index)->actions()) {
                if (QString(action->text()).remove(QLatin1Char('&')) == text) {
                    ASSERT_TRUE(action->isEnabled()) << text.toStdString();
                    action->trigger();
                    return;
                }
            }
        }
        ADD_FAILURE() << "no menu entry " << text.toStdString();
    }

    // Waits for the File and Edit entries that are enabled to become these (the clipboard and the online
    // state tell the menus on a later turn of the event loop).
    void expectEnabled(const QStringList& expected, const char* state) const
    {
        EXPECT_TRUE(kwtest::processUntil([&] { return enabledEntries() == expected; }, 30s))
            << state << ": enabled are " << enabledEntries().join(QStringLiteral(", ")).toStdString();
    }

    // The texts of the File and Edit entries (and the database submenu) that are enabled now.
    QStringList enabledEntries() const
    {
        QStringList enabled;
        for (int index : {0, 1}) {
            for (const QAction* action : menu(index)->actions()) {
                if (!action->isSeparator() && action->isEnabled()) {
                    enabled.append(QString(action->text()).remove(QLatin1Char('&')));
                }
            }
        }
        return enabled;
    }

    // Makes banks until there are 128; a bank that is not made fails the test at once instead of looping.
    void makeBanksUpToTheLimit()
    {
        while (memApi->getQuantityOfBank() < 128) {
            const int before = memApi->getQuantityOfBank();
            memApi->createBank();
            ASSERT_GT(memApi->getQuantityOfBank(), before) << "no bank was made beside the " << before << " there";
        }
    }

    void setValue(const ParamAddress& address, long value) { memApi->setParam(address, value); }
    long value(const ParamAddress& address) const { return memApi->getParam(address).getCurrentValue(); }
    CloseConfirm* question() const { return window->findChild<CloseConfirm*>(); }

    // Answers the open question by the button's key and waits until it is gone.
    void answer(const QString& key)
    {
        QPointer<CloseConfirm> panel = question();
        ASSERT_NE(panel, nullptr) << "no question was asked";
        activate();
        press(panel, key);
        ASSERT_TRUE(gone(panel));
    }

    QTemporaryDir folder;
    QString bankFile;
};

TEST_F(MenuFixture, MenuTreeCarriesItsTextsAndShortcutsInTheWindowsFont)
{
    startBareWindow();
    QStringList titles;
    for (const QAction* action : window->getMenuBar()->actions()) {
        titles.append(action->text());
    }
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&Help"}));
    const auto entries = [&](int index) {
        QStringList texts;
        for (const QAction* action : menu(index)->actions()) {
            texts.append(describe(action));
        }
        return texts;
    };
    EXPECT_EQ(entries(0),
              (QStringList{"&New [Ctrl+N]", "&Open... [Ctrl+O]", "&Save [Ctrl+S]", "Save &As...",
                           "&Import Template... [Ctrl+I]", "---", "Set&up", "&QPXi Database {&Full Scan, &Update}"}));
    EXPECT_EQ(entries(1),
              (QStringList{"&Copy [Ctrl+C]", "&Paste [Ctrl+V]", "---", "Initialize Template", "Reset to Stored Data",
                           "Reset to Original Data at Startup", "Reset to Factory Settings"}));
    EXPECT_EQ(entries(2), (QStringList{"&Manual [F1]", "&About"}));
    for (int index : {0, 1, 2}) {
        EXPECT_EQ(menu(index)->font(), window->font());
    }

    // The two menus as they drop from the menu bar.
    for (const auto& [index, name] : {std::pair{0, "menu-File"}, std::pair{1, "menu-Edit"}}) {
        QMenu* dropped = menu(index);
        const QRect title = window->getMenuBar()->actionGeometry(window->getMenuBar()->actions().at(index));
        dropped->popup(window->getMenuBar()->mapToGlobal(title.bottomLeft()));
        ASSERT_TRUE(kwtest::processUntil([&] { return dropped->isVisible(); })) << "the menu did not drop down";
        kwtest::saveAppScreenshotWithPopup(window.get(), dropped, QString::fromLatin1(name));
        dropped->close();
    }
}

TEST_F(MenuFixture, TemplateViewEntriesFollowTheClipboardTheOnlineStateTheEditsAndTheReceivedBanks)
{
    QGuiApplication::clipboard()->clear();
    startBareWindow();
    // In the template view Save, Save As, Copy and Initialize Template are there; Paste waits for a knob on the
    // clipboard.
    EXPECT_EQ(enabledEntries(),
              (QStringList{"New", "Open...", "Save", "Save As...", "Setup", "Copy", "Initialize Template",
                           "Reset to Stored Data", "Reset to Factory Settings"}));
    QGuiApplication::clipboard()->setText(QStringLiteral("knobA1"));
    EXPECT_FALSE(enabledEntries().contains(QStringLiteral("Paste"))) << "text is no knob";
    window->getTemplateEditor()->copyKnob();
    EXPECT_TRUE(kwtest::processUntil([&] { return enabledEntries().contains(QStringLiteral("Paste")); }))
        << "a copied knob did not enable Paste";
    EXPECT_FALSE(window->canQpxiscan()) << "no DAW is chosen";
    EXPECT_FALSE(window->canImport());
    EXPECT_FALSE(window->canNewBank());
    EXPECT_FALSE(window->canDeleteBank());

    memApi->setONLINEstate(1);
    ASSERT_TRUE(kwtest::processUntil([&] {
        return !enabledEntries().contains(QStringLiteral("Reset to Stored Data"));
    })) << "online and unedited, there is nothing to reset to";
    setValue(kBankEditFlag, 1);
    ASSERT_TRUE(
        kwtest::processUntil([&] { return enabledEntries().contains(QStringLiteral("Reset to Stored Data")); }))
        << "an edited bank did not offer its reset";

    memApi->setBankAvailableFlag(1, 2);
    window->updatesMenuEnabled();
    EXPECT_FALSE(enabledEntries().contains(QStringLiteral("Reset to Original Data at Startup")))
        << "only once both received banks are there";
    memApi->setBankAvailableFlag(1, 3);
    window->updatesMenuEnabled();
    EXPECT_TRUE(enabledEntries().contains(QStringLiteral("Reset to Original Data at Startup")));

    // Save As writes a bank file of its own only while there are fewer than 128 banks.
    ASSERT_NO_FATAL_FAILURE(makeBanksUpToTheLimit());
    window->updatesMenuEnabled();
    EXPECT_TRUE(enabledEntries().contains(QStringLiteral("Save")));
    EXPECT_FALSE(enabledEntries().contains(QStringLiteral("Save As...")));
}

// The library view as the user meets it: a DAW is chosen, so the template view offers its database; the
// library view offers none of the file commands but Import Template, whether or not a bank file is loaded;
// Copy and Initialize Template need the template list selected, Paste also a template on the clipboard;
// the resets ask what they ask in the template view.
TEST_F(MenuFixture, LibraryViewEnablesItsEntriesByTheSelectedListTheClipboardAndTheSynthesizersState)
{
    kwtest::PluginMachine machine;
    machine.installFinder();
    machine.installDAW(kDAW, kDAW);
    QPXiMachine places;
    places.root = machine.root();
    places.home = machine.home();
    EditorMainWindow::setPluginPlaces(EditorMainWindow::PluginPlaces{places, machine.finderFolder()});
    settings().setValue(QStringLiteral("DAWName"), OtherDAW);
    settings().sync();
    QGuiApplication::clipboard()->clear();
    startBareWindow();
    activate();
    window->setDAWName(kDAW);
    QPointer<QWidget> scan = window->analyzeQPXiPanel();
    ASSERT_TRUE(kwtest::processUntil([&] { return scan.isNull(); }, 60s)) << "the scan did not finish";

    window->getTemplateEditor()->copyKnob();
    expectEnabled({"New", "Open...", "Save", "Save As...", "Setup", "QPXi Database", "Copy", "Paste",
                   "Initialize Template", "Reset to Stored Data", "Reset to Factory Settings"},
                  "template view, a knob on the clipboard");

    window->viewLibrary();
    EditorLibrary* library = window->getLibraryEditor();
    expectEnabled(
        {"Import Template...", "Copy", "Initialize Template", "Reset to Stored Data", "Reset to Factory Settings"},
        "library view, a knob on the clipboard");
    trigger(QStringLiteral("Copy"));
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(
        QStringLiteral("application/x-telvor-zelk-remote-template")));
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Stored Data",
                   "Reset to Factory Settings"},
                  "a template on the clipboard");
    QGuiApplication::clipboard()->setText(QStringLiteral("knobA1"));
    expectEnabled(
        {"Import Template...", "Copy", "Initialize Template", "Reset to Stored Data", "Reset to Factory Settings"},
        "text on the clipboard");
    trigger(QStringLiteral("Copy"));
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Stored Data",
                   "Reset to Factory Settings"},
                  "a template on the clipboard again");

    fileAnswer = bankFile;
    trigger(QStringLiteral("Import Template..."));
    ASSERT_TRUE(library->isImportLoaded());
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Stored Data",
                   "Reset to Factory Settings"},
                  "a bank file loaded for import");
    QTest::mouseClick(library->listImport, Qt::LeftButton, {}, library->listImport->getItemRect(1).center());
    expectEnabled({"Import Template...", "Reset to Stored Data", "Reset to Factory Settings"},
                  "the import list selected");
    QTest::mouseClick(library->listTemplate, Qt::LeftButton, {}, library->listTemplate->getItemRect(2).center());
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Stored Data",
                   "Reset to Factory Settings"},
                  "the template list selected again");

    memApi->setONLINEstate(1);
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Factory Settings"},
                  "online, the bank unedited");
    memApi->setBankAvailableFlag(1, 2);
    window->updatesMenuEnabled();
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Factory Settings"},
                  "one received bank");
    memApi->setBankAvailableFlag(1, 3);
    window->updatesMenuEnabled();
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Original Data at Startup",
                   "Reset to Factory Settings"},
                  "both received banks");
    setValue(kBankEditFlag, 1);
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Stored Data",
                   "Reset to Original Data at Startup", "Reset to Factory Settings"},
                  "online, the bank edited");

    // Importing and making banks wait for room among the banks; Import Template is the library's in any case.
    EXPECT_TRUE(window->canImport());
    EXPECT_TRUE(window->canNewBank());
    EXPECT_FALSE(window->canDeleteBank());
    ASSERT_NO_FATAL_FAILURE(makeBanksUpToTheLimit());
    window->updatesMenuEnabled();
    EXPECT_FALSE(window->canImport());
    EXPECT_FALSE(window->canNewBank());
    expectEnabled({"Import Template...", "Copy", "Paste", "Initialize Template", "Reset to Stored Data",
                   "Reset to Original Data at Startup", "Reset to Factory Settings"},
                  "no room for another bank");

    window->viewTemplate();
    expectEnabled({"New", "Open...", "Save", "Setup", "QPXi Database", "Copy", "Initialize Template",
                   "Reset to Stored Data", "Reset to Original Data at Startup", "Reset to Factory Settings"},
                  "template view, a template on the clipboard, no room for a bank");
}

TEST_F(MenuFixture, ViewSwitchesCarryTheWorkingBankIntoTheLibraryAndTheLibraryViewRefusesFileCommands)
{
    startBareWindow();
    memApi->setParam(templateName(0, 4), QStringLiteral("Working"));
    setValue(kCurrentTemplate, 4);

    window->viewLibrary();
    EXPECT_EQ(window->getView(), 1);
    EXPECT_EQ(window->viewMainStack->currentWidget(), window->getLibraryEditor());
    EXPECT_EQ(memApi->getParamQString(templateName(5, 4)), QStringLiteral("Working")) << "the library bank is a copy";
    window->fileNew();
    EXPECT_EQ(memApi->getParamQString(templateName(0, 4)), QStringLiteral("Working"));
    EXPECT_FALSE(window->fileSaveBank());
    EXPECT_FALSE(window->fileSaveBankAs());
    window->applicationFileOpen(bankFile);
    QCoreApplication::processEvents();
    EXPECT_TRUE(memApi->getParamQString(kFileName).isEmpty()) << "a file dropped on the library view is dropped";

    window->viewTemplate();
    EXPECT_EQ(window->getView(), 0);
    EXPECT_EQ(window->viewMainStack->currentWidget(), window->getTemplateEditor());

    // The store question and the reset questions appear only while no panel holds the window.
    window->portNotFound();
    window->viewStore();
    QMetaObject::invokeMethod(window.get(), "editResetFactory");
    QMetaObject::invokeMethod(window.get(), "fileSetup");
    EXPECT_EQ(window->findChild<StoreConfirm*>(), nullptr);
    EXPECT_EQ(window->findChild<FactorysetConfirm*>(), nullptr);
    EXPECT_EQ(window->setupPanel(), nullptr);
    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    QMetaObject::invokeMethod(window.get(), "fileSetup");
    EXPECT_NE(window->setupPanel(), nullptr);
}

TEST_F(MenuFixture, NewAndOpenGoThroughTheDialogsAndTakeAnOnlineEditorBackToAutoSync)
{
    startQuietSynth();
    startWindow(false);
    ASSERT_TRUE(window->isRouteOpen());

    // Open asks with the system's dialog in the working folder for the two file kinds.
    fileAnswer = bankFile;
    EXPECT_TRUE(window->fileOpen());
    ASSERT_EQ(fileRequests.size(), 1);
    EXPECT_EQ(fileRequests.at(0).caption, QStringLiteral("Open"));
    EXPECT_EQ(fileRequests.at(0).filter, QStringLiteral("Q9E Files (*.Q9E);;Q8E Files (*.Q8E)"));
    EXPECT_FALSE(fileRequests.at(0).save);
    EXPECT_EQ(memApi->getParamQString(templateName(1, 0)), QStringLiteral("Preset 01"));
    EXPECT_EQ(memApi->getParamQString(kFileName), bankFile);
    EXPECT_EQ(value(kFileEditFlag), 0);
    EXPECT_EQ(settings().value(QStringLiteral("WorkingFolder")).toString(), folder.path());
    EXPECT_EQ(window->autoSyncPanel(), nullptr) << "offline, opening a file asks for no exchange";
    EXPECT_FALSE(memApi->isStoreToFlashSending()) << "offline, an opened file is not stored to flash";

    fileAnswer.clear();
    EXPECT_FALSE(window->fileOpen()) << "no file chosen";
    EXPECT_EQ(fileRequests.size(), 2);
    EXPECT_EQ(fileRequests.at(1).folder, folder.path());

    // A broken file is refused with the loader's reason; a missing one without a word.
    const QString broken = folder.filePath(QStringLiteral("broken.Q9E"));
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a bank");
    }
    fileAnswer = broken;
    EXPECT_FALSE(window->fileOpen());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.at(0).icon, QMessageBox::Critical);
    EXPECT_EQ(messages.at(0).title, QStringLiteral("Knobwright"));
    EXPECT_FALSE(messages.at(0).text.isEmpty());
    fileAnswer = folder.filePath(QStringLiteral("gone.Q9E"));
    EXPECT_FALSE(window->fileOpen());
    EXPECT_EQ(messages.size(), 1);

    // Online, a loaded file goes to the synthesizer: offline, then auto-sync sending the whole memory.
    memApi->setONLINEstate(1);
    fileAnswer = bankFile;
    EXPECT_TRUE(window->fileOpen());
    EXPECT_FALSE(memApi->isONLINE());
    ASSERT_NE(window->autoSyncPanel(), nullptr);
    EXPECT_TRUE(window->autoSyncPanel()->property("sendAfterReceive").toBool());
    EXPECT_FALSE(window->autoSyncPanel()->property("editBufferOnly").toBool());
    EXPECT_TRUE(memApi->isStoreToFlashSending()) << "online, an opened file is stored to flash after it is sent";
    // The factory bank holds its templates in the edit buffer too: the view shows them, and they are sent.
    EXPECT_EQ(window->getTemplateEditor()->editTemplateName->text(), QStringLiteral("Preset 01"));
    EXPECT_EQ(memApi->getParamQString(templateName(0, 48)), QStringLiteral("Preset 49"));
    EXPECT_EQ(memApi->getParamQString(ParamAddress(0, 1, 0, ParamAddress::kDisplayNameParam)), QStringLiteral("CC 12"));
    ASSERT_TRUE(closePanel(window->autoSyncPanel()));

    // New: empty templates, template 0 current, no file name; online it sends the edit buffer.
    memApi->setParam(templateName(0, 3), QStringLiteral("Edited"));
    setValue(kCurrentTemplate, 7);
    setValue(kFileEditFlag, 0);
    memApi->setONLINEstate(1);
    window->fileNew();
    EXPECT_NE(memApi->getParamQString(templateName(0, 3)), QStringLiteral("Edited"));
    EXPECT_EQ(value(kCurrentTemplate), 0);
    EXPECT_TRUE(memApi->getParamQString(kFileName).isEmpty());
    EXPECT_EQ(value(kFileEditFlag), 0);
    EXPECT_FALSE(memApi->isONLINE());
    ASSERT_NE(window->autoSyncPanel(), nullptr);
    EXPECT_TRUE(window->autoSyncPanel()->property("sendAfterReceive").toBool());
    EXPECT_TRUE(window->autoSyncPanel()->property("editBufferOnly").toBool());
    EXPECT_TRUE(memApi->isStorePending());

    // Without a file, Save asks for one as Save As does; a cancelled dialog saves nothing.
    fileAnswer.clear();
    const qsizetype asked = fileRequests.size();
    EXPECT_FALSE(window->fileSaveBank());
    EXPECT_FALSE(window->fileSaveBankAs());
    ASSERT_EQ(fileRequests.size(), asked + 2);
    EXPECT_EQ(fileRequests.last().caption, QStringLiteral("Save As"));
}

TEST_F(MenuFixture, SaveChangesQuestionBeforeNewAndOpenAnswersYesNoAndCancel)
{
    startBareWindow();
    const auto edit = [&] {
        memApi->setParam(templateName(0, 3), QStringLiteral("Edited"));
        setValue(kFileEditFlag, 1);
    };
    const auto edited = [&] { return memApi->getParamQString(templateName(0, 3)) == QStringLiteral("Edited"); };

    // New: Cancel and a Yes whose save fails keep the edits; No starts the new file.
    for (const QString& key : {QStringLiteral("Escape"), QStringLiteral("Y")}) {
        SCOPED_TRACE(key.toStdString());
        edit();
        window->fileNew();
        ASSERT_NE(question(), nullptr);
        EXPECT_EQ(question()->nextAction(), CloseConfirm::FileNew);
        answer(key);
        EXPECT_TRUE(edited());
        EXPECT_EQ(value(kFileEditFlag), 1);
    }
    window->fileNew();
    answer(QStringLiteral("N"));
    EXPECT_FALSE(edited());
    EXPECT_EQ(value(kFileEditFlag), 0);

    // A dropped file: Cancel and a failed Yes drop it, so a later Open asks for a file again.
    for (const QString& key : {QStringLiteral("Escape"), QStringLiteral("Y")}) {
        SCOPED_TRACE(key.toStdString());
        edit();
        window->applicationFileOpen(bankFile);
        ASSERT_TRUE(kwtest::processUntil([&] { return question() != nullptr; })) << "no save question";
        EXPECT_EQ(question()->nextAction(), CloseConfirm::FileOpen);
        answer(key);
        EXPECT_TRUE(edited());
        EXPECT_TRUE(memApi->getParamQString(kFileName).isEmpty());

        const qsizetype asked = fileRequests.size();
        EXPECT_FALSE(window->fileOpen());
        answer(QStringLiteral("N"));
        EXPECT_EQ(fileRequests.size(), asked + 1) << "the dropped file must not be opened without asking";
        EXPECT_TRUE(memApi->getParamQString(kFileName).isEmpty());
    }

    // No: the dropped file is loaded once the question is gone, and the edit flag ends at 0.
    edit();
    window->applicationFileOpen(bankFile);
    ASSERT_TRUE(kwtest::processUntil([&] { return question() != nullptr; })) << "no save question";
    const qsizetype asked = fileRequests.size();
    answer(QStringLiteral("N"));
    ASSERT_TRUE(kwtest::processUntil([&] { return memApi->getParamQString(kFileName) == bankFile; }))
        << "the dropped file was not loaded";
    EXPECT_EQ(fileRequests.size(), asked);
    EXPECT_EQ(value(kFileEditFlag), 0);
    EXPECT_EQ(memApi->getParamQString(templateName(1, 0)), QStringLiteral("Preset 01"));
}

TEST_F(MenuFixture, FileAskedForWhileAPanelHoldsTheWindowOpensOnceAfterItIsGone)
{
    startWindow(false);
    ASSERT_NE(window->portNotFoundPanel(), nullptr);
    QSignalSpy requests(window.get(), &EditorMainWindow::fileOpenRequest);
    window->applicationFileOpen(bankFile);
    for (int turn = 0; turn < 100; ++turn) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(requests.size(), 1) << "a waiting request is not re-posted on every turn of the event loop";
    EXPECT_TRUE(memApi->getParamQString(kFileName).isEmpty());

    ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
    ASSERT_TRUE(kwtest::processUntil([&] { return memApi->getParamQString(kFileName) == bankFile; }))
        << "the waiting file was not opened";
    for (int turn = 0; turn < 100; ++turn) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(requests.size(), 2) << "asked once more when the window became free, then no more";
    EXPECT_TRUE(messages.isEmpty());
}
