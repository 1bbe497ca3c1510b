#include "AppFixture.h"
#include "app/version.h"
#include "support/TestSupport.h"
#include "support/Vsupport1.h"
#include "toolkit/SysUtils.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <stdexcept>

namespace {

const char kMakerKey[] = "SOFTWARE\\VELT Korvel";

// "MyPath" in one registry view for one test; whatever was there before comes back afterwards.
class MyPathValue {
public:
    explicit MyPathValue(REGSAM view) : view_(view)
    {
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMakerKey, 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &key_,
                            &disposition) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create the maker's key");
        created_ = disposition == REG_CREATED_NEW_KEY;
        DWORD size = 0;
        if (RegQueryValueExA(key_, "MyPath", nullptr, &oldType_, nullptr, &size) == ERROR_SUCCESS) {
            old_.resize(size);
            RegQueryValueExA(key_, "MyPath", nullptr, &oldType_, reinterpret_cast<BYTE*>(&old_[0]), &size);
            hadOld_ = true;
        }
        RegDeleteValueA(key_, "MyPath");
    }
    ~MyPathValue()
    {
        if (hadOld_)
            RegSetValueExA(key_, "MyPath", 0, oldType_, reinterpret_cast<const BYTE*>(old_.data()),
                           static_cast<DWORD>(old_.size()));
        else
            RegDeleteValueA(key_, "MyPath");
        RegCloseKey(key_);
        // Fails, as it should, when the key holds anything else.
        if (created_)
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kMakerKey, view_, 0);
    }
    MyPathValue(const MyPathValue&) = delete;
    MyPathValue& operator=(const MyPathValue&) = delete;

    void Set(const std::string& value)
    {
        RegSetValueExA(key_, "MyPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
    void SetDword(DWORD value)
    {
        RegSetValueExA(key_, "MyPath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }

private:
    REGSAM view_;
    HKEY key_ = nullptr;
    bool created_ = false;
    bool hadOld_ = false;
    DWORD oldType_ = 0;
    std::string old_;
};

std::string InstallBase()
{
    std::string folder = "stale";
    GetInstallBaseFolder(folder);
    return folder;
}

class InstallBaseTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ASSERT_TRUE(IsWindows64());
    }
    // Both views start without the value.
    MyPathValue view32_{KEY_WOW64_32KEY};
    MyPathValue view64_{KEY_WOW64_64KEY};
};

} // namespace

TEST(SystemChecks, AgreeWithWhatTheSystemSaysOfThisProcess)
{
    // The token's own word on elevation, against the program's capability probe.
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const BOOL known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    if (known) {
        EXPECT_EQ(IsAdminElevated(), elevation.TokenIsElevated != 0);
    }

    // A 32-bit build runs under WOW64 exactly when the system is 64-bit; a 64-bit build never does.
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    SYSTEM_INFO native{};
    GetNativeSystemInfo(&native);
    EXPECT_EQ(IsWindows64(), native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_EQ(wow64 != FALSE, sizeof(void*) == 4 && IsWindows64());
}

TEST_F(InstallBaseTest, MyPathIsReadFromThe32BitViewOnly)
{
    EXPECT_EQ(InstallBase(), "c:\\VELT Korvel");

    view64_.Set("D:\\Only64");
    ASSERT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kMakerKey, "MyPath", KEY_WOW64_64KEY), "D:\\Only64");
    ASSERT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kMakerKey, "MyPath", KEY_WOW64_32KEY), "");
    EXPECT_EQ(InstallBase(), "c:\\VELT Korvel");

    view32_.Set("D:\\Apps\\Maker");
    EXPECT_EQ(InstallBase(), "D:\\Apps\\Maker");
}

TEST_F(InstallBaseTest, MyPathIsTakenAsStoredUnlessEmptyOrNotText)
{
    view32_.Set("D:\\Apps\\Maker\\");
    EXPECT_EQ(InstallBase(), "D:\\Apps\\Maker\\");
    view32_.Set(" D:\\Apps\\Maker ");
    EXPECT_EQ(InstallBase(), " D:\\Apps\\Maker ");
    view32_.Set("");
    EXPECT_EQ(InstallBase(), "c:\\VELT Korvel");
    // The registry class refuses a number as text; that must not escape.
    view32_.SetDword(7);
    EXPECT_EQ(InstallBase(), "c:\\VELT Korvel");
}

