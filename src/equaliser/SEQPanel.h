#pragma once
// The editor panel's drawing pieces, shared by the editor and the response view under it: the panel's size,
// the texture of the button face and the cut-corner panel shape.
#include "graphics/Bitmap32.h"
#include "platform/Forms.h"

// The panel's own size in panel pixels (before the editor's zoom).
inline constexpr int kPanelWidth = 131;
inline constexpr int kPanelHeight = 35;

struct TPanelColours
{
    TColor32 Fill, Outline;
};

// [editor] The texture of the button face (noise from a fixed seed, row by row from the top, at Alpha) over
// the whole bitmap.
void PanelTexture(TBitmap32& Bitmap, int Alpha);
// [editor] A panel shape: the cut-corner outline of R filled, then outlined.
void DrawPanel(TBitmap32& Bitmap, const TRect& R, TPanelColours Colours);
