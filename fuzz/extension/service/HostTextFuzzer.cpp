// Host texts (UTF-16, from the fuzzer's bytes in pairs) through the name and value conversions, and
// as the text of a frequency that a knob step reads and writes back.
#include "FRef.h"
#include "ParameterController.h"
#include "SimHost.h"
#include "StrConv.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

struct Host
{
    Host() : classes(Quorvane::queryRef<Quorvane::IHostClasses>(host.context()))
    {
        host.translation().setLanguage("de");
        host.translation().set(u"EQ", u"EQ");
        host.translation().set(u"Quality", u"G\u00FCte");
        host.translation().set(u"Volume", u"Lautst\u00E4rke");
        host.translation().set(u"Off", u"Aus");
    }
    simhost::SimHost host;
    Quorvane::FRef<Quorvane::IHostClasses> classes;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Host h;
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    std::u16string name = text;
    StrConv::ConvertQCParamNameToEnglish(h.classes.get(), &name);
    std::u16string device = u"EQ - " + text;
    StrConv::InsertSpaceIntoEndOfEQ(&device);
    std::u16string value = text;
    StrConv::ConvertValueStringToEnglish(h.classes.get(), &value);

    const auto frequency = simhost::HostRef<simhost::SimValue>::adopt(simhost::makeHostObject<simhost::SimValue>(
        h.host.registry().shared_from_this(), simhost::SimValueSetup::textValue(text)));
    ParameterController2 knob;
    knob.SetValueObject(frequency.get(), ParameterController::kParameterTypeRelative,
                        ParameterController::kControlStateActive);
    knob.AddControllerVariation(size % 2 ? 1 : -1);
    knob.ChangeParameterOnIdle(h.classes.get(), true, ParameterController::kStepEQFrequency);
    knob.Untouch();
    return 0;
}
