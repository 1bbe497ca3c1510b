#include "toolkit/Forms.h"

#include "toolkit/Controls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

TApplication* Application = nullptr;

namespace {

const char kFormProperty[] = "vimager.TForm";

TForm* FormOfWindow(HWND hwnd)
{
    return hwnd ? static_cast<TForm*>(GetPropA(hwnd, kFormProperty)) : nullptr;
}

BOOL CALLBACK CollectEnabledForm(HWND hwnd, LPARAM context)
{
    auto* list = reinterpret_cast<std::vector<HWND>*>(context);
    if (FormOfWindow(hwnd) && IsWindowEnabled(hwnd) && IsWindowVisible(hwnd))
        list->push_back(hwnd);
    return TRUE;
}

} // namespace

TApplication::TApplication() : instance_(GetModuleHandleA(nullptr))
{
    Application = this;
}

TApplication::~TApplication()
{
    DestroyForms();
    if (Application == this)
        Application = nullptr;
}

void TApplication::Initialize()
{
    params_.clear();
    for (const std::wstring& argument : CommandLineArguments()) {
        // Arguments are the program's 8-bit text, in the ANSI code page.
        const int size = WideCharToMultiByte(CP_ACP, 0, argument.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? size : 1, '\0');
        if (size > 0)
            WideCharToMultiByte(CP_ACP, 0, argument.c_str(), -1, &text[0], size, nullptr, nullptr);
        text.resize(text.size() - 1);
        params_.push_back(text);
    }
}

HICON TApplication::Icon() const
{
    if (!icon_)
        icon_ = LoadIconA(instance_, MAKEINTRESOURCEA(1));
    return icon_;
}

void TApplication::Adopt(std::unique_ptr<TForm> form)
{
    if (!mainForm_)
        mainForm_ = form.get();
    forms_.push_back(std::move(form));
}

void TApplication::DestroyForms()
{
    while (!forms_.empty()) {
        forms_.back()->DoDestroy();
        if (forms_.back().get() == mainForm_)
            mainForm_ = nullptr;
        forms_.pop_back();
    }
    mainForm_ = nullptr;
}

void TApplication::Run()
{
    if (terminated_)
        return;
    if (mainForm_)
        mainForm_->Show();
    while (!terminated_)
        HandleMessage();
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    // Tab, Enter and Esc behave in forms as in dialogs.
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && FormOfWindow(root) && IsDialogMessageA(root, &msg))
        return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void TApplication::HandleMessage()
{
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ProcessMessage(msg);
        return;
    }
    Idle();
    if (!terminated_)
        WaitMessage();
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (!terminated_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ProcessMessage(msg);
}

void TApplication::Idle()
{
    const std::vector<TApplicationEvents*> events = events_;
    for (TApplicationEvents* component : events) {
        if (std::find(events_.begin(), events_.end(), component) == events_.end() || !component->OnIdle)
            continue;
        // The handler may detach itself: call a copy.
        TIdleEvent handler = component->OnIdle;
        bool done = true;
        try {
            handler(done);
        } catch (...) {
            HandleException();
        }
    }
}

TApplicationEvents::TApplicationEvents()
{
    Application->events_.push_back(this);
}

