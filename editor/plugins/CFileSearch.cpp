#include "CFileSearch.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string canonicalPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// A name that does not come back unchanged from text would name another item once the scan turns it
// into a QString, so such items are left alone.
bool survivesTextConversion(const char* name)
{
    bool ascii = true;
    for (const char* c = name; *c && ascii; ++c) {
        ascii = static_cast<unsigned char>(*c) < 0x80;
    }
    if (ascii) {
        return true;
    }
    const QByteArray bytes(name);
    return QString::fromLocal8Bit(bytes).toLocal8Bit() == bytes;
}

// A bundle's type code is the first four bytes of its Contents/PkgInfo; plain files have none.
std::string bundleTypeCode(const std::string& folder)
{
    std::FILE* file = std::fopen((folder + "/Contents/PkgInfo").c_str(), "rb");
    if (!file) {
        return {};
    }
    char code[4] = {};
    const std::size_t got = std::fread(code, 1, sizeof code, file);
    std::fclose(file);
    if (got != sizeof code || std::all_of(code, code + 4, [](char c) { return c == 0; })) {
        return {};
    }
    return std::string(code, sizeof code);
}

} // namespace

std::string CFileSearch::NormalizeExtension(const std::string& extension)
{
    std::string result = (!extension.empty() && extension.front() == '.') ? extension.substr(1) : extension;
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

bool CFileSearch::SetSearchExtension(const char* extension)
{
    if (!extension) {
        return false;
    }
    const std::string keyword = NormalizeExtension(extension);
    if (GetKeywordIndex(keyword.c_str(), true) >= 0) {
        return false;
    }
    m_keywords.push_back({keyword, true, {}});
    return true;
}

bool CFileSearch::SetSearchPackageType(const char* fileType)
{
    if (!fileType || GetKeywordIndex(fileType, false) >= 0) {
        return false;
    }
    m_keywords.push_back({fileType, false, {}});
    return true;
}

bool CFileSearch::GetSearchExtension(unsigned long index, std::string* keyword) const
{
    if (!keyword) {
        return false;
    }
    keyword->clear();
    if (index >= m_keywords.size() || !m_keywords[index].isExtension) {
        return false;
    }
    *keyword = m_keywords[index].keyword;
    return true;
}

bool CFileSearch::GetSearchPackageType(unsigned long index, std::string* keyword) const
{
    if (!keyword) {
        return false;
    }
    keyword->clear();
    if (index >= m_keywords.size() || m_keywords[index].isExtension) {
        return false;
    }
    *keyword = m_keywords[index].keyword;
    return true;
}

unsigned long CFileSearch::GetNumberOfSearchKeywords() const
{
    return static_cast<unsigned long>(m_keywords.size());
}

bool CFileSearch::RemoveSearchKeywordAndPaths(unsigned long index)
{
    if (index >= m_keywords.size()) {
        return false;
    }
    m_keywords.erase(m_keywords.begin() + static_cast<long>(index));
    return true;
}

long CFileSearch::GetKeywordIndex(const char* keyword, bool isExtension) const
{
    if (!keyword) {
        return -1;
    }
    const std::string wanted = isExtension ? NormalizeExtension(keyword) : std::string(keyword);
    for (std::size_t i = 0; i < m_keywords.size(); ++i) {
        if (m_keywords[i].isExtension == isExtension && m_keywords[i].keyword == wanted) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

long CFileSearch::GetNumberOfPaths(unsigned long index) const
{
    return index < m_keywords.size() ? static_cast<long>(m_keywords[index].paths.size()) : -1;
}

bool CFileSearch::GetPath(unsigned long index, unsigned long n, std::string* path) const
{
    if (!path) {
        return false;
    }
    path->clear();
    if (index >= m_keywords.size() || n >= m_keywords[index].paths.size()) {
        return false;
    }
    *path = m_keywords[index].paths[n];
    return true;
}

std::string CFileSearch::GetPath(unsigned long index, unsigned long n) const
{
    std::string path;
    GetPath(index, n, &path);
    return path;
}

bool CFileSearch::SetIgnorableDirPath(const char* path)
{
    if (!path || !*path) {
        return false;
    }
    std::string folder(path);
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    m_ignorableDirs.push_back(folder);
    return true;
}

unsigned long CFileSearch::GetNumberOfIgnorableDirPaths() const
{
    return static_cast<unsigned long>(m_ignorableDirs.size());
}

bool CFileSearch::GetIgnorableDirPath(unsigned long index, std::string* path) const
{
    if (!path) {
        return false;
    }
    path->clear();
    if (index >= m_ignorableDirs.size()) {
        return false;
    }
    *path = m_ignorableDirs[index];
    return true;
}

bool CFileSearch::RemoveIgnorableDirPath(unsigned long index)
{
    if (index >= m_ignorableDirs.size()) {
        return false;
    }
    m_ignorableDirs.erase(m_ignorableDirs.begin() + static_cast<long>(index));
    return true;
}

void CFileSearch::ResetAll()
{
    m_keywords.clear();
    m_ignorableDirs.clear();
    m_canonicalIgnorableDirs.clear();
    m_enteredFolders.clear();
}

std::size_t CFileSearch::StoredPathCount() const
{
    std::size_t count = 0;
    for (const SKeywordAndPaths& entry : m_keywords) {
        count += entry.paths.size();
    }
    return count;
}

bool CFileSearch::IsOKToKeepSearching(const char* path, long depth) const
{
    if (!path) {
        return false;
    }
    return depth >= 0 && depth <= kMaxDepth && std::strlen(path) <= kMaxPathBytes &&
           StoredPathCount() < kMaxStoredPaths;
}

bool CFileSearch::SearchFiles(const char* folder, long depth, bool unique)
{
    if (!folder || !*folder) {
        return false;
    }
    if (depth == 0) {
        m_enteredFolders.clear();
        // Both sides of the skip test in canonical form; the folders to skip are resolved once per search.
        m_canonicalIgnorableDirs.clear();
        for (const std::string& skip : m_ignorableDirs) {
            const std::string canonical = canonicalPath(skip);
            if (!canonical.empty()) {
                m_canonicalIgnorableDirs.push_back(canonical);
            }
        }
    }
    if (!IsOKToKeepSearching(folder, depth)) {
        return true;
    }
    // The walk works on canonical paths so that folders to skip compare with the items it meets.
    std::string canonical = canonicalPath(folder);
    if (canonical.empty()) {
        return false;
    }
    return SearchFolder(canonical, depth, unique);
}

bool CFileSearch::SearchFolder(const std::string& folder, long depth, bool unique)
{
    if (!IsOKToKeepSearching(folder.c_str(), depth)) {
        return true;
    }
    struct stat info = {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    const FolderId id{static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
    if (std::find(m_enteredFolders.begin(), m_enteredFolders.end(), id) != m_enteredFolders.end()) {
        return true;
    }
    m_enteredFolders.push_back(id);

    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return false;
    }
    const std::string prefix = folder == "/" ? folder : folder + "/";
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0 || !survivesTextConversion(name)) {
            continue;
        }
        // The entry's type spares a stat for plain files; links and unknown types are looked at.
        const ItemKind kind = entry->d_type == DT_REG   ? ItemKind::File
                              : entry->d_type == DT_DIR ? ItemKind::Folder
                                                        : ItemKind::Unknown;
        SearchSubDirAndFile(prefix + name, depth, unique, kind);
    }
    ::closedir(dir);
    return true;
}

bool CFileSearch::IsIgnorableDir(const std::string& itemPath) const
{
    return std::find(m_canonicalIgnorableDirs.begin(), m_canonicalIgnorableDirs.end(), itemPath) !=
           m_canonicalIgnorableDirs.end();
}

void CFileSearch::SearchSubDirAndFile(const std::string& itemPath, long depth, bool unique, ItemKind kind)
{
    if (itemPath.empty() || !IsOKToKeepSearching(itemPath.c_str(), depth) || IsIgnorableDir(itemPath)) {
        return;
    }
    if (kind == ItemKind::Unknown) {
        struct stat info = {};
        if (::stat(itemPath.c_str(), &info) != 0) {
            return;
        }
        kind = S_ISDIR(info.st_mode) ? ItemKind::Folder : ItemKind::File;
    }
    const bool isFolder = kind == ItemKind::Folder;
    const std::string typeCode = isFolder ? bundleTypeCode(itemPath) : std::string();
    AddPath(itemPath, typeCode.empty() ? nullptr : &typeCode, unique);
    if (isFolder) {
        SearchFolder(itemPath, depth + 1, unique);
    }
}

void CFileSearch::AddPath(const std::string& path, const std::string* fileType, bool unique)
{
    std::string baseName;
    std::string extension;
    if (!SplitPath(&path, nullptr, &baseName, &extension, false)) {
        return;
    }
    extension = NormalizeExtension(extension);
    for (SKeywordAndPaths& entry : m_keywords) {
        const bool matches = entry.isExtension ? entry.keyword == extension : (fileType && entry.keyword == *fileType);
        if (!matches) {
            continue;
        }
        if (unique) {
            const bool known = std::any_of(entry.paths.begin(), entry.paths.end(), [&](const std::string& stored) {
                std::string storedBase;
                return SplitPath(&stored, nullptr, &storedBase, nullptr, false) && storedBase == baseName;
            });
            if (known) {
                continue;
            }
        }
        entry.paths.push_back(path);
    }
}

bool CFileSearch::SplitPath(const std::string* path, std::string* folder, std::string* baseName, std::string* extension,
                            bool isName)
{
    for (std::string* out : {folder, baseName, extension}) {
        if (out) {
            out->clear();
        }
    }
    if (!path || path->empty()) {
        return false;
    }
    std::string name;
    if (isName) {
        name = *path;
    } else {
        if (path->front() != '/' && path->front() != ':') {
            return false;
        }
        const std::size_t slash = path->rfind('/');
        if (slash == std::string::npos) {
            return false;
        }
        if (folder) {
            *folder = path->substr(0, slash + 1);
        }
        name = path->substr(slash + 1);
    }
    const std::size_t dot = name.rfind('.');
    std::string base = name;
    std::string ext;
    if (dot != std::string::npos && dot >= 1) {
        base = name.substr(0, dot);
        ext = name.substr(dot);
        if (ext == ".") {
            base += ext;
            ext.clear();
        }
    }
    if (baseName) {
        *baseName = base;
    }
    if (extension) {
        *extension = ext;
    }
    return true;
}

bool CFileSearch::GetDirectoryName(const std::string* path, std::string* name)
{
    if (!name) {
        return false;
    }
    name->clear();
    if (!path || path->empty()) {
        return false;
    }
    const std::size_t last = path->rfind('/');
    if (last == std::string::npos || last == 0) {
        return false;
    }
    const std::size_t before = path->rfind('/', last - 1);
    if (before == std::string::npos) {
        return false;
    }
    *name = path->substr(before + 1, last - before - 1);
    return true;
}
