"""Value reading and canonical names of resistor and capacitor categories, computed
exactly, so that the bundled stock can be checked against what the program itself
will write when it makes a name canonical.

The program multiplies in 64-bit-mantissa extended precision and keeps the result as
a double; the thresholds of the bands are extended values too.  Doing the arithmetic
with fractions and rounding explicitly to 64 or 53 significant bits reproduces the
two cases that sit right on a threshold: 100нф stays 100нф, 0,1мкф stays 0,1мкф.
"""
from decimal import Decimal, ROUND_HALF_EVEN, ROUND_HALF_UP, localcontext
from fractions import Fraction

EXT_BITS = 64
DBL_BITS = 53


def round_bits(x: Fraction, bits: int) -> Fraction:
    """Nearest number with `bits` significant binary digits, ties to even."""
    if x == 0:
        return Fraction(0)
    sign = -1 if x < 0 else 1
    x = abs(x)
    e = x.numerator.bit_length() - x.denominator.bit_length()
    if Fraction(2) ** e > x:
        e -= 1
    while Fraction(2) ** (e + 1) <= x:
        e += 1
    scale = Fraction(2) ** (bits - 1 - e)
    m = x * scale
    q, r = divmod(m.numerator, m.denominator)
    twice = 2 * r
    if twice > m.denominator or (twice == m.denominator and q % 2 == 1):
        q += 1
    return sign * Fraction(q) / scale


def ext(x) -> Fraction:
    return round_bits(Fraction(x), EXT_BITS)


def dbl(x) -> Fraction:
    return round_bits(Fraction(x), DBL_BITS)


def p10(n: int) -> Fraction:
    return Fraction(10) ** n


RESIST = {**{s: Fraction(1) for s in ("E", "e", "Е", "е")},
          **{s: Fraction(1000) for s in ("K", "k", "К", "к")},
          **{s: Fraction(1000000) for s in ("M", "m", "М", "м")}}
CAPAC = {**{s: ext(p10(-12)) for s in ("пф", "ПФ", "пФ")},
         **{s: ext(p10(-9)) for s in ("нф", "НФ", "нФ")},
         **{s: ext(p10(-6)) for s in ("мкф", "МКФ", "мкФ")}}

AGAIN = "повторите ввод"


def split(text: str):
    """Number text and letter groups: group 0 before the first digit run, then one
    group after each run of digits; commas go into both."""
    slots = [""]
    number = ""
    prev_digit = False
    for ch in text:
        if "0" <= ch <= "9":
            if not prev_digit:
                slots.append("")
            number += ch
            prev_digit = True
        else:
            slots[-1] += ch
            if ch == ",":
                number += ","
            prev_digit = False
    if number in ("", ","):
        number = "0"
    return number, slots


class NotANumber(ValueError):
    pass


def text_to_fraction(number: str) -> Fraction:
    if number.count(",") > 1:
        raise NotANumber(number)
    s = number.replace(",", ".")
    if s.startswith("."):
        s = "0" + s
    if s.endswith("."):
        s = s + "0"
    return Fraction(Decimal(s))


def read(category: int, text: str, via_extended: bool = False) -> Fraction:
    """Value of a name in a category (0 when it has no scale or the unit is unknown).
    via_extended: convert the number text to extended first and then to double,
    the other plausible conversion path; both must agree for a name to be safe."""
    if 1 <= category <= 3:
        table = RESIST
    elif 4 <= category <= 7:
        table = CAPAC
    else:
        return Fraction(0)
    number, slots = split(text)
    n = text_to_fraction(number)
    n = dbl(ext(n)) if via_extended else dbl(n)
    suffix = slots[-1]
    if suffix not in table:
        return Fraction(0)
    return dbl(ext(n * table[suffix]))


def general(x: Fraction, rounding=ROUND_HALF_EVEN) -> str:
    """General number format: 15 significant digits, trailing zeros dropped,
    decimal comma, fixed notation below 10^15."""
    if x == 0:
        return "0"
    with localcontext() as ctx:
        ctx.prec = 60
        d = Decimal(x.numerator) / Decimal(x.denominator)
        exp = d.adjusted()
        q = d.quantize(Decimal(1).scaleb(exp - 14), rounding=rounding)
        if q.adjusted() >= 15:
            digits = q.normalize()
            mant, _, e = f"{digits:E}".partition("E")
            mant = mant.rstrip("0").rstrip(".") if "." in mant else mant
            return mant.replace(".", ",") + "E" + str(int(e))
        s = format(q.normalize(), "f")
        if "." in s:
            s = s.rstrip("0").rstrip(".")
        return s.replace(".", ",")


def show(a: Fraction, rounding=ROUND_HALF_EVEN) -> str:
    if a <= ext(p10(-15)):
        return AGAIN
    if a < ext(p10(-8)):
        return general(ext(a * p10(12)), rounding) + "пф"
    if a < ext(p10(-7)):
        return general(ext(a * p10(9)), rounding) + "нф"
    if a < ext(Fraction(1, 10)):
        return general(ext(a * p10(6)), rounding) + "мкф"
    if a < 1000:
        return general(a, rounding) + "е"
    if a < 1000000:
        return general(ext(a * ext(Fraction(1, 1000))), rounding) + "К"
    return general(ext(a * ext(p10(-6))), rounding) + "М"


def canonical(category: int, text: str) -> str:
    return show(read(category, text))


def is_fixed_point(category: int, text: str) -> bool:
    """True when every plausible evaluation path gives the name back unchanged."""
    for via in (False, True):
        for rnd in (ROUND_HALF_EVEN, ROUND_HALF_UP):
            if show(read(category, text, via), rnd) != text:
                return False
    return True


def guess(dictlines, text: str) -> int:
    """Category recognised from a name by the dictionary lines (-1: none)."""
    _, slots = split(text)
    found = None
    default = -1
    for i, line in enumerate(dictlines):
        if line == "":
            default = i
            continue
        stored = line if line.endswith(" ") else line + " "
        words = stored.split(" ")[:-1]
        if any(w == s for w in words for s in slots):
            found = i
    return found if found is not None else default
