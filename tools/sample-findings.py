#!/usr/bin/python3
"""Draws a random sample of the value checks' findings of glossa check reports, for judging.

Usage: tools/sample-findings.py [--checks ID,...] SEED COUNT PRODUCT_DIR:REPORT.json [...]

Pools the findings of the value checks (file-level checks, "unchanged" and
"spelling" left out), or of the checks --checks names (the glossary's: --checks
term,term-forbidden,term-untranslated), of every report given, prints how many
each check found, draws COUNT of them without
replacement with Python's random.Random(SEED), and prints each with what a
judge needs beside it: the check, severity and message, the English and the
value, and for "inconsistent" the other translation it means. The
output holds the product's text: keep it out of the project.
"""

import json
import os
import random
import re
import sys

VALUE_CHECKS = {"placeholders", "braces", "odd-quotes", "whitespace", "end-punctuation", "numbers",
                "repeated-word", "double-space", "urls", "tags", "accelerators", "inconsistent", "source-placeholders",
                "source-widespread"}
MASTER = "English (United States)"


def read_ini(path):
    data = open(path, "rb").read()
    text = data[2:].decode("utf-16-le") if data[:2] == b"\xff\xfe" else data.decode("utf-8-sig")
    values = {}
    for line in text.splitlines():
        key, sep, value = line.partition("=")
        if sep and not line.startswith("["):
            values.setdefault(key, value)
    return values


def main():
    args = sys.argv[1:]
    checks = VALUE_CHECKS
    if args[:1] == ["--checks"]:
        checks, args = set(args[1].split(",")), args[2:]
    seed, count = int(args[0]), int(args[1])
    pool = []
    for pair in args[2:]:
        product, report = pair.split(":", 1)
        for finding in json.load(open(report))["findings"]:
            if finding["check"] in checks:
                pool.append((product, finding))
    found = {}
    for _, finding in pool:
        found[finding["check"]] = found.get(finding["check"], 0) + 1
    print("# found: " + ", ".join(f"{check} {n}" for check, n in sorted(found.items())))
    sample = random.Random(seed).sample(pool, min(count, len(pool)))
    files = {}
    print(f"# {len(pool)} findings pooled, {len(sample)} drawn with seed {seed}")
    for n, (product, f) in enumerate(sample, 1):
        def values(language):
            path = os.path.join(product, "language", language + ".ini")
            if path not in files:
                files[path] = read_ini(path)
            return files[path]
        english = values(MASTER).get(f["key"], "")
        value = values(f["language"]).get(f["key"], "") if f["language"] else ""
        print(f"{n}\t{os.path.basename(product)}\t{f['language']}\t{f['key']}\t{f['check']}\t{f['severity']}\t"
              f"{f['message']}\n\tEN: {english}\n\tVA: {value}")
        # The other translation an "inconsistent" finding means, whether or not its message shows it.
        other = re.search(r"translated differently under (\S+?)(:|$)", f["message"])
        if f["check"] == "inconsistent" and other:
            print(f"\tOT: {values(f['language']).get(other.group(1), '')}")


if __name__ == "__main__":
    main()
