#pragma once
// The notification-area icon of the main form: minimizes the application out of sight,
// shows the icon while it is there, restores the application on a double click.
#include "toolkit/Forms.h"

#include <shellapi.h>

#include <string>

class TTrayIcon : public TMessageHook {
public:
    // The icon's owner must be a normal top-level window: only those hear "TaskbarCreated".
    explicit TTrayIcon(TForm& owner);
    ~TTrayIcon() override;
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    void SetHint(const std::string& hint);
    const std::string& Hint() const { return hint_; }
    // Minimizes the application into the notification area.
    void Minimize();
    // The icon shown; null is the application's own.
    void SetIcon(HICON icon);
    HICON Icon() const { return icon_; }
    // A balloon over the icon while it is there (a warning unless told otherwise); a newer one
    // replaces the one shown.
    void ShowBalloon(const std::string& title, const std::string& text, DWORD infoFlags = NIIF_WARNING);
    // What the shell was last told about the icon.
    const NOTIFYICONDATAA& LastSent() const { return lastSent_; }

    bool HandleMessage(TMessage& message) override;

    // The message the shell sends about the icon (double click and the like).
    static constexpr UINT CallbackMessage = WM_APP + 1;

private:
    void Fill(NOTIFYICONDATAA& data) const;
    bool Send(DWORD message, NOTIFYICONDATAA& data);
    void Add();
    void Remove();

    TForm& owner_;
    std::string hint_;
    HICON icon_ = nullptr;
    NOTIFYICONDATAA lastSent_{};
    bool visible_ = false;
    bool added_ = false;
    // What the shell broadcasts when it restarts; 0 until the first icon is added.
    UINT taskbarCreated_ = 0;
};
