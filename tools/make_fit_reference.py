#!/usr/bin/env python3
"""Writes fit_reference.txt: calibration point sets with their exact least-squares cubics.

Every set is fitted in exact rational arithmetic (the normal equations of the monomial
basis solved by Gauss-Jordan elimination over fractions), so the reference carries no
rounding at all until each value is written with 17 significant digits. The generator is
seeded: running the script again gives the same file byte for byte.

    python3 tools/make_fit_reference.py > tests/calibration/fit_reference.txt

Lines of the file:
    cases <count>
    case <group> <n> <limit>   limit: the error, relative to the largest thickness, of the
                               exact coefficients rounded to double and evaluated as the
                               station evaluates the cubic; no fit can do better
    point <intensity> <thickness> <exact fitted thickness>     n lines
    coef <A0> <A1> <A2> <A3>                                    the exact coefficients, rounded
"""

import math
import random
from fractions import Fraction


def exact_fit(xs, ys):
    sums = [sum(Fraction(x) ** k for x in xs) for k in range(7)]
    rhs = [sum(Fraction(x) ** k * Fraction(y) for x, y in zip(xs, ys)) for k in range(4)]
    m = [[sums[r + c] for c in range(4)] + [rhs[r]] for r in range(4)]
    for i in range(4):
        p = next(r for r in range(i, 4) if m[r][i] != 0)
        m[i], m[p] = m[p], m[i]
        for r in range(4):
            if r != i and m[r][i] != 0:
                f = m[r][i] / m[i][i]
                m[r] = [a - f * b for a, b in zip(m[r], m[i])]
    return [m[i][4] / m[i][i] for i in range(4)]


def exact_value(coef, x):
    x = Fraction(x)
    return coef[0] + coef[1] * x + coef[2] * x * x + coef[3] * x * x * x


def station_value(coef, x):
    # ((A0 + A1·x) + A2·x²) + A3·x³ in double, the powers from pow().
    return ((coef[0] + coef[1] * x) + coef[2] * math.pow(x, 2)) + coef[3] * math.pow(x, 3)


def absorption_thickness(rng, xs):
    # Thickness falls with the count as the absorption law has it, plus measuring noise.
    i0 = max(xs) * rng.uniform(1.2, 3.0)
    k = rng.uniform(50, 400)
    return [round(k * math.log(i0 / x) + rng.gauss(0, 0.5) + 1, 1) for x in xs]


def noisy_thickness(rng, xs):
    return [round(rng.uniform(1, 1000), 1) for _ in xs]


def pick_n(rng):
    return rng.choice([4, 4, 5, 6, 7, 8, 10, 12, 15, 15, 20, 40, 100, 200])


def counts(rng, n, lo, hi):
    # Both ends of the range take part, the rest anywhere in between; at least four distinct.
    while True:
        xs = [lo, hi] + [rng.randint(lo, hi) for _ in range(n - 2)]
        rng.shuffle(xs)
        if len(set(xs)) >= 4:
            return xs


def cluster(rng, fraction, top_low=29000):
    hi = rng.choice([32767, rng.randint(top_low, 32767)])
    lo = hi - math.ceil(fraction * hi)
    return lo, hi


def make_cases(rng):
    cases = []

    def add(group, xs, ys):
        cases.append((group, [float(x) for x in xs], [float(y) for y in ys]))

    for _ in range(40):  # any range of at least 1 % of the largest count
        n = pick_n(rng)
        hi = rng.randint(100, 32767)
        lo = rng.randint(1, hi - math.ceil(0.01 * hi))
        xs = counts(rng, n, lo, hi)
        add("wide", xs, absorption_thickness(rng, xs))
    for _ in range(25):  # high counts within 10 %
        n = pick_n(rng)
        lo, hi = cluster(rng, 0.10)
        xs = counts(rng, n, lo, hi)
        add("cluster10", xs, absorption_thickness(rng, xs))
    for _ in range(35):  # high counts within 1 %
        n = pick_n(rng)
        lo, hi = cluster(rng, 0.01)
        xs = counts(rng, n, lo, hi)
        add("cluster1", xs, absorption_thickness(rng, xs))
    for _ in range(25):  # thicknesses with no relation to the counts
        n = pick_n(rng)
        lo, hi = cluster(rng, rng.choice([0.01, 0.02, 0.1, 0.5]), top_low=1000)
        xs = counts(rng, n, max(lo, 1), hi)
        add("noisy", xs, noisy_thickness(rng, xs))
    for _ in range(10):  # few samples, each measured several times
        distinct = rng.randint(4, 6)
        lo, hi = cluster(rng, rng.choice([0.01, 0.1, 1.0]), top_low=5000)
        lo = max(lo, 1)
        values = sorted({lo, hi} | {rng.randint(lo, hi) for _ in range(distinct - 2)})
        while len(values) < 4:
            values = sorted(set(values) | {rng.randint(lo, hi)})
        xs = values + [rng.choice(values) for _ in range(rng.randint(1, 30))]
        add("repeated", xs, absorption_thickness(rng, xs))
    for _ in range(10):  # counts that are means, not whole numbers
        n = pick_n(rng)
        hi = rng.uniform(1000, 32767)
        lo = hi * rng.uniform(0.5, 0.99)
        xs = [lo, hi] + [rng.uniform(lo, hi) for _ in range(n - 2)]
        add("fractional", xs, absorption_thickness(rng, xs))
    for _ in range(15):  # samples a count or two apart next to far ones
        lo, hi = cluster(rng, rng.choice([0.01, 0.1, 1.0]), top_low=1000)
        lo = max(lo, 1)
        near = [lo, lo + 1, lo + 2] if rng.random() < 0.5 else [hi - 2, hi - 1, hi]
        far = [hi] if near[0] == lo else [lo]
        xs = near + far + [rng.choice(near + far) for _ in range(rng.randint(0, 10))]
        add("subclustered", xs, absorption_thickness(rng, xs))
    return cases


def digits(v):
    return repr(float(v))


def main():
    rng = random.Random(20260612)
    cases = make_cases(rng)
    out = [f"cases {len(cases)}"]
    for group, xs, ys in cases:
        coef = exact_fit(xs, ys)
        rounded = [float(a) for a in coef]
        ymax = max(abs(y) for y in ys)
        fitted = [exact_value(coef, x) for x in xs]
        limit = max(abs(Fraction(station_value(rounded, x)) - f) for x, f in zip(xs, fitted))
        out.append(f"case {group} {len(xs)} {float(limit / Fraction(ymax)):.3e}")
        for x, y, f in zip(xs, ys, fitted):
            out.append(f"point {digits(x)} {digits(y)} {digits(f)}")
        out.append("coef " + " ".join(digits(a) for a in rounded))
    print("\n".join(out))


if __name__ == "__main__":
    main()
