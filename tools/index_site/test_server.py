#!/usr/bin/env python3
"""Tests of the local index site, run as the program would meet it: the
server is started as a subprocess on a free port and spoken to over sockets.

    python3 tools/index_site/test_server.py [-v]

The two patterns are rebuilt here from the client's own pattern tables,
not taken from server.py, so that a slip in the server's template shows.
"""

import http.client
import json
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "server.py")
DEFAULT_ICON = "http://127.0.0.1:18080/images/link.png"

# The client's resultRowPattern, line by line: (tabs, text).  Line 13 is built from
# the icon address.
ROW_LINES = [
    (1, '<div class="r">'),
    (4, '<a href="(.*?)" target="_blank" class="link">'),
    (5, '<h5 class="h">(.*?)</h5>'),
    (4, '</a>'),
    (4, '<div>'),
    (5, '<span style="padding-right: 10px; vertical-align: middle;">收录时间：<span'),
    (6, 'class="prop_val">(.*?)</span></span> <span'),
    (6, 'style="padding-right: 10px; vertical-align: middle;">大小：<span'),
    (6, 'class="prop_val">(.*?)</span></span> <span'),
    (6, 'style="padding-right: 10px; vertical-align: middle;">文件数：<span'),
    (6, 'class="prop_val">(.*?)</span></span> <a'),
    (6, 'href="(.*?)">'),
    None,
    (6, 'style="vertical-align: middle;" alt="磁力链接" /> <span'),
    (6, 'style="vertical-align: middle; margin-left: 2px;">磁力链接</span>'),
    (5, '</a>'),
    (4, '</div>'),
    (3, '</div>'),
]
TIME_LINES = [(2, '<div class="costs">(.*?)'), (3, '秒</div>')]


def vbscript_pattern(lines):
    """The pattern text as the client hands it to VBScript.RegExp."""
    return "\r\n".join("\t" * tabs + text for tabs, text in lines)


def to_python_re(pattern):
    # The patterns use only literal text, "(.*?)" and "."; in both engines
    # "." matches anything but LF, so this translation is exact.
    out, i = [], 0
    while i < len(pattern):
        if pattern.startswith("(.*?)", i):
            out.append("(.*?)")
            i += 5
        elif pattern[i] == ".":
            out.append(".")
            i += 1
        else:
            out.append(re.escape(pattern[i]))
            i += 1
    return re.compile("".join(out), re.IGNORECASE)


def row_re(icon=DEFAULT_ICON):
    lines = list(ROW_LINES)
    lines[12] = (6, '<img src="%s"' % icon)
    pattern = vbscript_pattern(lines)
    assert pattern.count("\r\n") == 17 and "\uff1a" in pattern
    return to_python_re(pattern)


ROW_RE = row_re()
TIME_RE = to_python_re(vbscript_pattern(TIME_LINES))

with open(os.path.join(HERE, "catalogue.json"), encoding="utf-8") as _f:
    CATALOGUE = json.load(_f)


def expected_highlight(name, keyword):
    return re.sub(re.escape(keyword),
                  lambda m: "<span class='highlight'>" + m.group(0) + "</span>",
                  name, flags=re.IGNORECASE)


def matching(keyword):
    return [e for e in CATALOGUE if keyword.lower() in e["name"].lower()]


def rows(body):
    return [m.groups() for m in ROW_RE.finditer(body.decode("utf-8", errors="replace"))]


def start_server(*extra):
    err = tempfile.TemporaryFile()
    proc = subprocess.Popen([sys.executable, SERVER, "--port", "0"] + list(extra),
                            stdout=subprocess.PIPE, stderr=err)
    line = proc.stdout.readline().decode()
    m = re.match(r"listening on http://([\d.]+):(\d+)\r?\n$", line)
    if not m:
        proc.kill()
        raise RuntimeError("server did not start: %r" % line)
    return proc, err, int(m.group(2))


def stop_server(proc, err, sig=signal.SIGTERM):
    proc.send_signal(sig)
    code = proc.wait(10)
    proc.stdout.close()
    err.seek(0)
    errors = err.read()
    err.close()
    return code, errors


