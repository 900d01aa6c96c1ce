// Writes arbitrary bytes as a knob document into one knob of a filled memory. The first byte picks how the
// bytes are used: as the whole document, or as the contents of the root of an otherwise valid document, so
// that the controller reader sees them too. Whatever happens, no other knob or template changes, and the
// knob number read from the document is -1 or a knob.
#include "../FilledMemory.h"
#include "BankData.h"
#include "ControlTemplateData.h"
#include "KnobDocument.h"
#include "RemoteMemAPI.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kBank = 5;
constexpr int kTemplate = 3;
constexpr int kKnob = 4;

struct Fixture
{
    Fixture()
    {
        kwfuzz::fillMemory(memory);
        // A document of one knob written over another makes the two knobs equal.
        const QByteArray document = KnobDocument::create(&memory, 1, 7, 9);
        if (!KnobDocument::write(&memory, document, kBank, kTemplate, kKnob) ||
            memory.getTemplateData(kBank, kTemplate).getController(kKnob) !=
                memory.getTemplateData(1, 7).getController(9) ||
            KnobDocument::knobNumber(document) != 9)
            std::abort();
        const qsizetype open = document.indexOf('>', document.indexOf("<controller")) + 1;
        head = document.left(open);
        tail = document.mid(document.indexOf("</controller>"));
    }

    RemoteMemAPI memory;
    QByteArray head, tail;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture fixture;
    const QByteArray document = kwfuzz::documentFromInput(data, size, fixture.head, fixture.tail);

    // The bank as the last run left it, kept from one run to the next: one copy of it a run instead of two.
    static BankData expected = fixture.memory.getBank(kBank);
    KnobDocument::write(&fixture.memory, document, kBank, kTemplate, kKnob);
    const BankData after = fixture.memory.getBank(kBank);
    for (int t = 0; t < BankData::kTemplateCount; ++t) {
        if (t != kTemplate && after.getTemplate(t) != expected.getTemplate(t))
            std::abort();
    }
    // The target template with its old knob put back is the old template.
    ControlTemplateData target = after.getTemplate(kTemplate);
    target.setController(expected.getTemplate(kTemplate).getController(kKnob), kKnob);
    if (target != expected.getTemplate(kTemplate))
        std::abort();
    expected.setTemplate(after.getTemplate(kTemplate), kTemplate);
    const int knob = KnobDocument::knobNumber(document);
    if (knob < -1 || knob > 11)
        std::abort();
    return 0;
}
