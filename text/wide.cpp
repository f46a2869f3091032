#include "text/wide.h"

#include <windows.h>

namespace {
constexpr UINT kGbk = 936;
}

std::wstring WideFromGbk(const Text& text)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(kGbk, 0, text.c_str(), text.size(), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(kGbk, 0, text.c_str(), text.size(), wide.data(), n);
    return wide;
}

int WideLengthFromGbk(const Text& text)
{
    if (text.empty())
        return 0;
    return MultiByteToWideChar(kGbk, 0, text.c_str(), text.size(), nullptr, 0);
}

void WideFromGbkInto(const Text& text, wchar_t* wide, int length)
{
    if (!text.empty() && length > 0)
        MultiByteToWideChar(kGbk, 0, text.c_str(), text.size(), wide, length);
}

Text GbkFromWide(std::wstring_view wide)
{
    if (wide.empty())
        return Text();
    int length = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(kGbk, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kGbk, 0, wide.data(), length, bytes.data(), n, nullptr, nullptr);
    return Text(std::move(bytes));
}
