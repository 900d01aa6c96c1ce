#pragma once

#include "ExtensionState.h"
#include "PluginFactory.h"

#include <string>

inline constexpr const char* kExtensionVendor = "Telvor";
inline constexpr const char* kExtensionVersion = "1.0.2";

// The template instrument name that matches a track without an instrument.
inline const std::string kGenericTemplate{"Generic"};

// The exported factory function: the one factory with the three classes, one more reference each call.
extern "C" QUORVANE_EXPORT Quorvane::IPluginFactory* GetPluginFactory();
