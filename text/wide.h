// Where a text meets the platform: GBK texts to and from UTF-16, always
// through code page 936, so the program shows the same on every Windows
// whatever its system code page.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

std::wstring WideFromGbk(const Text& text);
Text GbkFromWide(std::wstring_view wide);
