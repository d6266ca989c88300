#!/usr/bin/env python3
"""Checks that the PDF of a summary of passes holds what its CSV holds, as pdftotext reads it:
the number of passes in its header and every row. The CSV's own figures are pinned by the
summary rows of test_pass_quality. Usage: pdf csv count"""
import csv, re, subprocess, sys

pdf, csv_path, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
rows = list(csv.reader(open(csv_path, newline="", encoding="utf-8")))
bad = [] if len(rows) == count + 1 else [f"CSV: {len(rows) - 1} rows"]
text = " ".join(subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True,
                               check=True).stdout.split())
if f": {count} passes" not in text:
    bad.append("no header with the number of passes in the PDF")
for row in rows[1:]:
    readable = [re.sub(r"^(\d{4}-\d\d-\d\d)T", r"\1 ", x) for x in row[2:4]]  # the PDF's times
    if " ".join([x or "-" for x in [row[0]] + readable + row[4:-1]] + row[-1:]).strip() not in text:
        bad.append(f"{row[1]}: not in the PDF as in the CSV")
print("\n".join(bad) or f"summary agrees: {count} passes")
sys.exit(1 if bad else 0)
