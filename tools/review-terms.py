#!/usr/bin/python3
"""Reviews the proposals of `glossa terms extract` by a rule, so that a measured glossary can be made again.

Usage: tools/review-terms.py PROPOSALS_DIR OUT_DIR

Reads every TSV file of PROPOSALS_DIR (English, translation, what the extraction
says of it) and writes the same file to OUT_DIR without the proposals a reviewer
drops: those with no translation, those the extraction marks as seldom used inside
texts, and those whose English is an everyday word of any program's interface (a
function word, a common command or label) rather than a term of the product.
"""

import os
import sys

EVERYDAY = set("""to and or from of the a an in on at for with by via all no yes now not nothing none unknown
true false ok cancel close quit open save print add remove delete edit copy paste cut undo redo select show
hide find search replace help about new next previous back forward go start stop pause continue use type
name size time date menu error warning information note format display properties settings preferences
options window tab file page actions simple local online connected connect dismiss mark lines download
downloads minutes hours seconds last first other more less default custom""".split())
EVERYDAY |= {"save as", "select all", "go to", "save changes"}


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, target = sys.argv[1], sys.argv[2]
    os.makedirs(target, exist_ok=True)
    kept = dropped = 0
    for name in sorted(os.listdir(source)):
        if not name.endswith(".tsv"):
            continue
        lines = []
        with open(os.path.join(source, name), encoding="utf-8") as proposals:
            for line in proposals:
                fields = line.rstrip("\n").split("\t")
                if (len(fields) < 3 or not fields[1] or fields[0].lower() in EVERYDAY
                        or "seldom used" in fields[2] or "not translated" in fields[2]):
                    dropped += 1
                    continue
                lines.append(line)
                kept += 1
        with open(os.path.join(target, name), "w", encoding="utf-8") as out:
            out.writelines(lines)
    print(f"kept {kept}, dropped {dropped}")


if __name__ == "__main__":
    main()
