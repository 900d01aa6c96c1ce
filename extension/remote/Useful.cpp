#include "Useful.h"

#include "HostApplication.h"
#include "String.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

using namespace Quorvane;

namespace Useful {

namespace {

template <class Char>
Char foldUnit(Char c)
{
    const auto value = static_cast<std::make_unsigned_t<Char>>(c);
    if (value > 255)
        return c;
    return static_cast<Char>(std::tolower(static_cast<int>(value)));
}

template <class Char>
std::basic_string<Char> lowered(const std::basic_string<Char>& text)
{
    std::basic_string<Char> result(text);
    for (Char& c : result)
        c = foldUnit(c);
    return result;
}

template <class Char>
std::basic_string<Char> lowered(const Char* text)
{
    return text ? lowered(std::basic_string<Char>(text)) : std::basic_string<Char>();
}

template <class Char>
bool same(const std::basic_string<Char>& a, const std::basic_string<Char>& b, bool ignoreCase)
{
    return ignoreCase ? lowered(a) == lowered(b) : a == b;
}

template <class Char>
bool contained(const Char* text, const Char* part, bool ignoreCase)
{
    if (!text || !part)
        return false;
    const std::basic_string<Char> t = ignoreCase ? lowered(text) : std::basic_string<Char>(text);
    const std::basic_string<Char> p = ignoreCase ? lowered(part) : std::basic_string<Char>(part);
    return t.find(p) != std::basic_string<Char>::npos;
}

template <class Char>
bool replaced(std::basic_string<Char>* string, const Char* from, const Char* to)
{
    if (!string || string->empty() || !from || !to || !*from)
        return false;
    const std::basic_string<Char> f(from);
    const auto position = string->find(f);
    if (position == std::basic_string<Char>::npos)
        return false;
    string->replace(position, f.size(), to);
    return true;
}

template <class Char>
void removeSpaces(std::basic_string<Char>* string, bool onlyLeading)
{
    if (!string)
        return;
    const auto first = string->find_first_not_of(static_cast<Char>(' '));
    if (first == std::basic_string<Char>::npos) {
        string->clear();
        return;
    }
    string->erase(0, first);
    if (onlyLeading || string->size() <= 1)
        return;
    std::erase(*string, static_cast<Char>(' '));
}

bool isDeviceType(IDevice* device, const char* typeName)
{
    if (!device)
        return false;
    const char8* type = device->getTypeName();
    return type && std::strcmp(type, typeName) == 0;
}

} // namespace

String16 getLowerCaseString(const char16_t* text)
{
    return lowered(text);
}

String8 getLowerCaseString(const char* text)
{
    return lowered(text);
}

bool isSameString(const char16_t* a, const char16_t* b, bool ignoreCase)
{
    return a && b && same(String16(a), String16(b), ignoreCase);
}

bool isSameString(const char* a, const char* b, bool ignoreCase)
{
    return a && b && same(String8(a), String8(b), ignoreCase);
}

bool isSameString(const String16& a, const String16& b, bool ignoreCase)
{
    return same(a, b, ignoreCase);
}

bool isSameString(const String8& a, const String8& b, bool ignoreCase)
{
    return same(a, b, ignoreCase);
}

bool isContainedInString(const char16_t* text, const char16_t* part, bool ignoreCase)
{
    return contained(text, part, ignoreCase);
}

bool isContainedInString(const char* text, const char* part, bool ignoreCase)
{
    return contained(text, part, ignoreCase);
}

bool replaceString(String16* string, const char16_t* from, const char16_t* to)
{
    return replaced(string, from, to);
}

bool replaceString(String8* string, const char* from, const char* to)
{
    return replaced(string, from, to);
}

void removeSpaceFromString(String16* string, bool onlyLeading)
{
    removeSpaces(string, onlyLeading);
}

void removeSpaceFromString(String8* string, bool onlyLeading)
{
    removeSpaces(string, onlyLeading);
}

String8 getCString(const char16_t* text)
{
    if (!text)
        return {};
    String utf8(text);
    if (utf8.toMultiByte(kCP_UTF8))
        return utf8.text8();
    String fallback(text);
    if (fallback.toMultiByte(kCP_Default))
        return fallback.text8();
    return {};
}

String16 getTString(const char* text)
{
    if (!text)
        return {};
    String wide(text);
    if (!wide.toWideString(kCP_UTF8))
        return {};
    return wide.text16();
}

long strToL(const char16_t* text, bool hex)
{
    if (!text)
        return 0;
    const String8 bytes = getCString(text);
    return std::strtol(bytes.c_str(), nullptr, hex ? 16 : 10);
}

bool isASCIIString(const char16_t* text)
{
    return text && ConstString(text).isAsciiString();
}

String16 getValueString(IValue* value)
{
    if (!value)
        return {};
    char16 buffer[256] = {};
    value->toString(buffer, 256);
    // A host that fills the whole buffer leaves no terminator of its own.
    buffer[255] = 0;
    return String16(buffer);
}

IDevice* getIDeviceFromIValue(IValue* value)
{
    if (!value)
        return nullptr;
    IValue2* value2 = nullptr;
    if (value->queryInterface(IValue2::iid, reinterpret_cast<void**>(&value2)) != kResultOk || !value2)
        return nullptr;
    FUnknown* owner = value2->getOwner();
    value2->release();
    if (!owner)
        return nullptr;
    IDevice* device = nullptr;
    if (owner->queryInterface(IDevice::iid, reinterpret_cast<void**>(&device)) != kResultOk || !device)
        return nullptr;
    // The host keeps its devices alive; the caller holds no reference.
    device->release();
    return device;
}

bool isSysExMessage(const unsigned char* data, const unsigned char* head, int length)
{
    return data && head && length > 0 && std::memcmp(data, head, static_cast<std::size_t>(length)) == 0;
}

bool isInputChannel(IDevice* device)
{
    return isDeviceType(device, "InputChannel");
}

bool isOutputChannel(IDevice* device)
{
    return isDeviceType(device, "OutputChannel");
}

bool isAudioTrack(IDevice* device)
{
    return isDeviceType(device, "AudioChannel");
}

bool isMIDITrack(IDevice* device)
{
    return isDeviceType(device, "MidiChannel");
}

bool isInstrumentTrack(IDevice* device)
{
    return isDeviceType(device, "Synth");
}

bool isFXTrack(IDevice* device)
{
    return isDeviceType(device, "FxChannel");
}

bool isGroupTrack(IDevice* device)
{
    return isDeviceType(device, "GroupChannel");
}

} // namespace Useful

bool CElapsedTimeChecker::GetCurrentTime(IHostClasses* hostClasses, int32* out)
{
    if (!hostClasses || !out)
        return false;
    IPlatform* platform = nullptr;
    if (hostClasses->createInstance(IPlatform::iid, reinterpret_cast<void**>(&platform)) != kResultOk || !platform)
        return false;
    const bool ok = platform->getTime(out) == kResultOk;
    platform->release();
    return ok;
}

bool CElapsedTimeChecker::UpdateBaseTime(IHostClasses* hostClasses)
{
    int32 now = 0;
    if (!GetCurrentTime(hostClasses, &now))
        return false;
    m_baseTime = now;
    return true;
}

bool CElapsedTimeChecker::IsPassed(IHostClasses* hostClasses, int32 time, int32 interval, bool update)
{
    if (interval < 0)
        return false;
    int32 now = time;
    if (hostClasses && !GetCurrentTime(hostClasses, &now))
        return false;
    // Differences are taken in 64 bits so that a wrapped clock reads as gone back, never as overflow.
    const int64 diff = static_cast<int64>(now) - static_cast<int64>(m_baseTime);
    const bool passed = diff < 0 || diff >= interval;
    if (passed && update)
        m_baseTime = now;
    return passed;
}
