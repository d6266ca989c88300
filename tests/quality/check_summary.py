#!/usr/bin/env python3
"""Checks a summary of passes against the pass files, computed here on its own: each CSV row's
mean, standard deviation, share in tolerance, Pp, Ppk and off-gauge metres (head and tail)
from the data lines and the limits of the information file beside them (none, empty fields and
the reason, without one), and the PDF's text (pdftotext) holds the header and every row.
Usage: pdf csv directory count"""
import csv, os, re, statistics, subprocess, sys

pdf, csv_path, directory, count = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
number = re.compile(r"-?\d+(\.\d+)?$")
raw = open(csv_path, "rb").read()
rows = list(csv.reader(raw.decode("utf-8").splitlines()))
bad = [] if raw.count(b"\r\n") == len(rows) and raw.endswith(b"\r\n") else ["CSV lines do not end with CR LF"]
head = ["pass", "file", "start", "end", "length_m", "mean_um", "sigma_um", "in_tolerance_percent", "pp", "ppk",
        "off_gauge_m", "no_limits"]
if rows[0] != head or len(rows) != count + 1:
    bad.append(f"CSV header or count: {rows[0]}, {len(rows) - 1} rows")
text = " ".join(subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True,
                               check=True).stdout.split())
if f": {count} passes" not in text:
    bad.append("no header with the number of passes in the PDF")
for row in rows[1:]:
    pss = os.path.join(directory, row[1])
    data = [l.split() for l in open(pss, "rb").read().decode("latin-1").splitlines()]
    data = [l for l in data if len(l) == 4 and all(number.match(x) for x in l)]
    t = [float(l[1]) for l in data]
    mean, sigma = statistics.fmean(t), statistics.stdev(t)
    want = [f"{float(data[-1][0]):.0f}", f"{mean:.2f}", f"{sigma:.2f}", "", "", "", "", "no information file"]
    psi = pss[:-4] + ".PSI"
    if os.path.exists(psi):
        info = dict(l.split("=", 1) for l in open(psi).read().splitlines() if "=" in l)
        sp, plus, minus = (float(info[k]) for k in ("set_point_um", "tolerance_plus_um", "tolerance_minus_um"))
        lo, hi = sp - minus, sp + plus
        inside = [i for i, v in enumerate(t) if lo <= v <= hi]
        off = float(data[inside[0]][0]) - float(data[0][0]) + float(data[-1][0]) - float(data[inside[-1]][0])
        want[3:] = [f"{100 * len(inside) / len(t):.1f}", f"{(hi - lo) / (6 * sigma):.2f}",
                    f"{min(hi - mean, mean - lo) / (3 * sigma):.2f}", f"{off:.0f}", ""]
    if row[4:] != want:
        bad.append(f"{row[1]}: CSV {row[4:]}, computed {want}")
    readable = [re.sub(r"^(\d{4}-\d\d-\d\d)T", r"\1 ", x) for x in row[2:4]]  # the PDF's times
    if " ".join([x or "-" for x in [row[0]] + readable + row[4:-1]] + row[-1:]).strip() not in text:
        bad.append(f"{row[1]}: not in the PDF as in the CSV")
print("\n".join(bad) or f"summary agrees: {count} passes")
sys.exit(1 if bad else 0)
