#!/usr/bin/env python3
"""Checks that every #include of the product code follows the layers in ALLOWED (a subsystem's
ui/ or net/ also not another subsystem's); prints each offending include as file:line, exits 1."""
import pathlib
import re
import sys

SUBSYSTEMS = ("core", "calibration", "passfiles", "settings", "plantlink", "mqtt", "audit", "access")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer(path):
    parts = pathlib.PurePosixPath(path).parts
    if parts and parts[0] in ("base", "widgets", "app"):
        return parts[0], parts[0]
    if parts and parts[0] in SUBSYSTEMS:
        return ("ui" if len(parts) > 2 and parts[1] in ("ui", "net") else "logic"), parts[0]
    return None


ALLOWED = {"base": {"base"}, "logic": {"base", "logic"}, "widgets": {"base", "widgets", "qt"},
           "ui": {"base", "logic", "widgets", "ui", "qt"}, "app": {"base", "logic", "widgets", "ui", "app", "qt"}}


def main(root):
    root, bad = pathlib.Path(root), 0
    for top in ("base", "widgets", "app") + SUBSYSTEMS:
        for path in sorted((root / top).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            rel = path.relative_to(root).as_posix()
            kind, sub = layer(rel)
            for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                if m.group(1) == "<":
                    target = ("qt", None) if re.match(r"Q[A-Za-z]|Qt[A-Za-z]*/", m.group(2)) else None
                else:
                    target = layer(m.group(2)) or ("unknown", None)
                if target and (target[0] not in ALLOWED[kind] or (kind == "ui" and target[0] == "ui" and target[1] != sub)):
                    print(f"{rel}:{number}: {line.strip()}: {kind}/ may not include {target[0]}")
                    bad += 1
    print(f"FAIL: {bad} include(s) break the layers" if bad else "PASS: every include follows the layers")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
