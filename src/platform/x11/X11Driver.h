#pragma once
// Test driver of the X11 backend: what tests need beyond the window probe to play the other programs on the
// display — a host's window made on a connection of its own (as a VST host hands its id to an editor), and
// keys that the probe's input does not offer. [any]
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Forms.h"

namespace X11Driver
{

// A window of another program: a mapped top-level window made with plain Xlib on a connection of its own.
class TForeignWindow
{
public:
    // EMarvoError without a display. Without Synced the requests are only flushed, so the server may not have
    // made the window yet when its handle is used (as a host that hands it over at once).
    TForeignWindow(int Left, int Top, int Width, int Height, bool Synced = true);
    ~TForeignWindow();
    TForeignWindow(const TForeignWindow&) = delete;
    TForeignWindow& operator=(const TForeignWindow&) = delete;

    TNativeHandle Handle() const;
    // Destroys the window now, with the windows inside it (whoever made them).
    void Destroy();
    // The windows inside it, as the server has them.
    std::vector<TNativeHandle> Children() const;
    // Where a window (this one or one inside) sits on the screen, and its size.
    TRect ScreenRect(TNativeHandle Window) const;

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};

// The message boxes the backend keeps for window probes' answerers (none while no answerer lives).
std::size_t KeptMessageBoxes();

// Presses and releases the key of an X key name ("Escape", "Down", "Return") through XTest; the server has
// taken both events when it returns.
void PressKey(const std::string& KeyName);

// The resource database on the server (the root window's RESOURCE_MANAGER, as xrdb sets it), or nothing; and
// setting it (nothing deletes it).
std::optional<std::string> ResourceManager();
void SetResourceManager(const std::optional<std::string>& Resources);

// [editor] Processes this thread's window events until the server has sent every event due to it when the
// call began (input injected before it included), and the server has taken the windows' answers to them:
// what the input did can be checked without waiting for a time.
void Settle();

} // namespace X11Driver
