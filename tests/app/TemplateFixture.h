#pragma once

// First, before any header of Qt defines its keywords as macros.
#include "SimSynthMidi.h"

#include "EditorTemplate.h"
#include "PanelFixture.h"
#include "ParamAddress.h"
#include "PluginMachine.h"

#include <QAbstractEventDispatcher>
#include <QListWidget>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

// The main window with its template view. With a DAW, the computer is laid out in a temporary folder with
// one DAW whose scan finds the instrument "Fizzbox Deluxe" (the stand-in finder answers for it).
class TemplateFixture : public PanelFixture
{
protected:
    static constexpr const char* kDAW = "Sonvik 8";
    static constexpr const char* kInstrument = "Fizzbox Deluxe";
    // The template's name for it: no blanks, at most 12 characters.
    static constexpr const char* kInstrumentTemplateName = "FizzboxDelux";
    static constexpr const char* kCutoffId = "000000007";
    static constexpr const char* kLevelId = "000001069";

    void TearDown() override
    {
        PanelFixture::TearDown();
        EditorMainWindow::setPluginPlaces(std::nullopt);
    }

    // A computer with the DAW installed, its instrument plug-ins and the finder, the DAW the one the
    // settings name.
    void layOutDAW()
    {
        machine = std::make_unique<kwtest::PluginMachine>();
        machine->installDAW(kDAW, kDAW);
        machine->installFinder();
        machine->addPlugin(
            machine->userQpx3Folder(), "Fizzbox.qpx3",
            kwtest::finderResult({"1", kInstrument, "4", "7", "Cutoff", "1", "Filter", "8", "Resonance", "1", "Filter",
                                  "4201", "Level", "0", "9", "Drive", "2", "Amp", "Filter"}));
        for (const char* other : {"Basso Nova", "chime tree"}) {
            machine->addPlugin(machine->userQpx3Folder(), QString(other) + ".qpx3",
                               kwtest::finderResult({"1", other, "1", "1", "Gain", "0"}));
        }
        QPXiMachine places;
        places.root = machine->root();
        places.home = machine->home();
        EditorMainWindow::setPluginPlaces(EditorMainWindow::PluginPlaces{places, machine->finderFolder()});
        settings().setValue(QStringLiteral("DAWName"), QString::fromLatin1(kDAW));
        settings().sync();
    }

    // The window with nothing left in front of its view (a scan that the DAW asked for has finished).
    void startEditor(bool autoSyncAtStart = false)
    {
        startWindow(autoSyncAtStart);
        finishScan(window.get());
        if (window->portNotFoundPanel() != nullptr) {
            ASSERT_TRUE(closePanel(window->portNotFoundPanel()));
        }
    }

    // Waits until the scan a DAW asked for has run and its panel is gone (the views then know the DAW).
    static void finishScan(EditorMainWindow* editor)
    {
        QPointer<QWidget> scan = editor->analyzeQPXiPanel();
        ASSERT_TRUE(kwtest::processUntil([&] { return scan.isNull(); }, std::chrono::seconds(60)))
            << "the scan did not finish";
    }

    EditorTemplate* view() const { return window->getTemplateEditor(); }
    int templ() const { return view()->getCurrentTemplateNumber(); }

    ParamAddress knob(int k, int param) const { return ParamAddress(0, templ(), k, param); }
    ParamAddress field(int controller) const { return ParamAddress(0, templ(), controller, -1); }
    QString text(const ParamAddress& address) const { return memApi->getParamQString(address); }
    long number(const ParamAddress& address) const { return memApi->getParam(address).getCurrentValue(); }
    long fileEditFlag() const { return number(ParamAddress(ParamAddress::kFileEditFlagBank, -1, -1, -1)); }

    // Opens a chooser with open() and hands it to act() once it is up; act() picks or dismisses.
    template <typename Popup>
    static void withPopup(const std::function<void()>& open, const std::function<void(Popup*)>& act)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* popup = qobject_cast<Popup*>(QApplication::activePopupWidget());
            ASSERT_NE(popup, nullptr) << "no chooser opened";
            seen = true;
            // Whatever the chooser's list lays out later is laid out first.
            QCoreApplication::processEvents();
            act(popup);
        });
        open();
        EXPECT_TRUE(seen) << "no chooser opened";
    }

    // Clicks an item of a list or tree as the user does.
    static void clickItem(QAbstractItemView* view, const QRect& itemRect)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, itemRect.center());
    }

    // The store lamp's timer, found among the view's timers by its 100 ms period.
    int storeLampTimer() const
    {
        for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(view())) {
            if (timer.interval == 100) {
                return timer.timerId;
            }
        }
        return 0;
    }

    std::unique_ptr<kwtest::PluginMachine> machine;
};
