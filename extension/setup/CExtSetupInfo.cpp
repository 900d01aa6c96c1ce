#include "CExtSetupInfo.h"

#include "DAWInfo.h"
#include "FRef.h"
#include "HostCommands.h"
#include "String.h"
#include "Useful.h"

#include <cstdio>
#include <cstring>

using namespace Quorvane;

namespace {

constexpr const char* kRootTag = "ExtensionSetupData";
constexpr const char* kGeneralData = "General";
constexpr const char* kFileVersion = "100";
constexpr int kLowestFileVersion = 1;
constexpr int kHighestFileVersion = 109;
// Files of this model or its predecessor; the predecessor's files share the layout.
constexpr const char* kOpenTypeExtension = "Q9K";
constexpr const char* kOpenTypeDescription = "ZELK6/ZELK8 Extension Setup File";
constexpr const char* kPredecessorTypeExtension = "Q8K";
constexpr const char* kPredecessorTypeDescription = "BRAM6/BRAM8 Extension Setup File";
constexpr const char* kSaveTypeDescription = "Extension Setup File";
constexpr const char* kLoadFailed = "Failed to load.";
constexpr const char* kSaveFailed = "Failed to save.";

// The element names and their attribute names, in the order the file has them, by TagKind.
struct TagFormat
{
    const char* name;
    int count;
    const char* attributes[4];
};

constexpr TagFormat kTagFormats[] = {
    {"data", 1, {"name"}},
    {"model", 3, {"name", "buttons", "memories"}},
    {"file", 1, {"version"}},
    {"daw", 3, {"name", "version", "build"}},
    {"extension", 1, {"version"}},
    {"memory", 1, {"name"}},
    {"command", 4, {"button", "category", "action", "display"}},
};

std::string formatKey(const char* format, int first, int second = 0)
{
    char key[48];
    std::snprintf(key, sizeof key, format, first, second);
    return key;
}

// A decimal number of at most nine digits and nothing else; -1 for anything else (signs, blanks, other
// characters and numbers too large are not numbers of the file).
int parseCount(const char* text)
{
    if (!text || !*text)
        return -1;
    int value = 0;
    int digits = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9' || ++digits > 9)
            return -1;
        value = value * 10 + (*c - '0');
    }
    return value;
}

bool allPresent(const char* const* texts, int count)
{
    if (!texts)
        return false;
    for (int i = 0; i < count; ++i)
        if (!texts[i])
            return false;
    return true;
}

// Writes one element; its attribute names come from the element's format. True when the writer took it.
bool writeElement(IXmlWriter* writer, CExtSetupInfo::TagKind kind, std::initializer_list<std::string> values,
                  bool empty)
{
    const TagFormat& format = kTagFormats[kind - 1];
    const char* texts[4] = {};
    int i = 0;
    for (const std::string& value : values)
        texts[i++] = value.c_str();
    return writer->startElement(format.name, format.count, format.attributes, texts, empty) == kResultOk;
}

} // namespace

CExtSetupInfo::CExtSetupInfo() = default;

CExtSetupInfo::~CExtSetupInfo() = default;

void CExtSetupInfo::Initialize(IHostClasses* hostClasses, const char* model, int pages, int buttons,
                               const char* const* buttonNames, const char* const* pageNames,
                               const SUserCommandInfo* defaults)
{
    CUserCmdInfo::Initialize(hostClasses, model, pages, buttons, buttonNames, pageNames, defaults);
    InitializeOption(hostClasses, model);
    ClearStaging();
    for (int page = 0; page < m_pages; ++page) {
        if (!IsAllUserCmdInfoValid(page))
            continue;
        for (int button = 0; button < m_buttons; ++button) {
            SUserCommandInfo& entry = m_commands[static_cast<std::size_t>(page)][static_cast<std::size_t>(button)];
            if (!GetUserCommandInfoFromDefaultPool(page, button, entry))
                entry = m_defaultCommands[static_cast<std::size_t>(page)][static_cast<std::size_t>(button)];
        }
    }
}

void CExtSetupInfo::Terminate()
{
    SaveAllUserCommandInfoToDefaultPool();
    m_hostClasses = nullptr;
    m_optionHostClasses = nullptr;
}

