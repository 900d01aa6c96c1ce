#include "PanelFixture.h"

#include "COnOffButton.h"
#include "CText.h"
#include "ConfirmPanels.h"
#include "ParamAddress.h"

#include <QMenuBar>

#include <functional>
#include <optional>

namespace {

const QRect kCloseButton(68, 95, 15, 15);
QRect actionButton(int x)
{
    return QRect(x, 287, 51, 15);
}

// One kind of panel: how to make it and what its form must show.
struct PanelCase
{
    QString name;
    std::function<EditorOverlap*(EditorMainWindow*)> make;
    std::optional<QString> message;
    QList<QPair<QString, QRect>> buttons;
    bool escapeAnimates = true;
};

QList<PanelCase> panelCases()
{
    return {
        {QStringLiteral("About"),
         [](EditorMainWindow* w) { return new About(w); },
         std::nullopt,
         {{QStringLiteral("btnClose"), kCloseButton}}},
        {QStringLiteral("CloseConfirm"),
         [](EditorMainWindow* w) { return new CloseConfirm(w, CloseConfirm::CloseMainWindow); },
         QStringLiteral(" Save changes?"),
         {{QStringLiteral("btnClose"), kCloseButton},
          {QStringLiteral("btnYes"), actionButton(194)},
          {QStringLiteral("btnNo"), actionButton(249)},
          {QStringLiteral("btnCancel"), actionButton(304)}}},
        {QStringLiteral("PortOpenError"),
         [](EditorMainWindow* w) { return new PortOpenError(w, QStringLiteral("Telvor ZELK6/ZELK8 Stage")); },
         QStringLiteral("Telvor ZELK6/ZELK8 Stage"),
         {{QStringLiteral("btnOK"), actionButton(304)}},
         false},
        {QStringLiteral("PortNotFound"),
         [](EditorMainWindow* w) { return new PortNotFound(w); },
         QStringLiteral(" MIDI port is not found."),
         {{QStringLiteral("btnOK"), actionButton(304)}}},
        {QStringLiteral("ResetStoredConfirm"),
         [](EditorMainWindow* w) { return new ResetStoredConfirm(w); },
         std::nullopt,
         {{QStringLiteral("btnOK"), actionButton(249)}, {QStringLiteral("btnCancel"), actionButton(304)}}},
        {QStringLiteral("FactorysetConfirm"),
         [](EditorMainWindow* w) { return new FactorysetConfirm(w); },
         std::nullopt,
         {{QStringLiteral("btnOK"), actionButton(249)}, {QStringLiteral("btnCancel"), actionButton(304)}}},
        {QStringLiteral("RestoreHWConfirm"),
         [](EditorMainWindow* w) { return new RestoreHWConfirm(w); },
         std::nullopt,
         {{QStringLiteral("btnOK"), actionButton(249)}, {QStringLiteral("btnCancel"), actionButton(304)}}},
        {QStringLiteral("ExitAnywayConfirm"),
         [](EditorMainWindow* w) { return new ExitAnywayConfirm(w); },
         QStringLiteral("Unsaved changes. Exit anyway?"),
         {{QStringLiteral("btnClose"), kCloseButton},
          {QStringLiteral("btnYes"), actionButton(249)},
          {QStringLiteral("btnNo"), actionButton(304)}}},
        {QStringLiteral("StoreConfirm"),
         [](EditorMainWindow* w) { return new StoreConfirm(w); },
         QStringLiteral("Are you sure?"),
         {{QStringLiteral("btnClose"), kCloseButton},
          {QStringLiteral("btnYes"), actionButton(249)},
          {QStringLiteral("btnNo"), actionButton(304)}}},
    };
}

long flag(RemoteMemAPI& memApi, int bank)
{
    return memApi.getParam(ParamAddress(bank, -1, -1, -1)).getCurrentValue();
}

void setFlag(RemoteMemAPI& memApi, int bank, long value)
{
    memApi.setParam(ParamAddress(bank, -1, -1, -1), value);
}

constexpr int kFileEditFlagBank = ParamAddress::kFileEditFlagBank;
constexpr int kLibraryEditFlagBank = -5;

} // namespace

