// The plug-in library's one export: lv2_descriptor. Every entry turns failures into answers.
#include <cstring>

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>

#include "lv2/LV2Plugin.h"

namespace
{

using LV2Marvo::TLV2Equaliser;

TLV2Equaliser* Self(LV2_Handle Instance)
{
    return static_cast<TLV2Equaliser*>(Instance);
}

// [host-main]
LV2_Handle Instantiate(const LV2_Descriptor*, double SampleRate, const char*, const LV2_Feature* const* Features)
{
    return TLV2Equaliser::Create(SampleRate, Features);
}

void ConnectPort(LV2_Handle Instance, uint32_t Port, void* Data) // [audio]
{
    Self(Instance)->ConnectPort(Port, Data);
}

void Activate(LV2_Handle Instance) // [host-main]
{
    Self(Instance)->Activate();
}

void Run(LV2_Handle Instance, uint32_t Frames) // [audio]
{
    Self(Instance)->Run(Frames);
}

void Deactivate(LV2_Handle Instance) // [host-main]
{
    Self(Instance)->Deactivate();
}

void Cleanup(LV2_Handle Instance) // [host-main]
{
    delete Self(Instance);
}

LV2_State_Status Save(LV2_Handle Instance, LV2_State_Store_Function Store, LV2_State_Handle Handle, uint32_t,
                      const LV2_Feature* const*) // [host-main]
{
    return Self(Instance)->Save(Store, Handle);
}

LV2_State_Status Restore(LV2_Handle Instance, LV2_State_Retrieve_Function Retrieve, LV2_State_Handle Handle,
                         uint32_t, const LV2_Feature* const*) // [host-main]
{
    return Self(Instance)->Restore(Retrieve, Handle);
}

const LV2_State_Interface StateInterface = {&Save, &Restore};

const void* ExtensionData(const char* Uri) // [any]
{
    return std::strcmp(Uri, LV2_STATE__interface) == 0 ? &StateInterface : nullptr;
}

const LV2_Descriptor Descriptor = {LV2Marvo::kPluginUri, &Instantiate, &ConnectPort, &Activate, &Run,
                                   &Deactivate, &Cleanup, &ExtensionData};

} // namespace

// [any] The one plug-in of the library.
LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t Index)
{
    return Index == 0 ? &Descriptor : nullptr;
}