void CExtSetupInfo::SaveAllUserCommandInfoToDefaultPool()
{
    if (static_cast<int>(m_pageNames.size()) != m_pages || m_pages <= 0)
        return;
    FRef<IDefaultPool> pool = createRef<IDefaultPool>(m_hostClasses);
    if (!pool)
        return;
    const std::string section = PoolSection();
    pool->setInt(section.c_str(), "MemoryIndex", m_page);
    for (int page = 0; page < m_pages; ++page)
        pool->setText(section.c_str(), formatKey("MemoryName%d", page).c_str(),
                      m_pageNames[static_cast<std::size_t>(page)].c_str());
    for (int page = 0; page < m_pages; ++page) {
        if (!IsAllUserCmdInfoValid(page))
            continue;
        for (int button = 0; button < m_buttons; ++button) {
            const SUserCommandInfo& entry =
                m_commands[static_cast<std::size_t>(page)][static_cast<std::size_t>(button)];
            pool->setText(section.c_str(), formatKey("Category%d-%d", page, button).c_str(), entry.category.c_str());
            pool->setText(section.c_str(), formatKey("Action%d-%d", page, button).c_str(), entry.action.c_str());
            pool->setText(section.c_str(), formatKey("DisplayName%d-%d", page, button).c_str(),
                          entry.displayName.c_str());
        }
    }
}

bool CExtSetupInfo::GetUserCommandInfoFromDefaultPool(int page, int button, SUserCommandInfo& info)
{
    if (page < 0 || page >= m_pages || button < 0 || button >= m_buttons)
        return false;
    FRef<IDefaultPool> pool = createRef<IDefaultPool>(m_hostClasses);
    if (!pool)
        return false;
    const std::string section = PoolSection();
    if (const char* text = pool->getText(section.c_str(), formatKey("Category%d-%d", page, button).c_str()))
        info.category = text;
    if (const char* text = pool->getText(section.c_str(), formatKey("Action%d-%d", page, button).c_str()))
        info.action = text;
    if (const char* text = pool->getText(section.c_str(), formatKey("DisplayName%d-%d", page, button).c_str()))
        info.displayName = text;
    return info.isComplete();
}

void CExtSetupInfo::SetInfoForFile(const char* model, const char* version, DAWInfo* hostInformation)
{
    if (model) {
        m_fileModelName = model;
        AddLoadableModelName(model);
    }
    if (version)
        m_extensionVersion = version;
    if (hostInformation)
        m_hostInformation = hostInformation;
}

void CExtSetupInfo::AddLoadableModelName(const char* model)
{
    if (model)
        m_loadableModelNames.emplace_back(model);
}

void CExtSetupInfo::SetViewIndex(int view)
{
    if (view >= 0 && view <= 2)
        m_viewIndex = view;
}

IPath* CExtSetupInfo::RunFileBrowser(IFileSystem* files)
{
    FFileTypeInfo type;
    type.set(0, kOpenTypeExtension, kSaveTypeDescription);
    return files->runSaveDialog(ConstStringTable::instance()->getString("Save"), &type);
}

IPath* CExtSetupInfo::RunMultiFileBrowser(IFileSystem2* files)
{
    FFileTypeInfo types[2];
    types[0].set(0, kOpenTypeExtension, kOpenTypeDescription);
    types[1].set(0, kPredecessorTypeExtension, kPredecessorTypeDescription);
    return files->runOpenDialog(ConstStringTable::instance()->getString("Open"), types, 2);
}

void CExtSetupInfo::SaveAllData()
{
    FRef<IFileSystem> files = createRef<IFileSystem>(m_hostClasses);
    if (!files) {
        ShowMessageBox(kSaveFailed);
        return;
    }
    FRef<IPath> paths = FRef<IPath>::adopt(RunFileBrowser(files.get()));
    if (!paths || paths->countPaths() < 1 || !paths->getPath(0))
        return;
    FRef<IStream> stream = FRef<IStream>::adopt(files->openFile(paths.get(), 0, IFileSystem::kWrite));
    FRef<IXmlWriter> writer = createRef<IXmlWriter>(m_hostClasses);
    const bool written =
        stream && writer && writer->attach(stream.get()) == kResultOk && WriteCmdInfoToXml(writer.get());
    // A file only partly written is never closed: released unclosed, the host drops it and an earlier file of
    // that name stays whole.
    if (!written || files->closeFile(stream.get()) != kResultOk)
        ShowMessageBox(kSaveFailed);
}

