#include "toolkit/TrayIcon.h"

#include <cstring>

namespace {
constexpr UINT kIconId = 1;
constexpr UINT_PTR kRetryTimer = 0x7E1;  // retries an add that the shell refused
constexpr UINT kRetryInterval = 1500;
} // namespace

TTrayIcon::TTrayIcon(TForm& owner) : owner_(owner)
{
    owner_.AddHook(this);
}

TTrayIcon::~TTrayIcon()
{
    Remove();
    owner_.RemoveHook(this);
}

void TTrayIcon::Fill(NOTIFYICONDATAA& data) const
{
    std::memset(&data, 0, sizeof data);
    data.cbSize = sizeof data;
    data.hWnd = owner_.Handle();
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = CallbackMessage;
    data.hIcon = icon_ ? icon_ : Application->Icon();
    // The shell keeps 127 characters of a hint.
    std::strncpy(data.szTip, hint_.c_str(), sizeof data.szTip - 1);
}

bool TTrayIcon::Send(DWORD message, NOTIFYICONDATAA& data)
{
    lastSent_ = data;
    return Shell_NotifyIconA(message, &data) != FALSE;
}

void TTrayIcon::Add()
{
    // Registered with the first icon: a command-line job never loads the window library for it.
    if (taskbarCreated_ == 0)
        taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    NOTIFYICONDATAA data;
    Fill(data);
    // After a shell restart the icon may still be known: then a modify serves.
    added_ = Send(NIM_ADD, data) || Send(NIM_MODIFY, data);
    if (added_)
        owner_.StopTimer(kRetryTimer);
    else
        owner_.StartTimer(kRetryTimer, kRetryInterval, [this] {
            if (visible_ && !added_)
                Add();
            else
                owner_.StopTimer(kRetryTimer);
        });
}

void TTrayIcon::Remove()
{
    owner_.StopTimer(kRetryTimer);
    if (!added_)
        return;
    NOTIFYICONDATAA data;
    Fill(data);
    Send(NIM_DELETE, data);
    added_ = false;
}

void TTrayIcon::SetVisible(bool visible)
{
    visible_ = visible;
    if (visible)
        Add();
    else
        Remove();
}

void TTrayIcon::SetHint(const std::string& hint)
{
    hint_ = hint;
    if (added_) {
        NOTIFYICONDATAA data;
        Fill(data);
        Send(NIM_MODIFY, data);
    }
}

void TTrayIcon::SetIcon(HICON icon)
{
    icon_ = icon;
    if (added_) {
        NOTIFYICONDATAA data;
        Fill(data);
        Send(NIM_MODIFY, data);
    }
}

void TTrayIcon::ShowBalloon(const std::string& title, const std::string& text, DWORD infoFlags)
{
    if (!added_)
        return;
    NOTIFYICONDATAA data;
    Fill(data);
    // The shell replaces a balloon of the same icon that is still shown.
    data.uFlags |= NIF_INFO;
    data.dwInfoFlags = infoFlags;
    std::strncpy(data.szInfoTitle, title.c_str(), sizeof data.szInfoTitle - 1);
    // Wine sizes its balloon a little short and cuts the last characters of the longest line; blanks
    // at the end are what it cuts then, and nothing shows of them elsewhere.
    std::strncpy(data.szInfo, (text + "   ").c_str(), sizeof data.szInfo - 1);
    Send(NIM_MODIFY, data);
}

void TTrayIcon::Minimize()
{
    Application->Minimize();
}

bool TTrayIcon::HandleMessage(TMessage& message)
{
    if (message.Msg == CallbackMessage) {
        if (message.LParam == WM_LBUTTONDBLCLK) {
            Application->Restore();
            Application->BringToFront();
        }
        return true;
    }
    if (message.Msg == taskbarCreated_ && taskbarCreated_ != 0) {
        added_ = false;
        if (visible_)
            Add();
        return true;
    }
    return false;
}
