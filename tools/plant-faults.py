#!/usr/bin/python3
"""Recall by fault injection on a real product: plants faults, then reads glossa check's reports.

Usage:
  tools/plant-faults.py plant PRODUCT_DIR OUT_DIR        copies the product with faults planted
  tools/plant-faults.py score OUT_DIR PLANTED.json CLEAN.json [BEFORE_CLEAN.json]

"plant" takes every seventh translated value of every language (the master left alone) and plants
one fault the value checks exist for, the classes taken in turn (a class that cannot be planted in
a value passes to the next): a placeholder dropped or added, a digit changed, a tag dropped or
broken, a URL changed, a word doubled, a double space, the end mark changed, a second accelerator. OUT_DIR/planted.json
lists each planted fault and the check that names it.

"score" reads glossa check's JSON report of the planted product and of the untouched one: the share
of planted faults found by the check that names them, per class, and the findings on the values
left untouched in both (which must not grow; with BEFORE_CLEAN.json, a report of the untouched
product by another build, those of that build beside them).
"""

import json
import os
import re
import shutil
import sys

MASTER = "English (United States)"
TAG = re.compile(r"</?([A-Za-z][A-Za-z0-9]*)(\s[^<>]*)?/?>")
# What the tags check reads as markup: a tag closed, empty or with attributes, or HTML's;
# "<channel>" in "/JOIN <channel>" is a word in brackets, which a language translates.
HTML_NAMES = {"a", "b", "i", "u", "s", "br", "p", "span", "strong", "em", "font", "div", "img", "hr", "li", "ul", "ol",
              "sup", "sub", "small", "big", "code", "tt", "pre", "h1", "h2", "h3", "h4", "table", "tr", "td", "th",
              "center", "strike", "nobr", "kbd", "mark", "q", "link", "html", "body", "head", "title", "wbr"}


def markup(text):
    return [m for m in TAG.finditer(text)
            if m.group().startswith("</") or m.group().endswith("/>") or m.group(2)
            or m.group(1).lower() in HTML_NAMES]
LINK = re.compile(r"(https?://|www\.)")
NUMBER = re.compile(r"(?<![%\\\d])\d")


def read_ini(path):
    data = open(path, "rb").read()
    text = data[2:].decode("utf-16-le") if data[:2] == b"\xff\xfe" else data.decode("utf-8-sig")
    lines = text.split("\r\n")
    return lines


def split_line(line):
    key, sep, value = line.partition("=")
    if not sep or line.startswith("[") or not (len(value) >= 2 and value[0] == '"' and value[-1] == '"'):
        return None
    return key, value[1:-1]


def drop_placeholder(english, value):
    m = re.search(r"%[sd]", value)
    return value[:m.start()] + value[m.end():] if m else None


def add_placeholder(english, value):
    return "%s " + value


def change_digit(english, value):
    if not re.search(r"\d", re.sub(r"%\d|\\.", "", english)):
        return None
    m = NUMBER.search(value)
    if not m:
        return None
    return value[:m.start()] + str((int(m.group()) + 1) % 10) + value[m.end():]


def drop_tag(english, value):
    tags = markup(value)
    if not tags or not markup(english):
        return None
    last = tags[-1]
    return value[:last.start()] + value[last.end():]


def break_tag(english, value):
    tags = markup(value)
    if not tags or not markup(english):
        return None
    first = tags[0]
    return value[:first.end() - 1] + value[first.end():]


def change_url(english, value):
    m = LINK.search(value)
    if not m or not LINK.search(english):
        return None
    return value[:m.end()] + "x" + value[m.end():]


def double_word(english, value):
    words = value.split(" ")
    best = -1
    for i, w in enumerate(words):
        if len(w) >= 2 and all(c.isalpha() for c in w) and (best < 0 or len(w) > len(words[best])):
            best = i
    if best < 0:
        return None
    return " ".join(words[:best + 1] + [words[best]] + words[best + 1:])


def double_space(english, value):
    # Between two words: two blanks at an end are the whitespace check's.
    inner = re.search(r"\S( )(?=\S)", value)
    if not inner or "  " in english:
        return None
    at = inner.start(1)
    return value[:at] + " " + value[at:]


