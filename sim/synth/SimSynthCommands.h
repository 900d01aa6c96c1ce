#pragma once

#include "SimSynthCore.h"

#include <string>
#include <string_view>

namespace zelksim {

// Result of one command line: whether it was understood and done, the answer to print, and whether the
// program should end.
struct CommandResult
{
    bool ok = false;
    std::string text;
    bool quit = false;
};

// Runs one line of the simulator's panel language on the core (the command line's stdin, and tests):
//   select T | store | edit name TEXT | edit instrument TEXT | edit type N
//   edit knob K name TEXT | edit knob K id TEXT | edit knob K cc N | edit knob K format N
//   fault drop-ack [NTH] | fault drop-in [NTH] | fault drop-footer [NTH] | fault drop-answer [NTH]
//   fault bad-checksum [NTH [BLOCK]] | fault missing-block [NTH [BLOCK]] | fault silent on|off
//   fault delay MS | fault clear
//   remote on|off | turn K STEPS | dial STEPS | press NAME | button NAME down|up | display
//   sense MS | fill SEED | show T [K] | flow | status | help | quit
// Blank lines and lines starting with '#' do nothing.
CommandResult runCommand(SynthCore& core, std::string_view line, Millis now);

// The help text of the panel language.
std::string commandHelp();

} // namespace zelksim
