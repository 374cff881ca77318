#include "kicadbom.h"

#include "cp1251.h"
#include "csvrecords.h"
#include "nominal.h"
#include "textcodec.h"
#include "valuetext.h"

#include <optional>

namespace vosk {
namespace {

std::string lowerAscii(std::string_view s)
{
    std::string out(trimField(s));
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

enum Column { kRef, kValue, kFootprint, kQty, kDnp, kColumns };

int columnOf(std::string_view header)
{
    static const std::pair<const char *, Column> words[] = {
        {"reference", kRef}, {"references", kRef}, {"ref", kRef},      {"refs", kRef},
        {"designator", kRef}, {"value", kValue},   {"footprint", kFootprint},
        {"qty", kQty},       {"quantity", kQty},   {"qnty", kQty},     {"dnp", kDnp},
    };
    const std::string h = lowerAscii(header);
    for (const auto &[word, column] : words)
        if (h == word)
            return column;
    return -1;
}

struct Table {
    std::vector<std::pair<int64_t, std::vector<std::string>>> records;
    std::string error;
};

Table parse(std::string_view bytes, char separator)
{
    Table t;
    CsvRecordReader reader(separator, [&t](int64_t line, std::vector<std::string> &f) {
        t.records.emplace_back(line, std::move(f));
        f.clear();
    });
    if (!reader.feed(bytes) || !reader.finish())
        t.error = reader.error();
    return t;
}

// Index of the header record and the columns it names; -1 when there is none.
int findHeader(const Table &t, int (&column)[kColumns])
{
    for (size_t r = 0; r < t.records.size() && r < 50; ++r) {
        int found[kColumns] = {-1, -1, -1, -1, -1};
        const auto &fields = t.records[r].second;
        for (size_t k = 0; k < fields.size(); ++k)
            if (int c = columnOf(fields[k]); c >= 0 && found[c] < 0)
                found[c] = static_cast<int>(k);
        if (found[kRef] >= 0 && found[kValue] >= 0) {
            std::copy(std::begin(found), std::end(found), column);
            return static_cast<int>(r);
        }
    }
    return -1;
}

std::string replaceAll(std::string s, std::string_view from, std::string_view to)
{
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// The field as code page 1251: UTF-8 when it is UTF-8, else taken as it stands. Characters
// the code page lacks become '?'; `lost` tells.
std::string toCodePage(TextCodec &codec, std::string_view field, bool *lost = nullptr)
{
    if (!isUtf8(field) || !hasHighBytes(field))
        return std::string(field);
    if (auto c = codec.toCp1251(field))
        return *c;
    if (lost)
        *lost = true;
    return pathForMessage(field);
}

// Parts a list of references stands for: «R1, R2», «R1 R2», «R1-R4» (four).
int countReferences(std::string_view refs)
{
    int count = 0;
    size_t i = 0;
    while (i < refs.size()) {
        while (i < refs.size() && (refs[i] == ',' || refs[i] == ' ' || refs[i] == ';' || refs[i] == '\t'))
            ++i;
        size_t j = i;
        while (j < refs.size() && refs[j] != ',' && refs[j] != ' ' && refs[j] != ';' && refs[j] != '\t')
            ++j;
        if (j == i)
            break;
        const std::string_view token = refs.substr(i, j - i);
        int add = 1;
        if (const size_t dash = token.find('-'); dash != std::string_view::npos && dash > 0) {
            auto trailingNumber = [](std::string_view s) -> long {
                size_t k = s.size();
                while (k > 0 && s[k - 1] >= '0' && s[k - 1] <= '9')
                    --k;
                if (k == s.size() || s.size() - k > 6)
                    return -1;
                return std::stol(std::string(s.substr(k)));
            };
            const long a = trailingNumber(token.substr(0, dash));
            const long b = trailingNumber(token.substr(dash + 1));
            if (a >= 0 && b >= a && b - a < 100000)
                add = static_cast<int>(b - a + 1);
        }
        count += add;
        i = j;
    }
    return count;
}

// Resistor and capacitor reference prefixes; 0 for anything else.
char passiveKind(std::string_view refs)
{
    refs = trimField(refs);
    size_t k = 0;
    while (k < refs.size() && ((refs[k] >= 'A' && refs[k] <= 'Z') || (refs[k] >= 'a' && refs[k] <= 'z')))
        ++k;
    const std::string prefix = lowerAscii(refs.substr(0, k));
    if (k < refs.size() && !(refs[k] >= '0' && refs[k] <= '9'))
        return 0;
    if (prefix == "r")
        return 'R';
    if (prefix == "c")
        return 'C';
    return 0;
}

bool sameScale(int a, int b)
{
    return (isResistanceCategory(a) && isResistanceCategory(b)) ||
           (hasCanonicalNames(a) && hasCanonicalNames(b) && isCapacitanceCategory(a) && isCapacitanceCategory(b));
}

// The category the stock keeps this name in, when it is not `guessed`: the first record in
// store order with exactly this name in a category that `fits`.
template <class Fits>
int stockCategory(const CompStore &store, const std::string &name, int guessed, Fits fits)
{
    int other = -1;
    for (int i = 1; i <= store.compcount; ++i) {
        if (store.name[i] != name)
            continue;
        if (store.category[i] == guessed)
            return guessed;
        if (other < 0 && fits(store.category[i]))
            other = store.category[i];
    }
    return other >= 0 ? other : guessed;
}

} // namespace

size_t BomRead::unmapped() const
{
    size_t n = 0;
    for (const BomLine &l : lines)
        n += !l.problem.empty();
    return n;
}

BomRead readKicadBom(std::string_view bytes, const Dictionary &dict, const std::vector<std::string> &categories,
                     const CompStore &store)
{
    BomRead out;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);

    Table table;
    int column[kColumns] = {-1, -1, -1, -1, -1};
    int header = -1;
    for (char separator : {',', ';', '\t'}) {
        Table t = parse(bytes, separator);
        if (!t.error.empty())
            continue;
        header = findHeader(t, column);
        if (header >= 0) {
            table = std::move(t);
            break;
        }
    }
    if (header < 0) {
        // No header: Reference, Value, Footprint, one part or group a line.
        table = parse(bytes, guessSeparator(bytes, ",;\t"));
        if (!table.error.empty()) {
            out.error = table.error;
            return out;
        }
        column[kRef] = 0, column[kValue] = 1, column[kFootprint] = 2;
        if (table.records.empty() || table.records.front().second.size() < 2) {
            out.error = table.records.empty()
                            ? cp1251("Файл пуст.")
                            : cp1251("Это не список деталей: нет столбцов Reference и Value, и в первой строке "
                                     "меньше двух полей.");
            return out;
        }
    }

    TextCodec codec;
    const int count = static_cast<int>(categories.size());
    for (size_t r = static_cast<size_t>(header + 1); r < table.records.size(); ++r) {
        const int64_t line = table.records[r].first;
        const std::vector<std::string> &fields = table.records[r].second;
        auto field = [&fields, &column](int c) -> std::string_view {
            return column[c] >= 0 && column[c] < static_cast<int>(fields.size())
                       ? trimField(fields[static_cast<size_t>(column[c])])
                       : std::string_view();
        };
        if (field(kRef).empty() && field(kValue).empty())
            continue;
        const std::string dnp = lowerAscii(field(kDnp));
        if (!dnp.empty() && dnp != "0" && dnp != "no" && dnp != "false") {
            ++out.notFitted;
            continue;
        }
        BomLine bl;
        bl.line = line;
        bl.references = toCodePage(codec, field(kRef));
        bl.footprint = toCodePage(codec, field(kFootprint));
        // Ohm and micro signs the code page lacks, written as letters it has.
        std::string value(field(kValue));
        for (auto [from, to] : {std::pair{"\xCE\xA9", "Ohm"}, std::pair{"\xE2\x84\xA6", "Ohm"},
                                std::pair{"\xCE\xBC", "u"}, std::pair{"\xC2\xB5", "u"}})
            value = replaceAll(value, from, to);
        bool lost = false;
        bl.value = toCodePage(codec, value, &lost);

        long needed = 0;
        if (column[kQty] >= 0) {
            const std::string_view q = field(kQty);
            if (!q.empty() && q.size() <= 8 && q.find_first_not_of("0123456789") == std::string_view::npos)
                needed = std::stol(std::string(q));
            if (needed < 1) {
                bl.problem = cp1251("Количество «") + toCodePage(codec, q) + cp1251("» не целое число от 1.");
                needed = 1;
            }
        } else {
            needed = std::max(1, countReferences(bl.references));
        }

        std::string name = bl.value;
        int category = -1;
        char kind = passiveKind(bl.references);
        if (!kind && !bl.value.empty() && !lost) {
            // No resistor or capacitor reference, but the dictionary puts the value among them
            // (a trimmer «RV1 10k»): it is read as a value of that category.
            const int g = guesstype(bl.value, dict);
            if (hasCanonicalNames(g))
                kind = isResistanceCategory(g) ? 'R' : 'C';
        }
        if (bl.value.empty() || bl.value == "~") {
            if (bl.problem.empty())
                bl.problem = cp1251("Нет номинала.");
        } else if (lost) {
            if (bl.problem.empty())
                bl.problem = cp1251("В номинале есть символы, которых нет в кодировке Windows-1251.");
        } else if (kind) {
            const bool resistance = kind == 'R';
            std::optional<double> v = readLooseValue(bl.value, resistance);
            if (!v) // «100n 50V», «10k 1%»: the value is the first word
                v = readLooseValue(bl.value.substr(0, bl.value.find(' ')), resistance);
            const int first = resistance ? 1 : 4;
            if (!v) {
                bl.problem = cp1251("Номинал «") + bl.value +
                             (resistance ? cp1251("» не читается как сопротивление.")
                                         : cp1251("» не читается как емкость."));
                category = first < count ? first : -1;
            } else {
                name = shownominal(*v);
                category = guesstype(name, dict);
                const bool fits = resistance ? isResistanceCategory(category)
                                             : isCapacitanceCategory(category) && hasCanonicalNames(category);
                if (!fits)
                    category = first;
                category = stockCategory(store, name, category, [category](int c) { return sameScale(c, category); });
                if (category >= count) {
                    bl.problem = cp1251("В списке разделов нет раздела ") + std::to_string(category) + ".";
                    category = -1;
                } else if (CanonicalName c = canonicalName(category, name); !c.ok() || c.name != name) {
                    // A value too large or too small for the names of a category is written
                    // with an exponent, which reads back as another value.
                    bl.problem = c.ok() ? cp1251("Номинал «") + bl.value +
                                              cp1251("» слишком велик или мал, чтобы записать его названием.")
                                        : c.refusal;
                    name = bl.value;
                }
            }
        } else {
            category = guesstype(name, dict);
            category = stockCategory(store, name, category, [](int) { return true; });
            if (category >= count)
                category = -1;
        }
        bl.row = addbinrow(BinStatus::Ready, category, categories, name, std::to_string(needed), std::string(), 0, std::string());
        out.lines.push_back(std::move(bl));
    }
    if (out.lines.empty() && out.notFitted == 0)
        out.error = cp1251("В списке деталей нет ни одной строки с деталями.");
    return out;
}

} // namespace vosk
