#!/usr/bin/env python3
"""Runs check-layers on the small tree beside this file, which breaks the
rules on purpose, and compares what it prints with expected.txt."""
import os
import subprocess
import sys

here = os.path.dirname(os.path.abspath(__file__))
script = os.path.join(here, "..", "..", "scripts", "check-layers")
run = subprocess.run([sys.executable, script, "--root", os.path.join(here, "src")],
                     capture_output=True, text=True)
with open(os.path.join(here, "expected.txt"), encoding="utf-8") as f:
    want = f.read()
print(run.stdout, end="")
if run.returncode != 1 or run.stdout != want:
    print(f"check-layers: status {run.returncode}; expected status 1 and:\n{want}", end="")
    sys.exit(1)
