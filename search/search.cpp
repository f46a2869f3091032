#include "search/search.h"

#include "app/events.h"
#include "app/main_window.h"
#include "search/extract.h"
#include "text/urlcode.h"
#include "web/page_request.h"

int32_t currentPage = 0;
Text lastPageText;
const Text searchUrlPrefix = ConcatText("http://", VESK_SITE_HOST, "/search?keyword=");

namespace {

// The window handles messages while a search encodes its keyword and reads
// the page; a second search started from there would run nested inside the
// first. It is not started: the first one runs to its end.
bool searchRunning = false;

class RunningSearch {
public:
    RunningSearch() { searchRunning = true; }
    ~RunningSearch() { searchRunning = false; }
    RunningSearch(const RunningSearch&) = delete;
    RunningSearch& operator=(const RunningSearch&) = delete;
};

Text Keyword() { return ControlText(mainWindow.编辑框1); }

}  // namespace

bool SearchRunning() { return searchRunning; }

void OnKeywordKeyDown(int keyCode, int /*modifiers*/)
{
    // Enter searches whatever modifier keys are held.
    if (keyCode == 13)
        OnSearchClicked();
}

void OnSearchClicked()
{
    if (searchRunning || Keyword().empty())
        return;
    ClearRows();
    currentPage = 1;
    RunSearch();
}

void OnContinueClicked()
{
    if (searchRunning || Keyword().empty())
        return;
    currentPage = currentPage + 1;
    RunSearch();
}

void RunSearch()
{
    RunningSearch running;
    SetStatusText(0, "正在搜索…");

    Text encoded = UrlEncode(Keyword());
    // Closing the window ends the program; a search under way then stops
    // where it is and touches no window.
    if (QuitRequested())
        return;
    Text url = ConcatText(searchUrlPrefix, encoded, "&p=", NumberToText(currentPage));
    Text page = FetchPageText(url);
    if (QuitRequested())
        return;
    lastPageText = UrlDecode(page);
    FillResultRows();
    Beep();
}

void ReleaseLastPageText() { lastPageText = Text(); }
