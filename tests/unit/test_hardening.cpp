// Input the program does not control and faults it cannot prevent, in-process: job files of any
// shape, registry values of the wrong type, odd settings files, long paths, moves to other volumes
// and full ones, and batch converters.
#include "AppFixture.h"
#include "RoutingFixture.h"
#include "support/HostVolume.h"
#include "support/TestSupport.h"

#include "app/Jobtext.h"
#include "toolkit/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace {

void SetRawValue(HKEY root, const std::string& path, REGSAM view, const std::string& name, DWORD type,
                 const std::string& bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE | view, &key), ERROR_SUCCESS) << path;
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// The same bytes on every run: a small linear congruential generator.
std::string NoiseBytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

std::string Utf16Le(const std::string& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// The wide functions take a "\\?\" path of any length, the 8-bit ones stop at MAX_PATH.
std::wstring LongPath(const std::string& path)
{
    std::wstring wide(path.size(), L'\0');
    wide.resize(static_cast<size_t>(
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], static_cast<int>(wide.size()))));
    return L"\\\\?\\" + wide;
}

std::string ReadLongPath(const std::string& path)
{
    UniqueFile file(
        CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (file && ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

class HardeningTest : public RoutingFixture {};

// The main window's own reading of input it does not control.
using HardeningFormTest = FormOnFoldersTest;

} // namespace

TEST_F(HardeningTest, JobFilesOfAnyShapeEndInAStatusAndTheJobStays)
{
    Printer(1, "SealQueue");
    struct Case {
        const char* what;
        std::string bytes;
        std::string status;
    };
    const std::vector<Case> cases = {
        {"binary noise", NoiseBytes(65536, 7), "Could not read Printer name"},
        {"10 MB without the section", std::string(10u << 20, 'x') + "\r\n", "Could not read Printer name"},
        {"the section without the key", "[Device]\r\nDriverName=VELT Imager 1\r\n", "Could not read Printer name"},
        {"only blanks", "[Device]\r\nDeviceName=\"     \"\r\n", "Printer name is 0"},
        {"one past 32 bits", "[Device]\r\nDeviceName=VELT Imager 2147483648\r\n", "Printer name is 0"},
        {"the lowest 32-bit number", "[Device]\r\nDeviceName=VELT Imager -2147483648\r\n",
         "Printer name is -2147483648"},
    };
    for (const Case& c : cases) {
        const std::string job = JobPath("shape.tmp");
        WriteFileBytes(job, c.bytes);
        Route(job, 0, 1);
        EXPECT_EQ(Status(), c.status) << c.what;
        EXPECT_EQ(ReadFileBytes(job).size(), c.bytes.size()) << c.what;
        EXPECT_TRUE(ListFolder(Lead1()).empty()) << c.what;
    }

    // A job path that names a folder.
    CreateDirectoryA(JobPath("folder.tmp").c_str(), nullptr);
    Route(JobPath("folder.tmp"), 1);
    EXPECT_EQ(Status(), "Could not read Printer name");
    EXPECT_TRUE(DirectoryExists(JobPath("folder.tmp")));
    EXPECT_TRUE(ListFolder(Lead1()).empty());
    EXPECT_EQ(Log(), "");
}

TEST_F(HardeningTest, BigOddlyBlankedOrWideJobFilesAreMovedWhole)
{
    // 10 MB of pages before the section: read to its end and moved byte for byte.
    std::string big = std::string(10u << 20, 'p') + "\r\n[Device]\r\nDeviceName=VELT Imager 1\r\n";
    std::string job = JobPath("big.tmp");
    WriteFileBytes(job, big);
    Route(job, 0, 1);
    EXPECT_EQ(Status(), "OUT = " + Lead1() + "\\job0000000001.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job0000000001.log"), big);
    EXPECT_FALSE(PathExists(job));

    // Many blanks: only the number after the last one counts.
    job = Job("blanks.tmp", "VELT" + std::string(5000, ' ') + "Imager" + std::string(3000, ' ') + "2");
    Route(job, 0, 2);
    EXPECT_EQ(Status(), "OUT = " + Lead2() + "\\job0000000002.log");

    // A printer name far longer than the reader's first buffer.
    job = Job("longname.tmp", std::string(100000, 'N') + " 1");
    Route(job, 1);
    EXPECT_EQ(Status(), "OUT = " + Lead1() + "\\job0000000000.log");

    // The highest 32-bit index has no key of its own and goes to the second lead's spooler.
    job = Job("highest.tmp", "VELT Imager 2147483647");
    Route(job, 0, 3);
    EXPECT_EQ(Status(), "OUT = " + Lead2() + "\\job0000000003.log");

    // The profile reader takes a UTF-16 file with its byte order mark.
    job = JobPath("wide.tmp");
    const std::string wide = Utf16Le("[Device]\r\nDeviceName=VELT Imager 1\r\n");
    WriteFileBytes(job, wide);
    Route(job, 0, 4);
    EXPECT_EQ(Status(), "OUT = " + Lead1() + "\\job0000000004.log");
    EXPECT_EQ(ReadFileBytes(Lead1() + "\\job0000000004.log"), wide);
    EXPECT_TRUE(ListFolder(root_ / "jobs").empty());
}

TEST_F(HardeningTest, ActionsOfTheWrongTypeAreSealQueueAStringOfAnyLengthIsShown)
{
    ScopedRegKey& key = Printer(1, "");
    const std::string path = PrinterKeyPath(1);
    struct Case {
        const char* what;
        DWORD type;
        std::string bytes;
    };
    const std::vector<Case> unreadable = {
        {"binary", REG_BINARY, "EmfRaster"},
        {"multi-string", REG_MULTI_SZ, std::string("EmfRaster\0\0", 11)},
        {"64-bit number", REG_QWORD, std::string(8, '\x01')},
        {"no type", REG_NONE, ""},
    };
    int counter = 0;
    for (const Case& c : unreadable) {
        SetRawValue(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, "Todo", c.type, c.bytes);
        const std::string job = Job("a.tmp", "VELT Imager 1");
        Route(job, 0, ++counter);
        EXPECT_EQ(Status(), Format("OUT = %s\\job%010d.log", Lead1().c_str(), counter)) << c.what;
    }

    // An expandable string is a string: taken as it stands, not expanded.
    SetRawValue(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, "Todo", REG_EXPAND_SZ, std::string("%TODO%\0", 7));
    const std::string job = Job("b.tmp", "VELT Imager 1");
    Route(job, 0, ++counter);
    EXPECT_EQ(Status(), "todostr = %TODO%");
    // A string without its terminator, and one of 64 KB.
    SetRawValue(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, "Todo", REG_SZ, "Print");
    Route(job, 0, counter);
    EXPECT_EQ(Status(), "todostr = Print");
    key.SetString("Todo", std::string(65536, 'T'));
    Route(job, 0, counter);
    EXPECT_EQ(Status(), "todostr = " + std::string(65536, 'T'));
    EXPECT_TRUE(PathExists(job));
}

TEST_F(HardeningTest, ConverterPathsOfTheWrongTypeReachTheExceptionDisplay)
{
    Printer(1, "EmfRaster");
    Converter(1);
    const std::string job = Job("a.tmp", "VELT Imager 1");
    for (DWORD type : {static_cast<DWORD>(REG_BINARY), static_cast<DWORD>(REG_MULTI_SZ), static_cast<DWORD>(REG_NONE)}) {
        SetRawValue(HKEY_CURRENT_USER, ConverterKeyPath(1), 0, "ExePath", type, std::string("C:\\conv.exe\0\0", 13));
        status_ = "before";
        EXPECT_THROW(Route(job, 0, 1), ERegistryException) << type;
        EXPECT_EQ(Status(), "before");
    }
    // Expandable: taken as it stands, so the variable is part of a path that does not exist.
    SetRawValue(HKEY_CURRENT_USER, ConverterKeyPath(1), 0, "ExePath", REG_EXPAND_SZ,
                std::string("%SystemRoot%\\nowhere\\conv.exe\0", 31));
    Route(job, 0, 1);
    EXPECT_EQ(Status().rfind("Create process failed, error ", 0), 0u) << Status();
    EXPECT_TRUE(PathExists(job));
}

TEST(SettingsFile, FilesOfAnyShapeGiveTheirValueOrNone)
{
    const std::string lead = "<Lead><TempVImg>D:\\Lead1</TempVImg></Lead>";
    auto inRoot = [&](const std::string& inner) {
        return "<?xml version=\"1.0\"?>\r\n<SealQueue>" + inner + "</SealQueue>\r\n";
    };
    auto encode = [](const std::string& ascii, int unitSize, bool bigEndian, bool mark) {
        std::string bytes;
        const std::string text = mark ? "\xEF\xBB\xBF" + ascii : ascii;
        // The mark U+FEFF first, then each ASCII character widened.
        for (size_t i = 0; i < text.size(); ++i) {
            unsigned value = static_cast<unsigned char>(text[i]);
            if (mark && i == 0) {
                value = 0xFEFF;
                i += 2;
            }
            for (int b = 0; b < unitSize; ++b) {
                const int shift = 8 * (bigEndian ? unitSize - 1 - b : b);
                bytes += static_cast<char>((value >> shift) & 0xFF);
            }
        }
        return bytes;
    };
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<d>";
    deep += "<Lead><TempVImg>nested</TempVImg></Lead>";
    for (int i = 0; i < 100000; ++i)
        deep += "</d>";

    struct Case {
        const char* what;
        std::string bytes;
        std::string lead1;
    };
    const std::vector<Case> cases = {
        {"empty file", "", ""},
        {"malformed", "<SealQueue><Lead><TempVImg>D:\\x</Lead>", ""},
        {"binary noise", NoiseBytes(4096, 11), ""},
        {"cut in the middle", inRoot(lead).substr(0, 40), ""},
        {"5 MB of other settings first", inRoot("<Other>" + std::string(5u << 20, 'o') + "</Other>" + lead), "D:\\Lead1"},
        {"100000 levels deep before the lead", inRoot(deep + lead), "D:\\Lead1"},
        {"entities declared in the file are not expanded",
         "<!DOCTYPE SealQueue [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
         "<SealQueue><Lead><TempVImg>&b;</TempVImg></Lead></SealQueue>",
         "&b;"},
        {"UTF-16 big endian", encode(inRoot(lead), 2, true, true), "D:\\Lead1"},
        {"UTF-32 little endian", encode(inRoot(lead), 4, false, true), "D:\\Lead1"},
        {"UTF-32 big endian", encode(inRoot(lead), 4, true, true), "D:\\Lead1"},
        {"UTF-32 without a mark", encode(inRoot(lead), 4, false, false), "D:\\Lead1"},
        {"empty TempVImg", inRoot("<Lead><TempVImg></TempVImg></Lead>"), ""},
        {"blank TempVImg", inRoot("<Lead><TempVImg>  \t </TempVImg></Lead>"), ""},
        {"a folder longer than MAX_PATH", inRoot("<Lead><TempVImg>" + std::string(1000, 'L') + "</TempVImg></Lead>"),
         std::string(1000, 'L')},
    };
    TempFolder root;
    const std::string settings = root / "xLead.xml";
    for (const Case& c : cases) {
        WriteFileBytes(settings, c.bytes);
        EXPECT_EQ(ReadLeadFolder(settings, "Lead"), c.lead1) << c.what;
        EXPECT_EQ(ReadLeadFolder(settings, "Lead2"), "") << c.what;
    }
}

TEST(SettingsFile, ABlankOrMalformedOneGivesTheDefaultLeadFolders)
{
    TempFolder install;
    ScopedRegKey base(HKEY_LOCAL_MACHINE, "SOFTWARE\\VELT Korvel", KEY_WOW64_32KEY);
    base.SetString("MyPath", install.Path());
    for (const char* text : {"<SealQueue><Lead><TempVImg> </TempVImg></Lead><Lead2><TempVImg/></Lead2></SealQueue>",
                             "<SealQueue><Lead>", "\xFF\xFE<"}) {
        WriteFileBytes(install / "xLead.xml", text);
        const MainConfig config = ReadMainConfig();
        EXPECT_EQ(config.LeadXmlPath, install / "xLead.xml");
        EXPECT_EQ(config.LeadFolder, "c:\\tmp\\vimg\\1") << text;
        EXPECT_EQ(config.Lead2Folder, "c:\\tmp\\vimg\\2") << text;
    }
}

TEST_F(HardeningTest, PathsLongerThanMaxPathAreReportedAndTheJobStays)
{
    Printer(1, "SealQueue");
    // A notice may carry any path; one too long for the 8-bit file functions cannot be read. Names
    // of a thousand characters and more once took the program down inside Wine's profile reader.
    for (size_t length : {300, 1000, 5000, 40000}) {
        Route(root_ / std::string(length, 'j'), 0, 1);
        EXPECT_EQ(Status(), "Could not read Printer name") << length;
        status_ = "";
        Route(std::string(length, 'j'), 1);
        EXPECT_EQ(Status(), "Could not read Printer name") << length;
    }

    // A lead folder that exists, but leaves no room for the job's name. The 8-bit functions refuse
    // such a name; Wine's move takes a long destination, so there the job may go. Either way it is
    // in one place, whole, and a failure is shown and logged.
    std::string folder = Lead1();
    folder += "\\" + std::string(246 - folder.size(), 'f');
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
    config_.LeadFolder = folder;
    std::string job;
    for (unsigned char mode : {0, 1}) {
        job = Job("a.tmp", "VELT Imager 1");
        const std::string sent = ReadFileBytes(job);
        Route(job, mode, 2);
        const std::string destination = folder + (mode == 0 ? "\\job0000000002.log" : "\\job0000000000.log");
        if (Status() == "OUT = " + destination) {
            EXPECT_EQ(ReadLongPath(destination), sent);
            EXPECT_FALSE(PathExists(job));
            EXPECT_TRUE(DeleteFileW(LongPath(destination).c_str()));
        } else {
            const std::string text = "Error 206 moving " + job + " into " + destination;
            EXPECT_EQ(Status(), text);
            EXPECT_NE(Log().find(" " + text + "\r\n"), std::string::npos) << Log();
            EXPECT_EQ(ReadFileBytes(job), sent);
            EXPECT_TRUE(ListFolder(folder).empty());
        }
    }
    job = Job("a.tmp", "VELT Imager 1");

    // A lead folder that cannot be made at all.
    config_.LeadFolder = Lead1() + "\\" + std::string(300, 'g');
    Route(job, 1);
    EXPECT_EQ(Status(), "Directory " + config_.LeadFolder + " does not exist!");
    EXPECT_TRUE(PathExists(job));
}

TEST_F(HardeningFormTest, NoticesOfMegabytesAreLoggedWholeShownShortAndAnswered)
{
    // In-process the payload reaches the window as it is, whatever its size.
    for (size_t size : {size_t(1) << 20, size_t(64) << 20}) {
        std::string payload(size, 'p');
        COPYDATASTRUCT notice{1000, static_cast<DWORD>(payload.size()), &payload[0]};
        EXPECT_EQ(SendMessageA(MainForm->Handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice)), 1) << size;
        EXPECT_EQ(MainForm->StatusBar1.SimpleText(), "Could not read Printer name") << size;
        // The field holds no more than the longest path the system takes; the log holds it all.
        EXPECT_EQ(MainForm->StaticText2.Text(), std::string(32767, 'p')) << size;
        const std::string log = Log();
        EXPECT_EQ(log.compare(log.size() - size - 6, size + 6, "Got " + payload + "\r\n"), 0) << size;
    }
    EXPECT_EQ(MainFormProbe::JobCounter(*MainForm), 2);
}

