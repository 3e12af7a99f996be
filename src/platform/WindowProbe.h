#pragma once
// Inspection of this process's real windows and resources, for tests and the soak test: what a user (or a
// tool like Spy++) would see, read from the window system rather than from the toolkit's own state.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Forms.h"

struct TWindowProbe
{
    TNativeHandle Handle = nullptr;
    std::string Caption;
    std::string ClassName;         // Win32 window class; headless: "TForm" or the control's class ("TLabel", ...)
    TNativeHandle Owner = nullptr; // Win32: GetWindow(GW_OWNER); headless: the form's OwnerWindow()
    bool Visible = false;          // the window's own visibility flag
    TRect Bounds;                  // outer rectangle, screen coordinates
    TRect Client;                  // client area in screen coordinates
};

// [window thread] Top-level windows of this process, visible or not (Win32: every thread's, including the
// system's own helper windows; headless: every form that is neither a child control nor embedded).
std::vector<TWindowProbe> TopLevelWindows();
// [window thread] One window; nothing for an invalid handle.
std::optional<TWindowProbe> ProbeWindow(TNativeHandle Handle);

struct TProcessResources
{
    int Windows = 0;             // Win32: top-level and child windows of this process; headless: live controls
    int UserObjects = 0;         // Win32: GetGuiResources(GR_USEROBJECTS); headless 0
    int GdiObjects = 0;          // Win32: GetGuiResources(GR_GDIOBJECTS); headless 0
    std::uint64_t PrivateBytes = 0; // Win32: private usage (else page-file usage); headless: data size (statm)
};
// [any thread]
TProcessResources ProcessResources();

struct TMessageBoxRecord
{
    std::string Text;
    std::string Caption;
};

// Answers the message boxes of this process while it lives, as a user would. Win32: a background thread
// finds every message box (a visible "#32770" dialog with only static controls and buttons) of this process,
// records its caption and text and presses OK. Headless: message boxes are not modal there; the answerer
// records the HeadlessDriver::MessageBoxes() that appeared after its construction.
// [window thread to construct, destroy and read]
class TMessageBoxAnswerer
{
public:
    TMessageBoxAnswerer();
    ~TMessageBoxAnswerer();
    TMessageBoxAnswerer(const TMessageBoxAnswerer&) = delete;
    TMessageBoxAnswerer& operator=(const TMessageBoxAnswerer&) = delete;

    // The boxes answered so far, oldest first.
    std::vector<TMessageBoxRecord> Records() const;

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};
