// URL parts: the table the page request relies on, oddities included (a
// query without "/" stays in the host, every https URL has port 0).
#include <gtest/gtest.h>

#include "tests/support/text_printing.h"
#include "web/url_parts.h"

namespace {

TEST(UrlParts, HostPathAndPort)
{
    const struct {
        const char* url;
        const char* host;
        const char* path;
        int32_t port;
    } cases[] = {
        {"http://Ab:81/x?q=1", "ab", "/x?q=1", 81},
        {"http://Ab", "ab", "/", 80},
        {"http://Ab/", "ab", "/", 80},
        {"http://Ab:/x", "ab", "/x", 0},
        {"http://Ab/x:9", "ab", "/x:9", 80},  // a ":" after the "/" is no port
        {"http://Ab?q=1", "ab?q=1", "/", 80},
        {"https://Ab/x", "ab", "/x", 0},
        {"https://Ab:82/x", "ab", "/x", 0},
        {"Ab:81/x", "ab", "/x", 81},
        {"Ab", "ab", "/", 80},
        {"", "", "/", 80},
        // Every "http://" goes, also one inside the query. The host text then
        // occurs nowhere in the URL, so the path runs from the URL's first
        // "/"; the port is read up to the "/" of the query's "http://", and
        // the empty text after its ":" gives 0.
        {"http://Ab?u=http://Cd/x", "ab?u=cd", "//Ab?u=http://Cd/x", 0},
        // Only the port reads the scheme regardless of case.
        {"HTTP://Ab/x", "http", "//Ab/x", 80},
        // A port text reads as far as it is a number.
        {"http://Ab:81x/y", "ab", "/y", 81},
        {"http://Ab:81.9/", "ab", "/", 81},
        {"http://Ab:99999999999/", "ab", "/", 0},  // no 32-bit port
        // The walk steps over two-byte characters: the "/" and ":" inside
        // 81 2F and 81 3A are second bytes, not separators.
        {"http://a\x81/b/c", "a\x81/b", "/c", 80},
        {"http://a\x81:1/x", "a\x81:1", "/x", 80},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "URL " << c.url);
        EXPECT_EQ(HostOfUrl(T(c.url)), T(c.host));
        EXPECT_EQ(PathOfUrl(T(c.url)), T(c.path));
        EXPECT_EQ(PortOfUrl(T(c.url)), c.port);
    }
}

}  // namespace
