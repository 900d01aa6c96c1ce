#include "MemoryDigest.h"

#include "BankData.h"
#include "ControlTemplateData.h"
#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QHashFunctions>

namespace kwfuzz {

namespace {

// Each value is folded in by hand: the combining template was left out of line, in the instrumented copy
// of the library, and took as long as all the rest.
std::size_t fold(std::size_t seed, std::size_t value)
{
    return seed ^ (value + 0x9e3779b9 + (seed << 6) + (seed >> 2));
}

std::size_t digest(const QString& text, std::size_t seed)
{
    return fold(seed, qHashBits(text.utf16(), std::size_t(text.size()) * sizeof(char16_t)));
}

std::size_t digest(const NumericParameter& value, std::size_t seed)
{
    seed = fold(seed, std::size_t(value.getCurrentValue()));
    seed = fold(seed, std::size_t(value.getMinValue()));
    seed = fold(seed, std::size_t(value.getMaxValue()));
    return fold(seed, std::size_t(value.getInitialValue()));
}

} // namespace

std::size_t templateDigest(const ControlTemplateData& templ, std::size_t seed)
{
    seed = digest(templ.getQPXiName(), digest(templ.getTemplateName(), seed));
    seed = digest(templ.getCtrlType(), seed);
    for (int k = 0; k < ControlTemplateData::kControllerCount; ++k) {
        const ControllerData knob = templ.getController(k);
        seed = digest(knob.getRemoteTagID(), digest(knob.getDisplayName(), seed));
        seed = digest(knob.getCCNum(), digest(knob.getDispFormat(), seed));
    }
    return seed;
}

std::size_t bankDigest(RemoteMemAPI& memory, int bank)
{
    const BankData data = memory.getBank(bank);
    std::size_t seed = digest(data.getBankAvailableFlag(), 0);
    seed = digest(data.getCurrentTemplateNumber(), seed);
    seed = digest(data.getEditFlag(), seed);
    for (int t = 0; t < BankData::kTemplateCount; ++t)
        seed = templateDigest(data.getTemplate(t), seed);
    return seed;
}

std::size_t bankFlagsDigest(RemoteMemAPI& memory, int bank)
{
    return digest(memory.getBankAvailableFlag(bank),
                  digest(memory.getParam(ParamAddress(bank, ParamAddress::kCurrentTemplateNumberTemplate, -1, -1)), 1));
}

} // namespace kwfuzz
