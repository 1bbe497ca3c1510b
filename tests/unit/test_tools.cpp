// The Tools menu against the registry of the test prefix: the printers' keys in the 64-bit view.
#include "FormsFixture.h"
#include "ModalDriver.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Texts = std::vector<std::string>;

class ToolsTest : public FormsTest {
protected:
    TMainForm& Main() { return *MainForm; }
    // The message boxes of one menu command, once the last one has been answered.
    Texts Messages(size_t count)
    {
        EXPECT_TRUE(boxes_.WaitForCount(count, 15000));
        PumpMessages();
        for (const MessageBoxWatcher::Box& box : boxes_.Seen())
            EXPECT_EQ(box.Caption, "VELT Imager Support");
        return boxes_.Texts();
    }
    void ExpectRegistration(int index, DWORD mode)
    {
        SCOPED_TRACE("printer " + std::to_string(index));
        DWORD type = REG_NONE;
        EXPECT_EQ(StoredValue(index, "Client application", type), app_->ExeName() + '\0');
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(StoredValue(index, "Target window class", type), std::string("TMainForm", 10));
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(StoredValue(index, "Target window title", type), std::string("VELT Imager Support", 20));
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(StoredValue(index, "Transfer mode", type), std::string(reinterpret_cast<const char*>(&mode), 4));
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    }
    void ExpectTextDefaults(int index, DWORD enabled)
    {
        SCOPED_TRACE("printer " + std::to_string(index));
        const std::string defaults = PrinterKeyPath(index) + "\\Defaults";
        EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, defaults, "TXT: Enabled", kView64), enabled);
        EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, defaults, "TXT: Encoding", kView64), 2u);
        EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, defaults, "TXT: Separate", kView64), 1u);
        EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, defaults, "TXT: Write BOM", kView64), 1u);
    }
    static bool Has(int index, const char* name, const char* subKey = "")
    {
        DWORD type = REG_NONE;
        return StoredValue(index, name, type, subKey) != "<missing>";
    }

    MessageBoxWatcher boxes_;
};

} // namespace

TEST_F(ToolsTest, UseMessagesPointsBothPrintersAtThisProgram)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    ScopedRegKey defaults1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1) + "\\Defaults", kView64);
    printer1.SetString("Todo", "Ask user");
    defaults1.SetDword("TXT: Enabled", 1);
    Main().Usemessagesrecommended1.Click();
    EXPECT_EQ(Messages(1), Texts{"Done for 2 printers!"});
    ExpectRegistration(1, 1);
    ExpectRegistration(2, 1);
    EXPECT_TRUE(Main().Usemessagesrecommended1.Checked());
    EXPECT_FALSE(Main().UseEXEspecialcase1.Checked());
    // Nothing else is touched, and nothing lands in the 32-bit view.
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), "Todo", kView64), "Ask user");
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, PrinterKeyPath(1) + "\\Defaults", "TXT: Enabled", kView64), 1u);
    EXPECT_FALSE(Has(1, "TXT: Encoding", "\\Defaults"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), KEY_WOW64_32KEY));
}

TEST_F(ToolsTest, RadioItemsStayCheckedWhenClickedAgainAndWriteWhatTheySay)
{
    auto printer1 = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    const auto mode = [] { return ReadRegDword(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), "Transfer mode", kView64); };
    for (TMenuItem* item : {&Main().Usemessagesrecommended1, &Main().Usemessagesrecommended1,
             &Main().UseEXEspecialcase1, &Main().UseEXEspecialcase1}) {
        item->Click();
        const bool messages = item == &Main().Usemessagesrecommended1;
        EXPECT_EQ(Main().Usemessagesrecommended1.Checked(), messages);
        EXPECT_EQ(Main().UseEXEspecialcase1.Checked(), !messages);
        EXPECT_EQ(mode(), messages ? 1u : 0u);
    }
    EXPECT_EQ(Messages(4), Texts(4, "Done for 1 printers!"));
    // Printer 1's keys cannot be read: the mark stays where the last click put it.
    printer1.reset();
    SendMessageA(Main().Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(Main().Fillregistry1.SubMenu()), 1);
    EXPECT_TRUE(Main().UseEXEspecialcase1.Checked());
    EXPECT_FALSE(Main().Usemessagesrecommended1.Checked());
}

TEST_F(ToolsTest, UseCommandLineWritesTransferModeZero)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    printer1.SetDword("Transfer mode", 1);
    Main().UseEXEspecialcase1.Click();
    EXPECT_EQ(Messages(1), Texts{"Done for 2 printers!"});
    ExpectRegistration(1, 0);
    ExpectRegistration(2, 0);
    EXPECT_TRUE(Main().UseEXEspecialcase1.Checked());
    EXPECT_FALSE(Main().Usemessagesrecommended1.Checked());
}

