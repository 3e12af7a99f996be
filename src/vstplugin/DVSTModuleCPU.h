#pragma once
// Processor identification, done once when a module is constructed (TCustomVSTModule::CPU). The equaliser
// chooses its fast engine's width from it.
#include <cstdint>

#include "vstplugin/DVSTEffect.h"

enum TCPUVendor { cvUnknown, cvAMD, cvCentaur, cvCyrix, cvIntel, cvTransmeta, cvNexGen, cvRise, cvUMC, cvNSC, cvSiS };
enum TCPUInstruction
{
    isFPU, isTSC, isCX8, isSEP, isCMOV, isMMX, isFXSR, isSSE, isSSE2, isSSE3, isMONITOR, isCX16, isX64,
    isExMMX, isEx3DNow, is3DNow,
    isAVX, isAVX2 // only when the operating system also saves the 256-bit registers
};
using TCPUInstructions = TEnumSet<TCPUInstruction>;

class TCPU
{
public:
    TCPU(); // [any]
    TCPUVendor Vendor() const { return FVendor; }                          // [any]
    std::uint32_t Signature() const { return FSignature; }                 // [any]
    std::uint8_t EffFamily() const { return FEffFamily; }                  // [any]
    std::uint8_t EffModel() const { return FEffModel; }                    // [any]
    std::uint16_t CodeL1CacheSize() const { return FCodeL1CacheSize; }     // [any]
    std::uint16_t DataL1CacheSize() const { return FDataL1CacheSize; }     // [any]
    std::uint16_t L2CacheSize() const { return FL2CacheSize; }             // [any]
    std::uint16_t L3CacheSize() const { return FL3CacheSize; }             // [any]
    TCPUInstructions Instructions() const { return FInstructions; }        // [any]

private:
    void ReadFeatures();                           // [any]
    unsigned ReadExtendedFeatures();               // [any]
    void ReadIntelCaches();                        // [any]
    void ReadExtendedCaches(unsigned MaxExtended); // [any]

    TCPUVendor FVendor = cvUnknown;
    std::uint32_t FSignature = 0;
    std::uint8_t FEffFamily = 0, FEffModel = 0;
    std::uint16_t FCodeL1CacheSize = 0, FDataL1CacheSize = 0, FL2CacheSize = 0, FL3CacheSize = 0;
    TCPUInstructions FInstructions;
};
