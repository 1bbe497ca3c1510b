#include "toolkit/TrayIcon.h"

#include <cstring>

TTrayIcon::TTrayIcon(TForm& owner, int iconId)
    : owner_(owner), iconId_(iconId), retry_(owner, 1500, [this] {
          if (visible_ && !added_)
              Add();
      })
{
    retry_.SetEnabled(false);
}

void TTrayIcon::Fill(NOTIFYICONDATAA& data) const
{
    std::memset(&data, 0, sizeof data);
    data.cbSize = sizeof data;
    data.hWnd = owner_.Handle();
    data.uID = 1;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = CallbackMessage;
    data.hIcon = icon_ ? icon_ : LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId_));
    // The shell keeps 127 characters of a hint.
    std::strncpy(data.szTip, hint_.c_str(), sizeof data.szTip - 1);
}

bool TTrayIcon::Send(DWORD message, NOTIFYICONDATAA& data)
{
    sent_ = data;
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
    retry_.SetEnabled(!added_);
}

void TTrayIcon::SetVisible(bool visible)
{
    visible_ = visible;
    if (visible) {
        Add();
        return;
    }
    retry_.SetEnabled(false);
    if (added_) {
        NOTIFYICONDATAA data;
        Fill(data);
        Send(NIM_DELETE, data);
        added_ = false;
    }
}

// The shell replaces a balloon of the same icon that is still shown.
void TTrayIcon::ShowBalloon(const std::string& title, const std::string& text, DWORD infoFlags)
{
    // Wine sizes its balloon a little short and cuts the last characters of the longest line;
    // blanks at the end are what it cuts then, and nothing shows of them elsewhere.
    Modify(title.c_str(), (text + "   ").c_str(), infoFlags);
}

void TTrayIcon::Modify(const char* balloonTitle, const char* balloonText, DWORD infoFlags)
{
    if (!added_)
        return;
    NOTIFYICONDATAA data;
    Fill(data);
    if (balloonText) {
        data.uFlags |= NIF_INFO;
        data.dwInfoFlags = infoFlags;
        std::strncpy(data.szInfoTitle, balloonTitle, sizeof data.szInfoTitle - 1);
        std::strncpy(data.szInfo, balloonText, sizeof data.szInfo - 1);
    }
    Send(NIM_MODIFY, data);
}

bool TTrayIcon::HandleMessage(const TMessage& message)
{
    if (message.Msg == taskbarCreated_ && taskbarCreated_ != 0) {
        added_ = false;
        if (visible_)
            Add();
        return true;
    }
    return message.Msg == CallbackMessage;
}
