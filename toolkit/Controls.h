#pragma once
// One wrapper for every control of a form, made from the form's table: window class, style,
// place and size at 96 DPI, id, text. A control keeps its text, font and state until its form
// makes the windows, then applies them.
#include "toolkit/Handles.h"

#include <functional>
#include <string>

using TNotifyEvent = std::function<void()>;

// A row of a form's table. A width of 0 sizes the control to its text (a label).
struct TControlDef {
    const char* Class;
    DWORD Style;
    DWORD ExStyle;
    int Left, Top, Width, Height;
    int Id;
    const char* Text;
};

enum class TAlign { alNone, alBottom, alClient };

class TControl {
public:
    explicit TControl(const TControlDef& def) : def_(def), text_(def.Text ? def.Text : "") {}
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    // Made by the form once its own window is there, at the form's scale.
    void Create(HWND parent, HINSTANCE instance, int dpi, HFONT font);
    // The window has gone with its form's.
    void Destroyed() { handle_ = nullptr; }
    HWND Handle() const { return handle_; }
    int Id() const { return def_.Id; }

    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }
    // The status bar's one part is its window text.
    void SetSimpleText(const std::string& text) { SetText(text); }
    const std::string& SimpleText() const { return text_; }
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    // A font of its own: face, height in pixels at 96 DPI (negative: character height).
    void SetFont(const char* face, int height, bool bold = false, bool underline = false);

    // The control whose window holds this one; null for the form's.
    TControl* Parent = nullptr;
    // Holds controls: passes their notifications on to the form.
    bool Container = false;
    TAlign Align = TAlign::alNone;
    int AlignHeight = 0;  // for alBottom, at 96 DPI
    TNotifyEvent OnClick;
    // A link look: its own text colour and the hand cursor.
    COLORREF LinkColor = CLR_INVALID;

    // What the form passes on of the messages about this control.
    virtual void Command(WORD code);
    virtual bool Notify(NMHDR& /*header*/) { return false; }
    bool ColorStatic(HDC dc, HBRUSH& brush) const;
    bool SetCursor() const;

protected:
    // Runs once the control's window is there.
    virtual void Created() {}
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    HWND handle_ = nullptr;
    HFONT formFont_ = nullptr;
    HINSTANCE instance_ = nullptr;

private:
    void AutoSize();

    TControlDef def_;
    std::string text_;
    bool enabled_ = true;
    int dpi_ = 96;
    std::string fontFace_;
    int fontHeight_ = 0;
    bool fontBold_ = false;
    bool fontUnderline_ = false;
    UniqueGdiObject font_;
};
