// The shared library is the extension's static core linked whole; its exported entry points are
// GetPluginFactory and the bundle's entry and exit, and nothing else (see dialbridge.map).
#include "ExtensionClasses.h"
