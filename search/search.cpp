#include "search/search.h"

void OnKeywordKeyDown(int keyCode, int /*modifiers*/)
{
    // Enter searches whatever modifier keys are held.
    if (keyCode == 13)
        OnSearchClicked();
}

void OnSearchClicked()
{
}

void OnContinueClicked()
{
}
