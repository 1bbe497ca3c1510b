#pragma once
// A fresh application object, titled as the program's, for each test that builds forms.
#include "app/Vimager1.h"
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
        app_ = std::make_unique<TApplication>();
        app_->Initialize();
        app_->SetParams({});
        app_->SetTitle("VELT Imager Support");
        // A resident main window reads the jobs that an earlier test left waiting.
        DeleteFileA(WaitingJournalPath().c_str());
    }
    void TearDown() override
    {
        app_->DestroyForms();
        app_.reset();
        MainForm = nullptr;
        DeleteFileA(WaitingJournalPath().c_str());
    }
    // The main window, built and created as the program entry does it.
    TMainForm& CreateMainForm()
    {
        app_->CreateForm(MainForm);
        return *MainForm;
    }

    std::unique_ptr<TApplication> app_;
};
