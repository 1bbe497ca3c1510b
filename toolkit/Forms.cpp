#include "toolkit/Forms.h"

#include <commctrl.h>

#include <algorithm>

namespace {

const char kFormProperty[] = "vimager.TForm";

// The window procedure does the work; the dialog manager sends WM_INITDIALOG only to a dialog
// that has a dialog procedure.
INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TForm* FormOfWindow(HWND hwnd)
{
    return hwnd ? static_cast<TForm*>(GetPropA(hwnd, kFormProperty)) : nullptr;
}

void AppendWide(std::vector<WORD>& words, const char* text)
{
    const size_t at = words.size();
    words.resize(at + static_cast<size_t>(std::max(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 1)));
    MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<wchar_t*>(&words[at]), static_cast<int>(words.size() - at));
}

} // namespace

void TApplication::Adopt(std::unique_ptr<TForm> form)
{
    TForm& created = *form;
    created.app_ = this;
    if (!mainForm_)
        mainForm_ = &created;
    forms_.push_back(std::move(form));
    created.created_ = true;
    created.FormCreate();
}

void TApplication::DestroyForms()
{
    while (!forms_.empty()) {
        forms_.back()->DoDestroy();
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

void TApplication::HandleMessage()
{
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            return;
        }
        // Tab, Enter and Esc behave in forms as in dialogs.
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root && FormOfWindow(root) && IsDialogMessageA(root, &msg))
            return;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        return;
    }
    if (OnIdle) {
        // The handler may clear itself: call a copy.
        const TNotifyEvent idle = OnIdle;
        try {
            idle();
        } catch (...) {
            HandleException();
        }
    }
    if (!terminated_)
        WaitMessage();
}

void TApplication::Terminate()
{
    // Without the window library loaded there is no message queue, so no loop to end: a job from
    // the command line must not load it just for this.
    if (!terminated_ && GetModuleHandleA("user32.dll"))
        PostQuitMessage(0);
    terminated_ = true;
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    // Owned by the form the user works in, so that the box is modal to it.
    HWND owner = GetActiveWindow();
    if (!FormOfWindow(owner) || !IsWindowVisible(owner) || !IsWindowEnabled(owner))
        owner = nullptr;
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::HandleException()
{
    std::string message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
    }
    MessageBox(message, title_, MB_OK | MB_ICONSTOP);
}