namespace {

// Looks into a lead folder as fast as it can while a move runs, as a spooler's watcher would, and
// notes the size of every job file it sees and every other name.
class LeadWatcher {
public:
    explicit LeadWatcher(std::string folder) : folder_(std::move(folder)), thread_([this] { Run(); }) {}
    ~LeadWatcher() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // Sizes seen per job file name.
    std::map<std::string, std::set<unsigned long long>> Jobs() const { return jobs_; }
    std::set<std::string> Others() const { return others_; }
    int Looks() const { return looks_; }

private:
    void Run()
    {
        while (!stop_) {
            WIN32_FIND_DATAA data;
            HANDLE find = FindFirstFileA((folder_ + "\\*").c_str(), &data);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    const std::string name = data.cFileName;
                    if (name == "." || name == "..")
                        continue;
                    const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) |
                                                    data.nFileSizeLow;
                    if (name.size() == 17 && name.compare(0, 3, "job") == 0 && name.compare(13, 4, ".log") == 0)
                        jobs_[name].insert(size);
                    else
                        others_.insert(name);
                } while (FindNextFileA(find, &data));
                FindClose(find);
            }
            ++looks_;
        }
    }

    std::string folder_;
    std::atomic<bool> stop_{false};
    std::map<std::string, std::set<unsigned long long>> jobs_;
    std::set<std::string> others_;
    std::atomic<int> looks_{0};
    std::thread thread_;
};

} // namespace

