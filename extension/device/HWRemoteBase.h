#pragma once

#include "HostRemote.h"

namespace Quorvane {

// The base of a hardware remote device as the host sees it: IHWRemote with one atomic reference count,
// do-nothing or forwarding defaults, and one forwarding operation for each operation of the host's
// IHWRemoteStandard, so that a device class overrides only what it needs. The forwarding operations are
// valid between init and the object's end; only the IHWRemote defaults do nothing before init. Called
// on whatever threads the host calls the device on.
class HWRemoteBase : public IHWRemote
{
public:
    HWRemoteBase() = default;
    HWRemoteBase(const HWRemoteBase&) = delete;
    HWRemoteBase& operator=(const HWRemoteBase&) = delete;

    // FUnknown and IPluginBase.
    tresult queryInterface(const TUID iid, void** object) override;
    int32 addRef() override;
    int32 release() override;
    tresult initialize(FUnknown* context) override { return kResultOk; }
    tresult terminate() override { return kResultOk; }

    // IHWRemote.
    bool init(IHWRemoteStandard* standard) override;
    bool term() override { return true; }
    bool open() override;
    bool close() override;
    void resetAll() override;
    void changeValue(int32 index, int32 value) override;
    void doMidiEvent(void* event) override;
    void sendController(PHWRemoteControl* control, int32 index, int32 value) override;
    void sendText(const char8* text, int32 a, int32 b) override {}
    void activateBank(const char8* name) override {}
    void deactivateBank(const char8* name) override {}
    void activateLayer(const char8* name) override {}
    void onIdle() override {}

    virtual ~HWRemoteBase() = default;

    // Forwarding to the host's standard interface, each to its slot.
    virtual tresult setRemoteProperty(uint32 key, int32 value);
    virtual tresult setRemoteName(const char8* name);
    virtual tresult setRemoteFamilyID(const char8* id);
    virtual tresult addUserFunctions(const char8** names, int32 count);
    virtual IHWRemoteBank* createBank(const char8* name);
    virtual IHWRemoteBank* getBank(const char8* name);
    virtual const uint8* getMIDISysexData(void* event, int32* length);
    virtual bool getMIDIData(void* event, char8& status, char8& data1, char8& data2);
    virtual void changeValueStandard(int32 index, int32 value);
    virtual tresult sendEventStandard(int32 status, int32 data1, int32 data2);
    virtual tresult sendStandard(void* sysex);
    virtual tresult setBankStandard(const char8* name);
    virtual tresult setLayerStandard(const char8* name);
    virtual tresult requestReset();
    virtual tresult addRemoteControl(PHWRemoteControl* control);
    virtual tresult getRemoteControl(int32 index, PHWRemoteControl& control);
    virtual int32 getRemoteControlAddr(const char8* name);
    virtual tresult forceRemoteControlUpdate(int32 index);
    virtual tresult getValueProperties(int32 index, PHWRemoteValue& value);
    virtual tresult getValueText(int32 index, char8* buffer, int32 size);
    virtual tresult getValueName(int32 index, char8* buffer, int32 size);
    virtual tresult addTextDisplay(int32 a, int32 b, int32 c, int32 d, bool e, int32 f);
    virtual tresult getTextDisplayData(int32 display, int32 row, int32 column, char8* buffer, int32 size);
    virtual tresult setTextDisplayData(int32 display, int32 row, int32 column, char8* text);
    virtual tresult getTextDisplayRow(int32 display, int32 row, char8* buffer, int32 size);
    virtual tresult setTextDisplayRow(int32 display, int32 row, char8* text);
    virtual tresult requestDisplaySwitch(int32 display, int32 mode);

    IHWRemoteStandard* standard() const { return m_standard; }

private:
    int32 m_refCount = 1;
    // Written once in init, read afterwards; not referenced (the host keeps it while the device lives).
    IHWRemoteStandard* m_standard = nullptr;
};

} // namespace Quorvane
