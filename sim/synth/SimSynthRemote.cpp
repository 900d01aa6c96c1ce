#include "SimSynthRemote.h"

#include <sstream>

namespace zelksim {

namespace {

struct Button
{
    std::string_view name;
    int note;
};

// The panel's buttons and their notes, as the protocol's control table gives them.
constexpr Button kButtons[] = {
    {"top", 88},     {"rewind", 91},  {"fastfwd", 92}, {"stop", 93},    {"play", 94},    {"record", 95},
    {"mute", 16},    {"solo", 8},     {"inc", 49},     {"dec", 48},     {"sf1", 54},     {"sf2", 55},
    {"sf3", 56},     {"sf4", 57},     {"sf5", 58},     {"sf6", 59},     {"f1", 60},      {"f2", 61},
    {"f3", 62},      {"f4", 63},      {"f5", 64},      {"f6", 65},      {"jog", 118},    {"lock", 119},
    {"sfbank1", 66}, {"sfbank2", 67}, {"sfbank3", 68}, {"sfbank4", 69}, {"sfbank5", 70}, {"sfbank6", 71},
};

} // namespace

std::optional<int> buttonNote(std::string_view name)
{
    for (const Button& b : kButtons)
        if (b.name == name)
            return b.note;
    return std::nullopt;
}

std::string RemoteDisplay::describe() const
{
    std::ostringstream out;
    out << "extension " << (extensionRunning ? "running" : "not running") << ", remote mode "
        << (remoteMode ? "on" : "off") << "\n";
    out << "instrument \"" << instrument << "\", track \"" << track << "\", page \"" << page << "\", program change "
        << (programChangeMode < 0 ? std::string("-") : std::to_string(programChangeMode)) << "\n";
    out << "buttons";
    for (const std::string& b : buttons)
        out << " [" << b << "]";
    for (int k = 0; k < kRemoteKnobCount; ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        if (!knobNames[i].empty() || !knobValues[i].empty())
            out << "\nknob " << k << " \"" << knobNames[i] << "\" = \"" << knobValues[i] << "\"";
    }
    return out.str();
}

} // namespace zelksim
