#pragma once
// The notification-area icon of a form: shown while the form is out of sight, with a hint, a
// warning icon or balloon when asked. The form passes its messages through HandleMessage.
#include "toolkit/Forms.h"

#include <shellapi.h>

#include <string>

class TTrayIcon {
public:
    // The icon's owner must be a normal top-level window: only those hear "TaskbarCreated".
    TTrayIcon(TForm& owner, int iconId);
    ~TTrayIcon() { SetVisible(false); }
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    void SetHint(const std::string& hint)
    {
        hint_ = hint;
        Modify(nullptr, nullptr, 0);
    }
    const std::string& Hint() const { return hint_; }
    // The icon shown; null is the resource's.
    void SetIcon(HICON icon)
    {
        icon_ = icon;
        Modify(nullptr, nullptr, 0);
    }
    HICON Icon() const { return icon_; }
    // A balloon over the icon while it is there, a warning unless told otherwise; a newer one
    // replaces the one shown.
    void ShowBalloon(const std::string& title, const std::string& text, DWORD infoFlags = NIIF_WARNING);
    // True for a message of the shell about the icon; a restarted shell gets the icon again.
    bool HandleMessage(const TMessage& message);

    // The message the shell sends about the icon (double click and the like).
    static constexpr UINT CallbackMessage = WM_APP + 1;

private:
    friend struct TrayIconSeam;
    void Fill(NOTIFYICONDATAA& data) const;
    bool Send(DWORD message, NOTIFYICONDATAA& data);
    void Add();
    // Tells the shell the icon's state, with a balloon when there is a text for one.
    void Modify(const char* balloonTitle, const char* balloonText, DWORD infoFlags);

    TForm& owner_;
    int iconId_;
    std::string hint_;
    HICON icon_ = nullptr;
    NOTIFYICONDATAA sent_{};
    bool visible_ = false;
    bool added_ = false;
    // Retries an add that the shell refused.
    TTimer retry_;
    // What the shell broadcasts when it restarts; 0 until the first icon is added.
    UINT taskbarCreated_ = 0;
};
