// Whole searches against the local index site (started by `make bench`),
// for a page of 10 results and one of 1,000: the time from RunSearch to the
// rows shown, and where it goes: fetch, decode, extract, fill.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/events.h"
#include "app/main_window.h"
#include "search/extract.h"
#include "search/search.h"
#include "tests/support/site_client.h"
#include "text/urlcode.h"
#include "web/page_request.h"

namespace {

constexpr int kPort = VESK_TEST_SITE_PORT;

double Seconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Ms(double seconds) { return seconds * 1000.0; }

struct Figures {
    double whole = 1e9;   // RunSearch until the list has drawn
    double fetch = 1e9;
    double decode = 1e9;
    double fillResultRows = 1e9;
    double fill = 1e9;    // the same rows put into the list, without extraction
    size_t pageBytes = 0;
    int rows = 0;
};

Figures Measure(const char* mode, int runs)
{
    SiteMode(kPort, mode);
    SetWindowTextW(mainWindow.编辑框1, L"ab");
    Text url = ConcatText(searchUrlPrefix, UrlEncode("ab"), "&p=1");
    Figures f;
    for (int r = 0; r < runs; ++r) {
        ClearRows();
        ProcessPendingEvents();
        double t0 = Seconds();
        currentPage = 1;
        RunSearch();
        ProcessPendingEvents();  // the list draws
        f.whole = std::min(f.whole, Seconds() - t0);
    }
    f.rows = RowCount();

    for (int r = 0; r < runs; ++r) {
        double t0 = Seconds();
        Text page = FetchPageText(url);
        double t1 = Seconds();
        Text decoded = UrlDecode(page);
        double t2 = Seconds();
        lastPageText = decoded;
        ClearRows();
        ProcessPendingEvents();
        double t3 = Seconds();
        FillResultRows();
        double t4 = Seconds();
        f.fetch = std::min(f.fetch, t1 - t0);
        f.decode = std::min(f.decode, t2 - t1);
        f.fillResultRows = std::min(f.fillResultRows, t4 - t3);
        f.pageBytes = page.str().size();

        // The list part alone: the same cells once more, straight in.
        std::vector<std::vector<Text>> cells;
        for (int row = 0; row < RowCount(); ++row) {
            cells.emplace_back();
            for (int column = 0; column < 5; ++column)
                cells.back().push_back(CellText(row, column));
        }
        ClearRows();
        ProcessPendingEvents();
        double t5 = Seconds();
        for (const auto& rowCells : cells) {
            int32_t row = AddRow();
            for (int column = 0; column < 5; ++column)
                SetCellText(row, column, rowCells[column]);
        }
        f.fill = std::min(f.fill, Seconds() - t5);
    }
    SiteMode(kPort, "normal");
    return f;
}

void Print(const char* label, const Figures& f)
{
    double extract = f.fillResultRows - f.fill;
    double own = f.decode + f.fillResultRows;
    std::printf("%s: page %.1f KB, %d rows\n", label, f.pageBytes / 1024.0, f.rows);
    std::printf("  RunSearch to rows shown %9.3f ms\n", Ms(f.whole));
    std::printf("    fetch                 %9.3f ms\n", Ms(f.fetch));
    std::printf("    decode                %9.3f ms   %.1f MB/s\n", Ms(f.decode), f.pageBytes / 1e6 / f.decode);
    std::printf("    extract               %9.3f ms\n", Ms(extract));
    std::printf("    fill                  %9.3f ms\n", Ms(f.fill));
    std::printf("  program's own work      %9.3f ms   (everything but the fetch)\n", Ms(own));
}

}  // namespace

int main()
{
    SetUpResultRegex();
    mainWindowEvents.onSearchClicked = OnSearchClicked;
    mainWindowEvents.onContinueClicked = OnContinueClicked;
    if (!CreateMainWindow(SW_SHOWNORMAL)) {
        std::printf("the main window cannot be created\n");
        return 1;
    }
    SiteReset(kPort);
    if (SiteGet(kPort, "/echo").empty()) {
        std::printf("the local index site does not answer on port %d\n", kPort);
        return 1;
    }
    Measure("normal", 2);  // WinInet, the engine and the list warm up once

    Figures ten = Measure("normal", 30);
    Figures thousand = Measure("many&n=1000", 5);
    Print("10 results", ten);
    Print("1,000 results", thousand);
    std::printf("goals\n");
    std::printf("  own work for 10 results   %.3f ms (under 5)\n", Ms(ten.decode + ten.fillResultRows));
    std::printf("  1,000 / 10 results, own   %.1f times for %.1f times the bytes (linear)\n",
                (thousand.decode + thousand.fillResultRows) / (ten.decode + ten.fillResultRows),
                static_cast<double>(thousand.pageBytes) / ten.pageBytes);
    std::printf("  fetch: compare with curl below (goal: within 2 times)\n");

    DestroyWindow(mainWindow.window);
    ReleaseResultRegex();
    SiteReset(kPort);
    return 0;
}
