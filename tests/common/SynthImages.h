#pragma once

// The simulated synthesizer's headers come before Qt's (it names a member after a word Qt defines).
#include "SimSynthTemplate.h"

#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QString>

#include <string>

// Comparing the editor's templates with the simulated synthesizer's template images, and filling them
// from such images; for the tests that link the simulated synthesizer.
namespace kwtest {

inline QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// Where the editor's template (bank, t) differs from the synthesizer's image; empty when equal.
inline std::string templateDifference(RemoteMemAPI& api, int bank, int t, const zelksim::TemplateImage& image)
{
    namespace f = zelksim::fields;
    auto text = [&](int controller, int param) {
        return api.getParamQString(ParamAddress(bank, t, controller, param));
    };
    auto number = [&](int controller, int param) {
        return api.getParam(ParamAddress(bank, t, controller, param)).getCurrentValue();
    };
    std::string where = "bank " + std::to_string(bank) + " template " + std::to_string(t) + ": ";
    if (text(ParamAddress::kTemplateNameController, -1) != qs(image.text(f::templateName())))
        return where + "name '" + text(ParamAddress::kTemplateNameController, -1).toStdString() + "' vs '" +
               image.text(f::templateName()) + "'";
    if (text(ParamAddress::kQPXiNameController, -1) != qs(image.text(f::instrumentName())))
        return where + "instrument";
    if (number(ParamAddress::kControlTypeController, -1) != image.number(f::controlType()))
        return where + "control type";
    for (int k = 0; k < 12; ++k) {
        const std::string knob = where + "knob " + std::to_string(k) + " ";
        if (text(k, ParamAddress::kRemoteNumberParam) != qs(image.text(f::knobRemoteNumber(k))))
            return knob + "id '" + text(k, ParamAddress::kRemoteNumberParam).toStdString() + "' vs '" +
                   image.text(f::knobRemoteNumber(k)) + "'";
        if (text(k, ParamAddress::kDisplayNameParam) != qs(image.text(f::knobDisplayName(k))))
            return knob + "name '" + text(k, ParamAddress::kDisplayNameParam).toStdString() + "' vs '" +
                   image.text(f::knobDisplayName(k)) + "'";
        if (number(k, ParamAddress::kCCNumberParam) != image.number(f::knobControlNumber(k)))
            return knob + "cc";
        if (number(k, ParamAddress::kDisplayFormatParam) != image.number(f::knobDisplayFormat(k)))
            return knob + "format";
    }
    return {};
}

// Writes a template image into the editor's memory (bank, t) as a user would, one value at a time.
inline void writeTemplate(RemoteMemAPI& api, int bank, int t, const zelksim::TemplateImage& image)
{
    namespace f = zelksim::fields;
    api.setParam(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1), qs(image.text(f::templateName())));
    api.setParam(ParamAddress(bank, t, ParamAddress::kQPXiNameController, -1), qs(image.text(f::instrumentName())));
    api.setParam(ParamAddress(bank, t, ParamAddress::kControlTypeController, -1), long(image.number(f::controlType())));
    for (int k = 0; k < 12; ++k) {
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kRemoteNumberParam),
                     qs(image.text(f::knobRemoteNumber(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kDisplayNameParam), qs(image.text(f::knobDisplayName(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kCCNumberParam),
                     long(image.number(f::knobControlNumber(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kDisplayFormatParam),
                     long(image.number(f::knobDisplayFormat(k))));
    }
}

} // namespace kwtest
