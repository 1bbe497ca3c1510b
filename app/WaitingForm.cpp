#include "app/WaitingForm.h"

#include "app/WaitingJobs.h"
#include "dialogs/DialogResources.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr int kRetryButton = 101;
constexpr int kDismissButton = 102;
enum Column { kPath, kPrinter, kSince, kError, kColumns };
// At 96 DPI: the columns beside the path, and the least the path column is given.
constexpr int kColumnWidths[kColumns] = {0, 100, 124, 0};
constexpr int kLeastPathWidth = 200;

std::string ItemText(HWND list, int item, int column)
{
    std::string text(1024, '\0');
    LVITEMA request{};
    request.iSubItem = column;
    request.pszText = &text[0];
    request.cchTextMax = static_cast<int>(text.size());
    // A path may be longer than the buffer: ask again with room for it.
    for (;;) {
        const int length = static_cast<int>(
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request)));
        if (length < request.cchTextMax - 1 || text.size() > (1u << 20)) {
            text.resize(static_cast<size_t>(length));
            return text;
        }
        text.assign(text.size() * 4, '\0');
        request.pszText = &text[0];
        request.cchTextMax = static_cast<int>(text.size());
    }
}

} // namespace

TWaitingForm::TWaitingForm()
    : TForm(SizableDialogStyle("TWaitingForm", "Waiting jobs", 720, 360, IDI_MAINICON)),
      ListView1({WC_LISTVIEWA, WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, WS_EX_CLIENTEDGE, 0, 0,
                 704, 200, 0, ""}),
      Memo1({"EDIT", WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE, 0, 200,
             704, 78, 0, ""}),
      Panel1({"STATIC", SS_ETCHEDFRAME, WS_EX_CONTROLPARENT, 0, 278, 704, 41, 0, ""}),
      Button1({"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, 8, 8, 75, 25, kRetryButton, "&Retry"}),
      Button2({"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, 96, 8, 75, 25, kDismissButton, "&Dismiss"}),
      Button3({"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 621, 8, 75, 25, IDCANCEL, "Close"})
{
    AddControls({&ListView1, &Panel1, &Memo1, &Button1, &Button2, &Button3});
    ListView1.Align = TAlign::alClient;
    Panel1.Align = TAlign::alBottom;
    Panel1.AlignHeight = 41;
    Panel1.Container = true;
    Memo1.Align = TAlign::alBottom;
    Memo1.AlignHeight = 78;
    for (TControl* button : {&Button1, &Button2, &Button3})
        button->Parent = &Panel1;
    Button1.OnClick = [this] {
        if (OnRetry)
            OnRetry(SelectedPaths());
    };
    Button2.OnClick = [this] {
        if (OnDismiss)
            OnDismiss(SelectedPaths());
    };
}

TWaitingForm::~TWaitingForm() = default;

void TWaitingForm::HandleCreated()
{
    HWND list = ListView1.Handle();
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_LABELTIP | LVS_EX_INFOTIP);
    const char* titles[kColumns] = {"Job file", "Printer", "Waiting since", "Last error"};
    for (int column = 0; column < kColumns; ++column) {
        LVCOLUMNA header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        header.pszText = const_cast<char*>(titles[column]);
        header.cx = Scale(kColumnWidths[column] ? kColumnWidths[column] : kLeastPathWidth);
        header.iSubItem = column;
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&header));
    }
    // The path is the item (column 0) but shown last: the short columns stay in sight when a long
    // path makes the list scroll sideways.
    int order[kColumns] = {kSince, kPrinter, kError, kPath};
    SendMessageA(list, LVM_SETCOLUMNORDERARRAY, kColumns, reinterpret_cast<LPARAM>(order));
}

void TWaitingForm::FormShow()
{
    Refresh();
}

void TWaitingForm::Refresh()
{
    HWND list = ListView1.Handle();
    if (!list)
        return;
    const std::vector<std::string> selected = SelectedPaths();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    refreshing_ = true;
    int item = 0;
    for (const WaitingJob& job : Jobs ? Jobs->Jobs() : none_) {
        const WaitingJobText text = DescribeWaitingJob(job);
        LVITEMA row{};
        row.mask = LVIF_TEXT;
        row.iItem = item;
        row.pszText = const_cast<char*>(text.Path.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
        const std::string* cells[] = {&text.Path, &text.Printer, &text.Since, &text.Error};
        for (int column = kPrinter; column < kColumns; ++column) {
            row.iSubItem = column;
            row.pszText = const_cast<char*>(cells[column]->c_str());
            SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
        }
        if (std::any_of(selected.begin(), selected.end(),
                        [&](const std::string& path) { return SameJobPath(path, job.Path); })) {
            LVITEMA state{};
            state.stateMask = LVIS_SELECTED;
            state.state = LVIS_SELECTED;
            SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
        }
        ++item;
    }
    // The first job is selected when none was: Retry and Dismiss then have one to act on.
    if (item > 0 && SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    }
    refreshing_ = false;
    FitColumns();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    SetCaption(Format("Waiting jobs (%d)", item));
    ShowDetails();
}

std::vector<std::string> TWaitingForm::SelectedPaths() const
{
    std::vector<std::string> paths;
    HWND list = ListView1.Handle();
    if (!list)
        return paths;
    for (int item = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         item >= 0;
         item = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED)))
        paths.push_back(ItemText(list, item, kPath));
    return paths;
}

// The selected job whole, however narrow the columns: path, printer, since when, error.
void TWaitingForm::ShowDetails()
{
    HWND list = ListView1.Handle();
    const int item = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    const bool any = item >= 0;
    Button1.SetEnabled(any);
    Button2.SetEnabled(any);
    if (!any) {
        Memo1.SetText(Jobs && !Jobs->Empty() ? "Select a job to see it whole." : "No job waits.");
        return;
    }
    Memo1.SetText(ItemText(list, item, kPath) + "\r\n" + ItemText(list, item, kPrinter) + ", waiting since " +
                  ItemText(list, item, kSince) + "\r\nLast error: " + ItemText(list, item, kError));
}

// The path column takes the room the others leave, and more when a path needs it (the list
// then scrolls sideways); the error column is as wide as its longest text.
void TWaitingForm::FitColumns()
{
    HWND list = ListView1.Handle();
    // Fitted to its texts and its header; the "use header" size of a column shown last would
    // take the rest of the width instead.
    SendMessageA(list, LVM_SETCOLUMNWIDTH, kError, LVSCW_AUTOSIZE);
    const int header = static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>("Last error")));
    if (SendMessageA(list, LVM_GETCOLUMNWIDTH, kError, 0) < header + Scale(16))
        SendMessageA(list, LVM_SETCOLUMNWIDTH, kError, header + Scale(16));
    RECT client{};
    GetClientRect(list, &client);
    int others = 0;
    for (int column = kPrinter; column < kColumns; ++column)
        others += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    SendMessageA(list, LVM_SETCOLUMNWIDTH, kPath, LVSCW_AUTOSIZE);
    const int needed = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, kPath, 0));
    const int room = static_cast<int>(client.right) - others;
    SendMessageA(list, LVM_SETCOLUMNWIDTH, kPath, std::max({needed, room, Scale(kLeastPathWidth)}));
}

void TWaitingForm::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(Message.LParam);
        if (header->hwndFrom == ListView1.Handle() && header->code == LVN_ITEMCHANGED && !refreshing_)
            ShowDetails();
    }
    if (Message.Msg == WM_GETMINMAXINFO) {
        auto* limits = reinterpret_cast<MINMAXINFO*>(Message.LParam);
        limits->ptMinTrackSize = POINT{Scale(400), Scale(240)};
    }
    TForm::Dispatch(Message);
    // Close keeps to the right edge, the list's columns to its width.
    if (Message.Msg == WM_SIZE && Button3.Handle()) {
        RECT panel{};
        GetClientRect(Panel1.Handle(), &panel);
        SetWindowPos(Button3.Handle(), nullptr, panel.right - Scale(83), Scale(8), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        FitColumns();
    }
}
