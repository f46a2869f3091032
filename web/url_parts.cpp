#include "web/url_parts.h"

#include <cmath>

Text HostOfUrl(const Text& url)
{
    // Only the lower-case schemes are removed, anywhere in the text.
    Text host = ReplaceAll(url, "https://", "", 1, kNoLimit, true);
    host = ReplaceAll(host, "http://", "", 1, kNoLimit, true);
    // The "/" cut comes first, so a ":" in the path never shortens the host.
    int32_t slash = FindText(host, "/");
    if (slash != -1)
        host = LeftText(host, slash - 1);
    int32_t colon = FindText(host, ":");
    if (colon != -1)
        host = LeftText(host, colon - 1);
    return ToLowerText(host);
}

Text PathOfUrl(const Text& url)
{
    int32_t hostAt = FindText(url, HostOfUrl(url), 1, true);
    // A host that does not occur gives -1, and the search for "/" then runs
    // from the beginning.
    int32_t slash = FindText(url, "/", hostAt, true);
    if (slash <= 0)
        return "/";
    return RightText(url, TextLength(url) - slash + 1);
}

int32_t PortOfUrl(const Text& url)
{
    Text hostAndPort;
    if (CompareText(LeftText(url, 7), "http://", false) == 0) {
        int32_t slash = FindText(url, "/", 8, true);
        hostAndPort = slash > 0 ? MidText(url, 8, slash - 8) : ReplaceAt(url, 1, 7);
    } else {
        // "https://" lands here too: the piece is "https:", the port text
        // after its ":" is empty, and the port is 0.
        int32_t slash = FindText(url, "/", 1, true);
        hostAndPort = slash > 0 ? LeftText(url, slash - 1) : url;
    }
    int32_t colon = FindText(hostAndPort, ":", 1, true);
    Text portText = colon > 0 ? RightText(hostAndPort, TextLength(hostAndPort) - colon) : Text("80");

    // A port text too large for an integer names no port WinInet could use.
    double port = std::trunc(ToNumber(portText));
    if (!(port >= INT32_MIN && port <= INT32_MAX))
        return 0;
    return static_cast<int32_t>(port);
}
