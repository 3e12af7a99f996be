#!/usr/bin/env python3
"""Writes DMathReference.inc: arguments and correctly rounded values of the elementary functions that
DMathTest.cpp checks Extended:: against.

    python3 tests/data/make-dmath-reference.py > tests/data/DMathReference.inc

Needs mpmath (Debian: python3-mpmath). The output depends only on this script: the arguments come from a
fixed integer generator and fixed lists, and every value is computed at 256 and at 384 bits and rounded to
nearest (ties to even) to the 64-bit significand of the x87 extended type and to double; the script stops if
the two precisions would round differently.
"""

import math
import sys

import mpmath

PointsPerRange = 200


class ArgumentSource:
    """Numerical Recipes' 32-bit LCG; 53 random bits per double."""

    def __init__(self, seed):
        self.seed = seed

    def next(self):
        self.seed = (self.seed * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.seed

    def unit(self):
        high = self.next()
        low = self.next()
        return (((high << 21) ^ low) & ((1 << 53) - 1)) * 2.0**-53

    def uniform(self, low, high):
        return low + (high - low) * self.unit()

    def log_uniform(self, low, high):
        # mpmath at double precision rather than the host's math.exp, so that every host draws the same.
        with mpmath.workprec(53):
            return float(mpmath.exp(self.uniform(float(mpmath.log(low)), float(mpmath.log(high)))))


def extended(text):
    """The x87 extended value nearest to a decimal string, as an exact mpf."""
    with mpmath.workprec(64):
        return mpmath.mpf(text)


def round_to(value, bits):
    """(sign, significand, exponent) of value rounded to nearest even with a `bits`-bit significand, or None
    for zero. The significand has exactly `bits` bits."""
    if value == 0:
        return None
    sign, man, exp, bc = value._mpf_
    if bc <= bits:
        return sign, man << (bits - bc), exp - (bits - bc)
    shift = bc - bits
    q, rem = man >> shift, man & ((1 << shift) - 1)
    half = 1 << (shift - 1)
    if rem > half or (rem == half and q & 1):
        q += 1
        if q == 1 << bits:
            q >>= 1
            shift += 1
    return sign, q, exp + shift


def correctly_rounded(function, args, bits):
    results = []
    for prec in (256, 384):
        with mpmath.workprec(prec):
            results.append(round_to(function(*args), bits))
    if results[0] != results[1]:
        sys.exit(f"hard case at {args}: raise the precisions")
    return results[0]


def extended_literal(rounded, negative_zero=False):
    if rounded is None:
        return "-0.0L" if negative_zero else "0"
    sign, man, exp = rounded
    if not -16382 <= exp + 63 <= 16383:
        sys.exit("extended value out of the normal range")
    digits = f"{man:016X}"
    return f"{'-' if sign else ''}0x{digits[0]}.{digits[1:]}p{exp + 60:+d}L"


def double_literal(rounded, negative_zero=False):
    if rounded is None:
        return "-0.0" if negative_zero else "0.0"
    sign, man, exp = rounded
    if exp + 52 > 1023:  # overflows: the rounded double is infinite
        return f"{'-' if sign else ''}DoubleInfinity"
    if exp + 52 < -1022:
        sys.exit("double value below the normal range")
    return math.ldexp(-man if sign else man, exp).hex()


def argument_literal(a):
    if mpmath.isinf(a):
        return "-Extended::Infinity" if a < 0 else "Extended::Infinity"
    return extended_literal(round_to(a, 64))


def float_argument_literal(v):
    """A double argument that may be a signed zero or infinite."""
    if v == 0:
        return "-0.0L" if math.copysign(1.0, v) < 0 else "0.0L"
    return argument_literal(mpmath.mpf(v))


def write_arctan2_signs(out):
    """ArcTan2 where zeros of either sign and infinities decide the result (IEEE 754 atan2). The host's
    math.atan2 picks the quadrant and the sign; the magnitude, a multiple of pi/4, comes from mpmath."""
    values = [0.0, -0.0, 1.0, -1.0, 1e-300, -3e300, math.inf, -math.inf]
    out.write("\n// ArcTan2Signs: every pair of " + ", ".join(f"{v:g}" for v in values) + ".\n")
    out.write("inline constexpr TReference ArcTan2SignsReferences[] = {\n")
    for y in values:
        for x in values:
            r = math.atan2(y, x)
            negative = math.copysign(1.0, r) < 0
            if math.isfinite(x) and math.isfinite(y) and x != 0 and y != 0:
                function, args = mpmath.atan2, (mpmath.mpf(y), mpmath.mpf(x))
            else:
                quarters = round(abs(r) / (math.pi / 4))
                assert abs(abs(r) - quarters * math.pi / 4) <= 1e-15 * quarters
                function, args = (lambda q, s: s * q * mpmath.pi / 4), (quarters, -1 if negative else 1)
            value_e = extended_literal(correctly_rounded(function, args, 64), negative)
            value_d = double_literal(correctly_rounded(function, args, 53), negative)
            out.write(f"    {{{float_argument_literal(y)}, {float_argument_literal(x)}, {value_e}, {value_d}}},\n")
    out.write("};\n")


class Case:
    def __init__(self, name, function, two_arguments=False):
        self.name, self.function, self.two_arguments = name, function, two_arguments
        self.points = []  # (a, b) pairs of exact mpf arguments
        self.notes = []

    def chosen(self, *arguments):
        self.notes.append("chosen arguments")
        for a in arguments:
            self.points.append((extended(a) if isinstance(a, str) else mpmath.mpf(a), mpmath.mpf(0)))
        return self

    def grid(self, first, second):
        self.notes.append("a grid of chosen arguments")
        for a in first:
            for b in second:
                self.points.append((extended(a), extended(b)))
        return self

    def sampled(self, source, low, high, fixed=None, fixed_first=False, log=False):
        note = f"{PointsPerRange} {'log-' if log else ''}uniform doubles in [{low:g}, {high:g})"
        if fixed is not None:
            note += f" with {'first' if fixed_first else 'second'} argument {fixed:g}"
        self.notes.append(note)
        for _ in range(PointsPerRange):
            x = source.log_uniform(low, high) if log else source.uniform(low, high)
            if fixed is None:
                self.points.append((mpmath.mpf(x), mpmath.mpf(0)))
            elif fixed_first:
                self.points.append((mpmath.mpf(fixed), mpmath.mpf(x)))
            else:
                self.points.append((mpmath.mpf(x), mpmath.mpf(fixed)))
        return self

    def write(self, out):
        out.write(f"\n// {self.name}: {'; '.join(self.notes)}.\n")
        out.write(f"inline constexpr TReference {self.name}References[] = {{\n")
        for a, b in self.points:
            args = (a, b) if self.two_arguments else (a,)
            value_e = correctly_rounded(self.function, args, 64)
            value_d = correctly_rounded(self.function, args, 53)
            second = argument_literal(b) if self.two_arguments else "0"
            out.write(f"    {{{argument_literal(a)}, {second}, {extended_literal(value_e)}, "
                      f"{double_literal(value_d)}}},\n")
        out.write("};\n")


def main():
    source = ArgumentSource(2024)
    cases = [
        Case("Sin", mpmath.sin)
        .chosen("1e-12", "0.1", 1, "2.5", -3, 100, "3.141592653589793238462643383279502884",
                math.pi, 856275.63621114148)
        .sampled(source, -10.0, 10.0).sampled(source, 1e5, 1e6),
        Case("Cos", mpmath.cos)
        .chosen(0, "0.1", 1, "-2.5", 3, 100, "1.570796326794896619231321691639751442", math.pi / 2)
        .sampled(source, -10.0, 10.0).sampled(source, 0.0, 3.2),
        Case("Tan", mpmath.tan)
        .chosen("1e-9", "0.01", "0.7", "1.3", "-1.2", "1.570796326794896619231321691639751442", math.pi / 2,
                -math.pi / 2)
        .sampled(source, -1.5, 1.5),
        Case("Exp", mpmath.exp)
        .chosen(-700, -10, "-0.5", "1e-15", "0.3", 1, "6.9", 50, 11000)
        .sampled(source, -700.0, 700.0).sampled(source, -1.0, 1.0),
        Case("Exp2", lambda x: mpmath.power(2, x))
        .chosen("-1000.5", -1, "0.25", 3, "63.7")
        .sampled(source, -1000.0, 1000.0),
        Case("ExpMinusOne", mpmath.expm1)
        .chosen("1e-10", "-0.34", "0.35", -2, "44.5")
        .sampled(source, -2.0, 2.0),
        Case("Sinh", mpmath.sinh)
        .chosen("1e-12", "-1e-6", "0.05", "0.35", "-0.7", 2, 30, 11000)
        .sampled(source, -3.0, 3.0).sampled(source, -700.0, 700.0),
        Case("SinhBeyond11000", mpmath.sinh).chosen(-11001, "11000.5", "-11200.25", 11356),
        Case("Ln", mpmath.log)
        .chosen("1e-300", "0.5", 2, 10, "1e300", "1.0000001", "0.9999999", "1.414213562373095048801688724209698079")
        .sampled(source, 0.5, 2.0).sampled(source, 1e-300, 1e300, log=True),
        Case("Log10", mpmath.log10)
        .chosen("1e-20", "0.3", 7, 10, 1000, "1e30")
        .sampled(source, 1e-10, 1e10, log=True),
        Case("Sqrt", mpmath.sqrt).chosen(0, "1e-30", 2, "1e300"),
        Case("ArcTan2", mpmath.atan2, two_arguments=True)
        .grid(["-2", "-0.5", "0", "0.5", "2"], ["-3", "-1", "1e-9", "1", "4"])
        .sampled(source, -4.0, 4.0, fixed=1.0).sampled(source, -4.0, 4.0, fixed=0.75, fixed_first=True),
        Case("Power", mpmath.power, two_arguments=True)
        .grid(["1e-3", "0.5", "1.7", "2", "31"], ["-2.5", "-1", "0.125", "1", "3", "17.3"])
        .sampled(source, -20.0, 20.0, fixed=3.75, fixed_first=True)
        .sampled(source, -9000.0, 9000.0, fixed=0.9375, fixed_first=True),
    ]
    out = sys.stdout
    out.write("// Generated by tests/data/make-dmath-reference.py; do not edit. Regenerate with\n"
              "//     python3 tests/data/make-dmath-reference.py > tests/data/DMathReference.inc\n"
              "// Each row is {A, B, value, value as double}: the function of A (and of B, for ArcTan2(A, B) and\n"
              "// Power(A, B)), computed with mpmath at 256 and 384 bits and rounded to nearest even to the 64-bit\n"
              "// significand of the x87 extended type and, separately, to double. The arguments are exact in both\n"
              "// types; they come from fixed lists and from a fixed 32-bit LCG (seed 2024) inside the script.\n"
              "// Included inside a namespace that declares TReference and DoubleInfinity.\n")
    for case in cases:
        case.write(out)
    write_arctan2_signs(out)


if __name__ == "__main__":
    main()
