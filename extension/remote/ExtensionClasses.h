#pragma once

#include "HostApplication.h"
#include "PluginFactory.h"

#include <string>

// Class identifiers of the extension's three classes, as the factory compares them byte for byte.
inline constexpr Quorvane::FUID kZELK_KDX_cid{0x9DF255F2, 0x185E4472, 0x89733758, 0xD4409CE3};
inline constexpr Quorvane::FUID kZELK_HWRemote_cid{0xF8DCF175, 0xA7304BE5, 0xA1DE1553, 0x899D2504};
inline constexpr Quorvane::FUID kZELK_Detect_cid{0xA0DC1487, 0x74BA4BF1, 0xA71252FF, 0x31B9F1BC};

inline constexpr const char* kExtensionVendor = "Telvor";
inline constexpr const char* kExtensionVersion = "1.0.2";

// The template instrument name that matches a track without an instrument.
inline const std::string kGenericTemplate{"Generic"};

// A reference-counted object answering FUnknown and IPluginBase whose set-up and tear-down do
// nothing; the registered classes derive from it. Counts are atomic; any thread.
class PluginObject : public Quorvane::IPluginBase
{
public:
    Quorvane::tresult queryInterface(const Quorvane::TUID iid, void** object) override;
    Quorvane::int32 addRef() override;
    Quorvane::int32 release() override;
    Quorvane::tresult initialize(Quorvane::FUnknown* context) override { return Quorvane::kResultOk; }
    Quorvane::tresult terminate() override { return Quorvane::kResultOk; }

protected:
    PluginObject() = default;
    virtual ~PluginObject() = default;

private:
    Quorvane::int32 m_refCount = 1;
};

// The service (one instance); created by the host through the factory.
class ZELK_KDX : public PluginObject
{
public:
    static Quorvane::FUnknown* newInstance(void* context);
};

// The remote device (any number of instances).
class ZELK_HWRemote : public PluginObject
{
public:
    static Quorvane::FUnknown* createInstance(void* context);
};

// The device detector (one instance).
class ZELK_Detect : public PluginObject
{
public:
    static Quorvane::FUnknown* createInstance(void* context);
};

// The exported factory function: the one factory with the three classes, one more reference each call.
extern "C" QUORVANE_EXPORT Quorvane::IPluginFactory* GetPluginFactory();
