// Editor hosting: the plug-in's own editor embedded in a window, or a generic parameter editor built from
// standard controls in one of two layouts (a selector with one track bar, or a list of scroll bars).
// Everything here runs on the host's UI thread ([host-main]).
#include <algorithm>
#include <cmath>

#include "vsthost/DVSTHost.h"

namespace
{

constexpr int kColorWindowText = 8;
constexpr std::int32_t kMaxListRows = 2047;

// [host-main] round(Value × Scale) half to even, limited to 0..Scale (a plug-in may answer anything).
int ScaledPosition(float Value, int Scale)
{
    const long double P = std::nearbyint(static_cast<long double>(Value) * Scale);
    if (!(P >= 0.0L))
        return 0;
    return P > Scale ? Scale : static_cast<int>(P);
}

// [host-main]
template <class TControlType>
TControlType* Find(TForm* Form, const std::string& Name)
{
    return Form ? dynamic_cast<TControlType*>(Form->FindComponent(Name)) : nullptr;
}

// [host-main] Frees the owned component of that name; false when there is none.
bool FreeNamed(TForm* Form, const std::string& Name)
{
    TComponent* C = Form ? Form->FindComponent(Name) : nullptr;
    delete C;
    return C != nullptr;
}

// The selector layout's track bar and chosen parameter (Index −1 when the choice is not a parameter).
struct TSelector
{
    TTrackBar* Bar = nullptr;
    int Index = -1;
};

// [host-main]
TSelector SelectorOf(TForm* Form, std::int32_t NumParams)
{
    TSelector S;
    auto* Box = Find<TComboBox>(Form, "ParamBox");
    S.Bar = Find<TTrackBar>(Form, "ParamBar");
    if (!Box || !S.Bar)
        S.Bar = nullptr;
    else if (Box->ItemIndex() >= 0 && Box->ItemIndex() < NumParams)
        S.Index = Box->ItemIndex();
    return S;
}

// [host-main]
template <class TControlType>
TControlType* MakeControl(TForm* Form, const std::string& Name)
{
    auto* C = new TControlType(Form);
    C->SetName(Name);
    C->SetParent(Form);
    return C;
}

} // namespace

// [host-main]
bool TVstPlugIn::PluginEditorInUse() const
{
    return EffectOptions().Contains(effFlagsHasEditor) && FGUIStyle == gsDefault;
}

// [host-main]
void TVstPlugIn::ShowEdit(TForm* Form)
{
    if (!VstEffect || !Form)
        return;
    EditorWindow = Form;
    if (PluginEditorInUse())
    {
        if (!FEditVisible)
        {
            EditOpen(Form->Handle());
            EditIdle();
        }
    }
    else if (!FEditVisible)
    {
        // A generic editor already shown stays as it is (building it again would duplicate its controls).
        if (FGUIStyle == gsOld)
            BuildSelectorEditor(Form);
        else
            BuildListEditor(Form);
    }
    if (OnShowEdit)
        OnShowEdit(this, Form);
}

// [host-main]
void TVstPlugIn::BuildSelectorEditor(TForm* Form)
{
    FEditVisible = true;
    const int WindowWidth = Form->Width();

    auto* Label = MakeControl<TLabel>(Form, "LbL");
    Label->SetLeft(10);
    Label->SetTop(64);
    Label->SetCaption("");
    Label->SetCentered(true);

    auto* Bar = MakeControl<TTrackBar>(Form, "ParamBar");
    Bar->SetBounds(5, 33, WindowWidth - 20, 32);
    Bar->SetAnchors(akLeft | akTop | akRight);
    Bar->SetRange(0, 100);
    Bar->SetPosition(0);
    Bar->SetFrequency(1);
    Bar->SetTickMarksNone(true);
    Bar->SetSelection(0, 0);
    Bar->SetTabOrder(3);
    Bar->OnChange = [this](TComponent* Sender) { ParamBarChange(Sender); };

    auto* Box = MakeControl<TComboBox>(Form, "ParamBox");
    Box->SetBounds(4, 5, WindowWidth - 16, 21);
    Box->SetAnchors(akLeft | akTop | akRight);
    for (std::int32_t I = 0; I < FnumParams; ++I)
        Box->AddItem(GetParamName(I));
    Box->SetItemHeight(13);
    Box->SetTabOrder(2);
    Box->SetText("");
    Box->SetFontColor(SystemColorARGB(kColorWindowText));
    // Item 0 is selected before the handler is attached, so selecting it runs the handler once, below.
    Box->SetItemIndex(0);
    Box->OnChange = [this](TComponent* Sender) { ParamBoxChange(Sender); };
    ParamBoxChange(Box);
}

