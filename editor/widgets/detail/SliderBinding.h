#pragma once

#include "MemProxy.h"

#include <QAbstractSlider>

namespace kwwidgets {

// Takes the bound parameter's range (when withRange: minimum, then maximum) and then its value into a
// slider. loading stays set meanwhile, so that the slider's own value-changed handling does not write a
// value clamped on the way back into the parameter.
inline void pullSliderFromParameter(QAbstractSlider* slider, MemProxy* proxy, bool& loading, bool withRange)
{
    if (!proxy->isBound()) {
        return;
    }
    loading = true;
    if (withRange) {
        slider->setMinimum(proxy->getMemAPIMinimumValue());
        slider->setMaximum(proxy->getMemAPIMaximumValue());
    }
    slider->setValue(proxy->getMemAPICurrentValue());
    loading = false;
}

} // namespace kwwidgets
