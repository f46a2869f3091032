// How long FillResultRows takes over synthetic result pages of 10, 1,000 and
// 10,000 blocks in the site's layout, and where the time goes: the engine's
// own matching ("Execute"), reading the groups, cleaning the titles and
// filling the list.
//
// The split comes from a copy of FillResultRows's steps with a clock around
// each; the whole is the real routine, timed from outside.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/events.h"
#include "app/main_window.h"
#include "regex/automation.h"
#include "regex/own_engine_object.h"
#include "regex/regex_object.h"
#include "search/extract.h"
#include "search/search.h"
#include "text/codepage.h"
#include "text/text.h"

namespace {

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

// One block as the site writes it: the row pattern with its six groups
// filled in (the dots of the icon address stand for themselves).
Text SyntheticBlock(int i)
{
    std::string n = std::to_string(i);
    std::string hash = std::string(40 - std::min<size_t>(40, n.size()), 'a') + n;
    const Text titles[] = {
        ConcatText("<span class='highlight'>Ubuntu</span> 镜像 第", n.c_str(), "版"),
        ConcatText("<span class='highlight'>乌班图</span>入门<span class='highlight'>乌班图</span>教程 ", n.c_str()),
        ConcatText("Linux <SPAN CLASS='HIGHLIGHT'>ubuntu</SPAN> 合集 ", n.c_str()),
        ConcatText("软件源 ", n.c_str(), " <span class='highlight'>UBUNTU</span>"),
    };
    const Text values[6] = {
        ConcatText("/detail/", n.c_str()),
        titles[i % 4],
        "2023-04-21",
        ConcatText(NumberToText(i % 900 + 100), ".5 MB"),
        NumberToText(i % 97 + 1),
        ConcatText("magnet:?xt=urn:btih:", hash.c_str(), "&amp;dn=ubuntu-", n.c_str()),
    };
    Text block = resultRowPattern;
    for (const Text& value : values)
        block = ReplaceAt(block, FindText(block, "(.*?)"), 5, value);
    return block;
}

Text SyntheticPage(int blocks)
{
    std::string page =
        "<!DOCTYPE html>\r\n<html lang=\"zh-CN\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
        "<title>ubuntu - 搜索结果</title>\r\n</head>\r\n<body>\r\n<div class=\"container\">\r\n\t<div class=\"list\">\r\n";
    for (int i = 0; i < blocks; ++i) {
        page += SyntheticBlock(i).str();
        page += "\r\n";
    }
    page += "\t</div>\r\n\t\t<div class=\"costs\">0.35\r\n\t\t\t秒</div>\r\n</div>\r\n</body>\r\n</html>\r\n";
    return Text(std::move(page));
}

struct Split {
    double total = 0;
    double rowCreate = 0;   // Create with the row pattern, "Execute" included
    double timeCreate = 0;  // Create with the search-time pattern
    double groups = 0;      // MatchCount and every SubMatchText
    double titles = 0;      // the two cleaning loops
    double list = 0;        // AddRow and SetCellText
    double status = 0;      // the time's group, "秒" and SetStatusText
    int32_t rows = 0;
};

// FillResultRows step by step, with a clock around every step.
Split TimedSteps()
{
    Split s;
    RegexObject& regex = *resultRegex;
    double start = Seconds(), t = start, u;
    auto lap = [&](double& into) {
        u = Seconds();
        into += u - t;
        t = u;
    };
    regex.Create(resultRowPattern, lastPageText, false, true, true);
    lap(s.rowCreate);
    int32_t n = regex.MatchCount();
    lap(s.groups);
    for (int32_t i = 1; i <= n; ++i) {
        int32_t row = AddRow();
        lap(s.list);
        Text title = regex.SubMatchText(i, 2);
        lap(s.groups);
        while (FindText(title, "<span class='highlight'>", 1, true) != -1)
            title = RemoveBetween(title, "<span class='hi", "ghlight'>");
        while (FindText(title, "</span>", 1, true) != -1)
            title = RemoveBetween(title, "</sp", "an>");
        lap(s.titles);
        SetCellText(row, 0, title);
        lap(s.list);
        for (int32_t column = 1; column <= 4; ++column) {
            Text value = regex.SubMatchText(i, column + 2);
            lap(s.groups);
            SetCellText(row, column, value);
            lap(s.list);
        }
    }
    regex.Create(searchTimePattern, lastPageText, false, true, true);
    lap(s.timeCreate);
    SetStatusText(0, ConcatText(regex.SubMatchText(1, 1), "秒"));
    lap(s.status);
    s.total = t - start;
    s.rows = n;
    return s;
}

// Which engine the figures are for: the system's VBScript or the program's own.
bool ownEngine = false;

// The engine's "Execute" alone, on a subject already in UTF-16.
double ExecuteSeconds(const Text& pattern, const Text& page, double* conversion)
{
    AutomationObject engine = ownEngine ? CreateOwnRegexEngine() : CreateAutomationObject(L"VBScript.RegExp");
    PutProperty(engine, L"IgnoreCase", BoolArgument(true));
    PutProperty(engine, L"Multiline", BoolArgument(true));
    PutProperty(engine, L"Global", BoolArgument(true));
    PutProperty(engine, L"Pattern", TextArgument(pattern));
    double t0 = Seconds();
    Variant arguments[] = {TextArgument(page)};
    double t1 = Seconds();
    Variant matches = CallMethod(engine, L"Execute", arguments);
    double t2 = Seconds();
    if (conversion)
        *conversion = t1 - t0;
    return t2 - t1;
}

double Ms(double seconds) { return seconds * 1000.0; }

struct Figures {
    double megabytes;
    int blocks;
    double wholeMs;
    double ownMs;
    double executeMs;
};

Figures Measure(int blocks, int runs)
{
    // Two pages of the same size that differ in their search time: every run
    // gets a page other than the one before it, as every search does.
    const Text pages[2] = {SyntheticPage(blocks),
                           ReplaceAll(SyntheticPage(blocks), "costs\">0.35", "costs\">0.36", 1, 1, true)};
    int turn = 0;
    lastPageText = pages[0];
    double megabytes = lastPageText.size() / 1e6;

    // Each run starts as a search does, from the message loop: the list is
    // cleared and has drawn itself.
    auto startRun = [&] {
        ClearRows();
        lastPageText = pages[turn++ % 2];
        ProcessPendingEvents();
    };
    double whole = 1e9, drawing = 1e9;
    for (int r = 0; r < runs; ++r) {
        startRun();
        double t0 = Seconds();
        FillResultRows();
        double t1 = Seconds();
        ProcessPendingEvents();
        whole = std::min(whole, t1 - t0);
        drawing = std::min(drawing, Seconds() - t1);
    }
    int32_t rows = RowCount();

    Split best;
    best.total = 1e9;
    for (int r = 0; r < runs; ++r) {
        startRun();
        Split s = TimedSteps();
        if (s.total < best.total)
            best = s;
    }
    double conversion = 0, rowExecute = 1e9, timeExecute = 1e9;
    for (int r = 0; r < runs; ++r) {
        rowExecute = std::min(rowExecute, ExecuteSeconds(resultRowPattern, lastPageText, &conversion));
        timeExecute = std::min(timeExecute, ExecuteSeconds(searchTimePattern, lastPageText, nullptr));
    }
    double execute = rowExecute + timeExecute;
    double own = best.total - execute;

    std::printf("%d blocks, page %.1f KB, %d rows%s\n", blocks, lastPageText.size() / 1024.0, rows,
                rows == blocks ? "" : "  (ROWS MISSING)");
    std::printf("  FillResultRows          %10.3f ms   %6.1f MB/s\n", Ms(whole), megabytes / whole);
    std::printf("  step by step            %10.3f ms\n", Ms(best.total));
    std::printf("    row pattern Create    %10.3f ms   of which \"Execute\" %.3f ms, subject to UTF-16 %.3f ms\n",
                Ms(best.rowCreate), Ms(rowExecute), Ms(conversion));
    std::printf("    reading the groups    %10.3f ms   (%d SubMatchText calls)\n", Ms(best.groups), rows * 5);
    std::printf("    cleaning the titles   %10.3f ms\n", Ms(best.titles));
    std::printf("    filling the list      %10.3f ms\n", Ms(best.list));
    std::printf("    time pattern Create   %10.3f ms   of which \"Execute\" %.3f ms\n", Ms(best.timeCreate),
                Ms(timeExecute));
    std::printf("    status text           %10.3f ms\n", Ms(best.status));
    std::printf("  then the list draws     %10.3f ms   (in the message loop, after FillResultRows)\n", Ms(drawing));
    std::printf("  engine's matching       %10.3f ms   program's own share %.3f ms (%.2f of the matching)\n",
                Ms(execute), Ms(own), own / execute);
    return {megabytes, blocks, whole * 1000.0, own * 1000.0, execute * 1000.0};
}

// The pages of 1,000 and 10,000 blocks and the row pattern, in UTF-8 as the
// site sends them, next to this program, for the reference pipeline that
// `make bench` runs beside it.
void WriteReferencePages()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L"\\/") + 1);
    auto write = [&](const wchar_t* name, const Text& gbk) {
        Text utf8 = GbkToUtf8(gbk);
        HANDLE file = CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        DWORD written = 0;
        WriteFile(file, utf8.c_str(), static_cast<DWORD>(utf8.str().size()), &written, nullptr);
        CloseHandle(file);
    };
    write(L"reference_page_1000.html", SyntheticPage(1000));
    write(L"reference_page_10000.html", SyntheticPage(10000));
    write(L"reference_row_pattern.txt", resultRowPattern);
}

}  // namespace

