#!/usr/bin/env python3
"""Local stand-in for the torrent index site that Vesk种子搜索器 searches.

    python3 tools/index_site/server.py [--host 127.0.0.1] [--port 18080]
        [--icon-url URL] [--log FILE] [--verbose]

Prints "listening on http://HOST:PORT" once it accepts connections.
README.md beside this file describes the paths, fault modes and log format.
"""

import argparse
import hashlib
import html
import http.server
import itertools
import json
import os
import signal
import struct
import sys
import threading
import time
import urllib.parse
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CATALOGUE_PATH = os.path.join(HERE, "catalogue.json")
DEFAULT_ICON_URL = "http://127.0.0.1:18080/images/link.png"
PAGE_SIZE = 10
# /fault/<mode> is called by page-request tests without a keyword; "ab" has
# enough results for every mode (nul needs at least three blocks).
FAULT_DEFAULT_KEYWORD = "ab"
MODES = ("normal", "error", "slow", "cut", "nul", "big", "endless", "other", "many", "chunks", "drop")
CONTROL_PATHS = ("/__requests", "/__requestlines", "/__reset", "/__mode")

# The result block the client's pattern expects: (leading tabs, text).  The client
# matches it byte for byte outside the six fields, so this table must not be
# "tidied".
RESULT_BLOCK_LINES = [
    (1, '<div class="r">'),
    (4, '<a href="{link}" target="_blank" class="link">'),
    (5, '<h5 class="h">{title}</h5>'),
    (4, '</a>'),
    (4, '<div>'),
    (5, '<span style="padding-right: 10px; vertical-align: middle;">收录时间\uff1a<span'),
    (6, 'class="prop_val">{date}</span></span> <span'),
    (6, 'style="padding-right: 10px; vertical-align: middle;">大小\uff1a<span'),
    (6, 'class="prop_val">{size}</span></span> <span'),
    (6, 'style="padding-right: 10px; vertical-align: middle;">文件数\uff1a<span'),
    (6, 'class="prop_val">{files}</span></span> <a'),
    (6, 'href="{magnet}">'),
    (6, '<img src="{icon}"'),
    (6, 'style="vertical-align: middle;" alt="磁力链接" /> <span'),
    (6, 'style="vertical-align: middle; margin-left: 2px;">磁力链接</span>'),
    (5, '</a>'),
    (4, '</div>'),
    (3, '</div>'),
]
RESULT_BLOCK_TEMPLATE = "\r\n".join("\t" * tabs + text for tabs, text in RESULT_BLOCK_LINES)

HIGHLIGHT_OPEN = "<span class='highlight'>"
HIGHLIGHT_CLOSE = "</span>"

# Only A-Z fold: Python's casefold would change lengths ("ß" -> "ss") and so
# the positions where the highlight tags go, and the client's own
# case-insensitive matching is ASCII-only in code page 936 anyway.
_ASCII_LOWER = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")


def ascii_lower(text):
    return text.translate(_ASCII_LOWER)


def highlight(name, keyword):
    """Wraps every non-overlapping occurrence of keyword, left to right."""
    if not keyword:
        return name
    folded_name, folded_key = ascii_lower(name), ascii_lower(keyword)
    out, start = [], 0
    while True:
        at = folded_name.find(folded_key, start)
        if at < 0:
            break
        end = at + len(keyword)
        out += [name[start:at], HIGHLIGHT_OPEN, name[at:end], HIGHLIGHT_CLOSE]
        start = end
    out.append(name[start:])
    return "".join(out)


def render_block(entry, keyword, icon_url):
    return RESULT_BLOCK_TEMPLATE.format(
        link="/detail/" + entry["hash"],
        title=highlight(entry["name"], keyword),
        date=entry["date"],
        size=entry["size"],
        files=entry["files"],
        magnet=entry["magnet"],
        icon=icon_url,
    )


