#pragma once

#include <cstddef>

class ControlTemplateData;
class RemoteMemAPI;

namespace kwfuzz {

// Digests of what the memory holds, so that a fuzzer tells whether a run changed anything without keeping
// and comparing copies: a change of any one value changes the digest. They are built optimised and without
// coverage counters: they check the code under test and are no part of it, and unoptimised they took longer
// than the load they check.
std::size_t templateDigest(const ControlTemplateData& templ, std::size_t seed = 0);
// Every value of the bank, its flags and every template.
std::size_t bankDigest(RemoteMemAPI& memory, int bank);
// Only the bank's available flag and current template number.
std::size_t bankFlagsDigest(RemoteMemAPI& memory, int bank);

} // namespace kwfuzz
