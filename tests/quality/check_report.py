#!/usr/bin/env python3
"""Checks a pass report against its pass file, computed here on its own: the PDF's text
(pdftotext) holds the figures, the CSV read back with the csv module equals the data lines,
and the rendered page (pdftoppm) shows the set-point line. Usage: pdf csv pss psi"""
import csv, re, statistics, subprocess, sys

pdf, csv_path, pss, psi = sys.argv[1:5]
number = re.compile(r"-?\d+(\.\d+)?$")
lines = [l.split() for l in open(pss, "rb").read().decode("latin-1").splitlines()]
data = [l for l in lines if len(l) == 4 and all(number.match(x) for x in l)]
info = dict(l.split("=", 1) for l in open(psi).read().splitlines() if "=" in l)
sp, plus, minus = (float(info[k]) for k in ("set_point_um", "tolerance_plus_um", "tolerance_minus_um"))
lo, hi = sp - minus, sp + plus
t = [float(l[1]) for l in data]
mean, sigma = statistics.fmean(t), statistics.stdev(t)
inside = [i for i, v in enumerate(t) if lo <= v <= hi]
head = float(data[inside[0]][0]) - float(data[0][0])
tail = float(data[-1][0]) - float(data[inside[-1]][0])
text = " ".join(subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True,
                               check=True).stdout.split())
want = {"Mean": f"{mean:.2f} mcm", "Std. deviation": f"{sigma:.2f} mcm", "Minimum": f"{min(t):.2f} mcm",
        "Maximum": f"{max(t):.2f} mcm", "In tolerance": f"{100 * len(inside) / len(t):.1f} %",
        "Pp": f"{(hi - lo) / (6 * sigma):.2f}", "Ppk": f"{min(hi - mean, mean - lo) / (3 * sigma):.2f}",
        "Off-gauge head": f"{head:.0f} m ({inside[0]} lines)",
        "Off-gauge tail": f"{tail:.0f} m ({len(t) - 1 - inside[-1]} lines)"}
bad = [f"{k} {v}" for k, v in want.items() if f"{k} {v}" not in text]
rows = list(csv.reader(open(csv_path, newline="", encoding="utf-8")))
if rows != [["line", "length_m", "thickness_um", "roll_diameter_mm", "roll_weight_kg"]] + \
        [[str(i + 1)] + l for i, l in enumerate(data)]:
    bad.append("CSV rows differ from the data lines")
ppm = subprocess.run(["pdftoppm", "-r", "100", "-f", "1", "-l", "1", pdf], capture_output=True,
                     check=True).stdout
head_end = [m.end() for m in re.finditer(rb"\s", ppm)][3]
width = int(ppm.split()[1])
pixels = ppm[head_end:]
per_row = {}
for i in range(0, len(pixels) - 2, 3):
    if pixels[i + 1] - pixels[i] > 50 and pixels[i + 1] - pixels[i + 2] > 50:
        per_row[i // 3 // width] = per_row.get(i // 3 // width, 0) + 1
if max(per_row.values(), default=0) < width * 0.5:  # the set-point across the profile
    bad.append("no set-point line across the page")
print("\n".join(bad) or f"report agrees: {len(t)} data lines")
sys.exit(1 if bad else 0)
