// Speed of the engine on the program's real work: a global, case-blind scan
// of the result-row pattern over a page of result blocks in the site's
// layout, reading the six groups of every match, as filling the result list
// does. Prints figures; it checks nothing but the number of matches.
//
//   engine_bench [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "regex/engine/regex_engine.h"
#include "tests/engine/program_pattern.h"

namespace {

namespace re = vesk::regex_engine;

// Seconds from std::clock: wall time on Windows, processor time elsewhere;
// either is right for a single thread that never waits. Its tick is coarse
// (a millisecond), so the scans are timed in batches of a quarter second
// or more. (<chrono> does not compile with the project's GBK execution
// character set: libstdc++ spells the micro sign in it.)
double Now() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

using engine_fixtures::kIconAddress;
using engine_fixtures::ResultRowPattern;

std::u16string Number(unsigned n)
{
    std::u16string s;
    for (char c : std::to_string(n))
        s.push_back(static_cast<char16_t>(c));
    return s;
}

std::u16string Hex40(unsigned seed)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string s;
    unsigned x = seed * 2654435761u + 12345;
    for (int i = 0; i < 40; ++i) {
        x = x * 1103515245u + 12345;
        s.push_back(digits[(x >> 16) & 15]);
    }
    return s;
}

// A page as the site sends it: a head, the search time, `blocks` result
// blocks with Chinese titles and highlight markup, and a foot.
std::u16string Page(unsigned blocks)
{
    static const std::u16string titles[] = {
        u"\u4e09\u4f53 \u7b2c\u4e00\u5b63 <span class='highlight'>\u5168\u96c6</span> 1080p WEB-DL",
        u"<span class='highlight'>Linux</span> \u5185\u6838\u8bbe\u8ba1\u4e0e\u5b9e\u73b0 \u7b2c\u4e09\u7248 PDF",
        u"\u7ecf\u5178\u8001\u6b4c 100 \u9996 <span class='highlight'>\u65e0\u635f</span> FLAC \u5408\u96c6",
        u"Ubuntu 22.04 LTS Desktop amd64 ISO",
    };
    std::u16string page =
        u"<!DOCTYPE html>\r\n<html>\r\n<head>\r\n\t<meta charset=\"utf-8\">\r\n\t<title>\u641c\u7d22\u7ed3\u679c</title>\r\n"
        u"\t<link rel=\"stylesheet\" href=\"/css/site.css\">\r\n</head>\r\n<body>\r\n\t<div class=\"top\">\r\n"
        u"\t\t<form action=\"/search\"><input name=\"keyword\" value=\"\u5168\u96c6\"></form>\r\n\t</div>\r\n"
        u"\t<div class=\"list\">\r\n\t\t<div class=\"costs\">0.0215\r\n\t\t\t\u79d2</div>\r\n";
    for (unsigned i = 0; i < blocks; ++i) {
        page += u"\t<div class=\"r\">\r\n"
                u"\t\t\t\t<a href=\"/detail/" + Hex40(i) + u"\" target=\"_blank\" class=\"link\">\r\n"
                u"\t\t\t\t\t<h5 class=\"h\">" + titles[i % 4] + u" " + Number(i) + u"</h5>\r\n"
                u"\t\t\t\t</a>\r\n"
                u"\t\t\t\t<div>\r\n"
                u"\t\t\t\t\t<span style=\"padding-right: 10px; vertical-align: middle;\">\u6536\u5f55\u65f6\u95f4\uff1a<span\r\n"
                u"\t\t\t\t\t\tclass=\"prop_val\">2024-0" + Number(1 + i % 9) + u"-1" + Number(i % 10) +
                u"</span></span> <span\r\n"
                u"\t\t\t\t\t\tstyle=\"padding-right: 10px; vertical-align: middle;\">\u5927\u5c0f\uff1a<span\r\n"
                u"\t\t\t\t\t\tclass=\"prop_val\">" + Number(1 + i % 900) + u"." + Number(i % 10) +
                u" MB</span></span> <span\r\n"
                u"\t\t\t\t\t\tstyle=\"padding-right: 10px; vertical-align: middle;\">\u6587\u4ef6\u6570\uff1a<span\r\n"
                u"\t\t\t\t\t\tclass=\"prop_val\">" + Number(1 + i % 57) + u"</span></span> <a\r\n"
                u"\t\t\t\t\t\thref=\"magnet:?xt=urn:btih:" + Hex40(i) + u"\">\r\n"
                u"\t\t\t\t\t\t<img src=\"" + kIconAddress + u"\"\r\n"
                u"\t\t\t\t\t\tstyle=\"vertical-align: middle;\" alt=\"\u78c1\u529b\u94fe\u63a5\" /> <span\r\n"
                u"\t\t\t\t\t\tstyle=\"vertical-align: middle; margin-left: 2px;\">\u78c1\u529b\u94fe\u63a5</span>\r\n"
                u"\t\t\t\t\t</a>\r\n"
                u"\t\t\t\t</div>\r\n"
                u"\t\t\t</div>\r\n";
    }
    page += u"\t</div>\r\n\t<div class=\"pages\"><a href=\"/search?keyword=x&p=2\">\u4e0b\u4e00\u9875</a></div>\r\n"
            u"</body>\r\n</html>\r\n";
    return page;
}

