#pragma once

#include "HostDevices.h"
#include "HostValues.h"

#include <string>

// Free helpers for host texts (16-bit, held as std::u16string), the extension's own 8-bit texts,
// host values and SysEx buffers. Each runs on the caller's thread and keeps no state.
namespace Useful {

using String16 = std::u16string;
using String8 = std::string;

// Case folding here maps only units up to 255 through the C library's tolower; others stay as they are.
String16 getLowerCaseString(const char16_t* text);
String8 getLowerCaseString(const char* text);

bool isSameString(const char16_t* a, const char16_t* b, bool ignoreCase);
bool isSameString(const char* a, const char* b, bool ignoreCase);
bool isSameString(const String16& a, const String16& b, bool ignoreCase);
bool isSameString(const String8& a, const String8& b, bool ignoreCase);

bool isContainedInString(const char16_t* text, const char16_t* part, bool ignoreCase);
bool isContainedInString(const char* text, const char* part, bool ignoreCase);

// Replaces the first occurrence of from by to; false when nothing was replaced or an argument is
// missing or empty (to may be empty).
bool replaceString(String16* string, const char16_t* from, const char16_t* to);
bool replaceString(String8* string, const char* from, const char* to);

// Removes the leading spaces and then, unless onlyLeading or at most one character is left, every
// other space.
void removeSpaceFromString(String16* string, bool onlyLeading);
void removeSpaceFromString(String8* string, bool onlyLeading);

// The 16-bit text as UTF-8 (falling back to the default code page, then to an empty text).
String8 getCString(const char16_t* text);
// The 8-bit text read as UTF-8, widened; empty when it is not convertible.
String16 getTString(const char* text);
long strToL(const char16_t* text, bool hex);
bool isASCIIString(const char16_t* text);

// The value's display text (at most 255 units); empty for a null value.
String16 getValueString(Quorvane::IValue* value);
// The device that owns the value, not referenced (the host keeps it alive); null at any failure.
Quorvane::IDevice* getIDeviceFromIValue(Quorvane::IValue* value);

bool isSysExMessage(const unsigned char* data, const unsigned char* head, int length);

bool isInputChannel(Quorvane::IDevice* device);
bool isOutputChannel(Quorvane::IDevice* device);
bool isAudioTrack(Quorvane::IDevice* device);
bool isMIDITrack(Quorvane::IDevice* device);
bool isInstrumentTrack(Quorvane::IDevice* device);
bool isFXTrack(Quorvane::IDevice* device);
bool isGroupTrack(Quorvane::IDevice* device);

} // namespace Useful

// Measures intervals on the host's clock (milliseconds); 0 as base time means reset. Belongs to the
// thread that uses it.
class CElapsedTimeChecker
{
public:
    static bool GetCurrentTime(Quorvane::IHostClasses* hostClasses, Quorvane::int32* out);

    bool UpdateBaseTime(Quorvane::IHostClasses* hostClasses);
    void SetBaseTime(Quorvane::int32 time) { m_baseTime = time; }
    Quorvane::int32 GetBaseTime() const { return m_baseTime; }
    void ResetBaseTime() { m_baseTime = 0; }
    bool IsBaseTimeReset() const { return m_baseTime == 0; }
    // Whether interval has passed since the base time (or the clock went back); with update, a passed
    // interval moves the base to now. Without host classes, time stands for now.
    bool IsPassed(Quorvane::IHostClasses* hostClasses, Quorvane::int32 time, Quorvane::int32 interval, bool update);

private:
    Quorvane::int32 m_baseTime = 0;
};
