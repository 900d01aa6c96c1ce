#pragma once

// The simulated synthesizer's headers come before Qt's (it names a member after a word Qt defines).
#include "SimSynthTemplate.h"

#include "ParamAddress.h"
#include "RemoteMemAPI.h"

#include <QString>

#include <string>

// Comparing and filling the editor's templates with the simulated synthesizer's template images.
namespace kwtest {

inline QString text(const std::string& s)
{
    return QString::fromStdString(s);
}

namespace f = zelksim::fields;

// Where the editor's template differs from the synthesizer's image; empty when they agree.
inline std::string templateDifference(RemoteMemAPI& api, int bank, int t, const zelksim::TemplateImage& image)
{
    const auto str = [&](int c, int p) { return api.getParamQString(ParamAddress(bank, t, c, p)); };
    const auto num = [&](int c, int p) { return api.getParam(ParamAddress(bank, t, c, p)).getCurrentValue(); };
    const std::string where = "bank " + std::to_string(bank) + " template " + std::to_string(t);
    if (str(ParamAddress::kTemplateNameController, -1) != text(image.text(f::templateName())) ||
        str(ParamAddress::kQPXiNameController, -1) != text(image.text(f::instrumentName())) ||
        num(ParamAddress::kControlTypeController, -1) != image.number(f::controlType())) {
        return where + ": name '" + str(ParamAddress::kTemplateNameController, -1).toStdString() + "' vs '" +
               image.text(f::templateName()) + "', or instrument or control type";
    }
    for (int k = 0; k < 12; ++k) {
        if (str(k, ParamAddress::kRemoteNumberParam) != text(image.text(f::knobRemoteNumber(k))) ||
            str(k, ParamAddress::kDisplayNameParam) != text(image.text(f::knobDisplayName(k))) ||
            num(k, ParamAddress::kCCNumberParam) != image.number(f::knobControlNumber(k)) ||
            num(k, ParamAddress::kDisplayFormatParam) != image.number(f::knobDisplayFormat(k))) {
            return where + " knob " + std::to_string(k);
        }
    }
    return {};
}

// Writes the image into the editor's template as an edit would.
inline void writeTemplate(RemoteMemAPI& api, int bank, int t, const zelksim::TemplateImage& image)
{
    api.setParam(ParamAddress(bank, t, ParamAddress::kTemplateNameController, -1), text(image.text(f::templateName())));
    api.setParam(ParamAddress(bank, t, ParamAddress::kQPXiNameController, -1), text(image.text(f::instrumentName())));
    api.setParam(ParamAddress(bank, t, ParamAddress::kControlTypeController, -1), long(image.number(f::controlType())));
    for (int k = 0; k < 12; ++k) {
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kRemoteNumberParam),
                     text(image.text(f::knobRemoteNumber(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kDisplayNameParam),
                     text(image.text(f::knobDisplayName(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kCCNumberParam),
                     long(image.number(f::knobControlNumber(k))));
        api.setParam(ParamAddress(bank, t, k, ParamAddress::kDisplayFormatParam),
                     long(image.number(f::knobDisplayFormat(k))));
    }
}

} // namespace kwtest
