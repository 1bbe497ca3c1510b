#pragma once
// The controls the forms are built of. Positions are given at 96 DPI and scaled by the form. A
// control keeps its text, font and state until its form makes the windows, then applies them.
#include "toolkit/Forms.h"
#include "toolkit/Handles.h"

#include <string>

enum class TAlign { alNone, alBottom, alClient };

class TControl {
public:
    // parent: the control that holds this one (a panel); null for the form itself.
    TControl(TForm& form, TControl* parent, const char* windowClass, DWORD style, DWORD exStyle, int left, int top,
             int width, int height, int id = 0);
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    // The control's window; asking for it makes the form's windows.
    HWND Handle() const;
    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    void SetFocus() { ::SetFocus(Handle()); }
    // A font of its own: face, height in pixels at 96 DPI (negative: character height).
    void SetFont(const char* face, int height, bool bold = false, bool underline = false);
    void SetTextColor(COLORREF color) { textColor_ = color; hasTextColor_ = true; }

    TAlign Align = TAlign::alNone;
    int AlignHeight = 0;  // for alBottom, at 96 DPI
    TNotifyEvent OnClick;

    // Called by the form once its own window is there.
    void CreateHandle();
    // Notifications that the form forwards to the control that sent them.
    virtual void Command(WORD code);
    virtual bool Notify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool ColorStatic(HDC dc, HBRUSH& brush);
    virtual bool SetCursor() { return false; }

protected:
    // Runs once the control's window is there.
    virtual void Created() {}
    // Runs before the window is made: for a class of the toolkit's own, registered only then.
    virtual void Creating() {}
    // Keeps the text without passing it to the window.
    void KeepText(const std::string& text) { text_ = text; }

    TForm& form_;
    HWND handle_ = nullptr;

private:
    TControl* parent_;
    const char* windowClass_;
    DWORD style_;
    DWORD exStyle_;
    RECT bounds_;
    int id_;
    std::string text_;
    bool enabled_ = true;
    std::string fontFace_;
    int fontHeight_ = 0;
    bool fontBold_ = false;
    bool fontUnderline_ = false;
    UniqueGdiObject font_;
    COLORREF textColor_ = 0;
    bool hasTextColor_ = false;
};

class TLabel : public TControl {
public:
    // Sized to its caption, like an auto-sized label.
    TLabel(TForm& form, int left, int top, const std::string& caption);
    void SetCaption(const std::string& caption);
    // A link look: hand cursor over it.
    bool HandCursor = false;
    bool SetCursor() override;

protected:
    void Created() override { AutoSize(); }

private:
    void AutoSize();
};

class TStaticText : public TControl {
public:
    TStaticText(TForm& form, int left, int top, int width, int height);
};

class TEdit : public TControl {
public:
    TEdit(TForm& form, int left, int top, int width, int height, bool readOnly);
};

class TButton : public TControl {
public:
    // id IDOK and IDCANCEL make the dialog keys (Enter, Esc) press the button.
    TButton(TForm& form, TControl* parent, int left, int top, int width, int height, const std::string& caption,
            int id, bool isDefault);
    void Command(WORD code) override;
    // The result that a click gives the modal form (mrNone: none).
    int ModalResult = mrNone;
};

class TPanel : public TControl {
public:
    TPanel(TForm& form, int height);

protected:
    void Creating() override;
};

class TStatusBar : public TControl {
public:
    explicit TStatusBar(TForm& form);
    // The one simple panel; the text is kept whether or not the window is there.
    void SetSimpleText(const std::string& text);
    const std::string& SimpleText() const { return Text(); }

protected:
    void Created() override;
};
