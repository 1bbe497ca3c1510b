#pragma once
// The application object and the form base. A dialog form runs under the platform's dialog
// manager; a form makes its window and its controls' when the window is first needed.
#include "toolkit/Controls.h"
#include "toolkit/SysUtils.h"

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class TForm;
class TApplication;

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

enum class TCloseAction { caNone, caHide, caFree };

constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;

struct TFormStyle {
    const char* ClassName;  // the window class, the form class's name
    std::string Caption;
    int Left = CW_USEDEFAULT;  // at 96 DPI
    int Top = CW_USEDEFAULT;
    int ClientWidth = 0;  // at 96 DPI; 0 with Width/Height for an outer size
    int ClientHeight = 0;
    int Width = 0;
    int Height = 0;
    DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    DWORD ExStyle = WS_EX_CONTROLPARENT;
    int MenuId = 0;
    int IconId = 0;
    // Shown by the dialog manager, centred on the screen.
    bool Dialog = false;
};

// A dialog with a sizing border and a maximize box; outer size at 96 DPI.
inline TFormStyle SizableDialogStyle(const char* className, const char* caption, int width, int height, int iconId)
{
    TFormStyle style;
    style.ClassName = className;
    style.Caption = caption;
    style.Width = width;
    style.Height = height;
    style.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
    style.IconId = iconId;
    style.Dialog = true;
    return style;
}

class TApplication {
public:
    TApplication() : instance_(GetModuleHandleA(nullptr)) {}
    ~TApplication() { DestroyForms(); }
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    void Initialize() { paramCount_ = static_cast<int>(CommandLineArguments().size()); }
    void SetTitle(const std::string& title) { title_ = title; }
    const std::string& Title() const { return title_; }
    std::string ExeName() const { return ModuleFileName(); }
    HINSTANCE Instance() const { return instance_; }
    int ParamCount() const { return paramCount_; }

    // The first form made is the main form.
    template <typename T> void CreateForm(T*& reference)
    {
        auto form = std::make_unique<T>();
        reference = form.get();
        Adopt(std::move(form));
    }
    TForm* MainForm() const { return mainForm_; }
    void DestroyForms();

    void Run();
    // One message, or the idle event and a wait.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }
    void SetExitCode(int code) { exitCode_ = code; }
    int ExitCode() const { return exitCode_; }

    int MessageBox(const std::string& text, const std::string& caption, UINT flags);
    // Shows the exception in flight; inside catch blocks.
    void HandleException();
    TNotifyEvent OnIdle;

private:
    void Adopt(std::unique_ptr<TForm> form);

    HINSTANCE instance_;
    std::string title_;
    int paramCount_ = 0;
    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    int exitCode_ = 0;
};

class TForm {
public:
    explicit TForm(const TFormStyle& style) : style_(style) {}
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    HWND Handle() const;
    bool HandleAllocated() const { return handle_ != nullptr; }
    int Scale(int pixels) const { return MulDiv(pixels, Dpi(), 96); }
    int Dpi() const;
    HFONT Font() const { return font_.get() ? static_cast<HFONT>(font_.get()) : nullptr; }

    void SetCaption(const std::string& caption);
    std::string Caption() const;
    // A dialog form shown without modality is made anew, as each modal show is.
    void Show();
    void Hide();
    bool Visible() const { return handle_ && IsWindowVisible(handle_); }
    void Close() { SendMessageA(Handle(), WM_CLOSE, 0, 0); }
    // The id of the button that ended the dialog (IDOK, IDCANCEL).
    int ShowModal();
    void DoDestroy();
    virtual void Dispatch(TMessage& message);

protected:
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual void FormClose(TCloseAction& /*Action*/) {}
    virtual void FormDestroy() {}
    // Runs once the window and its controls exist.
    virtual void HandleCreated() {}
    // The controls of the form, in tab order.
    void AddControls(std::initializer_list<TControl*> controls) { controls_.insert(controls_.end(), controls); }
    void DefaultHandler(TMessage& message);
    void SetModalResult(int result) { EndForm(result); }
    TApplication& App() const { return *app_; }

private:
    friend class TApplication;
    friend class TTimer;
    friend class TMenuItem;
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void RegisterClass() const;
    std::vector<WORD> DialogTemplate() const;
    void CreateHandle() const;
    void WindowCreated(HWND hwnd);
    void AlignControls();
    void EndForm(int result);
    TControl* ControlOf(HWND hwnd, int id = -1) const;

    TFormStyle style_;
    TApplication* app_ = nullptr;
    mutable HWND handle_ = nullptr;
    mutable int dpi_ = 0;
    mutable UniqueGdiObject font_;
    bool modal_ = false;
    bool destroyed_ = false;
    // Until the form is built, its window gets only the default handling: a message that
    // another process sends while the form is made must not reach members that do not exist yet.
    bool created_ = false;
    std::vector<TControl*> controls_;
    std::vector<class TTimer*> timers_;
    std::vector<class TMenuItem*> items_;
};

// A timer on its form's window, running from its construction while enabled.
class TTimer {
public:
    TTimer(TForm& owner, UINT interval, TNotifyEvent onTimer);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }

private:
    friend class TForm;
    void Start() const;
    TForm& owner_;
    UINT interval_;
    TNotifyEvent onTimer_;
    bool enabled_ = true;
};

// The menu bar of the form's resource.
class TMainMenu {
public:
    explicit TMainMenu(TForm& form) : form_(form) {}
    HMENU Handle() const { return GetMenu(form_.Handle()); }

private:
    friend class TMenuItem;
    TForm& form_;
};

class TMenuItem {
public:
    // A radio item, checked, unchecks the others of the ids first..last.
    TMenuItem(TMainMenu& menu, UINT id, UINT radioFirst = 0, UINT radioLast = 0);
    TMenuItem(const TMenuItem&) = delete;
    TMenuItem& operator=(const TMenuItem&) = delete;

    UINT Id() const { return id_; }
    bool Checked() const;
    void SetChecked(bool checked);
    HMENU SubMenu() const;
    void Click()
    {
        if (OnClick)
            OnClick();
    }

    TNotifyEvent OnClick;

private:
    TMainMenu& menu_;
    UINT id_;
    UINT radioFirst_;
    UINT radioLast_;
};
