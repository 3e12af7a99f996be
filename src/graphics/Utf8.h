#pragma once
#include <string>

// [any] UTF-8 to code points; a malformed or truncated sequence, an overlong form, a surrogate or a
// value above U+10FFFF gives U+FFFD for its first byte.
std::u32string DecodeUtf8(const std::string& Text);
