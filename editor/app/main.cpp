#include "CApplication.h"
#include "EditorDefinitions.h"
#include "EditorFonts.h"
#include "EditorMainWindow.h"
#include "EditorShell.h"
#include "MidiSystem.h"
#include "RemoteEditorStyle.h"
#include "RemoteMemAPI.h"

#include <QStringList>

#include <memory>

int main(int argc, char** argv)
{
    qInstallMessageHandler(doNotOutputMessage);
    CApplication application(argc, argv);
    // The settings store (the port directory's identifiers among them) lives under these names, and the
    // program shows under its name on the machine's MIDI system.
    QCoreApplication::setOrganizationName(QStringLiteral("Telvor"));
    QCoreApplication::setApplicationName(SettingName);
    kwmidi::setClientName(EditorName.toStdString());
    auto arguments = std::make_unique<QStringList>(QCoreApplication::arguments());
    auto remoteMemory = std::make_unique<RemoteMemAPI>();
    QApplication::setStyle(new RemoteEditorStyle());
    installEditorFontSubstitutions();
    // Menus stay inside the window: there is no system menu bar to merge them into.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar, true);

    const bool fileNamed = argc >= 2 && argv[1] != nullptr;
    auto window = std::make_unique<EditorMainWindow>(remoteMemory.get(), !fileNamed);
    if (fileNamed && arguments->size() >= 2) {
        window->applicationFileOpen(arguments->at(1));
    }
    window->show();
    window->updateWindowStaysOnTop();
    g_pEditorMainWindow = window.get();
    QObject::connect(&application, &QGuiApplication::lastWindowClosed, &application, &QCoreApplication::quit);

    const int result = application.exec();

    window.reset();
    remoteMemory.reset();
    arguments.reset();
    return result != 0 ? 1 : 0;
}
