// One HTTP exchange through WinInet, and the plain GET the search uses.
#pragma once

#include <cstdint>
#include <optional>

#include "text/text.h"

// Access methods.
constexpr int32_t kAccessGet = 0;
constexpr int32_t kAccessPost = 1;

// Conversions of the body.
constexpr int32_t kBodyAsReceived = 0;
constexpr int32_t kBodyFromUtf8 = 1;
constexpr int32_t kBodyFromBig5 = 2;

// Makes one request and returns the response body (empty when the exchange
// cannot be made). `url` is trimmed and completed with "http://" in the
// caller's variable; `headers`, when given, holds extra request lines each
// ending in CR LF and receives the whole header block as sent; `rawHeaders`,
// when given, receives the response headers as WinInet reports them. Cookies
// that the response sets go to the system cookie store. The window processes
// its pending messages before every read of the body.
Bytes 网页_访问(Text& url, std::optional<int32_t> accessMethod = std::nullopt, const Text& proxy = Text(),
              Text* headers = nullptr, const Text& postData = Text(), const Text& cookies = Text(),
              int32_t conversion = kBodyAsReceived, Text* rawHeaders = nullptr);

// A plain GET of the URL: the body as text, up to its first zero byte; the
// empty text when the request fails.
Text FetchPageText(const Text& url);
