#include "nominal.h"

#include "multipliers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vosk {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The suffixes of the inventory's own names: the first entries of the shared tables.
constexpr std::size_t kResistanceNamed = namedMultipliers(kResistanceMultipliers);
constexpr std::size_t kCapacitanceNamed = namedMultipliers(kCapacitanceMultipliers);
static_assert(kResistanceNamed == 12 && kCapacitanceNamed == 9, "the names' suffixes lead their tables");

const Multiplier *findSuffix(const Multiplier *table, std::size_t count, std::string_view suffix)
{
    // Suffixes are one to three bytes: compared byte by byte here, a call to memcmp per
    // entry cost more than reading the number.
    for (const Multiplier *end = table + count; table != end; ++table) {
        const Multiplier &s = *table;
        if (s.bytes.size() != suffix.size())
            continue;
        std::size_t k = 0;
        while (k < suffix.size() && s.bytes[k] == suffix[k])
            ++k;
        if (k == suffix.size())
            return &s;
    }
    return nullptr;
}

// A number text (digits and at most one comma, as splitnominal leaves it) as the nearest
// double. The comma may stand first or last. from_chars reads the C form and ignores the
// locale, so the comma becomes a point first.
double convertNumberText(std::string numberText)
{
    if (std::count(numberText.begin(), numberText.end(), ',') > 1)
        throw NumberConversionError(numberText);
    std::replace(numberText.begin(), numberText.end(), ',', '.');
    const char *const begin = numberText.data();
    const char *const end = begin + numberText.size();
    double value = 0;
    const auto [stop, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range) {
        // Hundreds of digits: too large for a double when a non-zero digit stands before
        // the comma, otherwise too small to be anything but 0.
        for (const char *p = begin; p != end && *p != '.'; ++p)
            if (*p != '0')
                return std::numeric_limits<double>::infinity();
        return 0.0;
    }
    if (ec != std::errc() || stop != end) {
        std::replace(numberText.begin(), numberText.end(), '.', ',');
        throw NumberConversionError(numberText); // not reachable for splitnominal's output
    }
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

namespace {

// The number of a name as convertNumberText would read it, for the usual names (at most one
// comma, at most 19 digits): the digits as an integer, then divided by the power of ten of
// the digits after the comma. While the integer is below 2^53 and the power at most 10^22
// both are exact doubles and the one division rounds correctly, so the result is the
// nearest double to the decimal, as from_chars gives. False when the name is not such a one.
bool quickNumber(std::string_view text, double &value, std::size_t &suffixFrom)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::uint64_t digits = 0;
    int count = 0, afterComma = 0, commas = 0;
    suffixFrom = 0;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (isDigit(c)) {
            if (++count > 19)
                return false;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            afterComma += commas;
            suffixFrom = k + 1;
        } else if (c == ',' && ++commas > 1) {
            return false;
        }
    }
    if (digits > (std::uint64_t{1} << 53) || afterComma > 22)
        return false;
    value = static_cast<double>(digits) / kPowers[afterComma];
    return true;
}

} // namespace

double readnominal(int category, std::string_view text)
{
    const bool resistance = isResistanceCategory(category);
    if (!resistance && !isCapacitanceCategory(category))
        return 0.0;
    double value = 0;
    std::size_t suffixFrom = 0;
    if (!quickNumber(text, value, suffixFrom)) {
        // What splitnominal gives, without its runs: the number is every digit and comma of
        // the text in order, the suffix what follows the last digit (all of the text without
        // one). The number is converted before the suffix is looked at: a bad number is an
        // error even when the suffix would give 0.
        std::string number;
        for (std::size_t k = 0; k < text.size(); ++k) {
            const char c = text[k];
            if (isDigit(c)) {
                number += c;
                suffixFrom = k + 1;
            } else if (c == ',') {
                number += c;
            }
        }
        if (number.empty() || number == ",")
            number.assign(1, '0');
        value = convertNumberText(std::move(number));
    }
    const std::string_view suffix = text.substr(suffixFrom);
    const Multiplier *s = resistance ? findSuffix(kResistanceMultipliers, kResistanceNamed, suffix)
                                     : findSuffix(kCapacitanceMultipliers, kCapacitanceNamed, suffix);
    if (!s)
        return 0.0;
    return static_cast<double>(static_cast<long double>(value) * s->factor);
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