// The page's size as the program holds it: one byte per ASCII character,
// two per Chinese one (code page 936).
double GbkMegabytes(const std::u16string& page)
{
    size_t bytes = 0;
    for (char16_t u : page)
        bytes += u < 0x80 ? 1 : 2;
    return static_cast<double>(bytes) / 1e6;
}

// One scan as the program does it: Execute, then every group read out.
size_t ScanOnce(const re::Regex& regex, const std::u16string& page, size_t& groupUnits)
{
    std::vector<re::Match> matches;
    if (re::FindAll(regex, page, true, matches) != re::ScanStatus::Ok) {
        std::printf("scan failed\n");
        std::exit(1);
    }
    groupUnits = 0;
    for (const re::Match& m : matches) {
        for (const re::Capture& c : m.groups) {
            std::u16string text = page.substr(static_cast<size_t>(c.start), static_cast<size_t>(c.length));
            groupUnits += text.size();
        }
    }
    return matches.size();
}

void Measure(unsigned blocks, int rounds)
{
    const std::u16string page = Page(blocks);
    const re::Regex regex = re::Regex::Compile(ResultRowPattern(), {true, true});
    size_t groupUnits = 0;
    double start = Now();
    size_t found = ScanOnce(regex, page, groupUnits);
    double once = std::max(Now() - start, 1e-4);
    int batch = std::max(1, static_cast<int>(0.25 / once));
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        start = Now();
        for (int k = 0; k < batch; ++k)
            ScanOnce(regex, page, groupUnits);
        best = std::min(best, (Now() - start) / batch);
    }
    double gbk = GbkMegabytes(page);
    double utf16 = static_cast<double>(page.size()) * 2 / 1e6;
    std::printf("%6u blocks  %6.2f MB (GBK) / %6.2f MB (UTF-16)  %8.3f ms  %8.1f MB/s (GBK)  %8.1f MB/s (UTF-16)  "
                "%zu matches, %zu group units\n",
                blocks, gbk, utf16, best * 1e3, gbk / best, utf16 / best, found, groupUnits);
    // How much of the step budget a scan of this page takes.
    re::Searcher searcher(regex, page);
    re::Match match;
    size_t from = 0;
    while (searcher.FindNext(from, match) == re::SearchStatus::Found)
        from = static_cast<size_t>(match.start + match.length) + (match.length == 0 ? 1 : 0);
    std::printf("%6u blocks  %llu matcher steps of a budget of %llu\n", blocks,
                static_cast<unsigned long long>(searcher.stepsUsed()),
                static_cast<unsigned long long>(re::Limits::ForSubject(page.size()).steps));
    if (found != blocks) {
        std::printf("expected %u matches\n", blocks);
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::printf("resultRowPattern, IgnoreCase, Multiline, Global, six groups read per match; best of %d\n", rounds);
    Measure(1000, rounds);
    Measure(10000, rounds);
    return 0;
}
