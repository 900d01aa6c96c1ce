// Prints the MIDI port directory as the editor sees it: the entries of the inputs, then of the outputs,
// one per line in port-number order.
#include "TSystemMIDIPortAccessor.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void printDirection(const TMIDIPortAccessor& directory, int dir, const char* title)
{
    std::printf("%s\n", title);
    QList<QUuid> uuids;
    directory.qUuids(dir, uuids);
    for (const QUuid& uuid : uuids)
        std::printf("%s\n", qPrintable(directory.encodedName(uuid)));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The directory keeps the QUuids of the port names in a settings store; a listing must not add
    // pairs to the editor's own, so it keeps them in a store that ends with the program.
    QTemporaryDir settingsDir;
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("midiports"));
    QCoreApplication::setApplicationName(QStringLiteral("midiports"));

    auto client = kwmidi::Client::acquire();
    if (!client || !client->isAvailable()) {
        std::printf("midiports: %s, no ports to list\n", kwmidi::kNoMidiSystem);
        return 0;
    }
    TSystemMIDIPortAccessor directory(client);
    directory.updatePortInfo();
    printDirection(directory, TMIDIPortAccessor::kInput, "Inputs:");
    printDirection(directory, TMIDIPortAccessor::kOutput, "Outputs:");
    return 0;
}
