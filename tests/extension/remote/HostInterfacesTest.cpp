#include "HostInterfaces.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

using namespace Quorvane;

namespace {

// The table slot of a virtual operation under the platform's C++ ABI, where a pointer to a virtual
// member holds 1 + the slot's byte offset in its first word.
template <class F>
std::ptrdiff_t slotOf(F member)
{
    static_assert(sizeof(F) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t words[2];
    std::memcpy(words, &member, sizeof words);
    return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

} // namespace

TEST(HostInterfaces, KeepTheSlotsTheHostCallsThemBy)
{
    EXPECT_EQ(slotOf(&FUnknown::queryInterface), 0);
    EXPECT_EQ(slotOf(&FUnknown::release), 2);
    EXPECT_EQ(slotOf(&IHostClasses::createInstance), 3);
    EXPECT_EQ(slotOf(&IPlatform::getTime), 14);
    EXPECT_EQ(slotOf(&IDevice::getTypeName), 3);
    EXPECT_EQ(slotOf(&IStringList::setStrings), 4);
    EXPECT_EQ(slotOf(&ITranslator2::getLanguage), 5);
    EXPECT_EQ(slotOf(&ITranslator2::translate), 7);

    EXPECT_EQ(slotOf(&IValue::connect), 9);
    EXPECT_EQ(slotOf(&IValue::getTag), 15);
    EXPECT_EQ(slotOf(&IValue::toString), 17);
    EXPECT_EQ(slotOf(&IValue::fromString), 18);
    EXPECT_EQ(slotOf(&IValue::setInt), 19);
    EXPECT_EQ(slotOf(&IValue::setMin), 20);
    EXPECT_EQ(slotOf(&IValue::setMax), 21);
    EXPECT_EQ(slotOf(&IValue2::getOwner), 30);
    EXPECT_EQ(slotOf(&IValue2::setDefault), 32);
    EXPECT_EQ(slotOf(&IValue2::setFlag), 35);

    EXPECT_EQ(slotOf(&IHWRemote::initialize), 3);
    EXPECT_EQ(slotOf(&IHWRemote::init), 5);
    EXPECT_EQ(slotOf(&IHWRemote::doMidiEvent), 11);
    EXPECT_EQ(slotOf(&IHWRemote::onIdle), 17);

    EXPECT_EQ(slotOf(&IHWRemoteStandard::setRemoteProperty), 3);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::open), 6);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::resetAll), 8);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::addUserFunctions), 9);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::createBank), 10);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::doMidiEvent), 12);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::getMIDISysexData), 13);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::changeValue), 15);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::sendController), 16);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::send), 18);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::setLayer), 20);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::addRemoteControl), 22);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::getValueProperties), 26);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::addTextDisplay), 29);
    EXPECT_EQ(slotOf(&IHWRemoteStandard::requestDisplaySwitch), 34);
}

TEST(HostInterfaces, EveryInterfaceHasItsOwnIdentifier)
{
    const FUID ids[] = {
        FUnknown::iid, IDependent::iid, IUpdateHandler::iid, IPluginBase::iid, IHostClasses::iid,
        IHostApplicationW::iid, IIdleHandler::iid, IPlatform::iid, IPlatform2::iid, IActionHandler::iid,
        IProjectNotification::iid, IProjectInformation::iid, IProject::iid, IObjectList::iid, IProjectObject::iid,
        ITrack::iid, ITrack2::iid, IAutomation::iid, IAutomationTrack::iid, IDevice::iid, IDeviceGetter::iid,
        IDeviceList::iid, IDeviceList2::iid, IConnector::iid, IPort::iid, IPortRegistry::iid, IDetector::iid,
        IValue::iid, IValue2::iid, IStringList::iid, IFloatValue::iid, IHostOnOffValue::iid, IHostIntValue::iid,
        IHostFloatValue::iid, IHostStringValue::iid, IHostStringListValue::iid, IHWRemote::iid,
        IHWRemoteDeviceBinding::iid, IHWRemoteBank::iid, IHWRemoteStandard::iid, ITransportDevice::iid,
        IActionManager::iid, IActionManager2::iid, IPlugController::iid, IWindow::iid, IGuiDescription::iid,
        IHostMenuBar::iid, IDesktop::iid, IAlert::iid, ITranslator::iid, ITranslator2::iid, IDefaultPool::iid,
        IDefaultPool3::iid, IStream::iid, IPath::iid, IFileSystem::iid, IFileSystem2::iid, IXmlParser::iid,
        IXmlWriter::iid};
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        EXPECT_TRUE(ids[i].isValid()) << i;
        for (std::size_t j = i + 1; j < std::size(ids); ++j)
            EXPECT_FALSE(ids[i] == ids[j]) << i << " and " << j;
    }
}

TEST(HostInterfaces, FileTypeRecordsCutTheirTextsAndStayTerminated)
{
    FFileTypeInfo type;
    type.set(0, "Q9K", "ZELK6/ZELK8 Extension Setup File");
    EXPECT_STREQ(type.extension, "Q9K");
    EXPECT_STREQ(type.description, "ZELK6/ZELK8 Extension Setup File");
    EXPECT_EQ(type.extension[4], 0);
    type.set(0, "LONGEXTENSION", std::string(100, 'd').c_str());
    EXPECT_STREQ(type.extension, "LONGEXT");
    EXPECT_EQ(std::strlen(type.description), 63u);
    type.set(1, nullptr, nullptr);
    EXPECT_EQ(type.type, 1);
    EXPECT_EQ(type.extension[0], 0);
    EXPECT_EQ(type.description[0], 0);
}
