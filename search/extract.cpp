#include "search/extract.h"

#include "app/main_window.h"
#include "search/search.h"

// The site's pages end their lines in CR LF and indent with tabs; the block
// must match them exactly, so every tab and line end below counts. The
// colons after 收录时间, 大小 and 文件数 are full-width.
const Text resultRowPattern(
    "\t<div class=\"r\">\r\n"
    "\t\t\t\t<a href=\"(.*?)\" target=\"_blank\" class=\"link\">\r\n"
    "\t\t\t\t\t<h5 class=\"h\">(.*?)</h5>\r\n"
    "\t\t\t\t</a>\r\n"
    "\t\t\t\t<div>\r\n"
    "\t\t\t\t\t<span style=\"padding-right: 10px; vertical-align: middle;\">收录时间：<span\r\n"
    "\t\t\t\t\t\tclass=\"prop_val\">(.*?)</span></span> <span\r\n"
    "\t\t\t\t\t\tstyle=\"padding-right: 10px; vertical-align: middle;\">大小：<span\r\n"
    "\t\t\t\t\t\tclass=\"prop_val\">(.*?)</span></span> <span\r\n"
    "\t\t\t\t\t\tstyle=\"padding-right: 10px; vertical-align: middle;\">文件数：<span\r\n"
    "\t\t\t\t\t\tclass=\"prop_val\">(.*?)</span></span> <a\r\n"
    "\t\t\t\t\t\thref=\"(.*?)\">\r\n"
    "\t\t\t\t\t\t<img src=\"" VESK_LINK_ICON_URL "\"\r\n"
    "\t\t\t\t\t\tstyle=\"vertical-align: middle;\" alt=\"磁力链接\" /> <span\r\n"
    "\t\t\t\t\t\tstyle=\"vertical-align: middle; margin-left: 2px;\">磁力链接</span>\r\n"
    "\t\t\t\t\t</a>\r\n"
    "\t\t\t\t</div>\r\n"
    "\t\t\t</div>");

const Text searchTimePattern(
    "\t\t<div class=\"costs\">(.*?)\r\n"
    "\t\t\t秒</div>");

std::unique_ptr<RegexObject> resultRegex;

void SetUpResultRegex() { resultRegex = std::make_unique<RegexObject>(); }

void ReleaseResultRegex() { resultRegex.reset(); }

void FillResultRows()
{
    if (!resultRegex)
        return;
    RegexObject& regex = *resultRegex;
    regex.Create(resultRowPattern, lastPageText, false, true, true);
    int32_t n = regex.MatchCount();
    for (int32_t i = 1; i <= n; ++i) {
        int32_t row = AddRow();
        Text title = regex.SubMatchText(i, 2);
        // The site wraps the keyword in <span class='highlight'> ... </span>.
        while (FindText(title, "<span class='highlight'>", 1, true) != -1)
            title = RemoveBetween(title, "<span class='hi", "ghlight'>");
        while (FindText(title, "</span>", 1, true) != -1)
            title = RemoveBetween(title, "</sp", "an>");
        SetCellText(row, 0, title);
        for (int32_t column = 1; column <= 4; ++column)
            SetCellText(row, column, regex.SubMatchText(i, column + 2));
    }
    regex.Create(searchTimePattern, lastPageText, false, true, true);
    SetStatusText(0, ConcatText(regex.SubMatchText(1, 1), "秒"));
}

Text RemoveBetween(const Text& text, const Text& startMarker, const Text& endMarker)
{
    int32_t a = FindText(text, startMarker, 1, true);
    if (a == -1)
        return Text();
    // The end marker is searched for from the first byte of the start marker.
    int32_t b = FindText(text, endMarker, a, true);
    if (b == -1)
        return LeftText(text, a - 1);  // so that every call shortens a text that holds startMarker
    return ConcatText(LeftText(text, a - 1), RightText(text, TextLength(text) - (b - 1 + TextLength(endMarker))));
}
