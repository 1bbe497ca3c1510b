#pragma once
// A fresh application object, titled as the program's, for each test that builds forms.
#include "Seams.h"
#include "support/MainFormProbe.h"
#include "support/TestSupport.h"

#include "app/Jobtext.h"
#include "support/Vsupport1.h"

#include <gtest/gtest.h>

#include <memory>

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A quit request that an earlier test's Terminate left in the queue would end this test's loops.
        MSG leftover;
        while (PeekMessageA(&leftover, nullptr, 0, 0, PM_REMOVE)) {
        }
        // Not initialized from the command line: the test runner's arguments are no job.
        app_ = std::make_unique<TApplication>();
        Application = app_.get();
        app_->SetTitle("VELT Imager Support");
        // A resident main window reads the jobs that an earlier test left waiting.
        DeleteFileA(WaitingJournalPath().c_str());
    }
    void TearDown() override
    {
        app_->DestroyForms();
        app_.reset();
        Application = nullptr;
        MainForm = nullptr;
        DeleteFileA(WaitingJournalPath().c_str());
    }
    // The main window, built and created as the program entry does it.
    TMainForm& CreateMainForm()
    {
        app_->CreateForm(MainForm);
        return *MainForm;
    }
    // The same, then set up on folders of the test: lead1, lead2, SealQueue and xLead.xml.
    TMainForm& CreateMainForm(const TempFolder& root)
    {
        MainConfig config;
        config.LeadXmlPath = root / "xLead.xml";
        config.SpoolerFolder = root / "SealQueue";
        config.LeadFolder = root / "lead1";
        config.Lead2Folder = root / "lead2";
        config.WaitingJournal = root / "waiting.txt";
        TMainForm& form = CreateMainForm();
        MainFormProbe::Config(form) = config;
        return form;
    }

    std::unique_ptr<TApplication> app_;
};

// The main window on folders of the test (lead1, jobs, SealQueue), with the day's log read back.
class FormOnFoldersTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        for (const char* folder : {"lead1", "jobs", "SealQueue"})
            CreateDirectoryA((root_ / folder).c_str(), nullptr);
        CreateMainForm(root_);
    }
    std::string Log() const
    {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return ReadFileBytes(LogFileName(root_ / "SealQueue", LocalStamp{now.wYear, now.wMonth, now.wDay, 0, 0, 0, 0}));
    }

    TempFolder root_;
};