// An edited bank and the window's question before it closes.
class CloseQuestionFixture : public PanelFixture
{
protected:
    CloseConfirm* askBeforeClosing()
    {
        startBareWindow();
        activate();
        setFlag(*memApi, kFileEditFlagBank, 1);
        window->closeConfirm(CloseConfirm::CloseMainWindow);
        return window->findChild<CloseConfirm*>();
    }
};

TEST_F(PanelFixture, EachPanelHoldsTheLockShowsItsFormAndClosesOnEscape)
{
    startBareWindow();
    activate();
    for (const PanelCase& c : panelCases()) {
        SCOPED_TRACE(c.name.toStdString());
        QPointer<QWidget> panel = place(c.make(window.get()));
        EXPECT_EQ(window->getLockCount(), 1);
        EXPECT_FALSE(window->getMenuBar()->isEnabled());
        EXPECT_EQ(panel->parentWidget(), window.get());
        EXPECT_EQ(panel->geometry(), QRect(EditorViewPos, QSize(442, 419)));
        EXPECT_FALSE(static_cast<CFrame*>(panel.data())->backgroundPixmap().isNull());
        for (const auto& [name, rect] : c.buttons) {
            auto* button = panel->findChild<COnOffButton*>(name);
            ASSERT_NE(button, nullptr) << name.toStdString();
            EXPECT_EQ(button->geometry(), rect) << name.toStdString();
            EXPECT_FALSE(button->combinedImage().isNull()) << name.toStdString();
        }
        auto* message = panel->findChild<CText*>(QStringLiteral("txtMessage"));
        ASSERT_EQ(message != nullptr, c.message.has_value());
        if (message != nullptr) {
            EXPECT_EQ(message->text(), *c.message);
            EXPECT_EQ(message->alignment(), Qt::AlignCenter);
            EXPECT_EQ(message->palette().color(QPalette::Active, QPalette::Text), QColor(152, 152, 152));
            EXPECT_EQ(message->palette().color(QPalette::Disabled, QPalette::Text), QColor(179, 179, 179));
        }
        kwtest::saveAppScreenshot(window.get(), QStringLiteral("panel-") + c.name);

        press(panel, QStringLiteral("Escape"));
        if (!c.escapeAnimates) {
            EXPECT_FALSE(panel.isNull() || panel->isVisible()) << "Escape closes this panel at once";
        } else {
            EXPECT_TRUE(!panel.isNull() && panel->isVisible()) << "the button shows pressed before it acts";
        }
        ASSERT_TRUE(gone(panel)) << "Escape did not close the panel";
        EXPECT_EQ(window->getLockCount(), 0);
        EXPECT_TRUE(window->getMenuBar()->isEnabled());
    }
}

TEST_F(PanelFixture, AboutNamesTheEditorAndItsVersion)
{
    startBareWindow();
    auto* about = place(new About(window.get()));
    EXPECT_EQ(about->txtEditorNameAndVersion->text(), QStringLiteral("Knobwright Ver.1.0.2"));
    EXPECT_FALSE(about->txtCopyright->text().isEmpty());
    EXPECT_EQ(about->txtEditorNameAndVersion->geometry(), QRect(69, 210, 304, 16));
    EXPECT_EQ(about->txtRights->geometry(), QRect(69, 244, 304, 16));
    QPointer<QWidget> guard(about);
    QTest::mouseClick(about->btnClose, Qt::LeftButton);
    EXPECT_TRUE(gone(guard));
}

TEST_F(PanelFixture, NestedPanelsGiveTheMenuBarBackOnlyWhenTheLastIsGone)
{
    startBareWindow();
    QPointer<QWidget> first = place(new PortNotFound(window.get()));
    QPointer<QWidget> second = place(new About(window.get()));
    EXPECT_EQ(window->getLockCount(), 2);
    ASSERT_TRUE(closePanel(second));
    EXPECT_EQ(window->getLockCount(), 1);
    EXPECT_FALSE(window->getMenuBar()->isEnabled());
    ASSERT_TRUE(closePanel(first));
    EXPECT_EQ(window->getLockCount(), 0);
    EXPECT_TRUE(window->getMenuBar()->isEnabled());
}

