// The editor's behaviour suite over the driver of this build (Win32: the player's window, in test_adapter).
#if defined(MARVO_HEADLESS) || defined(MARVO_X11)
#include "EditorDrivers.h"

#ifdef MARVO_HEADLESS
INSTANTIATE_EDITOR_BEHAVIOUR(Headless, [](const TEditorView& V) { return std::make_unique<THeadlessEditor>(V); });
#else
INSTANTIATE_EDITOR_BEHAVIOUR(X11Host, [](const TEditorView& V) {
    return std::make_unique<TX11HostEditor>(&VersionOnlyHost, V);
});
#endif
#endif
