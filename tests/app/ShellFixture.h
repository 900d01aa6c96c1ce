#pragma once

// The simulated synthesizer names a member after a word that Qt's headers define as a macro: it comes first.
#include "SimSynthMidi.h"

#include "AppTestSupport.h"
#include "CApplication.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"
#include "RemoteMemAPI.h"

#include <QEvent>
#include <QList>
#include <QSettings>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

// Calls a function with the object that receives an event of one type, before the object handles it. Set on
// the application, it hears of every object.
class EventHook : public QObject
{
public:
    EventHook(QObject* watched, QEvent::Type type, std::function<void(QObject*)> function)
        : type(type), function(std::move(function))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (event->type() == type) {
            function(receiver);
        }
        return false;
    }

private:
    QEvent::Type type;
    std::function<void(QObject*)> function;
};

// A main window over its own remote memory, with the simulated synthesizer on in-process MIDI ports when a
// test asks for it; message boxes and file dialogs are answered here and recorded.
class ShellFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        settings().clear();
        settings().sync();
        ShellDialogs::setMessageAnswer([this](const ShellDialogs::MessageRequest& request) {
            messages.append(request);
            onTopDuringDialog.append(window && window->isOnTop());
            return messageAnswer;
        });
        ShellDialogs::setFileAnswer([this](const ShellDialogs::FileRequest& request) {
            fileRequests.append(request);
            onTopDuringDialog.append(window && window->isOnTop());
            return fileAnswer;
        });
    }

    void TearDown() override
    {
        stopWindow();
        synth.reset();
        ShellDialogs::setMessageAnswer({});
        ShellDialogs::setFileAnswer({});
    }

    static QSettings settings()
    {
        return QSettings(QSettings::UserScope, QStringLiteral("Telvor"), QStringLiteral("Knobwright"));
    }

    void startSynth(zelksim::SynthOptions options = {}, const std::string& device = zelksim::kDefaultDeviceName)
    {
        std::string error;
        synth = zelksim::SynthMidi::create(kwmidi::Client::acquire(), options, device, &error);
        ASSERT_TRUE(synth) << error;
    }

    // The simulated synthesizer without active sensing: nothing starts auto-sync by itself.
    void startQuietSynth()
    {
        zelksim::SynthOptions quiet;
        quiet.senseInterval = 0;
        startSynth(quiet);
    }

    void startWindow(bool autoSyncAtStart = true)
    {
        memApi = std::make_unique<RemoteMemAPI>();
        window = std::make_unique<EditorMainWindow>(memApi.get(), autoSyncAtStart);
        window->show();
        window->updateWindowStaysOnTop();
        g_pEditorMainWindow = window.get();
    }

    void stopWindow()
    {
        g_pEditorMainWindow = nullptr;
        window.reset();
        memApi.reset();
    }

    // Closes the panel as its buttons do and waits until it is gone (its deletion releases the lock).
    static bool closePanel(QWidget* panel)
    {
        if (panel == nullptr) {
            return false;
        }
        QPointer<QWidget> guard(panel);
        panel->close();
        return kwtest::processUntil([&] { return guard.isNull(); });
    }

    // The auto-sync panels shown so far, as each was when it appeared. A panel can open, run its whole
    // exchange and close inside one pass of the event loop (the synthesizer's answers arrive while that
    // pass still runs), between two looks of a wait for it: it is recorded all the same.
    struct AutoSyncShown
    {
        bool sendAfterReceive = false;
        bool editBufferOnly = false;
        bool fileOpeningWaits = false;
    };
    QList<AutoSyncShown> shownAutoSyncs;
    int autoSyncsShown() const { return static_cast<int>(shownAutoSyncs.size()); }

    std::unique_ptr<zelksim::SynthMidi> synth;
    std::unique_ptr<RemoteMemAPI> memApi;
    std::unique_ptr<EditorMainWindow> window;
    QList<ShellDialogs::MessageRequest> messages;
    QList<ShellDialogs::FileRequest> fileRequests;
    QList<bool> onTopDuringDialog;
    QMessageBox::StandardButton messageAnswer = QMessageBox::Ok;
    QString fileAnswer;

private:
    EventHook autoSyncHook{QCoreApplication::instance(), QEvent::Show, [this](QObject* shown) {
                               if (shown->inherits("AutoSync")) {
                                   shownAutoSyncs.append({shown->property("sendAfterReceive").toBool(),
                                                          shown->property("editBufferOnly").toBool(),
                                                          memApi && memApi->needToWaitAutoSyncDone()});
                               }
                           }};
};