TEST_F(CloseQuestionFixture, HoldsTheWindowOpenUntilCancelled)
{
    CloseConfirm* panel = askBeforeClosing();
    ASSERT_NE(panel, nullptr);
    QPointer<QWidget> guard(panel);
    EXPECT_TRUE(panel->isCloseLocked());
    EXPECT_FALSE(window->btnWindowClose->isVisible()) << "the window's close button hides while asking";

    EXPECT_FALSE(static_cast<QWidget*>(panel)->close()) << "the panel refuses to close while it asks";
    EXPECT_FALSE(window->close()) << "the window stays while the question is open";
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(window->isVisible());

    press(panel, QStringLiteral("Escape"));
    ASSERT_TRUE(gone(guard));
    EXPECT_TRUE(window->btnWindowClose->isVisible());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(flag(*memApi, kFileEditFlagBank), 1) << "cancelling changes nothing";
}

TEST_F(CloseQuestionFixture, AnsweredNoClosesTheWindowWithoutSaving)
{
    CloseConfirm* panel = askBeforeClosing();
    ASSERT_NE(panel, nullptr);
    QPointer<QWidget> guard(panel);
    press(panel, QStringLiteral("N"));
    ASSERT_TRUE(gone(guard));
    EXPECT_EQ(flag(*memApi, kFileEditFlagBank), 0);
    EXPECT_FALSE(window->isVisible()) << "the window closed";
    EXPECT_TRUE(window->isClosing());
}

TEST_F(PanelFixture, CloseQuestionWhoseSaveFailsDropsTheWaitingAction)
{
    startBareWindow();
    activate();
    setFlag(*memApi, kFileEditFlagBank, 1);
    for (const QString& key : {QStringLiteral("Return"), QStringLiteral("Enter"), QStringLiteral("Y")}) {
        SCOPED_TRACE(key.toStdString());
        window->closeConfirm(CloseConfirm::CloseMainWindow);
        auto* panel = window->findChild<CloseConfirm*>();
        ASSERT_NE(panel, nullptr);
        QPointer<QWidget> guard(panel);
        // An unnamed file that is not saved: the window must stay, with its edits.
        press(panel, key);
        ASSERT_TRUE(gone(guard));
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->btnWindowClose->isVisible());
        EXPECT_EQ(flag(*memApi, kFileEditFlagBank), 1);
    }
}

TEST_F(PanelFixture, CloseQuestionBeforeANewFileStartsItWhenAnsweredNo)
{
    startBareWindow();
    activate();
    setFlag(*memApi, kFileEditFlagBank, 1);
    memApi->setParam(ParamAddress(0, 3, ParamAddress::kTemplateNameController, -1), QStringLiteral("Edited"));
    auto* panel = place(new CloseConfirm(window.get(), CloseConfirm::FileNew));
    QPointer<QWidget> guard(panel);
    QTest::mouseClick(panel->btnNo, Qt::LeftButton);
    ASSERT_TRUE(gone(guard));
    EXPECT_EQ(flag(*memApi, kFileEditFlagBank), 0);
    EXPECT_NE(memApi->getParamQString(ParamAddress(0, 3, ParamAddress::kTemplateNameController, -1)),
              QStringLiteral("Edited"))
        << "the new file starts from empty templates";
    EXPECT_TRUE(window->isVisible());
}