TApplicationEvents::~TApplicationEvents()
{
    auto& list = Application->events_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TApplication::Terminate()
{
    // Without the window library loaded there is no message queue, so no loop to end: a job from
    // the command line must not load it just for this.
    if (!terminated_ && GetModuleHandleA("user32.dll"))
        PostQuitMessage(0);
    terminated_ = true;
}

void TApplication::Minimize()
{
    if (minimized_)
        return;
    minimized_ = true;
    if (mainForm_)
        mainForm_->Hide();
    if (OnMinimize)
        OnMinimize();
}

void TApplication::Restore()
{
    // Also before the first showing: a question that comes during start-up needs the window out.
    if (mainForm_ && !mainForm_->Visible())
        ShowWindow(mainForm_->Handle(), SW_SHOWNORMAL);
    if (!minimized_)
        return;
    minimized_ = false;
    if (OnRestore)
        OnRestore();
}

void TApplication::BringToFront()
{
    if (mainForm_ && mainForm_->Visible())
        SetForegroundWindow(mainForm_->Handle());
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    // Owned by the form the user works in, so that the box is modal to it.
    HWND owner = GetActiveWindow();
    if (!FormOfWindow(owner) || !IsWindowVisible(owner) || !IsWindowEnabled(owner))
        owner = nullptr;
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::ShowException(const std::string& message)
{
    MessageBox(message, title_, MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException()
{
    try {
        throw;
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException(std::string());
    }
}

void ShowMessage(const std::string& text)
{
    Application->MessageBox(text, Application->Title(), MB_OK);
}

// ---------------------------------------------------------------------------------------------

TForm::TForm(const TFormStyle& style) : style_(style)
{
}

int TForm::Dpi() const
{
    if (!dpi_) {
        HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        if (dpi_ <= 0)
            dpi_ = 96;
    }
    return dpi_;
}

HWND TForm::Handle() const
{
    if (!handle_)
        CreateHandle();
    return handle_;
}

void TForm::CreateHandle() const
{
    // Loads the common controls and registers their classes (status bar, list view).
    INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&common);
    HINSTANCE instance = Application->Instance();
    WNDCLASSEXA wc{};
    if (!GetClassInfoExA(instance, style_.ClassName, &wc)) {
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &TForm::WndProc;
        wc.hInstance = instance;
        wc.hIcon = style_.IconId ? LoadIconA(instance, MAKEINTRESOURCEA(style_.IconId)) : nullptr;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = style_.ClassName;
        RegisterClassExA(&wc);
    }
    if (!font_)
        font_ = CreateFontA(-Scale(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
    HMENU menu = style_.MenuId ? LoadMenuA(instance, MAKEINTRESOURCEA(style_.MenuId)) : nullptr;

    RECT frame{0, 0, Scale(style_.Width), Scale(style_.Height)};
    if (style_.ClientWidth) {
        frame = RECT{0, 0, Scale(style_.ClientWidth), Scale(style_.ClientHeight)};
        AdjustWindowRectEx(&frame, style_.Style, menu != nullptr, style_.ExStyle);
    }
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    int left = style_.Left == CW_USEDEFAULT ? CW_USEDEFAULT : Scale(style_.Left);
    int top = style_.Top == CW_USEDEFAULT ? CW_USEDEFAULT : Scale(style_.Top);
    if (style_.Centered) {
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        left = work.left + (work.right - work.left - width) / 2;
        top = work.top + (work.bottom - work.top - height) / 2;
    }
    auto* self = const_cast<TForm*>(this);
    CreateWindowExA(style_.ExStyle, style_.ClassName, style_.Caption.c_str(), style_.Style, left, top, width, height,
        nullptr, menu, instance, self);
    if (!handle_) {
        if (menu)
            DestroyMenu(menu);
        throw Exception(Format("Error creating window of class %s", style_.ClassName));
    }
    for (TControl* control : controls_)
        control->CreateHandle();
    for (const auto& timer : timers_)
        SetTimer(handle_, timer.first, intervals_.at(timer.first), nullptr);
    self->AlignControls();
    self->HandleCreated();
}

TForm::~TForm()
{
    if (handle_) {
        RemovePropA(handle_, kFormProperty);
        SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
    if (font_)
        DeleteObject(font_);
}

void TForm::DoCreate()
{
    created_ = true;
    FormCreate(this);
}

void TForm::DoDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    FormDestroy(this);
    for (const auto& timer : timers_)
        if (handle_)
            KillTimer(handle_, timer.first);
    timers_.clear();
}

LRESULT CALLBACK TForm::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TForm* form = nullptr;
    if (msg == WM_NCCREATE) {
        form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        form->handle_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        SetPropA(hwnd, kFormProperty, form);
    } else {
        form = reinterpret_cast<TForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!form || !form->created_)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kFormProperty);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        form->handle_ = nullptr;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    TMessage message{msg, wParam, lParam, 0};
    // No exception may unwind through the system's code: show it here, the result stays 0.
    try {
        form->Dispatch(message);
    } catch (...) {
        message.Result = 0;
        Application->HandleException();
    }
    return message.Result;
}

void TForm::DefaultHandler(TMessage& message)
{
    message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}

void TForm::Dispatch(TMessage& message)
{
    for (TMessageHook* hook : hooks_)
        if (hook->HandleMessage(message))
            return;

    auto controlOf = [this](HWND hwnd) -> TControl* {
        for (TControl* control : controls_)
            if (control->Handle() == hwnd)
                return control;
        return nullptr;
    };

    switch (message.Msg) {
    case WM_COMMAND:
        if (message.LParam) {
            if (TControl* control = controlOf(reinterpret_cast<HWND>(message.LParam)))
                control->Command(HIWORD(message.WParam));
        } else if (modal_ && LOWORD(message.WParam) == IDCANCEL) {
            // Esc in a form without a Cancel button.
            modalResult_ = mrCancel;
        }
        return;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(message.LParam);
        if (TControl* control = controlOf(header->hwndFrom))
            if (control->Notify(*header, message.Result))
                return;
        break;
    }
    case WM_TIMER: {
        auto timer = timers_.find(message.WParam);
        if (timer != timers_.end()) {
            TNotifyEvent handler = timer->second;
            handler();
        }
        return;
    }
    case WM_CLOSE: {
        const bool isMain = Application->MainForm() == this;
        if (modal_) {
            if (modalResult_ == mrNone)
                modalResult_ = mrCancel;
            return;
        }
        TCloseAction action = isMain ? TCloseAction::caFree : TCloseAction::caHide;
        FormClose(this, action);
        if (action == TCloseAction::caNone)
            return;
        if (isMain)
            Application->Terminate();
        else
            Hide();
        return;
    }
    case WM_SYSCOMMAND:
        if ((message.WParam & 0xFFF0) == SC_MINIMIZE && Application->MainForm() == this) {
            Application->Minimize();
            return;
        }
        break;
    case WM_SIZE:
        AlignControls();
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        if (TControl* control = controlOf(reinterpret_cast<HWND>(message.LParam))) {
            HBRUSH brush = nullptr;
            if (control->ColorStatic(reinterpret_cast<HDC>(message.WParam), brush)) {
                message.Result = reinterpret_cast<LRESULT>(brush);
                return;
            }
        }
        break;
    case WM_SETCURSOR:
        if (TControl* control = controlOf(reinterpret_cast<HWND>(message.WParam)))
            if (control->SetCursor()) {
                message.Result = TRUE;
                return;
            }
        break;
    }
    DefaultHandler(message);
}

void TForm::AlignControls()
{
    if (!handle_)
        return;
    RECT client{};
    GetClientRect(handle_, &client);
    for (TControl* control : controls_) {
        if (control->Align == TAlign::alBottom) {
            const int height = Scale(control->AlignHeight);
            client.bottom -= height;
            MoveWindow(control->Handle(), client.left, client.bottom, client.right - client.left, height, TRUE);
        }
    }
    for (TControl* control : controls_)
        if (control->Align == TAlign::alClient)
            MoveWindow(control->Handle(), client.left, client.top, client.right - client.left,
                       client.bottom - client.top, TRUE);
}

void TForm::SetCaption(const std::string& caption)
{
    style_.Caption = caption;
    if (handle_)
        SetWindowTextA(handle_, caption.c_str());
}

std::string TForm::Caption() const
{
    if (!handle_)
        return style_.Caption;
    std::string text(GetWindowTextLengthA(handle_) + 1, '\0');
    text.resize(GetWindowTextA(handle_, &text[0], static_cast<int>(text.size())));
    return text;
}

void TForm::Show()
{
    Handle();
    FormShow(this);
    ShowWindow(handle_, SW_SHOWNORMAL);
    SetForegroundWindow(handle_);
}

void TForm::Hide()
{
    if (handle_)
        ShowWindow(handle_, SW_HIDE);
}

bool TForm::Visible() const
{
    return handle_ && IsWindowVisible(handle_);
}

void TForm::Close()
{
    SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

int TForm::ShowModal()
{
    // Every other enabled form is disabled while this one is up.
    std::vector<HWND> disabled;
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledForm, reinterpret_cast<LPARAM>(&disabled));
    disabled.erase(std::remove(disabled.begin(), disabled.end(), handle_), disabled.end());
    for (HWND hwnd : disabled)
        EnableWindow(hwnd, FALSE);

    modal_ = true;
    modalResult_ = mrNone;
    Show();
    for (;;) {
        while (modalResult_ == mrNone && !Application->Terminated())
            Application->HandleMessage();
        if (Application->Terminated() && modalResult_ == mrNone)
            modalResult_ = mrCancel;
        TCloseAction action = TCloseAction::caHide;
        FormClose(this, action);
        if (action != TCloseAction::caNone || Application->Terminated())
            break;
        modalResult_ = mrNone;
    }
    // Enable the owners before hiding, so that activation goes back to them.
    for (HWND hwnd : disabled)
        EnableWindow(hwnd, TRUE);
    Hide();
    modal_ = false;
    return modalResult_;
}

void TForm::StartTimer(UINT_PTR id, UINT interval, TNotifyEvent handler)
{
    timers_[id] = std::move(handler);
    intervals_[id] = interval;
    if (handle_)
        SetTimer(handle_, id, interval, nullptr);
}

void TForm::StopTimer(UINT_PTR id)
{
    if (handle_)
        KillTimer(handle_, id);
    timers_.erase(id);
    intervals_.erase(id);
}

void TForm::RemoveHook(TMessageHook* hook)
{
    hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
}

void TForm::RemoveControl(TControl* control)
{
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

// ---------------------------------------------------------------------------------------------

TTimer::TTimer(TForm& owner, UINT interval, TNotifyEvent onTimer)
    : owner_(owner), interval_(interval), onTimer_(std::move(onTimer))
{
    SetEnabled(true);
}

TTimer::~TTimer()
{
    SetEnabled(false);
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    const auto id = reinterpret_cast<UINT_PTR>(this);
    if (enabled)
        owner_.StartTimer(id, interval_, [this] {
            if (onTimer_)
                onTimer_();
        });
    else
        owner_.StopTimer(id);
}
