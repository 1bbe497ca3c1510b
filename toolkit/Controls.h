#pragma once
// The controls the forms are built of. Positions are given at 96 DPI and scaled by the form.
#include "toolkit/Forms.h"
#include "toolkit/Handles.h"

#include <string>

enum class TAlign { alNone, alTop, alBottom, alClient };

class TControl {
public:
    TControl(TForm& form, HWND parent, const char* windowClass, DWORD style, DWORD exStyle, int left, int top,
             int width, int height, int id = 0);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    HWND Handle() const { return handle_; }
    TForm& Form() const { return form_; }
    void SetText(const std::string& text);
    std::string Text() const;
    void SetEnabled(bool enabled) { EnableWindow(handle_, enabled); }
    bool Enabled() const { return IsWindowEnabled(handle_) != FALSE; }
    void SetVisible(bool visible) { ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE); }
    void SetFocus() { ::SetFocus(handle_); }
    // Bounds in the parent's client coordinates, at 96 DPI.
    void SetBounds(int left, int top, int width, int height);
    // A font of its own: face, height in pixels at 96 DPI (negative: character height).
    void SetFont(const char* face, int height, bool bold = false, bool underline = false);
    void SetTextColor(COLORREF color) { textColor_ = color; hasTextColor_ = true; }

    TAlign Align = TAlign::alNone;
    int AlignHeight = 0;  // for alTop and alBottom, at 96 DPI
    TNotifyEvent OnClick;

    // Notifications that the form forwards to the control that sent them.
    virtual void Command(WORD code);
    virtual bool ColorStatic(HDC dc, HBRUSH& brush);
    virtual bool SetCursor() { return false; }

protected:
    TForm& form_;
    HWND handle_ = nullptr;

private:
    UniqueGdiObject font_;
    COLORREF textColor_ = 0;
    bool hasTextColor_ = false;
};

class TLabel : public TControl {
public:
    // Sized to its caption, like an auto-sized label.
    TLabel(TForm& form, HWND parent, int left, int top, const std::string& caption);
    void SetCaption(const std::string& caption);
    // A link look: hand cursor over it.
    bool HandCursor = false;
    bool SetCursor() override;
};

class TStaticText : public TControl {
public:
    TStaticText(TForm& form, HWND parent, int left, int top, int width, int height);
};

class TEdit : public TControl {
public:
    TEdit(TForm& form, HWND parent, int left, int top, int width, int height, bool readOnly);
};

class TButton : public TControl {
public:
    // id IDOK and IDCANCEL make the dialog keys (Enter, Esc) press the button.
    TButton(TForm& form, HWND parent, int left, int top, int width, int height, const std::string& caption, int id,
            bool isDefault);
    void Command(WORD code) override;
    // The result that a click gives the modal form (mrNone: none).
    int ModalResult = mrNone;
};

class TPanel : public TControl {
public:
    TPanel(TForm& form, HWND parent, int height);
};

class TStatusBar : public TControl {
public:
    TStatusBar(TForm& form, HWND parent);
    // The one simple panel.
    void SetSimpleText(const std::string& text);
    const std::string& SimpleText() const { return text_; }

private:
    std::string text_;
};
