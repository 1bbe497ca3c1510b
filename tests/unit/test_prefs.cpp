// The Preferences dialog against the registry of the test prefix (the printers' 64-bit view).
#include "FormsFixture.h"
#include "ModalDriver.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Texts = std::vector<std::string>;

class PrefsTest : public FormsTest {
protected:
    TvimgPrefForm& Form() { return *vimgPrefForm; }
    TValueListEditor& Grid() { return vimgPrefForm->ValueListEditor1; }
    std::string Todo(int index)
    {
        DWORD type = REG_NONE;
        const std::string data = StoredValue(index, "Todo", type);
        return type == REG_SZ ? data : "<type " + std::to_string(type) + ">";
    }
    static Texts EditorItems(HWND editor)
    {
        Texts items;
        const int count = static_cast<int>(SendMessageA(editor, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[64] = "";
            SendMessageA(editor, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }
    static int EditorSelection(HWND editor) { return static_cast<int>(SendMessageA(editor, CB_GETCURSEL, 0, 0)); }
};

const Texts kActions{"SealQueue", "EmfRaster", "Ask user"};

} // namespace

TEST_F(PrefsTest, ShowListsEachPrinterWithItsActionAndTheThreeChoices)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    printer1.SetString("Todo", "EmfRaster");
    printer2.SetString("Todo", "Ask user");
    MessageBoxWatcher boxes;
    Form().Show();
    PumpMessages();

    EXPECT_EQ(Form().Caption(), "Preferences");
    ASSERT_EQ(Grid().RowCount(), 3);
    EXPECT_EQ(Grid().Keys(1), "VELT Imager 1");
    EXPECT_EQ(Grid().Values(1), "EmfRaster");
    EXPECT_EQ(Grid().Keys(2), "VELT Imager 2");
    EXPECT_EQ(Grid().Values(2), "Ask user");
    for (int row = 1; row <= 2; ++row)
        EXPECT_EQ(Grid().Rows(row).PickList, Form().PickList.get()); // one list shared by every row
    EXPECT_EQ(*Form().PickList, kActions);
    EXPECT_EQ(EditorItems(Grid().EditorHandle()), kActions);
    EXPECT_EQ(EditorSelection(Grid().EditorHandle()), 1);
    EXPECT_TRUE(Form().BitBtn1.Enabled());
    EXPECT_EQ(GetFocus(), Grid().Handle());
    EXPECT_EQ(boxes.Count(), 0u);

    // A second show reads the registry anew.
    Form().Hide();
    printer1.SetString("Todo", "SealQueue");
    Form().Show();
    EXPECT_EQ(Grid().RowCount(), 3);
    EXPECT_EQ(Grid().Values(1), "SealQueue");
    Form().Hide();
}

TEST_F(PrefsTest, OnlyPrinterTwoGivesOneRowAndOkWritesOnlyIt)
{
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    printer2.SetString("Todo", "EmfRaster");
    Form().Show();
    ASSERT_EQ(Grid().RowCount(), 2);
    EXPECT_EQ(Grid().Keys(1), "VELT Imager 2");
    EXPECT_EQ(Grid().Rows(1).PickList, Form().PickList.get());
    EXPECT_TRUE(Grid().EditorVisible());
    Grid().SetValues(1, "Ask user");
    Form().BitBtn1Click();
    Form().Hide();
    EXPECT_EQ(Todo(2), std::string("Ask user", 9));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64));
}

TEST_F(PrefsTest, MissingOrNonStringTodoShowsSealQueueAndOkStoresItAsText)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    printer2.SetDword("Todo", 7);
    Form().Show();
    ASSERT_EQ(Grid().RowCount(), 3);
    EXPECT_EQ(Grid().Values(1), "SealQueue");
    EXPECT_EQ(Grid().Values(2), "SealQueue");
    Form().BitBtn1Click();
    Form().Hide();
    DWORD type = REG_NONE;
    EXPECT_EQ(StoredValue(1, "Todo", type), std::string("SealQueue", 10)); // with its terminator
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Todo(2), std::string("SealQueue", 10));
}

