// marvo-vst validate: the editor opened and closed while audio runs.
#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateSupport.h"
#include "platform/Forms.h"

namespace MarvoVstValidate
{

namespace
{

constexpr int kEditorCycles = 3;
constexpr int kEditorPumps = 20;

} // namespace

void CheckEditor(TValidation& V)
{
#if !MARVO_VST_WINDOWED_EDITOR
    V.Skip("editor", "this build has no window system");
#else
    if (const std::optional<std::string> Why = DisplayUnavailable())
    {
        V.Skip("editor", *Why);
        return;
    }
    TSession S(V.Path());
    TVstPlugIn& P = *S.P;
    if (!P.EffectOptions().Contains(effFlagsHasEditor))
    {
        V.Skip("editor", "the plug-in has no editor");
        return;
    }
    TAudio A(S, 512);
    A.Resume(44100, 512);
    std::atomic<bool> Processing{true};
    std::thread Audio([&] { // [audio]
        while (Processing.load())
            A.Run(512, 512, true);
    });
    TFailures F;
    for (int Cycle = 0; Cycle < kEditorCycles; ++Cycle)
    {
        V.Step("editor", "opening the editor, time " + std::to_string(Cycle + 1));
        TFormDeclaration D;
        D.Name = "MarvoVstValidateEditor";
        D.Caption = "marvo-vst validate";
        D.ClientWidth = 400;
        D.ClientHeight = 300;
        TForm Form(nullptr, D);
        P.ShowEdit(&Form);
        if (!P.EditVisible())
        {
            F.Add("the editor did not open (time " + std::to_string(Cycle + 1) + ")");
            break;
        }
        Form.Show();
        for (int I = 0; I < kEditorPumps; ++I)
        {
            Application().ProcessMessages();
            P.EditIdle();
            if (I == kEditorPumps / 2)
            {
                P.SetParameter(0, 0.5f);
                TVstKeyCode Key{'a', 0, 0};
                V.Step("editor", "a key down and up");
                P.VstDispatch(effEditKeyDown, Key.character, Key.virt, nullptr, Key.modifier);
                P.VstDispatch(effEditKeyUp, Key.character, Key.virt, nullptr, Key.modifier);
            }
        }
        V.Step("editor", "closing the editor, time " + std::to_string(Cycle + 1));
        P.CloseEdit();
        P.EditorWindow = nullptr;
        if (P.EditVisible())
            F.Add("the editor stayed open after closing");
        Application().ProcessMessages();
    }
    Processing = false;
    Audio.join();
    V.Check("editor", F.Text());
#endif
}

} // namespace MarvoVstValidate
