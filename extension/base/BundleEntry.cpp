#include "BundleEntry.h"

#include "TContainer.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <link.h>

using Quorvane::int32;

int32 bundleRefCounter = 0;
void* moduleHandle = nullptr;
void* ghInst = nullptr;
char gPath[Quorvane::kBundlePathSize] = {};

namespace {

// The handles this library holds on the loaded bundles, released at the last exit.
Quorvane::TArray<void*>* gBundleRefs = nullptr;

// The file the handle was loaded from, or null.
const char* loadedFile(void* bundle)
{
    link_map* map = nullptr;
    if (dlinfo(bundle, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name)
        return nullptr;
    return map->l_name;
}

// Takes a reference of our own on an already loaded library, so that it stays loaded while we use it.
void* retainBundle(void* bundle)
{
    const char* file = loadedFile(bundle);
    if (!file || file[0] == 0)
        return nullptr;
    return dlopen(file, RTLD_LAZY | RTLD_NOLOAD);
}

void storePath(void* bundle)
{
    const char* file = loadedFile(bundle);
    if (!file)
        return;
    char resolved[PATH_MAX];
    const char* path = realpath(file, resolved) ? resolved : file;
    std::strncpy(gPath, path, sizeof gPath - 1);
    gPath[sizeof gPath - 1] = 0;
}

} // namespace

extern "C" bool bundleEntry(void* bundle)
{
    if (bundle) {
        void* retained = retainBundle(bundle);
        if (retained) {
            if (!gBundleRefs)
                gBundleRefs = new (std::nothrow) Quorvane::TArray<void*>();
            if (!gBundleRefs || !gBundleRefs->add(retained)) {
                dlclose(retained);
                retained = nullptr;
            }
        }
        if (retained) {
            ++bundleRefCounter;
            if (!moduleHandle) {
                moduleHandle = bundle;
                ghInst = bundle;
                storePath(bundle);
            }
        }
    }
    return InitModule();
}

extern "C" bool bundleExit()
{
    if (!DeinitModule())
        return false;
    if (bundleRefCounter > 0 && --bundleRefCounter == 0 && gBundleRefs) {
        // The host still holds its own handle while it calls us, so releasing ours cannot unload us here.
        for (int32 i = 0; i < gBundleRefs->total(); ++i)
            dlclose(gBundleRefs->at(i));
        delete gBundleRefs;
        gBundleRefs = nullptr;
    }
    return true;
}
