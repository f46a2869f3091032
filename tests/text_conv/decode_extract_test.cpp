// A result page through the whole way in: percent-decoded and converted by
// UrlDecode, then read by the result extraction. A title that ends in "%"
// must neither swallow the "</" of its closing tag nor lose its row.
#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "search/extract.h"
#include "search/search.h"
#include "tests/support/text_printing.h"
#include "text/codepage.h"
#include "text/urlcode.h"

namespace {

// One result block as the site writes it: the row pattern with its six
// groups filled in (link, title, time, size, files, magnet link), in GBK.
std::string ResultBlock(const std::array<std::string, 6>& fields)
{
    const std::string pattern = resultRowPattern.str();
    const std::string group = "(.*?)";
    std::string block;
    size_t from = 0;
    for (const std::string& field : fields) {
        size_t at = pattern.find(group, from);
        block += pattern.substr(from, at - from) + field;
        from = at + group.size();
    }
    return block + pattern.substr(from) + "\r\n";
}

TEST(DecodeAndExtract, TitlesEndingInPercentKeepTheirRows)
{
    SetUpResultRegex();
    ASSERT_TRUE(CreateMainWindow(SW_SHOWNORMAL));

    struct Result {
        std::string sentTitle;  // UTF-8, as the site sends it
        const char* title;      // GBK, as the list shows it
    };
    const Result results[] = {
        {"\xE6\xA9\x99\xE6\xB1\x81 100%", "橙汁 100%"},
        {"100% Orange Juice", "100% Orange Juice"},
        {"%E4%B8%AD 50%", "中 50%"},  // escaped and literal "%" in one title
    };
    std::string page = "<html><body>\r\n";
    for (const Result& r : results) {
        // The markup around the title is GBK here; it is ASCII but for the
        // labels, which go to UTF-8 with the rest of the block.
        std::string block = ResultBlock({"/hash/1", "@TITLE@", "2024-05-01", "1.2 GB", "3",
                                         "magnet:?xt=urn:btih:0123&amp;dn=x"});
        std::string utf8 = GbkToUtf8(Text(block)).str();
        utf8.replace(utf8.find("@TITLE@"), 7, r.sentTitle);
        page += utf8;
    }
    page += "</body></html>\r\n";

    lastPageText = UrlDecode(Text(page));
    ClearRows();
    FillResultRows();
    ASSERT_EQ(RowCount(), 3);
    for (int32_t row = 0; row < 3; ++row) {
        SCOPED_TRACE(testing::Message() << "row " << row);
        EXPECT_EQ(CellText(row, 0), T(results[row].title));
        EXPECT_EQ(CellText(row, 1), T("2024-05-01"));
        EXPECT_EQ(CellText(row, 4), T("magnet:?xt=urn:btih:0123&amp;dn=x"));
    }

    DestroyWindow(mainWindow.window);
    ReleaseResultRegex();
    lastPageText = Text();
}

}  // namespace
