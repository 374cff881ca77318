#include "nominal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vosk {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Multipliers are long double: the product is formed with a 64-bit mantissa and only then
// rounded to a double, which decides on which side of a band threshold a value lands
// (100нф must stay below the 1e-7 of the мкф band, 0,1мкф above it).
struct Suffix {
    std::string_view bytes;
    long double multiplier;
};

// Code page 1251. Latin and Cyrillic look-alikes are different bytes and both are listed.
constexpr Suffix kResistance[] = {
    {"E", 1.0L},           {"e", 1.0L},           {"\xC5", 1.0L},        {"\xE5", 1.0L},
    {"K", 1000.0L},        {"k", 1000.0L},        {"\xCA", 1000.0L},     {"\xEA", 1000.0L},
    {"M", 1000000.0L},     {"m", 1000000.0L},     {"\xCC", 1000000.0L},  {"\xEC", 1000000.0L},
};
constexpr Suffix kCapacitance[] = {
    {"\xEF\xF4", 1e-12L},     {"\xCF\xD4", 1e-12L},     {"\xEF\xD4", 1e-12L},     // пф ПФ пФ
    {"\xED\xF4", 1e-9L},      {"\xCD\xD4", 1e-9L},      {"\xED\xD4", 1e-9L},      // нф НФ нФ
    {"\xEC\xEA\xF4", 1e-6L},  {"\xCC\xCA\xD4", 1e-6L},  {"\xEC\xEA\xD4", 1e-6L},  // мкф МКФ мкФ
};

template <std::size_t N>
const Suffix *findSuffix(const Suffix (&table)[N], std::string_view suffix)
{
    for (const Suffix &s : table)
        if (s.bytes == suffix)
            return &s;
    return nullptr;
}

// A number text (digits and at most one comma, as splitnominal leaves it) as the nearest
// double. The comma may stand first or last. from_chars reads the C form and ignores the
// locale, so the comma becomes a point first.
double convertNumberText(const std::string &numberText)
{
    std::string c = numberText;
    int commas = 0;
    for (char &ch : c)
        if (ch == ',') {
            ch = '.';
            ++commas;
        }
    if (commas > 1)
        throw NumberConversionError(numberText);
    double value = 0;
    const auto [end, ec] = std::from_chars(c.data(), c.data() + c.size(), value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        // Hundreds of digits: too large for a double when a non-zero digit stands before
        // the comma, otherwise too small to be anything but 0.
        for (char ch : c) {
            if (ch == '.')
                break;
            if (ch != '0')
                return std::numeric_limits<double>::infinity();
        }
        return 0.0;
    }
    if (ec != std::errc() || end != c.data() + c.size())
        throw NumberConversionError(numberText); // not reachable for splitnominal's output
    return value;
}

// The general format of a long double: one routine for the value label and for canonical
// names, so both print the same digits.
std::string formatGeneral(long double v)
{
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v < 0 ? "-INF" : "INF";
    if (v == 0)
        return "0";

    // 15 significant digits, correctly rounded from the exact binary value: d.dddde±x.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    const std::size_t epos = sci.find('e');
    std::string digits;
    for (char ch : sci.substr(0, epos))
        if (isDigit(ch))
            digits += ch;
    int exponent = 0;
    {
        std::string_view e = sci.substr(epos + 1);
        if (!e.empty() && e.front() == '+')
            e.remove_prefix(1);
        std::from_chars(e.data(), e.data() + e.size(), exponent);
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out;
    if (v < 0)
        out += '-';
    // The notation follows the rounded value: 999999999999999,9 prints as 1E15.
    if (exponent >= 15 || exponent < -4) {
        out += digits[0];
        if (digits.size() > 1) {
            out += ',';
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent); // "-9", "15": no '+' and no leading zeros
    } else if (exponent >= 0) {
        const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += digits;
            out.append(intDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, intDigits);
            out += ',';
            out.append(digits, intDigits);
        }
    } else {
        out += "0,";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    }
    return out;
}

} // namespace

