#pragma once

#include "FUnknown.h"

#include <cstddef>

namespace Quorvane {

// The factory's own information, as the host reads it (452 bytes).
struct PFactoryInfo
{
    enum FactoryFlags : int32
    {
        kNoFlags = 0,
        kUnicode = 0x10
    };
    static constexpr int32 kNameSize = 64;
    static constexpr int32 kURLSize = 256;
    static constexpr int32 kEmailSize = 128;

    char8 vendor[kNameSize];
    char8 url[kURLSize];
    char8 email[kEmailSize];
    int32 flags;

    PFactoryInfo();
    // Each text is cut at its field's size (a text that fills the field keeps no terminator); the unicode
    // flag is always added.
    PFactoryInfo(const char8* vendor, const char8* url, const char8* email, int32 flags);
};

// One class of the factory, 8-bit form (116 bytes).
struct PClassInfo
{
    static constexpr int32 kManyInstances = 0x7FFFFFFF;
    static constexpr int32 kCategorySize = 32;
    static constexpr int32 kNameSize = 64;

    char cid[16];
    int32 cardinality;
    char8 category[kCategorySize];
    char8 name[kNameSize];

    PClassInfo();
    // Texts are cut at their field's size; a null text leaves its field zero.
    PClassInfo(const TUID cid, int32 cardinality, const char8* category, const char8* name);
};

// One class of the factory with its flags and version texts, 8-bit form (440 bytes).
struct PClassInfo2
{
    static constexpr int32 kSubCategoriesSize = 128;
    static constexpr int32 kVendorSize = 64;
    static constexpr int32 kVersionSize = 64;

    char cid[16];
    int32 cardinality;
    char8 category[PClassInfo::kCategorySize];
    char8 name[PClassInfo::kNameSize];
    uint32 classFlags;
    char8 subCategories[kSubCategoriesSize];
    char8 vendor[kVendorSize];
    char8 version[kVersionSize];
    char8 sdkVersion[kVersionSize];

    PClassInfo2();
    PClassInfo2(const TUID cid, int32 cardinality, const char8* category, const char8* name, uint32 classFlags,
                const char8* subCategories, const char8* vendor, const char8* version, const char8* sdkVersion);
};

// One class of the factory, 16-bit form (696 bytes).
struct PClassInfoW
{
    char cid[16];
    int32 cardinality;
    char8 category[PClassInfo::kCategorySize];
    char16 name[PClassInfo::kNameSize];
    uint32 classFlags;
    char8 subCategories[PClassInfo2::kSubCategoriesSize];
    char16 vendor[PClassInfo2::kVendorSize];
    char16 version[PClassInfo2::kVersionSize];
    char16 sdkVersion[PClassInfo2::kVersionSize];

    PClassInfoW();
    // Copies the record, widening its texts byte by byte (sign extension); each 16-bit text keeps a
    // terminator within its field.
    void fromAscii(const PClassInfo2& ci2);
};

static_assert(sizeof(PFactoryInfo) == 452);
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320 &&
              offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116);
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20 &&
              offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440);
static_assert(offsetof(PClassInfo2, classFlags) == 116 && offsetof(PClassInfo2, subCategories) == 120 &&
              offsetof(PClassInfo2, vendor) == 248 && offsetof(PClassInfo2, version) == 312 &&
              offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696);
static_assert(offsetof(PClassInfoW, cardinality) == 16 && offsetof(PClassInfoW, category) == 20 &&
              offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180 &&
              offsetof(PClassInfoW, subCategories) == 184 && offsetof(PClassInfoW, vendor) == 312 &&
              offsetof(PClassInfoW, version) == 440 && offsetof(PClassInfoW, sdkVersion) == 568);

// The host's class-factory interface: lists the classes and creates instances by class identifier.
class IPluginFactory : public FUnknown
{
public:
    virtual tresult getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 countClasses() = 0;
    virtual tresult getClassInfo(int32 index, PClassInfo* info) = 0;
    // On success object holds the new instance's interface iid with one reference for the caller.
    virtual tresult createInstance(const char* cid, const char* iid, void** object) = 0;

    QUORVANE_IID(0x3B9D0E64, 0x7C214A8F, 0x91E5D2B7, 0x0A6F43C8)

protected:
    ~IPluginFactory() = default;
};

// Factory interface with the extended 8-bit class records.
class IPluginFactory2 : public IPluginFactory
{
public:
    virtual tresult getClassInfo2(int32 index, PClassInfo2* info) = 0;

    QUORVANE_IID(0xE41A7F25, 0x6D8C4B30, 0xA2F9051E, 0x78C3B6D4)

protected:
    ~IPluginFactory2() = default;
};

// Factory interface with the 16-bit class records and the host context.
class IPluginFactory3 : public IPluginFactory2
{
public:
    virtual tresult getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult setHostContext(FUnknown* context) = 0;

    QUORVANE_IID(0x5C07B3E9, 0x12F44D6A, 0x8B3E96C1, 0xF0D2587A)

protected:
    ~IPluginFactory3() = default;
};

// Creates one instance of a registered class with one reference, or null.
using CreateFunction = FUnknown* (*)(void* context);

// The extension's class factory; the host calls it from its loading thread, the count is atomic.
class CPluginFactory : public IPluginFactory3
{
public:
    explicit CPluginFactory(const PFactoryInfo& info);
    virtual ~CPluginFactory();

    tresult queryInterface(const TUID iid, void** object) override;
    int32 addRef() override;
    int32 release() override;

    tresult getFactoryInfo(PFactoryInfo* info) override;
    int32 countClasses() override { return m_classCount; }
    tresult getClassInfo(int32 index, PClassInfo* info) override;
    tresult createInstance(const char* cid, const char* iid, void** object) override;
    tresult getClassInfo2(int32 index, PClassInfo2* info) override;
    tresult getClassInfoUnicode(int32 index, PClassInfoW* info) override;
    tresult setHostContext(FUnknown* context) override { return kResultOk; }

    bool registerClass(const PClassInfo* info, CreateFunction create, void* context = nullptr);
    bool registerClass(const PClassInfo2* info, CreateFunction create, void* context = nullptr);
    bool registerClass(const PClassInfoW* info, CreateFunction create, void* context = nullptr);
    void removeAllClasses() { m_classCount = 0; }
    bool isClassRegistered(const FUID& cid) const;

    int32 getRefCount() const { return m_refCount; }
    int32 classCapacity() const { return m_maxClassCount; }

    CPluginFactory(const CPluginFactory&) = delete;
    CPluginFactory& operator=(const CPluginFactory&) = delete;

private:
    struct ClassEntry
    {
        PClassInfo2 info8;
        PClassInfoW info16;
        CreateFunction createFunc;
        void* context;
        bool isUnicode;
    };

    bool growClasses();
    bool addEntry(const ClassEntry& entry);

    int32 m_refCount = 1;
    PFactoryInfo m_factoryInfo;
    ClassEntry* m_classes = nullptr;
    int32 m_classCount = 0;
    int32 m_maxClassCount = 0;
};

// The one factory of the process; its destructor clears it.
extern CPluginFactory* gPluginFactory;

} // namespace Quorvane
