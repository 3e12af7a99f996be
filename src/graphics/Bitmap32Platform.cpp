// The two operations that reach the window system through the platform layer.
#include "graphics/Bitmap32.h"
#include "platform/System.h"

// [editor]
void TBitmap32::DrawTo(TForm& Form) const
{
    if (!Empty())
        Form.PaintBitmap(Bits(), FWidth, FHeight, FWidth);
}

// [any]
TColor32 SystemColor32(int Index)
{
    return SystemColorARGB(Index);
}
