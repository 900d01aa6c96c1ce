#pragma once

#include "HostInterfaces.h"

#include <atomic>
#include <string>
#include <utility>
#include <vector>

// Minimal host objects for tests of the extension's helpers: a value and a device whose answers the
// test sets. Reference counted; one thread.
namespace fakehost {

using namespace Quorvane;

// A test's own object behind one host interface: it answers no query and is not counted (the test
// owns it).
template <class I> class Uncounted : public I
{
public:
    tresult queryInterface(const TUID, void** object) override
    {
        *object = nullptr;
        return kNoInterface;
    }
    int32 addRef() override { return 1; }
    int32 release() override { return 1; }
};

// A dependent that records the messages it is told.
class RecordingDependent : public Uncounted<IDependent>
{
public:
    void update(FUnknown* changed, int32 message) override { messages.emplace_back(changed, message); }
    std::vector<std::pair<FUnknown*, int32>> messages;
};

class FakeDevice : public IDevice
{
public:
    explicit FakeDevice(std::string typeName = "AudioChannel") : typeName(std::move(typeName)) {}
    virtual ~FakeDevice() = default;

    tresult queryInterface(const TUID iid, void** object) override
    {
        if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IDevice::iid)) {
            addRef();
            *object = static_cast<IDevice*>(this);
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    int32 addRef() override { return ++refs; }
    int32 release() override { return --refs; } // owned by the test

    const char8* getTypeName() override { return typeName.empty() ? nullptr : typeName.c_str(); }
    const char8* getName() override { return name.c_str(); }
    int32 countSubDevices() override { return 0; }
    IDevice* getSubDevice(int32) override { return nullptr; }
    IValue* getValue(const char8*) override { return nullptr; }
    int32 countParameters() override { return 0; }
    int32 getParameterID(int32) override { return -1; }
    IValue* getParameterValue(int32) override { return nullptr; }
    const char16* getParameterName(int32) override { return nullptr; }

    std::string typeName;
    std::string name;
    std::atomic<int32> refs{1};
};

class FakeValue : public IValue2
{
public:
    virtual ~FakeValue() = default;

    tresult queryInterface(const TUID iid, void** object) override
    {
        if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IValue::iid) ||
            (answersValue2 && iidEqual(iid, IValue2::iid))) {
            addRef();
            *object = static_cast<IValue2*>(this);
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    int32 addRef() override { return ++refs; }
    int32 release() override { return --refs; } // owned by the test

    int32 getType() override { return kContinuous; }
    int32 getInt() override { return 0; }
    float getFloat() override { return 0; }
    tresult setFloat(float) override { return kResultOk; }
    float getNormalized() override { return 0; }
    tresult setNormalized(float) override { return kResultOk; }
    tresult connect(IPlugController*, int32) override { return kResultOk; }
    float getMin() override { return 0; }
    float getMax() override { return 1; }
    tresult beginEdit() override { return kResultOk; }
    tresult endEdit() override { return kResultOk; }
    int32 getParamIndex() override { return -1; }
    int32 getTag() override { return 0; }
    tresult setEnabled(bool) override { return kResultOk; }
    // Writes the text unit by unit up to size, with a terminator only when it fits (or, with
    // fillWithoutTerminator, never).
    tresult toString(char16* buffer, int32 size) override
    {
        int32 i = 0;
        for (; i < size && i < static_cast<int32>(text.size()); ++i)
            buffer[i] = text[static_cast<std::size_t>(i)];
        if (!fillWithoutTerminator && i < size)
            buffer[i] = 0;
        return kResultOk;
    }
    tresult fromString(const char16*) override { return kResultOk; }
    tresult setInt(int32, bool) override { return kResultOk; }
    tresult setMin(int32) override { return kResultOk; }
    tresult setMax(int32) override { return kResultOk; }
    bool hasDefault() override { return false; }
    float getDefault() override { return 0; }
    FUnknown* getOwner() override { return owner; }
    tresult setDefault(float) override { return kResultOk; }
    tresult setFlag(int32, bool) override { return kResultOk; }

    std::u16string text;
    bool fillWithoutTerminator = false;
    bool answersValue2 = true;
    FUnknown* owner = nullptr;
    std::atomic<int32> refs{1};
};

} // namespace fakehost
