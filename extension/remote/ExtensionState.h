#pragma once

#include "HostApplication.h"
#include "PluginFactory.h"

#include <atomic>

// Process-wide state that the extension's parts share, and the identities of its classes.

// Class identifiers of the extension's three classes, as the factory compares them byte for byte.
inline constexpr Quorvane::FUID kZELK_KDX_cid{0x9DF255F2, 0x185E4472, 0x89733758, 0xD4409CE3};
inline constexpr Quorvane::FUID kZELK_HWRemote_cid{0xF8DCF175, 0xA7304BE5, 0xA1DE1553, 0x899D2504};
inline constexpr Quorvane::FUID kZELK_Detect_cid{0xA0DC1487, 0x74BA4BF1, 0xA71252FF, 0x31B9F1BC};

// The name of the remote device class, which is also the name the host gives an installed device.
inline constexpr const char* kRemoteDeviceName = "Telvor ZELK6/ZELK8";

// The host's classes, kept by the service from its initialize to its terminate (holding one
// reference); null before and after, and while the host is not one the extension works with. Written
// and read on the host's thread: whoever keeps the pointer beyond one host call holds its own reference.
extern Quorvane::IHostClasses* gpHostClasses;

// Set once a remote device was initialised; the service's idle call waits for it. Any thread.
extern std::atomic<bool> gbRemoteDeviceAdded;
