#include "FObject.h"
#include "FUnknown.h"
#include "FVariant.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace Quorvane;

namespace {

// Counts how many of its kind are alive.
class Tracked : public FObject
{
public:
    Tracked() { ++alive; }
    ~Tracked() override { --alive; }
    const char* isA() const override { return "Tracked"; }
    void updateDone(int32 message) override { lastDone = message; }
    static inline int alive = 0;
    int32 lastDone = 0;
};

// Records what the object model asks of the host's update handler.
class RecordingUpdateHandler : public IUpdateHandler
{
public:
    tresult queryInterface(const TUID, void** object) override
    {
        *object = nullptr;
        return kNoInterface;
    }
    int32 addRef() override { return 1; }
    int32 release() override { return 1; }
    tresult addDependent(FUnknown* object, IDependent* dependent) override
    {
        calls.push_back("add");
        lastObject = object;
        lastDependent = dependent;
        return kResultOk;
    }
    tresult removeDependent(FUnknown* object, IDependent* dependent) override
    {
        calls.push_back("remove");
        lastObject = object;
        lastDependent = dependent;
        return kResultOk;
    }
    tresult triggerUpdates(FUnknown* object, int32 message) override
    {
        calls.push_back("trigger " + std::to_string(message));
        lastObject = object;
        return kResultOk;
    }
    tresult deferUpdates(FUnknown* object, int32 message) override
    {
        calls.push_back("defer " + std::to_string(message));
        lastObject = object;
        return kResultOk;
    }
    std::vector<std::string> calls;
    FUnknown* lastObject = nullptr;
    IDependent* lastDependent = nullptr;
};

} // namespace

TEST(FObject, ReleaseDeletesAtZero)
{
    Tracked::alive = 0;
    auto* object = new Tracked;
    EXPECT_EQ(Tracked::alive, 1);
    EXPECT_EQ(object->addRef(), 2);
    EXPECT_EQ(object->release(), 1);
    EXPECT_EQ(Tracked::alive, 1);
    EXPECT_EQ(object->release(), 0);
    EXPECT_EQ(Tracked::alive, 0);
}

