// marvo-vst validate: opening and closing, and the order of the opcodes around one instance.
#include <algorithm>

#include "MarvoVstValidateStages.h"
#include "MarvoVstValidateSupport.h"

namespace MarvoVstValidate
{

namespace
{

constexpr int kOpenCloseCycles = 50;

// The dispatcher calls of the instance under the order check, in order; only the main thread dispatches to
// that instance. [host-main]
std::vector<VstInt32> GRecordedOpcodes;
TDispatcherFunc GRecordedDispatcher = nullptr;

VstIntPtr VSTCALL RecordingDispatcher(AEffect* Effect, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void* Ptr,
                                      float Opt)
{
    GRecordedOpcodes.push_back(Opcode);
    return GRecordedDispatcher(Effect, Opcode, Index, Value, Ptr, Opt);
}

// The host's order around one instance: effOpen before anything else, effClose last, resumed only between.
std::string CheckRecordedOrder()
{
    const std::vector<VstInt32>& O = GRecordedOpcodes;
    const auto Open = std::find(O.begin(), O.end(), effOpen);
    if (Open == O.end())
        return "effOpen was never sent";
    for (auto I = O.begin(); I != Open; ++I)
        if (*I != effShellGetNextPlugin)
            return "opcode " + std::to_string(*I) + " before effOpen";
    if (std::count(O.begin(), O.end(), effOpen) != 1)
        return "effOpen sent more than once";
    const auto Close = std::find(O.begin(), O.end(), effClose);
    if (Close == O.end())
        return "effClose was never sent";
    if (Close + 1 != O.end())
        return "opcode " + std::to_string(*(Close + 1)) + " after effClose";
    return "";
}

} // namespace

void CheckOpenClose(TValidation& V)
{
    V.Step("open-close", "opening and closing " + std::to_string(kOpenCloseCycles) + " times");
    {
        TVstHost Host;
        TVstPlugIn* P = Host.VstPlugIns().Add();
        P->SetDLLFileName(V.Path());
        for (int I = 0; I < kOpenCloseCycles; ++I)
        {
            V.Step("open-close", "cycle " + std::to_string(I + 1));
            P->SetActive(true);
            P->MainsChanged(false);
            P->SetActive(false);
        }
    }
    V.Pass("open-close");

    // The raw record is handed to the host with a dispatcher that records every call.
    V.Step("open-close-order", "loading the library");
    const TLibraryHandle Library = LoadDynamicLibrary(V.Path());
    void* Entry = Library ? GetLibraryEntry(Library, "main") : nullptr;
    if (Library && !Entry)
        Entry = GetLibraryEntry(Library, "VSTPluginMain");
    std::string Failure = "the library or its entry could not be reached again";
    bool Recorded = false;
    GRecordedOpcodes.clear();
    {
        TVstHost Host; // answers the entry's first questions
        AEffect* E = Entry ? reinterpret_cast<TMainProc>(Entry)(&AudioMasterCallback) : nullptr;
        if (Entry && !E)
            Failure = "the entry answered no effect on a second load";
        if (E)
        {
            GRecordedDispatcher = E->dispatcher;
            E->dispatcher = &RecordingDispatcher;
            TVstPlugIn* P = Host.VstPlugIns().Add();
            P->VstEffect = E;
            V.Step("open-close-order", "open, resume, process, suspend, close");
            P->SetActive(true);
            {
                TAudio A(Host, *P, 512);
                A.Resume(44100, 512);
                A.Run(2048, 512, true);
            }
            P->MainsChanged(false);
            P->SetActive(false);
            Host.VstPlugIns().Clear(); // what the instance sends as it goes is recorded too
            Recorded = true;
        }
    }
    if (Recorded)
        Failure = CheckRecordedOrder();
    if (Library)
        FreeDynamicLibrary(Library);
    V.Check("open-close-order", Failure);
}

} // namespace MarvoVstValidate
