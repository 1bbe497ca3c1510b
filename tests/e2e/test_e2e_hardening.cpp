// The real program against notices it does not control, faults around it, and load: every bad
// notice ends in a status text or its silent fallback and the next notice is answered as ever;
// faults are shown and lose nothing; many senders and command-line instances lose no job.
#include "app/resource.h"
#include "e2e/E2eSupport.h"
#include "support/HostVolume.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <regex>
#include <thread>

namespace {

class Hardened : public ResidentTest {
protected:
    void SetUp() override
    {
        installation_.SetPrinter(1, "SealQueue");
        Start();
    }
    // A good notice after a bad one: answered, counted and routed as ever.
    void ExpectStillAnswering(const std::string& after)
    {
        const std::string job = installation_.MakeJob("good.tmp", 1);
        ++counter_;
        EXPECT_EQ(SendJobNotice(main_, job), 1) << after;
        EXPECT_EQ(StatusText(main_), "OUT = " + installation_.Lead1() + "\\" + JobName(counter_)) << after;
        EXPECT_FALSE(PathExists(job)) << after;
    }
    // Sends a job notice that the program counts; its reply.
    LRESULT Notice(const void* data, DWORD size)
    {
        ++counter_;
        return SendNotice(main_, 1000, data, size);
    }
};

} // namespace

TEST_F(Hardened, NoticesOfAnyShapeEndInAStatusAndTheNextIsAnswered)
{
    const std::string missing = "Could not read Printer name";
    struct Case {
        const char* what;
        std::string payload;
        DWORD size;
        bool nullData;
        std::string in;
    };
    const std::string job = installation_.Jobs() + "\\never.tmp";
    const std::string longPath = installation_.Jobs() + "\\" + std::string(400, 'n') + ".tmp";
    // A relative name of thousands of characters once ended the program in Wine's profile reader.
    const std::string longName(5000, 'n');
    const std::vector<Case> cases = {
        {"no data", "", 0, true, ""},
        {"data of no bytes", "C:\\x", 0, false, ""},
        {"only the terminator", std::string(1, '\0'), 1, false, ""},
        {"a path of a missing file", job, static_cast<DWORD>(job.size() + 1), false, job},
        {"a path longer than MAX_PATH", longPath, static_cast<DWORD>(longPath.size() + 1), false, longPath},
        {"a name of 5000 characters", longName, static_cast<DWORD>(longName.size() + 1), false, longName},
        {"the jobs folder itself", installation_.Jobs(), static_cast<DWORD>(installation_.Jobs().size() + 1), false,
         installation_.Jobs()},
        {"binary noise", std::string("\x01\xFF\x7F\x80\x00\x10", 6) + std::string(100, '\xEE'), 106, false,
         "\x01\xFF\x7F\x80"},
    };
    for (const Case& c : cases) {
        const std::string& p = c.payload;
        EXPECT_EQ(Notice(c.nullData ? nullptr : p.data(), c.size), 1) << c.what;
        EXPECT_EQ(StatusText(main_), missing) << c.what;
        EXPECT_EQ(InText(main_), c.in) << c.what;
        ExpectStillAnswering(c.what);
    }

    // A path in quotation marks is refused, the job stays.
    const std::string quotedJob = installation_.MakeJob("quoted.tmp", 1);
    EXPECT_EQ(SendJobNotice(main_, Quote(quotedJob)), 1);
    ++counter_;
    EXPECT_EQ(StatusText(main_), "Job path holds a quotation mark: " + Quote(quotedJob));
    EXPECT_TRUE(PathExists(quotedJob));
    ExpectStillAnswering("quotes");

    // Other kinds of notice are only shown: the counter stays.
    for (ULONG_PTR kind : {static_cast<ULONG_PTR>(0), static_cast<ULONG_PTR>(999), static_cast<ULONG_PTR>(1001),
                           static_cast<ULONG_PTR>(0xFFFFFFFF)}) {
        EXPECT_EQ(SendNotice(main_, kind, "C:\\x", 5), 1);
        EXPECT_TRUE(std::regex_match(StatusText(main_), std::regex(R"(\d\d:\d\d:\d\d)" + std::to_string(kind))))
            << StatusText(main_);
    }
    ExpectStillAnswering("other kinds");
    EXPECT_EQ(ListFolder(installation_.Lead1()).size(), static_cast<size_t>(cases.size() + 2));
}

