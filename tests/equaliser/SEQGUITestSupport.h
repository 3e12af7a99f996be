#pragma once
// The equaliser's editor as a host opens it: the module through its effect record, the editor embedded in a
// headless window of the test (native build only).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>

#include "equaliser/SEQGUI.h"
#include "graphics/Color32.h"
#include "platform/FPUControl.h"
#include "platform/Forms.h"
#include "platform/headless/HeadlessDriver.h"
#include "SEQTestHost.h"

// The module with its editor open in a window of the test.
struct TOpenEditor
{
    TOpenEditor() : TOpenEditor(200, 100, nullptr) {}
    // A host window of Width x Height; BeforeEdit, when given, talks to the effect before the editor opens.
    TOpenEditor(int Width, int Height, const std::function<void(const THostView&)>& BeforeEdit)
    {
        HeadlessDriver::Reset();
        TFormDeclaration D;
        D.Name = "HostWindow";
        D.ClientWidth = Width;
        D.ClientHeight = Height;
        Parent = new TForm(nullptr, D);
        Parent->SetBounds(100, 100, Parent->Width(), Parent->Height());
        Parent->Show();
        Module = new TSmallEQPlugIn(nullptr);
        Module->SetAudioMaster(&VersionOnlyHost);
        Host.E = Module->Effect();
        Host.Dispatch(effOpen);
        Host.Dispatch(effMainsChanged, 0, 1);
        if (BeforeEdit)
            BeforeEdit(Host);
        Opened = Host.Dispatch(effEditOpen, 0, 0, Parent->Handle());
        Editor = Module->Editor();
    }
    ~TOpenEditor()
    {
        Host.Dispatch(effEditClose);
        Host.Dispatch(effClose);
        delete Parent;
        HeadlessDriver::Reset();
    }
    TOpenEditor(const TOpenEditor&) = delete;
    TOpenEditor& operator=(const TOpenEditor&) = delete;

    TFPUControlScope FPU;
    TForm* Parent = nullptr;
    TSmallEQPlugIn* Module = nullptr;
    THostView Host{};
    std::intptr_t Opened = 0;
    TFmVornEQ* Editor = nullptr;
};

class TEditorTest : public ::testing::Test
{
protected:
    void Set(int Index, float Value) { Module->SetParameterAutomated(Index, Value); }
    TColor32 Shown(int X, int Y) const { return Editor->DisplayBitmap().Pixel(X, Y); }
    TColor32 Background(int X, int Y) const { return Editor->BackgroundBitmap().Pixel(X, Y); }
    // Whether the rectangle R shows the same pixels as its empty panel.
    bool Blank(const TRect& R) const
    {
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                if (Shown(x, y) != Background(x, y))
                    return false;
        return true;
    }

    TOpenEditor Open;
    TSmallEQPlugIn* Module = Open.Module;
    THostView& Host = Open.Host;
    std::intptr_t Opened = Open.Opened;
    TFmVornEQ* Editor = Open.Editor;
};