TEST_F(PrefsTest, OkWritesEveryRowChangedOrNotAndSkipsAKeyRemovedMeanwhile)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    auto printer2 = std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    printer1.SetString("Todo", "Fax"); // none of the three: shown and written back as it is
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, PrinterKeyPath(2).c_str(), 0, KEY_SET_VALUE | kView64, &key), 0);
        const char text[] = "EmfRaster";
        RegSetValueExA(key, "Todo", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
        RegCloseKey(key);
    }
    MessageBoxWatcher boxes;
    Form().Show();
    ASSERT_EQ(Grid().RowCount(), 3);
    EXPECT_EQ(Grid().Values(1), "Fax");
    EXPECT_EQ(Grid().Values(2), "EmfRaster");
    Form().BitBtn1Click();
    DWORD type = REG_NONE;
    EXPECT_EQ(StoredValue(1, "Todo", type), std::string("Fax", 4));
    EXPECT_EQ(StoredValue(2, "Todo", type), std::string("EmfRaster", 10));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)); // rewritten, though unchanged

    printer2.reset();
    Grid().SetValues(1, "Ask user");
    Form().BitBtn1Click();
    Form().Hide();
    PumpMessages();
    EXPECT_EQ(Todo(1), std::string("Ask user", 9));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(PrefsTest, NoPrinterShowsTheMessageAndDisablesOk)
{
    MessageBoxWatcher boxes;
    Form().Show();
    ASSERT_TRUE(boxes.WaitForCount(1, 10000));
    EXPECT_EQ(boxes.Texts(), Texts{"Could not find any \"VELT Imager\" printer!"});
    EXPECT_EQ(boxes.Seen()[0].Caption, "VELT Imager Support");
    EXPECT_EQ(Grid().RowCount(), 1);
    EXPECT_FALSE(Form().BitBtn1.Enabled());
    EXPECT_TRUE(Form().BitBtn2.Enabled());
    EXPECT_FALSE(Grid().EditorVisible());
    Form().Hide();

    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    Form().Show();
    EXPECT_TRUE(Form().BitBtn1.Enabled());
    EXPECT_EQ(Grid().RowCount(), 2);
    Form().Hide();
    PumpMessages();
    EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(PrefsTest, ModalCancelWritesNothingAndTheNextShowHasTheStoredValue)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    ScopedRegKey printer2(HKEY_LOCAL_MACHINE, PrinterKeyPath(2), kView64);
    printer1.SetString("Todo", "EmfRaster");
    printer2.SetString("Todo", "Ask user");
    int chosen = -1;
    int result = 0;
    {
        ModalDriver person([&](ModalDriver& driver) {
            if (!driver.WaitForWindow("TvimgPrefForm"))
                return;
            driver.Key(VK_F4);
            driver.Key(VK_DOWN);
            driver.Key(VK_RETURN); // "Ask user" for printer 1
            chosen = EditorSelection(Grid().EditorHandle());
            driver.Key(VK_ESCAPE);
        });
        result = Form().ShowModal();
    }
    EXPECT_EQ(chosen, 2);
    EXPECT_EQ(result, mrCancel);
    EXPECT_FALSE(Form().Visible());
    EXPECT_EQ(Todo(1), std::string("EmfRaster", 10));
    EXPECT_EQ(Todo(2), std::string("Ask user", 9));

    int shown = -1;
    {
        ModalDriver person([&](ModalDriver& driver) {
            if (!driver.WaitForWindow("TvimgPrefForm"))
                return;
            shown = EditorSelection(Grid().EditorHandle());
            driver.Post(driver.Dialog(), WM_CLOSE); // the close box
        });
        result = Form().ShowModal();
    }
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(Todo(1), std::string("EmfRaster", 10));
}

TEST_F(PrefsTest, ModalEnterChoosesAndEnterAgainSavesWithOk)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    printer1.SetString("Todo", "EmfRaster");
    int result = 0;
    {
        ModalDriver person([&](ModalDriver& driver) {
            if (!driver.WaitForWindow("TvimgPrefForm"))
                return;
            driver.Key(VK_DOWN, true);
            driver.Key(VK_UP);
            driver.Key(VK_RETURN); // closes the list on "SealQueue"
            driver.Key(VK_RETURN); // presses OK
        });
        result = Form().ShowModal();
    }
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(Todo(1), std::string("SealQueue", 10));
}

TEST_F(PrefsTest, TabGoesToOkThenCancelAndEnterThereCancels)
{
    ScopedRegKey printer1(HKEY_LOCAL_MACHINE, PrinterKeyPath(1), kView64);
    printer1.SetString("Todo", "EmfRaster");
    std::vector<HWND> focus;
    std::vector<HWND> expected;
    int result = 0;
    {
        ModalDriver person([&](ModalDriver& driver) {
            if (!driver.WaitForWindow("TvimgPrefForm"))
                return;
            expected = {Grid().Handle(), Grid().Handle(), Form().BitBtn1.Handle(), Form().BitBtn2.Handle()};
            focus.push_back(driver.Focus());
            driver.Key(VK_F4);
            driver.Key(VK_DOWN);
            driver.Key(VK_RETURN);
            focus.push_back(driver.Focus());
            driver.Key(VK_TAB);
            focus.push_back(driver.Focus());
            driver.Key(VK_TAB);
            focus.push_back(driver.Focus());
            driver.Key(VK_RETURN);
        });
        result = Form().ShowModal();
    }
    EXPECT_EQ(focus, expected);
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(Todo(1), std::string("EmfRaster", 10));
}
