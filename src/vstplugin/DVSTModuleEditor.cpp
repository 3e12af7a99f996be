// The editor window behind the dispatcher's editor opcodes, and the keys a host forwards to it.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "vstplugin/DVSTModule.h"
#include "vstplugin/DVSTModuleTexts.h"

using namespace VSTModuleDetail;

namespace
{
// Windows virtual-key code of a VST virtual key (index = VST code); 0 for codes without one.
constexpr std::uint8_t VirtualKeyTable[58] = {
    0,   8,   9,   12,  13,  19,  27,  32,  34,  35,  36,  37,  38,  39,  40,  38,  40,  41,  42,  13,
    44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  106, 107, 108, 109, 110, 111,
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 144, 145, 16,  17,  18,  93};

// Window messages sent to the editor for a forwarded key.
enum : unsigned
{
    WM_KEYDOWN_ = 0x0100,
    WM_KEYUP_ = 0x0101,
    WM_CHAR_ = 0x0102,
    WM_SYSKEYDOWN_ = 0x0104,
    WM_SYSKEYUP_ = 0x0105
};
} // namespace

// [editor] Forwards a key to the open editor as window messages; see the answer rules in the header.
std::int32_t TCustomVSTModule::EditKey(bool Down, std::int32_t Character, std::intptr_t VirtualKey, float Modifiers)
{
    if (!FKeysRequired)
        return -1;
    TVstKeyCode KeyCode{};
    KeyCode.character = Character;
    KeyCode.virt = static_cast<std::uint8_t>(VirtualKey & 0xFF);
    KeyCode.modifier = static_cast<std::uint8_t>(RoundToInteger(Modifiers) & 0xFF);
    TEditorWindow* Form = FEditorForm.load();
    if (!Form)
        return 0;
    try
    {
        std::int32_t Code;
        if (KeyCode.character != 0)
            Code = KeyCode.character - ((KeyCode.modifier & MODIFIER_SHIFT) ? 32 : 0);
        else
            Code = KeyCode.virt < sizeof VirtualKeyTable ? VirtualKeyTable[KeyCode.virt] : 0;
        TEditorWindow* Target = Form;
        const std::intptr_t L = KeyCode.virt != 0 ? 256 : 0;
        const auto W = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(Code));
        const bool Alternate = (KeyCode.modifier & MODIFIER_ALTERNATE) != 0;
        if (Down)
        {
            if (Alternate)
                Target->SendKeyMessage(WM_KEYDOWN_, W, L);
            else
                Target->SendKeyMessage(WM_SYSKEYDOWN_, W, 0x2000);
            Target->SendKeyMessage(WM_CHAR_, W, L);
            if (OnEditorKeyDown)
                OnEditorKeyDown(this, KeyCode);
        }
        else
        {
            if (Alternate)
                Target->SendKeyMessage(WM_KEYUP_, W, L);
            else
                Target->SendKeyMessage(WM_SYSKEYUP_, W, 0x2000);
            if (OnEditorKeyUp)
                OnEditorKeyUp(this, KeyCode);
        }
        return (OnCheckKey && OnCheckKey(this, static_cast<char>(Code))) ? 1 : -1;
    }
    catch (...)
    {
        return -1;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Editor window

// [editor] OnEditOpen creates the window; it is embedded in ParentWindow at (0, 0) without border, and
// a module-level OnParameterChange sees every current value. A window still open is closed first.
std::int32_t TCustomVSTModule::EditorOpen(void* ParentWindow)
{
    if (FEditorForm)
        EditorClose();
    TEditorWindow* GUI = nullptr;
    if (OnEditOpen)
        OnEditOpen(this, GUI);
    if (!GUI)
        return 0;
    std::int32_t Answer = 0;
    try
    {
        FEditorForm = GUI;
        GUI->EmbedAsEditor(ParentWindow);
        Answer = 1;
        if (OnParameterChange && !Flags().Contains(effFlagsProgramChunks))
        {
            // What the handler leaves in the value is the stored value. The cells are shared with threads
            // that may write parameters meanwhile, so they are read and written atomically.
            const std::int32_t Current = FCurrentProgram.load();
            const bool OfProgram = numPrograms() >= 1 && Current >= 0 && Current < FPrograms->Count();
            std::vector<float>& Values = OfProgram ? (*FPrograms)[Current].ParameterValues : FParameterValues;
            const std::int32_t Count = std::min(numParams(), FParameterProperties->Count());
            for (std::int32_t I = 0; I < Count; ++I)
            {
                const auto Position = static_cast<std::size_t>(I);
                if (Position >= Values.size())
                {
                    float Missing = 0.0f;
                    OnParameterChange(this, I, Missing);
                    continue;
                }
                std::atomic_ref<float> Cell(Values[Position]);
                float Value = Cell.load(std::memory_order_relaxed);
                OnParameterChange(this, I, Value);
                Cell.store(Value, std::memory_order_relaxed);
            }
        }
    }
    catch (...)
    {
    }
    return Answer;
}

// [editor] OnEditClose, then the window is destroyed and forgotten (also when the handler fails).
void TCustomVSTModule::EditorClose()
{
    struct TDestroyForm
    {
        std::atomic<TEditorWindow*>& Form;
        ~TDestroyForm() { delete Form.exchange(nullptr); }
    } Destroy{FEditorForm};
    if (OnEditClose)
        OnEditClose(this);
}

// [editor] OnEditIdle once per pending update while a window is open; an update marked while the
// handler runs is kept for the next call, one the handler fails on too.
void TCustomVSTModule::EditorIdle()
{
    if (!FEditorForm || !FEditorNeedsUpdate.exchange(false))
        return;
    try
    {
        if (OnEditIdle)
            OnEditIdle(this);
    }
    catch (...)
    {
        FEditorNeedsUpdate.store(true);
        throw;
    }
}
