#!/usr/bin/env python3
"""Checks that every #include of the product code follows the layers.

  base/                    standard library only; nothing of the project but base/
  core/ calibration/       Qt-free logic: base/ and the logic of any subsystem
  passfiles/ settings/
  widgets/                 base/, widgets/ and Qt
  <subsystem>/ui/          its own and other subsystems' logic, widgets/, base/, Qt;
                           never another subsystem's ui/
  app/                     anything: the composition root

Prints every offending include as file:line and exits 1 when there is one.
"""
import pathlib
import re
import sys

SUBSYSTEMS = ("core", "calibration", "passfiles", "settings")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT = re.compile(r"^Q[A-Za-z]|^Qt[A-Za-z]*/")


def layer(path):
    """('base'|'logic'|'widgets'|'ui'|'app', subsystem) of a project path, or None."""
    parts = pathlib.PurePosixPath(path).parts
    if not parts:
        return None
    top = parts[0]
    if top in ("base", "widgets", "app"):
        return (top, top)
    if top in SUBSYSTEMS:
        return ("ui" if len(parts) > 2 and parts[1] == "ui" else "logic", top)
    return None


def verdict(source, target, system_qt):
    """Why `source` may not include `target`, or None when it may."""
    kind, subsystem = source
    if system_qt:
        return None if kind in ("widgets", "ui", "app") else "Qt in a Qt-free layer"
    if target is None:
        return None
    tkind, tsub = target
    if kind == "app":
        return None
    if tkind == "app":
        return "only app/ reaches app/"
    if kind == "base":
        return None if tkind == "base" else "base/ includes nothing of the project"
    if kind == "logic":
        return None if tkind in ("base", "logic") else "logic includes base/ and logic only"
    if kind == "widgets":
        return None if tkind in ("base", "widgets") else "widgets/ include base/ and Qt only"
    if tkind == "ui" and tsub != subsystem:
        return "a window folder never includes another subsystem's ui/"
    return None


def main(root):
    root = pathlib.Path(root)
    bad = 0
    tops = ("base", "widgets", "app") + SUBSYSTEMS
    for path in sorted(p for top in tops for p in (root / top).rglob("*")):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        rel = path.relative_to(root).as_posix()
        source = layer(rel)
        if source is None:
            continue  # tests, benchmarks, build trees
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            quoted, name = m.group(1) == '"', m.group(2)
            system_qt = not quoted and QT.match(name) is not None
            if not quoted and not system_qt:
                continue  # the standard library and the system
            target = layer(name) if quoted else None
            if quoted and target is None:
                print(f"{rel}:{number}: include \"{name}\" is not a project path")
                bad += 1
                continue
            why = verdict(source, target, system_qt)
            if why:
                print(f"{rel}:{number}: {line.strip()}: {why}")
                bad += 1
    if bad:
        print(f"FAIL: {bad} include(s) break the layers")
        return 1
    print("PASS: every include follows the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
