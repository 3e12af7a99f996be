// Program files of one instance: the parameter form ('FxCk', normalised values) and the chunk form ('FPCh',
// the plug-in's own bytes). Every 32-bit field and value is stored big-endian.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "platform/Exceptions.h"
#include "vsthost/DVSTHost.h"

namespace
{

constexpr std::size_t kParameterHeaderSize = 56;
constexpr std::size_t kChunkHeaderSize = 60;
constexpr std::size_t kNameOffset = 28;
constexpr std::size_t kNameField = 28;
constexpr std::size_t kMaxStoredName = 26;
// The largest program file read and written, in either form: far above any real plug-in's program, far
// below what a 32-bit process can hold twice. A file that could be saved can always be loaded.
constexpr std::size_t kMaxFileSize = std::size_t(64) << 20;
constexpr const char* kTooLarge = "preset file is too large";
constexpr std::int32_t kMaxFileParams = static_cast<std::int32_t>((kMaxFileSize - kParameterHeaderSize) / 4);
static_assert(kMaxFileSize - kChunkHeaderSize <= static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()),
              "a chunk of any accepted file has a 32-bit size");

// [any]
void PutBigEndian(std::vector<std::uint8_t>& Out, std::size_t Offset, std::uint32_t V)
{
    Out[Offset] = static_cast<std::uint8_t>(V >> 24);
    Out[Offset + 1] = static_cast<std::uint8_t>(V >> 16);
    Out[Offset + 2] = static_cast<std::uint8_t>(V >> 8);
    Out[Offset + 3] = static_cast<std::uint8_t>(V);
}

// [any]
std::uint32_t GetBigEndian(const std::vector<std::uint8_t>& In, std::size_t Offset)
{
    return (std::uint32_t(In[Offset]) << 24) | (std::uint32_t(In[Offset + 1]) << 16) |
           (std::uint32_t(In[Offset + 2]) << 8) | std::uint32_t(In[Offset + 3]);
}

// [any]
std::uint32_t FloatBits(float V)
{
    std::uint32_t Bits;
    std::memcpy(&Bits, &V, sizeof Bits);
    return Bits;
}

// [any]
float BitsFloat(std::uint32_t Bits)
{
    float V;
    std::memcpy(&V, &Bits, sizeof V);
    return V;
}

// The header fields both forms share: magics, version, plug-in identity, parameter count and name.
std::vector<std::uint8_t> Header(std::size_t HeaderSize, const char (&FxMagic)[5], std::uint32_t ByteSize,
                                 const std::string& uID, std::int32_t FxVersion, std::int32_t NumParams,
                                 const std::string& Name)
{
    std::vector<std::uint8_t> H(HeaderSize, 0);
    PutBigEndian(H, 0, static_cast<std::uint32_t>(FourCharCode("CcnK")));
    PutBigEndian(H, 4, ByteSize);
    PutBigEndian(H, 8, static_cast<std::uint32_t>(FourCharCode(FxMagic)));
    PutBigEndian(H, 12, 1);
    for (std::size_t I = 0; I < 4 && I < uID.size(); ++I)
        H[16 + I] = static_cast<std::uint8_t>(uID[I]);
    PutBigEndian(H, 20, static_cast<std::uint32_t>(FxVersion));
    PutBigEndian(H, 24, static_cast<std::uint32_t>(NumParams));
    const std::size_t Length = std::min(Name.size(), kMaxStoredName);
    std::memcpy(H.data() + kNameOffset, Name.data(), Length);
    return H;
}

// [host-main]
void WriteBytes(std::ostream& Stream, const void* Data, std::size_t Size)
{
    if (Size)
        Stream.write(static_cast<const char*>(Data), static_cast<std::streamsize>(Size));
}

// [any] The program name of a file: up to its first zero, at most the 28 bytes of the field.
std::string StoredName(const std::vector<std::uint8_t>& File)
{
    const char* Name = reinterpret_cast<const char*>(File.data() + kNameOffset);
    return std::string(Name, strnlen(Name, kNameField));
}

// [host-main] The whole stream from its start. Above the size limit it is refused: before a byte is read when the
// stream tells its size, else as soon as more than the limit has been read.
std::vector<std::uint8_t> ReadFile(std::istream& Stream)
{
    Stream.clear();
    Stream.seekg(0, std::ios::end);
    const std::streamoff Size = Stream.tellg(); // -1 when the stream cannot tell
    if (Size > static_cast<std::streamoff>(kMaxFileSize))
        throw EMarvoError(kTooLarge);
    Stream.clear();
    Stream.seekg(0);
    Stream.clear();
    std::vector<std::uint8_t> File;
    if (Size > 0)
        File.reserve(static_cast<std::size_t>(Size));
    char Block[16384];
    do
    {
        Stream.read(Block, sizeof Block);
        const auto Count = static_cast<std::size_t>(Stream.gcount());
        if (Count > kMaxFileSize - File.size())
            throw EMarvoError(kTooLarge);
        File.insert(File.end(), Block, Block + Count);
    } while (Stream);
    if (Stream.bad())
        throw EMarvoError("cannot read preset file");
    return File;
}

// [any]
void CheckPluginID(const std::vector<std::uint8_t>& File, const std::string& uID)
{
    if (uID.size() != 4 || std::memcmp(File.data() + 16, uID.data(), 4) != 0)
        throw EMarvoError("preset file not for this plugin!");
}

} // namespace

