#include "app/Vimager1.h"

#include "app/JobRouting.h"
#include "app/Jobtext.h"
#include "support/Vsupport1.h"
#include "text/Charconvert.h"
#include "toolkit/Handles.h"

#include <vector>

namespace {

// The notice's path as 8-bit text: UTF-16LE goes through the ANSI code page, exactly (see
// TryExactAnsiPath), and false when it cannot. A conversion that yields nothing gives the empty text.
bool DecodeNoticePath(const COPYDATASTRUCT& notice, std::string& path)
{
    if (!PayloadIsWide(notice.lpData, notice.cbData)) {
        path = NarrowPayload(notice.lpData, notice.cbData);
        return true;
    }
    path.clear();
    return TryExactAnsiPath(WidePayload(notice.lpData, notice.cbData), path);
}

} // namespace

void TMainForm::WMCopyData(TMessage& Message)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string stamp = Format("%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    const auto* notice = reinterpret_cast<const COPYDATASTRUCT*>(Message.LParam);
    if (notice && notice->dwData == 1000) {
        // Each routing keeps its own notice's number, even when another notice
        // arrives while this one waits on a question.
        const int counter = ++JobCounter;
        AppendFormat(stamp, " Session=%d, Counter=%d", static_cast<int>(Config.SessionId), counter);
        StaticText1.SetText(stamp);
        std::string path;
        const bool exact = DecodeNoticePath(*notice, path);
        WriteLog("Got " + path);
        // No path the system takes is longer: a field fed megabytes held the sender for seconds,
        // and 64 MB brought the edit control's text layout down under Wine.
        const size_t longestPath = 32767;
        StaticText2.SetText(path.size() > longestPath ? path.substr(0, longestPath) : path);
        // A path read as another file would move a job the printer side never sent.
        if (exact)
            RouteJob(path, 0, counter);
        else
            ReportJobOutcome(JobSource::Notice, InexactPathOutcome(path));
    } else if (notice && notice->dwData == JobPassOverKind && TakePassedJob(*notice)) {
        // A command-line instance's job that it could not hand on: the reply says it waits here.
        Message.Result = JobTakenReply;
        return;
    } else {
        AppendFormat(stamp, "%lu", notice ? static_cast<unsigned long>(notice->dwData) : 0ul);
        StatusBar1.SetSimpleText(stamp);
    }
    Message.Result = 1;
}

void TMainForm::ApplicationEvents1Idle(bool& /*Done*/)
{
    Application->OnIdle = nullptr;
    GetFileVersionText(nullptr, VersionText);
    UpdateTrayHint();
    HideToTray();
}

void TMainForm::Timer1Timer()
{
    if (StopFilePath.empty())
        StopFilePath = SpoolerFolder() + "\\xlead.stop";
    // A routing under way (a question is open) is finished first; the next tick closes.
    if (RoutingDepth > 0 || !FileExists(StopFilePath))
        return;
    CloseRequested = true;
    Close();
}
