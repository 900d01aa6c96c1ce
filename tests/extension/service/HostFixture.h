#pragma once

#include "FRef.h"
#include "SimHost.h"

#include <gtest/gtest.h>

// A simulated host with one open project, and its classes as the extension reaches them.
class HostFixture : public ::testing::Test
{
protected:
    HostFixture()
        : classes(Quorvane::queryRef<Quorvane::IHostClasses>(host.context())),
          project(host.projects().openProject(u"Song"))
    {
    }

    Quorvane::IHostClasses* hostClasses() const { return classes.get(); }

    simhost::SimHost host;
    Quorvane::FRef<Quorvane::IHostClasses> classes;
    simhost::SimProject* project;
};
