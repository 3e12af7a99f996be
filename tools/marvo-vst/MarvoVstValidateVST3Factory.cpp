// marvo-vst validate for VST 3: loading the module, its factory and the class information it gives.
#include <cstring>

#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"

namespace MarvoVstValidate
{

namespace
{

constexpr const char* kAudioModuleClass = "Audio Module Class";
constexpr const char* kControllerClass = "Component Controller Class";

void CheckFactoryInfo(TValidation& V, TModule& M)
{
    V.Step("factory", "getFactoryInfo and countClasses");
    TFailures F;
    PFactoryInfo Info{};
    if (M.Factory->getFactoryInfo(&Info) != kResultOk)
        F.Add("getFactoryInfo failed");
    else if (FixedText(Info.vendor, sizeof Info.vendor).empty())
        F.Add("no vendor");
    if (M.Factory->countClasses() < 1)
        F.Add("no classes");
    void* Object = reinterpret_cast<void*>(1);
    const TInterfaceId Unknown = MakeInterfaceId(0x01234567, 0x89ABCDEF, 0x01234567, 0x89ABCDEF);
    if (M.Factory->createInstance(Unknown.Bytes, kIComponentIid.Bytes, &Object) == kResultOk || Object)
        F.Add("createInstance made an unknown class");
    if (!M.Factory2)
        F.Add("no IPluginFactory2");
    V.Check("factory", F.Text());
}

// Info 1, 2 and 3 of every class agree; an audio module's names, sub-categories and interface version are
// there; its controller is a class of the factory or the component itself.
void CheckClassInfo(TValidation& V, TModule& M)
{
    V.Step("class-info", "getClassInfo, getClassInfo2, getClassInfoUnicode");
    TFailures F;
    const int32 Count = M.Factory->countClasses();
    std::vector<std::string> Ids, Categories;
    for (int32 I = 0; I < Count; ++I)
    {
        const std::string At = "class " + std::to_string(I) + ": ";
        PClassInfo A{}, Again{};
        if (M.Factory->getClassInfo(I, &A) != kResultOk || M.Factory->getClassInfo(I, &Again) != kResultOk)
        {
            F.Add(At + "getClassInfo failed");
            continue;
        }
        const std::string Id(A.cid, sizeof A.cid), Category = FixedText(A.category, sizeof A.category);
        const std::string Name = FixedText(A.name, sizeof A.name);
        Ids.push_back(Id);
        Categories.push_back(Category);
        if (std::memcmp(A.cid, Again.cid, sizeof A.cid) != 0)
            F.Add(At + "the class identifier changes between calls");
        if (Name.empty())
            F.Add(At + "no name");
        if (M.Factory2)
        {
            PClassInfo2 B{};
            if (M.Factory2->getClassInfo2(I, &B) != kResultOk)
                F.Add(At + "getClassInfo2 failed");
            else
            {
                if (std::memcmp(B.cid, A.cid, sizeof A.cid) != 0 || FixedText(B.category, sizeof B.category) != Category ||
                    FixedText(B.name, sizeof B.name) != Name || B.cardinality != A.cardinality)
                    F.Add(At + "info 2 differs from info 1 (identifier, category, name or cardinality)");
                if (Category == kAudioModuleClass)
                {
                    const std::string Sub = FixedText(B.subCategories, sizeof B.subCategories);
                    if (Sub.empty() || Sub.front() == '|' || Sub.back() == '|' || Sub.find("||") != std::string::npos)
                        F.Add(At + "sub-categories '" + Sub + "'");
                    if (FixedText(B.sdkVersion, sizeof B.sdkVersion).rfind("VST 3", 0) != 0)
                        F.Add(At + "interface version '" + FixedText(B.sdkVersion, sizeof B.sdkVersion) + "'");
                    if (FixedText(B.vendor, sizeof B.vendor).empty() || FixedText(B.version, sizeof B.version).empty())
                        F.Add(At + "no vendor or version");
                }
            }
        }
        if (M.Factory3)
        {
            PClassInfoW W{};
            if (M.Factory3->getClassInfoUnicode(I, &W) != kResultOk)
                F.Add(At + "getClassInfoUnicode failed");
            else if (std::memcmp(W.cid, A.cid, sizeof A.cid) != 0 || FixedText(W.category, sizeof W.category) != Category ||
                     NarrowText(W.name, 64) != Name)
                F.Add(At + "info 3 differs from info 1 (identifier, category or name)");
        }
    }
    const auto Module = std::find(Categories.begin(), Categories.end(), kAudioModuleClass);
    if (Module == Categories.end())
        F.Add("no class of category '" + std::string(kAudioModuleClass) + "'");
    else
    {
        // The component names its controller class, or answers for the controller itself.
        const std::string& Id = Ids[static_cast<std::size_t>(Module - Categories.begin())];
        void* Object = nullptr;
        if (M.Factory->createInstance(Id.data(), kIComponentIid.Bytes, &Object) != kResultOk || !Object)
            F.Add("the audio module class makes no component");
        else
        {
            auto* Component = static_cast<IComponent*>(Object);
            char Controller[16] = {};
            void* Itself = nullptr;
            if (Component->getControllerClassId(Controller) == kResultOk)
            {
                const auto Named = std::find(Ids.begin(), Ids.end(), std::string(Controller, 16));
                if (Named == Ids.end() || Categories[static_cast<std::size_t>(Named - Ids.begin())] != kControllerClass)
                    F.Add("the controller class the component names is no '" + std::string(kControllerClass) +
                          "' of the factory");
            }
            else if (Component->queryInterface(kIEditControllerIid.Bytes, &Itself) != kResultOk || !Itself)
                F.Add("the component names no controller class and is no controller");
            else
                static_cast<IEditController*>(Itself)->release();
            Component->release();
        }
    }
    V.Check("class-info", F.Text());
}

} // namespace

void CheckVST3Factory(TValidation& V)
{
    V.Step("load", "loading the module");
    std::unique_ptr<TModule> M;
    try
    {
        M = std::make_unique<TModule>(V.Path());
    }
    catch (const std::exception& E)
    {
        V.Fail("load", E.what());
        return;
    }
    V.Pass("load");
    CheckFactoryInfo(V, *M);
    CheckClassInfo(V, *M);
    CheckVST3ModuleInfo(V, *M);
}

} // namespace MarvoVstValidate
