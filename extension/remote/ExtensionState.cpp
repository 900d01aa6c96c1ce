#include "ExtensionState.h"

Quorvane::IHostClasses* gpHostClasses = nullptr;
std::atomic<bool> gbRemoteDeviceAdded{false};
