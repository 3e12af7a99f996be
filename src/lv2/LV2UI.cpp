// The LV2 UI library: the equaliser's own X11 editor embedded in the host's window (ui:parent). The UI keeps
// an equaliser of its own for the editor to show and drive, knows it only through its effect record, and
// stays in step with the plug-in through the ports: a drag in the editor reaches the host as automation and
// goes out through write_function in real units; a port value from the host goes in through setParameter;
// the level ports' values go to the editor's meter (the equaliser's show-levels request). The editor draws
// on its own window thread; what it asks of the host (automation, size) waits until the host's next call
// into it (idle) and is delivered there, on the host's UI thread.
//
// The plug-in library links no window system (a sound server loads it), so the editor cannot open on the
// plug-in's own equaliser. When the host offers instance-access, the UI mirrors the snapshots instead: it
// starts its equaliser with the plug-in's (so a restored session shows them) and hands every change of its
// own to the plug-in's equaliser at the next idle, so the plug-in's state saves what the listener stored. A
// restore while the UI is open is taken at the next idle (the plug-in counts its restores). Both go through
// the equaliser's snapshot requests on the two effect records. The editor's "Fast processing" goes the same
// way: the UI's equaliser starts with the plug-in's engine, and a change is handed to the plug-in's equaliser
// at the next idle (its engine request switches at the next block). Without instance-access the UI cannot
// reach the plug-in: the item then shows the plug-in's default (fast) and switches only the UI's own
// equaliser, which processes no audio; the listener's choice is kept as the preference all the same.
// The spectrum behind the response curve is the plug-in's: with instance-access the UI hands the plug-in's
// spectrum tap to its editor (kSEQRequestGetSpectrumTap, kSEQRequestSetSpectrumTap), which switches it on
// while it shows the spectrum; the editor's close switches it off. The plug-in outlives its UI (hosts destroy
// the UI first). Without instance-access the UI's equaliser hears no audio: the spectrum's items are disabled.
//
// The editor's window sits directly in the host's ui:parent, so a change of its size (zoom, response view) is
// the host's to follow: the UI passes it on through ui:resize and reports the host's answer back. The host's
// ui:scaleFactor option, when it gives one, is the editor's host scale factor (its starting zoom).
//
// Threads: every entry is the host's UI thread ([host-main]).
#include <cstring>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2_util.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include "equaliser/SEQRequests.h"

#include "lv2/LV2Controls.h"
#include "lv2/LV2Entry.h"
#include "lv2/LV2Plugin.h"
#include "platform/FPUControl.h"

namespace
{

using namespace LV2Marvo;

class TLV2EqualiserUi
{
public:
    // [host-main] Null without ui:parent, without a display, or when the effect cannot be made.
    static TLV2EqualiserUi* Create(LV2UI_Write_Function Write, LV2UI_Controller Controller,
                                   const LV2_Feature* const* Features, LV2UI_Widget* Widget) noexcept
    {
        void *Parent = nullptr, *Resize = nullptr, *Map = nullptr, *Options = nullptr, *Instance = nullptr;
        lv2_features_query(Features, LV2_URID__map, &Map, false, LV2_OPTIONS__options, &Options, false,
                           LV2_UI__parent, &Parent, false, LV2_UI__resize, &Resize, false,
                           LV2_INSTANCE_ACCESS_URI, &Instance, false, nullptr);
        // The instance is this bundle's plug-in, built from the same sources as this library.
        TLV2Equaliser* Plugin = static_cast<TLV2Equaliser*>(Instance);
        const std::vector<TControl>* Controls = SharedControls();
        if (!Parent || !Controls)
            return nullptr;
        TLV2EqualiserUi* Ui = nullptr;
        try
        {
            Ui = new TLV2EqualiserUi(Write, Controller, *Controls, Plugin, static_cast<const LV2UI_Resize*>(Resize));
            Ui->FScaleFactor =
                ScaleFactor(static_cast<const LV2_URID_Map*>(Map), static_cast<const LV2_Options_Option*>(Options));
            if (!Ui->Open(Parent))
            {
                delete Ui;
                return nullptr;
            }
        }
        catch (...)
        {
            delete Ui;
            return nullptr;
        }
        // The editor's window lives inside Parent; the host places Parent.
        *Widget = Parent;
        return Ui;
    }

    ~TLV2EqualiserUi()
    {
        if (!FEffect)
            return;
        TFPUControlScope FPU;
        if (FEditorOpen)
            FEffect->dispatcher(FEffect, effEditClose, 0, 0, nullptr, 0.0f);
        FEffect->dispatcher(FEffect, effClose, 0, 0, nullptr, 0.0f);
    }

