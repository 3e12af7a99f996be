#pragma once
// PNG output of a bitmap, for tests, tools and documentation (native build only).
#include <string>

#include "graphics/Bitmap32.h"

// [any] Writes Bitmap as an 8-bit RGBA PNG (straight alpha). Answers false when the bitmap is empty or
// the file cannot be written.
bool SaveBitmap32ToPng(const TBitmap32& Bitmap, const std::string& Path);
