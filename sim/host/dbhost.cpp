// dbhost: the simulated DAW host's command line.
//   dbhost list <library>   loads the extension and prints its factory and classes
#include "SimHost.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: dbhost list <library>\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || std::strcmp(argv[1], "list") != 0)
        return usage();
    simhost::SimHost host;
    std::string error;
    if (!host.load(argv[2], &error)) {
        std::fprintf(stderr, "dbhost: %s: %s\n", argv[2], error.c_str());
        return 1;
    }
    simhost::printFactory(host, stdout);
    host.unload();
    return 0;
}
