#include "save_information.h"

#include "closing_scope.h"
#include "console_texts.h"
#include "controller.h"
#include "dialog_list.h"
#include "dialog_records.h"
#include "dialog_screen.h"
#include "error_message.h"
#include "input_box.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "report_writer.h"

#include "key_codes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <span>

namespace {

constexpr size_t reserveBytes = 256;
constexpr const char* defaultFileName = "raidsave.txt";
constexpr int reportViewX = 3;

InputDef fileInput = {1, 11, 0, "Path: ", 64};
ListDef reportView = {3, 8, 1, 0, 76, -1, " View Information ", nullptr, nullptr, {"%s", nullptr}};

// The view being filled by AddReportLine.
struct ViewFill {
    CListBox* view = nullptr;
    int count = 0;
    bool taking = false;
    void* reserve = nullptr;
};
ViewFill fill;

void ReleaseReserve()
{
    std::free(fill.reserve);
    fill.reserve = nullptr;
}

// Stores the text as the next line of the view; false when it cannot be kept.
bool Store(const char* text)
{
    try {
        return fill.view->SetLineText(fill.count, text) == 1;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Asks the file name and writes the report into it.
void SaveReportFile(CController& controller, const char* versionLine)
{
    char name[65] = {};
    std::snprintf(name, sizeof name, "%s", defaultFileName);
    {
        CInputBox input(&fileInput);
        if (!input.Open("File: ", nullptr)) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return;
        }
        input.Edit(std::span<char>(name, static_cast<size_t>(fileInput.maxLength) + 1));
        if (input.LastKey() != tui::keyEnter || name[0] == '\0')
            return;
    }
    if (CReportWriter().FileExists(name) && !AskYesNo(MessageText("M3027"), 0))
        return;
    ClosingScope writing = WaitBoxScope();
    const int written = controller.SaveInformation(name, versionLine, nullptr);
    const uint32_t code = controller.error;
    writing.release();
    if (!written)
        ShowErrorCode(code);
}

}  // namespace

void AddReportLine(const char* line)
{
    if (!fill.taking || fill.view == nullptr)
        return;
    if (fill.count < REPORT_VIEW_LINES && Store(line)) {
        ++fill.count;
        return;
    }
    // The first line not taken: from here on nothing more is.
    ReleaseReserve();
    if (fill.count < REPORT_VIEW_LINES && Store(MessageText("M1012")))
        ++fill.count;
    fill.taking = false;
}

int SaveInformationDialog(CController& controller)
{
    char versionLine[160];
    ReportVersionLine(versionLine);
    reportView.width = RootWidth() - 4;
    // A view wider than the room right of its column moves left, as input boxes do.
    reportView.x = std::max(0, std::min(reportViewX, DialogScreenWidth() - reportView.width - 2));
    {
        CListBox view(&reportView, REPORT_VIEW_LINES, 1);
        fill = ViewFill{&view, 0, true, nullptr};
        ClosingScope filling = WaitBoxScope();
        const int refreshed = controller.Refresh();
        const uint32_t refreshCode = controller.error;
        fill.reserve = std::malloc(reserveBytes);
        if (fill.reserve != nullptr && view.IsOk())
            controller.SaveInformation(nullptr, versionLine, AddReportLine);
        ReleaseReserve();
        filling.release();
        if (!refreshed)
            ShowErrorCode(refreshCode);
        const int lines = fill.count;
        fill = ViewFill{};
        if (!view.IsOk() || !view.Open(nullptr, nullptr, nullptr, lines)) {
            ShowMessage(MessageText("M4000"), 1, 1);
        } else {
            int line = 0;
            for (;;) {
                const int result = view.Run(line);
                if (result < 0)
                    break;
                line = result;
            }
        }
    }
    if (AskYesNo(MessageText("M3010"), 0))
        SaveReportFile(controller, versionLine);
    return 1;
}
