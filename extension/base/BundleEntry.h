#pragma once

#include "QuorvaneTypes.h"

// Load and unload hooks of the bundle. The host hands over the handle under which it loaded the library
// (from dlopen); the bundle keeps it loaded until the last bundleExit.
extern "C" {
QUORVANE_EXPORT bool bundleEntry(void* bundle);
QUORVANE_EXPORT bool bundleExit();
}

// The extension's module hooks, called by bundleEntry and bundleExit; the extension defines them.
bool InitModule();
bool DeinitModule();

namespace Quorvane {
static constexpr Quorvane::int32 kBundlePathSize = 2048;
} // namespace Quorvane

// Number of bundleEntry calls not yet matched by bundleExit.
extern Quorvane::int32 bundleRefCounter;
// The first bundle handle received (kept after the last exit).
extern void* moduleHandle;
extern void* ghInst;
// The file-system path of the loaded library, zero-terminated.
extern char gPath[Quorvane::kBundlePathSize];