TEST_F(HardeningTest, AcrossVolumesTheSpoolerSeesOnlyWholeJobs)
{
    HostVolume volume(32 * 1024);
    if (!volume.Ready())
        GTEST_SKIP() << "no second volume: " << volume.Why();
    Printer(1, "SealQueue");
    const std::string lead = volume.Root() + "lead";
    config_.LeadFolder = lead;
    // Large enough that a copy under the final name would be seen half done.
    const std::string pages = std::string(12u << 20, 'p');
    int counter = 0;
    auto route = [&](unsigned char mode, const std::string& expected) {
        const std::string job = Job("far.tmp", "VELT Imager 1", "[Page]\r\nJob=" + std::to_string(++counter) +
                                                                   "\r\n" + pages);
        const std::string sent = ReadFileBytes(job);
        const std::vector<std::string> waiting = DirectoryExists(lead) ? ListFolder(lead) : std::vector<std::string>();
        LeadWatcher watcher(lead);
        Route(job, mode, counter);
        watcher.Stop();
        EXPECT_EQ(Status(), "OUT = " + expected);
        EXPECT_EQ(ReadFileBytes(expected), sent);
        EXPECT_FALSE(PathExists(job));
        EXPECT_GT(watcher.Looks(), 0);
        const auto jobs = watcher.Jobs();
        for (const auto& seen : jobs) {
            if (std::find(waiting.begin(), waiting.end(), seen.first) != waiting.end())
                continue;
            // Only ever whole: no placeholder, no partial copy under a job name.
            for (unsigned long long size : seen.second)
                EXPECT_EQ(size, sent.size()) << seen.first << " seen with " << size << " bytes";
        }
        for (const std::string& other : watcher.Others())
            EXPECT_EQ(other.compare(0, 5, "~vimg"), 0) << other;
    };
    route(0, lead + "\\job0000000001.log");
    route(1, lead + "\\job0000000000.log");
    // The lead folder vanished: made again on the other volume.
    RemoveTree(lead);
    route(1, lead + "\\job0000000000.log");
    // A waiting job of the notice's name: a reserved name instead, the waiting one untouched.
    WriteFileBytes(lead + "\\job0000000004.log", "waiting");
    route(0, lead + "\\job0000000001.log");
    EXPECT_EQ(ReadFileBytes(lead + "\\job0000000004.log"), "waiting");
    EXPECT_EQ(ListFolder(lead),
              (std::vector<std::string>{"job0000000000.log", "job0000000001.log", "job0000000004.log"}));
    EXPECT_EQ(Log(), "");
}