def render_other_block(entry, keyword):
    # Same data as render_block in a different layout, so that a client
    # tuned to the real layout finds nothing in it.
    return (
        '<div class="result">\r\n'
        '  <h3><a href="/detail/%s">%s</a></h3>\r\n'
        '  <p class="meta">收录时间: %s | 大小: %s | 文件数: %s</p>\r\n'
        '  <p><a class="magnet" href="%s">磁力链接</a></p>\r\n'
        '</div>'
        % (entry["hash"], highlight(entry["name"], keyword), entry["date"],
           entry["size"], entry["files"], entry["magnet"])
    )


def costs_element(seconds):
    return '\t\t<div class="costs">%s\r\n\t\t\t秒</div>' % seconds


def made_up_costs(keyword, page):
    # Made up rather than measured so that two requests for the same page
    # give identical bytes (tests compare whole pages).
    value = zlib.crc32(("%s\0%d" % (keyword, page)).encode("utf-8")) % 9000 + 100
    return "0.%04d" % value


def magnet_link(info_hash, name):
    return "magnet:?xt=urn:btih:%s&dn=%s" % (info_hash, urllib.parse.quote(name, safe=""))


def make_png(size=16):
    """A small magnet-red icon on a transparent ground, built in code."""
    rows = []
    for y in range(size):
        row = bytearray([0])  # filter type None
        for x in range(size):
            # a U shape: two legs and a bottom bow
            inside = (2 <= x <= 5 or 10 <= x <= 13) and 2 <= y <= 13
            inside = inside or (2 <= x <= 13 and 10 <= y <= 13)
            tip = y <= 4 and inside
            if tip:
                row += bytes((200, 200, 200, 255))
            elif inside:
                row += bytes((210, 30, 40, 255))
            else:
                row += bytes((0, 0, 0, 0))
        rows.append(bytes(row))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def pattern_bytes(size):
    """The body of /bytes: byte i is (i*7+3) % 251 (so zeros do occur)."""
    return bytes((i * 7 + 3) % 251 for i in range(size))


def parse_query(query):
    """[(name, value bytes)] in order.  Unlike parse_qs, "+" stays "+": the
    client escapes every byte, and a blank arrives as %20."""
    pairs = []
    for part in query.split("&"):
        if not part:
            continue
        name, _, value = part.partition("=")
        pairs.append((urllib.parse.unquote(name), urllib.parse.unquote_to_bytes(value)))
    return pairs


def query_text(pairs, name, default=None):
    for key, value in pairs:
        if key == name:
            return value.decode("utf-8", errors="replace")
    return default


def query_int(pairs, name, default, lowest=None):
    try:
        value = int(query_text(pairs, name, ""))
    except ValueError:
        return default
    if lowest is not None and value < lowest:
        return default
    return value


