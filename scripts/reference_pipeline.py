#!/usr/bin/env python3
"""The kind of script peer tools use for the same job, as a yardstick for the
program's extraction: percent-decode the page, decode UTF-8, find every result
block with the same pattern ignoring case, encode each group to GBK.

Usage: reference_pipeline.py <folder with reference_page_*.html and
reference_row_pattern.txt>   (written by extract_bench)."""
import pathlib
import re
import sys
import time
import urllib.parse


def run(page_bytes, pattern):
    text = urllib.parse.unquote_to_bytes(page_bytes).decode("utf-8", "replace")
    rows = []
    for match in pattern.finditer(text):
        rows.append([group.encode("gbk", "replace") for group in match.groups()])
    return rows


def main():
    folder = pathlib.Path(sys.argv[1])
    # read_text would turn the pattern's CR LF line ends into LF.
    pattern = re.compile((folder / "reference_row_pattern.txt").read_bytes().decode("utf-8"), re.IGNORECASE)
    print("reference pipeline (Python %d.%d: unquote_to_bytes, UTF-8, re.finditer IGNORECASE, groups to GBK)"
          % sys.version_info[:2])
    for blocks in (1000, 10000):
        page = (folder / ("reference_page_%d.html" % blocks)).read_bytes()
        best = None
        for _ in range(3 if blocks > 1000 else 5):
            start = time.perf_counter()
            rows = run(page, pattern)
            elapsed = time.perf_counter() - start
            best = elapsed if best is None else min(best, elapsed)
        megabytes = len(page.decode("utf-8").encode("gbk", "replace")) / 1e6
        print("  %6d blocks: %d rows, %8.1f ms, %7.1f MB/s (of the page in GBK)"
              % (blocks, len(rows), best * 1000, megabytes / best))


if __name__ == "__main__":
    main()
