// The LV2 UI library: the equaliser's own X11 editor embedded in the host's window (ui:parent). The UI keeps
// an equaliser of its own for the editor to show and drive, knows it only through its effect record, and
// stays in step with the plug-in through the ports alone: a drag in the editor reaches the host as
// automation and goes out through write_function in real units; a port value from the host goes in through
// setParameter. The editor draws on its own window thread; what it asks of the host (automation, size) waits
// until the host's next call into it (idle) and is delivered there, on the host's UI thread.
//
// Threads: every entry is the host's UI thread ([host-main]).
#include <cstring>
#include <vector>

#include <lv2/ui/ui.h>

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
        void* Parent = nullptr;
        const LV2UI_Resize* Resize = nullptr;
        for (const LV2_Feature* const* F = Features; F && *F; ++F)
        {
            if (std::strcmp((*F)->URI, LV2_UI__parent) == 0)
                Parent = (*F)->data;
            else if (std::strcmp((*F)->URI, LV2_UI__resize) == 0)
                Resize = static_cast<const LV2UI_Resize*>((*F)->data);
        }
        const std::vector<TControl>* Controls = SharedControls();
        if (!Parent || !Controls)
            return nullptr;
        TLV2EqualiserUi* Ui = nullptr;
        try
        {
            Ui = new TLV2EqualiserUi(Write, Controller, *Controls);
            if (!Ui->Open(Parent, Resize))
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

    // [host-main] A control port's value in real units from the host; other ports (the meters) are not the
    // editor's to show, its meter shows its own equaliser.
    void PortEvent(std::uint32_t Port, std::uint32_t Size, std::uint32_t Format, const void* Buffer) noexcept
    {
        if (Format != 0 || Size != sizeof(float) || !Buffer || Port < kFirstParameterPort)
            return;
        const std::size_t I = Port - kFirstParameterPort;
        if (I >= FControls.size())
            return;
        float Value;
        std::memcpy(&Value, Buffer, sizeof Value);
        if (Value == FShown[I])
            return;
        FShown[I] = Value;
        TFPUControlScope FPU;
        FEffect->setParameter(FEffect, FControls[I].Index, NormalisedFor(FControls[I], Value));
    }

    // [host-main] Lets the editor deliver what it asked for since the last call.
    int Idle() noexcept
    {
        TFPUControlScope FPU;
        FEffect->dispatcher(FEffect, effEditIdle, 0, 0, nullptr, 0.0f);
        return 0;
    }

private:
    TLV2EqualiserUi(LV2UI_Write_Function Write, LV2UI_Controller Controller, const std::vector<TControl>& Controls)
        : FWrite(Write), FController(Controller), FControls(Controls), FShown(Controls.size())
    {
        for (std::size_t I = 0; I < Controls.size(); ++I)
            FShown[I] = Controls[I].Default;
    }

    bool Open(void* Parent, const LV2UI_Resize* Resize)
    {
        TFPUControlScope FPU;
        FEffect = LV2EqualiserEditorMain(&Host);
        if (!FEffect)
            return false;
        FEffect->user = this;
        FEffect->dispatcher(FEffect, effOpen, 0, 0, nullptr, 0.0f);
        FEditorOpen = FEffect->dispatcher(FEffect, effEditOpen, 0, 0, Parent, 0.0f) != 0;
        if (!FEditorOpen)
            return false;
        ERect* Rect = nullptr;
        if (FEffect->dispatcher(FEffect, effEditGetRect, 0, 0, &Rect, 0.0f) && Rect && Resize)
            Resize->ui_resize(Resize->handle, Rect->right - Rect->left, Rect->bottom - Rect->top);
        return true;
    }

    // [host-main] The editor's equaliser's host: automation becomes a port write in real units.
    static VstIntPtr VSTCALL Host(AEffect* E, VstInt32 Opcode, VstInt32 Index, VstIntPtr, void*, float Opt)
    {
        if (Opcode == audioMasterVersion)
            return 2400;
        auto* Self = E ? static_cast<TLV2EqualiserUi*>(E->user) : nullptr;
        if (!Self || Opcode != audioMasterAutomate || Index < 0 ||
            static_cast<std::size_t>(Index) >= Self->FControls.size())
            return 0;
        const TControl& C = Self->FControls[static_cast<std::size_t>(Index)];
        const float Value = NormalisedToReal(C, Opt);
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
