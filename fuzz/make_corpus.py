#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (fuzz/corpus/<target>/).

The seeds follow each target's input layout, described at the top of its
source; they start the fuzzer from files and operations that matter: the demo
product's language files with writes to existing and new keys, every encoding
and line ending, and the placeholder examples of the editor's notice.
"""
from pathlib import Path

here = Path(__file__).resolve().parent
demo = here.parent / "examples" / "demo-product"


def text(s, mode="utf8"):
    """One text of InputReader::text(): a head byte (length, mode), then the units."""
    if mode == "utf16":
        raw = s.encode("utf-16-le")
        assert len(raw) // 2 < 64
        return bytes([0xC0 | len(raw) // 2]) + raw
    if mode == "latin1":
        raw = s.encode("latin-1")
        assert len(raw) < 64
        return bytes([0x80 | len(raw)]) + raw
    raw = s.encode("utf-8")
    assert len(raw) < 64
    return bytes([len(raw)]) + raw


# fuzz_profile: head byte, operations, body.
SET, REMOVE, SET_SAME = 0, 2, 3
TEXT, LANGUAGES, UPPER_TEXT, OTHER = 0, 1, 2, 3


def op(kind, section, key, value=None, section_name=None):
    out = bytearray()
    k = kind | section << 2 | (0x80 if isinstance(key, int) else 0)
    out.append(k)
    if section == OTHER:
        out += text(section_name)
    out += bytes([key]) if isinstance(key, int) else text(key)
    if kind == SET:
        out += value if isinstance(value, bytes) else text(value)
    return bytes(out)


def profile(ops, body, bom=0, no_file=False):
    assert len(ops) < 8
    return bytes([bom | (4 if no_file else 0) | len(ops) << 3]) + b"".join(ops) + body


def utf16(s):
    return b"\xff\xfe" + s.encode("utf-16-le")


profile_seeds = {}
for path in sorted((demo / "language").glob("*.ini")):
    name = path.stem.split(" ")[0].lower()
    body = path.read_bytes()
    profile_seeds[f"demo-{name}"] = profile([op(SET, TEXT, 3, '"Neu"'), op(REMOVE, TEXT, 1),
                                             op(SET, TEXT, "IDS_NEW", '"新しい %d"'), op(SET_SAME, TEXT, 0)], body)
    profile_seeds[f"demo-{name}-untouched"] = profile([op(SET_SAME, UPPER_TEXT, 2)], body)
profile_seeds["demo-index"] = profile(
    [op(SET, LANGUAGES, "0x0411", "Japanese (Japan)"), op(SET, OTHER, "0x0411", "Japanese_Japan", "xmllanguages"),
     op(REMOVE, LANGUAGES, 0)], (demo / "language" / "LanguageIndex.ini").read_bytes())
profile_seeds["missing-file"] = profile([op(SET, TEXT, "IDS_OPEN", '"Open"')], b"", no_file=True)
profile_seeds["empty-file"] = profile([op(SET, TEXT, "A", "1"), op(REMOVE, TEXT, "A")], b"")
profile_seeds["utf8-lf"] = profile([op(SET, TEXT, "b", "zwei"), op(SET, OTHER, "k", "v", "neu")],
                                   "; Kommentar\n[text]\na = eins\nb=2\n\n[other]\nc=3".encode())
profile_seeds["utf8-bom-cr"] = profile([op(SET, TEXT, 0, "x")], "[TEXT]\ra=1\r\rb=2\r".encode(), bom=3)
profile_seeds["legacy-needs-utf16"] = profile([op(SET, TEXT, "new", "中文")], b"[text]\r\ncaf\xe9=\"\xe9t\xe9\"\r\n")
profile_seeds["legacy-stays"] = profile([op(SET, TEXT, 0, "plain")], b"[text]\r\nna\xefve=\"x\"\r\n")
profile_seeds["utf16be"] = profile([op(SET, TEXT, "k", "\u00e9", )], "[text]\r\nk=v\r\n".encode("utf-16-be"), bom=2)
profile_seeds["utf16-odd-byte"] = profile([op(SET, TEXT, "z", "1")], utf16("[text]\r\na=1") + b"\x41")
profile_seeds["duplicates"] = profile([op(REMOVE, TEXT, "a"), op(SET, TEXT, "a", "first again"), op(SET, UPPER_TEXT, "b", "2")],
                                      "[text]\r\na=1\r\n[x]\r\na=9\r\n[Text]\r\nb=3\r\n[text]\r\na=2\r\n".encode())
profile_seeds["quoted-equals"] = profile([op(SET, TEXT, "Brightness", '"Level = %d"'), op(SET, TEXT, "k", 'x="y"')],
                                         utf16('[text]\r\nBrightness="Level = %d"\r\nk=v\r\n'))
profile_seeds["surrogates"] = profile([op(SET, TEXT, "k", text("\U0001F600", "utf16")),
                                       op(SET, TEXT, "half", b"\xc1\x3d\xd8")], utf16("[text]\r\n"))

# fuzz_placeholders: id choice, flag (bit 0: UTF-16), first text's length (two bytes), the texts.
def pair(id_pick, a, b, utf16_mode=False):
    enc = (lambda s: s.encode("utf-16-le")) if utf16_mode else (lambda s: s.encode("utf-8"))
    first = enc(a)
    return bytes([id_pick, 1 if utf16_mode else 0, len(first) & 0xFF, len(first) >> 8]) + first + enc(b)


PERCENT, BRACE = 1, 0  # edges[1] is id 1, edges[0] is id 0
placeholder_seeds = {
    "deleted": pair(PERCENT, "Deleted %d files", "%d fichiers supprimés"),
    "order": pair(PERCENT, "%s: %d", "%d: %s"),
    "long": pair(PERCENT, "%ld items", "%d items"),
    "newline": pair(PERCENT, "Line one\\nLine two", "Line one Line two"),
    "percent-space": pair(PERCENT, "50%% done", "50 %% fait"),
    "trailing": pair(PERCENT, "100%% of %ld\\n%", "%l"),
    "braces": pair(BRACE, "{0} of {1}", "{1} de {0}"),
    "braces-escaped": pair(BRACE, "\\{0} {} {2} {1a}", "{2} {"),
    "utf16": pair(PERCENT, "%d 个文件", "%d files", utf16_mode=True),
    "any-id": bytes([0xC0, 0xFF, 0xFF, 0xFF, 0x7F, 0, 3, 0]) + b"{7}{7}",
}

# fuzz_sync: flags (bit 0: index; bits 1-2: its encoding; bit 3: index is a
# directory when there is none; bit 4: UTF-8 master; bit 6: LF; bit 7: web
# directory), master lines, language files, index lines, web entries.
def sync(flags, master_lines, files, index_lines, web):
    out = bytearray([flags, len(master_lines)])
    for line in master_lines:
        out += text(line)
    out.append(len(files))
    out += b"".join(files)
    if flags & 1:
        out.append(len(index_lines))
        out += b"".join(index_lines)
    if flags & 0x80:
        out.append(len(web))
        out += b"".join(web)
    return bytes(out)


CHINESE, ENGLISH, FRENCH_ROW = 0, 1, 50
sync_seeds = {
    "demo-like": sync(0x81, ["IDS_SAVE=\"Save\""],
                      [bytes([0, CHINESE]), bytes([0, FRENCH_ROW])],
                      [b"\x00", bytes([0x0B, CHINESE]), bytes([0x03, ENGLISH]), b"\x01", bytes([0x03, CHINESE])],
                      [bytes([0, CHINESE]), bytes([0, ENGLISH]), bytes([0, 55]), bytes([2, 67]), bytes([3]) + text("readme")]),
    "no-index": sync(0x80, [], [], [], [bytes([0, 55])]),
    "index-is-directory": sync(0x08, [], [bytes([0, 67])], [], []),
    "odd-names": sync(0x13, ["x=1", "; c"], [bytes([2, 67]), bytes([4, 50]), bytes([3]) + text("LanguageIndex"),
                                             bytes([8 | 1, 55, 5]) + b"junk!"],
                      [bytes([4, 67]) + text("Japanese"), bytes([5]) + text("0xffff") + text("X"),
                       bytes([2]), bytes([6]) + text("[languages")], [bytes([4, 70])]),
    "utf16be-lf": sync(0x45, [], [bytes([0, 1])], [b"\x01", bytes([0x03, 60]), b"\x00", bytes([0x0B, 61])], []),
}

for target, seeds in (("fuzz_profile", profile_seeds), ("fuzz_placeholders", placeholder_seeds),
                      ("fuzz_sync", sync_seeds)):
    folder = here / "corpus" / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)
