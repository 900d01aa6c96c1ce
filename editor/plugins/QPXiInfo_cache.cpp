#include "QPXiInfo.h"

#include "EditorDefinitions.h"
#include "detail/BoundedXml.h"

#include <QDomDocument>
#include <QFile>

#include <functional>

namespace {

// Calls visit for every direct child element of that tag whose attributes all match.
void forEachChild(const QDomElement& parent, const QString& tag,
                  std::initializer_list<std::pair<const QString&, const QString&>> attributes,
                  const std::function<void(const QDomElement&)>& visit)
{
    for (QDomElement child = parent.firstChildElement(tag); !child.isNull(); child = child.nextSiblingElement(tag)) {
        bool matches = true;
        for (const auto& [name, value] : attributes) {
            if (child.attribute(name) != value) {
                matches = false;
                break;
            }
        }
        if (matches) {
            visit(child);
        }
    }
}

} // namespace

void QPXiInfo::analyzeXmlToFindQPX2Folders(QString& cacheFilePath)
{
    QFile file(cacheFilePath);
    QDomDocument document;
    const bool parsed = kwplugins::readXmlFile(file, document);
    const QDomElement root = document.documentElement();
    if (!parsed || root.tagName() != TagQPX2xPlugins) {
        return;
    }
    auto takeFolder = [this](const QDomElement& obj) {
        QString name;
        QString path;
        for (QDomElement s = obj.firstChildElement(TagObjString); !s.isNull(); s = s.nextSiblingElement(TagObjString)) {
            const QString kind = s.attribute(AttributeObjStringName);
            if (kind == ObjStringNameName) {
                name = s.attribute(AttributeObjStringValue);
            } else if (kind == ObjStringNamePath) {
                path = s.attribute(AttributeObjStringValue);
            }
        }
        if (name.isEmpty() || path.isEmpty()) {
            return;
        }
        const QDir folder(path + name);
        if (!m_qpx2Folders.contains(folder)) {
            m_qpx2Folders.append(folder);
        }
    };
    auto takePathList = [&](const QDomElement& member) {
        forEachChild(member, TagMember, {{AttributeMemberName, MemberName}}, [&](const QDomElement& pathList) {
            forEachChild(pathList, TagMemberList,
                         {{AttributeMemberListName, MemberListName}, {AttributeMemberListType, MemberListType}},
                         [&](const QDomElement& list) {
                             forEachChild(list, TagListObj, {{AttributeObjClass, ObjClass}}, takeFolder);
                         });
        });
    };
    forEachChild(
        root, TagEntryList, {{AttributeEntryListName, EntryListName}, {AttributeEntryListType, EntryListType}},
        [&](const QDomElement& entries) {
            forEachChild(entries, TagEntryItem, {}, [&](const QDomElement& item) {
                forEachChild(
                    item, TagItemString,
                    {{AttributeEntryItemName, EntryItemName}, {AttributeEntryItemValue, EntryItemValue}},
                    [&](const QDomElement&) {
                        forEachChild(item, TagItemMember, {{AttributeItemMemberName, ItemMemberName}}, takePathList);
                    });
            });
        });
}