TEST_F(InstallBaseTest, LeadXmlPathHasOneSeparatorBeforeTheFileName)
{
    struct Case {
        const char* myPath;
        const char* expected;
    } cases[] = {
        {nullptr, "c:\\VELT Korvel\\xLead.xml"},
        {"D:\\Apps\\Maker", "D:\\Apps\\Maker\\xLead.xml"},
        {"D:\\Apps\\Maker\\", "D:\\Apps\\Maker\\xLead.xml"},
        {"E:\\", "E:\\xLead.xml"},
    };
    for (const Case& c : cases) {
        if (c.myPath)
            view32_.Set(c.myPath);
        EXPECT_EQ(ReadMainConfig().LeadXmlPath, c.expected) << (c.myPath ? c.myPath : "(none)");
    }
}

TEST_F(InstallBaseTest, LeadFoldersFromTheInstalledSettingsFile)
{
    TempFolder base;
    view32_.Set(base.Path());
    MainConfig config = ReadMainConfig();
    EXPECT_EQ(config.LeadXmlPath, base / "xLead.xml");
    EXPECT_EQ(config.LeadFolder, "c:\\tmp\\vimg\\1");
    EXPECT_EQ(config.Lead2Folder, "c:\\tmp\\vimg\\2");
    EXPECT_TRUE(ListFolder(base.Path()).empty());
    WriteFileBytes(base / "xLead.xml",
                   "<?xml version=\"1.0\"?>\r\n<SealQueue>\r\n  <Lead>\r\n    <TempVImg>D:\\Spool\\Lead 1</TempVImg>\r\n"
                   "  </Lead>\r\n  <Lead2/>\r\n</SealQueue>\r\n");
    {
        // The window starts on the installation's settings and shows its session.
        TMainForm& form = CreateMainForm();
        EXPECT_EQ(MainFormProbe::Config(form).LeadFolder, "D:\\Spool\\Lead 1");
        EXPECT_EQ(MainFormProbe::Config(form).Lead2Folder, "c:\\tmp\\vimg\\2");
        EXPECT_EQ(form.StatusBar1.SimpleText(), Format("Session Id: %lu", static_cast<unsigned long>(
                                                                              MainFormProbe::Config(form).SessionId)));
        EXPECT_TRUE(MainFormProbe::Config(form).SpoolerFolder.empty());
    }
    WriteFileBytes(base / "xLead.xml",
                   "<sealQueue><Lead><TempVImg>D:\\a</TempVImg></Lead><Lead2><TempVImg>D:\\b</TempVImg></Lead2>"
                   "</sealQueue>");
    config = ReadMainConfig();
    EXPECT_EQ(config.LeadFolder, "c:\\tmp\\vimg\\1");
    EXPECT_EQ(config.Lead2Folder, "c:\\tmp\\vimg\\2");
}

TEST(CommonDataFolder, MakerFolderInTheAllUsersDataFolder)
{
    char shell[MAX_PATH] = {0};
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shell), S_OK);
    std::string expected = shell;
    ASSERT_FALSE(expected.empty());
    ASSERT_NE(expected.back(), '\\');
    expected += "\\VELT Korvel";

    std::string folder = "replaced";
    ASSERT_TRUE(GetCommonDataFolder(folder));
    EXPECT_EQ(folder, expected);
    EXPECT_EQ(folder.find("\\\\"), std::string::npos);
}

class SpoolerFolderTest : public AppTest {};

