#pragma once
// TFmVornEQ: the equaliser's editor, a borderless 131 x 35 panel drawn entirely into an off-screen bitmap.
// It shows the band selector, four read-outs of the selected band (frequency or note, gain, bandwidth,
// symmetry), the overview strip of the overall response and the two-channel level meter with the volume
// mark; every value is changed by dragging its read-out (the panel then acts as an endless knob: the cursor
// is hidden and the pointer pulled back to the panel's centre after every movement).
//
// The editor is the module's view: it attaches itself to the module it is made for and draws the parts the
// module reports changed.
//
// Zoom. The panel (and the response view under it, when shown) is composed at its own size in panel pixels
// and every panel pixel is painted as a Zoom x Zoom block; the form's client size is the zoomed one. Mouse
// positions reach the handlers divided back to panel pixels (rounded down), and the pointer is warped to the
// middle of a panel pixel's block, so every rule of the interaction holds at every zoom.
//
// Threads. The window, its bitmaps and every Draw operation belong to [editor]. Parameter changes
// made on another thread (a host's automation) do not draw: the module marks the affected parts and
// UpdateTimer redraws them on [editor]. The spectrum behind the response curve is analysed and drawn by
// UpdateTimer on [editor] from what the audio thread left in the module's tap (SEQAnalysis.h). A preset
// import fits on a thread of the editor's own (TPresetImportJob), which touches neither the window nor the
// module; UpdateTimer applies its result on [editor].
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "equaliser/SEQPanel.h"
#include "equaliser/SEQResponseView.h"
#include "equaliser/SEQAnalysis.h"
#include "equaliser/SEQView.h"
#include "equaliser/SmallEQModule.h"
#include "graphics/Bitmap32.h"
#include "platform/Forms.h"

class TPresetImportJob;
class TSmallEQPlugIn;

class TFmVornEQ : public TForm, public TSmallEQView
{
public:
    static constexpr int kWidth = kPanelWidth;
    static constexpr int kHeight = kPanelHeight;
    static constexpr int kMaxZoom = 4;

    // [editor] Loads the declaration (window, menus, timers); OnCreate runs FormCreate. With a module, the
    // editor attaches itself to it as its view and shows its values.
    explicit TFmVornEQ(TComponent* AOwner, TSmallEQPlugIn* Module = nullptr);
    // [editor] A drag still in progress gives the cursor back; an import still running is cancelled and its
    // thread joined.
    ~TFmVornEQ() override;