TEST_F(PanelFixture, ExitAnywayDropsBothEditFlagsAndClosesOnYesOnly)
{
    startBareWindow();
    activate();
    setFlag(*memApi, kFileEditFlagBank, 1);
    setFlag(*memApi, kLibraryEditFlagBank, 1);

    auto* panel = place(new ExitAnywayConfirm(window.get()));
    QPointer<QWidget> guard(panel);
    press(panel, QStringLiteral("N"));
    ASSERT_TRUE(gone(guard));
    EXPECT_EQ(flag(*memApi, kFileEditFlagBank), 1);
    EXPECT_EQ(flag(*memApi, kLibraryEditFlagBank), 1);
    EXPECT_TRUE(window->isVisible());

    panel = place(new ExitAnywayConfirm(window.get()));
    guard = panel;
    press(panel, QStringLiteral("Y"));
    ASSERT_TRUE(gone(guard));
    EXPECT_EQ(flag(*memApi, kFileEditFlagBank), 0);
    EXPECT_EQ(flag(*memApi, kLibraryEditFlagBank), 0);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(PanelFixture, StoreQuestionStoresAndTellsTheSynthesizerOnYesOnly)
{
    startQuietSynth();
    startWindow(false);
    ASSERT_TRUE(window->isRouteOpen());
    activate();
    const auto stores = [&] {
        return synth->withCore([](zelksim::SynthCore& core, zelksim::Millis) { return core.stats().stores; });
    };
    memApi->setParam(ParamAddress(0, 5, ParamAddress::kTemplateNameController, -1), QStringLiteral("To Store"));

    for (const QString& key : {QStringLiteral("N"), QStringLiteral("Escape")}) {
        QPointer<QWidget> panel = place(new StoreConfirm(window.get()));
        press(panel, key);
        ASSERT_TRUE(gone(panel)) << key.toStdString();
    }
    EXPECT_NE(memApi->getParamQString(ParamAddress(1, 5, ParamAddress::kTemplateNameController, -1)),
              QStringLiteral("To Store"));

    window->viewStore();
    auto* panel = window->findChild<StoreConfirm*>();
    ASSERT_NE(panel, nullptr);
    QPointer<QWidget> guard(panel);
    press(panel, QStringLiteral("Y"));
    ASSERT_TRUE(gone(guard));
    EXPECT_EQ(memApi->getParamQString(ParamAddress(1, 5, ParamAddress::kTemplateNameController, -1)),
              QStringLiteral("To Store"));
    EXPECT_TRUE(kwtest::processUntil([&] { return stores() == 1; })) << "the synthesizer was not told to store";
}

TEST_F(PanelFixture, PortPanelsAnswerOnlyTheirOwnKeys)
{
    startBareWindow();
    activate();
    QPointer<QWidget> error = place(new PortOpenError(window.get(), QStringLiteral(" odd  name ")));
    EXPECT_EQ(static_cast<PortOpenError*>(error.data())->txtMessage->text(), QStringLiteral(" odd  name "));
    press(error, QStringLiteral("Return"));
    press(error, QStringLiteral("Enter"));
    QTest::qWait(200);
    EXPECT_TRUE(!error.isNull() && error->isVisible()) << "only Escape or OK closes the port error";
    QTest::mouseClick(static_cast<PortOpenError*>(error.data())->btnOK, Qt::LeftButton);
    ASSERT_TRUE(gone(error));

    for (const QString& key : {QStringLiteral("Return"), QStringLiteral("Enter")}) {
        QPointer<QWidget> notFound = place(new PortNotFound(window.get()));
        press(notFound, key);
        ASSERT_TRUE(gone(notFound)) << key.toStdString();
    }
}

TEST_F(PanelFixture, ResetQuestionsHideWithinTheClickOfOk)
{
    startBareWindow();
    activate();
    const QList<std::function<EditorOverlap*()>> makers = {
        [&] { return new ResetStoredConfirm(window.get()); },
        [&] { return new FactorysetConfirm(window.get()); },
        [&] { return new RestoreHWConfirm(window.get()); },
    };
    for (const auto& make : makers) {
        for (const QString& key : {QStringLiteral("Return"), QStringLiteral("Enter")}) {
            QPointer<QWidget> panel = place(make());
            SCOPED_TRACE(panel->metaObject()->className());
            bool hiddenInTheClick = false;
            // The reset runs in the same click, after the form has hidden the panel.
            QObject::connect(static_cast<QAbstractButton*>(panel->findChild<COnOffButton*>(QStringLiteral("btnOK"))),
                             &QAbstractButton::clicked, panel, [&, panel] { hiddenInTheClick = !panel->isVisible(); });
            press(panel, key);
            ASSERT_TRUE(gone(panel)) << key.toStdString();
            EXPECT_TRUE(hiddenInTheClick);
        }
    }
}

TEST_F(PanelFixture, DisabledShortcutsLeaveThePanelOpen)
{
    startBareWindow();
    activate();
    auto* panel = place(new PortNotFound(window.get()));
    QPointer<QWidget> guard(panel);
    ASSERT_EQ(panel->shortcuts().size(), 3);
    QMetaObject::invokeMethod(panel, "disableShortcut");
    press(panel, QStringLiteral("Escape"));
    QTest::qWait(200);
    EXPECT_FALSE(guard.isNull());
    QMetaObject::invokeMethod(panel, "enableShortcut");
    press(panel, QStringLiteral("Escape"));
    EXPECT_TRUE(gone(guard));
}
