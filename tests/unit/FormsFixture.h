#pragma once
// The program's three forms, created in the program's order, with both printer keys absent
// before and after each test.
#include "AppFixture.h"
#include "support/TestSupport.h"

#include "dialogs/Vimg_about.h"
#include "dialogs/Vimgpref.h"
#include "support/PrinterKeys.h"

#include <string>

constexpr REGSAM kView64 = KEY_WOW64_64KEY;

// A quit request that an earlier test's application posted stays in the thread's queue and
// would end this test's message loops at once.
inline void DropStaleMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) { }
}

class FormsTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        DropStaleMessages();
        RemovePrinters();
        CreateMainForm();
        app_->CreateForm(AboutForm);
        app_->CreateForm(vimgPrefForm);
    }
    void TearDown() override
    {
        AppTest::TearDown();
        AboutForm = nullptr;
        vimgPrefForm = nullptr;
        RemovePrinters();
    }
    static void RemovePrinters()
    {
        for (int index = 1; index <= 2; ++index)
            DeleteRegTree(HKEY_LOCAL_MACHINE, PrinterKeyPath(index), kView64);
    }
    // The "Todo" value as stored: its type and bytes.
    static std::string StoredValue(int index, const char* name, DWORD& type, const char* subKey = "")
    {
        std::string data;
        type = REG_NONE;
        if (!ReadRegValue(HKEY_LOCAL_MACHINE, PrinterKeyPath(index) + subKey, name, type, data, kView64))
            return "<missing>";
        return data;
    }
};
