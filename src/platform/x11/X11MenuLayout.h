#pragma once
// The layout of the X11 backend's pop-up menus: a frame, then the items from the top, separators thinner
// than the others; an item with sub-items has an arrow in the right margin, and its submenu opens as a menu
// window of its own beside it. Shared by the menu code and by tests that point at an item. [any]
#include <algorithm>
#include <string>
#include <vector>

#include "platform/Forms.h"

namespace X11MenuLayout
{

constexpr int kFrame = 2;           // the frame around the items, on every side
constexpr int kItemHeight = 20;     // an item's row
constexpr int kSeparatorHeight = 7; // a separator's row, with its line in the middle
constexpr int kGutter = 24;         // left of the caption: the check or radio mark
constexpr int kRightMargin = 20;    // right of the widest caption; the submenu arrow sits in it
constexpr int kArrowRight = 8;      // from the row's right edge to the arrow's tip
constexpr int kArrowHalfHeight = 4; // the arrow: a triangle pointing right, as wide as half its height
constexpr int kMinimumWidth = 80;
constexpr int kTextPoints = 9;

// The rows of the items in the menu window (left 0, top from the window's top edge) as they were when the
// menu opened; Index counts every item, separators too.
inline TRect ItemRow(const std::vector<TMenuItem*>& Items, int Index, int MenuWidth)
{
    int Top = kFrame;
    for (int I = 0; I < Index && I < static_cast<int>(Items.size()); ++I)
        Top += Items[static_cast<std::size_t>(I)]->IsSeparator() ? kSeparatorHeight : kItemHeight;
    const bool Separator =
        Index < static_cast<int>(Items.size()) && Items[static_cast<std::size_t>(Index)]->IsSeparator();
    return {kFrame, Top, MenuWidth - kFrame, Top + (Separator ? kSeparatorHeight : kItemHeight)};
}

// The rectangle that shows the pixels of the arrow of an item with sub-items in its row.
inline TRect ArrowBox(const TRect& Row)
{
    const int Tip = Row.Right - kArrowRight, MidY = (Row.Top + Row.Bottom) / 2;
    return {Tip - kArrowHalfHeight, MidY - kArrowHalfHeight, Tip, MidY + kArrowHalfHeight + 1};
}

// Where a Width x Height submenu goes on a ScreenWidth x ScreenHeight screen (screen coordinates): right of
// the parent menu (Parent: its window on the screen) with its first item level with the item's row (Row, in
// the parent's window), else left of the parent when it would leave the screen on the right; moved up as far
// as it would leave the screen at the bottom; never above or left of the screen.
inline TRect SubmenuRect(const TRect& Parent, const TRect& Row, int Width, int Height, int ScreenWidth,
                         int ScreenHeight)
{
    int Left = Parent.Right;
    if (Left + Width > ScreenWidth)
        Left = Parent.Left - Width;
    if (Left < 0)
        Left = std::max(0, std::min(Parent.Right, ScreenWidth - Width));
    int Top = Parent.Top + Row.Top - kFrame;
    if (Top + Height > ScreenHeight)
        Top = ScreenHeight - Height;
    Top = std::max(0, Top);
    return {Left, Top, Left + Width, Top + Height};
}

// A caption as shown: "&" marks the next character as the accelerator (underlined), "&&" is one "&".
// Underline is the shown text's byte offset of the marked character, or -1.
inline std::string ShownCaption(const std::string& Caption, int& Underline)
{
    std::string Shown;
    Underline = -1;
    for (std::size_t I = 0; I < Caption.size(); ++I)
    {
        if (Caption[I] == '&' && I + 1 < Caption.size())
        {
            ++I;
            if (Caption[I] != '&' && Underline < 0)
                Underline = static_cast<int>(Shown.size());
        }
        else if (Caption[I] == '&')
            continue; // a trailing "&" marks nothing
        Shown.push_back(Caption[I]);
    }
    return Shown;
}

} // namespace X11MenuLayout
