#!/usr/bin/python3
"""glossa terms export read back by Translate Toolkit's TBX reader, as other tools will read it.

Usage: tbx_translate_toolkit.py GLOSSA DEMO_PRODUCT. Exits 77 (skipped) without translate-toolkit.
"""
import os
import subprocess
import sys
import tempfile

try:
    from translate.storage import tbx
except ImportError:
    print("translate-toolkit is not installed (Debian: translate-toolkit); skipped")
    sys.exit(77)

glossa, product = sys.argv[1], sys.argv[2]
with tempfile.TemporaryDirectory() as tmp:
    path = os.path.join(tmp, "glossary.tbx")
    done = subprocess.run([glossa, "terms", "export", product, "-o", path], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    store = tbx.tbxfile.parsefile(path)
    units = {unit.source: unit for unit in store.units}
    # Every entry, its English as the source and its first other language as the target.
    assert sorted(units) == ["Live View", "Vistaline Monitor", "reboot", "snapshot", "timeout"], sorted(units)
    assert units["snapshot"].target == "Schnappschuss", units["snapshot"].target
    assert units["reboot"].target == "Neustart"
    assert units["reboot"].getid() == "c4", units["reboot"].getid()
    # Notes come back whole, quotes and all.
    assert "never translated" in units["Vistaline Monitor"].getnotes(), units["Vistaline Monitor"].getnotes()
    assert '"Zeitlimit"' in units["timeout"].getnotes()
    # A name that is not translated has no target.
    assert not units["Live View"].target, units["Live View"].target
print("read %d entries back" % len(units))
