// The About dialog: its texts, its layout at the form's scale, and how it closes.
#include "FormsFixture.h"
#include "ModalDriver.h"

#include "app/version.h"
#include "support/Vsupport1.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

class AboutTest : public FormsTest {
protected:
    TAboutForm& Form() { return *AboutForm; }
    // A control's bounds in the form's client area.
    RECT Bounds(const TControl& control)
    {
        RECT rect{};
        GetWindowRect(control.Handle(), &rect);
        MapWindowPoints(nullptr, Form().Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    void ExpectAt(const TControl& control, int left, int top)
    {
        const RECT rect = Bounds(control);
        EXPECT_EQ(rect.left, Form().Scale(left)) << control.Text();
        EXPECT_EQ(rect.top, Form().Scale(top)) << control.Text();
    }
    static LOGFONTA FontOf(const TControl& control)
    {
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(control.Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
        return font;
    }
    static int CurrentYear()
    {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return now.wYear;
    }
};

bool Overlap(const RECT& a, const RECT& b)
{
    RECT both{};
    return IntersectRect(&both, &a, &b) != FALSE;
}

} // namespace

TEST(LegalNotice, TheYearsRunUpToTheYearGiven)
{
    EXPECT_EQ(LegalNoticeText(2019), "Copyright (C) 2019 VELT Korvel");
    EXPECT_EQ(LegalNoticeText(2020), "Copyright (C) 2019-2020 VELT Korvel");
    EXPECT_EQ(LegalNoticeText(2031), "Copyright (C) 2019-2031 VELT Korvel");
}

TEST_F(AboutTest, EveryShowFillsCaptionProductVersionAndTheCurrentYear)
{
    Form().Show();
    EXPECT_EQ(Form().Caption(), "About VELT Imager Support");
    EXPECT_EQ(Form().Label6.Text(), "VELT Imager Support");
    std::string version;
    GetFileVersionText(nullptr, version);
    EXPECT_EQ(version, VIMAGER_VERSION_TEXT);
    EXPECT_EQ(Form().LabelVersion.Text(), "Program version: " VIMAGER_VERSION_TEXT);
    EXPECT_EQ(Form().LabelLegal.Text(), LegalNoticeText(CurrentYear()));
    EXPECT_EQ(Form().LabelLegal.Text(), Format("Copyright (C) 2019-%d VELT Korvel", CurrentYear()));
    EXPECT_EQ(Form().Label5.Text(), "VELT Korvel");
    EXPECT_EQ(Form().LabelEdition.Text(), "Standard Edition");
    Form().Hide();

    app_->SetTitle("Another Title");
    Form().Show();
    EXPECT_EQ(Form().Caption(), "About Another Title");
    EXPECT_EQ(Form().Label6.Text(), "Another Title");
    Form().Hide();
}

TEST_F(AboutTest, LayoutAtTheFormScaleWithEverythingInside)
{
    Form().Show();
    RECT client{};
    GetClientRect(Form().Handle(), &client);
    EXPECT_EQ(client.right, Form().Scale(460));
    EXPECT_EQ(client.bottom, Form().Scale(180));
    const LONG style = GetWindowLongA(Form().Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    ExpectAt(Form().Image1, 4, 4);
    ExpectAt(Form().Label5, 160, 8);
    ExpectAt(Form().Label6, 160, 28);
    ExpectAt(Form().LabelEdition, 160, 56);
    ExpectAt(Form().LabelVersion, 160, 84);
    ExpectAt(Form().Label3, 320, 124);
    ExpectAt(Form().Button1, 320, 144);
    const RECT image = Bounds(Form().Image1);
    EXPECT_EQ(image.right - image.left, Form().Scale(146));
    EXPECT_EQ(image.bottom - image.top, Form().Scale(129));
    const RECT button = Bounds(Form().Button1);
    EXPECT_EQ(button.right - button.left, Form().Scale(75));
    EXPECT_EQ(button.bottom - button.top, Form().Scale(25));

    // Every text is whole inside the dialog and none covers another.
    const TControl* texts[] = {
        &Form().Label5, &Form().Label6, &Form().LabelEdition, &Form().LabelVersion, &Form().LabelLegal, &Form().Label3};
    for (const TControl* text : texts) {
        const RECT rect = Bounds(*text);
        EXPECT_LE(rect.right, client.right) << text->Text();
        EXPECT_LE(rect.bottom, client.bottom) << text->Text();
        EXPECT_FALSE(Overlap(rect, image)) << text->Text();
        EXPECT_FALSE(Overlap(rect, button)) << text->Text();
        for (const TControl* other : texts)
            if (other != text) {
                EXPECT_FALSE(Overlap(rect, Bounds(*other))) << text->Text() << " / " << other->Text();
            }
    }

    LOGFONTA font = FontOf(Form().Label5);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, -Form().Scale(16));
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    font = FontOf(Form().Label6);
    EXPECT_EQ(font.lfHeight, -Form().Scale(21));
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_TRUE(FontOf(Form().Label3).lfUnderline);
    EXPECT_EQ(GetNextDlgTabItem(Form().Handle(), nullptr, FALSE), Form().Button1.Handle());
    Form().Hide();
}

TEST_F(AboutTest, TheLinkNamesTheMakerAndHintsAtAFictionalSite)
{
    EXPECT_EQ(Form().Label3.Text(), kMakerCompanyName);
    const std::string site = kMakerSiteAddress;
    EXPECT_NE(site.find(".example/"), std::string::npos);
    Form().Handle();
    const HWND hintWindow = AboutSeam::HintWindow(Form());
    ASSERT_NE(hintWindow, nullptr);
    char hint[256] = "";
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Form().Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Form().Label3.Handle());
    tool.lpszText = hint;
    SendMessageA(hintWindow, TTM_GETTEXTA, sizeof hint, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::string(hint), site);
}

TEST_F(AboutTest, TheLogoSitsOnTheDialogFace)
{
    Form().Handle();
    HBITMAP logo = reinterpret_cast<HBITMAP>(SendMessageA(Form().Image1.Handle(), STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(logo, nullptr);
    BITMAP info{};
    GetObjectA(logo, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, Form().Scale(146));
    EXPECT_EQ(info.bmHeight, Form().Scale(129));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, logo);
    const COLORREF corner = GetPixel(dc, 0, info.bmHeight - 1);
    const COLORREF top = GetPixel(dc, 0, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(corner, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(top, GetSysColor(COLOR_BTNFACE));
}

TEST_F(AboutTest, OkClosesWithResultOneAndTheDialogStaysForTheNextShow)
{
    HWND focus = nullptr;
    HWND ok = nullptr;
    bool mainDisabled = false;
    HWND main = MainForm->Handle();
    MainForm->Show();
    int result = 0;
    {
        ModalDriver person([&](ModalDriver& driver) {
            if (!driver.WaitForWindow("TAboutForm"))
                return;
            focus = driver.Focus();
            ok = Form().Button1.Handle();
            mainDisabled = !IsWindowEnabled(main);
            driver.Key(VK_RETURN);
        });
        result = Form().ShowModal();
    }
    EXPECT_EQ(focus, ok);
    EXPECT_TRUE(mainDisabled);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(Form().Visible());
    EXPECT_TRUE(IsWindowEnabled(main));

    std::string caption;
    {
        ModalDriver person([&](ModalDriver& driver) {
            if (!driver.WaitForWindow("TAboutForm"))
                return;
            char text[128] = "";
            GetWindowTextA(driver.Dialog(), text, sizeof text);
            caption = text;
            driver.Post(driver.Dialog(), WM_CLOSE); // the close box
        });
        app_->SetTitle("Shown Again");
        result = Form().ShowModal();
    }
    EXPECT_EQ(caption, "About Shown Again");
    EXPECT_EQ(result, mrCancel);
    EXPECT_FALSE(Form().Visible());
}