void CExtSetupInfo::LoadAllData()
{
    m_loadResult = true;
    FRef<IFileSystem2> files = createRef<IFileSystem2>(m_hostClasses);
    if (!files)
        return;
    FRef<IPath> paths = FRef<IPath>::adopt(RunMultiFileBrowser(files.get()));
    if (!paths || paths->countPaths() != 1 || !paths->getPath(0))
        return;
    m_loadResult = false;
    if (FRef<IStream> stream = FRef<IStream>::adopt(files->openFile(paths.get(), 0, IFileSystem::kRead))) {
        LoadFromStream(stream.get());
        files->closeFile(stream.get());
    }
    if (!m_loadResult)
        ShowMessageBox(kLoadFailed);
}

bool CExtSetupInfo::LoadFromStream(IStream* stream)
{
    // Whatever an earlier read left behind must never reach the pages of this one.
    ClearStaging();
    m_loadResult = false;
    FRef<IXmlParser> parser = createRef<IXmlParser>(m_hostClasses);
    if (!stream || !parser)
        return false;
    const bool parsed = parser->parse(stream, this) == kResultOk;
    // The pages change only when the whole file was read and accepted, never after a refusal.
    if (parsed && m_rootEnded && !m_readRefused) {
        m_commands = m_stagedCommands;
        m_pageNames = m_stagedPageNames;
        m_loadResult = true;
    }
    ClearStaging();
    return m_loadResult;
}

void CExtSetupInfo::ClearStaging()
{
    const auto pages = static_cast<std::size_t>(m_pages);
    m_stagedCommands.assign(pages, std::vector<SUserCommandInfo>(static_cast<std::size_t>(m_buttons)));
    m_stagedPageNames.assign(pages, std::string());
    m_memoryBeingRead = -1;
    m_rootDepth = 0;
    m_rootEnded = false;
    m_readRefused = false;
}

void CExtSetupInfo::ShowMessageBox(const char* text)
{
    FRef<IAlert> alert = createRef<IAlert>(m_hostClasses);
    FRef<ITranslator2> translator = createRef<ITranslator2>(m_hostClasses);
    if (!alert || !translator || !text)
        return;
    // Each translation is valid only until the translator's next call.
    const auto translate = [&](const char* original) {
        const Useful::String16 wide = Useful::getTString(original);
        const char16* translated = translator->translate(wide.c_str());
        return translated ? Useful::String16(translated) : wide;
    };
    const Useful::String16 message = translate(text);
    const Useful::String16 ok = translate("OK");
    alert->showMessage(message.c_str(), ok.c_str(), nullptr);
}

bool CExtSetupInfo::IsReadyForFile() const
{
    return IsAllUserCmdInfoValid(m_page) && static_cast<int>(m_buttonNames.size()) == m_buttons &&
           !m_fileModelName.empty() && !m_extensionVersion.empty() && m_hostInformation &&
           static_cast<int>(m_pageNames.size()) == m_pages;
}

bool CExtSetupInfo::WriteCmdInfoToXml(IXmlWriter* writer)
{
    if (!writer || !IsReadyForFile())
        return false;
    // Every element is written, each answering whether the host took it.
    bool whole = writer->startElement(kRootTag, 0, nullptr, nullptr, false) == kResultOk;
    const auto element = [&](TagKind kind, std::initializer_list<std::string> values, bool empty = true) {
        whole = writeElement(writer, kind, values, empty) && whole;
    };
    const auto end = [&](const char* name) { whole = writer->endElement(name) == kResultOk && whole; };
    element(kDataTag, {kGeneralData}, false);
    element(kModelTag, {m_fileModelName, std::to_string(m_buttons), std::to_string(m_pages)});
    element(kFileTag, {kFileVersion});
    element(kDawTag, {m_hostInformation->getDAWName(), m_hostInformation->getVersionString(),
                      std::to_string(m_hostInformation->getBuildNumber())});
    element(kExtensionTag, {m_extensionVersion});
    end("data");
    for (int page = 0; page < m_pages; ++page) {
        element(kDataTag, {formatKey("Memory %d", page + 1)}, false);
        if (m_pages >= 2)
            element(kMemoryTag, {m_pageNames[static_cast<std::size_t>(page)]});
        for (int button = 0; button < m_buttons && IsAllUserCmdInfoValid(page); ++button) {
            const SUserCommandInfo& entry =
                m_commands[static_cast<std::size_t>(page)][static_cast<std::size_t>(button)];
            element(kCommandTag,
                    {m_buttonNames[static_cast<std::size_t>(button)], entry.category, entry.action, entry.displayName});
        }
        end("data");
    }
    end(kRootTag);
    return whole;
}

