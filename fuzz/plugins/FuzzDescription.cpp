// Feeds arbitrary bytes to the parameter-description reader (both modes) and to the id expression evaluator.
#include "FuzzSupport.h"

#include <QDomDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static std::unique_ptr<QPXiInfo> info = kwfuzz::makeInfo();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);
    QPXiInfo::getIntValue(text, {{"a", 7}, {"b", -1}, {"big", 2147483647}});

    QDomDocument document;
    if (document.setContent(bytes)) {
        info->updateParameterListFromQPXXMLDomDocument(document, "Merged", true);
        info->updateParameterListFromQPXXMLDomDocument(document, "Filtered", false);
        info->updateParameterListFromQPXXMLDomDocument(document, "Merged", false);
        if (info->getQPXiParameterList("Merged").size() > 20000) {
            info = kwfuzz::makeInfo();
        }
    }
    return 0;
}
