// marvo-vst edit: the plug-in's own editor, or the host's generic one, in a top-level window until the user
// closes it. [host-main]
#include <cstdio>
#include <filesystem>

#include "MarvoVst.h"

namespace
{

// The generic editors lay out their controls across the window's width as they find it; the list sets
// the height itself, the selector's controls need this client height.
constexpr int kGenericEditorWidth = 400;
constexpr int kSelectorClientHeight = 90;
// Interval of the editor's idle calls.
constexpr unsigned kIdleMilliseconds = 25;

// Closes the editor however the message loop ends, and forgets the window, which goes before the plug-in.
struct TEditorGuard
{
    TVstPlugIn& PlugIn;
    ~TEditorGuard()
    {
        PlugIn.CloseEdit();
        PlugIn.EditorWindow = nullptr;
    }
};

#if MARVO_VST_WINDOWED_EDITOR
// The editor's top-level window: captioned with the plug-in's name (else its file's), as wide as the generic
// editors need.
TFormDeclaration EditorDeclaration(TVstPlugIn& P, const std::string& PlugInPath)
{
    TFormDeclaration D;
    D.Name = "MarvoVstEditor";
    std::string Name = P.EffectName();
    if (Name.empty())
        Name = std::filesystem::path(PlugInPath).filename().string();
    D.Caption = "marvo-vst - " + Name;
    D.BorderStyle = TFormBorderStyle::bsSingle;
    D.BorderIcons = biSystemMenu | biMinimize;
    D.ClientWidth = kGenericEditorWidth;
    D.ClientHeight = kSelectorClientHeight;
    return D;
}

// The window's client area sized to the plug-in's own editor, when that tells a size.
void FitToEditor(TForm& Form, TVstPlugIn& P)
{
    ERect R{};
    P.EditGetRect(R);
    if (R.right > R.left && R.bottom > R.top)
    {
        Form.SetClientWidth(R.right - R.left);
        Form.SetClientHeight(R.bottom - R.top);
    }
}
#endif

} // namespace

int RunEdit(const TCommandLine& CommandLine)
{
#if !MARVO_VST_WINDOWED_EDITOR
    (void)CommandLine;
    throw std::runtime_error("the 'edit' command needs a build with a window system (marvo-vst.exe, or the "
                             "linux preset's marvo-vst); this build has none");
#else
    TVstHost Host;
    TVstPlugIn& P = LoadPlugIn(Host, CommandLine.Arguments[0]);
    ApplyProgramAndSettings(P, CommandLine);
    bool Generic = CommandLine.GenericEditor != gsDefault || !P.EffectOptions().Contains(effFlagsHasEditor);
#if !MARVO_VST_GENERIC_EDITOR
    // The X11 platform layer has no standard controls to build the generic editor from: say so rather than
    // show an empty window.
    if (Generic)
        throw std::runtime_error(CommandLine.GenericEditor != gsDefault
                                     ? "the generic editor (--generic) needs the Windows build (marvo-vst.exe)"
                                     : "the plug-in has no editor of its own, and the generic editor needs the "
                                       "Windows build (marvo-vst.exe)");
#endif

    TForm Form(nullptr, EditorDeclaration(P, CommandLine.Arguments[0]));
    Form.SetWidth(kGenericEditorWidth);
    bool Closed = false;
    Form.OnClose = [&Closed](TComponent*) { Closed = true; };

    if (Generic)
        P.SetGUIStyle(CommandLine.GenericEditor == gsOld ? gsOld : gsList);
    {
        TEditorGuard Guard{P};
        P.ShowEdit(&Form);
        if (!Generic && !P.EditVisible())
        {
#if !MARVO_VST_GENERIC_EDITOR
            throw std::runtime_error("the plug-in's editor did not open");
#endif
            std::fprintf(stderr, "marvo-vst: the plug-in's editor did not open; showing the generic editor\n");
            P.CloseEdit();
            Generic = true;
            P.SetGUIStyle(gsList);
            P.ShowEdit(&Form);
        }
        if (!Generic)
            FitToEditor(Form, P);
        Form.SetPosition(TFormPosition::poScreenCenter);

        TTimer Idle(nullptr);
        Idle.SetInterval(kIdleMilliseconds);
        Idle.OnTimer = [&P](TComponent*) {
            P.EditIdle();
            P.Idle();
        };
        Idle.SetEnabled(true);
        Form.Show();
        while (!Closed && Application().HandleMessage())
        {
        }
        Idle.SetEnabled(false);
    }

    if (!CommandLine.SaveProgramFile.empty())
    {
        try
        {
            P.SavePreset(CommandLine.SaveProgramFile);
        }
        catch (const std::exception& E)
        {
            throw std::runtime_error("cannot write program file '" + CommandLine.SaveProgramFile + "': " + E.what());
        }
    }
    return 0;
#endif
}