NumberConversionError::NumberConversionError(std::string numberText)
    : numberText_(std::move(numberText)),
      message_("'" + numberText_ + "' is not a valid floating point value")
{
}

std::string splitnominal(std::string_view text, NominalRuns &runs)
{
    for (std::string &s : runs.slots)
        s.clear();
    runs.last = 0;
    std::string number;
    bool afterDigit = false;
    for (char c : text) {
        if (isDigit(c)) {
            if (!afterDigit) {
                if (runs.last < NominalRuns::kSlots - 1)
                    ++runs.last;
                else
                    runs.slots[runs.last].clear(); // out of slots: the newest gap replaces the previous one
            }
            number += c;
            afterDigit = true;
        } else {
            runs.slots[runs.last] += c;
            if (c == ',')
                number += ',';
            afterDigit = false;
        }
    }
    if (number.empty() || number == ",")
        number.assign(1, '0');
    return number;
}

double readnominal(int category, std::string_view text)
{
    const bool resistance = isResistanceCategory(category);
    if (!resistance && !isCapacitanceCategory(category))
        return 0.0;
    NominalRuns runs;
    // The number is converted before the suffix is looked at: a bad number is an error
    // even when the suffix would give 0.
    const double number = convertNumberText(splitnominal(text, runs));
    const std::string &suffix = runs.slots[runs.last];
    const Suffix *s = resistance ? findSuffix(kResistance, suffix) : findSuffix(kCapacitance, suffix);
    if (!s)
        return 0.0;
    return static_cast<double>(static_cast<long double>(number) * s->multiplier);
}

std::string shownominal(double value)
{
    const long double a = value;
    // Thresholds and factors as long double: 1e-15, 1e-8, 1e-7, 0.1 and 0.001 are the
    // nearest 64-bit-mantissa values, the rest exact. A NaN falls in the first band too.
    if (!(a > 1e-15L))
        return "\xEF\xEE\xE2\xF2\xEE\xF0\xE8\xF2\xE5 \xE2\xE2\xEE\xE4"; // повторите ввод
    if (a < 1e-8L)
        return formatGeneral(a * 1e12L) + "\xEF\xF4";      // пф
    if (a < 1e-7L)
        return formatGeneral(a * 1e9L) + "\xED\xF4";       // нф
    if (a < 0.1L)
        return formatGeneral(a * 1e6L) + "\xEC\xEA\xF4";   // мкф
    if (a < 1000.0L)
        return formatGeneral(a) + "\xE5";                  // е (Cyrillic)
    if (a < 1000000.0L)
        return formatGeneral(a * 0.001L) + "\xCA";         // К (Cyrillic)
    return formatGeneral(a * 1e-6L) + "\xCC";              // М (Cyrillic)
}

std::string generalFormat(double value) { return formatGeneral(value); }

int guesstype(std::string_view text, const Dictionary &dict)
{
    NominalRuns runs;
    splitnominal(text, runs);
    int found = -1;
    bool matched = false;
    const int lines = std::min(dict.dictcount, Dictionary::kLines);
    for (int k = 1; k <= lines; ++k) {
        const std::string_view line = dict.dictlines[static_cast<std::size_t>(k)];
        bool hit = false;
        // A word is the text before a blank; text after the last blank is not a word
        // (stored lines end in a blank, so there is none).
        for (std::size_t start = 0, blank; !hit && (blank = line.find(' ', start)) != std::string_view::npos;
             start = blank + 1) {
            const std::string_view word = line.substr(start, blank - start);
            for (int s = 0; s <= runs.last; ++s)
                if (word == runs.slots[static_cast<std::size_t>(s)]) {
                    hit = true;
                    break;
                }
        }
        if (hit) {
            found = k - 1;
            matched = true;
        }
    }
    return matched ? found : dict.dictdefault - 1;
}

} // namespace vosk
