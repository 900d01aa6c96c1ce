#pragma once

#include "MemController.h"
#include "RemoteMemAPI.h"

#include <gtest/gtest.h>

#include <memory>

// A memory service and a controller factory for binding tests; bank 0, template 0 unless a test moves.
class BindingTest : public ::testing::Test
{
protected:
    BindingTest()
        : api(std::make_unique<RemoteMemAPI>())
        , factory(std::make_unique<MemControllerFactory>(api.get()))
    {
    }

    int valueAt(const ParamAddress& a) { return api->getParam(a).getCurrentValue(); }

    // Numeric addresses of the first knob and of the template's control type.
    static ParamAddress ccNumber(int templ = 0, int knob = 0) { return ParamAddress(0, templ, knob, 1); }
    static ParamAddress displayFormat(int knob = 0) { return ParamAddress(0, 0, knob, 2); }

    std::unique_ptr<RemoteMemAPI> api;
    std::unique_ptr<MemControllerFactory> factory;
};
