#pragma once

#include "HostApplication.h"

#include <string>

// Which host product and which version the extension runs in, analysed from the host application's
// texts. Filled once on the host's thread, then only read.
class DAWInfo
{
public:
    // Name indices of the product table; 0: not recognized.
    enum NameIndex : int
    {
        kUnknownDAW = 0,
        kSonvikIndex = 5,
        kParlexIndex = 6,
    };

    explicit DAWInfo(Quorvane::IHostApplicationW* application = nullptr);
    virtual ~DAWInfo() = default;

    // False for a null application, true otherwise.
    bool analyzeDAWInfo(Quorvane::IHostApplicationW* application);
    void storeVersionInfoFromString(const char16_t* text);
    // Index of the first decimal digit of text; -1 when there is none or text is null.
    static int getNumberStringIndex(const char16_t* text);

    // True when the product is known and every version number and the build are analysed.
    bool isAllInfoAnalyzed() const;
    // -1, 0 or 1 as the stored version is lower, equal or higher; a negative argument leaves its part out.
    int compareVersion(int major, int minor, int patch) const;

    std::string getDAWName() const { return m_name; }
    std::string getVersionString() const { return m_version; }
    int getDAWNameIndex() const { return m_nameIndex; }
    int getMajorVersion() const { return m_major; }
    int getMinorVersion() const { return m_minor; }
    int getBugFixVersion() const { return m_patch; }
    int getBuildNumber() const { return m_build; }

private:
    std::string m_name;
    std::string m_version;
    int m_nameIndex = kUnknownDAW;
    int m_major = -1;
    int m_minor = -1;
    int m_patch = -1;
    int m_build = -1;
};
