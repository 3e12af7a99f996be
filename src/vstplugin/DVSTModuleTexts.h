#pragma once
// Texts and numbers as the dispatcher exchanges them with the host; shared by the units behind DVSTModule.h.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace VSTModuleDetail
{
// Longest text copied into a caller's buffer, without the terminating zero.
inline constexpr std::size_t MaxCopiedText = 255;

// [any] Copies Text, clipped to Limit characters, and a terminating zero into Buffer (if not null).
inline void CopyText(void* Buffer, const std::string& Text, std::size_t Limit = MaxCopiedText)
{
    if (!Buffer)
        return;
    const std::size_t Length = std::min(Text.size(), Limit);
    std::memcpy(Buffer, Text.data(), Length);
    static_cast<char*>(Buffer)[Length] = '\0';
}

// [any] A zero-terminated text of the caller, read up to MaxCopiedText characters.
inline std::string ReadText(const void* Buffer)
{
    if (!Buffer)
        return std::string();
    const char* Text = static_cast<const char*>(Buffer);
    std::size_t Length = 0;
    while (Length < MaxCopiedText && Text[Length] != '\0')
        ++Length;
    return std::string(Text, Length);
}

// [any] Nearest integer of a finite value within the int32 range, ties to even; 0 otherwise.
inline std::int64_t RoundToInteger(double Value)
{
    if (!(Value >= -2147483648.0 && Value <= 2147483647.0))
        return 0;
    return static_cast<std::int64_t>(std::nearbyint(Value));
}
} // namespace VSTModuleDetail
