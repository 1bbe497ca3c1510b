#pragma once
// The application object and the form base: one window procedure for all forms,
// a message loop with an idle event, modal showing, and the standard exception display.
// A form makes its window, and its controls' windows, when it is first shown or its handle is
// first asked for, not when it is constructed.
#include "toolkit/SysUtils.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TForm;
class TControl;

// The sender of an event.
class TObject {
public:
    virtual ~TObject() = default;
};

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

constexpr int mrNone = 0;
constexpr int mrOk = IDOK;
constexpr int mrCancel = IDCANCEL;

using TNotifyEvent = std::function<void()>;
using TIdleEvent = std::function<void(bool& done)>;

// What a form's window looks like when it is created.
struct TFormStyle {
    const char* ClassName;  // the window class, the form class's name
    std::string Caption;
    int Left = CW_USEDEFAULT;
    int Top = CW_USEDEFAULT;
    int ClientWidth = 0;   // at 96 DPI; 0 with Width/Height for an outer size
    int ClientHeight = 0;
    int Width = 0;
    int Height = 0;
    DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    DWORD ExStyle = WS_EX_CONTROLPARENT;
    int MenuId = 0;
    int IconId = 0;
    bool Centered = false;
};

// A component that wants to see its form's messages first (tray icon, timer).
class TMessageHook {
public:
    virtual ~TMessageHook() = default;
    virtual bool HandleMessage(TMessage& message) = 0;
};

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    void Initialize();
    void SetTitle(const std::string& title) { title_ = title; }
    const std::string& Title() const { return title_; }
    std::string ExeName() const { return ModuleFileName(); }
    HINSTANCE Instance() const { return instance_; }

    // The command line's arguments after the program name.
    int ParamCount() const { return static_cast<int>(params_.size()); }
    void SetParams(std::vector<std::string> params) { params_ = std::move(params); }

    // Constructs the form, makes the first one the main form, then runs its create event.
    template <typename T>
    void CreateForm(T*& reference)
    {
        auto form = std::make_unique<T>();
        reference = form.get();
        Adopt(std::move(form));
        reference->DoCreate();
    }
    TForm* MainForm() const { return mainForm_; }
    void DestroyForms();

    void Run();
    // One message, or the idle event and a wait when the queue is empty.
    void HandleMessage();
    void ProcessMessages();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // What the program entry returns to whoever started the program.
    void SetExitCode(int code) { exitCode_ = code; }
    int ExitCode() const { return exitCode_; }

    void Minimize();
    void Restore();
    void BringToFront();
    bool Minimized() const { return minimized_; }

    int MessageBox(const std::string& text, const std::string& caption, UINT flags);
    void ShowException(const std::string& message);
    // Shows the exception in flight; for use inside catch blocks.
    void HandleException();

    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;

    HICON Icon() const;

private:
    friend class TApplicationEvents;
    void Adopt(std::unique_ptr<TForm> form);
    bool ProcessMessage(MSG& msg);
    void Idle();

    HINSTANCE instance_;
    std::string title_;
    std::vector<std::string> params_;
    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    int exitCode_ = 0;
    bool minimized_ = false;
    mutable HICON icon_ = nullptr;
    std::vector<class TApplicationEvents*> events_;
};

extern TApplication* Application;

// The application-events component: a form's handle on the application's idle event.
class TApplicationEvents {
public:
    TApplicationEvents();
    ~TApplicationEvents();
    TApplicationEvents(const TApplicationEvents&) = delete;
    TApplicationEvents& operator=(const TApplicationEvents&) = delete;
    TIdleEvent OnIdle;
};

class TForm : public TObject {
public:
    explicit TForm(const TFormStyle& style);
    ~TForm() override;
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    // The form's window, made (with its controls) when first asked for.
    HWND Handle() const;
    bool HandleAllocated() const { return handle_ != nullptr; }
    int Scale(int pixels) const { return MulDiv(pixels, Dpi(), 96); }
    int Dpi() const;
    HFONT Font() const { return font_; }

    void SetCaption(const std::string& caption);
    std::string Caption() const;
    void Show();
    void Hide();
    bool Visible() const;
    void Close();
    int ShowModal();
    void SetModalResult(int result) { modalResult_ = result; }
    int ModalResult() const { return modalResult_; }

    // Runs the create event; called by the application once the form is built.
    void DoCreate();
    // Runs the destroy event and destroys the window; called at the end of the program.
    void DoDestroy();

    // Timers that live on this form's window; set once the window is there.
    void StartTimer(UINT_PTR id, UINT interval, TNotifyEvent handler);
    void StopTimer(UINT_PTR id);

    void AddHook(TMessageHook* hook) { hooks_.push_back(hook); }
    void RemoveHook(TMessageHook* hook);
    void AddControl(TControl* control) { controls_.push_back(control); }
    void RemoveControl(TControl* control);

    // Message dispatch: forms override it to pick out messages of their own.
    virtual void Dispatch(TMessage& message);

protected:
    virtual void FormCreate(TObject* /*Sender*/) {}
    virtual void FormShow(TObject* /*Sender*/) {}
    virtual void FormClose(TObject* /*Sender*/, TCloseAction& /*Action*/) {}
    virtual void FormDestroy(TObject* /*Sender*/) {}
    // Runs once the window and its controls exist: for what needs their handles.
    virtual void HandleCreated() {}
    // Lays out aligned controls.
    void AlignControls();
    void DefaultHandler(TMessage& message);

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void CreateHandle() const;

    TFormStyle style_;
    mutable HWND handle_ = nullptr;
    mutable int dpi_ = 0;
    mutable HFONT font_ = nullptr;
    bool modal_ = false;
    int modalResult_ = mrNone;
    bool destroyed_ = false;
    // Until the form is built, its window gets only the default handling: a message that
    // another process sends while the form is made must not reach members that do not exist yet.
    bool created_ = false;
    std::vector<TMessageHook*> hooks_;
    std::vector<TControl*> controls_;
    std::map<UINT_PTR, TNotifyEvent> timers_;
    std::map<UINT_PTR, UINT> intervals_;
};

// The toolkit's timer component, on its form's window.
class TTimer {
public:
    TTimer(TForm& owner, UINT interval, TNotifyEvent onTimer);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }

private:
    TForm& owner_;
    UINT interval_;
    TNotifyEvent onTimer_;
    bool enabled_ = false;
};

// Plain message with one OK button and the application title as caption.
void ShowMessage(const std::string& text);
