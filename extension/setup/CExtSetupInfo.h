#pragma once

#include "CExtOption.h"
#include "CUserCmdInfo.h"
#include "HostFiles.h"

#include <string>
#include <vector>

class DAWInfo;

// The setup data of the extension: the user-command pages and the options with their home in the host's
// preference pool, and the setup files (XML) the user saves and loads through the host's file dialogs,
// XML writer and XML parser. Owned by the setup panel's controller. Host thread only.
class CExtSetupInfo : public CUserCmdInfo, public CExtOption, public Quorvane::IXmlParserDef
{
public:
    // Kinds of the setup file's elements other than the root; kUnknownTag for anything else.
    enum TagKind : int
    {
        kUnknownTag = 0,
        kDataTag = 1,
        kModelTag = 2,
        kFileTag = 3,
        kDawTag = 4,
        kExtensionTag = 5,
        kMemoryTag = 6,
        kCommandTag = 7,
    };

    CExtSetupInfo();
    // Writes nothing: the host may be gone by now, so the pages are written by Terminate.
    virtual ~CExtSetupInfo();

    // Initializes the pages and options, then takes each command the pool holds completely (category
    // and action) and the factory command for every other one. Arguments as CUserCmdInfo::Initialize.
    void Initialize(Quorvane::IHostClasses* hostClasses, const char* model, int pages, int buttons,
                    const char* const* buttonNames, const char* const* pageNames, const SUserCommandInfo* defaults);
    // Writes the pages to the pool while the host is still there, then lets go of the host: from here on
    // nothing reaches the host until the next Initialize.
    void Terminate();

    // Writes the current page, every page's name and every command to the pool.
    void SaveAllUserCommandInfoToDefaultPool();
    // Each text of the pool's command of page and button replaces its field of info; true when the
    // result names a category and an action.
    bool GetUserCommandInfoFromDefaultPool(int page, int button, SUserCommandInfo& info);

    // What setup files record: the model written (also loadable), the extension's version, the host.
    void SetInfoForFile(const char* model, const char* version, DAWInfo* hostInformation);
    // A further model whose setup files load.
    void AddLoadableModelName(const char* model);

    // The view the setup panel shows, 0 … 2; other values are ignored.
    int GetViewIndex() const { return m_viewIndex; }
    void SetViewIndex(int view);

    // Lets the user pick a setup file in the host's open dialog and loads it; "Failed to load." when the
    // file was refused (then nothing of it is applied).
    void LoadAllData();
    // Lets the user pick a file in the host's save dialog and writes the setup file to it; "Failed to save."
    // when the file could not be written whole (then an earlier file of that name stays as it was).
    void SaveAllData();
    // Reads a setup file from stream with the host's XML parser: every command and page name of an
    // accepted file replaces the current one; a refused file changes nothing. True when accepted.
    bool LoadFromStream(Quorvane::IStream* stream);
    // Shows text (translated) in the host's message box with one "OK" button.
    void ShowMessageBox(const char* text);
    // Writes the setup file; nothing unless the writer is given and the pages and the file's identity
    // are complete. True when the writer took the whole file.
    bool WriteCmdInfoToXml(Quorvane::IXmlWriter* writer);

    // The host's XML reader callbacks; a refused element stops the parse.
    bool startTag(Quorvane::IXmlParser* parser, const char* name, Quorvane::int32 count,
                  const char* const* attributeNames, const char* const* attributeValues) override;
    bool endTag(Quorvane::IXmlParser* parser, const char* name) override;
    bool gotData(Quorvane::IXmlParser* parser, const char* data, Quorvane::int32 length) override;

    // The kind of the element with these attribute names (exactly those of the file, in order).
    static TagKind AnalyzeXmlTag(const char* name, int count, const char* const* attributeNames);
    // Whether the first count texts of a and b are equal.
    static bool IsSameStrings(const char* const* a, const char* const* b, int count);

private:
    // Whether the pages and the file's identity are complete enough to write or read a file.
    bool IsReadyForFile() const;
    // Checks one element of the file and stages what it carries; false refuses the file.
    bool AcceptElement(TagKind kind, const char* const* attributeValues);
    // Empties the staging tables and forgets what a previous read left.
    void ClearStaging();
    // The host's save dialog with the setup file type: the chosen path list, or null.
    Quorvane::IPath* RunFileBrowser(Quorvane::IFileSystem* files);
    // The host's open dialog with both setup file types: the chosen path list, or null.
    Quorvane::IPath* RunMultiFileBrowser(Quorvane::IFileSystem2* files);

    int m_viewIndex = 0;
    std::string m_fileModelName;
    std::string m_extensionVersion;
    DAWInfo* m_hostInformation = nullptr; // not owned
    int m_memoryBeingRead = -1;
    CommandTable m_stagedCommands;
    std::vector<std::string> m_stagedPageNames;
    bool m_loadResult = true;
    std::vector<std::string> m_loadableModelNames;
    // The read in progress: inside the root element, the root ended, and whether an element was refused.
    int m_rootDepth = 0;
    bool m_rootEnded = false;
    bool m_readRefused = false;
};
