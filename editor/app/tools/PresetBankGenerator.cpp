// Writes the factory preset bank: 50 templates in the editor's own bank-file format. Templates 0 to 48
// are ready-made control-change layouts; template 49 is the plain layout that empty templates start from.
// The file holds them in both of its parts: the start-up reads only the stored part, but File > Open
// shows and sends the edit-buffer part too.
#include "EditorFile.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>

namespace {

constexpr int kEditBuffer = 0;
constexpr int kBank = 1;
constexpr int kTemplates = 50;
constexpr int kKnobs = 12;
constexpr int kInitialTemplate = 49;
// The twelve knobs answer these control changes in the plain layout.
constexpr int kFirstKnobCC = 21;

const char* const kKnobLabels[kKnobs] = {"A1", "B1", "C1", "D1", "A2", "B2", "C2", "D2", "A3", "B3", "C3", "D3"};

void fillTemplate(RemoteMemAPI& memory, int bank, int templ)
{
    const bool plain = templ == kInitialTemplate;
    if (!plain) {
        memory.setParam(ParamAddress(bank, templ, ParamAddress::kTemplateNameController, -1),
                        QStringLiteral("Preset %1").arg(templ + 1, 2, 10, QLatin1Char('0')));
        memory.setParam(ParamAddress(bank, templ, ParamAddress::kControlTypeController, -1), 1);
    }
    for (int knob = 0; knob < kKnobs; ++knob) {
        const int cc = plain ? kFirstKnobCC + knob : (templ * kKnobs + knob) % 120;
        const QString label = plain ? QString::fromLatin1(kKnobLabels[knob]) : QStringLiteral("CC %1").arg(cc);
        memory.setParam(ParamAddress(bank, templ, knob, ParamAddress::kDisplayNameParam), label);
        memory.setParam(ParamAddress(bank, templ, knob, ParamAddress::kCCNumberParam), cc);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FILE\n", argv[0]);
        return 2;
    }
    const QString path = QFile::decodeName(argv[1]);
    QDir().mkpath(QFileInfo(path).absolutePath());

    RemoteMemAPI memory;
    for (int templ = 0; templ < kTemplates; ++templ) {
        for (int bank : {kEditBuffer, kBank}) {
            fillTemplate(memory, bank, templ);
        }
    }
    QFile file(path);
    QString error;
    if (!EditorFile::save(&memory, kBank, &file, &error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    return 0;
}
