#include "vst3host/VST3Host.h"

#include <stdexcept>

namespace VST3Host
{

std::string VST3ModulePath(const std::string& Path)
{
#if defined(_WIN32) && defined(_WIN64)
    const char* const Architecture = "x86_64-win";
#elif defined(_WIN32)
    const char* const Architecture = "x86-win";
#else
    const char* const Architecture = "x86_64-linux";
#endif
#if defined(_WIN32)
    const char* const Extension = ".vst3";
#else
    const char* const Extension = ".so";
#endif
    std::string Bundle = Path;
    while (Bundle.size() > 1 && (Bundle.back() == '/' || Bundle.back() == PathSeparator()))
        Bundle.pop_back();
    const std::string Suffix = ".vst3";
    const std::string Sep(1, PathSeparator());
    const std::string Inside = Bundle + Sep + "Contents" + Sep + Architecture + Sep;
    if (Bundle.size() <= Suffix.size() || Bundle.compare(Bundle.size() - Suffix.size(), Suffix.size(), Suffix) != 0)
        return Path;
    const std::size_t Slash = Bundle.find_last_of("/" + Sep);
    const std::string Name = Bundle.substr(Slash == std::string::npos ? 0 : Slash + 1);
    const std::string Library = Inside + Name.substr(0, Name.size() - Suffix.size()) + Extension;
    // A library file named ".vst3" (Windows) is taken as it is.
    return FileExists(Library) ? Library : Path;
}

TModule::TModule(const std::string& Path) : FLibrary(LoadDynamicLibrary(VST3ModulePath(Path)))
{
    if (!FLibrary)
        throw std::runtime_error("cannot load '" + VST3ModulePath(Path) + "'");
#if defined(_WIN32)
    auto Init = reinterpret_cast<bool (*)()>(GetLibraryEntry(FLibrary, "InitDll"));
#else
    auto Init = reinterpret_cast<bool (*)(void*)>(GetLibraryEntry(FLibrary, "ModuleEntry"));
#endif
    auto Get = reinterpret_cast<IPluginFactory*(VST3CALL*)()>(GetLibraryEntry(FLibrary, "GetPluginFactory"));
    if (!Init || !Get)
        throw std::runtime_error("entry points missing in " + Path);
#if defined(_WIN32)
    Init();
#else
    Init(nullptr);
#endif
    Factory = Get();
    if (!Factory)
        throw std::runtime_error("no factory");
    void* F = nullptr;
    if (Factory->queryInterface(kIPluginFactory2Iid.Bytes, &F) == kResultOk)
        Factory2 = static_cast<IPluginFactory2*>(F);
    if (Factory->queryInterface(kIPluginFactory3Iid.Bytes, &F) == kResultOk)
        Factory3 = static_cast<IPluginFactory3*>(F);
}

TModule::~TModule()
{
#if defined(_WIN32)
    auto Exit = reinterpret_cast<bool (*)()>(GetLibraryEntry(FLibrary, "ExitDll"));
#else
    auto Exit = reinterpret_cast<bool (*)()>(GetLibraryEntry(FLibrary, "ModuleExit"));
#endif
    if (Exit)
        Exit();
    FreeDynamicLibrary(FLibrary);
}

TInstance::TInstance(TModule& Module, SpeakerArrangement Arrangement, int32 SampleSize, int32 MaxFrames,
                     double SampleRate, bool Activate)
{
    // The first audio module class of the factory.
    PClassInfo Info{};
    for (int32 I = 0; I < Module.Factory->countClasses(); ++I)
        if (Module.Factory->getClassInfo(I, &Info) == kResultOk &&
            std::strncmp(Info.category, "Audio Module Class", sizeof Info.category) == 0)
            break;
    void* Object = nullptr;
    if (Module.Factory->createInstance(Info.cid, kIComponentIid.Bytes, &Object) != kResultOk || !Object)
        throw std::runtime_error("no instance");
    Component = static_cast<IComponent*>(Object);
    Component->initialize(nullptr);
    const char* Refusal = nullptr;
    if (Component->queryInterface(kIAudioProcessorIid.Bytes, &Object) != kResultOk || !Object)
        Refusal = "no processor";
    else if (Processor = static_cast<IAudioProcessor*>(Object);
             Component->queryInterface(kIEditControllerIid.Bytes, &Object) != kResultOk || !Object)
        Refusal = "no controller";
    else
    {
        Controller = static_cast<IEditController*>(Object);
        SpeakerArrangement In = Arrangement, Out = Arrangement;
        if (Processor->setBusArrangements(&In, 1, &Out, 1) != kResultTrue)
            Refusal = "arrangement refused";
    }
    if (Refusal)
    {
        // The destructor does not run for an instance that was never made: what was taken is given back here.
        if (Controller)
            Controller->release();
        if (Processor)
            Processor->release();
        Component->terminate();
        Component->release();
        throw std::runtime_error(Refusal);
    }
    if (!Activate)
        return;
    ProcessSetup Setup{0, SampleSize, MaxFrames, SampleRate};
    Processor->setupProcessing(Setup);
    Component->setActive(1);
    Processor->setProcessing(1);
}

TInstance::~TInstance()
{
    Processor->setProcessing(0);
    Component->setActive(0);
    Controller->release();
    Processor->release();
    Component->terminate();
    Component->release();
}

tresult TInstance::Process(float* const* In, float* const* Out, int32 Channels, int32 Frames, TChanges* Changes)
{
    AudioBusBuffers InBus{}, OutBus{};
    InBus.numChannels = OutBus.numChannels = Channels;
    InBus.channelBuffers32 = const_cast<float**>(In);
    OutBus.channelBuffers32 = const_cast<float**>(Out);
    ProcessData Data{};
    Data.symbolicSampleSize = kSample32;
    Data.numSamples = Frames;
    Data.numInputs = Data.numOutputs = 1;
    Data.inputs = &InBus;
    Data.outputs = &OutBus;
    Data.inputParameterChanges = Changes;
    return Processor->process(Data);
}

std::vector<std::vector<float>> TInstance::Run(const std::vector<std::vector<float>>& In, int32 Block,
                                               const std::vector<std::pair<ParamID, double>>& Setting)
{
    const auto Channels = static_cast<int32>(In.size());
    const auto Frames = static_cast<int32>(In[0].size());
    std::vector<std::vector<float>> Out(In.size(), std::vector<float>(In[0].size()));
    TChanges Changes;
    for (const auto& [Id, Value] : Setting)
        Changes.Add(Id, 0, Value);
    for (int32 Done = 0; Done < Frames; Done += Block)
    {
        const int32 N = std::min(Block, Frames - Done);
        float* I[2] = {const_cast<float*>(In[0].data()) + Done, const_cast<float*>(In[Channels - 1].data()) + Done};
        float* O[2] = {Out[0].data() + Done, Out[Channels - 1].data() + Done};
        Process(I, O, Channels, N, Done == 0 ? &Changes : nullptr);
    }
    return Out;
}

std::vector<char> TInstance::State()
{
    TMemoryStream S;
    Component->getState(&S);
    return S.Data;
}

} // namespace VST3Host