TEST_F(ToolsTest, OnlyPrinterTwoReportsPrinterOneAndStillCountsTwo)
{
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    Main().Usemessagesrecommended1.Click();
    EXPECT_EQ(Messages(2), (Texts{"RegOpenKeyEx error 2", "Done for 1 printers!"}));
    ExpectRegistration(2, 1);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64));
}

TEST_F(ToolsTest, NoPrinterAtAll)
{
    Main().UseEXEspecialcase1.Click();
    EXPECT_EQ(Messages(2), (Texts{"RegOpenKeyEx error 2", "Could not find any \"VELT Imager\" printer!"}));
    EXPECT_FALSE(Main().UseEXEspecialcase1.Checked()); // nothing written, no mark
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64));
}

TEST_F(ToolsTest, PrepareTextFollowsTheToggledMarkAndWritesTheFixedOptions)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    ScopedRegKey defaults1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1) + "\\Defaults", kView64);
    ScopedRegKey defaults2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2) + "\\Defaults", kView64);
    ASSERT_FALSE(Main().Preparetext1.Checked());
    Main().Preparetext1.Click();
    EXPECT_TRUE(Main().Preparetext1.Checked());
    EXPECT_EQ(Messages(1), Texts{"Done for 2 printers!"});
    ExpectTextDefaults(1, 1);
    ExpectTextDefaults(2, 1);

    boxes_.Clear();
    Main().Preparetext1.Click();
    EXPECT_FALSE(Main().Preparetext1.Checked());
    EXPECT_EQ(Messages(1), Texts{"Done for 2 printers!"});
    ExpectTextDefaults(1, 0);
    ExpectTextDefaults(2, 0);
    // The printer keys' own values are the other command's.
    EXPECT_FALSE(Has(1, "Client application"));
    EXPECT_FALSE(Has(2, "Transfer mode"));
}

TEST_F(ToolsTest, PrepareTextWithoutDefaultsKeysFindsNoPrinter)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    Main().Preparetext1.Click();
    EXPECT_EQ(
        Messages(2), (Texts{"RegOpenKeyEx error 2", "Could not find any (correct version) \"VELT Imager\" printer!"}));
    // Nothing was written, so the mark stays off: the next click, with the keys there, turns text on.
    EXPECT_FALSE(Main().Preparetext1.Checked());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, PrinterKeyPath(1) + "\\Defaults", kView64));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, PrinterKeyPath(2) + "\\Defaults", kView64));
}

TEST_F(ToolsTest, PrepareTextWithOnlyPrinterTwosDefaults)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    ScopedRegKey defaults2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2) + "\\Defaults", kView64);
    Main().Preparetext1.Click();
    EXPECT_EQ(Messages(2), (Texts{"RegOpenKeyEx error 2", "Done for 1 printers!"}));
    ExpectTextDefaults(2, 1);
}

TEST_F(ToolsTest, RunningFromAnotherCaptionOrPathRewritesTheValues)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    printer1.SetString("Client application", "C:\\old\\vimager.exe");
    printer1.SetString("Target window title", "Old");
    Main().SetCaption("VELT Imager Support (test)");
    Main().FillRegistry(1);
    EXPECT_EQ(Messages(1), Texts{"Done for 1 printers!"});
    DWORD type = REG_NONE;
    EXPECT_EQ(StoredValue(1, "Client application", type), app_->ExeName() + '\0');
    EXPECT_EQ(StoredValue(1, "Target window title", type), std::string("VELT Imager Support (test)", 27));
}

TEST_F(ToolsTest, SetupActionsShowsThePreferencesModally)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    printer1.SetString("Todo", "EmfRaster");
    HWND main = Main().Handle();
    Main().Show();
    bool shown = false;
    bool mainDisabled = false;
    {
        ModalDriver person([&](ModalDriver& driver) {
            shown = driver.WaitForWindow("TvimgPrefForm") != nullptr;
            mainDisabled = !IsWindowEnabled(main);
            driver.Key(VK_ESCAPE);
        });
        Main().Setupactions1.Click();
    }
    EXPECT_TRUE(shown);
    EXPECT_TRUE(mainDisabled);
    EXPECT_FALSE(vimgPrefForm->Visible());
    EXPECT_EQ(vimgPrefForm->ValueListEditor1.RowCount(), 2);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), "Todo", kView64), "EmfRaster");
    PumpMessages();
    EXPECT_EQ(boxes_.Count(), 0u);
}
