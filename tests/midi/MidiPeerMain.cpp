// A second MIDI program for tests: publishes five sources and five destinations of one device and
// sends back on source k whatever arrives at destination k. Prints "ready" once its ports exist and
// ends when its standard input closes. Lines on its standard input:
//   burst <count> <size>  sends count SysEx messages of size bytes on source 1 as fast as it can, stops at
//                         the first refused one and prints "burst <sent>"
//   close <k>             removes source k and destination k while it runs on, and prints "closed <k>"
// On ALSA it sends as most programs do, without waiting for room in the receiver's queue, so that a receiver
// that reads too slowly overruns.
#include "MidiSystem.h"
#include "detail/AlsaEngine.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: kw_midi_peer <device name>\n";
        return 2;
    }
    const std::string device = argv[1];
    kwmidi::setClientName(device);
    kwmidi::detail::AlsaEngine::setWaitForRoom(false);
    auto client = kwmidi::Client::acquire();
    if (!client->isAvailable()) {
        std::cout << kwmidi::kNoMidiSystem << std::endl;
        return 3;
    }
    constexpr int kPorts = 5;
    std::vector<std::unique_ptr<kwmidi::PublishedSource>> sources;
    std::vector<std::unique_ptr<kwmidi::PublishedDestination>> destinations;
    for (int i = 1; i <= kPorts; ++i) {
        sources.push_back(client->createSource(device, device + " Port" + std::to_string(i)));
        if (!sources.back()) {
            std::cout << "cannot make source " << i << std::endl;
            return 4;
        }
    }
    for (int i = 1; i <= kPorts; ++i) {
        kwmidi::PublishedSource* echo = sources[static_cast<std::size_t>(i - 1)].get();
        destinations.push_back(client->createDestination(
            device, device + " Port" + std::to_string(i),
            [echo](const std::uint8_t* bytes, std::size_t length) { echo->send(bytes, length); }));
        if (!destinations.back()) {
            std::cout << "cannot make destination " << i << std::endl;
            return 4;
        }
    }
    std::cout << "ready" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "burst") {
            std::size_t count = 0;
            std::size_t size = 0;
            words >> count >> size;
            std::vector<std::uint8_t> sysex(std::max<std::size_t>(size, 2), 0x11);
            sysex.front() = 0xF0;
            sysex.back() = 0xF7;
            std::size_t sent = 0;
            while (sent < count && sources.front() && sources.front()->send(sysex))
                ++sent;
            std::cout << "burst " << sent << std::endl;
        } else if (command == "close") {
            std::size_t k = 0;
            words >> k;
            if (k >= 1 && k <= destinations.size()) {
                destinations[k - 1].reset();
                sources[k - 1].reset();
            }
            std::cout << "closed " << k << std::endl;
        }
    }
    destinations.clear();
    sources.clear();
    return 0;
}
