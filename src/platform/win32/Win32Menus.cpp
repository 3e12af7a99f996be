// Win32 window toolkit: pop-up menus, built from the items at each showing and tracked modally.
// Every function here runs on the thread that owns the windows ([editor]).
#include "platform/win32/Win32Internal.h"

using namespace Win32;

namespace
{

// Every item of the menu and of its submenus, depth first: an item's command identifier is its index + 1.
void CollectMenuItems(const std::vector<TMenuItem*>& Items, std::vector<TMenuItem*>& All)
{
    for (TMenuItem* Item : Items)
    {
        All.push_back(Item);
        CollectMenuItems(Item->Items(), All);
    }
}

// Appends Items to Menu; an item with sub-items becomes a submenu built the same way. Destroying Menu
// destroys its submenus. Identifiers follow CollectMenuItems' order, from Next on.
void AppendMenuItems(HMENU Menu, const std::vector<TMenuItem*>& Items, UINT& Next)
{
    UINT Position = 0;
    for (TMenuItem* Item : Items)
    {
        const UINT Id = Next++;
        if (Item->IsSeparator())
        {
            AppendMenuW(Menu, MF_SEPARATOR, 0, nullptr);
            ++Position;
            continue;
        }
        HMENU Sub = nullptr;
        if (!Item->Items().empty())
        {
            Sub = CreatePopupMenu();
            if (!Sub)
            {
                std::vector<TMenuItem*> Skipped; // their identifiers stay taken
                CollectMenuItems(Item->Items(), Skipped);
                Next += static_cast<UINT>(Skipped.size());
                continue;
            }
            AppendMenuItems(Sub, Item->Items(), Next);
        }
        const std::wstring Caption = Widen(Item->Caption());
        MENUITEMINFOW Info{};
        Info.cbSize = sizeof Info;
        Info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | (Sub ? MIIM_SUBMENU : 0);
        Info.fType = MFT_STRING | (Item->RadioItem() ? MFT_RADIOCHECK : 0);
        Info.fState = (Item->Checked() ? MFS_CHECKED : 0) | (Item->Enabled() ? 0 : MFS_DISABLED);
        Info.wID = Id;
        Info.hSubMenu = Sub;
        Info.dwTypeData = const_cast<wchar_t*>(Caption.c_str());
        if (InsertMenuItemW(Menu, Position, TRUE, &Info))
            ++Position;
        else if (Sub)
            DestroyMenu(Sub);
    }
}

} // namespace

// [editor] Modal until the menu closes; then the chosen item's Click runs, unless the menu changed meanwhile
// so that the chosen identifier no longer names the same item.
void NativePopup(TPopupMenu& Popup, int ScreenX, int ScreenY)
{
    HMENU Menu = CreatePopupMenu();
    if (!Menu)
        return;
    std::vector<TMenuItem*> Items;
    CollectMenuItems(Popup.Items(), Items);
    UINT Next = 1;
    AppendMenuItems(Menu, Popup.Items(), Next);
    HWND Owner = ParkingWindow();
    SetForegroundWindow(Owner);
    const UINT Chosen = static_cast<UINT>(TrackPopupMenu(Menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                        ScreenX, ScreenY, 0, Owner, nullptr));
    PostMessageW(Owner, WM_NULL, 0, 0);
    DestroyMenu(Menu);
    std::vector<TMenuItem*> Now;
    CollectMenuItems(Popup.Items(), Now);
    if (Chosen >= 1 && Chosen <= Now.size() && Chosen <= Items.size() && Now[Chosen - 1] == Items[Chosen - 1])
    {
        TMenuItem* Item = Items[Chosen - 1];
        FireEvent([Item] { Item->Click(); });
    }
}

