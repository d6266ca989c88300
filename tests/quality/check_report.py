#!/usr/bin/env python3
"""Checks a pass report against its pass file, computed here on its own: the lines no strip can
have are left out by the rules of docs/QUALITY.md, the PDF's text (pdftotext) holds the figures
(Python's statistics, the moving range for Cp and Cpk, the thick and thin metres), what was
left out and the end block, the CSV read back with the csv module equals the kept data lines,
and the rendered page (pdftoppm) shows the set-point line. The limits come from the information
file, or, for a report evaluated against a typed tolerance, from "set-point,plus,minus" in its
place, and the page must say so. Usage: pdf csv pss psi|set-point,plus,minus"""
import csv, re, statistics, subprocess, sys

pdf, csv_path, pss, psi = sys.argv[1:5]
number = re.compile(r"-?\d+(\.\d+)?$")
lines = [l.decode("latin-1").split() if len(l) <= 256 else [] for l in open(pss, "rb").read().splitlines()]
data, left_out, previous, step = [], {}, None, 0.0
for at, l in enumerate(lines, 1):
    if len(l) != 4 or not all(number.match(x) for x in l):
        continue
    length, t, d, w = map(float, l)
    back = previous is not None and length < previous - step
    if previous is not None and length > previous:
        step = length - previous
    previous = length
    reason = ("thickness" if not 0 <= t <= 100000 else "length" if back else
              "roll diameter" if not (0 <= d <= 9999 and 0 <= w <= 9999) else None)
    if reason:
        left_out.setdefault(reason, []).append(at)
    else:
        data.append(l)
typed = psi.count(",") == 2
if typed:
    sp, plus, minus = map(float, psi.split(","))
else:
    info = dict(l.split("=", 1) for l in open(psi).read().splitlines() if "=" in l)
    sp, plus, minus = (float(info[k]) for k in ("set_point_um", "tolerance_plus_um", "tolerance_minus_um"))
lo, hi = sp - minus, sp + plus
t = [float(l[1]) for l in data]
length = [float(l[0]) for l in data]
mean, sigma = statistics.fmean(t), statistics.stdev(t)
short = statistics.fmean(abs(b - a) for a, b in zip(t, t[1:])) / 1.128
inside = [i for i, v in enumerate(t) if lo <= v <= hi]
head = length[inside[0]] - length[0]
tail = length[-1] - length[inside[-1]]
share = [0.0] + [max(0.0, b - a) for a, b in zip(length, length[1:])]
thick = [i for i, v in enumerate(t) if v > hi]
thin = [i for i, v in enumerate(t) if v < lo]
end = re.search(r"Average Thickness\s+(\S+)\s*,\s*MS Deviation\s+(\S+)",
                open(pss, "rb").read().decode("latin-1"))
text = " ".join(subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True,
                               check=True).stdout.split())
um = lambda v: f"{v:.2f} \u00b5m"
lines = lambda n: f"{n} line" + ("" if n == 1 else "s")
want = {"Figures from": f"{len(t)} recorded data lines, one per file-output period",
        "Mean (data lines)": um(mean), "Std. deviation (data lines)": um(sigma),
        "Minimum": um(min(t)), "Maximum": um(max(t)), "In tolerance": f"{100 * len(inside) / len(t):.1f} %",
        "Pp (overall)": f"{(hi - lo) / (6 * sigma):.2f}",
        "Ppk (overall)": f"{min(hi - mean, mean - lo) / (3 * sigma):.2f}",
        "Cp (short-term)": f"{(hi - lo) / (6 * short):.2f}",
        "Cpk (short-term)": f"{min(hi - mean, mean - lo) / (3 * short):.2f}",
        "Thick (above upper)": f"{sum(share[i] for i in thick):.0f} m ({lines(len(thick))})",
        "Thin (below lower)": f"{sum(share[i] for i in thin):.0f} m ({lines(len(thin))})",
        "Off-gauge head": f"{head:.0f} m ({lines(inside[0])})",
        "Off-gauge tail": f"{tail:.0f} m ({lines(len(t) - 1 - inside[-1])})",
        "Average (end block)": um(float(end[1])), "MS deviation (end block)": um(float(end[2]))}
if typed:
    want["Evaluated against"] = f"+{plus:g}/\u2212{minus:g} \u00b5m around {um(sp)}, not recorded with the pass."
for reason, at in left_out.items():
    want[f"Left out: {len(at)} line{'s' if len(at) > 1 else ''}, {reason}"] = \
        f"(the first is line {at[0]} of the file)"
# A label and its value side by side; the reason of a left-out count in between.
bad = [f"{k} {v}" for k, v in want.items()
       if not re.search(re.escape(k) + (r"[^.]* " if k.startswith("Left") else " ") + re.escape(v), text)]
rows = list(csv.reader(open(csv_path, newline="", encoding="utf-8")))
if rows != [["line", "length_m", "thickness_um", "roll_diameter_mm", "roll_weight_kg"]] + \
        [[str(i + 1)] + l for i, l in enumerate(data)]:
    bad.append("CSV rows differ from the kept data lines")
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
print("\n".join(bad) or f"report agrees: {len(t)} data lines, {sum(map(len, left_out.values()))} left out")
sys.exit(1 if bad else 0)
