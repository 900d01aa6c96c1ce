#include "PluginFactory.h"

#include <cstdlib>
#include <cstring>

namespace Quorvane {

CPluginFactory* gPluginFactory = nullptr;

namespace {

// Copies a text into a fixed field, zero-filling after its end; a text that fills the field keeps no
// terminator. A null text leaves the field as it is.
void copyField(char8* field, const char8* text, int32 size)
{
    if (!text)
        return;
    int32 i = 0;
    for (; i < size && text[i] != 0; ++i)
        field[i] = text[i];
    for (; i < size; ++i)
        field[i] = 0;
}

// Widens an 8-bit field byte by byte with sign extension; the 16-bit field always ends with a terminator.
void widenField(char16* target, const char8* source, int32 sourceSize, int32 targetUnits)
{
    int32 i = 0;
    for (; i < sourceSize && i < targetUnits - 1 && source[i] != 0; ++i)
        target[i] = static_cast<char16>(static_cast<int16>(static_cast<signed char>(source[i])));
    for (; i < targetUnits; ++i)
        target[i] = 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Records

PFactoryInfo::PFactoryInfo()
{
    std::memset(this, 0, sizeof *this);
}

PFactoryInfo::PFactoryInfo(const char8* vendorText, const char8* urlText, const char8* emailText, int32 flagBits)
{
    std::memset(this, 0, sizeof *this);
    copyField(vendor, vendorText, kNameSize);
    copyField(url, urlText, kURLSize);
    copyField(email, emailText, kEmailSize);
    flags = flagBits | kUnicode;
}

PClassInfo::PClassInfo()
{
    std::memset(this, 0, sizeof *this);
}

PClassInfo::PClassInfo(const TUID classId, int32 count, const char8* categoryText, const char8* nameText)
{
    std::memset(this, 0, sizeof *this);
    if (classId)
        std::memcpy(cid, classId, sizeof cid);
    cardinality = count;
    copyField(category, categoryText, kCategorySize);
    copyField(name, nameText, kNameSize);
}

PClassInfo2::PClassInfo2()
{
    std::memset(this, 0, sizeof *this);
}

PClassInfo2::PClassInfo2(const TUID classId, int32 count, const char8* categoryText, const char8* nameText,
                         uint32 flags, const char8* subCategoriesText, const char8* vendorText,
                         const char8* versionText, const char8* sdkVersionText)
{
    std::memset(this, 0, sizeof *this);
    if (classId)
        std::memcpy(cid, classId, sizeof cid);
    cardinality = count;
    copyField(category, categoryText, PClassInfo::kCategorySize);
    copyField(name, nameText, PClassInfo::kNameSize);
    classFlags = flags;
    copyField(subCategories, subCategoriesText, kSubCategoriesSize);
    copyField(vendor, vendorText, kVendorSize);
    copyField(version, versionText, kVersionSize);
    copyField(sdkVersion, sdkVersionText, kVersionSize);
}

PClassInfoW::PClassInfoW()
{
    std::memset(this, 0, sizeof *this);
}

void PClassInfoW::fromAscii(const PClassInfo2& ci2)
{
    std::memcpy(cid, ci2.cid, sizeof cid);
    cardinality = ci2.cardinality;
    std::memcpy(category, ci2.category, sizeof category);
    classFlags = ci2.classFlags;
    std::memcpy(subCategories, ci2.subCategories, sizeof subCategories);
    widenField(name, ci2.name, PClassInfo::kNameSize, PClassInfo::kNameSize);
    widenField(vendor, ci2.vendor, PClassInfo2::kVendorSize, PClassInfo2::kVendorSize);
    widenField(version, ci2.version, PClassInfo2::kVersionSize, PClassInfo2::kVersionSize);
    widenField(sdkVersion, ci2.sdkVersion, PClassInfo2::kVersionSize, PClassInfo2::kVersionSize);
}

// ---------------------------------------------------------------------------------------------------
// CPluginFactory

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : m_factoryInfo(info) {}

CPluginFactory::~CPluginFactory()
{
    if (gPluginFactory == this)
        gPluginFactory = nullptr;
    std::free(m_classes);
}

tresult CPluginFactory::queryInterface(const TUID queried, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (iidEqual(queried, IPluginFactory::iid) || iidEqual(queried, IPluginFactory2::iid) ||
        iidEqual(queried, IPluginFactory3::iid) || iidEqual(queried, FUnknown::iid)) {
        addRef();
        *object = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

int32 CPluginFactory::addRef()
{
    return FUnknown::atomicAdd(m_refCount, 1);
}

int32 CPluginFactory::release()
{
    const int32 count = FUnknown::atomicAdd(m_refCount, -1);
    if (count == 0) {
        delete this;
        return 0;
    }
    return count;
}

tresult CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
    if (info)
        std::memcpy(static_cast<void*>(info), &m_factoryInfo, sizeof(PFactoryInfo));
    return kResultOk;
}

tresult CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
    if (!info || index < 0 || index >= m_classCount)
        return kInvalidArgument;
    if (m_classes[index].isUnicode) {
        std::memset(static_cast<void*>(info), 0, sizeof(PClassInfo));
        return kNotAvailable;
    }
    std::memcpy(static_cast<void*>(info), &m_classes[index].info8, sizeof(PClassInfo));
    return kResultOk;
}

tresult CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
    if (!info || index < 0 || index >= m_classCount)
        return kInvalidArgument;
    if (m_classes[index].isUnicode) {
        std::memset(static_cast<void*>(info), 0, sizeof(PClassInfo2));
        return kNotAvailable;
    }
    std::memcpy(static_cast<void*>(info), &m_classes[index].info8, sizeof(PClassInfo2));
    return kResultOk;
}

tresult CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    if (!info || index < 0 || index >= m_classCount)
        return kInvalidArgument;
    std::memcpy(static_cast<void*>(info), &m_classes[index].info16, sizeof(PClassInfoW));
    return kResultOk;
}

tresult CPluginFactory::createInstance(const char* cid, const char* iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    *object = nullptr;
    if (!cid)
        return kNoInterface;
    for (int32 i = 0; i < m_classCount; ++i) {
        const ClassEntry& entry = m_classes[i];
        if (!iidEqual(entry.info16.cid, cid))
            continue;
        FUnknown* instance = nullptr;
        // A class that cannot be built counts as no class: nothing may escape to the host.
        try {
            instance = entry.createFunc(entry.context);
        } catch (...) {
            instance = nullptr;
        }
        if (!instance)
            return kNoInterface;
        const tresult result = instance->queryInterface(iid, object);
        instance->release();
        if (result != kResultOk) {
            *object = nullptr;
            return kNoInterface;
        }
        return kResultOk;
    }
    return kNoInterface;
}

bool CPluginFactory::growClasses()
{
    const int32 capacity = m_maxClassCount + 10;
    auto* grown =
        static_cast<ClassEntry*>(std::realloc(m_classes, sizeof(ClassEntry) * static_cast<std::size_t>(capacity)));
    if (!grown)
        return false;
    m_classes = grown;
    m_maxClassCount = capacity;
    return true;
}

bool CPluginFactory::addEntry(const ClassEntry& entry)
{
    if (m_classCount >= m_maxClassCount && !growClasses())
        return false;
    std::memcpy(static_cast<void*>(&m_classes[m_classCount]), &entry, sizeof(ClassEntry));
    ++m_classCount;
    return true;
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunction create, void* context)
{
    if (!info || !create)
        return false;
    PClassInfo2 info2;
    std::memcpy(static_cast<void*>(&info2), info, sizeof(PClassInfo));
    return registerClass(&info2, create, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction create, void* context)
{
    if (!info || !create)
        return false;
    ClassEntry entry{};
    entry.info8 = *info;
    entry.info16.fromAscii(*info);
    entry.createFunc = create;
    entry.context = context;
    entry.isUnicode = false;
    return addEntry(entry);
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunction create, void* context)
{
    if (!info || !create)
        return false;
    ClassEntry entry{};
    entry.info16 = *info;
    entry.createFunc = create;
    entry.context = context;
    entry.isUnicode = true;
    return addEntry(entry);
}

bool CPluginFactory::isClassRegistered(const FUID& cid) const
{
    for (int32 i = 0; i < m_classCount; ++i)
        if (iidEqual(m_classes[i].info16.cid, cid.data))
            return true;
    return false;
}

} // namespace Quorvane
