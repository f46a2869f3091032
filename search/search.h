// The search commands: Search, Enter in the keyword box, and Continue.
#pragma once

void OnKeywordKeyDown(int keyCode, int modifiers);
void OnSearchClicked();
void OnContinueClicked();
