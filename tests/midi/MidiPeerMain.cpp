// A second MIDI program for tests: publishes five sources and five destinations of one device and
// sends back on source k whatever arrives at destination k. Prints "ready" once its ports exist and
// ends when its standard input closes.
#include "MidiSystem.h"

#include <cstdio>
#include <iostream>
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
    }
    destinations.clear();
    sources.clear();
    return 0;
}
