#include "HWRemoteBase.h"

namespace Quorvane {

tresult HWRemoteBase::queryInterface(const TUID iid, void** object)
{
    if (!object)
        return kInvalidArgument;
    if (iidEqual(iid, FUnknown::iid) || iidEqual(iid, IPluginBase::iid) || iidEqual(iid, IHWRemote::iid)) {
        addRef();
        *object = static_cast<IHWRemote*>(this);
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

int32 HWRemoteBase::addRef()
{
    return FUnknown::atomicAdd(m_refCount, 1);
}

int32 HWRemoteBase::release()
{
    const int32 count = FUnknown::atomicAdd(m_refCount, -1);
    if (count == 0)
        delete this;
    return count;
}

bool HWRemoteBase::init(IHWRemoteStandard* standard)
{
    m_standard = standard;
    return true;
}

bool HWRemoteBase::open()
{
    return m_standard ? m_standard->open() : false;
}

bool HWRemoteBase::close()
{
    return m_standard ? m_standard->close() : false;
}

void HWRemoteBase::resetAll()
{
    if (m_standard)
        m_standard->resetAll();
}

void HWRemoteBase::changeValue(int32 index, int32 value)
{
    if (m_standard)
        m_standard->changeValue(index, value);
}

void HWRemoteBase::doMidiEvent(void* event)
{
    if (m_standard)
        m_standard->doMidiEvent(event);
}

void HWRemoteBase::sendController(PHWRemoteControl* control, int32 index, int32 value)
{
    if (m_standard)
        m_standard->sendController(control, index, value);
}

tresult HWRemoteBase::setRemoteProperty(uint32 key, int32 value)
{
    return m_standard->setRemoteProperty(key, value);
}

tresult HWRemoteBase::setRemoteName(const char8* name)
{
    return m_standard->setRemoteName(name);
}

tresult HWRemoteBase::setRemoteFamilyID(const char8* id)
{
    return m_standard->setRemoteFamilyID(id);
}

tresult HWRemoteBase::addUserFunctions(const char8** names, int32 count)
{
    return m_standard->addUserFunctions(names, count);
}

IHWRemoteBank* HWRemoteBase::createBank(const char8* name)
{
    return m_standard->createBank(name);
}

IHWRemoteBank* HWRemoteBase::getBank(const char8* name)
{
    return m_standard->getBank(name);
}

const uint8* HWRemoteBase::getMIDISysexData(void* event, int32* length)
{
    return m_standard->getMIDISysexData(event, length);
}

bool HWRemoteBase::getMIDIData(void* event, char8& status, char8& data1, char8& data2)
{
    return m_standard->getMIDIData(event, status, data1, data2);
}

void HWRemoteBase::changeValueStandard(int32 index, int32 value)
{
    m_standard->changeValue(index, value);
}

tresult HWRemoteBase::sendEventStandard(int32 status, int32 data1, int32 data2)
{
    return m_standard->sendEvent(status, data1, data2);
}

tresult HWRemoteBase::sendStandard(void* sysex)
{
    return m_standard->send(sysex);
}

tresult HWRemoteBase::setBankStandard(const char8* name)
{
    return m_standard->setBank(name);
}

tresult HWRemoteBase::setLayerStandard(const char8* name)
{
    return m_standard->setLayer(name);
}

tresult HWRemoteBase::requestReset()
{
    return m_standard->requestReset();
}

tresult HWRemoteBase::addRemoteControl(PHWRemoteControl* control)
{
    return m_standard->addRemoteControl(control);
}

tresult HWRemoteBase::getRemoteControl(int32 index, PHWRemoteControl& control)
{
    return m_standard->getRemoteControl(index, control);
}

int32 HWRemoteBase::getRemoteControlAddr(const char8* name)
{
    return m_standard->getRemoteControlAddr(name);
}

tresult HWRemoteBase::forceRemoteControlUpdate(int32 index)
{
    return m_standard->forceRemoteControlUpdate(index);
}

tresult HWRemoteBase::getValueProperties(int32 index, PHWRemoteValue& value)
{
    return m_standard->getValueProperties(index, value);
}

tresult HWRemoteBase::getValueText(int32 index, char8* buffer, int32 size)
{
    return m_standard->getValueText(index, buffer, size);
}

tresult HWRemoteBase::getValueName(int32 index, char8* buffer, int32 size)
{
    return m_standard->getValueName(index, buffer, size);
}

tresult HWRemoteBase::addTextDisplay(int32 a, int32 b, int32 c, int32 d, bool e, int32 f)
{
    return m_standard->addTextDisplay(a, b, c, d, e, f);
}

tresult HWRemoteBase::getTextDisplayData(int32 display, int32 row, int32 column, char8* buffer, int32 size)
{
    return m_standard->getTextDisplayData(display, row, column, buffer, size);
}

tresult HWRemoteBase::setTextDisplayData(int32 display, int32 row, int32 column, char8* text)
{
    return m_standard->setTextDisplayData(display, row, column, text);
}

tresult HWRemoteBase::getTextDisplayRow(int32 display, int32 row, char8* buffer, int32 size)
{
    return m_standard->getTextDisplayRow(display, row, buffer, size);
}

tresult HWRemoteBase::setTextDisplayRow(int32 display, int32 row, char8* text)
{
    return m_standard->setTextDisplayRow(display, row, text);
}

tresult HWRemoteBase::requestDisplaySwitch(int32 display, int32 mode)
{
    return m_standard->requestDisplaySwitch(display, mode);
}

} // namespace Quorvane
