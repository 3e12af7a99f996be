#include "graphics/Bitmap32Png.h"

#include <png.h>

#include <vector>

// [any]
bool SaveBitmap32ToPng(const TBitmap32& Bitmap, const std::string& Path)
{
    if (Bitmap.Empty())
        return false;
    // Byte order R, G, B, A regardless of the host's endianness.
    std::vector<png_byte> Bytes(static_cast<std::size_t>(Bitmap.Width()) * Bitmap.Height() * 4);
    std::size_t i = 0;
    for (int y = 0; y < Bitmap.Height(); ++y)
        for (int x = 0; x < Bitmap.Width(); ++x)
        {
            const TColor32 C = Bitmap.Pixel(x, y);
            Bytes[i++] = static_cast<png_byte>(RedComponent(C));
            Bytes[i++] = static_cast<png_byte>(GreenComponent(C));
            Bytes[i++] = static_cast<png_byte>(BlueComponent(C));
            Bytes[i++] = static_cast<png_byte>(AlphaComponent(C));
        }
    png_image Image{};
    Image.version = PNG_IMAGE_VERSION;
    Image.width = static_cast<png_uint_32>(Bitmap.Width());
    Image.height = static_cast<png_uint_32>(Bitmap.Height());
    Image.format = PNG_FORMAT_RGBA;
    const bool Written = png_image_write_to_file(&Image, Path.c_str(), 0, Bytes.data(), 0, nullptr) != 0;
    png_image_free(&Image);
    return Written;
}
