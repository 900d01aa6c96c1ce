#include "CQPXiPathFinder.h"

#include "CFileSearch.h"
#include "EditorDefinitions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

// Effect folders directly below a QPX2 folder hold no instruments, so the search leaves them alone.
const char* const kEffectFolders[] = {"Distortion", "Dynamics", "Filter", "Modulation", "Restoration",
                                      "Reverb",     "Surround", "Tools",  "Spatial"};

// Plug-ins whose instrument names are known without asking the finder: base name to names.
const std::map<std::string, std::vector<std::string>>& knownInstruments()
{
    static const std::map<std::string, std::vector<std::string>> table = [] {
        std::map<std::string, std::vector<std::string>> rows;
        const char* const selfNamed[] = {
            "Analog Factory", "ImpOSCarOSX", "impOSCarOSX", "Minimonsta_QPX2MachO", "Oddity_QPX2MachO", "PPG Wave 2.V",
            "prophetv", "Atmosphere", "Attack", "B4 II", "Cypher", "FM8", "Jupiter-8V", "Largo", "M1", "Massive",
            "minimoog V", "MonoPoly", "MS-20", "Nexus", "Neo Soul Keys", "Omnisphere", "Polysix", "Pro-53", "Predator",
            "Prophet-V2", "SampleTank2.x", "StylusRMX", "Strobe", "Sylenth1", "Trilian", "Trilogy", "Vanguard",
            "WAVESTATION",
            // The host maker's two instruments that the scan adds by their fixed component paths.
            "Virlux Sonic SE", "Drumvale SE"};
        for (const char* name : selfNamed) {
            rows[name] = {name};
        }
        rows["Atmosphere QPX OSX"] = {"Atmosphere"};
        rows["Minimonsta_QPX2Carbon"] = {"Minimonsta"};
        rows["Oddity_QPX2Carbon"] = {"Oddity"};
        rows["Trilogy QPX OSX"] = {"Trilogy"};
        return rows;
    }();
    return table;
}

} // namespace

CQPXiPathFinder::CQPXiPathFinder(const std::string& folder)
{
    if (!folder.empty()) {
        m_notSynthListPath = folder;
        if (m_notSynthListPath.back() != '/') {
            m_notSynthListPath += '/';
        }
        m_notSynthListPath += NotSynthListFileName.toStdString();
    }
}

CQPXiPathFinder::~CQPXiPathFinder() = default;

std::string CQPXiPathFinder::FileNameOf(const std::string& path)
{
    std::string baseName;
    std::string extension;
    if (!CFileSearch::SplitPath(&path, nullptr, &baseName, &extension, false)) {
        return {};
    }
    return baseName + extension;
}

std::string CQPXiPathFinder::BaseNameOf(const std::string& path)
{
    std::string baseName;
    CFileSearch::SplitPath(&path, nullptr, &baseName, nullptr, false);
    return baseName;
}

void CQPXiPathFinder::SetIgnorableQPXis(const std::vector<std::string>& names)
{
    m_ignorableNames = names;
}

bool CQPXiPathFinder::SearchAllFiles(const std::vector<std::string>& folders, std::vector<std::string>* found,
                                     bool isQPX2) const
{
    if (!found || folders.empty()) {
        return false;
    }
    CFileSearch search;
    for (const std::string& folder : folders) {
        search.ResetAll();
        if (folder.empty()) {
            continue;
        }
        if (isQPX2) {
            const std::string prefix = folder.back() == '/' ? folder : folder + "/";
            for (const char* effect : kEffectFolders) {
                search.SetIgnorableDirPath((prefix + effect).c_str());
            }
            search.SetSearchExtension("qpx");
            search.SetSearchPackageType("aPcs");
        } else {
            search.SetSearchExtension("qpx3");
        }
        if (search.SearchFiles(folder.c_str(), 0, true)) {
            StoreFilePath(search, found, isQPX2);
        }
    }
    return true;
}

bool CQPXiPathFinder::StoreFilePath(const CFileSearch& search, std::vector<std::string>* found, bool isQPX2) const
{
    struct Pass
    {
        const char* keyword;
        bool isExtension;
    };
    static const Pass qpx2Passes[] = {{"qpx", true}, {"aPcs", false}};
    static const Pass qpx3Passes[] = {{"qpx3", true}};
    const Pass* begin = isQPX2 ? std::begin(qpx2Passes) : std::begin(qpx3Passes);
    const Pass* end = isQPX2 ? std::end(qpx2Passes) : std::end(qpx3Passes);
    for (const Pass* pass = begin; pass != end; ++pass) {
        const long index = search.GetKeywordIndex(pass->keyword, pass->isExtension);
        if (index < 0) {
            return false;
        }
        const long count = search.GetNumberOfPaths(static_cast<unsigned long>(index));
        for (long n = 0; n < count; ++n) {
            const std::string path = search.GetPath(static_cast<unsigned long>(index), static_cast<unsigned long>(n));
            if (!IsIgnorable(path) && CheckNotSynthList(path)) {
                AddPath(path, found);
            }
        }
    }
    return true;
}

bool CQPXiPathFinder::IsIgnorable(const std::string& path) const
{
    const std::string fileName = FileNameOf(path);
    if (fileName.empty()) {
        return true;
    }
    return std::find(m_ignorableNames.begin(), m_ignorableNames.end(), fileName) != m_ignorableNames.end();
}

bool CQPXiPathFinder::CheckNotSynthList(const std::string& path) const
{
    const std::string fileName = FileNameOf(path);
    if (fileName.empty()) {
        return false;
    }
    if (m_notSynthListPath.empty()) {
        return true;
    }
    std::FILE* file = std::fopen(m_notSynthListPath.c_str(), "r");
    if (!file) {
        return true;
    }
    // Whole lines only: a piece of a long line must never pass for a listed name.
    char* line = nullptr;
    std::size_t capacity = 0;
    bool listed = false;
    ssize_t length = 0;
    while ((length = ::getline(&line, &capacity, file)) >= 0) {
        std::size_t used = static_cast<std::size_t>(length);
        if (used > 0 && line[used - 1] == '\n') {
            --used;
        }
        if (used == fileName.size() && std::memcmp(line, fileName.data(), used) == 0) {
            listed = true;
            break;
        }
    }
    std::free(line);
    std::fclose(file);
    return !listed;
}

void CQPXiPathFinder::AddPath(const std::string& path, std::vector<std::string>* found) const
{
    if (path.empty() || !found) {
        return;
    }
    const std::string baseName = BaseNameOf(path);
    if (baseName.empty()) {
        return;
    }
    const bool known = std::any_of(found->begin(), found->end(),
                                   [&](const std::string& stored) { return BaseNameOf(stored) == baseName; });
    if (!known) {
        found->push_back(path);
    }
}

bool CQPXiPathFinder::AddNotSynthList(const std::string& path) const
{
    if (m_notSynthListPath.empty() || BaseNameOf(path).empty()) {
        return false;
    }
    const std::string fileName = FileNameOf(path);
    // A name with a line break would split into two lines and list something else.
    if (fileName.find('\n') != std::string::npos) {
        return false;
    }
    std::FILE* file = std::fopen(m_notSynthListPath.c_str(), "a");
    if (!file) {
        return false;
    }
    const std::string line = fileName + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

std::vector<std::string> CQPXiPathFinder::GetQPXiName(const std::string& path) const
{
    const std::string baseName = BaseNameOf(path);
    if (baseName.empty()) {
        return {};
    }
    const auto& table = knownInstruments();
    const auto row = table.find(baseName);
    return row == table.end() ? std::vector<std::string>() : row->second;
}
