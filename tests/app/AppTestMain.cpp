#include "CApplication.h"
#include "EditorFonts.h"
#include "RemoteEditorStyle.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

// The shell's tests run under the editor's own application object, so that its open-file handling is
// the one under test, and in the editor's own style, so that the screenshots show what a user sees.
int main(int argc, char** argv)
{
    kwtest::isolateFromUserFiles();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("KNOBWRIGHT_MIDI_BACKEND")) {
        qputenv("KNOBWRIGHT_MIDI_BACKEND", "virtual");
    }
    if (qEnvironmentVariableIsEmpty("KNOBWRIGHT_RESOURCE_DIR")) {
        qputenv("KNOBWRIGHT_RESOURCE_DIR", KW_TEST_RESOURCE_DIR);
    }
    CApplication app(argc, argv);
    QApplication::setStyle(new RemoteEditorStyle());
    installEditorFontSubstitutions();
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
