// Feeds arbitrary bytes to the reader of the finder's result file, as exit codes 0 and 2 would.
#include "CQPXiPathFinder.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::unique_ptr<QPXiInfo> info = kwfuzz::makeInfo();
    static const QString resultPath = kwfuzz::workPath("db/QPXiInfoFinder.txt");
    const int exitCode = (size > 0 && (data[0] & 1)) ? 2 : 0;
    kwfuzz::writeInput(resultPath, data, size);
    // No not-a-synth list: the fuzzer must not grow a file on every run.
    CQPXiPathFinder finder("");
    QFile file(resultPath);
    info->readQPXiInfoFinderResult(file, kwfuzz::workPath("plugins/Trilogy.qpx"), exitCode == 2, exitCode, &finder);
    if (info->scanResults().size() > 10000) {
        info = kwfuzz::makeInfo();
    }
    return 0;
}