TEST_F(Hardened, NoticesWithoutTerminatorOrOfOddLengthStillRouteTheirJob)
{
    // Without its terminator the path ends at cbData.
    std::string job = installation_.MakeJob("plain.tmp", 1);
    EXPECT_EQ(Notice(job.data(), static_cast<DWORD>(job.size())), 1);
    EXPECT_EQ(StatusText(main_), "OUT = " + installation_.Lead1() + "\\" + JobName(counter_));

    // UTF-16 without its terminator, and with one stray byte more.
    for (bool stray : {false, true}) {
        job = installation_.MakeJob(stray ? "odd.tmp" : "wide.tmp", 1);
        std::string bytes;
        for (char c : job) {
            bytes += c;
            bytes += '\0';
        }
        if (stray)
            bytes += 'Z';
        EXPECT_EQ(Notice(bytes.data(), static_cast<DWORD>(bytes.size())), 1);
        EXPECT_EQ(InText(main_), job);
        EXPECT_EQ(StatusText(main_), "OUT = " + installation_.Lead1() + "\\" + JobName(counter_));
    }
    EXPECT_TRUE(ListFolder(installation_.Jobs()).empty());
    EXPECT_EQ(ListFolder(installation_.Lead1()).size(), 3u);
}

TEST_F(Hardened, HugeNoticesAreAnsweredOrNeverArriveAndTheProgramGoesOn)
{
    // Over 1 MB of path without a terminator: logged whole, answered. (Before, a path this long
    // ended the program in Wine's profile reader.)
    const std::string payload(1100u << 10, 'p');
    ++counter_;
    EXPECT_EQ(SendNotice(main_, 1000, payload.data(), static_cast<DWORD>(payload.size())), 1);
    EXPECT_EQ(StatusText(main_), "Could not read Printer name");
    EXPECT_EQ(InText(main_), std::string(32767, 'p'));
    EXPECT_NE(installation_.LogText().find(" Got " + payload + "\r\n"), std::string::npos);
    ExpectStillAnswering("1 MB notice");

    // 64 MB, sent once. Wine delivers no notice of more than about 1 MB to another process (the
    // sender waits out its time); where it arrives it is answered and logged like the one above.
    const std::string huge(64u << 20, 'p');
    COPYDATASTRUCT notice{1000, static_cast<DWORD>(huge.size()), const_cast<char*>(huge.data())};
    DWORD_PTR result = 0;
    const DWORD start = GetTickCount();
    const bool answered = SendMessageTimeoutA(main_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&notice), SMTO_NORMAL,
                                              15000, &result) != 0;
    RecordProperty("notice_64mb_ms", static_cast<int>(GetTickCount() - start));
    RecordProperty("notice_64mb_delivered", answered ? 1 : 0);
    if (answered) {
        ++counter_;
        EXPECT_EQ(result, 1u);
        EXPECT_EQ(StatusText(main_), "Could not read Printer name");
    }
    EXPECT_TRUE(program_.Running());
    ExpectStillAnswering("64 MB notice");
}

