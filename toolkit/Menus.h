#pragma once
// The main menu of a form: items named as the form names them, auto-check and radio items.
#include "toolkit/Forms.h"

#include <string>
#include <vector>

class TMainMenu;

class TMenuItem {
public:
    // groupIndex > 0 makes a radio item (its resource gives it the radio look): a click checks
    // it and unchecks the others of its group.
    TMenuItem(TMainMenu& menu, UINT id, std::string name, bool autoCheck = false, int groupIndex = 0);
    TMenuItem(const TMenuItem&) = delete;
    TMenuItem& operator=(const TMenuItem&) = delete;

    UINT Id() const { return id_; }
    const std::string& Name() const { return name_; }
    bool Checked() const;
    void SetChecked(bool checked);
    // The drop-down that this item opens, if it opens one.
    HMENU SubMenu() const;
    // What a click does: the auto-check (a radio item stays checked), then the handler.
    void Click();

    TNotifyEvent OnClick;

private:
    TMainMenu& menu_;
    UINT id_;
    std::string name_;
    bool autoCheck_;
    int groupIndex_;
};

class TMainMenu : public TMessageHook {
public:
    // The form's menu bar, loaded with the form's window from its resource.
    explicit TMainMenu(TForm& form);
    ~TMainMenu() override;
    TMainMenu(const TMainMenu&) = delete;
    TMainMenu& operator=(const TMainMenu&) = delete;

    HMENU Handle() const;
    TMenuItem* FindItem(UINT id) const;
    // The item whose drop-down has this handle; null when there is none.
    TMenuItem* FindItemBySubMenu(HMENU subMenu) const;

    bool HandleMessage(TMessage& message) override;

private:
    friend class TMenuItem;
    TForm& form_;
    std::vector<TMenuItem*> items_;
};
