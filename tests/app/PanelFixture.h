#pragma once

// First, before any header of Qt defines its keywords as macros.
#include "SimSynthMidi.h"

#include "AutoSync.h"
#include "ShellFixture.h"

#include <QApplication>
#include <QKeySequence>
#include <QPointer>
#include <QTest>

// The shell fixture with an active window (the panels' keys are window shortcuts) and short auto-sync
// time-outs unless a test chooses others.
class PanelFixture : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        AutoSync::setDefaultTimeouts({kTestReceiveMs, kTestSendMs});
    }

    void TearDown() override
    {
        ShellFixture::TearDown();
        AutoSync::setDefaultTimeouts({});
    }

    // The window with no panel of its own: without a synthesizer the start shows that no port was found.
    void startBareWindow()
    {
        startWindow(false);
        if (window->portNotFoundPanel() != nullptr) {
            ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
        }
        ASSERT_EQ(window->getLockCount(), 0);
    }

    void activate()
    {
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get())) << "the main window never became active";
    }

    // Types the keys ("Escape", "Return", "Y") into the panel as the user would.
    static void press(QWidget* panel, const QString& keys)
    {
        QTest::keySequence(panel, QKeySequence(keys, QKeySequence::PortableText));
    }

    // Places and shows a panel made here as the window's launchers do.
    template <typename Panel> static Panel* place(Panel* panel)
    {
        panel->setAttribute(Qt::WA_DeleteOnClose);
        panel->move(EditorViewPos);
        panel->raise();
        panel->show();
        return panel;
    }

    template <typename Panel>
    static bool gone(const QPointer<Panel>& panel, std::chrono::milliseconds deadline = std::chrono::seconds(5))
    {
        return kwtest::processUntil([&] { return panel.isNull(); }, deadline);
    }

    static constexpr int kTestReceiveMs = 8000;
    static constexpr int kTestSendMs = 8000;
};
