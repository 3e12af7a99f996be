// Processor identification with the CPUID instruction: vendor, signature, effective family and model, cache
// sizes and instruction-set features.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include <cpuid.h>

#include "vstplugin/DVSTModuleCPU.h"

namespace
{
struct TVendorName
{
    const char* Text;
    TCPUVendor Vendor;
};

constexpr TVendorName VendorNames[] = {
    {"AuthenticAMD", cvAMD}, {"CentaurHauls", cvCentaur}, {"CyrixInstead", cvCyrix},
    {"GenuineIntel", cvIntel}, {"GenuineTMx86", cvTransmeta}, {"TransmetaCPU", cvTransmeta},
    {"NexGenDriven", cvNexGen}, {"RiseRiseRise", cvRise}, {"UMC UMC UMC ", cvUMC},
    {"Geode by NSC", cvNSC}, {"SiS SiS SiS ", cvSiS}};

// [any] The extended control register 0: which register states the operating system saves. Only called
// when the processor reports OSXSAVE.
std::uint64_t ReadXCR0()
{
    std::uint32_t Low, High;
    asm volatile("xgetbv" : "=a"(Low), "=d"(High) : "c"(0));
    return (static_cast<std::uint64_t>(High) << 32) | Low;
}

// [any]
std::uint16_t Kilobytes(unsigned long long Bytes)
{
    return static_cast<std::uint16_t>(std::min<unsigned long long>(Bytes / 1024, 0xFFFF));
}
} // namespace

// [any] Reads the processor's identification once.
TCPU::TCPU()
{
    unsigned A, B, C, D;
    if (!__get_cpuid(0, &A, &B, &C, &D))
        return;
    const unsigned MaxLeaf = A;
    char Vendor[13] = {};
    std::memcpy(Vendor, &B, 4);
    std::memcpy(Vendor + 4, &D, 4);
    std::memcpy(Vendor + 8, &C, 4);
    for (const TVendorName& Name : VendorNames)
        if (std::strcmp(Vendor, Name.Text) == 0)
            FVendor = Name.Vendor;
    if (MaxLeaf >= 1)
        ReadFeatures();
    const unsigned MaxExtended = ReadExtendedFeatures();
    if (FVendor == cvIntel && MaxLeaf >= 4)
        ReadIntelCaches();
    else
        ReadExtendedCaches(MaxExtended);
}

// [any] Leaf 1: signature, family, model and the instruction flags.
void TCPU::ReadFeatures()
{
    unsigned A, B, C, D;
    if (!__get_cpuid(1, &A, &B, &C, &D))
        return;
    FSignature = A;
    unsigned Family = (A >> 8) & 0xF, Model = (A >> 4) & 0xF;
    if (Family == 15)
    {
        Family += (A >> 20) & 0xFF;
        Model += ((A >> 16) & 0xF) << 4;
    }
    FEffFamily = static_cast<std::uint8_t>(Family);
    FEffModel = static_cast<std::uint8_t>(Model);
    const struct
    {
        unsigned Register, Bit;
        TCPUInstruction Instruction;
    } Features[] = {{D, 0, isFPU},   {D, 4, isTSC},   {D, 8, isCX8},   {D, 11, isSEP},  {D, 15, isCMOV},
                    {D, 23, isMMX},  {D, 24, isFXSR}, {D, 25, isSSE},  {D, 26, isSSE2}, {C, 0, isSSE3},
                    {C, 3, isMONITOR}, {C, 13, isCX16}};
    for (const auto& F : Features)
        if ((F.Register >> F.Bit) & 1)
            FInstructions.Include(F.Instruction);
    // Early Intel processors report SEP without supporting it.
    if (FVendor == cvIntel && (FSignature & 0x0FFF3FFF) < 0x633)
        FInstructions.Exclude(isSEP);
    // AVX needs the processor's flag and an operating system that saves the YMM state (OSXSAVE, XCR0).
    if (((C >> 27) & 1) && ((C >> 28) & 1) && (ReadXCR0() & 6) == 6)
    {
        FInstructions.Include(isAVX);
        if (__get_cpuid_max(0, nullptr) >= 7)
        {
            __cpuid_count(7, 0, A, B, C, D);
            if ((B >> 5) & 1)
                FInstructions.Include(isAVX2);
        }
    }
}

// [any] Leaf 0x80000001's instruction flags; answers the highest extended leaf (0 without any).
unsigned TCPU::ReadExtendedFeatures()
{
    unsigned A, B, C, D;
    unsigned MaxExtended = 0;
    if (__get_cpuid(0x80000000, &A, &B, &C, &D))
        MaxExtended = A;
    if (MaxExtended >= 0x80000001 && __get_cpuid(0x80000001, &A, &B, &C, &D))
    {
        if ((D >> 29) & 1)
            FInstructions.Include(isX64);
        if (FVendor == cvAMD && ((D >> 22) & 1))
            FInstructions.Include(isExMMX);
        if ((D >> 30) & 1)
            FInstructions.Include(isEx3DNow);
        if ((D >> 31) & 1)
            FInstructions.Include(is3DNow);
    }
    return MaxExtended;
}

// [any] Intel's deterministic cache parameters, one sub-leaf of leaf 4 per cache.
void TCPU::ReadIntelCaches()
{
    unsigned A, B, C, D;
    for (unsigned Sub = 0; Sub < 16; ++Sub)
    {
        __cpuid_count(4, Sub, A, B, C, D);
        const unsigned Type = A & 0x1F, Level = (A >> 5) & 7;
        if (Type == 0)
            break;
        const unsigned long long Size = static_cast<unsigned long long>((B >> 22) + 1) *
                                        (((B >> 12) & 0x3FF) + 1) * ((B & 0xFFF) + 1) *
                                        (static_cast<unsigned long long>(C) + 1);
        if (Level == 1 && Type == 1)
            FDataL1CacheSize = Kilobytes(Size);
        else if (Level == 1 && Type == 2)
            FCodeL1CacheSize = Kilobytes(Size);
        else if (Level == 2)
            FL2CacheSize = Kilobytes(Size);
        else if (Level == 3)
            FL3CacheSize = Kilobytes(Size);
    }
}

// [any] The caches of the extended leaves 0x80000005 and 0x80000006, where the processor has them.
void TCPU::ReadExtendedCaches(unsigned MaxExtended)
{
    unsigned A, B, C, D;
    if (MaxExtended >= 0x80000005 && __get_cpuid(0x80000005, &A, &B, &C, &D))
    {
        FDataL1CacheSize = static_cast<std::uint16_t>(C >> 24);
        FCodeL1CacheSize = static_cast<std::uint16_t>(D >> 24);
    }
    if (MaxExtended >= 0x80000006 && __get_cpuid(0x80000006, &A, &B, &C, &D))
    {
        FL2CacheSize = static_cast<std::uint16_t>(C >> 16);
        FL3CacheSize = static_cast<std::uint16_t>(std::min<unsigned long long>((D >> 18) * 512ull, 0xFFFF));
    }
}
