#pragma once

#include <string>
#include <vector>

class CFileSearch;

// Finds the instrument plug-in files below a set of folders, keeps the not-a-synth list and knows the
// instrument names of well-known plug-ins; made, used and destroyed by one scan on its worker thread.
class CQPXiPathFinder
{
public:
    explicit CQPXiPathFinder(const std::string& folder);
    ~CQPXiPathFinder();

    void SetIgnorableQPXis(const std::vector<std::string>& names);
    bool SearchAllFiles(const std::vector<std::string>& folders, std::vector<std::string>* found, bool isQPX2) const;
    bool StoreFilePath(const CFileSearch& search, std::vector<std::string>* found, bool isQPX2) const;
    bool IsIgnorable(const std::string& path) const;
    bool CheckNotSynthList(const std::string& path) const;
    void AddPath(const std::string& path, std::vector<std::string>* found) const;
    bool AddNotSynthList(const std::string& path) const;
    std::vector<std::string> GetQPXiName(const std::string& path) const;

    const std::string& NotSynthListPath() const { return m_notSynthListPath; }

    // The last path component, or empty when the path has none.
    static std::string FileNameOf(const std::string& path);
    // The last path component up to its last dot, or empty when the path has none.
    static std::string BaseNameOf(const std::string& path);

private:
    std::string m_notSynthListPath;
    std::vector<std::string> m_ignorableNames;
};
