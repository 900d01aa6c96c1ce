#pragma once

#include <string>
#include <vector>

// Walks a folder tree and collects the items whose extension or bundle type code matches a keyword,
// within fixed limits of depth, path length and number of hits; used by one thread at a time (the scan).
class CFileSearch
{
public:
    struct SKeywordAndPaths
    {
        std::string keyword;
        bool isExtension = true;
        std::vector<std::string> paths;
    };

    static constexpr long kMaxDepth = 19;
    static constexpr std::size_t kMaxPathBytes = 1023;
    static constexpr std::size_t kMaxStoredPaths = 1024;

    CFileSearch() = default;
    virtual ~CFileSearch() = default;

    bool SetSearchExtension(const char* extension);
    bool SetSearchPackageType(const char* fileType);
    bool GetSearchExtension(unsigned long index, std::string* keyword) const;
    bool GetSearchPackageType(unsigned long index, std::string* keyword) const;
    unsigned long GetNumberOfSearchKeywords() const;
    bool RemoveSearchKeywordAndPaths(unsigned long index);
    long GetKeywordIndex(const char* keyword, bool isExtension) const;
    long GetNumberOfPaths(unsigned long index) const;
    bool GetPath(unsigned long index, unsigned long n, std::string* path) const;
    std::string GetPath(unsigned long index, unsigned long n) const;

    bool SetIgnorableDirPath(const char* path);
    unsigned long GetNumberOfIgnorableDirPaths() const;
    bool GetIgnorableDirPath(unsigned long index, std::string* path) const;
    bool RemoveIgnorableDirPath(unsigned long index);

    void ResetAll();

    // Lists one folder and descends into its subfolders; the caller starts with depth 0.
    bool SearchFiles(const char* folder, long depth, bool unique);
    bool IsOKToKeepSearching(const char* path, long depth) const;
    void AddPath(const std::string& path, const std::string* fileType, bool unique);

    static bool SplitPath(const std::string* path, std::string* folder, std::string* baseName, std::string* extension,
                          bool isName);
    static bool GetDirectoryName(const std::string* path, std::string* name);
    // Lower-cases A-Z and drops one leading dot, as extension keywords are kept.
    static std::string NormalizeExtension(const std::string& extension);

private:
    struct FolderId
    {
        unsigned long long device;
        unsigned long long inode;
        bool operator==(const FolderId&) const = default;
    };

    enum class ItemKind
    {
        File,
        Folder,
        Unknown
    };

    bool SearchFolder(const std::string& folder, long depth, bool unique);
    void SearchSubDirAndFile(const std::string& itemPath, long depth, bool unique, ItemKind kind);
    std::size_t StoredPathCount() const;
    bool IsIgnorableDir(const std::string& itemPath) const;

    std::vector<SKeywordAndPaths> m_keywords;
    std::vector<std::string> m_ignorableDirs;
    std::vector<std::string> m_canonicalIgnorableDirs;
    // Folders entered during the current search, so that a link back up the tree is not walked again.
    std::vector<FolderId> m_enteredFolders;
};