// [host-main]
void TVstPlugIn::BuildListEditor(TForm* Form)
{
    // Rows beyond what a window's 16-bit extent can show are left out (and 16 × N cannot overflow).
    const std::int32_t N = std::clamp(FnumParams, 0, kMaxListRows);
    Form->SetClientWidth(Form->Width());
    Form->SetClientHeight(16 * N + 4);
    const int WindowWidth = Form->Width();

    int W = 0;
    if (N > 0)
    {
        TLabel Measure(nullptr);
        for (std::int32_t I = 0; I < N; ++I)
            W = std::max(W, Measure.TextWidth(GetParamName(I) + ":_"));
    }
    for (std::int32_t I = 0; I < N; ++I)
    {
        const std::string Number = std::to_string(I);
        const int Top = 16 * I + 2;

        auto* Bar = MakeControl<TScrollBar>(Form, "ParamBar" + Number);
        Bar->SetBounds(W + 2, Top, WindowWidth - (W + 2) - 72, 16);
        Bar->SetAnchors(akLeft | akTop | akRight);
        Bar->SetRange(0, 1000);
        Bar->SetLargeChange(10);
        Bar->SetTag(I);
        Bar->SetTabOrder(I + 3);
        Bar->SetPosition(ScaledPosition(GetParameter(I), 1000));
        Bar->OnChange = [this](TComponent* Sender) { ParamScrollChange(Sender); };

        auto* Name = MakeControl<TLabel>(Form, "LbL" + Number);
        Name->SetLeft(2);
        Name->SetTop(Top);
        Name->SetHeight(16);
        Name->SetCaption(GetParamName(I) + ":");
        Name->SetCentered(true);

        auto* Value = MakeControl<TLabel>(Form, "LbV" + Number);
        Value->SetAutoSize(false);
        Value->SetBounds(WindowWidth - 72, Top, 65, 16);
        Value->SetCaption(GetParamDisplay(I));
        Value->SetCentered(true);
    }
    FEditVisible = true;
}

// [host-main] A list scroll bar moved: write its parameter and refresh that parameter's value label only.
void TVstPlugIn::ParamScrollChange(TComponent* Sender)
{
    try
    {
        auto* Bar = dynamic_cast<TScrollBar*>(Sender);
        if (!Bar)
            return;
        const int I = Bar->Tag();
        SetParameter(I, static_cast<float>(Bar->Position() * 0.001L));
        if (auto* Value = Find<TLabel>(EditorWindow, "LbV" + std::to_string(I)))
            Value->SetCaption(GetParamDisplay(I));
    }
    catch (...)
    {
    }
}

// [host-main] Another parameter was chosen in the selector: move the track bar to its value.
void TVstPlugIn::ParamBoxChange(TComponent*)
{
    try
    {
        const TSelector S = SelectorOf(EditorWindow, FnumParams);
        if (S.Bar && S.Index >= 0)
            S.Bar->SetPosition(ScaledPosition(GetParameter(S.Index), 100));
    }
    catch (...)
    {
    }
}

// [host-main] The selector's track bar moved: write the chosen parameter and show its display.
void TVstPlugIn::ParamBarChange(TComponent*)
{
    try
    {
        const TSelector S = SelectorOf(EditorWindow, FnumParams);
        if (!S.Bar || S.Index < 0)
            return;
        SetParameter(S.Index, static_cast<float>(S.Bar->Position() * 0.01L));
        if (auto* Label = Find<TLabel>(EditorWindow, "LbL"))
            Label->SetCaption("Value: " + GetParamDisplay(S.Index) + GetParamLabel(S.Index));
    }
    catch (...)
    {
    }
}

// [host-main]
void TVstPlugIn::CloseEdit()
{
    if (!VstEffect)
    {
        // Without an effect record nothing can be open any more; the flag must not keep Close looping.
        FEditVisible = false;
        return;
    }
    if (OnCloseEdit)
        OnCloseEdit(this);
    if (PluginEditorInUse())
        EditClose();
    else if (EditorWindow)
    {
        if (FGUIStyle == gsOld)
        {
            for (const char* Name : {"ParamBox", "ParamBar", "LbL"})
                FreeNamed(EditorWindow, Name);
        }
        else
        {
            for (int K = 0;; ++K)
            {
                const std::string Number = std::to_string(K);
                if (!FreeNamed(EditorWindow, "ParamBar" + Number) || !FreeNamed(EditorWindow, "LbL" + Number) ||
                    !FreeNamed(EditorWindow, "LbV" + Number))
                    break;
            }
        }
    }
    FreeEditorWindow();
    FEditVisible = false;
}

// [host-main]
void TVstPlugIn::FreeEditorWindow()
{
    if (EditorWindow && OwnsEditorWindow)
    {
        TForm* Window = EditorWindow;
        EditorWindow = nullptr;
        try
        {
            delete Window;
        }
        catch (...)
        {
        }
    }
}
