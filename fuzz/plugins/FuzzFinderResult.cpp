// Feeds arbitrary bytes to the reader of the finder's result file, as exit codes 0 and 2 would. Every record
// it keeps names an instrument. The records are taken after each run, so the reader's object lives on
// without growing: libFuzzer searches the whole heap for leaks after every run that allocated more than it
// freed, which took four times as long as the reader.
#include "CQPXiPathFinder.h"
#include "FuzzSupport.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::unique_ptr<QPXiInfo> info = kwfuzz::makeInfo();
    static const QString resultPath = kwfuzz::workPath("db/QPXiInfoFinder.txt");
    const int exitCode = (size > 0 && (data[0] & 1)) ? 2 : 0;
    kwfuzz::writeInput(resultPath, data, size);
    // No not-a-synth list: the fuzzer must not grow a file on every run.
    CQPXiPathFinder finder("");
    QFile file(resultPath);
    info->readQPXiInfoFinderResult(file, kwfuzz::workPath("plugins/Trilogy.qpx"), exitCode == 2, exitCode, &finder);
    for (const SQPXiInfo& record : info->takeScanResults()) {
        if (record.name.empty()) {
            std::abort();
        }
    }
    return 0;
}