TEST_F(SpoolerFolderTest, FromVeltlogdAsSetElseTheCommonDataFolder)
{
    // Not trimmed: a trailing separator is doubled, which the file system accepts.
    for (const char* base : {"D:\\logs", "D:\\logs\\", " D:\\logs "}) {
        ScopedEnv env("VELTLOGD", base);
        EXPECT_EQ(CreateMainForm().SpoolerFolder(), std::string(base) + "\\SealQueue");
        app_->DestroyForms();
        MainForm = nullptr;
    }
    ScopedEnv env("VELTLOGD", nullptr);
    std::string common;
    ASSERT_TRUE(GetCommonDataFolder(common));
    TMainForm& form = CreateMainForm();
    EXPECT_EQ(form.SpoolerFolder(), common + "\\SealQueue");
    // A later change does not reach a running window.
    SetEnvironmentVariableA("VELTLOGD", "D:\\later");
    EXPECT_EQ(form.SpoolerFolder(), common + "\\SealQueue");
}

namespace {

// A version resource with only its fixed part; the product version differs on purpose.
std::string VersionBlob(WORD major, WORD minor, WORD release, WORD build)
{
    const wchar_t key[] = L"VS_VERSION_INFO";
    const size_t header = 6 + sizeof key;
    const size_t valueAt = (header + 3) & ~size_t(3);
    VS_FIXEDFILEINFO info{};
    info.dwSignature = VS_FFI_SIGNATURE;
    info.dwStrucVersion = VS_FFI_STRUCVERSION;
    info.dwFileVersionMS = MAKELONG(minor, major);
    info.dwFileVersionLS = MAKELONG(build, release);
    info.dwProductVersionMS = MAKELONG(8, 9);
    info.dwProductVersionLS = MAKELONG(6, 7);
    info.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    info.dwFileOS = VOS_NT_WINDOWS32;
    info.dwFileType = VFT_DLL;
    std::string blob(valueAt + sizeof info, '\0');
    const WORD words[3] = {static_cast<WORD>(blob.size()), static_cast<WORD>(sizeof info), 0};
    std::memcpy(&blob[0], words, sizeof words);
    std::memcpy(&blob[6], key, sizeof key);
    std::memcpy(&blob[valueAt], &info, sizeof info);
    return blob;
}

// A copy of this test program with its resources replaced by the given version resource, or by none.
std::string PatchedCopy(const TempFolder& folder, const char* name, const std::string* version)
{
    const std::string path = folder / name;
    if (!CopyFileA(ModuleFileName().c_str(), path.c_str(), FALSE))
        throw std::runtime_error("CopyFile failed");
    HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
    if (!update)
        throw std::runtime_error("BeginUpdateResource failed");
    if (version &&
        !UpdateResourceA(update, RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                         const_cast<char*>(version->data()), static_cast<DWORD>(version->size()))) {
        EndUpdateResourceA(update, TRUE);
        throw std::runtime_error("UpdateResource failed");
    }
    if (!EndUpdateResourceA(update, FALSE))
        throw std::runtime_error("EndUpdateResource failed");
    return path;
}

std::string VersionText(const char* path)
{
    std::string text = "stale";
    GetFileVersionText(path, text);
    return text;
}

} // namespace

TEST(FileVersion, OwnProgramCarriesTheProgramVersion)
{
    EXPECT_EQ(VersionText(nullptr), VIMAGER_VERSION_TEXT);
    EXPECT_EQ(VersionText(ModuleFileName().c_str()), VIMAGER_VERSION_TEXT);
}

TEST(FileVersion, FileVersionPartsInDecimal)
{
    TempFolder folder;
    const std::string small = VersionBlob(2, 10, 0, 7);
    const std::string large = VersionBlob(65535, 0, 65535, 1);
    EXPECT_EQ(VersionText(PatchedCopy(folder, "small.exe", &small).c_str()), "2.10.0.7");
    EXPECT_EQ(VersionText(PatchedCopy(folder, "large.exe", &large).c_str()), "65535.0.65535.1");
}

TEST(FileVersion, UndefinedWithoutAVersionResource)
{
    TempFolder folder;
    WriteFileBytes(folder / "notes.txt", "no resources here\r\n");
    EXPECT_EQ(VersionText((folder / "notes.txt").c_str()), "Undefined");
    EXPECT_EQ(VersionText(PatchedCopy(folder, "bare.exe", nullptr).c_str()), "Undefined");
    EXPECT_EQ(VersionText((folder / "missing.exe").c_str()), "Undefined");
    EXPECT_EQ(VersionText(""), "Undefined");
}
