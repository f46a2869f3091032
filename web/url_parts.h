// The pieces of a URL that the page request hands to WinInet. The URL is
// taken as plain text: no parsing, no percent-decoding, no validation.
#pragma once

#include <cstdint>

#include "text/text.h"

// The host in lower case, without scheme, port, path and query. Every
// lower-case "https://" and "http://" is removed wherever it stands, and a
// query that follows the host without a "/" stays part of the host.
Text HostOfUrl(const Text& url);

// Everything from the "/" that follows the host to the end (path and query);
// "/" when there is none.
Text PathOfUrl(const Text& url);

// The port the URL names; 80 for an "http://" URL or one without a scheme
// that names none. Every "https://" URL gives 0, which WinInet takes as the
// default port of its HTTP service.
int32_t PortOfUrl(const Text& url);
