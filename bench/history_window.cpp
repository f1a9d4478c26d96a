// The history window's first paint with 100,000 songs in the journal: the
// window made from its template, the rows counted and the first screen of
// them read and drawn. Set against the 300 ms a user waits without noticing,
// and against the same window over 1,000 songs. Exits with 1 when it takes longer.
#include <windows.h>

#include <cstdio>
#include <string>

#include "BenchJournal.h"
#include "BenchTiming.h"
#include "app/HistoryDialog.h"
#include "journal/Journal.h"
#include "kit/CommonControls.h"

namespace {

using bench::RemoveJournal;
using bench::TempPath;
constexpr auto Fill = bench::FillJournal;

// From a journal the window has not counted yet to the first screen drawn.
double FirstPaint(const std::wstring& path) {
    return bench::BestOf(5, [&] {
        journal::Journal journal(path);
        HistoryDialog window(journal, {});
        if (!window.Create(nullptr, HistoryDialog::kTemplateId)) std::printf("the window could not be made\n");
        ::ShowWindow(window.handle(), SW_SHOWNOACTIVATE);
        ::RedrawWindow(window.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        if (window.CellText(0, HistoryDialog::kTitle).empty()) std::printf("the first row came back empty\n");
    });
}

}  // namespace

int main() {
    kit::InitializeCommonControls();
    const std::wstring big = TempPath(L"kestrel-bench-history.db");
    const std::wstring small = TempPath(L"kestrel-bench-history-small.db");
    Fill(small, 1000);
    Fill(big, 100000);

    const double smallPaint = FirstPaint(small);
    const double bigPaint = FirstPaint(big);
    bench::Report("history window first paint, 100,000 songs", bigPaint, 300.0, 1.0);
    std::printf("  (over 1,000 songs %.2f ms: ratio %.2f)\n", smallPaint, bigPaint / smallPaint);
    RemoveJournal(big);
    RemoveJournal(small);
    return bigPaint <= 300.0 ? 0 : 1;
}