CExtSetupInfo::TagKind CExtSetupInfo::AnalyzeXmlTag(const char* name, int count, const char* const* attributeNames)
{
    if (!name || count <= 0 || !attributeNames)
        return kUnknownTag;
    for (int kind = kDataTag; kind <= kCommandTag; ++kind) {
        const TagFormat& format = kTagFormats[kind - 1];
        if (std::strcmp(name, format.name) == 0)
            return count == format.count && IsSameStrings(attributeNames, format.attributes, count)
                       ? static_cast<TagKind>(kind)
                       : kUnknownTag;
    }
    return kUnknownTag;
}

bool CExtSetupInfo::IsSameStrings(const char* const* a, const char* const* b, int count)
{
    if (!a || !b)
        return false;
    for (int i = 0; i < count; ++i)
        if (!a[i] || !b[i] || std::strcmp(a[i], b[i]) != 0)
            return false;
    return true;
}

bool CExtSetupInfo::startTag(IXmlParser* parser, const char* name, int32 count, const char* const* attributeNames,
                             const char* const* attributeValues)
{
    bool accepted = false;
    if (parser && name && IsReadyForFile() && !m_readRefused) {
        if (std::strcmp(name, kRootTag) == 0) {
            // One root per file: a root inside the root would commit the file half read.
            accepted = m_rootDepth == 0 && !m_rootEnded;
            m_rootDepth = 1;
        } else if (m_rootDepth == 1) {
            const TagKind kind = AnalyzeXmlTag(name, count, attributeNames);
            accepted =
                kind != kUnknownTag && allPresent(attributeValues, count) && AcceptElement(kind, attributeValues);
        }
    }
    if (!accepted) {
        m_readRefused = true;
        if (parser)
            parser->stop();
    }
    return accepted;
}

bool CExtSetupInfo::AcceptElement(TagKind kind, const char* const* values)
{
    const bool inMemory = m_memoryBeingRead >= 0 && m_memoryBeingRead < m_pages;
    switch (kind) {
    case kDataTag: {
        if (std::strcmp(values[0], kGeneralData) == 0) {
            m_memoryBeingRead = -1;
            return true;
        }
        const char* blank = std::strchr(values[0], ' ');
        const int number = blank ? parseCount(blank + 1) : -1;
        m_memoryBeingRead = number > 0 ? number - 1 : -1;
        return m_memoryBeingRead >= 0 && m_memoryBeingRead < m_pages;
    }
    case kModelTag: {
        bool known = false;
        for (const std::string& model : m_loadableModelNames)
            known = known || model == values[0];
        return known && parseCount(values[1]) == m_buttons && parseCount(values[2]) == m_pages;
    }
    case kFileTag: {
        const int version = parseCount(values[0]);
        return version >= kLowestFileVersion && version <= kHighestFileVersion;
    }
    case kDawTag:
    case kExtensionTag:
        return true;
    case kMemoryTag:
        if (!inMemory)
            return false;
        m_stagedPageNames[static_cast<std::size_t>(m_memoryBeingRead)] = values[0];
        return true;
    case kCommandTag:
        if (!inMemory)
            return false;
        for (int button = 0; button < m_buttons; ++button) {
            if (m_buttonNames[static_cast<std::size_t>(button)] != values[0])
                continue;
            m_stagedCommands[static_cast<std::size_t>(m_memoryBeingRead)][static_cast<std::size_t>(button)] = {
                values[1], values[2], values[3]};
            return true;
        }
        return false;
    case kUnknownTag:
        break;
    }
    return false;
}

bool CExtSetupInfo::endTag(IXmlParser*, const char* name)
{
    if (!name)
        return true;
    if (std::strcmp(name, kRootTag) == 0 && m_rootDepth == 1) {
        m_rootDepth = 0;
        m_rootEnded = !m_readRefused;
    } else if (std::strcmp(name, "data") == 0) {
        // A memory's commands belong inside its own data element.
        m_memoryBeingRead = -1;
    }
    return true;
}

bool CExtSetupInfo::gotData(IXmlParser*, const char*, int32)
{
    return true;
}
