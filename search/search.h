// The search commands: Search, Enter in the keyword box, and Continue.
#pragma once

#include <cstdint>

#include "text/text.h"

// The number of the result page that the last request asked for: 0 at
// start, 1 after Search, one more after each Continue.
extern int32_t currentPage;
// The decoded text of the page that the last search fetched; empty before
// the first search.
extern Text lastPageText;
// "http://", the site's host and "/search?keyword=".
extern const Text searchUrlPrefix;

void OnKeywordKeyDown(int keyCode, int modifiers);
void OnSearchClicked();
void OnContinueClicked();

// Fetches page currentPage for the keyword in the box, lists its results
// after the rows already shown and beeps.
void RunSearch();

// True while a search runs; Search, Continue and Enter are ignored then.
bool SearchRunning();

// Frees the page text of the last search, first of the globals at exit.
void ReleaseLastPageText();
