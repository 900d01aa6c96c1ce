// Feeds arbitrary bytes to the readers of the database file, the preset file and the host's plug-in cache
// file; the first byte picks the reader. Each run starts from forgotten lists, as selecting a DAW leaves
// them, so the reader's object does not grow from run to run (libFuzzer searches the whole heap for leaks
// after every run that allocated more than it freed). For one database in four the bytes are also the old
// file that the database writer rewrites (a write, saved through a temporary file, takes several times as
// long as a read): what it writes must always be well-formed XML.
#include "FuzzSupport.h"

#include <QXmlStreamReader>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    static std::unique_ptr<QPXiInfo> info = kwfuzz::makeInfo();
    static const QString databasePath = kwfuzz::workPath("db/QPXiDatabase.xml");
    const uint8_t which = data[0] % 3;
    ++data;
    --size;
    if (which == 0) {
        kwfuzz::writeInput(databasePath, data, size);
        // Selecting a DAW forgets the lists and reads them from the database afresh.
        info->selectDAW(size > 0 && (data[0] & 1) ? QStringLiteral("Sonvik 8") : QString());
        QFile file(databasePath);
        if (size > 0 && (data[0] & 6) == 6 && info->writeParameterListDatabase(file)) {
            QFile written(databasePath);
            written.open(QIODevice::ReadOnly);
            QXmlStreamReader reader(&written);
            while (!reader.atEnd()) {
                reader.readNext();
            }
            if (reader.hasError()) {
                std::abort();
            }
        }
        QFile::remove(databasePath);
        return 0;
    }
    // Without a database, selecting forgets and reads nothing.
    info->selectDAW(QString());
    if (which == 1) {
        kwfuzz::writeInput(kwfuzz::workPath("preset/QPXiPreset.xml"), data, size);
        info->appendPreset();
    } else {
        QString path = kwfuzz::workPath("cache.xml");
        kwfuzz::writeInput(path, data, size);
        info->analyzeXmlToFindQPX2Folders(path);
    }
    // The fixed names join the list of instruments again after every forgetting.
    if (info->getQPXiList().size() > 10000) {
        info = kwfuzz::makeInfo();
    }
    return 0;
}
