#include "graphics/Utf8.h"

// [any]
std::u32string DecodeUtf8(const std::string& Text)
{
    std::u32string Result;
    Result.reserve(Text.size());
    const std::size_t N = Text.size();
    std::size_t i = 0;
    while (i < N)
    {
        const unsigned char B = static_cast<unsigned char>(Text[i]);
        int Length = 0;
        char32_t C = 0;
        char32_t Min = 0;
        if (B < 0x80)
        {
            Result.push_back(B);
            ++i;
            continue;
        }
        if ((B & 0xE0) == 0xC0) { Length = 2; C = B & 0x1F; Min = 0x80; }
        else if ((B & 0xF0) == 0xE0) { Length = 3; C = B & 0x0F; Min = 0x800; }
        else if ((B & 0xF8) == 0xF0) { Length = 4; C = B & 0x07; Min = 0x10000; }
        bool Valid = Length > 0 && i + Length <= N;
        for (int k = 1; Valid && k < Length; ++k)
        {
            const unsigned char T = static_cast<unsigned char>(Text[i + k]);
            if ((T & 0xC0) != 0x80)
                Valid = false;
            else
                C = (C << 6) | (T & 0x3F);
        }
        if (Valid && (C < Min || C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)))
            Valid = false;
        if (Valid)
        {
            Result.push_back(C);
            i += Length;
        }
        else
        {
            Result.push_back(0xFFFD);
            ++i;
        }
    }
    return Result;
}
