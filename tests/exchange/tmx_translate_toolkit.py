#!/usr/bin/python3
"""glossa tm export read back by Translate Toolkit's TMX reader, as other tools will read it.

Usage: tmx_translate_toolkit.py GLOSSA DEMO_PRODUCT. Exits 77 (skipped) without translate-toolkit.
"""
import os
import subprocess
import sys
import tempfile

try:
    from translate.storage import tmx
except ImportError:
    print("translate-toolkit is not installed (Debian: translate-toolkit); skipped")
    sys.exit(77)

glossa, product = sys.argv[1], sys.argv[2]
with tempfile.TemporaryDirectory() as tmp:
    path = os.path.join(tmp, "german.tmx")
    done = subprocess.run([glossa, "tm", "export", "German (Germany)", product, "-o", path],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    store = tmx.tmxfile.parsefile(path)
    units = {unit.getid(): unit for unit in store.units}
    # Every translated German attribute of the demo, and only those.
    assert len(units) > 80, len(units)
    assert "IDS_LOG_EXPORT" not in units
    assert units["IDS_FILE_EXPORT"].source == "Export...", units["IDS_FILE_EXPORT"].source
    assert units["IDS_FILE_EXPORT"].target == "Exportieren..."
    # Placeholders stay literal text, escaping comes back whole.
    assert units["MSG_DELETE_CONFIRM"].source == "Are you sure you want to delete %s?"
    assert units["MSG_DELETE_CONFIRM"].target == "Möchten Sie %s wirklich löschen?"
    assert units["MSG_DEVICE_CONNECT_FAILED"].target.endswith("\\nPrüfen Sie Adresse und Port.")
    assert units["IDS_APP_WELCOME"].target == "Willkommen bei {0}"
print("read %d units back" % len(units))