TEST_F(HardeningTest, AFullVolumeRefusesTheMoveAndKeepsTheJobWhole)
{
    HostVolume volume(1024);
    if (!volume.Ready() || !volume.Sized())
        GTEST_SKIP() << "no small volume: " << (volume.Ready() ? "tmpfs could not be mounted" : volume.Why());
    Printer(1, "SealQueue");
    const std::string lead = volume.Root() + "lead";
    config_.LeadFolder = lead;
    const std::string job = Job("big.tmp", "VELT Imager 1", "[Page]\r\n" + std::string(2u << 20, 'p'));
    const std::string sent = ReadFileBytes(job);

    Route(job, 0, 1);
    const std::string text0 = "Error 112 moving " + job + " into " + lead + "\\job0000000001.log";
    EXPECT_EQ(Status(), text0);
    Route(job, 1);
    const std::string text1 = "Error 112 moving " + job + " into " + lead + "\\job0000000000.log";
    EXPECT_EQ(Status(), text1);
    EXPECT_EQ(ReadFileBytes(job), sent);
    EXPECT_TRUE(ListFolder(lead).empty());
    const std::string log = Log();
    EXPECT_NE(log.find(" " + text0 + "\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" " + text1 + "\r\n"), std::string::npos) << log;

    // Nothing of the failed copies holds space: a job that fits goes.
    const std::string small = Job("small.tmp", "VELT Imager 1", "[Page]\r\n" + std::string(600u << 10, 'p'));
    Route(small, 0, 2);
    EXPECT_EQ(Status(), "OUT = " + lead + "\\job0000000002.log");
    EXPECT_EQ(ListFolder(lead), std::vector<std::string>{"job0000000002.log"});
    EXPECT_EQ(ReadFileBytes(job), sent);
}

TEST_F(HardeningTest, AcrossVolumesAJobInUseStaysWhereItIs)
{
    HostVolume volume(4096);
    if (!volume.Ready())
        GTEST_SKIP() << "no second volume: " << volume.Why();
    Printer(1, "SealQueue");
    const std::string lead = volume.Root() + "lead";
    config_.LeadFolder = lead;
    const std::string job = Job("busy.tmp", "VELT Imager 1");
    const std::string sent = ReadFileBytes(job);
    // Still being written by the printer side (deletion shared, so a rename within the volume would
    // go), and read by someone without delete sharing.
    struct Holder {
        DWORD access;
        DWORD share;
    };
    for (const Holder& holder : {Holder{GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE},
                                 Holder{GENERIC_READ, FILE_SHARE_READ}}) {
        UniqueFile held(CreateFileA(job.c_str(), holder.access, holder.share, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        Route(job, 0, 1);
        EXPECT_EQ(Status(), "Error 32 moving " + job + " into " + lead + "\\job0000000001.log");
        EXPECT_TRUE(ListFolder(lead).empty());
    }
    EXPECT_EQ(ReadFileBytes(job), sent);

    // A volume where nothing can be written: the copy is refused before anything is made.
    if (DirectoryExists("Z:\\sys")) {
        const std::vector<std::string> before = ListFolder("Z:\\sys");
        config_.LeadFolder = "Z:\\sys";
        Route(job, 0, 2);
        EXPECT_EQ(Status(), "Error 5 moving " + job + " into Z:\\sys\\job0000000002.log");
        EXPECT_EQ(ListFolder("Z:\\sys"), before);
        EXPECT_EQ(ReadFileBytes(job), sent);
    }
}

TEST_F(HardeningTest, ABatchConverterIsNotGivenAPathTheInterpreterWouldExpand)
{
    Printer(1, "EmfRaster");
    const std::string record = root_ / "record.txt";
    const std::string bat = root_ / "conv.bat";
    // Appends its first argument, as the interpreter hands it over, to the record.
    WriteFileBytes(bat, "@echo off\r\necho %~1>>\"" + record + "\"\r\n");
    ScopedRegKey& converter = Converter(1);

    int counter = 0;
    for (const std::string& exe : {bat, root_ / "CONV.CMD", bat + ". ", std::string(root_ / "conv.Bat")}) {
        converter.SetString("ExePath", exe);
        for (const char* name : {"100%PATH%.tmp", "a&calc.tmp", "a^b.tmp"}) {
            const std::string job = Job(name, "VELT Imager 1");
            Route(job, 0, ++counter);
            EXPECT_EQ(Status(), "Job path not safe for a batch converter: " + job) << exe;
            EXPECT_TRUE(PathExists(job));
        }
    }

    // A safe path goes to the same batch converter; only it reaches the record.
    converter.SetString("ExePath", bat);
    status_ = "before";
    const std::string safe = Job("safe job.tmp", "VELT Imager 1");
    Route(safe, 0, ++counter);
    EXPECT_EQ(Status(), "before");
    ASSERT_TRUE(PumpUntil([&] { return ReadFileBytes(record).find('\n') != std::string::npos; }, 20000));
    EXPECT_EQ(ReadFileBytes(record), safe + "\r\n");

    // A program converter gets such a path as it is: nothing expands it there.
    const std::string exe = root_ / "conv.exe";
    char self[MAX_PATH * 4];
    const std::string me(self, GetModuleFileNameA(nullptr, self, sizeof self));
    ASSERT_TRUE(CopyFileA((me.substr(0, me.find_last_of('\\')) + "\\argrecord.exe").c_str(), exe.c_str(), FALSE));
    const std::string args = root_ / "args.txt";
    ScopedEnv recordTo("ARGRECORD_FILE", args.c_str());
    converter.SetString("ExePath", exe);
    const std::string percent = JobPath("100%PATH%.tmp");
    Route(percent, 0, ++counter);
    EXPECT_EQ(Status(), "before");
    ASSERT_TRUE(PumpUntil([&] { return PathExists(args); }, 20000));
    EXPECT_EQ(ReadFileBytes(args), "\"" + exe + "\" \"" + percent + "\"");
    EXPECT_EQ(ReadFileBytes(record), safe + "\r\n");
}