int main()
{
    SetUpResultRegex();
    if (!CreateMainWindow(SW_SHOWNORMAL)) {
        std::printf("the main window cannot be created\n");
        return 1;
    }
    // Loads the engine once, outside the figures.
    lastPageText = SyntheticPage(2);
    FillResultRows();

    Figures small = Measure(10, 50);
    Figures middle = Measure(1000, 5);
    Figures large = Measure(10000, 2);

    std::printf("goals\n");
    std::printf("  10,000 blocks / 1,000 blocks  %.2f times (at most 12)\n", large.wholeMs / middle.wholeMs);
    std::printf("  own share / matching          %.2f, %.2f, %.2f (at most 1)\n", small.ownMs / small.executeMs,
                middle.ownMs / middle.executeMs, large.ownMs / large.executeMs);
    std::printf("  10 blocks                     %.3f ms (under 5)\n", small.wholeMs);

    // The same pages with the program's own engine, as on a Windows without
    // VBScript.
    std::printf("\nthe program's own engine\n");
    ownEngine = true;
    UseOwnRegexEngineOnlyForTesting(true);
    lastPageText = SyntheticPage(2);
    FillResultRows();
    Figures ownMiddle = Measure(1000, 5);
    Figures ownLarge = Measure(10000, 3);
    UseOwnRegexEngineOnlyForTesting(false);

    auto rate = [](const Figures& f, double ms) { return f.megabytes / (ms / 1000.0); };
    std::printf("engines, FillResultRows as a whole (MB/s of the page)\n");
    std::printf("  1,000 blocks   VBScript %7.1f   own %7.1f   (%.1f times)\n", rate(middle, middle.wholeMs),
                rate(ownMiddle, ownMiddle.wholeMs), middle.wholeMs / ownMiddle.wholeMs);
    std::printf("  10,000 blocks  VBScript %7.1f   own %7.1f   (%.1f times)\n", rate(large, large.wholeMs),
                rate(ownLarge, ownLarge.wholeMs), large.wholeMs / ownLarge.wholeMs);
    std::printf("  Execute alone  VBScript %7.1f   own %7.1f   (10,000 blocks)\n", rate(large, large.executeMs),
                rate(ownLarge, ownLarge.executeMs));
    std::printf("  own engine: 10,000 / 1,000 blocks %.2f times (linear: at most 12)\n",
                ownLarge.wholeMs / ownMiddle.wholeMs);

    WriteReferencePages();

    DestroyWindow(mainWindow.window);
    ReleaseResultRegex();
    return 0;
}
