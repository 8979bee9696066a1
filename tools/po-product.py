#!/usr/bin/python3
"""Builds a product directory from a checkout whose translations are gettext po files.

Usage: tools/po-product.py PO_DIR OUT_DIR

Each po file of a language the catalogue lists becomes language/<display name>.ini,
one KEY="value" line per message, and the English (the msgids) becomes the master
"English (United States).ini"; LanguageIndex.ini lists them all. The po files are read
with Translate Toolkit's po reader (Debian's translate-toolkit, which the setup
installs): their units carry source locations, not INI keys, so po2ini has no
template to fill. Fuzzy and untranslated messages are written blank; gettext's
"translator-credits" is no UI text and is left out, and so is a msgid that is a key the
program looks up ("duration-months-to-year"), whose English is in an English catalogue. A plural's forms are checked
as the singular (msgstr[0] against msgid) and the plural (msgstr[1] against
msgid_plural) in languages of two forms; with one form, that form against
msgid_plural; with more, the forms do not pair with the English's and the
message is left out. A singular whose English is the plural's, or lacks the
plural's placeholders ("One result found"), is left out in every language: it is
gettext's form for a count, which a product of INI files does not have; so is, in one language, a
singular that says its number in words ("שעה אחת" for "%d hour") where that language's singular
serves the number one alone. Line breaks become the files' \\n escape.

The product's own text stays in OUT_DIR, outside the project: only figures from
checking it are kept (bench/README.md).
"""

import os
import re
import sys

from translate.storage import po

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MASTER = "English (United States)"


def catalogue():
    """(display name, locale code, BCP 47 tag) of every catalogue row."""
    text = open(os.path.join(ROOT, "src/model/LocaleCatalogue.cpp"), encoding="utf-8").read()
    return re.findall(r'\{u"([^"]+)", u"(0x[0-9a-fA-F]+)", u"[^"]*", u"([^"]+)"\}', text)


def display_name_for(po_code, rows):
    """The catalogue row for a po file's language code ("de", "pt_BR", "sr@latin")."""
    by_tag = {tag.lower(): (name, code) for name, code, tag in rows}
    special = {"sr": "sr-cyrl-rs", "sr@latin": "sr-latn-rs", "pt": "pt-pt", "nb": "nb-no", "nn": "nn-no",
               "zh_cn": "zh-cn", "zh_tw": "zh-tw", "zh_hk": "zh-hk", "es": "es-es", "en_gb": "en-gb",
               "ca": "ca-es", "eu": "eu-es", "el": "el-gr", "he": "he-il", "ja": "ja-jp", "ko": "ko-kr",
               "sv": "sv-se", "da": "da-dk", "cs": "cs-cz", "uk": "uk-ua", "fa": "fa-ir", "sl": "sl-si",
               "et": "et-ee", "ar": "ar-eg", "sq": "sq-al", "be": "be-by", "ur": "ur-in", "af": "af-za",
               "az": "az-latn-az", "oc": "oc-fr", "or": "or-in", "fo": "fo-fo", "ig": "ig-ng", "br": "br-fr"}
    key = po_code.lower()
    tag = special.get(key)
    if tag is None and "@" not in key:
        parts = key.split("_")
        tag = parts[0] + "-" + (parts[1] if len(parts) > 1 else parts[0])
    return by_tag.get(tag) if tag else None


def escaped(text):
    return text.replace("\r", "").replace("\n", "\\n").replace("\t", "\\t")


def write_ini(path, lines):
    body = "[text]\r\n" + "".join(f'{key}="{value}"\r\n' for key, value in lines)
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + body.encode("utf-16-le"))


def placeholders(text):
    return sorted(re.findall(r"%[^a-zA-Z%]*[a-zA-Z]", text.replace("%%", "")))


# A msgid that is a key the program looks up, not English ("duration-months-to-year",
# "translator_credits", "calendar:week_start:0"): its English is in an English catalogue.
KEY_LIKE = re.compile(r"[a-z0-9]+(?:[-_:][a-z0-9]+)+")


def wanted(unit):
    return not (unit.isheader() or unit.isobsolete() or unit.source == "translator-credits"
                or KEY_LIKE.fullmatch(unit.source or ""))


def main():
    po_dir, out = sys.argv[1], sys.argv[2]
    rows = catalogue()
    languages = {}
    for file in sorted(os.listdir(po_dir)):
        if not file.endswith(".po"):
            continue
        row = display_name_for(file[:-3], rows)
        if row is None or row[0] == MASTER or row[0] in languages:
            continue
        languages[row[0]] = (row[1], po.pofile.parsefile(os.path.join(po_dir, file)))

    # The English of every message any language has, in first-seen order. The
    # first attribute takes the brace rule: a mark no message shares stands there.
    english = {}
    for _, store in languages.values():
        for unit in store.units:
            if not wanted(unit):
                continue
            sources = unit.source.strings if unit.hasplural() else [unit.source]
            for i, source in enumerate(sources[:2]):
                english.setdefault((unit.getcontext(), unit.source if i == 0 else source, i), escaped(source))
    keys = {k: f"MSG_{n + 1:04d}" for n, k in enumerate(english)}

    os.makedirs(os.path.join(out, "language"), exist_ok=True)
    write_ini(os.path.join(out, "language", MASTER + ".ini"),
              [("PRODUCT_MARK", "—")] + [(keys[k], v) for k, v in english.items()])
    for display, (_, store) in languages.items():
        lines = [("PRODUCT_MARK", "—")]
        try:
            forms = int(store.getheaderplural()[0] or 2)
        except ValueError:
            forms = 2
        # Whether the singular form serves the number one alone ("n != 1"), not 21 or 0 too.
        one_alone = re.sub(r"[\s()]", "", store.getheaderplural()[1] or "") == "n!=1"
        for unit in store.units:
            if not wanted(unit):
                continue
            sources = unit.source.strings if unit.hasplural() else [unit.source]
            targets = unit.target.strings if unit.hasplural() else [unit.target]
            translated = unit.istranslated() and not unit.isfuzzy() and targets
            for i, source in enumerate(sources[:2]):
                key = keys.get((unit.getcontext(), unit.source if i == 0 else source, i))
                if unit.hasplural() and (forms > 2 or (forms == 1 and i == 0)):
                    continue
                # A singular that says the same as the plural ("%1$u accepted" twice), or
                # says its number in words ("One result found" for "%d results found"),
                # is gettext's form for a count, not a text of its own: a product of INI
                # files has no such pair, and its forms would be read as two translations.
                if unit.hasplural() and i == 0 and (str(sources[0]) == str(sources[1])
                                                    or placeholders(str(sources[0])) != placeholders(str(sources[1]))):
                    continue
                target = targets[min(i, len(targets) - 1) if forms == 2 else -1] if translated else ""
                # Where the singular serves one alone, it may say "one hour" for "%d hour": gettext's
                # form for that count, which an INI file's text for any count cannot be.
                if unit.hasplural() and i == 0 and one_alone and placeholders(target) != placeholders(str(source)):
                    target = ""
                lines.append((key, escaped(target or "")))
        write_ini(os.path.join(out, "language", display + ".ini"), lines)
    index = "[languages]\r\n0x0409=" + MASTER + "\r\n" + "".join(
        f"{code}={display}\r\n" for display, (code, _) in languages.items())
    with open(os.path.join(out, "language", "LanguageIndex.ini"), "wb") as f:
        f.write(b"\xff\xfe" + index.encode("utf-16-le"))
    print(f"{out}: {len(english)} messages, {len(languages)} languages")


if __name__ == "__main__":
    main()