TEST_F(Hardened, ALogHeldWithoutWriteSharingDropsTheLineAndRoutingGoesOn)
{
    const std::string first = installation_.MakeJob("first.tmp", 1);
    ++counter_;
    ASSERT_EQ(SendJobNotice(main_, first), 1);
    const std::string before = installation_.LogText();
    ASSERT_NE(before.find(" Got " + first + "\r\n"), std::string::npos);

    const std::string locked = installation_.MakeJob("locked.tmp", 1);
    {
        // Another program holds the day's log for writing, sharing only reading.
        UniqueFile held(CreateFileA(installation_.LogFile().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        const std::string routed = installation_.MakeJob("while held.tmp", 1);
        ++counter_;
        EXPECT_EQ(SendJobNotice(main_, routed), 1);
        EXPECT_EQ(StatusText(main_), "OUT = " + installation_.Lead1() + "\\" + JobName(counter_));
        EXPECT_FALSE(PathExists(routed));

        // A failed move is still shown, though its line is dropped too.
        UniqueFile lock(CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ++counter_;
        EXPECT_EQ(SendJobNotice(main_, locked), 1);
        EXPECT_EQ(StatusText(main_).rfind("Error 32 moving " + locked, 0), 0u) << StatusText(main_);
        EXPECT_TRUE(PathExists(locked));
    }
    EXPECT_EQ(installation_.LogText(), before);

    // Once it is let go, lines come again; the locked job, let go too, goes on with the next retry.
    const std::string last = installation_.MakeJob("last.tmp", 1);
    ++counter_;
    EXPECT_EQ(SendJobNotice(main_, last), 1);
    EXPECT_EQ(installation_.LogText().find(" Got " + last + "\r\n"), before.size() + 12);
    PostCommand(main_, IDM_RETRYWAITINGJOBS1);
    EXPECT_TRUE(PumpUntil([&] { return !PathExists(locked); }, 10000));
    EXPECT_EQ(ListFolder(installation_.Lead1()).size(), 4u);
}

TEST_F(Hardened, ALeadFolderThatVanishesIsMadeAgainAndAMissingConverterIsReported)
{
    const std::string first = installation_.MakeJob("first.tmp", 1);
    ++counter_;
    EXPECT_EQ(SendJobNotice(main_, first), 1);
    RemoveTree(installation_.Lead1());
    ASSERT_FALSE(PathExists(installation_.Lead1()));
    const std::string second = installation_.MakeJob("second.tmp", 1);
    ++counter_;
    EXPECT_EQ(SendJobNotice(main_, second), 1);
    EXPECT_EQ(StatusText(main_), "OUT = " + installation_.Lead1() + "\\" + JobName(counter_));
    EXPECT_EQ(ListFolder(installation_.Lead1()), std::vector<std::string>{JobName(counter_)});

    // A converter whose program is gone: shown, the job stays, the next notice is answered.
    installation_.SetPrinter(2, "EmfRaster");
    installation_.SetConverter(2, installation_.Root() + "\\gone\\conv.exe");
    const std::string converted = installation_.MakeJob("convert.tmp", 2);
    ++counter_;
    EXPECT_EQ(SendJobNotice(main_, converted), 1);
    EXPECT_EQ(StatusText(main_).rfind("Create process failed, error ", 0), 0u) << StatusText(main_);
    EXPECT_TRUE(PathExists(converted));
    ExpectStillAnswering("missing converter");
}

TEST(HardenedCommandLine, ALeadFolderPathThatIsAFileLeavesTheJob)
{
    TestInstallation installation;
    installation.SetPrinter(1, "SealQueue");
    RemoveTree(installation.Lead1());
    WriteFileBytes(installation.Lead1(), "a file, not a folder");
    const std::string job = installation.MakeJob("a.tmp", 1);
    EXPECT_EQ(RunProgram("vimager.exe", Quote(job)), 2u);
    EXPECT_TRUE(PathExists(job));
    EXPECT_EQ(ReadFileBytes(installation.Lead1()), "a file, not a folder");
}

TEST(HardenedVolumes, TheRealProgramMovesToAnotherVolumeAndReportsAFullOne)
{
    HostVolume volume(1024);
    if (!volume.Ready() || !volume.Sized())
        GTEST_SKIP() << "no small volume: " << (volume.Ready() ? "tmpfs could not be mounted" : volume.Why());
    TestInstallation installation;
    installation.SetPrinter(1, "SealQueue");
    const std::string lead = volume.Root() + "lead";
    WriteFileBytes(installation.InstallBase() + "\\xLead.xml",
                   "<SealQueue><Lead><TempVImg>" + lead + "</TempVImg></Lead></SealQueue>");
    VimagerProcess program;
    program.Start();
    HWND main = program.WaitForWindow();
    ASSERT_NE(main, nullptr);

    const std::string small = installation.Jobs() + "\\small.tmp";
    WriteFileBytes(small, JobText("small") + std::string(300u << 10, 'p'));
    const std::string sent = ReadFileBytes(small);
    ASSERT_EQ(SendJobNotice(main, small), 1);
    ASSERT_EQ(StatusText(main).rfind("OUT = " + lead + "\\job", 0), 0u) << StatusText(main);
    const std::vector<std::string> moved = ListFolder(lead);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(ReadFileBytes(lead + "\\" + moved[0]), sent);
    EXPECT_FALSE(PathExists(small));

    // Bigger than what is left: refused whole, the job stays, nothing partial is left behind.
    const std::string big = installation.Jobs() + "\\big.tmp";
    WriteFileBytes(big, JobText("big") + std::string(2u << 20, 'p'));
    const std::string bigSent = ReadFileBytes(big);
    EXPECT_EQ(SendJobNotice(main, big), 1);
    const std::string status = StatusText(main);
    EXPECT_EQ(status.rfind("Error 112 moving " + big + " into " + lead + "\\job", 0), 0u) << status;
    EXPECT_EQ(ReadFileBytes(big), bigSent);
    EXPECT_EQ(ListFolder(lead), moved);
    EXPECT_NE(installation.LogText().find(" " + status + "\r\n"), std::string::npos);

    WriteFileBytes(installation.StopFile(), "");
    EXPECT_TRUE(program.WaitForExit(10000));
}

namespace {

unsigned LoadJobs()
{
    char value[32];
    const DWORD length = GetEnvironmentVariableA("VIMAGER_LOAD_JOBS", value, sizeof value);
    const unsigned jobs = length > 0 && length < sizeof value ? static_cast<unsigned>(atoi(value)) : 0;
    return jobs >= 20 ? jobs : 2000;
}

} // namespace

// One resident instance with two senders, and eight command-line instances, all for one lead folder.
// VIMAGER_LOAD_JOBS sets how many jobs in all (default 2000).
TEST_F(Hardened, ManySendersAndCommandLineInstancesLoseAndReplaceNoJob)
{
    const unsigned total = LoadJobs();
    const unsigned notices = total / 2;
    const unsigned perSender = notices / 2;
    const unsigned perWorker = (total - 2 * perSender) / 8;
    const unsigned commandLine = perWorker * 8;
    std::atomic<unsigned> badReplies{0}, badExits{0};
    const DWORD start = GetTickCount();

    // Each job's id: the sender ("s") or worker ("c"), its number and the job's number.
    const auto idOf = [](char kind, int who, unsigned i) { return kind + std::to_string(who) + "-" + std::to_string(i); };
    const auto writeJob = [&](const std::string& id) {
        const std::string path = installation_.Jobs() + "\\" + id + ".tmp";
        WriteFileBytes(path, JobText(id));
        return path;
    };
    std::vector<std::thread> threads;
    for (int sender = 0; sender < 2; ++sender)
        threads.emplace_back([&, sender] {
            for (unsigned i = 0; i < perSender; ++i)
                if (SendJobNotice(main_, writeJob(idOf('s', sender, i)), sender == 1) != 1)
                    ++badReplies;
        });
    for (int worker = 0; worker < 8; ++worker)
        threads.emplace_back([&, worker] {
            for (unsigned i = 0; i < perWorker; ++i) {
                const std::string path = writeJob(idOf('c', worker, i));
                // Counted, not thrown: an exception would end the whole test program from this thread.
                if (RunProgram("vimager.exe", Quote(path), 60000) != 0)
                    ++badExits;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    const DWORD loadMs = GetTickCount() - start;
    RecordProperty("jobs", static_cast<int>(2 * perSender + commandLine));
    RecordProperty("load_ms", static_cast<int>(loadMs));
    printf("load: %u notices and %u command-line jobs in %lu ms\n", 2 * perSender, commandLine,
           static_cast<unsigned long>(loadMs));

    EXPECT_EQ(badReplies.load(), 0u);
    EXPECT_EQ(badExits.load(), 0u);
    EXPECT_TRUE(ListFolder(installation_.Jobs()).empty());
    std::map<std::string, std::string> contents;
    const std::map<std::string, int> ids = CountIds(installation_.Lead1(), &contents);
    EXPECT_EQ(ids.size(), 2 * perSender + commandLine);
    for (const auto& id : ids)
        EXPECT_EQ(id.second, 1) << "job " << id.first;
    const auto expectEach = [&](char kind, int count, unsigned each) {
        for (int who = 0; who < count; ++who)
            for (unsigned i = 0; i < each; ++i)
                EXPECT_EQ(ids.count(idOf(kind, who, i)), 1u) << idOf(kind, who, i);
    };
    expectEach('s', 2, perSender);
    expectEach('c', 8, perWorker);

    // A restart with all of them waiting: the counter begins again, the same names come again.
    WriteFileBytes(installation_.StopFile(), "");
    ASSERT_TRUE(program_.WaitForExit(10000));
    DeleteFileA(installation_.StopFile().c_str());
    Start();
    const unsigned again = perSender < 100 ? perSender : 100;
    for (unsigned i = 0; i < again; ++i)
        EXPECT_EQ(SendJobNotice(main_, writeJob("r-" + std::to_string(i))), 1);
    EXPECT_TRUE(ListFolder(installation_.Jobs()).empty());
    std::map<std::string, std::string> after;
    const std::map<std::string, int> all = CountIds(installation_.Lead1(), &after);
    EXPECT_EQ(all.size(), ids.size() + again);
    for (const auto& id : all)
        EXPECT_EQ(id.second, 1) << "job " << id.first;
    // None replaced: every earlier job is there with its own content.
    for (const auto& job : contents)
        EXPECT_EQ(after[job.first], job.second) << "job " << job.first;
    printf("restart: %u more notices, %zu jobs in the lead folder\n", again, all.size());
}

namespace {

// A spooler that takes every job file of a lead folder the moment it appears: woken by change
// notifications, and looking again all the time, since Wine sends none for some drives. A job is
// taken by renaming it away (so it is never taken twice) and then read.
class TakingSpooler {
public:
    TakingSpooler(std::string lead, std::string taken)
        : lead_(std::move(lead)), taken_(std::move(taken)), thread_([this] { Run(); })
    {
    }
    ~TakingSpooler() { Stop(); }
    void Stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // The content of every job taken, in order.
    const std::vector<std::string>& Taken() const { return contents_; }

private:
    void Run()
    {
        CreateDirectoryA(taken_.c_str(), nullptr);
        HANDLE change = FindFirstChangeNotificationA(lead_.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
        while (!stop_) {
            if (change != INVALID_HANDLE_VALUE && WaitForSingleObject(change, 1) == WAIT_OBJECT_0)
                FindNextChangeNotification(change);
            TakeAll();
        }
        TakeAll();
        if (change != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(change);
    }
    void TakeAll()
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((lead_ + "\\job*.log").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return;
        do {
            const std::string to = taken_ + "\\" + std::to_string(contents_.size()) + ".log";
            if (MoveFileExA((lead_ + "\\" + data.cFileName).c_str(), to.c_str(), 0))
                contents_.push_back(Read(to));
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }

    // The mover may hold the file a moment after its rename, as a spooler must expect.
    static std::string Read(const std::string& path)
    {
        for (;;) {
            UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
            if (file)
                break;
            if (GetLastError() != ERROR_SHARING_VIOLATION)
                return "unreadable, error " + std::to_string(GetLastError());
            Sleep(1);
        }
        return ReadFileBytes(path);
    }

    std::string lead_;
    std::string taken_;
    std::atomic<bool> stop_{false};
    std::vector<std::string> contents_;
    std::thread thread_;
};

void SetLead1(const TestInstallation& installation, const std::string& lead)
{
    WriteFileBytes(installation.InstallBase() + "\\xLead.xml",
                   "<SealQueue><Lead><TempVImg>" + lead + "</TempVImg></Lead></SealQueue>");
}

} // namespace

// A resident instance and command-line instances route into one lead folder while the spooler
// takes each job at once: every job reaches it exactly once, and only whole. On the same volume
// and across volumes.
TEST(HandOff, ASpoolerTakingEveryJobAtOnceGetsEachWholeAndOnce)
{
    HostVolume volume(64 * 1024);
    for (bool across : {false, true}) {
        if (across && !volume.Ready()) {
            std::printf("no second volume: %s\n", volume.Why().c_str());
            continue;
        }
        TestInstallation installation;
        installation.SetPrinter(1, "SealQueue");
        const std::string lead = across ? volume.Root() + "lead" : installation.Lead1();
        const std::string taken = across ? volume.Root() + "taken" : installation.Root() + "\\taken";
        CreateDirectoryA(lead.c_str(), nullptr);
        SetLead1(installation, lead);
        VimagerProcess resident;
        resident.Start();
        HWND main = resident.WaitForWindow();
        ASSERT_NE(main, nullptr);

        const std::string pages(64u << 10, 'p');
        std::map<std::string, std::string> sent;
        std::mutex sentMutex;
        auto write = [&](const std::string& id) {
            const std::string path = installation.Jobs() + "\\" + id + ".tmp";
            const std::string text = JobText(id) + pages;
            WriteFileBytes(path, text);
            std::lock_guard<std::mutex> lock(sentMutex);
            sent[id] = text;
            return path;
        };
        TakingSpooler spooler(lead, taken);
        std::atomic<unsigned> failures{0};
        std::vector<std::thread> threads;
        threads.emplace_back([&] {
            for (int i = 0; i < 40; ++i)
                if (SendJobNotice(main, write("n" + std::to_string(i))) != 1)
                    ++failures;
        });
        for (int worker = 0; worker < 4; ++worker)
            threads.emplace_back([&, worker] {
                for (int i = 0; i < 8; ++i) {
                    VimagerProcess instance;
                    instance.Start(Quote(write("c" + std::to_string(worker) + "-" + std::to_string(i))));
                    if (!instance.WaitForExit(60000) || instance.ExitCode() != 0)
                        ++failures;
                }
            });
        for (std::thread& thread : threads)
            thread.join();
        PumpUntil([&] { return spooler.Taken().size() >= sent.size(); }, 20000);
        spooler.Stop();

        EXPECT_EQ(failures.load(), 0u) << across;
        EXPECT_TRUE(ListFolder(installation.Jobs()).empty()) << across;
        std::map<std::string, int> times;
        for (const std::string& content : spooler.Taken()) {
            const std::string id = IdOf(content);
            ++times[id];
            EXPECT_TRUE(sent.count(id) && sent[id] == content)
                << (across ? "across volumes: " : "") << "a job of " << content.size() << " bytes, id \"" << id << "\"";
        }
        EXPECT_EQ(times.size(), sent.size()) << across;
        for (const auto& id : times)
            EXPECT_EQ(id.second, 1) << "job " << id.first;

        WriteFileBytes(installation.StopFile(), "");
        EXPECT_TRUE(resident.WaitForExit(10000));
        if (across)
            RemoveTree(lead);
    }
}

// Killed while it copies a job to another volume, a command-line instance leaves the job whole
// at its source or whole under a job name, never an empty or partial job file; the next hand-off
// into that folder clears its staging file away.
TEST(HandOff, KilledDuringACrossVolumeHandOffTheJobStaysWhole)
{
    HostVolume volume(256 * 1024);
    if (!volume.Ready())
        GTEST_SKIP() << "no second volume: " << volume.Why();
    TestInstallation installation;
    installation.SetPrinter(1, "SealQueue");
    const std::string lead = volume.Root() + "lead";
    CreateDirectoryA(lead.c_str(), nullptr);
    SetLead1(installation, lead);
    const std::string job = installation.Jobs() + "\\big.tmp";
    WriteFileBytes(job, JobText("big") + std::string(48u << 20, 'p'));
    const std::string sent = ReadFileBytes(job);

    int caught = 0;
    for (int attempt = 0; attempt < 5 && caught == 0; ++attempt) {
        VimagerProcess instance;
        instance.Start(Quote(job));
        while (instance.Running() && caught == 0) {
            for (const std::string& name : ListFolder(lead))
                if (name.rfind("~vimg", 0) == 0) {
                    instance.Kill();
                    ++caught;
                    break;
                }
        }
        instance.WaitForExit(60000);
        std::vector<std::string> jobs;
        for (const std::string& name : ListFolder(lead))
            if (name.rfind("job", 0) == 0) {
                jobs.push_back(name);
                EXPECT_EQ(ReadFileBytes(lead + "\\" + name).size(), sent.size()) << name;
            }
        const bool atSource = PathExists(job);
        if (atSource)
            EXPECT_EQ(ReadFileBytes(job), sent);
        else
            ASSERT_EQ(jobs.size(), 1u);
        // Back to its source for the next attempt.
        for (const std::string& name : jobs)
            if (atSource)
                DeleteFileA((lead + "\\" + name).c_str());
            else
                ASSERT_TRUE(MoveFileExA((lead + "\\" + name).c_str(), job.c_str(), MOVEFILE_COPY_ALLOWED));
    }
    if (caught == 0)
        GTEST_SKIP() << "the hand-off was never caught under way";

    // A whole run: the job lands, and the killed instance's staging file is gone.
    EXPECT_EQ(RunProgram("vimager.exe", Quote(job)), 0u);
    EXPECT_EQ(ListFolder(lead), std::vector<std::string>{"job0000000000.log"});
    EXPECT_EQ(ReadFileBytes(lead + "\\job0000000000.log"), sent);
    RemoveTree(lead);
}

// A path given in UTF-16 with a character outside the code page: routed by its short name, never
// read as the file that the best-fitted name would be.
TEST(CommandLine, AWideArgumentIsNeverReadAsAnotherFile)
{
    TestInstallation installation;
    installation.SetPrinter(1, "SealQueue");
    const std::string other = installation.Jobs() + "\\jobl.tmp";
    WriteFileBytes(other, JobText("other"));
    const std::string jobs = installation.Jobs();
    const std::wstring wide = std::wstring(jobs.begin(), jobs.end()) + L"\\job\u0142.tmp";
    auto run = [&] {
        const std::string exe = BinFolder() + "\\vimager.exe";
        std::wstring commandLine = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" \"" + wide + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return ~DWORD(0);
        UniqueHandle process(info.hProcess);
        UniqueHandle thread(info.hThread);
        EXPECT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        return code;
    };
    // Without such a file there is no short name either: refused, and the printer side hears so.
    EXPECT_EQ(run(), 2u);
    EXPECT_TRUE(ListFolder(installation.Lead1()).empty());
    {
        UniqueFile file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        const std::string text = JobText("wide");
        DWORD written = 0;
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    EXPECT_EQ(run(), 0u);
    EXPECT_EQ(ListFolder(installation.Lead1()), std::vector<std::string>{"job0000000000.log"});
    EXPECT_EQ(IdOf(ReadFileBytes(installation.Lead1() + "\\job0000000000.log")), "wide");
    EXPECT_EQ(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(other), JobText("other"));
}
