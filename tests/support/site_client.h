// The tests' own line to the local index site: its control paths (fault
// modes, the request log) over a plain socket, apart from WinInet, so that
// the tests leave the program's cookie store and cache alone.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>
#include <utility>
#include <vector>

struct RecordedRequest {
    std::string method;
    std::string target;
    std::vector<std::pair<std::string, std::string>> headers;  // as received, in order
    std::string body;

    // The value of the first header of that name (any case), or "" with found false.
    std::string Header(const std::string& name, bool* found = nullptr) const
    {
        for (const auto& [key, value] : headers) {
            if (_stricmp(key.c_str(), name.c_str()) == 0) {
                if (found)
                    *found = true;
                return value;
            }
        }
        if (found)
            *found = false;
        return std::string();
    }
    bool HasHeader(const std::string& name) const
    {
        bool found = false;
        Header(name, &found);
        return found;
    }
};

// A GET over HTTP/1.0; returns the whole response body ("" on failure).
inline std::string SiteGet(int port, const std::string& target)
{
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        return std::string();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return std::string();
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        send(s, request.data(), static_cast<int>(request.size()), 0);
        char buffer[8192];
        for (;;) {
            int n = recv(s, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            response.append(buffer, static_cast<size_t>(n));
        }
    }
    closesocket(s);
    size_t bodyStart = response.find("\r\n\r\n");
    return bodyStart == std::string::npos ? std::string() : response.substr(bodyStart + 4);
}

inline void SiteReset(int port) { SiteGet(port, "/__reset"); }
inline void SiteMode(int port, const std::string& modeQuery) { SiteGet(port, "/__mode?name=" + modeQuery); }

// The requests the site has received since the last reset, oldest first.
inline std::vector<RecordedRequest> SiteRequests(int port)
{
    std::string log = SiteGet(port, "/__requests");
    std::vector<RecordedRequest> requests;
    size_t at = 0;
    auto line = [&]() {
        size_t end = log.find("\r\n", at);
        if (end == std::string::npos) {
            at = log.size();
            return std::string();
        }
        std::string text = log.substr(at, end - at);
        at = end + 2;
        return text;
    };
    while (at < log.size()) {
        std::string first = line();
        if (first.rfind("REQUEST ", 0) != 0)
            continue;
        RecordedRequest request;
        size_t space = first.find(' ', 8);
        request.method = first.substr(8, space - 8);
        request.target = space == std::string::npos ? std::string() : first.substr(space + 1);
        for (;;) {
            std::string header = line();
            if (header.rfind("BODY ", 0) == 0) {
                size_t length = std::stoul(header.substr(5));
                request.body = log.substr(at, length);
                at += length + 2;
                break;
            }
            if (at >= log.size())
                break;
            size_t colon = header.find(": ");
            if (colon != std::string::npos)
                request.headers.emplace_back(header.substr(0, colon), header.substr(colon + 2));
        }
        line();  // END
        requests.push_back(std::move(request));
    }
    return requests;
}
