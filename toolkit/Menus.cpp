#include "toolkit/Menus.h"

TMenuItem::TMenuItem(TMainMenu& menu, UINT id, std::string name, bool autoCheck, int groupIndex)
    : menu_(menu), id_(id), name_(std::move(name)), autoCheck_(autoCheck), groupIndex_(groupIndex)
{
    menu_.items_.push_back(this);
}

bool TMenuItem::Checked() const
{
    return (GetMenuState(menu_.Handle(), id_, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void TMenuItem::SetChecked(bool checked)
{
    if (checked && groupIndex_ > 0)
        for (TMenuItem* other : menu_.items_)
            if (other != this && other->groupIndex_ == groupIndex_)
                CheckMenuItem(menu_.Handle(), other->id_, MF_BYCOMMAND | MF_UNCHECKED);
    CheckMenuItem(menu_.Handle(), id_, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

HMENU TMenuItem::SubMenu() const
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_SUBMENU;
    return GetMenuItemInfoA(menu_.Handle(), id_, FALSE, &info) ? info.hSubMenu : nullptr;
}

void TMenuItem::Click()
{
    if (autoCheck_)
        SetChecked(groupIndex_ > 0 || !Checked());
    if (OnClick)
        OnClick();
}

TMainMenu::TMainMenu(TForm& form) : form_(form)
{
    form_.AddHook(this);
}

TMainMenu::~TMainMenu()
{
    form_.RemoveHook(this);
}

HMENU TMainMenu::Handle() const
{
    return GetMenu(form_.Handle());
}

TMenuItem* TMainMenu::FindItem(UINT id) const
{
    for (TMenuItem* item : items_)
        if (item->Id() == id)
            return item;
    return nullptr;
}

TMenuItem* TMainMenu::FindItemBySubMenu(HMENU subMenu) const
{
    if (!subMenu)
        return nullptr;
    for (TMenuItem* item : items_)
        if (item->SubMenu() == subMenu)
            return item;
    return nullptr;
}

bool TMainMenu::HandleMessage(TMessage& message)
{
    // Menu commands come with no control handle and notification code 0.
    if (message.Msg != WM_COMMAND || message.LParam != 0 || HIWORD(message.WParam) != 0)
        return false;
    TMenuItem* item = FindItem(LOWORD(message.WParam));
    if (!item)
        return false;
    item->Click();
    return true;
}
