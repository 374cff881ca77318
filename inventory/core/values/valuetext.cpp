#include "valuetext.h"

#include "cp1251.h"
#include "multipliers.h"
#include "nominal.h"
#include "textlines.h"

#include <charconv>
#include <cmath>

namespace vosk {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool endsWith(std::string_view s, std::string_view end)
{
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// Units written after the multiplier; they add nothing to the value. Code page 1251.
constexpr std::string_view kOhmUnits[] = {"\xCE\xEC", "\xEE\xEC", "\xCE\xCC", "ohm", "Ohm", "OHM", "ohms", "Ohms"};
constexpr std::string_view kFaradUnits[] = {"F", "f", "\xD4", "\xF4"};

// The letter of a value as people write it; the inventory's own reader forms its products
// with the same constants, so that «4К7» gives exactly the value of «4,7К».
template <std::size_t N>
const Multiplier *findMultiplier(const Multiplier (&table)[N], std::string_view s)
{
    for (const Multiplier &m : table)
        if (m.loose && m.bytes == s)
            return &m;
    return nullptr;
}

// The unit at the end of the suffix, if any, removed; true when there was one.
bool dropUnit(std::string_view &suffix, bool resistance)
{
    if (resistance) {
        for (std::string_view u : kOhmUnits)
            if (endsWith(suffix, u)) {
                suffix.remove_suffix(u.size());
                return true;
            }
        return false;
    }
    for (std::string_view u : kFaradUnits)
        if (endsWith(suffix, u)) {
            suffix.remove_suffix(u.size());
            return true;
        }
    return false;
}

// The factor of a multiplier text ("" for none) in a scale; nothing when it is not one.
std::optional<long double> factorOf(std::string_view letters, bool resistance, bool hadUnit)
{
    letters = trimField(letters);
    if (letters.empty())
        return resistance || hadUnit ? 1.0L : 1e-12L; // a bare capacitance is in picofarads
    const Multiplier *m = resistance ? findMultiplier(kResistanceMultipliers, letters)
                                     : findMultiplier(kCapacitanceMultipliers, letters);
    if (!m)
        return std::nullopt;
    // "R" and "E" already are the ohm; "100RОм" is not a way to write anything.
    return m->factor;
}

std::optional<double> number(std::string_view intPart, std::string_view fraction)
{
    std::string text(intPart.empty() ? "0" : intPart);
    if (!fraction.empty()) {
        text += '.';
        text += fraction;
    }
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec == std::errc::result_out_of_range)
        return std::nullopt;
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return v;
}

} // namespace

std::optional<double> readLooseValue(std::string_view text, bool resistance)
{
    std::string_view s = trimField(text);
    size_t i = 0;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    const std::string_view intPart = s.substr(0, i);
    std::string_view fraction;
    std::string_view letters;
    if (i < s.size() && (s[i] == ',' || s[i] == '.')) {
        // 4,7К / 4.7k / 0,1мкф: the letters follow the number.
        size_t j = i + 1;
        while (j < s.size() && isDigit(s[j]))
            ++j;
        fraction = s.substr(i + 1, j - i - 1);
        if (intPart.empty() && fraction.empty())
            return std::nullopt;
        letters = s.substr(j);
    } else {
        // 4К7 / 4u7 / R47: letters between two runs of digits stand for the comma.
        size_t j = i;
        while (j < s.size() && !isDigit(s[j]) && s[j] != ',' && s[j] != '.')
            ++j;
        size_t k = j;
        while (k < s.size() && isDigit(s[k]))
            ++k;
        if (k > j) {
            if (k != s.size())
                return std::nullopt; // only a unit may follow ("4u7F" is not written)
            letters = s.substr(i, j - i);
            fraction = s.substr(j, k - j);
            if (trimField(letters).empty())
                return std::nullopt; // "4 7"
            if (trimField(letters) != letters)
                return std::nullopt;
        } else {
            if (intPart.empty())
                return std::nullopt;
            letters = s.substr(i);
        }
    }
    if (letters.find_first_of("0123456789,.") != std::string_view::npos)
        return std::nullopt;
    std::string_view multiplier = trimField(letters);
    const bool hadUnit = dropUnit(multiplier, resistance);
    const auto factor = factorOf(multiplier, resistance, hadUnit);
    if (!factor)
        return std::nullopt;
    const auto n = number(intPart, fraction);
    if (!n)
        return std::nullopt;
    const double v = static_cast<double>(static_cast<long double>(*n) * *factor);
    if (!std::isfinite(v) || !(v > 0))
        return std::nullopt;
    return v;
}

std::optional<double> readValueWord(std::string_view word, bool resistance)
{
    word = trimField(word);
    if (resistance) {
        if (word == "0" || word == "0R" || word == "0r" || word == "0\xC5" || word == "0\xE5")
            return 0.0;
        // «10kR», «4k7R»: the R after a multiplier is the ohm, not a second multiplier.
        if (word.size() >= 2 && (word.back() == 'R' || word.back() == 'r') &&
            word.substr(0, word.size() - 1).find_first_of("KkMmGg\xCA\xEA\xCC\xEC\xC3\xE3") != std::string_view::npos)
            word.remove_suffix(1);
    }
    return readLooseValue(word, resistance);
}

std::string valueRefusal(std::string_view word)
{
    return cp1251("«") + std::string(word) +
           cp1251("» не читается как номинал: нужно число и множитель или единица, например 4,7К, 4k7, 470R, "
                  "100нф, 0,1мкф или 100n.");
}

std::string jumperRefusal(std::string_view word)
{
    return cp1251("«") + std::string(word) +
           cp1251("» — перемычка 0 Ом, а названия в разделах резисторов — номиналы больше 0: запишите ее в "
                  "раздел без номиналов.");
}

std::optional<double> recordValue(int category, std::string_view name)
{
    if (!hasValueScale(category))
        return std::nullopt;
    try {
        const double v = readnominal(category, name);
        if (v > 0 && std::isfinite(v))
            return v;
    } catch (const NumberConversionError &) {
    }
    if (const auto v = readValueWord(name, isResistanceCategory(category)); v && *v > 0)
        return v;
    return std::nullopt;
}

bool sameValue(double a, double b)
{
    // The reader rounds once from a 64-bit mantissa; spellings of one value differ by a few
    // units in the last place of a double, different values of a series by far more.
    return std::fabs(a - b) <= 1e-12 * std::fmax(std::fabs(a), std::fabs(b));
}

bool ValueQuery::matches(int category, std::string_view name) const
{
    const std::optional<double> &wanted = isResistanceCategory(category)    ? resistance
                                          : isCapacitanceCategory(category) ? capacitance
                                                                            : std::nullopt;
    if (!wanted)
        return false;
    const auto v = recordValue(category, name);
    return v && sameValue(*v, *wanted);
}

std::optional<ValueQuery> readValueQuery(std::string_view text)
{
    ValueQuery q{readValueWord(text, true), readValueWord(text, false)};
    if (!q.resistance && !q.capacitance)
        return std::nullopt;
    return q;
}

void filterByValue(const CompStore &store, const FilterCriteria &criteria, bool exact, const ValueQuery &query,
                   ViewList &view)
{
    FilterCriteria rest = criteria;
    rest.name.clear();
    filterbase(store, rest, exact, view);
    uint16_t kept = 0;
    for (int k = 1; k <= view.viewcount; ++k) {
        const uint16_t slot = view.viewlist[k];
        if (query.matches(store.category[slot], store.name[slot]))
            view.viewlist[++kept] = slot;
    }
    view.viewcount = kept;
}

} // namespace vosk