// [host-main]
void TVstPlugIn::LoadPreset(const std::string& FileName)
{
    if (!FileExists(FileName))
        throw EMarvoError("preset file does not exist");
    std::ifstream Stream(FileName, std::ios::binary);
    if (!Stream)
        throw EMarvoError("cannot open preset file \"" + FileName + "\"");
    LoadPreset(Stream);
}

// [host-main] The whole file is read and checked before anything is sent to the plug-in, so a rejected
// file leaves the instance as it was.
void TVstPlugIn::LoadPreset(std::istream& Stream)
{
    if (!VstEffect)
        return;
    const std::vector<std::uint8_t> File = ReadFile(Stream);
    const bool ParameterForm = File.size() > 9 && File[9] == 'x';
    if (File.size() < (ParameterForm ? kParameterHeaderSize : kChunkHeaderSize))
        throw EMarvoError("preset file is truncated");
    CheckPluginID(File, FuID);

    if (!ParameterForm)
    {
        const std::size_t ChunkSize = File.size() - kChunkHeaderSize;
        SetProgramName(StoredName(File));
        // One byte of room beyond the chunk, as plug-ins that read a terminating zero expect.
        std::vector<std::uint8_t> Chunk(ChunkSize + 1, 0);
        std::copy(File.begin() + kChunkHeaderSize, File.end(), Chunk.begin());
        SetChunk(Chunk.data(), static_cast<std::int32_t>(ChunkSize), true);
        return;
    }

    const auto Count = static_cast<std::int32_t>(GetBigEndian(File, 24));
    if (Count < 0)
        throw EMarvoError("preset file has an invalid parameter count");
    if (kParameterHeaderSize + 4 * static_cast<std::uint64_t>(Count) > File.size())
        throw EMarvoError("preset file is truncated");
    TVstPatchChunkInfo Info{};
    Info.version = 1;
    Info.pluginUniqueID = VstEffect->uniqueID;
    Info.pluginVersion = VstEffect->version;
    Info.numElements = VstEffect->numParams;
    BeginLoadProgram(Info);
    SetProgramName(StoredName(File));
    // Values beyond the parameters the plug-in has now (a file of another version) are not passed on.
    const std::int32_t Known = std::min(Count, std::max(VstEffect->numParams, 0));
    for (std::int32_t I = 0; I < Known; ++I)
        SetParameter(I, BitsFloat(GetBigEndian(File, kParameterHeaderSize + 4 * static_cast<std::size_t>(I))));
}

// [host-main] The file is composed in memory first, so a plug-in failing half-way leaves no half file.
void TVstPlugIn::SavePreset(const std::string& FileName)
{
    std::ostringstream Bytes(std::ios::binary);
    SavePreset(Bytes);
    const std::string Data = Bytes.str();
    std::ofstream File(FileName, std::ios::binary | std::ios::trunc);
    if (!File)
        throw EMarvoError("cannot create preset file \"" + FileName + "\"");
    File.write(Data.data(), static_cast<std::streamsize>(Data.size()));
    File.close();
    if (!File)
        throw EMarvoError("cannot write preset file \"" + FileName + "\"");
}

// [host-main]
void TVstPlugIn::SavePreset(std::ostream& Stream)
{
    Stream.seekp(0);
    if (!VstEffect)
        return;
    if (EffectOptions().Contains(effFlagsProgramChunks))
    {
        const std::string Name = ProgramName();
        void* Data = nullptr;
        std::int32_t Size = GetChunk(Data, true);
        if (Size < 0 || !Data)
            Size = 0;
        if (static_cast<std::size_t>(Size) > kMaxFileSize - kChunkHeaderSize)
            throw EMarvoError(kTooLarge);
        std::vector<std::uint8_t> H = Header(kChunkHeaderSize, "FPCh", 52u + static_cast<std::uint32_t>(Size), FuID,
                                             VstEffect->version, FnumParams, Name);
        PutBigEndian(H, 56, static_cast<std::uint32_t>(Size));
        WriteBytes(Stream, H.data(), H.size());
        WriteBytes(Stream, Data, static_cast<std::size_t>(Size));
    }
    else
    {
        std::vector<std::uint8_t> Record;
        FillProgramRecord(ProgramNr(), Record);
        WriteBytes(Stream, Record.data(), Record.size());
    }
    if (!Stream)
        throw EMarvoError("cannot write preset file");
}

// [host-main]
void TVstPlugIn::FillProgramRecord(std::int32_t Number, std::vector<std::uint8_t>& Record)
{
    // A negative count would be written as it stands, and no loader takes it back.
    if (FnumParams < 0)
        throw EMarvoError("the plug-in reports a negative parameter count");
    const std::int32_t Count = FnumParams;
    if (Count > kMaxFileParams)
        throw EMarvoError("the plug-in has too many parameters for a preset file");
    SetProgramNr(Number);
    Record = Header(kParameterHeaderSize, "FxCk", 48u + 4u * static_cast<std::uint32_t>(Count), FuID,
                    VstEffect ? VstEffect->version : 0, FnumParams, ProgramName());
    Record.resize(kParameterHeaderSize + 4 * static_cast<std::size_t>(Count));
    for (std::int32_t I = 0; I < Count; ++I)
        PutBigEndian(Record, kParameterHeaderSize + 4 * static_cast<std::size_t>(I), FloatBits(GetParameter(I)));
}