TForm::~TForm()
{
    if (handle_) {
        RemovePropA(handle_, kFormProperty);
        SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
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

void TForm::RegisterClass() const
{
    // Loads the common controls and registers their classes (status bar, list view).
    INITCOMMONCONTROLSEX common{sizeof common, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&common);
    HINSTANCE instance = app_->Instance();
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(instance, style_.ClassName, &wc))
        return;
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &TForm::WndProc;
    // A dialog class keeps the dialog manager's data in the window.
    wc.cbWndExtra = style_.Dialog ? DLGWINDOWEXTRA : 0;
    wc.hInstance = instance;
    wc.hIcon = style_.IconId ? LoadIconA(instance, MAKEINTRESOURCEA(style_.IconId)) : nullptr;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = style_.ClassName;
    RegisterClassExA(&wc);
    if (!font_)
        font_.reset(CreateFontA(-Scale(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif"));
}

// No items and no size: the children come at their pixel places when the dialog starts.
std::vector<WORD> TForm::DialogTemplate() const
{
    // DLGTEMPLATE's words: style, extended style, no items, no place, no size; then no menu.
    std::vector<WORD> words{LOWORD(style_.Style), HIWORD(style_.Style), LOWORD(style_.ExStyle),
        HIWORD(style_.ExStyle), 0, 0, 0, 0, 0, 0};
    AppendWide(words, style_.ClassName);
    AppendWide(words, style_.Caption.c_str());
    return words;
}

void TForm::CreateHandle() const
{
    RegisterClass();
    auto* self = const_cast<TForm*>(this);
    HINSTANCE instance = app_->Instance();
    if (style_.Dialog) {
        const std::vector<WORD> layout = DialogTemplate();
        CreateDialogIndirectParamA(instance, reinterpret_cast<const DLGTEMPLATE*>(layout.data()), nullptr, NoDialogProc,
            reinterpret_cast<LPARAM>(self));
    } else {
        HMENU menu = style_.MenuId ? LoadMenuA(instance, MAKEINTRESOURCEA(style_.MenuId)) : nullptr;
        RECT frame{0, 0, Scale(style_.ClientWidth), Scale(style_.ClientHeight)};
        AdjustWindowRectEx(&frame, style_.Style, menu != nullptr, style_.ExStyle);
        CreateWindowExA(style_.ExStyle, style_.ClassName, style_.Caption.c_str(), style_.Style,
            style_.Left == CW_USEDEFAULT ? CW_USEDEFAULT : Scale(style_.Left),
            style_.Top == CW_USEDEFAULT ? CW_USEDEFAULT : Scale(style_.Top), frame.right - frame.left,
            frame.bottom - frame.top, nullptr, menu, instance, self);
        if (!handle_ && menu)
            DestroyMenu(menu);
        if (handle_)
            self->WindowCreated(handle_);
    }
    if (!handle_)
        throw Exception(Format("Error creating window of class %s", style_.ClassName));
}

void TForm::WindowCreated(HWND hwnd)
{
    handle_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetPropA(hwnd, kFormProperty, this);
    for (TControl* control : controls_)
        control->Create(
            control->Parent ? control->Parent->Handle() : hwnd, app_->Instance(), Dpi(), Font());
    for (const TTimer* timer : timers_)
        timer->Start();
    if (style_.Dialog) {
        // The size is the form's at the screen's scale, the place the middle of the work area.
        RECT frame{0, 0, Scale(style_.ClientWidth), Scale(style_.ClientHeight)};
        if (style_.ClientWidth)
            AdjustWindowRectEx(&frame, style_.Style, FALSE, style_.ExStyle);
        else
            frame = RECT{0, 0, Scale(style_.Width), Scale(style_.Height)};
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        const int width = frame.right - frame.left;
        const int height = frame.bottom - frame.top;
        SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
            work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    AlignControls();
    HandleCreated();
}

void TForm::DoDestroy()
{
    if (destroyed_)
        return;
    destroyed_ = true;
    FormDestroy();
    for (const TTimer* timer : timers_)
        if (handle_)
            KillTimer(handle_, reinterpret_cast<UINT_PTR>(timer));
}

LRESULT CALLBACK TForm::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // A dialog's window is the dialog manager's until it starts.
    const bool dialog = GetClassLongPtrA(hwnd, GCL_CBWNDEXTRA) >= DLGWINDOWEXTRA;
    if (!form && msg == WM_NCCREATE && !dialog) {
        form = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    if (!form && msg == WM_INITDIALOG)
        form = reinterpret_cast<TForm*>(lParam);
    if (!form || !form->created_ || (msg != WM_INITDIALOG && form->handle_ != hwnd && dialog))
        return dialog ? DefDlgProcA(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kFormProperty);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        form->handle_ = nullptr;
        for (TControl* control : form->controls_)
            control->Destroyed();
    }
    TMessage message{msg, wParam, lParam, 0};
    // No exception may unwind through the system's code: show it here, the result stays 0.
    try {
        if (msg == WM_NCCREATE)
            form->handle_ = hwnd;
        if (msg == WM_INITDIALOG) {
            form->WindowCreated(hwnd);
            form->FormShow();
            message.Result = TRUE;  // the first control in tab order gets the focus
        } else {
            form->Dispatch(message);
        }
    } catch (...) {
        message.Result = 0;
        form->app_->HandleException();
    }
    return message.Result;
}

void TForm::DefaultHandler(TMessage& message)
{
    message.Result = style_.Dialog ? DefDlgProcA(handle_, message.Msg, message.WParam, message.LParam)
                                   : DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}

TControl* TForm::ControlOf(HWND hwnd, int id) const
{
    for (TControl* control : controls_)
        if ((hwnd && control->Handle() == hwnd) || (!hwnd && control->Id() == id && id > 0))
            return control;
    return nullptr;
}

void TForm::Dispatch(TMessage& message)
{
    switch (message.Msg) {
    case WM_COMMAND: {
        const int id = LOWORD(message.WParam);
        const WORD code = HIWORD(message.WParam);
        // The dialog manager's Enter names the default button by id alone.
        if (TControl* control = ControlOf(reinterpret_cast<HWND>(message.LParam), id)) {
            if (!control->Enabled())
                return;
            control->Command(code);
        } else if (!message.LParam && code == 0) {
            for (TMenuItem* item : items_)
                if (static_cast<int>(item->Id()) == id)
                    return item->Click();
        }
        if (style_.Dialog && (id == IDOK || id == IDCANCEL) && code == BN_CLICKED)
            EndForm(id);
        return;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(message.LParam);
        if (TControl* control = ControlOf(header->hwndFrom))
            if (control->Notify(*header))
                return;
        break;
    }
    case WM_TIMER:
        for (const TTimer* timer : timers_)
            if (reinterpret_cast<UINT_PTR>(timer) == message.WParam && timer->onTimer_) {
                const TNotifyEvent handler = timer->onTimer_;
                handler();
            }
        return;
    case WM_CLOSE:
        if (!style_.Dialog) {
            const bool isMain = app_->MainForm() == this;
            TCloseAction action = isMain ? TCloseAction::caFree : TCloseAction::caHide;
            FormClose(action);
            if (action == TCloseAction::caNone)
                return;
            if (isMain)
                app_->Terminate();
            else
                Hide();
            return;
        }
        break;
    case WM_SIZE:
        AlignControls();
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
        if (TControl* control = ControlOf(reinterpret_cast<HWND>(message.LParam))) {
            HBRUSH brush = nullptr;
            if (control->ColorStatic(reinterpret_cast<HDC>(message.WParam), brush)) {
                message.Result = reinterpret_cast<LRESULT>(brush);
                return;
            }
        }
        break;
    case WM_SETCURSOR:
        if (TControl* control = ControlOf(reinterpret_cast<HWND>(message.WParam)))
            if (control->SetCursor()) {
                message.Result = TRUE;
                return;
            }
        break;
    }
    DefaultHandler(message);
}

void TForm::EndForm(int result)
{
    // A click handler may have ended it already.
    if (!Visible())
        return;
    TCloseAction action = TCloseAction::caHide;
    FormClose(action);
    if (action == TCloseAction::caNone)
        return;
    if (modal_)
        EndDialog(handle_, result);
    else
        Hide();
}

void TForm::AlignControls()
{
    if (!handle_)
        return;
    RECT client{};
    GetClientRect(handle_, &client);
    for (TControl* control : controls_)
        if (control->Align == TAlign::alBottom) {
            const int height = Scale(control->AlignHeight);
            client.bottom -= height;
            MoveWindow(control->Handle(), client.left, client.bottom, client.right - client.left, height, TRUE);
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
    if (style_.Dialog && handle_)
        DestroyWindow(handle_);
    Handle();
    if (!style_.Dialog)
        FormShow();
    ShowWindow(handle_, SW_SHOWNORMAL);
    SetForegroundWindow(handle_);
}

void TForm::Hide()
{
    if (handle_)
        ShowWindow(handle_, SW_HIDE);
}

int TForm::ShowModal()
{
    if (handle_)
        DestroyWindow(handle_);
    RegisterClass();
    // Owned by the window the user works in, which the dialog manager disables meanwhile.
    HWND owner = GetActiveWindow();
    if (!FormOfWindow(owner) || !IsWindowVisible(owner))
        owner = nullptr;
    const std::vector<WORD> layout = DialogTemplate();
    modal_ = true;
    const INT_PTR result = DialogBoxIndirectParamA(app_->Instance(),
        reinterpret_cast<const DLGTEMPLATE*>(layout.data()), owner, NoDialogProc, reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return static_cast<int>(result);
}

TTimer::TTimer(TForm& owner, UINT interval, TNotifyEvent onTimer)
    : owner_(owner), interval_(interval), onTimer_(std::move(onTimer))
{
    owner_.timers_.push_back(this);
}

TTimer::~TTimer()
{
    SetEnabled(false);
    auto& timers = owner_.timers_;
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
}

void TTimer::Start() const
{
    if (enabled_ && owner_.handle_)
        SetTimer(owner_.handle_, reinterpret_cast<UINT_PTR>(this), interval_, nullptr);
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled)
        Start();
    else if (owner_.handle_)
        KillTimer(owner_.handle_, reinterpret_cast<UINT_PTR>(this));
}

TMenuItem::TMenuItem(TMainMenu& menu, UINT id, UINT radioFirst, UINT radioLast)
    : menu_(menu), id_(id), radioFirst_(radioFirst), radioLast_(radioLast)
{
    menu_.form_.items_.push_back(this);
}

bool TMenuItem::Checked() const
{
    return (GetMenuState(menu_.Handle(), id_, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void TMenuItem::SetChecked(bool checked)
{
    if (checked && radioFirst_)
        CheckMenuRadioItem(menu_.Handle(), radioFirst_, radioLast_, id_, MF_BYCOMMAND);
    else
        CheckMenuItem(menu_.Handle(), id_, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

HMENU TMenuItem::SubMenu() const
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_SUBMENU;
    return GetMenuItemInfoA(menu_.Handle(), id_, FALSE, &info) ? info.hSubMenu : nullptr;
}