class Response:
    def __init__(self, status, header_lines, body, eof):
        self.status = status
        self.header_lines = header_lines  # exactly as sent, without CR LF
        self.body = body
        self.eof = eof  # the server closed the connection

    def header(self, name):
        for line in self.header_lines:
            key, _, value = line.partition(":")
            if key.lower() == name.lower():
                return value.strip()
        return None


class SiteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.log_path = tempfile.mktemp(suffix=".log")
        cls.proc, cls.err, cls.port = start_server("--log", cls.log_path)

    @classmethod
    def tearDownClass(cls):
        code, errors = stop_server(cls.proc, cls.err)
        if os.path.exists(cls.log_path):
            os.remove(cls.log_path)
        if code != 0 or errors:
            raise AssertionError("server ended with %r, stderr %r" % (code, errors[:2000]))

    def setUp(self):
        self.get("/__reset")

    # --- helpers ---

    def get(self, target, method="GET", body=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            conn.request(method, target, body=body, headers=headers or {})
            r = conn.getresponse()
            return r.status, r.getheaders(), r.read()
        finally:
            conn.close()

    def raw(self, request, read_seconds=None):
        """Sends request bytes, reads until the server closes (or for
        read_seconds), and splits off the header block without parsing it."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=10) as s:
            s.sendall(request)
            data, eof, pieces = b"", False, 0
            deadline = time.monotonic() + read_seconds if read_seconds else None
            while True:
                if deadline:
                    left = deadline - time.monotonic()
                    if left <= 0:
                        break
                    s.settimeout(left)
                try:
                    got = s.recv(65536)
                except socket.timeout:
                    break
                if not got:
                    eof = True
                    break
                data += got
                pieces += 1
        head, _, body = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        r = Response(int(lines[0].split()[1]), lines[1:], body, eof)
        r.pieces = pieces
        return r

    def raw_get(self, target, **kw):
        return self.raw(("GET %s HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
                         % target).encode(), **kw)

    def page(self, keyword_escaped, p=None):
        target = "/search?keyword=" + keyword_escaped
        if p is not None:
            target += "&p=%s" % p
        status, headers, body = self.get(target)
        self.assertEqual(status, 200)
        return body

    # --- the result page ---

    def test_blocks_match_the_patterns_with_the_right_groups(self):
        status, headers, body = self.get("/search?keyword=%61%62&p=1")
        self.assertEqual(status, 200)
        self.assertEqual(dict(headers)["Content-Type"], "text/html; charset=utf-8")
        found = rows(body)
        expected = matching("ab")[:10]
        self.assertEqual(len(found), 10)
        for groups, entry in zip(found, expected):
            link, title, date, size, files, magnet = groups
            self.assertEqual(link, "/detail/" + entry["hash"])
            self.assertEqual(title, expected_highlight(entry["name"], "ab"))
            self.assertEqual((date, size, files), (entry["date"], entry["size"], entry["files"]))
            self.assertEqual(magnet, "magnet:?xt=urn:btih:%s&dn=%s"
                             % (entry["hash"], urllib.parse.quote(entry["name"], safe="")))
            self.assertRegex(date, r"^\d{4}-\d\d-\d\d$")
            self.assertRegex(size, r"^\d+(\.\d+)? (GB|MB|KB)$")
            self.assertRegex(files, r"^\d+$")
        text = body.decode("utf-8")
        # byte-exact blocks, each followed by CR LF
        for m in ROW_RE.finditer(text):
            self.assertEqual(text[m.end():m.end() + 2], "\r\n")
            self.assertEqual(text[m.start() - 2:m.start()], "\r\n")
        times = TIME_RE.findall(text)
        self.assertEqual(len(times), 1)
        self.assertRegex(times[0], r"^\d+\.\d+$")
        # the same page twice is the same bytes (tests compare pages)
        self.assertEqual(body, self.page("%61%62", 1))

    def test_detail_link_works(self):
        link = rows(self.page("%61%62", 1))[0][0]
        status, _, body = self.get(link)
        self.assertEqual(status, 200)
        self.assertEqual(self.get("/detail/" + "0" * 40)[0], 404)

    def test_every_occurrence_is_highlighted_in_its_own_case(self):
        doubles = [e for e in matching("ab") if e["name"].lower().count("ab") >= 2]
        self.assertGreaterEqual(len(doubles), 3)
        titles = {}
        for p in range(1, 11):
            for groups in rows(self.page("%61%62", p)):
                titles[groups[0]] = groups[1]
        for entry in doubles:
            title = titles["/detail/" + entry["hash"]]
            self.assertEqual(title.count("<span class='highlight'>"), entry["name"].lower().count("ab"))
            self.assertEqual(title, expected_highlight(entry["name"], "ab"))
        self.assertIn("<span class='highlight'>AB</span>", "".join(titles.values()))
        self.assertIn("<span class='highlight'>Ab</span>", "".join(titles.values()))
        abra = [t for t in titles.values() if t.startswith("<span class='highlight'>Ab</span>racad")]
        self.assertEqual(abra, ["<span class='highlight'>Ab</span>racad<span class='highlight'>ab</span>ra"])
        # a Chinese keyword that occurs twice in a title
        keyword = "流浪地球"
        titles = [g[1] for g in rows(self.page(urllib.parse.quote(keyword)))]
        self.assertIn("<span class='highlight'>流浪地球</span> <span class='highlight'>流浪地球</span>2 双部合集",
                      titles)

    def test_paging(self):
        expected = matching("ab")
        self.assertGreater(len(expected), 30)
        pages = -(-len(expected) // 10)
        seen = []
        for p in range(1, pages + 1):
            found = rows(self.page("%61%62", p))
            self.assertEqual(len(found), 10 if p < pages else len(expected) - 10 * (pages - 1))
            seen += [g[0] for g in found]
        self.assertEqual(seen, ["/detail/" + e["hash"] for e in expected])
        past = self.page("%61%62", pages + 1).decode("utf-8")
        self.assertEqual(ROW_RE.findall(past), [])
        self.assertEqual(len(TIME_RE.findall(past)), 1)
        self.assertTrue(past.rstrip().endswith("</html>"))
        first = self.page("%61%62", 1)
        self.assertEqual(rows(self.page("%61%62")), rows(first))
        for bad in ("abc", "0", "-3", ""):
            self.assertEqual(rows(self.page("%61%62", bad)), rows(first), bad)
        nothing = self.page("%71%78%7A%7A%79")  # qxzzy
        self.assertEqual(rows(nothing), [])
        self.assertEqual(len(TIME_RE.findall(nothing.decode())), 1)

    def test_percent_decoding_of_the_keyword(self):
        plain = rows(self.page("ab", 2))
        self.assertEqual(len(plain), 10)
        for escaped in ("%61%62", "%41%42", "AB", "%41b", "%61%42"):
            self.assertEqual([g[0] for g in rows(self.page(escaped, 2))], [g[0] for g in plain], escaped)
        # case of the highlight follows the name, not the keyword
        self.assertEqual([g[1] for g in rows(self.page("%41%42", 2))], [g[1] for g in plain])
        # UTF-8, every byte escaped, as the client sends it
        keyword = "功夫"
        escaped = "".join("%%%02X" % b for b in keyword.encode("utf-8"))
        found = rows(self.page(escaped))
        self.assertEqual([g[0] for g in found], ["/detail/" + e["hash"] for e in matching(keyword)][:10])
        self.assertTrue(found)
        # a blank and a literal percent sign
        found = rows(self.page("100%25%20Orange"))
        self.assertEqual([g[1] for g in found], ["<span class='highlight'>100% Orange</span>"])
        self.assertEqual(len(rows(self.page("Kebab%20Lab"))), 1)

    def test_icon_url_option(self):
        proc, err, port = start_server("--icon-url", "http://static.example.com/img/x/images/link.png")
        try:
            conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
            conn.request("GET", "/search?keyword=%61%62&p=1")
            body = conn.getresponse().read()
            conn.close()
        finally:
            code, errors = stop_server(proc, err, signal.SIGINT)
        text = body.decode("utf-8")
        self.assertEqual(len(row_re("http://static.example.com/img/x/images/link.png").findall(text)), 10)
        self.assertEqual(ROW_RE.findall(text), [])
        self.assertEqual((code, errors), (0, b""))

    # --- headers, cookies, small paths ---

    def test_set_cookie_on_every_response(self):
        for target in ("/search?keyword=%61%62&p=1", "/images/link.png", "/echo", "/__requests",
                       "/__mode?name=normal", "/bytes?size=3", "/no/such/path", "/fault/error",
                       "/cookie"):
            r = self.raw_get(target)
            cookies = [l for l in r.header_lines if l.startswith("Set-Cookie: ")]
            self.assertEqual(len(cookies), 1, target)
            self.assertRegex(cookies[0], r"^Set-Cookie: vesk_visit=\d+; path=/$")

    def test_cookie_path_sends_each_value_as_given(self):
        r = self.raw_get("/cookie?set=justdata&set=a%3Db%3B%20path%3D%2F&set=%20spaced%20=%20x")
        self.assertEqual(r.status, 200)
        cookies = [l for l in r.header_lines if l.startswith("Set-Cookie: ")]
        self.assertEqual(cookies[:3], ["Set-Cookie: justdata", "Set-Cookie: a=b; path=/",
                                       "Set-Cookie:  spaced = x"])
        self.assertRegex(cookies[3], r"^Set-Cookie: vesk_visit=\d+; path=/$")
        self.assertEqual(len(cookies), 4)
        self.assertEqual(self.raw_get("/cookie?set=a%0D%0AX-Evil:%201").status, 400)

    def test_bytes(self):
        status, _, body = self.get("/bytes?size=1000")
        self.assertEqual(status, 200)
        self.assertEqual(body, bytes((i * 7 + 3) % 251 for i in range(1000)))
        self.assertIn(0, body)
        self.assertEqual(self.get("/bytes?size=0")[2], b"")
        self.assertEqual(len(self.get("/bytes?size=300000")[2]), 300000)
        self.assertEqual(self.get("/bytes?size=-1")[0], 400)
        self.assertEqual(self.get("/bytes")[0], 400)

    def test_echo(self):
        self.assertEqual(self.get("/echo")[2], b"ECHO GET 0\r\n")
        status, _, body = self.get("/echo", "POST", b"x=1&y=2")
        self.assertEqual((status, body), (200, b"ECHO POST 7\r\n"))

    def test_png(self):
        status, headers, png = self.get("/images/link.png")
        self.assertEqual((status, dict(headers)["Content-Type"]), (200, "image/png"))
        self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
        at, chunks = 8, []
        while at < len(png):
            length, = struct.unpack(">I", png[at:at + 4])
            kind, data = png[at + 4:at + 8], png[at + 8:at + 8 + length]
            crc, = struct.unpack(">I", png[at + 8 + length:at + 12 + length])
            self.assertEqual(crc, zlib.crc32(kind + data) & 0xFFFFFFFF)
            chunks.append((kind, data))
            at += 12 + length
        self.assertEqual([c[0] for c in chunks], [b"IHDR", b"IDAT", b"IEND"])
        w, h, depth, colour = struct.unpack(">IIBB", chunks[0][1][:10])
        self.assertEqual(len(zlib.decompress(chunks[1][1])), h * (1 + 4 * w))
        self.assertEqual((depth, colour), (8, 6))

    # --- request log ---

    def parse_log(self, data):
        records = []
        while data:
            line, _, data = data.partition(b"\r\n")
            self.assertTrue(line.startswith(b"REQUEST "), line)
            method, target = line[8:].split(b" ", 1)
            headers = []
            while True:
                line, _, data = data.partition(b"\r\n")
                if line.startswith(b"BODY "):
                    break
                headers.append(line)
            size = int(line[5:])
            body, data = data[:size], data[size:]
            self.assertEqual(data[:7], b"\r\nEND\r\n")
            data = data[7:]
            records.append((method, target, headers, body))
        return records

    def test_log_keeps_headers_and_body_exactly(self):
        body = b"a=1&b=\x00\r\nEND\r\nz\xff"
        header_lines = [
            b"Host: 127.0.0.1",
            b"x-odd-CASE:  two  spaces ",
            b"Accept: image/gif, */*",
            b"Referer: http://127.0.0.1/echo?x=%41",
            b"Accept-Language: zh-cn",
            b"Content-Type: application/x-www-form-urlencoded",
            b"Content-Length: %d" % len(body),
            b"Cookie: vesk_visit=7",
        ]
        request = (b"POST /echo?x=%41 HTTP/1.1\r\n" + b"".join(l + b"\r\n" for l in header_lines)
                   + b"Connection: close\r\n\r\n" + body)
        r = self.raw(request)
        self.assertEqual(r.body, b"ECHO POST %d\r\n" % len(body))
        # WinInet-like GET on a kept-alive connection: two requests, one socket
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.putrequest("GET", "/search?keyword=%61%62&p=2", skip_host=True, skip_accept_encoding=True)
        conn.putheader("Accept", "*/*")
        conn.putheader("Host", "127.0.0.1:%d" % self.port)
        conn.endheaders()
        conn.getresponse().read()
        conn.request("GET", "/images/link.png")
        conn.getresponse().read()
        conn.close()
        self.get("/__mode?name=normal")  # control paths are not logged
        status, headers, log = self.get("/__requests")
        self.assertEqual(status, 200)
        records = self.parse_log(log)
        self.assertEqual(len(records), 3)
        self.assertEqual(records[0], (b"POST", b"/echo?x=%41", header_lines + [b"Connection: close"], body))
        self.assertEqual(records[1], (b"GET", b"/search?keyword=%61%62&p=2",
                                      [b"Accept: */*", b"Host: 127.0.0.1:%d" % self.port], b""))
        self.assertEqual(records[2][:2], (b"GET", b"/images/link.png"))
        lines = self.get("/__requestlines")[2]
        self.assertEqual(lines.split(b"\r\n")[:2], [b"POST /echo?x=%41 HTTP/1.1",
                                                    b"GET /search?keyword=%61%62&p=2 HTTP/1.1"])
        # the --log file holds the same records (it is never reset)
        with open(self.log_path, "rb") as f:
            self.assertTrue(f.read().endswith(log))
        self.get("/__reset")
        self.assertEqual(self.get("/__requests")[2], b"")

    # --- fault modes ---

    def normal_page(self):
        return self.page("%61%62", 1)

    def test_error(self):
        r = self.raw_get("/fault/error")
        self.assertEqual(r.status, 500)
        self.assertEqual(rows(r.body), [])
        self.assertIn(b"<html>", r.body)
        self.assertEqual(self.raw_get("/fault/error?status=404").status, 404)

    def test_slow(self):
        normal = self.normal_page()
        start = time.monotonic()
        r = self.raw_get("/fault/slow?delay_ms=10&piece=200")
        took = time.monotonic() - start
        self.assertEqual(r.body, normal)
        self.assertTrue(r.eof)
        pieces = -(-len(normal) // 200)
        self.assertGreater(took, (pieces - 1) * 0.010 * 0.8)
        self.assertGreater(r.pieces, pieces // 2)

    def test_cut(self):
        normal = self.normal_page()
        r = self.raw_get("/fault/cut")
        self.assertTrue(r.eof)
        self.assertEqual(int(r.header("Content-Length")), len(normal))
        self.assertEqual(r.body, normal[:len(normal) // 2])
        self.assertLess(len(r.body), int(r.header("Content-Length")))

    def test_nul(self):
        normal = self.normal_page()
        status, _, body = self.get("/fault/nul")
        self.assertEqual(body.count(b"\0"), 1)
        self.assertEqual(body.replace(b"\0", b""), normal)
        before = body[:body.index(b"\0")]
        self.assertEqual(len(rows(before)), 3)
        self.assertTrue(before.endswith(b"</div>\r\n"))
        self.assertEqual(len(rows(body)), 10)

    def test_big(self):
        status, _, body = self.get("/fault/big")
        self.assertEqual(status, 200)
        self.assertTrue(9_500_000 < len(body) < 11_500_000, len(body))
        found = rows(body)
        self.assertEqual(len(found), body.count(b'<div class="r">'))
        self.assertTrue(all("<span class='highlight'>" in g[1].lower() for g in found))
        self.assertEqual(len(TIME_RE.findall(body.decode("utf-8"))), 1)

    def test_many(self):
        status, _, body = self.get("/fault/many")
        found = rows(body)
        self.assertEqual(len(found), 1000)
        self.assertEqual(len({g[0] for g in found}), 1000)
        self.assertEqual(len({g[5] for g in found}), 1000)
        self.assertEqual(len(rows(self.get("/fault/many?n=25")[2])), 25)
        self.assertEqual(len(rows(self.get("/fault/many?n=150&keyword=%E5%8A%9F%E5%A4%AB")[2])), 150)

    def test_endless(self):
        r = self.raw_get("/fault/endless", read_seconds=0.45)
        self.assertFalse(r.eof)
        self.assertEqual(r.status, 200)
        self.assertIsNone(r.header("Content-Length"))
        # Blocks keep coming and the body never ends; how many arrive in the
        # time depends on the machine's load, so only "more than one" is sure.
        self.assertGreaterEqual(len(rows(r.body)), 2, len(rows(r.body)))
        r = self.raw_get("/fault/endless?delay_ms=1", read_seconds=0.3)
        self.assertFalse(r.eof)
        self.assertGreater(len(rows(r.body)), 2)
        # the server shrugs off the client that went away
        time.sleep(0.15)
        self.assertEqual(self.get("/echo")[0], 200)

    def test_drop(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=10) as s:
            s.sendall(b"GET /fault/drop HTTP/1.1\r\nHost: x\r\n\r\n")
            self.assertEqual(s.recv(65536), b"", "no byte of a response, then the close")

    def test_other(self):
        r = self.raw_get("/fault/other")
        self.assertEqual(r.status, 200)
        text = r.body.decode("utf-8")
        self.assertEqual(ROW_RE.findall(text), [])
        self.assertEqual(TIME_RE.findall(text), [])
        self.assertIn(matching("ab")[0]["hash"], text)
        self.assertIn('<div class="result">', text)

    def test_chunks(self):
        normal = self.normal_page()
        for size in (100, 37):
            target = "/fault/chunks" if size == 100 else "/fault/chunks?size=37"
            r = self.raw_get(target)
            self.assertEqual(r.header("Transfer-Encoding"), "chunked")
            self.assertIsNone(r.header("Content-Length"))
            data, whole, count = r.body, b"", 0
            while True:
                line, _, data = data.partition(b"\r\n")
                length = int(line, 16)
                if length == 0:
                    self.assertEqual(data, b"\r\n")
                    break
                self.assertLessEqual(length, size)
                whole += data[:length]
                self.assertEqual(data[length:length + 2], b"\r\n")
                data = data[length + 2:]
                count += 1
            self.assertEqual(whole, normal)
            self.assertEqual(count, -(-len(normal) // size))

    def test_mode_switch_applies_to_search_until_reset(self):
        normal = self.normal_page()
        self.assertEqual(self.get("/__mode?name=nul")[0], 200)
        for _ in range(2):
            self.assertIn(b"\0", self.page("%61%62", 1))
        self.assertEqual(self.get("/echo")[2], b"ECHO GET 0\r\n")  # only /search changes
        self.get("/__mode?name=slow&delay_ms=1&piece=500")
        self.assertEqual(self.raw_get("/search?keyword=%61%62&p=1").body, normal)
        self.get("/__mode?name=many&n=40")
        self.assertEqual(len(rows(self.page("%61%62", 1))), 40)
        self.get("/__mode?name=error")
        self.assertEqual(self.get("/search?keyword=%61%62&p=1")[0], 500)
        self.assertEqual(self.get("/__mode?name=bogus")[0], 400)
        self.assertEqual(self.get("/search?keyword=%61%62&p=1")[0], 500)
        self.get("/__reset")
        self.assertEqual(self.page("%61%62", 1), normal)
        self.get("/__mode?name=cut")
        r = self.raw_get("/search?keyword=%61%62&p=1")
        self.assertLess(len(r.body), int(r.header("Content-Length")))
        self.get("/__mode?name=normal")
        self.assertEqual(self.page("%61%62", 1), normal)
        self.assertEqual(self.get("/fault/nonsense")[0], 404)


if __name__ == "__main__":
    unittest.main()