TEST(FObject, CountsSafelyFromManyThreads)
{
    Tracked::alive = 0;
    auto* object = new Tracked;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([object] {
            for (int i = 0; i < 1000; ++i) {
                object->addRef();
                object->release();
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(object->getRefCount(), 1);
    EXPECT_EQ(object->release(), 0);
    EXPECT_EQ(Tracked::alive, 0);
}

TEST(FObject, AnswersItsOwnInterfacesOnly)
{
    auto* object = new Tracked;
    void* result = nullptr;
    EXPECT_EQ(object->queryInterface(FUnknown::iid, &result), kResultOk);
    EXPECT_EQ(result, static_cast<FUnknown*>(object));
    EXPECT_EQ(object->getRefCount(), 2);
    EXPECT_EQ(object->queryInterface(IDependent::iid, &result), kResultOk);
    EXPECT_EQ(object->queryInterface(FObject::iid, &result), kResultOk);
    EXPECT_EQ(object->getRefCount(), 4);
    result = object;
    EXPECT_EQ(object->queryInterface(IUpdateHandler::iid, &result), kNoInterface);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(object->queryInterface(nullptr, &result), kNoInterface);
    EXPECT_EQ(object->getRefCount(), 4);
    while (object->release() > 0) {
    }
}

TEST(FObject, ItsIdentifierIsFreshAndValid)
{
    EXPECT_TRUE(FObject::iid.isValid());
    EXPECT_FALSE(FObject::iid == FUnknown::iid);
}

TEST(FObject, KnowsItsTypeName)
{
    FObject base;
    EXPECT_STREQ(base.isA(), "FObject");
    EXPECT_TRUE(base.isA("FObject"));
    EXPECT_FALSE(base.isA(nullptr));
    Tracked tracked;
    EXPECT_TRUE(tracked.isTypeOf("Tracked"));
    EXPECT_FALSE(tracked.isTypeOf("FObject", false));
}

TEST(FObject, PassesDependentsAndChangesToTheUpdateHandler)
{
    Tracked object;
    object.changed(5);
    EXPECT_EQ(object.lastDone, 5); // no handler: the object finishes the update itself
    object.deferUpdate(6);
    EXPECT_EQ(object.lastDone, 6);
    object.addDependent(&object); // without a handler nothing happens

    RecordingUpdateHandler handler;
    FObject::gUpdateHandler = &handler;
    Tracked dependent;
    object.addDependent(&dependent);
    EXPECT_EQ(handler.lastObject, static_cast<FUnknown*>(&object));
    EXPECT_EQ(handler.lastDependent, &dependent);
    object.changed(1);
    object.deferUpdate(2);
    object.removeDependent(&dependent);
    FObject::gUpdateHandler = nullptr;
    EXPECT_EQ(handler.calls, (std::vector<std::string>{"add", "trigger 1", "defer 2", "remove"}));
    EXPECT_EQ(object.lastDone, 6);
}

TEST(Singleton, RegistersUntilTermination)
{
    EXPECT_FALSE(Singleton::isTerminated());
    static FObject* instance = new FObject; // released when the process ends
    Singleton::registerInstance(&instance);
    Singleton::registerInstance(nullptr);
    EXPECT_EQ(instance->getRefCount(), 1);
}

TEST(FUID, FourWordsRoundTripThroughEveryTextForm)
{
    const FUID id(0x9DF255F2, 0x185E4472, 0x89733758, 0xD4409CE3);
    const unsigned char expected[16] = {0x9D, 0xF2, 0x55, 0xF2, 0x18, 0x5E, 0x44, 0x72,
                                        0x89, 0x73, 0x37, 0x58, 0xD4, 0x40, 0x9C, 0xE3};
    EXPECT_EQ(std::memcmp(id.data, expected, 16), 0);

    uint32 l1, l2, l3, l4;
    id.to4Int(l1, l2, l3, l4);
    EXPECT_EQ(l1, 0x9DF255F2u);
    EXPECT_EQ(l2, 0x185E4472u);
    EXPECT_EQ(l3, 0x89733758u);
    EXPECT_EQ(l4, 0xD4409CE3u);
    EXPECT_EQ(id.getLong4(), 0xD4409CE3u);

    char text[FUID::kStringSize];
    id.toString(text);
    EXPECT_STREQ(text, "9DF255F2185E447289733758D4409CE3");
    char registry[FUID::kRegistryStringSize];
    id.toRegistryString(registry);
    EXPECT_STREQ(registry, "{9DF255F2-185E-4472-8973-3758D4409CE3}");

    FUID parsed;
    EXPECT_TRUE(parsed.fromString("9df255f2185e447289733758d4409ce3"));
    EXPECT_TRUE(parsed == id);
    FUID fromRegistry;
    EXPECT_TRUE(fromRegistry.fromRegistryString(registry));
    EXPECT_TRUE(fromRegistry == id);

    FUID again;
    again.from4Int(l1, l2, l3, l4);
    EXPECT_TRUE(again == id);
    FUID fromBytes(reinterpret_cast<const char*>(expected));
    EXPECT_TRUE(fromBytes == id);
    char out[16];
    id.toTUID(out);
    EXPECT_EQ(std::memcmp(out, expected, 16), 0);
}

TEST(FUID, RejectsMalformedTextAndKeepsItsValue)
{
    const FUID id(1, 2, 3, 4);
    FUID target = id;
    EXPECT_FALSE(target.fromString("9DF255F2185E447289733758D4409CE")); // 31 characters
    EXPECT_FALSE(target.fromString("9DF255F2185E447289733758D4409CE33"));
    EXPECT_FALSE(target.fromString("9DF255F2185E447289733758D4409CEG"));
    EXPECT_FALSE(target.fromString(" DF255F2185E447289733758D4409CE3"));
    EXPECT_FALSE(target.fromString(nullptr));
    EXPECT_FALSE(target.fromRegistryString("{9DF255F2-185E-4472-8973-3758D4409CE3"));
    EXPECT_FALSE(target.fromRegistryString("{9DF255F2-185E-4472-8973-3758D4409CEX}"));
    EXPECT_TRUE(target == id);
}

TEST(FUID, PrintsInEachStyle)
{
    const FUID id(0x01020304, 0xA0B0C0D0, 0, 0xFFFFFFFF);
    char text[FUID::kPrintSize];
    id.print(text, FUID::kINLINE_UID);
    EXPECT_STREQ(text, "INLINE_UID (0x01020304, 0xA0B0C0D0, 0x00000000, 0xFFFFFFFF)");
    id.print(text, FUID::kDECLARE_UID);
    EXPECT_STREQ(text, "DECLARE_UID (0x01020304, 0xA0B0C0D0, 0x00000000, 0xFFFFFFFF)");
    id.print(text, FUID::kFUID);
    EXPECT_STREQ(text, "FUID (0x01020304, 0xA0B0C0D0, 0x00000000, 0xFFFFFFFF)");
    id.print(text, 9);
    EXPECT_STREQ(text, "DECLARE_CLASS_IID (Interface, 0x01020304, 0xA0B0C0D0, 0x00000000, 0xFFFFFFFF)");
}

TEST(FUID, GeneratesDistinctRandomIdentifiers)
{
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        FUID id;
        ASSERT_TRUE(id.generate());
        EXPECT_TRUE(id.isValid());
        EXPECT_EQ(static_cast<unsigned char>(id.data[6]) >> 4, 4);
        EXPECT_EQ(static_cast<unsigned char>(id.data[8]) >> 6, 2);
        seen.insert(std::string(id.data, 16));
    }
    EXPECT_EQ(seen.size(), 200u);
    EXPECT_FALSE(FUID().isValid());
    EXPECT_FALSE(FUID(static_cast<const char*>(nullptr)).isValid());
}

TEST(FUID, ComparesByBytes)
{
    const FUID a(1, 2, 3, 4);
    const FUID b(1, 2, 3, 5);
    EXPECT_TRUE(a == FUID(1, 2, 3, 4));
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a < b);
    EXPECT_TRUE(a == static_cast<const char*>(FUID(1, 2, 3, 4)));
    EXPECT_FALSE(a == static_cast<const char*>(nullptr));
    EXPECT_TRUE(iidEqual(a, FUID(1, 2, 3, 4)));
    EXPECT_FALSE(iidEqual(a, nullptr));
}

TEST(FVariant, CopiesDuplicateTextsAndReferenceObjects)
{
    FVariant narrow("text");
    EXPECT_FALSE(narrow.isOwner());
    FVariant copy(narrow);
    EXPECT_TRUE(copy.isOwner());
    EXPECT_STREQ(copy.getString8(), "text");
    EXPECT_NE(copy.getString8(), narrow.getString8());

    FVariant wideText(u"wide");
    FVariant wideCopy = wideText;
    EXPECT_EQ(std::u16string(wideCopy.getString16()), u"wide");
    EXPECT_TRUE(wideCopy.isOwner());

    Tracked::alive = 0;
    auto* object = new Tracked;
    {
        FVariant holder(static_cast<FUnknown*>(object));
        FVariant second(holder);
        EXPECT_EQ(object->getRefCount(), 2);
        EXPECT_EQ(second.getObject(), object);
        second = FVariant(int64(3));
        EXPECT_EQ(object->getRefCount(), 1);
        EXPECT_EQ(second.getInt(), 3);
        second.set(static_cast<FUnknown*>(object));
        EXPECT_EQ(object->getRefCount(), 2);
    }
    EXPECT_EQ(object->getRefCount(), 1);
    object->release();
    EXPECT_EQ(Tracked::alive, 0);
}

TEST(FVariant, HoldsNumbersAndEmptiesItself)
{
    FVariant v(2.5);
    EXPECT_EQ(v.getType(), FVariant::kFloat);
    EXPECT_DOUBLE_EQ(v.getFloat(), 2.5);
    EXPECT_EQ(v.getInt(), 0);
    EXPECT_EQ(v.getString8(), nullptr);
    v.set("owned");
    EXPECT_TRUE(v.isString());
    EXPECT_TRUE(v.isOwner());
    v.empty();
    EXPECT_TRUE(v.isEmpty());
    EXPECT_EQ(v.getType(), FVariant::kEmpty);
    FVariant moved(std::move(v));
    EXPECT_TRUE(moved.isEmpty());
}
