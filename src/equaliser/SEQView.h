#pragma once
// TSmallEQView: what the equaliser module tells a view of it (its editor) after a parameter change: which
// parts of the setting changed. The module knows views only through this interface.
//
// Threads. A view attaches itself on its own thread ([editor]); the module calls ShowParts only there. A
// change made on another thread only marks the parts, and the view collects them with
// TSmallEQModule::TakePendingViewParts on its own thread.

// Parts of the setting that a parameter change touches.
enum TViewPart : unsigned
{
    vpFrequency = 1,
    vpGain = 2,
    vpBandwidth = 4,
    vpSymmetry = 8,
    vpOverview = 16,
    vpMeter = 32,
    vpAll = 63
};

class TSmallEQView
{
public:
    // [editor] Shows the parts named in Parts (TViewPart) anew.
    virtual void ShowParts(unsigned Parts) = 0;
    // [editor] The view settings (TSmallEQPlugIn::EditorViewSettings) changed from outside: the host's scale
    // factor or the settings a host keeps.
    virtual void ViewSettingsChanged() {}

protected:
    ~TSmallEQView() = default;
};
