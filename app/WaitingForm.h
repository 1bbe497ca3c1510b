#pragma once
// The waiting jobs window: every job that waits, whole (path, printer, since when, its last error
// with the system's text), with Retry and Dismiss for the jobs selected. Sizable; the list takes
// what the window gains.
#include "app/WaitingList.h"
#include "dialogs/Application.h"

#include <functional>
#include <string>
#include <vector>

class TWaitingForm : public TForm {
public:
    TWaitingForm();
    ~TWaitingForm() override;

    // controls of the form
    TControl ListView1;
    TControl Memo1;
    TControl Panel1;
    TControl Button1;
    TControl Button2;
    TControl Button3;

    // The list shown, and what Retry and Dismiss do with the paths selected; the main window
    // sets them before it shows the form.
    const WaitingList* Jobs = nullptr;
    std::function<void(const std::vector<std::string>&)> OnRetry;
    std::function<void(const std::vector<std::string>&)> OnDismiss;

    // Shows the list again as it is now, the same jobs still selected.
    void Refresh();
    std::vector<std::string> SelectedPaths() const;
    void Dispatch(TMessage& Message) override;

protected:
    void FormShow() override;
    void HandleCreated() override;

private:
    void ShowDetails();
    void FitColumns();

    // Each row's change is notified while the list is filled: the details wait until it is full.
    bool refreshing_ = false;
    const std::vector<WaitingJob> none_;
};
