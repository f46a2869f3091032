// Where a text meets the platform: GBK texts to and from UTF-16, always
// through code page 936, so the program shows the same on every Windows
// whatever its system code page.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

std::wstring WideFromGbk(const Text& text);
// The same conversion for a caller that owns the storage (a BSTR of a page
// that runs to megabytes, written once rather than built and then copied):
// the number of UTF-16 units it gives, and the conversion into a buffer of
// exactly that many.
int WideLengthFromGbk(const Text& text);
void WideFromGbkInto(const Text& text, wchar_t* wide, int length);
Text GbkFromWide(std::wstring_view wide);