    // [host-main] A control port's value in real units from the host, or a level port's value in dB for the
    // editor's meter; other ports are ignored.
    void PortEvent(std::uint32_t Port, std::uint32_t Size, std::uint32_t Format, const void* Buffer) noexcept
    {
        if (Format != 0 || Size != sizeof(float) || !Buffer || Port < kFirstParameterPort)
            return;
        float Value;
        std::memcpy(&Value, Buffer, sizeof Value);
        const auto Parameters = static_cast<std::uint32_t>(FControls.size());
        if (Port == LevelPort(Parameters, 0) || Port == LevelPort(Parameters, 1))
        {
            FLevelsDb[Port - LevelPort(Parameters, 0)] = Value;
            TFPUControlScope FPU;
            FEffect->dispatcher(FEffect, effVendorSpecific, kSEQRequestShowLevels, 0, FLevelsDb, 0.0f);
            return;
        }
        const std::size_t I = Port - kFirstParameterPort;
        if (I >= FControls.size())
            return;
        if (Value == FShown[I])
            return;
        FShown[I] = Value;
        TFPUControlScope FPU;
        FEffect->setParameter(FEffect, FControls[I].Index, NormalisedFor(FControls[I], Value));
    }

    // [host-main] Lets the editor deliver what it asked for since the last call, takes the plug-in's snapshots
    // when the host restored them, and hands the snapshots to the plug-in when the listener changed them.
    int Idle() noexcept
    {
        TFPUControlScope FPU;
        FEffect->dispatcher(FEffect, effEditIdle, 0, 0, nullptr, 0.0f);
        if (FPluginEffect && FPlugin->Restores() != FSeenRestores)
            TakePluginSnapshots();
        if (FPluginEffect)
        {
            TSEQSnapshotSet Set;
            if (FEffect->dispatcher(FEffect, effVendorSpecific, kSEQRequestGetSnapshots, sizeof Set, &Set, 0.0f) == 1 &&
                std::memcmp(&Set, &FHanded, sizeof Set) != 0 &&
                FPluginEffect->dispatcher(FPluginEffect, effVendorSpecific, kSEQRequestSetSnapshots, sizeof Set, &Set,
                                          0.0f) == 1)
                FHanded = Set;
            const VstIntPtr Engine = FEffect->dispatcher(FEffect, effVendorSpecific, kSEQRequestGetEngine, 0, nullptr, 0.0f);
            if (Engine != FHandedEngine &&
                FPluginEffect->dispatcher(FPluginEffect, effVendorSpecific, kSEQRequestSetEngine, Engine, nullptr,
                                          0.0f) == 1)
                FHandedEngine = Engine;
        }
        return 0;
    }

private:
    // [host-main] The ui:scaleFactor option as a float; 0 without one (or without urid:map to name it).
    static float ScaleFactor(const LV2_URID_Map* Map, const LV2_Options_Option* Options)
    {
        if (!Map || !Map->map || !Options)
            return 0.0f;
        const LV2_URID Key = Map->map(Map->handle, LV2_UI__scaleFactor);
        const LV2_URID Float = Map->map(Map->handle, LV2_ATOM__Float);
        for (const LV2_Options_Option* O = Options; O->key != 0; ++O)
            if (O->key == Key && O->type == Float && O->size == sizeof(float) && O->value)
            {
                float Value;
                std::memcpy(&Value, O->value, sizeof Value);
                return Value;
            }
        return 0.0f;
    }

    TLV2EqualiserUi(LV2UI_Write_Function Write, LV2UI_Controller Controller, const std::vector<TControl>& Controls,
                    TLV2Equaliser* Plugin, const LV2UI_Resize* Resize)
        : FWrite(Write), FController(Controller), FControls(Controls), FShown(Controls.size()), FPlugin(Plugin),
          FPluginEffect(Plugin ? Plugin->Effect() : nullptr), FResize(Resize)
    {
        for (std::size_t I = 0; I < Controls.size(); ++I)
            FShown[I] = Controls[I].Default;
    }

    bool Open(void* Parent)
    {
        TFPUControlScope FPU;
        FEffect = LV2EqualiserEditorMain(&Host);
        if (!FEffect)
            return false;
        FEffect->user = this;
        FEffect->dispatcher(FEffect, effOpen, 0, 0, nullptr, 0.0f);
        // The plug-in's snapshots and engine, before the editor (and its thread) can touch the UI's.
        if (FPluginEffect)
        {
            TakePluginSnapshots();
            FHandedEngine = FPluginEffect->dispatcher(FPluginEffect, effVendorSpecific, kSEQRequestGetEngine, 0,
                                                      nullptr, 0.0f);
        }
        // The spectrum the editor shows is the plug-in's; without the plug-in there is none to show.
        void* Tap = nullptr;
        if (FPluginEffect)
            FPluginEffect->dispatcher(FPluginEffect, effVendorSpecific, kSEQRequestGetSpectrumTap, 0, &Tap, 0.0f);
        FEffect->dispatcher(FEffect, effVendorSpecific, kSEQRequestSetSpectrumTap, 0, Tap, 0.0f);
        FEffect->dispatcher(FEffect, effVendorSpecific, kSEQRequestSetEngine, FHandedEngine, nullptr, 0.0f);
        if (FScaleFactor > 0.0f)
            FEffect->dispatcher(FEffect, effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, FScaleFactor);
        FEditorOpen = FEffect->dispatcher(FEffect, effEditOpen, 0, 0, Parent, 0.0f) != 0;
        if (!FEditorOpen)
            return false;
        ERect* Rect = nullptr;
        if (FEffect->dispatcher(FEffect, effEditGetRect, 0, 0, &Rect, 0.0f) && Rect)
            SizeWindow(Rect->right - Rect->left, Rect->bottom - Rect->top);
        return true;
    }