    // ----- handlers wired by the declaration [editor]
    void FormCreate(TComponent* Sender);
    void FormPaint(TComponent* Sender);
    void FormResize(TComponent* Sender);
    void FormMouseDown(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void FormMouseMove(TComponent* Sender, TShiftState Shift, int X, int Y);
    void FormMouseUp(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    // Escape cancels an import that is running; every other key is left to the host.
    void FormKeyDown(TComponent* Sender, std::uint16_t& Key, TShiftState Shift);
    void GUITimerTimer(TComponent* Sender);
    void MIFilterNrClick(TComponent* Sender);
    void MIOverviewClick(TComponent* Sender);
    void MIMeterClick(TComponent* Sender);
    // The "Zoom" submenu's items (Tag 1..4) and "Show response": the user's choice, kept (see SetView).
    void MIZoomClick(TComponent* Sender);
    void MIShowResponseClick(TComponent* Sender);
    // "Fast processing": switches the engine of the module that processes the audio, kept as the zoom is.
    void MIFastProcessingClick(TComponent* Sender);
    // "Show spectrum: off / output / input" (Tag a TSpectrumSource): kept as the zoom is; drawn while the
    // response view is shown.
    void MISpectrumClick(TComponent* Sender);
    // The wheel: over a handle of the response view, that band's bandwidth.
    void FormMouseWheel(TComponent* Sender, TShiftState Shift, int WheelDelta, int X, int Y);
    // Asks for a preset file of another equaliser (open dialog) and starts importing it (StartImport).
    void MIImportPresetClick(TComponent* Sender);
    // Draws what changes made off the editor's thread left for it, the spectrum anew while it is shown,
    // follows a running import (its progress, then its result), then invalidates.
    void UpdateTimerTimer(TComponent* Sender);
    // [editor] Analyses the newest frame of the tap shown and draws it, Elapsed seconds after the last one (the
    // update timer passes the time that really passed). False, and nothing changed, while no spectrum is
    // shown or when the audio thread overwrote the frame while it was copied.
    bool ShowSpectrum(double Elapsed);
    // [editor] The spectrum shown now: spsOff unless one is chosen, a tap can be reached and the response
    // view is shown.
    TSpectrumSource SpectrumShown() const { return FSpectrumSource; }
    // [editor] The analysis behind the drawing; after changing its levels, DrawResponse shows them.
    TSpectrumAnalyser& Spectrum() { return FSpectrum; }

    // ----- drawing [editor]; each changes only FDisplayBitmap and does nothing before the first resize
    // Rebuilds the texture and the panel shapes with the button-face colour at Alpha, then draws everything.
    void RenderBackground(int Alpha);
    void DrawFilterSelector();
    void DrawFrequency();
    void DrawGain();
    void DrawBandwidth();
    void DrawSymmetry();
    void DrawOverview();
    void DrawMeter();
    // Redraws the read-outs, strip and meter named in Parts (TViewPart).
    void DrawParts(unsigned Parts);
    // Redraws the response view when it is shown.
    void DrawResponse();
    // The module's view: DrawParts.
    void ShowParts(unsigned Parts) override { DrawParts(Parts); }
    // The module's view: the host's scale factor or the settings a host keeps changed.
    void ViewSettingsChanged() override;

    // [editor] The zoom (1..4) and whether the response view is shown, as the editor shows them now.
    int Zoom() const { return FZoom; }
    bool ResponseShown() const { return FResponseShown; }
    // [editor] The panel's height in panel pixels: the panel, and the response view under it when shown.
    int PanelHeight() const;
    // [editor] Shows the editor at Zoom (limited to 1..4) with or without the response view: resizes the
    // form and, while it is open in a host, asks the host for the new size (audioMasterSizeWindow). A host
    // that refuses gets the largest zoom that fits the size it last accepted.
    void SetView(int Zoom, bool ResponseShown);
    // [editor] The zoom the editor starts at: the one the user chose, else the host's scale factor, else the
    // screen's, rounded to the nearest whole number and limited to 1..4.
    int StartingZoom() const;
    // [editor] Makes band Index (0..7) the selected one and redraws what shows it.
    void SelectFilter(int Index);

    // [editor] Starts fitting the eight bands and the volume to the preset file at Path on a thread of the
    // editor's own; the window goes on (the panel shows the progress, Escape cancels). When the fit is done,
    // UpdateTimer writes all 33 parameters with SetParameterAutomated, so the host hears of each and its
    // program file keeps them, then shows the import's warnings in one message box. A file that cannot be
    // imported is reported in one message box and changes nothing. Answers whether the import started:
    // not without a module, nor while another one runs (or a thread cannot be had: reported).
    bool StartImport(const std::string& Path);
    // [editor] Whether an import runs, and its share done (0..1; 0 when none runs).
    bool Importing() const { return FImport != nullptr; }
    double ImportProgress() const;
    // [editor] Stops a running import and joins its thread; nothing of it is applied.
    void CancelImport();

    // [editor] The read-out texts as drawn (decimal separator of the user's locale).
    std::string FrequencyText() const;
    std::string GainText() const;
    std::string BandwidthText() const;
    std::string SymmetryText() const;

    // ----- state, read-only [editor]
    int SelectedFilter() const { return FSelectedFilter; }
    const TBitmap32& DisplayBitmap() const { return FDisplayBitmap; }
    const TBitmap32& BackgroundBitmap() const { return FBackgroundBitmap; }
    const TRect& FrequencyRect() const { return FFrequencyRect; }
    const TRect& GainRect() const { return FGainRect; }
    const TRect& BandwidthRect() const { return FBandwidthRect; }
    const TRect& SymmetryRect() const { return FSymmetryRect; }
    const TRect& OverviewRect() const { return FOverviewRect; }
    const TRect& MeterRect() const { return FMeterRect; }
    const std::array<TColor32, 33>& MeterGradient() const { return FMeterGradient; }
    const TBitmap32& ResponseBitmap() const { return FResponseBitmap; }
    const TResponseView& Response() const { return FResponse; }
    // The declared pop-up menu, menu item (of a submenu too) or timer of that name; null for none.
    TPopupMenu* PopupMenu(const std::string& Name) const;
    TMenuItem* MenuItem(const std::string& Name) const;
    TTimer* Timer(const std::string& Name) const;

private:
    struct TMenuDeclaration;
    static const TMenuDeclaration kMenus[];
    // Makes the pop-up menus and their items from kMenus, and the timers.
    void CreateComponents();
    // A client coordinate of the window as a panel coordinate (rounded down), and a panel point's screen
    // position (the middle of its block).
    int PanelCoordinate(int WindowCoordinate) const;
    TPoint PanelToScreen(TPoint P) const;
    // Paints Source (the panel, with the response view under it when shown) at the zoom.
    void PaintZoomed(const TBitmap32& Source);
    // Reads the user's preference (unless a host keeps the view settings) and writes it back on a choice.
    void LoadViewPreference();
    void StoreViewPreference();
    // Moves the Zoom submenu's check and the response and spectrum items' checks to what is shown.
    void CheckViewItems();
    // Switches the tap on for the spectrum the settings ask for while the response view is shown (and the
    // one switched on before off), starting the analysis afresh when that changes.
    void FollowSpectrum();
    // The response view's share of the mouse (Y in view pixels); answers whether it took the event.
    bool ResponseMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    // Parameter k of the module as the editor shows it; 0 without a module.
    float Value(int Index) const;
    void DrawReadOut(const TRect& R, const std::string& Text);
    // The band whose channel-0 filter lies nearest to Frequency in Hz (the lower index on a tie); needs a module.
    int NearestBand(double Frequency) const;
    // Hides the cursor and puts the pointer on the centre of R.
    void StartDrag(const TRect& R);
    // Writes Value to parameter Index (automated) when a module is attached.
    void Write(int Index, float Value);
    // The import's progress drawn over a copy of the panel.
    void DrawImportProgress(TBitmap32& Bitmap) const;
    // Applies a finished import (or reports why it failed) once its thread has ended.
    void FinishImport();

    // ----- components (owned by the form), made from the declaration
    TPopupMenu* PUFreqDisplay = nullptr;
    TMenuItem* MIFrequency = nullptr;
    TMenuItem* MINote = nullptr;
    TPopupMenu* PUFilterNr = nullptr;
    TPopupMenu* PUOverview = nullptr;
    TMenuItem* MIDefaultScheme = nullptr;
    TMenuItem* MIBlackWhiteScheme = nullptr;
    TMenuItem* MIOff = nullptr;
    TMenuItem* MIShowResponse = nullptr;
    TMenuItem* MISpectrumOff = nullptr;
    TMenuItem* MISpectrumOutput = nullptr;
    TMenuItem* MISpectrumInput = nullptr;
    TMenuItem* MIImportPreset = nullptr;
    TPopupMenu* PUMeter = nullptr;
    TMenuItem* Input1 = nullptr;
    TMenuItem* MIOutput = nullptr;
    TMenuItem* MIMeterOff = nullptr;
    TMenuItem* MIZoom = nullptr;
    TMenuItem* MIFastProcessing = nullptr;
    TTimer* GUITimer = nullptr;
    TTimer* UpdateTimer = nullptr;

    // ----- fields
    TBitmap32 FBackgroundBitmap;
    TBitmap32 FDisplayBitmap;
    int FSelectedFilter = 3;
    TRect FFrequencyRect, FGainRect, FBandwidthRect, FSymmetryRect, FOverviewRect, FMeterRect;
    std::array<TColor32, 33> FMeterGradient{};
    TSmallEQPlugIn* FModule = nullptr;
    TBitmap32 FResponseBitmap;
    TResponseView FResponse;
    TSpectrumAnalyser FSpectrum;
    // The tap this editor switched on (null while it shows no spectrum), for which source; the recorded count
    // the frames start from, the count at the last tick, and the time of the last tick.
    TSpectrumTap* FSpectrumTap = nullptr;
    TSpectrumSource FSpectrumSource = spsOff;
    std::uint32_t FTapSince = 0, FTapSeen = 0;
    std::chrono::steady_clock::time_point FSpectrumTick;
    std::vector<float> FSpectrumFrame;
    std::vector<double> FSpectrumLevels;
    bool FCursorHidden = false;
    int FZoom = 1;
    bool FResponseShown = false;
    // The client size the host last accepted (or gave at opening), for a host that refuses a new one.
    int FAcceptedWidth = 0, FAcceptedHeight = 0;
    TBitmap32 FZoomedBitmap;
    TBitmap32 FProgressBitmap;
    // The import that runs, if any.
    std::unique_ptr<TPresetImportJob> FImport;
    // Cleared when the form is destroyed: a mouse-move handler that processes messages checks it before it
    // touches the form again (the host may close the editor meanwhile).
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// TSmallEQPlugIn: the equaliser as its plug-in library makes it, the module with this editor. It answers
// the view's requests (kSEQRequestSetView, kSEQRequestGetView, kSEQRequestSetSpectrumTap and the host's
// scale factor, SEQRequests.h) and hands every other vendor request to the module. Closing the editor
// switches the tap it showed off. Making one installs the window toolkit's thread
// policy for the editor's opcodes (RunInWindowThread).
class TSmallEQPlugIn : public TSmallEQModule
{
public:
    // [host-main]
    explicit TSmallEQPlugIn(TComponent* AOwner);

    // [editor] The editor window while one is open, else null.
    TFmVornEQ* Editor() const { return static_cast<TFmVornEQ*>(EditorForm()); }

    // What the editor's view keeps between its openings, and what hosts say of it.
    struct TEditorViewSettings
    {
        int ChosenZoom = 0;         // 1..4 as the user chose it; 0: none chosen
        bool ResponseShown = false; // the response view under the panel
        double HostScale = 0.0;     // the host's scale factor; 0: none given
        bool HostKeepsView = false; // the host stores ChosenZoom and ResponseShown (kSEQRequestSetView)
        bool Loaded = false;        // the user's preference was read (or the host handed them over)
        bool EngineChosen = false;  // the engine is the listener's choice, kept (else the format's default)
        TSpectrumSource Spectrum = spsOff; // the spectrum behind the response curve
        // The tap the spectrum is read from: the module's own, or the one a host named
        // (kSEQRequestSetSpectrumTap); null when none can be reached.
        TSpectrumTap* SpectrumTap = nullptr;
    };
    // [editor]
    TEditorViewSettings& EditorViewSettings() { return FEditorViewSettings; }

    // [any] Whether the blocks run on the fast engine; switching takes effect at the next block, click-free.
    bool FastProcessing() { return EngineRequest(kSEQRequestGetEngine, 0) == kSEQEngineFast; }
    void SetFastProcessing(bool Fast) { EngineRequest(kSEQRequestSetEngine, Fast ? kSEQEngineFast : kSEQEngineReference); }

protected:
    TEditorWindow* NewEditor() override;

private:
    // [host-main] or [editor] A view request (handed to an open editor's thread, which then follows it at
    // once); nothing for another Index.
    std::optional<std::int32_t> ViewRequest(std::int32_t Index, std::intptr_t Value, void* Ptr, float Opt);
    // [host-main] The engine the listener chose, where the user's preference is kept; when none was chosen
    // the engine stays as the module starts (the reference).
    void LoadEnginePreference();

    TEditorViewSettings FEditorViewSettings; // [editor]
};

// [any] The note display of a frequency: name and octave, padded with spaces to seven characters
// together with the signed deviation in cents ("A4    0", "A4  -20", "Eb10 -8").
std::string NoteText(float Frequency);
// [any] Fixed notation with two decimals and the given decimal separator; no sign when the rounded
// figure is zero.
std::string FixedTwoDecimals(double Value, const std::string& Separator);
