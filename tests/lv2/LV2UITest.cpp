// The LV2 UI in a host's window (a plain X11 window of the test), called as a host calls it on its own
// thread: when the editor changes its size, the host hears of it through ui:resize at its next idle call.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "equaliser/SEQRequests.h"
#include "equaliser/SEQAnalysis.h"
#include "lv2/LV2Controls.h"
#include "lv2/LV2Plugin.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/WindowProbe.h"
#include "platform/x11/X11Driver.h"

namespace
{

constexpr int kHostLeft = 100, kHostTop = 120;

// The host's ui:resize: records every size asked for and gives Answer (0 agrees).
struct TResizingHost
{
    std::vector<std::pair<int, int>> Sizes;
    int Answer = 0;
    static int Resize(LV2UI_Feature_Handle Handle, int Width, int Height)
    {
        auto* Self = static_cast<TResizingHost*>(Handle);
        Self->Sizes.emplace_back(Width, Height);
        return Self->Answer;
    }
};

void IgnoreWrite(LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {}

// The listener's own settings (the editor keeps its view there) in a folder of the test's, while it lives.
class TOwnSettingsFolder
{
public:
    TOwnSettingsFolder()
    {
        if (const char* Saved = std::getenv("XDG_CONFIG_HOME"))
            FSaved = Saved;
        ::setenv("XDG_CONFIG_HOME", FFolder.c_str(), 1);
    }
    ~TOwnSettingsFolder()
    {
        std::error_code Ignored;
        std::filesystem::remove_all(FFolder, Ignored);
        if (FSaved)
            ::setenv("XDG_CONFIG_HOME", FSaved->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }

private:
    std::string FFolder = ExtractFilePath(ExecutablePath()) + "lv2-ui-user";
    std::optional<std::string> FSaved;
};

// The listener's menu choices, one after the other, each asking the host for the editor's new size; the
// editor keeps that size (the host's answer comes only at its next call, after the editor has resized).
TEST(LV2UI, ChangesOfTheEditorsSizeReachTheHostAndTheEditorKeepsThem)
{
    const TOwnSettingsFolder Settings;
    X11Driver::TForeignWindow Parent(kHostLeft, kHostTop, 300, 300);
    TResizingHost Host;
    LV2UI_Resize Resize{&Host, &TResizingHost::Resize};
    const LV2_Feature ParentFeature{LV2_UI__parent, Parent.Handle()};
    const LV2_Feature ResizeFeature{LV2_UI__resize, &Resize};
    const LV2_Feature* const Features[] = {&ParentFeature, &ResizeFeature, nullptr};
    const LV2UI_Descriptor* Descriptor = lv2ui_descriptor(0);
    ASSERT_NE(Descriptor, nullptr);
    const auto* Idle = static_cast<const LV2UI_Idle_Interface*>(Descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(Idle, nullptr);
    LV2UI_Widget Widget = nullptr;
    LV2UI_Handle Ui =
        Descriptor->instantiate(Descriptor, LV2Marvo::kPluginUri, "", &IgnoreWrite, nullptr, &Widget, Features);
    ASSERT_NE(Ui, nullptr);
    ASSERT_EQ(Host.Sizes, (std::vector<std::pair<int, int>>{{131, 35}})) << "the editor's size at the start";
    const auto Settle = [&] {
        for (int I = 0; I < 5; ++I)
        {
            SystemSleep(10);
            Idle->idle(Ui);
        }
    };

    const struct
    {
        const char* Choice;
        TPoint At;                          // the right click, in the editor's pixels at 1x
        std::vector<const char*> Keys;      // then these keys in its menu
        std::pair<int, int> Size;
    } Steps[] = {
        {"Show response (the strip's last item)", {60, 32}, {"Up", "Return"}, {131, 95}},
        {"Zoom 2x (the meter's submenu, above Fast processing)", {128, 20}, {"Up", "Up", "Right", "Down", "Return"},
         {262, 190}},
    };
    for (const auto& S : Steps)
    {
        SCOPED_TRACE(S.Choice);
        const std::size_t Asked = Host.Sizes.size();
        InjectPointerMove(kHostLeft + S.At.X, kHostTop + S.At.Y);
        InjectMouseButton(TMouseButton::mbRight, true);
        InjectMouseButton(TMouseButton::mbRight, false);
        Settle();
        for (const char* Key : S.Keys)
        {
            X11Driver::PressKey(Key);
            Settle();
        }
        for (int Try = 0; Try < 40 && Host.Sizes.size() == Asked; ++Try)
            Settle();
        ASSERT_EQ(Host.Sizes.size(), Asked + 1);
        EXPECT_EQ(Host.Sizes.back(), S.Size);
        const TRect Editor = Parent.ScreenRect(Parent.Children().at(0));
        EXPECT_EQ(std::make_pair(Editor.Width(), Editor.Height()), S.Size);
    }
    Descriptor->cleanup(Ui);
}

// A host with ui:scaleFactor 2 (through its options and urid:map) gets an editor at zoom 2 from the start.
TEST(LV2UI, TheHostsScaleFactorOptionIsTheEditorsStartingZoom)
{
    const TOwnSettingsFolder Settings;
    X11Driver::TForeignWindow Parent(kHostLeft, kHostTop, 300, 300);
    TResizingHost Host;
    LV2UI_Resize Resize{&Host, &TResizingHost::Resize};
    static std::vector<std::string> Uris;
    LV2_URID_Map Map{nullptr, [](LV2_URID_Map_Handle, const char* Uri) -> LV2_URID {
                         for (std::size_t I = 0; I < Uris.size(); ++I)
                             if (Uris[I] == Uri)
                                 return static_cast<LV2_URID>(I + 1);
                         Uris.emplace_back(Uri);
                         return static_cast<LV2_URID>(Uris.size());
                     }};
    const float Factor = 2.0f;
    const LV2_Options_Option Options[] = {
        {LV2_OPTIONS_INSTANCE, 0, Map.map(nullptr, LV2_UI__scaleFactor), sizeof Factor,
         Map.map(nullptr, LV2_ATOM__Float), &Factor},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature ParentFeature{LV2_UI__parent, Parent.Handle()};
    const LV2_Feature ResizeFeature{LV2_UI__resize, &Resize};
    const LV2_Feature MapFeature{LV2_URID__map, &Map};
    const LV2_Feature OptionsFeature{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(Options)};
    const LV2_Feature* const Features[] = {&ParentFeature, &ResizeFeature, &MapFeature, &OptionsFeature, nullptr};
    const LV2UI_Descriptor* Descriptor = lv2ui_descriptor(0);
    LV2UI_Widget Widget = nullptr;
    LV2UI_Handle Ui =
        Descriptor->instantiate(Descriptor, LV2Marvo::kPluginUri, "", &IgnoreWrite, nullptr, &Widget, Features);
    ASSERT_NE(Ui, nullptr);
    EXPECT_EQ(Host.Sizes, (std::vector<std::pair<int, int>>{{262, 70}}));
    Descriptor->cleanup(Ui);
}

// A URID map and a state store of the simplest kind, as a host keeps them.
struct TStateHost
{
    std::map<std::string, LV2_URID> Ids;
    std::map<std::uint32_t, std::pair<std::string, std::uint32_t>> Stored;
    LV2_URID_Map Map{this, [](LV2_URID_Map_Handle H, const char* Uri) -> LV2_URID {
                         auto& Ids = static_cast<TStateHost*>(H)->Ids;
                         return Ids.emplace(Uri, static_cast<LV2_URID>(Ids.size() + 1)).first->second;
                     }};
    LV2_Feature MapFeature{LV2_URID__map, &Map};
    const LV2_Feature* Features[2] = {&MapFeature, nullptr};

    static LV2_State_Status Store(LV2_State_Handle H, uint32_t Key, const void* Value, size_t Size, uint32_t Type,
                                  uint32_t)
    {
        static_cast<TStateHost*>(H)->Stored[Key] = {std::string(static_cast<const char*>(Value), Size), Type};
        return LV2_STATE_SUCCESS;
    }
    static const void* Retrieve(LV2_State_Handle H, uint32_t Key, size_t* Size, uint32_t* Type, uint32_t* Flags)
    {
        const auto& Stored = static_cast<TStateHost*>(H)->Stored;
        const auto It = Stored.find(Key);
        if (It == Stored.end())
            return nullptr;
        *Size = It->second.first.size();
        *Type = It->second.second;
        *Flags = 0;
        return It->second.first.data();
    }
};

TSEQSnapshotSet Snapshots(LV2Marvo::TLV2Equaliser& P)
{
    TSEQSnapshotSet Set{};
    P.Effect()->dispatcher(P.Effect(), effVendorSpecific, kSEQRequestGetSnapshots, sizeof Set, &Set, 0.0f);
    return Set;
}

// The UI in a host's window with instance-access to Plugin, and the host's idle calls.
struct TUiOnInstance
{
    explicit TUiOnInstance(LV2Marvo::TLV2Equaliser* Plugin)
        : InstanceFeature{LV2_INSTANCE_ACCESS_URI, Plugin},
          Ui(Descriptor->instantiate(Descriptor, LV2Marvo::kPluginUri, "", &IgnoreWrite, nullptr, &Widget, Features))
    {
    }
    ~TUiOnInstance()
    {
        if (Ui)
            Descriptor->cleanup(Ui);
    }
    void Settle() const
    {
        for (int I = 0; I < 5; ++I)
        {
            SystemSleep(10);
            Idle->idle(Ui);
        }
    }

    X11Driver::TForeignWindow Parent{kHostLeft, kHostTop, 300, 300};
    const LV2_Feature ParentFeature{LV2_UI__parent, Parent.Handle()};
    const LV2_Feature InstanceFeature;
    const LV2_Feature* const Features[3] = {&ParentFeature, &InstanceFeature, nullptr};
    const LV2UI_Descriptor* Descriptor = lv2ui_descriptor(0);
    const LV2UI_Idle_Interface* Idle =
        static_cast<const LV2UI_Idle_Interface*>(Descriptor->extension_data(LV2_UI__idleInterface));
    LV2UI_Widget Widget = nullptr;
    LV2UI_Handle Ui;
};

// The host restores a session while the editor is open (instance-access): what the listener stores next joins
// the restored snapshots; it does not bring back the ones the editor opened with.
TEST(LV2UI, ARestoreWhileTheEditorIsOpenIsWhatTheListenerBuildsOn)
{
    const TOwnSettingsFolder Settings;
    TStateHost State;
    using LV2Marvo::TLV2Equaliser;
    const std::unique_ptr<TLV2Equaliser> Plugin(TLV2Equaliser::Create(44100.0, State.Features));
    const std::unique_ptr<TLV2Equaliser> Session(TLV2Equaliser::Create(44100.0, State.Features));
    ASSERT_TRUE(Plugin && Session);
    TSEQSnapshotSet Restored = Snapshots(*Session);
    for (int s = 0; s < TSEQSnapshotSet::kSnapshots; ++s)
        Restored.Values[s][1] = static_cast<float>(s + 1); // band 1's gain, dB
    Restored.Current = 3;
    Session->Effect()->dispatcher(Session->Effect(), effVendorSpecific, kSEQRequestSetSnapshots, sizeof Restored,
                                  &Restored, 0.0f);
    ASSERT_EQ(Session->Save(&TStateHost::Store, &State), LV2_STATE_SUCCESS);

    const TUiOnInstance Open(Plugin.get());
    ASSERT_NE(Open.Ui, nullptr);
    const auto Settle = [&] { Open.Settle(); };
    Settle();
    ASSERT_EQ(Plugin->Restore(&TStateHost::Retrieve, &State), LV2_STATE_SUCCESS);
    Settle();

    // Ctrl + right click on the selector's cell 6 (right column, second row) stores the present setting there.
    InjectPointerMove(kHostLeft + 12, kHostTop + 12);
    InjectKey(TInjectedKey::ikCtrl, true);
    InjectMouseButton(TMouseButton::mbRight, true);
    InjectMouseButton(TMouseButton::mbRight, false);
    InjectKey(TInjectedKey::ikCtrl, false);
    for (int Try = 0; Try < 40 && Snapshots(*Plugin).Values[6][1] == Restored.Values[6][1]; ++Try)
        Settle();
    const TSEQSnapshotSet Now = Snapshots(*Plugin);
    EXPECT_EQ(Now.Values[6][1], 0.0f) << "the present setting, stored in snapshot 6";
    EXPECT_EQ(Now.Current, 3);
    for (int s = 0; s < TSEQSnapshotSet::kSnapshots; ++s)
    {
        if (s == 6)
            continue;
        EXPECT_EQ(Now.Values[s][1], Restored.Values[s][1]) << "snapshot " << s;
    }
}

VstIntPtr EngineOf(LV2Marvo::TLV2Equaliser& P)
{
    return P.Effect()->dispatcher(P.Effect(), effVendorSpecific, kSEQRequestGetEngine, 0, nullptr, 0.0f);
}

// With instance-access the editor's "Fast processing" is the plug-in's: the UI starts with the engine the
// plug-in runs (here the reference, chosen before) and hands the listener's choice over at its next idle.
TEST(LV2UI, FastProcessingChosenInTheEditorSwitchesThePlugInsEngine)
{
    const TOwnSettingsFolder Settings;
    const std::unique_ptr<LV2Marvo::TLV2Equaliser> Plugin(LV2Marvo::TLV2Equaliser::Create(44100.0, nullptr));
    ASSERT_TRUE(Plugin);
    ASSERT_EQ(EngineOf(*Plugin), kSEQEngineFast) << "the LV2 default";
    Plugin->Effect()->dispatcher(Plugin->Effect(), effVendorSpecific, kSEQRequestSetEngine, kSEQEngineReference,
                                 nullptr, 0.0f);
    const TUiOnInstance Open(Plugin.get());
    ASSERT_NE(Open.Ui, nullptr);
    const auto Settle = [&] { Open.Settle(); };
    Settle();
    EXPECT_EQ(EngineOf(*Plugin), kSEQEngineReference) << "opening the editor chose nothing";

    // A right click on the meter opens its menu; the item is its last.
    InjectPointerMove(kHostLeft + 128, kHostTop + 10);
    InjectMouseButton(TMouseButton::mbRight, true);
    InjectMouseButton(TMouseButton::mbRight, false);
    Settle();
    for (const char* Key : {"Up", "Return"})
    {
        X11Driver::PressKey(Key);
        Settle();
    }
    for (int Try = 0; Try < 40 && EngineOf(*Plugin) != kSEQEngineFast; ++Try)
        Settle();
    EXPECT_EQ(EngineOf(*Plugin), kSEQEngineFast);
}

// With instance-access the spectrum the editor shows is the plug-in's: the listener's choice (here kept from
// before, with the response view) switches the plug-in's tap on while the UI lives, and closing the UI
// switches it off again; the plug-in lives on.
TEST(LV2UI, TheEditorsSpectrumIsThePlugInsWhileTheUiLives)
{
    const TOwnSettingsFolder Settings;
    {
        TRegistry Preference;
        ASSERT_TRUE(Preference.OpenKey("Software\\Zentrova\\Marvo\\SmallEQ", true));
        Preference.WriteInteger("Response", 1);
        Preference.WriteInteger("Spectrum", spsInput);
    }
    const std::unique_ptr<LV2Marvo::TLV2Equaliser> Plugin(LV2Marvo::TLV2Equaliser::Create(44100.0, nullptr));
    ASSERT_TRUE(Plugin);
    TSpectrumTap* Tap = nullptr;
    ASSERT_EQ(Plugin->Effect()->dispatcher(Plugin->Effect(), effVendorSpecific, kSEQRequestGetSpectrumTap, 0, &Tap,
                                           0.0f), 1);
    ASSERT_EQ(Tap->Source(), spsOff);
    {
        const TUiOnInstance Open(Plugin.get());
        ASSERT_NE(Open.Ui, nullptr);
        for (int Try = 0; Try < 40 && Tap->Source() != spsInput; ++Try)
            Open.Settle();
        EXPECT_EQ(Tap->Source(), spsInput);
    }
    EXPECT_EQ(Tap->Source(), spsOff);
}

} // namespace
