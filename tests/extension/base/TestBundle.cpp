// A library with one symbol, loaded by the bundle entry tests.
extern "C" __attribute__((visibility("default"))) int dbTestBundleMarker()
{
    return 42;
}
