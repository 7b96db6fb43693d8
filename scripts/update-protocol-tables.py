#!/usr/bin/env python3
"""Writes the output of `corvane-cli memory-map` into docs/protocol.md again, after a change of
the catalogue tables. Each generated block follows a line "Printed by `corvane-cli ...`:" and
runs to the next such line or the next "## " heading. Usage:

    scripts/update-protocol-tables.py [path/to/corvane-cli]   (default build/dev/src/cli/corvane-cli)
"""

import pathlib
import re
import subprocess
import sys

root = pathlib.Path(__file__).resolve().parent.parent
cli = sys.argv[1] if len(sys.argv) > 1 else str(root / "build/dev/src/cli/corvane-cli")
doc_path = root / "docs/protocol.md"
doc = doc_path.read_text(encoding="utf-8")

pattern = re.compile(r"^Printed by `corvane-cli (memory-map[^`]*)`:\n\n", re.M)
out, at = [], 0
for m in pattern.finditer(doc):
    out.append(doc[at:m.end()])
    end = len(doc)
    for marker in ("\nPrinted by `corvane-cli", "\n## "):
        # From the blank line that ends the "Printed by" line: a heading may follow at once.
        k = doc.find(marker, m.end() - 1)
        if k != -1:
            end = min(end, k)
    printed = subprocess.run([cli] + m.group(1).split(), check=True, capture_output=True, text=True).stdout
    out.append(printed)
    at = end
out.append(doc[at:])
doc_path.write_text("".join(out), encoding="utf-8")