def change_end_mark(english, value):
    if not value.strip():
        return None
    last = value.rstrip()[-1]
    body = value.rstrip()[:-1]
    if last in ".。।։…":
        return body + "!"
    if last in "?？؟;:：":
        return body + "."
    if last in "!！":
        return body + "?"
    return value.rstrip() + "!"


def add_accelerator(english, value):
    for sign in "&_":
        mark = re.compile(re.escape(sign) + r"\w")
        if len(mark.findall(english)) != 1 or len(mark.findall(value)) != 1:
            continue
        for at in range(len(value) - 1, 0, -1):
            if value[at].isalpha() and value[at - 1] != sign:
                return value[:at] + sign + value[at:]
    return None


CLASSES = [("placeholder dropped", "placeholders", drop_placeholder),
           ("placeholder added", "placeholders", add_placeholder),
           ("digit changed", "numbers", change_digit),
           ("tag dropped", "tags", drop_tag),
           ("tag broken", "tags", break_tag),
           ("URL changed", "urls", change_url),
           ("word doubled", "repeated-word", double_word),
           ("double space", "double-space", double_space),
           ("end mark changed", "end-punctuation", change_end_mark),
           ("accelerator added", "accelerators", add_accelerator)]


def plant(product, out):
    shutil.rmtree(out, ignore_errors=True)
    shutil.copytree(product, out)
    language_dir = os.path.join(out, "language")
    english = dict(filter(None, map(split_line, read_ini(os.path.join(language_dir, MASTER + ".ini")))))
    planted = []
    turn = 0
    for file in sorted(os.listdir(language_dir)):
        if not file.endswith(".ini") or file in (MASTER + ".ini", "LanguageIndex.ini"):
            continue
        path = os.path.join(language_dir, file)
        lines = read_ini(path)
        seen = 0
        for n, line in enumerate(lines):
            entry = split_line(line)
            if not entry or not entry[1].strip() or entry[0] not in english or entry[0] == "PRODUCT_MARK":
                continue
            seen += 1
            if seen % 7:
                continue
            key, value = entry
            for k in range(len(CLASSES)):
                name, check, fault = CLASSES[(turn + k) % len(CLASSES)]
                faulty = fault(english[key], value)
                if faulty is not None and faulty != value and '"' not in faulty:
                    lines[n] = f'{key}="{faulty}"'
                    planted.append({"language": file[:-4], "key": key, "class": name, "check": check})
                    turn += 1
                    break
        with open(path, "wb") as f:
            f.write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))
    json.dump(planted, open(os.path.join(out, "planted.json"), "w"), indent=0)
    print(f"{len(planted)} faults planted in {out}")


def findings(report):
    by = {}
    for f in json.load(open(report))["findings"]:
        if f["language"] and f["key"]:
            by.setdefault((f["language"], f["key"]), set()).add(f["check"])
    return by


def score(out, planted_report, clean_report, before_report=None):
    planted = json.load(open(os.path.join(out, "planted.json")))
    found = findings(planted_report)
    per_class = {}
    for p in planted:
        hit = p["check"] in found.get((p["language"], p["key"]), set())
        total, hits = per_class.get(p["class"], (0, 0))
        per_class[p["class"]] = (total + 1, hits + hit)
    for name, _, _ in CLASSES:
        total, hits = per_class.get(name, (0, 0))
        if total:
            print(f"{name}: {hits} of {total} found ({100.0 * hits / total:.1f}%)")
    touched = {(p["language"], p["key"]) for p in planted}
    value_checks = {"placeholders", "braces", "odd-quotes", "whitespace", "end-punctuation", "numbers",
                    "repeated-word", "double-space", "urls", "tags", "accelerators"}

    def untouched(report):
        return sum(len(checks & value_checks) for where, checks in findings(report).items() if where not in touched)
    line = f"findings of the value checks on untouched values: planted product {untouched(planted_report)}, " \
           f"untouched product {untouched(clean_report)}"
    if before_report:
        line += f", untouched product by the other build {untouched(before_report)}"
    print(line)


if __name__ == "__main__":
    if sys.argv[1] == "plant":
        plant(sys.argv[2], sys.argv[3])
    else:
        score(*sys.argv[2:])
