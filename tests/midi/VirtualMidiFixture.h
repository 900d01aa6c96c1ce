#pragma once

#include "MidiSystem.h"

#include <QByteArray>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace kwtest {

// Tests on the in-process MIDI backend: the process's client is made with it for each test.
class VirtualMidiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv(kwmidi::kBackendVariable, "virtual");
        client = kwmidi::Client::acquire();
        ASSERT_EQ(client->backend(), kwmidi::Backend::Virtual);
    }
    kwmidi::ClientRef client;
};

} // namespace kwtest
