// Writes arbitrary bytes as a template document over one template of a filled memory. The first byte picks
// how the bytes are used: as the whole document, or in place of one knob's contents in an otherwise valid
// document, so that the element readers see them too. A refused document must leave every template as it
// was; an accepted one may change only the template written. The numbers on the root are read as well.
#include "../FilledMemory.h"
#include "BankData.h"
#include "ControlTemplateData.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"
#include "TemplateDocument.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kBank = 5;
constexpr int kTarget = 3;

struct Fixture
{
    Fixture()
    {
        kwfuzz::fillMemory(memory);
        // A document of one template written over another makes the two equal.
        const QByteArray document = TemplateDocument::create(&memory, 1, 7);
        if (!TemplateDocument::write(&memory, document, kBank, kTarget) ||
            memory.getTemplateData(kBank, kTarget) != memory.getTemplateData(1, 7) ||
            TemplateDocument::templateNumber(document) != 7 || TemplateDocument::bankNumber(document) != 1)
            std::abort();
        const qsizetype open = document.indexOf("<knobB2>") + qsizetype(sizeof("<knobB2>") - 1);
        const qsizetype close = document.indexOf("</knobB2>");
        head = document.left(open);
        tail = document.mid(close);
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
    const bool written = TemplateDocument::write(&fixture.memory, document, kBank, kTarget);
    const BankData after = fixture.memory.getBank(kBank);
    for (int t = 0; t < BankData::kTemplateCount; ++t) {
        if ((t != kTarget || !written) && after.getTemplate(t) != expected.getTemplate(t))
            std::abort();
    }
    if (written)
        expected.setTemplate(after.getTemplate(kTarget), kTarget);
    TemplateDocument::templateNumber(document);
    TemplateDocument::bankNumber(document);
    return 0;
}
