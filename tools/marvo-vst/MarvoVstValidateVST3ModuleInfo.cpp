// marvo-vst validate for VST 3: the bundle's moduleinfo.json, which hosts read to list a plug-in without
// loading it, says of the factory and its classes what the factory says.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "MarvoVstValidateSupport.h"
#include "MarvoVstValidateVST3.h"
#include "platform/System.h"

namespace MarvoVstValidate
{

namespace
{

// The class identifier as moduleinfo.json writes it: its four 32-bit words in hexadecimal, whatever the
// platform's byte order of the 16 bytes.
std::string CidText(const char* Cid)
{
    const auto* B = reinterpret_cast<const unsigned char*>(Cid);
    unsigned char Words[16];
    std::memcpy(Words, B, sizeof Words);
#if defined(_WIN32)
    // COM layout: a little-endian 32-bit word and two little-endian 16-bit words, then the bytes in order.
    const unsigned char Head[8] = {B[3], B[2], B[1], B[0], B[5], B[4], B[7], B[6]};
    std::memcpy(Words, Head, sizeof Head);
#endif
    std::string Text;
    for (const unsigned char C : Words)
    {
        char Hex[3];
        std::snprintf(Hex, sizeof Hex, "%02X", C);
        Text += Hex;
    }
    return Text;
}

// The bundle folder of a path IsVST3Path takes: the path itself, or what comes before "/Contents/".
std::string BundleOf(const std::string& Path)
{
    for (const char* Inside : {".vst3/Contents/", ".vst3\\Contents\\"})
        if (const std::size_t At = Path.find(Inside); At != std::string::npos)
            return Path.substr(0, At + 5);
    return Path;
}

std::string Text(const nlohmann::json& Object, const char* Key)
{
    const auto It = Object.find(Key);
    return It != Object.end() && It->is_string() ? It->get<std::string>() : "";
}

} // namespace

void CheckVST3ModuleInfo(TValidation& V, TModule& M)
{
    V.Step("module-info", "reading Contents/Resources/moduleinfo.json");
    const char Sep = PathSeparator();
    const std::string File = BundleOf(V.Path()) + Sep + "Contents" + Sep + "Resources" + Sep + "moduleinfo.json";
    const auto Bytes = ReadWholeFile(File);
    if (!Bytes)
    {
        V.Skip("module-info", "the bundle has no Contents/Resources/moduleinfo.json");
        return;
    }
    const nlohmann::json Info = nlohmann::json::parse(Bytes->begin(), Bytes->end(), nullptr, false, true);
    if (!Info.is_object() || !Info.contains("Classes") || !Info["Classes"].is_array())
    {
        V.Fail("module-info", "moduleinfo.json is no JSON object with a \"Classes\" array");
        return;
    }
    TFailures F;
    PFactoryInfo Factory{};
    M.Factory->getFactoryInfo(&Factory);
    if (Info.contains("Factory Info") && Text(Info["Factory Info"], "Vendor") != FixedText(Factory.vendor, sizeof Factory.vendor))
        F.Add("factory vendor '" + Text(Info["Factory Info"], "Vendor") + "', the factory says '" +
              FixedText(Factory.vendor, sizeof Factory.vendor) + "'");
    const int32 Count = M.Factory->countClasses();
    if (static_cast<std::size_t>(Count) != Info["Classes"].size())
        F.Add(std::to_string(Info["Classes"].size()) + " classes, the factory has " + std::to_string(Count));
    for (int32 I = 0; I < Count; ++I)
    {
        PClassInfo2 C{};
        if (!M.Factory2 || M.Factory2->getClassInfo2(I, &C) != kResultOk)
            continue; // class-info reports it
        const std::string Cid = CidText(C.cid);
        const nlohmann::json* Entry = nullptr;
        for (const nlohmann::json& E : Info["Classes"])
            if (E.is_object() && Text(E, "CID") == Cid)
                Entry = &E;
        if (!Entry)
        {
            F.Add("class " + Cid + " is missing");
            continue;
        }
        std::string Sub;
        if (const auto It = Entry->find("Sub Categories"); It != Entry->end() && It->is_array())
            for (const nlohmann::json& S : *It)
                Sub += (Sub.empty() ? "" : "|") + (S.is_string() ? S.get<std::string>() : std::string("?"));
        const std::pair<std::string, std::string> kFields[] = {
            {Text(*Entry, "Category"), FixedText(C.category, sizeof C.category)},
            {Text(*Entry, "Name"), FixedText(C.name, sizeof C.name)},
            {Text(*Entry, "Vendor"), FixedText(C.vendor, sizeof C.vendor)},
            {Text(*Entry, "Version"), FixedText(C.version, sizeof C.version)},
            {Text(*Entry, "SDKVersion"), FixedText(C.sdkVersion, sizeof C.sdkVersion)},
            {Sub, FixedText(C.subCategories, sizeof C.subCategories)}};
        for (const auto& [Written, Said] : kFields)
            if (Written != Said)
                F.Add("class " + Cid + ": '" + Written + "', the factory says '" + Said + "'");
        if (!Entry->contains("Cardinality") || !(*Entry)["Cardinality"].is_number_integer() ||
            (*Entry)["Cardinality"].get<std::int64_t>() != C.cardinality)
            F.Add("class " + Cid + ": another cardinality");
    }
    V.Check("module-info", F.Text());
}

} // namespace MarvoVstValidate
