#pragma once
// The x87 floating-point control word. The x87 instructions behave the same on i686 and x86-64, so these
// work unchanged in both builds. A library runs with whatever control word its host left (an MSVC-built
// player often selects 53-bit precision), so code that depends on extended precision loads its own.
#include <cstdint>

// All exceptions masked, 64-bit precision, round to nearest.
inline constexpr std::uint16_t kDefaultFPUControlWord = 0x133F;

// [any] The calling thread's current x87 control word.
inline std::uint16_t Get8087CW()
{
    std::uint16_t cw = 0;
    asm volatile("fnstcw %0" : "=m"(cw) : : "memory");
    return cw;
}

// [any] Clears pending x87 exceptions and loads `cw` into the calling thread's control word.
inline void Set8087CW(std::uint16_t cw)
{
    asm volatile("fnclex\n\tfldcw %0" : : "m"(cw) : "memory");
}

// Loads a control word for the lifetime of the object and restores the previous one afterwards.
class TFPUControlScope
{
public:
    explicit TFPUControlScope(std::uint16_t cw = kDefaultFPUControlWord) : FSaved(Get8087CW()) { Set8087CW(cw); }
    ~TFPUControlScope() { Set8087CW(FSaved); }
    TFPUControlScope(const TFPUControlScope&) = delete;
    TFPUControlScope& operator=(const TFPUControlScope&) = delete;

private:
    std::uint16_t FSaved;
};
