#pragma once
// The bundle's Turtle, written from the controls an effect declares (LV2Controls.h): the manifest and the
// plug-in's description with every port, so the ports are whatever the parameters are.
#include <string>
#include <vector>

#include "lv2/LV2Controls.h"

namespace LV2Marvo
{

struct TPluginFacts
{
    std::string Name;   // effGetEffectName
    std::string Vendor; // effGetVendorString
    int MinorVersion = 0, MicroVersion = 0;
    bool WithUi = false; // the bundle carries the X11 UI library
};

// [any] manifest.ttl: the plug-in (and the UI when WithUi) with their binaries, pointing at Marvo.ttl.
std::string ManifestTurtle(const TPluginFacts& Facts);
// [any] Marvo.ttl: the plug-in's class, features, port groups and ports (and the UI's when WithUi).
std::string PluginTurtle(const TPluginFacts& Facts, const std::vector<TControl>& Controls);

// [host-main] The facts of a fresh effect made by Main (closed again); EMarvoError when it cannot be made.
TPluginFacts ReadPluginFacts(TMainProc Main);

} // namespace LV2Marvo
