// The library's factory and entry points: GetPluginFactory on every platform, ModuleEntry/ModuleExit on
// Linux, InitDll/ExitDll on Windows. One class: the equaliser, its own controller.
#include <cstring>
#include <string>

#include "vst3/VST3Equaliser.h"

#ifndef MARVO_VST3_VERSION
#define MARVO_VST3_VERSION "1.0.0"
#endif

namespace VST3Marvo
{

namespace
{

constexpr const char* kAudioModuleClass = "Audio Module Class";
constexpr const char* kSubCategories = "Fx|EQ";
constexpr const char* kInterfaceVersion = "VST 3.7.0";

void CopyText(char* To, std::size_t Size, const char* Text)
{
    std::memset(To, 0, Size);
    std::strncpy(To, Text, Size - 1);
}

class TEqualiserFactory final : public IPluginFactory3
{
public:
    // [any] The factory lives as long as the library; references are not counted.
    tresult VST3CALL queryInterface(const TUID Iid, void** Object) override
    {
        if (!Object)
            return kInvalidArgument;
        if (SameId(Iid, kFUnknownIid) || SameId(Iid, kIPluginFactoryIid) || SameId(Iid, kIPluginFactory2Iid) ||
            SameId(Iid, kIPluginFactory3Iid))
        {
            *Object = static_cast<IPluginFactory3*>(this);
            return kResultOk;
        }
        *Object = nullptr;
        return kNoInterface;
    }
    uint32 VST3CALL addRef() override { return 1; }
    uint32 VST3CALL release() override { return 1; }

    // [any]
    tresult VST3CALL getFactoryInfo(PFactoryInfo* Info) override
    {
        if (!Info)
            return kInvalidArgument;
        std::memset(Info, 0, sizeof *Info);
        CopyText(Info->vendor, sizeof Info->vendor, kVendorName);
        Info->flags = PFactoryInfo::kUnicode;
        return kResultOk;
    }
    // [any] The fields every class-info record shares: zeroed, the class identifier, one or more instances,
    // the audio-module category.
    template <class TInfo>
    static void FillClassInfo(TInfo& Info)
    {
        std::memset(&Info, 0, sizeof Info);
        std::memcpy(Info.cid, kEqualiserClassId.Bytes, sizeof Info.cid);
        Info.cardinality = PClassInfo::kManyInstances;
        CopyText(Info.category, sizeof Info.category, kAudioModuleClass);
    }
    int32 VST3CALL countClasses() override { return 1; }
    tresult VST3CALL getClassInfo(int32 Index, PClassInfo* Info) override
    {
        if (Index != 0 || !Info)
            return kInvalidArgument;
        FillClassInfo(*Info);
        CopyText(Info->name, sizeof Info->name, kEqualiserName);
        return kResultOk;
    }
    tresult VST3CALL getClassInfo2(int32 Index, PClassInfo2* Info) override
    {
        if (Index != 0 || !Info)
            return kInvalidArgument;
        FillClassInfo(*Info);
        CopyText(Info->name, sizeof Info->name, kEqualiserName);
        CopyText(Info->subCategories, sizeof Info->subCategories, kSubCategories);
        CopyText(Info->vendor, sizeof Info->vendor, kVendorName);
        CopyText(Info->version, sizeof Info->version, MARVO_VST3_VERSION);
        CopyText(Info->sdkVersion, sizeof Info->sdkVersion, kInterfaceVersion);
        return kResultOk;
    }
    tresult VST3CALL getClassInfoUnicode(int32 Index, PClassInfoW* Info) override
    {
        if (Index != 0 || !Info)
            return kInvalidArgument;
        FillClassInfo(*Info);
        CopyString16(Info->name, 64, Widen(kEqualiserName));
        CopyText(Info->subCategories, sizeof Info->subCategories, kSubCategories);
        CopyString16(Info->vendor, 64, Widen(kVendorName));
        CopyString16(Info->version, 64, Widen(MARVO_VST3_VERSION));
        CopyString16(Info->sdkVersion, 64, Widen(kInterfaceVersion));
        return kResultOk;
    }
    tresult VST3CALL setHostContext(FUnknown*) override { return kResultOk; }

    // [host-main]
    tresult VST3CALL createInstance(FIDString Cid, FIDString Iid, void** Object) override
    {
        if (!Object)
            return kInvalidArgument;
        *Object = nullptr;
        if (!SameId(Cid, kEqualiserClassId) || !Iid)
            return kNoInterface;
        TVST3Equaliser* Instance = TVST3Equaliser::Create();
        if (!Instance)
            return kOutOfMemory;
        const tresult Result = Instance->queryInterface(Iid, Object);
        static_cast<IComponent*>(Instance)->release(); // the creation's own reference
        return Result;
    }
};

TEqualiserFactory Factory;

} // namespace

} // namespace VST3Marvo

#if defined(_WIN32)
#define MARVO_VST3_EXPORT extern "C" __declspec(dllexport)
#else
#define MARVO_VST3_EXPORT extern "C" __attribute__((visibility("default")))
#endif

MARVO_VST3_EXPORT VST3Marvo::IPluginFactory* VST3CALL GetPluginFactory()
{
    return &VST3Marvo::Factory;
}

#if defined(_WIN32)
MARVO_VST3_EXPORT bool InitDll()
{
    return true;
}
MARVO_VST3_EXPORT bool ExitDll()
{
    return true;
}
#else
MARVO_VST3_EXPORT bool ModuleEntry(void*)
{
    return true;
}
MARVO_VST3_EXPORT bool ModuleExit()
{
    return true;
}
#endif
