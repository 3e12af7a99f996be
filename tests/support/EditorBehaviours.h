#pragma once
// The equaliser's editor as a listener meets it, written once over a driver that opens it in a host's window
// and drives it with the window system's own input: in-memory windows, a foreign X11 host's window (XTest), the
// player's window on Win32. Each test program instantiates the suite with the drivers its build can run.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/System.h"
#include "platform/WindowProbe.h"

// One editor, open and painted in a host's window for the driver's lifetime. Positions are the editor's
// client coordinates. [host-main]: called on the test's thread, which plays the host (the headless and Win32
// editors live on it too; the X11 editor on the toolkit's own window thread).
class TEditorDriver
{
public:
    virtual ~TEditorDriver() = default;
    // Lets the editor's window thread take in the input sent so far and paint.
    virtual void Settle() = 0;
    // A parameter's normalised value as the host stores it. The player's driver ends its session to read the
    // file it saved: call it last.
    virtual float StoredValue(int Index) = 0;
    // The panel as the editor composed it, row by row, where the driver can read the editor's own bitmap.
    virtual std::optional<std::vector<std::uint32_t>> Composed() { return std::nullopt; }
    // The editor's rectangle as the host asks it (effEditGetRect), where the driver talks to the effect itself.
    virtual std::optional<TRect> EditorRect() { return std::nullopt; }

    // The editor's client area on the screen.
    const TRect& Client() const { return FClient; }
    void Move(int X, int Y)
    {
        InjectPointerMove(FClient.Left + X, FClient.Top + Y);
        Settle();
    }
    void Button(TMouseButton B, bool Down)
    {
        InjectMouseButton(B, Down);
        Settle();
    }
    void Key(TInjectedKey K, bool Down) { InjectKey(K, Down); }
    std::vector<std::uint32_t> Pixels(const TRect& R) const
    {
        return CaptureScreen({FClient.Left + R.Left, FClient.Top + R.Top, FClient.Left + R.Right,
                              FClient.Top + R.Bottom});
    }
    TPoint Pointer() const
    {
        const TPoint P = GetPointerPos();
        return {P.X - FClient.Left, P.Y - FClient.Top};
    }
    bool CursorShown() const { return CursorShowing(); }

protected:
    TRect FClient; // set by the driver's constructor
};

// How a driver opens the editor: at the zoom that a host's scale factor (the player: its stored choice) gives
// it, with or without the response view under the panel. The default is the editor as it always opened.
struct TEditorView
{
    int Zoom = 1;
    bool Response = false;
};

struct TEditorDriverKind
{
    const char* Name;
    std::function<std::unique_ptr<TEditorDriver>(const TEditorView&)> Make;
};

inline void PrintTo(const TEditorDriverKind& Kind, std::ostream* Out)
{
    *Out << Kind.Name;
}

class EditorBehaviour : public ::testing::TestWithParam<TEditorDriverKind>
{
protected:
    static std::unique_ptr<TEditorDriver> Open(const TEditorView& View = {}) { return GetParam().Make(View); }
};

// INSTANTIATE_EDITOR_BEHAVIOUR(Headless, [](const TEditorView& V) { return std::make_unique<THeadlessEditor>(V); })
#define INSTANTIATE_EDITOR_BEHAVIOUR(Kind, Factory)                                                              \
    INSTANTIATE_TEST_SUITE_P(Kind, EditorBehaviour, ::testing::Values(TEditorDriverKind{#Kind, Factory}),        \
                             [](const auto&) { return std::string(#Kind); })