    // [host-main] The plug-in's snapshots become the UI's equaliser's (on the editor's thread while it is open)
    // and the ones last handed over, so they are not handed back.
    void TakePluginSnapshots()
    {
        FSeenRestores = FPlugin->Restores();
        if (FPluginEffect->dispatcher(FPluginEffect, effVendorSpecific, kSEQRequestGetSnapshots, sizeof FHanded,
                                      &FHanded, 0.0f) == 1)
            FEffect->dispatcher(FEffect, effVendorSpecific, kSEQRequestSetSnapshots, sizeof FHanded, &FHanded, 0.0f);
    }

    // [host-main] Asks the host to give the editor Width x Height through ui:resize; true when it agreed.
    // Without the feature the host's window keeps its size: false.
    bool SizeWindow(VstIntPtr Width, VstIntPtr Height) const
    {
        if (!FResize || !FResize->ui_resize || Width <= 0 || Height <= 0 || Width > kMaxExtent || Height > kMaxExtent)
            return false;
        return FResize->ui_resize(FResize->handle, static_cast<int>(Width), static_cast<int>(Height)) == 0;
    }

    // [host-main] The editor's equaliser's host: automation becomes a port write in real units, a size
    // request goes to the host's ui:resize (answers 1 when the host took it).
    static VstIntPtr VSTCALL Host(AEffect* E, VstInt32 Opcode, VstInt32 Index, VstIntPtr Size, void*, float Opt)
    {
        if (Opcode == audioMasterVersion)
            return 2400;
        auto* Self = E ? static_cast<TLV2EqualiserUi*>(E->user) : nullptr;
        if (Self && Opcode == audioMasterSizeWindow)
            return Self->SizeWindow(Index, Size) ? 1 : 0;
        if (!Self || Opcode != audioMasterAutomate || Index < 0 ||
            static_cast<std::size_t>(Index) >= Self->FControls.size())
            return 0;
        const TControl& C = Self->FControls[static_cast<std::size_t>(Index)];
        const float Value = NormalizedToReal(C, Opt);
        Self->FShown[static_cast<std::size_t>(Index)] = Value;
        Self->FWrite(Self->FController, kFirstParameterPort + static_cast<std::uint32_t>(Index), sizeof Value, 0,
                     &Value);
        return 0;
    }

    LV2UI_Write_Function FWrite;
    LV2UI_Controller FController;
    const std::vector<TControl>& FControls;
    std::vector<float> FShown; // the value each parameter port had last, as the UI knows it
    AEffect* FEffect = nullptr;
    bool FEditorOpen = false;
    float FLevelsDb[2] = {kLevelFloorDb, kLevelFloorDb};
    // The plug-in and its equaliser with instance-access, else null; the snapshots it was last handed; its
    // count of restores when the UI last took its snapshots.
    TLV2Equaliser* FPlugin;
    AEffect* FPluginEffect;
    TSEQSnapshotSet FHanded;
    std::uint32_t FSeenRestores = 0;
    VstIntPtr FHandedEngine = kSEQEngineFast; // the engine the plug-in's equaliser runs, as last handed
    const LV2UI_Resize* FResize; // the host's ui:resize, null when not given
    float FScaleFactor = 0.0f;   // the host's ui:scaleFactor, 0 when not given
    static constexpr VstIntPtr kMaxExtent = 32767; // an editor rectangle's extent is 16-bit
};

TLV2EqualiserUi* Self(LV2UI_Handle Ui)
{
    return static_cast<TLV2EqualiserUi*>(Ui);
}

// [host-main]
LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function Write,
                         LV2UI_Controller Controller, LV2UI_Widget* Widget, const LV2_Feature* const* Features)
{
    return TLV2EqualiserUi::Create(Write, Controller, Features, Widget);
}

void Cleanup(LV2UI_Handle Ui) // [host-main]
{
    delete Self(Ui);
}

void PortEvent(LV2UI_Handle Ui, uint32_t Port, uint32_t Size, uint32_t Format, const void* Buffer) // [host-main]
{
    Self(Ui)->PortEvent(Port, Size, Format, Buffer);
}

int Idle(LV2UI_Handle Ui) // [host-main]
{
    return Self(Ui)->Idle();
}

const LV2UI_Idle_Interface IdleInterface = {&Idle};

const void* ExtensionData(const char* Uri) // [any]
{
    return std::strcmp(Uri, LV2_UI__idleInterface) == 0 ? &IdleInterface : nullptr;
}

const LV2UI_Descriptor Descriptor = {kUiUri, &Instantiate, &Cleanup, &PortEvent, &ExtensionData};

} // namespace

// [any] The one UI of the library.
LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t Index)
{
    return Index == 0 ? &Descriptor : nullptr;
}
