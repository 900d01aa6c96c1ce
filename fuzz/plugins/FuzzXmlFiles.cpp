// Feeds arbitrary bytes to the readers of the database file, the preset file and the host's plug-in cache
// file; the first byte picks the reader. For one database in four the bytes are also the old file that the
// database writer rewrites (a write, saved through a temporary file, takes several times as long as a read):
// what it writes must always be well-formed XML.
#include "FuzzSupport.h"

#include <QXmlStreamReader>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    static std::unique_ptr<QPXiInfo> info = kwfuzz::makeInfo();
    const uint8_t which = data[0] % 3;
    ++data;
    --size;
    if (which == 0) {
        const QString path = kwfuzz::workPath("db/QPXiDatabase.xml");
        kwfuzz::writeInput(path, data, size);
        info->selectDAW(size > 0 && (data[0] & 1) ? QStringLiteral("Sonvik 8") : QString());
        QFile file(path);
        info->createParameterListFromDatabase(file);
        if (size > 0 && (data[0] & 6) == 6 && info->writeParameterListDatabase(file)) {
            QFile written(path);
            written.open(QIODevice::ReadOnly);
            QXmlStreamReader reader(&written);
            while (!reader.atEnd()) {
                reader.readNext();
            }
            if (reader.hasError()) {
                std::abort();
            }
        }
    } else if (which == 1) {
        const QString path = kwfuzz::workPath("preset/QPXiPreset.xml");
        kwfuzz::writeInput(path, data, size);
        QFile file(path);
        info->createParameterListFromPreset(file);
        info->appendPreset();
    } else {
        QString path = kwfuzz::workPath("cache.xml");
        kwfuzz::writeInput(path, data, size);
        info->analyzeXmlToFindQPX2Folders(path);
        info->selectDAW(QString());
    }
    if (info->getQPXiExistsAndPresetList().size() > 10000) {
        info = kwfuzz::makeInfo();
    }
    return 0;
}
