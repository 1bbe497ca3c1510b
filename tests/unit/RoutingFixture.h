#pragma once
// Routing without a window, against the real registry and real folders of the test prefix: what
// the main window would show (the status kept as the status bar keeps it) and log.
#include "support/TestSupport.h"

#include "app/JobRouting.h"
#include "app/Jobtext.h"
#include "support/PrinterKeys.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class RoutingFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int index = 1; index <= 3; ++index) {
            DeleteRegTree(HKEY_LOCAL_MACHINE, PrinterKeyPath(index), KEY_WOW64_64KEY);
            DeleteRegTree(HKEY_LOCAL_MACHINE, PrinterKeyPath(index), KEY_WOW64_32KEY);
            DeleteRegTree(HKEY_CURRENT_USER, ConverterKeyPath(index));
        }
        for (const char* folder : {"lead1", "lead2", "jobs"})
            CreateDirectoryA((root_ / folder).c_str(), nullptr);
        config_.LeadFolder = Lead1();
        config_.Lead2Folder = Lead2();
        request_.AskUser = [this] {
            ++asked_;
            return answer_;
        };
    }

    void Route(const std::string& path, unsigned char mode, int counter = 0)
    {
        RoutingRequest request = request_;
        request.JobPath = path;
        request.Source = mode == 0 ? JobSource::Notice : JobSource::CommandLine;
        if (mode == 0)
            request.JobId = MakeJobId(config_.SessionId, counter);
        const RoutingOutcome outcome = RouteJobFile(request, config_);
        error_ = outcome.Error;
        if (!outcome.Status.empty())
            status_ = outcome.Status;
        if (!outcome.LogLine.empty())
            log_ += " " + outcome.LogLine + "\r\n";
    }
    const std::string& Status() const { return status_; }
    // The Windows error of the last routing, 0 when it had none.
    DWORD Error() const { return error_; }
    // The log lines, each as " " + text + "\r\n" as in the day's log.
    const std::string& Log() const { return log_; }

    std::string Lead1() const { return root_ / "lead1"; }
    std::string Lead2() const { return root_ / "lead2"; }
    std::string JobPath(const std::string& name) const { return root_ / ("jobs\\" + name); }
    std::string Job(const std::string& name, const std::string& device, const std::string& extra = "[Page]\r\n")
    {
        const std::string path = JobPath(name);
        WriteJobFile(path, device, extra);
        return path;
    }

    ScopedRegKey& Printer(int index, const std::string& todo, REGSAM view = KEY_WOW64_64KEY)
    {
        keys_.push_back(std::make_unique<ScopedRegKey>(HKEY_LOCAL_MACHINE, PrinterKeyPath(index), view));
        if (!todo.empty())
            keys_.back()->SetString(PrinterValue::Todo, todo);
        return *keys_.back();
    }
    ScopedRegKey& Converter(int index)
    {
        keys_.push_back(std::make_unique<ScopedRegKey>(HKEY_CURRENT_USER, ConverterKeyPath(index)));
        return *keys_.back();
    }

    void ExpectMoved(const std::string& job, const std::string& destination)
    {
        EXPECT_EQ(Status(), "OUT = " + destination);
        EXPECT_FALSE(PathExists(job));
        EXPECT_NE(ReadFileBytes(destination).find("DeviceName="), std::string::npos);
    }
    void ExpectStays(const std::string& job)
    {
        EXPECT_TRUE(PathExists(job)) << job;
        EXPECT_TRUE(ListFolder(Lead1()).empty());
        EXPECT_TRUE(ListFolder(Lead2()).empty());
    }

    TempFolder root_;
    RoutingRequest request_;
    MainConfig config_;
    std::string status_;
    DWORD error_ = ERROR_SUCCESS;
    std::string log_;
    int asked_ = 0;
    bool answer_ = true;
    std::vector<std::unique_ptr<ScopedRegKey>> keys_;
};
