#pragma once
// Plays a person at a modal dialog of this thread: a script on a thread of its own waits for the
// dialog, presses keys in whatever window has the focus (posted, as the keyboard delivers them,
// so that the dialog keys go through the message loop), and waits for each key to be handled.
// Whatever the script does, the dialog is closed at its end, so that ShowModal returns.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class ModalDriver {
public:
    using Script = std::function<void(ModalDriver&)>;

    // Start it on the thread that will run the dialog, just before ShowModal.
    explicit ModalDriver(Script script)
        : guiThread_(GetCurrentThreadId())
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &ModalDriver::SyncProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VimgTestSync";
        RegisterClassA(&wc);
        sync_ = CreateWindowExA(0, "VimgTestSync", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(sync_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled_));
        thread_ = std::thread([this, script] {
            script(*this);
            CloseDialog();
            done_ = true;
        });
    }
    ~ModalDriver()
    {
        // The script may still wait for messages of this thread to be handled.
        while (!done_) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        thread_.join();
        DestroyWindow(sync_);
    }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // The shown top-level window of this class, once there is one; null when it never came.
    HWND WaitForWindow(const char* className, DWORD timeoutMs = 15000)
    {
        className_ = className;
        HWND found = nullptr;
        WaitUntil(
            [&] {
                found = FindWindowA(className, nullptr);
                return found && IsWindowVisible(found);
            },
            timeoutMs);
        dialog_ = found && IsWindowVisible(found) ? found : nullptr;
        if (dialog_)
            Settle();
        return dialog_;
    }

    bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 15000)
    {
        const DWORD start = GetTickCount();
        while (!condition()) {
            if (GetTickCount() - start > timeoutMs)
                return false;
            Sleep(10);
        }
        return true;
    }

    HWND Focus() const
    {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(guiThread_, &info) ? info.hwndFocus : nullptr;
    }

    // Presses and releases a key in the focus window, then waits until it has been handled.
    void Key(UINT key, bool alt = false)
    {
        HWND target = Focus();
        const UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC) << 16;
        const UINT down = 1 | scan | (alt ? 1u << 29 : 0u);
        const UINT up = down | 3u << 30;
        PostMessageA(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, static_cast<LPARAM>(down));
        PostMessageA(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, static_cast<LPARAM>(up));
        Settle();
    }

    void Post(HWND target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        PostMessageA(target, message, wParam, lParam);
        Settle();
    }

    // Waits until everything posted so far, and what handling it posted in turn, has been handled.
    void Settle()
    {
        for (int round = 0; round < 3; ++round) {
            const long target = handled_ + 1;
            PostMessageA(sync_, kSyncMessage, 0, 0);
            WaitUntil([&] { return handled_ >= target; });
        }
    }

    HWND Dialog() const { return dialog_; }

private:
    static constexpr UINT kSyncMessage = WM_APP + 0x7A;

    static LRESULT CALLBACK SyncProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == kSyncMessage) {
            if (auto* handled = reinterpret_cast<std::atomic<long>*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
                ++*handled;
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    void CloseDialog()
    {
        // A dialog still up after the script: end it as its close box would.
        if (!dialog_ && !className_.empty())
            dialog_ = FindWindowA(className_.c_str(), nullptr);
        if (dialog_ && IsWindowVisible(dialog_))
            PostMessageA(dialog_, WM_CLOSE, 0, 0);
        WaitUntil([&] { return !dialog_ || !IsWindowVisible(dialog_); });
    }

    DWORD guiThread_;
    HWND sync_ = nullptr;
    HWND dialog_ = nullptr;
    std::string className_;
    std::atomic<long> handled_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};