class Site:
    """Everything the handlers share: catalogue, mode, request log."""

    def __init__(self, catalogue, icon_url, log_path=None, verbose=False):
        self.catalogue = catalogue
        self.icon_url = icon_url
        self.verbose = verbose
        self.png = make_png()
        self.by_hash = {e["hash"]: e for e in catalogue}
        self.stopping = threading.Event()
        self._lock = threading.Lock()
        self._visits = 0
        self._mode = ("normal", [])
        self._records = []
        self._log_file = open(log_path, "ab") if log_path else None

    def next_visit(self):
        with self._lock:
            self._visits += 1
            return self._visits

    def set_mode(self, name, params):
        with self._lock:
            self._mode = (name, params)

    def mode(self):
        with self._lock:
            return self._mode

    def record(self, record):
        with self._lock:
            self._records.append(record)
            if self._log_file:
                self._log_file.write(record.serialize())
                self._log_file.flush()

    def records(self):
        with self._lock:
            return list(self._records)

    def reset(self):
        with self._lock:
            self._records = []
            self._mode = ("normal", [])

    def close(self):
        if self._log_file:
            self._log_file.close()

    # --- searching ---

    def search(self, keyword):
        # An empty keyword finds nothing; the client never sends one.
        if not keyword:
            return []
        key = ascii_lower(keyword)
        return [e for e in self.catalogue if key in ascii_lower(e["name"])]

    def endless_results(self, keyword):
        """The results for keyword, then numbered copies of them for ever
        (or of the whole catalogue if nothing matches), for the modes that
        need more blocks than the catalogue has."""
        base = self.search(keyword) or self.catalogue
        for entry in base:
            yield entry
        for round_no in itertools.count(2):
            for entry in base:
                name = "%s [%d]" % (entry["name"], round_no)
                info_hash = hashlib.sha1(("%s %d" % (entry["hash"], round_no)).encode()).hexdigest()
                yield dict(entry, name=name, hash=info_hash, magnet=magnet_link(info_hash, name))

    def page_parts(self, keyword, page, entries=None):
        """(head, [block], tail) of a result page, as text."""
        found = self.search(keyword)
        total = len(found)
        pages = max(1, -(-total // PAGE_SIZE))
        if entries is None:
            entries = found[(page - 1) * PAGE_SIZE:page * PAGE_SIZE]
        shown_key = html.escape(keyword)
        head = (
            '<!DOCTYPE html>\r\n'
            '<html lang="zh-CN">\r\n'
            '<head>\r\n'
            '<meta charset="utf-8">\r\n'
            '<title>%s - 种子搜索 - 本地索引站</title>\r\n'
            '<link rel="icon" href="/images/link.png">\r\n'
            '</head>\r\n'
            '<body>\r\n'
            '\t<div class="header">\r\n'
            '\t\t<a class="logo" href="/">本地索引站</a>\r\n'
            '\t\t<form action="/search" method="get"><input name="keyword" value="%s"> '
            '<input type="submit" value="搜索"></form>\r\n'
            '\t</div>\r\n'
            '\t<div class="summary">\r\n'
            '\t\t<span>找到约 %d 条结果，第 %d 页</span>\r\n'
            '%s\r\n'
            '\t</div>\r\n'
            '\t<div class="results">\r\n'
            % (shown_key, shown_key, total, page, costs_element(made_up_costs(keyword, page)))
        )
        blocks = [render_block(e, keyword, self.icon_url) for e in entries]
        if not blocks:
            head += '\t\t<p class="empty">没有更多结果</p>\r\n'
        quoted = urllib.parse.quote(keyword, safe="")
        links = []
        if page > 1:
            links.append('<a href="/search?keyword=%s&p=%d">上一页</a>' % (quoted, page - 1))
        for n in range(1, pages + 1):
            if n == page:
                links.append('<b>%d</b>' % n)
            else:
                links.append('<a href="/search?keyword=%s&p=%d">%d</a>' % (quoted, n, n))
        if page < pages:
            links.append('<a href="/search?keyword=%s&p=%d">下一页</a>' % (quoted, page + 1))
        tail = (
            '\t</div>\r\n'
            '\t<div class="pager">%s</div>\r\n'
            '\t<div class="footer">本地测试索引站 · 仅供测试</div>\r\n'
            '</body>\r\n'
            '</html>\r\n'
            % " ".join(links)
        )
        return head, blocks, tail

    def page_bytes(self, keyword, page, entries=None):
        head, blocks, tail = self.page_parts(keyword, page, entries)
        return (head + "".join(b + "\r\n" for b in blocks) + tail).encode("utf-8")


class RequestRecord:
    def __init__(self, request_line, header_lines, body):
        self.request_line = request_line
        words = request_line.split(b" ")
        self.method = words[0]
        self.target = words[1] if len(words) > 1 else b""
        self.header_lines = header_lines
        self.body = body

    def serialize(self):
        out = [b"REQUEST " + self.method + b" " + self.target + b"\r\n"]
        out += [line + b"\r\n" for line in self.header_lines]
        out.append(b"BODY %d\r\n" % len(self.body))
        out += [self.body, b"\r\nEND\r\n"]
        return b"".join(out)


class _RecordingReader:
    """Wraps rfile while the header block is parsed, to keep the lines as
    they came (http.client folds names and values into a Message)."""

    def __init__(self, inner):
        self.inner = inner
        self.lines = []

    def readline(self, *args):
        line = self.inner.readline(*args)
        self.lines.append(line)
        return line


def strip_eol(line):
    if line.endswith(b"\r\n"):
        return line[:-2]
    if line.endswith(b"\n"):
        return line[:-1]
    return line


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Headers and body go out in separate writes; with Nagle's algorithm the
    # last small piece of a body would wait for the client's delayed
    # acknowledgement (some 40 ms) on a kept-alive connection.
    disable_nagle_algorithm = True
    server_version = "VeskIndexSite/1.0"

    def version_string(self):
        return self.server_version

    @property
    def site(self):
        return self.server.site

    # --- plumbing ---

    def parse_request(self):
        reader = _RecordingReader(self.rfile)
        self.rfile = reader
        try:
            return super().parse_request()
        finally:
            self.rfile = reader.inner
            lines = [strip_eol(l) for l in reader.lines]
            while lines and lines[-1] == b"":
                lines.pop()
            self.raw_header_lines = lines

    def end_headers(self):
        # Every response, error pages of the base class included.
        self.send_header("Set-Cookie", "vesk_visit=%d; path=/" % self.site.next_visit())
        super().end_headers()

    def log_message(self, format, *args):
        if self.site.verbose:
            super().log_message(format, *args)

    def read_body(self):
        try:
            length = int(self.headers.get("Content-Length", "0"))
        except ValueError:
            length = 0
        return self.rfile.read(length) if length > 0 else b""

    def send_whole(self, status, content_type, body, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def send_text(self, status, text):
        self.send_whole(status, "text/plain; charset=utf-8", text.encode("utf-8"))

    def start_closing_response(self, status, content_length=None):
        """Headers of a response that ends when the connection is closed."""
        self.close_connection = True
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        if content_length is not None:
            self.send_header("Content-Length", str(content_length))
        self.send_header("Connection", "close")
        self.end_headers()

    def do_GET(self):
        self.dispatch()

    def do_POST(self):
        self.dispatch()

    def dispatch(self):
        # A GET may carry a body too; it is read so that it is logged and
        # does not spoil the next request on a kept-alive connection.
        body = self.read_body()
        split = urllib.parse.urlsplit(self.path)
        path, pairs = split.path, parse_query(split.query)
        if path not in CONTROL_PATHS:
            self.site.record(RequestRecord(strip_eol(self.raw_requestline),
                                           self.raw_header_lines, body))
        try:
            self.route(path, pairs, body)
        except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
            # The client went away mid-response (normal for endless); the
            # connection is done, the server goes on.
            self.close_connection = True

    def route(self, path, pairs, body):
        if path == "/search":
            name, params = self.site.mode()
            self.send_search(name, params + pairs, pairs)
        elif path.startswith("/fault/"):
            name = path[len("/fault/"):]
            if name not in MODES:
                self.send_text(404, "unknown fault mode %s\r\n" % name)
            else:
                self.send_search(name, pairs, pairs, FAULT_DEFAULT_KEYWORD)
        elif path == "/__mode":
            name = query_text(pairs, "name", "")
            if name not in MODES:
                self.send_text(400, "unknown mode %r; modes: %s\r\n" % (name, " ".join(MODES)))
            else:
                self.site.set_mode(name, [p for p in pairs if p[0] != "name"])
                self.send_text(200, "mode %s\r\n" % name)
        elif path == "/__reset":
            self.site.reset()
            self.send_text(200, "reset\r\n")
        elif path == "/__requests":
            log = b"".join(r.serialize() for r in self.site.records())
            self.send_whole(200, "text/plain", log)
        elif path == "/__requestlines":
            lines = b"".join(r.request_line + b"\r\n" for r in self.site.records())
            self.send_whole(200, "text/plain", lines)
        elif path == "/images/link.png":
            self.send_whole(200, "image/png", self.site.png)
        elif path == "/echo":
            self.send_text(200, "ECHO %s %d\r\n" % (self.command, len(body)))
        elif path == "/cookie":
            self.send_cookies(pairs)
        elif path == "/bytes":
            size = query_int(pairs, "size", -1, lowest=0)
            if not 0 <= size <= 256 * 1024 * 1024:
                self.send_text(400, "size must be 0 to 268435456\r\n")
            else:
                self.send_whole(200, "application/octet-stream", pattern_bytes(size))
        elif path.startswith("/detail/"):
            self.send_detail(path[len("/detail/"):])
        elif path in ("/", "/index.html"):
            self.send_whole(200, "text/html; charset=utf-8", self.site.page_bytes("", 1))
        else:
            self.send_whole(404, "text/html; charset=utf-8",
                            "<html><body><h1>404 找不到页面</h1></body></html>\r\n".encode("utf-8"))

    def send_cookies(self, pairs):
        values = [v for k, v in pairs if k == "set"]
        if any(b"\r" in v or b"\n" in v for v in values):
            self.send_text(400, "a Set-Cookie value cannot hold CR or LF\r\n")
            return
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        text = ("cookies %d\r\n" % len(values)).encode()
        self.send_header("Content-Length", str(len(text)))
        for value in values:
            # latin-1 passes the bytes through exactly as given
            self.send_header("Set-Cookie", value.decode("latin-1"))
        self.end_headers()
        self.wfile.write(text)

    def send_detail(self, info_hash):
        entry = self.site.by_hash.get(info_hash)
        if entry is None:
            self.send_whole(404, "text/html; charset=utf-8",
                            "<html><body><h1>404 没有这个种子</h1></body></html>\r\n".encode("utf-8"))
            return
        page = (
            '<!DOCTYPE html>\r\n<html><head><meta charset="utf-8"><title>%s</title></head>\r\n'
            '<body><h1>%s</h1><p>收录时间：%s</p><p>大小：%s</p><p>文件数：%s</p>'
            '<p><a href="%s">磁力链接</a></p></body></html>\r\n'
            % (entry["name"], entry["name"], entry["date"], entry["size"],
               entry["files"], entry["magnet"]))
        self.send_whole(200, "text/html; charset=utf-8", page.encode("utf-8"))

    # --- the search page and its fault modes ---

    def send_search(self, mode, params, pairs, default_keyword=""):
        keyword = query_text(pairs, "keyword", default_keyword)
        page = query_int(pairs, "p", 1, lowest=1)
        site = self.site
        html_type = "text/html; charset=utf-8"

        if mode == "normal":
            self.send_whole(200, html_type, site.page_bytes(keyword, page))
        elif mode == "error":
            status = query_int(params, "status", 500, lowest=100)
            body = ("<html><head><title>%d</title></head><body><h1>服务器错误 %d</h1>"
                    "<p>请稍后再试。</p></body></html>\r\n" % (status, status)).encode("utf-8")
            self.send_whole(status, html_type, body)
        elif mode == "slow":
            body = site.page_bytes(keyword, page)
            piece = query_int(params, "piece", 200, lowest=1)
            delay = query_int(params, "delay_ms", 50, lowest=0) / 1000.0
            self.start_closing_response(200, len(body))
            for at in range(0, len(body), piece):
                if at and site.stopping.wait(delay):
                    return
                self.wfile.write(body[at:at + piece])
        elif mode == "drop":
            # As a server that went away: the connection closes before any
            # byte of a response.
            self.close_connection = True
            return
        elif mode == "cut":
            body = site.page_bytes(keyword, page)
            self.start_closing_response(200, len(body))
            self.wfile.write(body[:len(body) // 2])
        elif mode == "nul":
            head, blocks, tail = site.page_parts(keyword, page)
            blocks = [b + "\r\n" for b in blocks]
            at = min(3, len(blocks))
            body = ((head + "".join(blocks[:at])).encode("utf-8") + b"\0"
                    + ("".join(blocks[at:]) + tail).encode("utf-8"))
            self.send_whole(200, html_type, body)
        elif mode == "big":
            # about 10 MB unless &mb= says otherwise
            target = query_int(params, "mb", 10, lowest=1) * 1024 * 1024
            entries, length = [], 0
            for entry in site.endless_results(keyword):
                entries.append(entry)
                length += len(render_block(entry, keyword, site.icon_url).encode("utf-8")) + 2
                if length >= target:
                    break
            self.send_whole(200, html_type, site.page_bytes(keyword, page, entries))
        elif mode == "many":
            count = query_int(params, "n", 1000, lowest=0)
            entries = list(itertools.islice(site.endless_results(keyword), count))
            self.send_whole(200, html_type, site.page_bytes(keyword, page, entries))
        elif mode == "endless":
            delay = query_int(params, "delay_ms", 100, lowest=0) / 1000.0
            head, _, _ = site.page_parts(keyword, page, [])
            self.start_closing_response(200)
            self.wfile.write(head.encode("utf-8"))
            for entry in site.endless_results(keyword):
                self.wfile.write((render_block(entry, keyword, site.icon_url) + "\r\n").encode("utf-8"))
                if site.stopping.wait(delay):
                    return
        elif mode == "other":
            found = site.search(keyword)[(page - 1) * PAGE_SIZE:page * PAGE_SIZE]
            body = (
                '<!DOCTYPE html>\r\n<html><head><meta charset="utf-8"><title>%s</title></head>\r\n'
                '<body>\r\n<div class="list">\r\n%s\r\n</div>\r\n<p class="took">用时 0.01 秒</p>\r\n'
                '</body></html>\r\n'
                % (html.escape(keyword), "\r\n".join(render_other_block(e, keyword) for e in found))
            ).encode("utf-8")
            self.send_whole(200, html_type, body)
        elif mode == "chunks":
            body = site.page_bytes(keyword, page)
            size = query_int(params, "size", 100, lowest=1)
            self.send_response(200)
            self.send_header("Content-Type", html_type)
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for at in range(0, len(body), size):
                piece = body[at:at + size]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, site):
        self.site = site
        super().__init__(address, Handler)

    def handle_error(self, request, client_address):
        # A client that drops the connection is not the server's problem;
        # anything else is a bug and should be seen.
        error = sys.exc_info()[1]
        if isinstance(error, (ConnectionError, TimeoutError)):
            return
        super().handle_error(request, client_address)


def load_catalogue(path=CATALOGUE_PATH):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Local index site for Vesk种子搜索器")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=18080, help="0 picks a free port")
    parser.add_argument("--icon-url", default=DEFAULT_ICON_URL,
                        help="address in line 13 of every result block (default %(default)s)")
    parser.add_argument("--log", help="also append every request record to this file")
    parser.add_argument("--catalogue", default=CATALOGUE_PATH, help=argparse.SUPPRESS)
    parser.add_argument("--verbose", action="store_true", help="log each request on stderr")
    args = parser.parse_args(argv)

    site = Site(load_catalogue(args.catalogue), args.icon_url, args.log, args.verbose)
    server = Server((args.host, args.port), site)

    def on_sigterm(signum, frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, on_sigterm)
    host, port = server.server_address[:2]
    print("listening on http://%s:%d" % (host, port), flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        site.stopping.set()  # ends the slow and endless responses
        server.server_close()
        site.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
