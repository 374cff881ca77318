#include "kicadbom.h"

#include "cp1251.h"
#include "csvrecords.h"
#include "nominal.h"
#include "textcodec.h"
#include "valuetext.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <tuple>

namespace vosk {
namespace {

enum Column { kRef, kValue, kFootprint, kQty, kDnp, kSymbol, kVoltage, kColumns };

int columnOf(std::string_view header)
{
    static const std::pair<const char *, Column> words[] = {
        {"reference", kRef}, {"references", kRef}, {"reference(s)", kRef}, {"ref", kRef},
        {"refs", kRef},      {"designator", kRef}, {"value", kValue},      {"footprint", kFootprint},
        {"qty", kQty},       {"quantity", kQty},   {"qnty", kQty},         {"dnp", kDnp},
        {"libpart", kSymbol}, {"part", kSymbol},   {"cmp name", kSymbol},  {"symbol", kSymbol},
        {"voltage", kVoltage},
    };
    const std::string h = lowerAscii(trimField(header));
    for (const auto &[word, column] : words)
        if (h == word)
            return column;
    return -1;
}

// Columns a distributor's order needs, kept as the file names them.
bool isOrderColumn(std::string_view header)
{
    const std::string h = lowerAscii(trimField(header));
    for (const char *word : {"mpn", "manuf", "mfr", "supplier", "vendor", "part number", "part#", "lcsc", "digikey",
                             "digi-key", "mouser", "farnell", "order"})
        if (h.find(word) != std::string::npos)
            return true;
    return false;
}

struct Table {
    std::vector<std::pair<int64_t, std::vector<std::string>>> records;
    std::string error;
};

Table parse(std::string_view bytes, char separator)
{
    Table t;
    CsvRecordReader reader(separator, [&t](int64_t line, std::vector<std::string> &f) {
        if (f.size() > kBomColumns)
            f.resize(kBomColumns); // no bill of materials has more; the rest is not looked at
        t.records.emplace_back(line, std::move(f));
        f.clear();
    });
    if (!reader.feed(bytes) || !reader.finish())
        t.error = reader.error();
    return t;
}

// A line of its own that starts a section of the grouped script's file: «Collated
// Components:», «Individual Components:», «Source:» with its value.
bool isSectionTitle(const std::vector<std::string> &fields)
{
    size_t filled = 0;
    for (const std::string &f : fields)
        filled += !trimField(f).empty();
    const std::string_view first = fields.empty() ? std::string_view() : trimField(fields.front());
    return filled >= 1 && filled <= 2 && !first.empty() && first.back() == ':';
}

bool headerColumns(const std::vector<std::string> &fields, int (&column)[kColumns])
{
    int found[kColumns] = {-1, -1, -1, -1, -1, -1, -1};
    for (size_t k = 0; k < fields.size(); ++k)
        if (int c = columnOf(fields[k]); c >= 0 && found[c] < 0)
            found[c] = static_cast<int>(k);
    if (found[kRef] < 0 || found[kValue] < 0)
        return false;
    std::copy(std::begin(found), std::end(found), column);
    return true;
}

// Index of the header record and the columns it names; -1 when there is none. A file with
// two tables (KiCad's grouped script writes every part, then the groups under «Collated
// Components:») is read by its grouped table.
int findHeader(const Table &t, int (&column)[kColumns])
{
    int first = -1;
    bool collated = false;
    for (size_t r = 0; r < t.records.size() && r < 200; ++r) {
        const auto &fields = t.records[r].second;
        if (isSectionTitle(fields) && lowerAscii(trimField(fields.front())) == "collated components:")
            collated = true;
        int found[kColumns];
        if (!headerColumns(fields, found))
            continue;
        if (first < 0 || collated) {
            first = static_cast<int>(r);
            std::copy(std::begin(found), std::end(found), column);
            if (collated)
                break;
        }
    }
    return first;
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

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// One reference: its letters and number («R12»), or the text as it stands.
struct Ref {
    std::string prefix;
    long number = -1; // -1: not of that form
    std::string text;
};

// The references a list stands for: «R1, R2», «R1 R2», «R1-R4» (four).
std::vector<Ref> splitReferences(std::string_view refs)
{
    std::vector<Ref> out;
    auto split = [](std::string_view token) {
        Ref r{std::string(), -1, std::string(token)};
        size_t k = 0;
        while (k < token.size() && !isDigit(token[k]))
            ++k;
        if (k > 0 && k < token.size() && token.size() - k <= 6 &&
            std::all_of(token.begin() + static_cast<long>(k), token.end(), isDigit)) {
            r.prefix = std::string(token.substr(0, k));
            r.number = std::stol(std::string(token.substr(k)));
        }
        return r;
    };
    size_t i = 0;
    while (i < refs.size() && out.size() < kBomParts) {
        while (i < refs.size() && (refs[i] == ',' || refs[i] == ' ' || refs[i] == ';' || refs[i] == '\t'))
            ++i;
        size_t j = i;
        while (j < refs.size() && refs[j] != ',' && refs[j] != ' ' && refs[j] != ';' && refs[j] != '\t')
            ++j;
        if (j == i)
            break;
        const std::string_view token = refs.substr(i, j - i);
        i = j;
        if (const size_t dash = token.find('-'); dash != std::string_view::npos && dash > 0) {
            const Ref a = split(token.substr(0, dash));
            Ref b = split(token.substr(dash + 1));
            if (b.number >= 0 && b.prefix.empty())
                b.prefix = a.prefix; // «R1-4»
            if (a.number >= 0 && b.number >= a.number && a.prefix == b.prefix && b.number - a.number < 1000) {
                for (long n = a.number; n <= b.number && out.size() < kBomParts; ++n)
                    out.push_back({a.prefix, n, a.prefix + std::to_string(n)});
                continue;
            }
        }
        out.push_back(split(token));
    }
    return out;
}

// «R1–R7, R12»: the references in order, three or more in a row joined by a dash.
std::string joinReferences(std::vector<Ref> refs)
{
    std::stable_sort(refs.begin(), refs.end(), [](const Ref &a, const Ref &b) {
        if ((a.number < 0) != (b.number < 0))
            return a.number >= 0;
        if (a.number < 0)
            return false;
        return a.prefix != b.prefix ? a.prefix < b.prefix : a.number < b.number;
    });
    std::string out;
    for (size_t i = 0; i < refs.size();) {
        size_t j = i + 1;
        if (refs[i].number >= 0)
            while (j < refs.size() && refs[j].number >= 0 && refs[j].prefix == refs[i].prefix &&
                   refs[j].number <= refs[j - 1].number + 1)
                ++j;
        if (!out.empty())
            out += ", ";
        if (j - i >= 3 && refs[j - 1].number > refs[i].number + 1) {
            out += refs[i].text + "\x96" + refs[j - 1].text; // en dash
            i = j;
        } else {
            out += refs[i].text;
            ++i;
        }
    }
    return out;
}

std::string folded(std::string_view s);

// Categories of the installation's list, by kind of part.
constexpr uint64_t bit(int c) { return uint64_t{1} << c; }
constexpr uint64_t kResistors = bit(1) | bit(2) | bit(3);
constexpr uint64_t kCeramic = bit(4), kFilm = bit(5), kElectrolytic = bit(6), kTrimmerCaps = bit(7);
constexpr uint64_t kCapacitors = kCeramic | kFilm | kElectrolytic;
constexpr uint64_t kDiodes = bit(8) | bit(9) | bit(10), kLeds = bit(10), kZeners = bit(9);
constexpr uint64_t kTransistors = bit(11) | bit(12);
constexpr uint64_t kChips = bit(13) | bit(14);
constexpr uint64_t kOther = bit(15);

struct Kind {
    uint64_t categories = 0; // 0: the kind is not known
    char scale = 0;          // 'R' ohms, 'C' farads, 0 none
};

// The kind of part a reference designator's letters name.
Kind kindOfReference(const std::string &letters)
{
    static const std::pair<const char *, Kind> kinds[] = {
        {"R", {kResistors, 'R'}},  {"RV", {kOther, 0}},     {"VR", {kOther, 0}},     {"POT", {kOther, 0}},
        {"RP", {kOther, 0}},       {"RN", {kOther, 0}},     {"RT", {kOther, 0}},     {"C", {kCapacitors, 'C'}},
        {"CV", {kTrimmerCaps, 'C'}}, {"VC", {kTrimmerCaps, 'C'}}, {"D", {kDiodes, 0}}, {"VD", {kDiodes, 0}},
        {"CR", {kDiodes, 0}},      {"LED", {kLeds, 0}},     {"HL", {kLeds, 0}},      {"ZD", {kZeners, 0}},
        {"VZ", {kZeners, 0}},      {"Q", {kTransistors, 0}}, {"VT", {kTransistors, 0}}, {"U", {kChips, 0}},
        {"IC", {kChips, 0}},       {"DA", {kChips, 0}},     {"DD", {kChips, 0}},     {"L", {kOther, 0}},
        {"J", {kOther, 0}},        {"P", {kOther, 0}},      {"X", {kOther, 0}},      {"XS", {kOther, 0}},
        {"XP", {kOther, 0}},       {"XT", {kOther, 0}},     {"CN", {kOther, 0}},     {"CON", {kOther, 0}},
        {"SW", {kOther, 0}},       {"S", {kOther, 0}},      {"SA", {kOther, 0}},     {"SB", {kOther, 0}},
        {"K", {kOther, 0}},        {"F", {kOther, 0}},      {"FU", {kOther, 0}},     {"Y", {kOther, 0}},
        {"ZQ", {kOther, 0}},       {"BQ", {kOther, 0}},     {"T", {kOther, 0}},      {"TR", {kOther, 0}},
        {"BT", {kOther, 0}},       {"TP", {kOther, 0}},     {"H", {kOther, 0}},      {"MH", {kOther, 0}},
        {"HS", {kOther, 0}},       {"FB", {kOther, 0}},     {"JP", {kOther, 0}},     {"LS", {kOther, 0}},
        {"BZ", {kOther, 0}},       {"BA", {kOther, 0}},     {"MK", {kOther, 0}},     {"M", {kOther, 0}},
        {"NT", {kOther, 0}},       {"FID", {kOther, 0}},    {"MP", {kOther, 0}},     {"G", {kOther, 0}},
        {"E", {kOther, 0}},        {"W", {kOther, 0}},      {"A", {kChips, 0}},
    };
    for (const auto &[word, kind] : kinds)
        if (letters == word)
            return kind;
    return {};
}

bool startsWith(std::string_view s, std::string_view start) { return s.substr(0, start.size()) == start; }

// The categories of parts without a value, as the installation's list names them: those
// whose names start with the word of a group («Транзисторы биполярные», «Транзисторы
// полевые»); the usual places of the bundled list when no name does.
uint64_t namedCategories(uint64_t usual, const std::vector<std::string> &categories)
{
    static const std::pair<uint64_t, const char *> groups[] = {
        {bit(8), "диод"}, {bit(9), "стабилитрон"}, {bit(10), "светодиод"}, {bit(11) | bit(12), "транзистор"},
        {bit(13) | bit(14), "микросхем"}, {bit(15), "прочее"},
    };
    uint64_t named = 0, fallback = 0;
    for (const auto &[bits, word] : groups) {
        if (!(usual & bits))
            continue;
        const std::string w = cp1251(word);
        uint64_t found = 0;
        for (size_t c = 8; c < categories.size() && c < 64; ++c)
            if (folded(categories[c]).rfind(w, 0) == 0)
                found |= bit(static_cast<int>(c));
        named |= found;
        if (!found)
            for (int c = 0; c < 64; ++c)
                if ((bits >> c & 1) && static_cast<size_t>(c) < categories.size())
                    fallback |= bit(c);
    }
    return named | fallback;
}
bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

// The capacitor categories a footprint and a symbol allow: electrolytic for a polarised
// symbol or footprint, ceramic for a disc or a chip size, film for a box.
uint64_t capacitorCategories(std::string_view footprint, std::string_view symbol)
{
    const bool smd = startsWith(footprint, "Capacitor_SMD:");
    if (const size_t colon = footprint.rfind(':'); colon != std::string_view::npos)
        footprint.remove_prefix(colon + 1);
    if (const size_t colon = symbol.rfind(':'); colon != std::string_view::npos)
        symbol.remove_prefix(colon + 1);
    if (contains(footprint, "Trimmer") || contains(symbol, "Trim") || contains(symbol, "Variable"))
        return kTrimmerCaps;
    if (startsWith(symbol, "CP") || contains(symbol, "Polarized") || startsWith(footprint, "CP_") ||
        contains(footprint, "Elec") || contains(footprint, "Tantal"))
        return kElectrolytic;
    // A disc, a chip size («C_0603», «1608_C») or any other surface-mount capacitor that is
    // not polarised: ceramic.
    auto chipSize = [](std::string_view s) { return s.size() >= 4 && std::all_of(s.begin(), s.begin() + 4, isDigit); };
    if (smd || startsWith(footprint, "C_Disc") || chipSize(footprint) ||
        (startsWith(footprint, "C_") && chipSize(footprint.substr(2))))
        return kCeramic;
    if (startsWith(footprint, "C_Rect") || startsWith(footprint, "C_Box"))
        return kFilm;
    if (startsWith(footprint, "C_Axial"))
        return kFilm | kElectrolytic;
    return kCapacitors;
}

// Code page 1251 letters folded to small ones, for comparing names.
std::string folded(std::string_view s)
{
    std::string out(s);
    for (char &c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDF))
            c = static_cast<char>(u + 32);
        else if (u == 0xA8)
            c = static_cast<char>(0xB8);
    }
    return out;
}

// A value with what a drawing writes beside it: «22uF/25V», «100n 50V», «10k 1% 0.25W».
struct ValueWords {
    std::optional<double> value;
    double volts = 0, watts = 0;
};

// «25V», «6,3В», «0.25W», «1/4W», «0,5Вт»: the number and the unit letter, or nothing.
std::optional<std::pair<double, char>> rating(std::string_view word)
{
    char unit = 0;
    if (!word.empty() && (word.back() == 'V' || word.back() == 'v' || word.back() == '\xC2'))
        unit = 'V', word.remove_suffix(1);
    else if (!word.empty() && (word.back() == 'W' || word.back() == 'w'))
        unit = 'W', word.remove_suffix(1);
    else if (word.size() > 2 && (word.substr(word.size() - 2) == "\xC2\xF2" || word.substr(word.size() - 2) == "\xE2\xF2"))
        unit = 'W', word.remove_suffix(2);
    if (!unit || word.empty())
        return std::nullopt;
    std::string number(word);
    for (char &c : number)
        if (c == ',')
            c = '.';
    double top = 0, bottom = 1;
    const size_t slash = number.find('/');
    auto read = [](std::string_view t, double &v) {
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
        return ec == std::errc() && end == t.data() + t.size() && v > 0;
    };
    if (slash == std::string::npos ? !read(number, top)
                                   : !(read(std::string_view(number).substr(0, slash), top) &&
                                       read(std::string_view(number).substr(slash + 1), bottom)))
        return std::nullopt;
    return std::pair{top / bottom, unit};
}

ValueWords readValueWords(std::string_view text, bool resistance)
{
    ValueWords out;
    if ((out.value = readValueWord(text, resistance)))
        return out; // «100 нФ», «4,7 кОм»: one value with a blank before its unit
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ')
            ++i;
        size_t j = i;
        while (j < text.size() && text[j] != ' ')
            ++j;
        if (j > i) {
            const std::string_view word = text.substr(i, j - i);
            if (rating(word)) {
                words.emplace_back(word); // «1/4W» keeps its slash
            } else {
                size_t a = 0;
                for (size_t b = word.find('/'); ; b = word.find('/', a)) {
                    words.emplace_back(word.substr(a, b == std::string_view::npos ? std::string_view::npos : b - a));
                    if (b == std::string_view::npos)
                        break;
                    a = b + 1;
                }
            }
        }
        i = j;
    }
    for (const std::string &w : words) {
        if (w.empty())
            continue;
        if (const auto r = rating(w)) {
            (r->second == 'V' ? out.volts : out.watts) = r->first;
            continue;
        }
        if (!out.value)
            out.value = readValueWord(w, resistance);
    }
    return out;
}

// The lowest category in a set, -1 for none.
int lowest(uint64_t categories)
{
    for (int c = 0; c < 64; ++c)
        if (categories >> c & 1)
            return c;
    return -1;
}

// The category a row shows before it is looked up: the dictionary's guess when the stock
// keeps the part there, else the first category of the set the stock keeps it in, else the
// guess when the set allows it, else the lowest of the set; with the stock's spelling of the
// part there (empty when the stock keeps none).
std::pair<int, std::string> shownCategory(const CompStore &store, const PartIndex &index, uint64_t categories,
                                          const std::optional<double> &value, const std::string &name, int guessed)
{
    const bool guessFits = guessed >= 0 && guessed < 64 && (categories >> guessed & 1);
    int first = -1;
    std::string spelling;
    for (int i : value ? index.byValue(*value) : index.byName(name)) {
        const int c = store.category[i];
        if (c < 0 || c >= 64 || !(categories >> c & 1))
            continue;
        if (c == guessed)
            return {c, std::string(store.name[i])};
        if (first < 0) {
            first = c;
            spelling = store.name[i];
        }
    }
    if (first >= 0)
        return {first, spelling};
    return {guessFits ? guessed : lowest(categories), std::string()};
}

// Why a file is no table of text at all, in words that say how to make one; empty when it
// may be one.
std::string notText(std::string_view bytes)
{
    const std::string saveAs = cp1251(" Откройте его в программе, которая его сделала, и сохраните как CSV "
                                      "(«Сохранить как…», тип «Текст CSV (.csv)», разделитель — запятая или точка "
                                      "с запятой), или выгрузите список деталей из KiCad сценарием, который пишет CSV.");
    if (startsWith(bytes, "PK\x03\x04")) {
        const std::string_view head = bytes.substr(0, 1u << 16);
        if (contains(head, "opendocument.spreadsheet"))
            return cp1251("Это таблица LibreOffice (.ods), а не CSV.") + saveAs;
        if (contains(head, "xl/"))
            return cp1251("Это книга Excel (.xlsx), а не CSV.") + saveAs;
        return cp1251("Это архив ZIP (или документ в нем), а не CSV.") + saveAs;
    }
    if (startsWith(bytes, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return cp1251("Это книга Excel 97–2003 (.xls), а не CSV.") + saveAs;
    if (startsWith(bytes, "%PDF"))
        return cp1251("Это документ PDF, а не CSV.") + saveAs;
    size_t control = 0;
    const std::string_view head = bytes.substr(0, 1u << 16);
    for (char c : head) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == 0)
            return cp1251("Это двоичный файл, а не CSV (в нем есть нулевые байты).") + saveAs;
        control += u < 0x20 && u != '\t' && u != '\n' && u != '\r' && u != '\f';
    }
    if (control * 20 > head.size())
        return cp1251("Это двоичный файл, а не CSV (в нем много управляющих байтов).") + saveAs;
    return {};
}

// A footprint of another row of the same part, added to the list of them unless it is there.
void addFootprint(std::string &footprints, const std::string &footprint)
{
    if (footprints != footprint && !contains(footprints, footprint))
        footprints += ", " + footprint;
}

// Lines of a file, stopping past `limit`.
size_t countLines(std::string_view bytes, size_t limit)
{
    size_t lines = 0;
    for (size_t i = 0; i < bytes.size() && lines <= limit; ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++lines;
    return lines;
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
    if (out.error = notText(bytes); !out.error.empty())
        return out;
    if (countLines(bytes, kBomRows) > kBomRows) {
        out.error = cp1251("В файле больше ") + std::to_string(kBomRows) +
                    cp1251(" строк: это не список деталей одной платы. Ничего не загружено.");
        return out;
    }
    // Every field costs memory while a line is read, however short: a file of separators
    // alone would take gigabytes.
    for (char separator : {',', ';', '\t'})
        if (static_cast<size_t>(std::count(bytes.begin(), bytes.end(), separator)) > kBomFields) {
            out.error = cp1251("В файле больше ") + std::to_string(kBomFields) +
                        cp1251(" полей: это не список деталей одной платы. Ничего не загружено.");
            return out;
        }

    Table table;
    int column[kColumns] = {-1, -1, -1, -1, -1, -1, -1};
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
    std::vector<std::pair<size_t, std::string>> orderColumns; // index, name as the file writes it
    TextCodec codec;
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
    } else {
        const auto &names = table.records[static_cast<size_t>(header)].second;
        for (size_t k = 0; k < names.size(); ++k)
            if (columnOf(names[k]) < 0 && isOrderColumn(names[k]))
                orderColumns.emplace_back(k, toCodePage(codec, trimField(names[k])));
    }

    // Rows of the same part (by kind and value, or by name) are one need: the file may
    // give one row a part, or split a value by footprint.
    std::map<std::string, size_t> needOf;
    const PartIndex index(store);
    std::vector<std::vector<Ref>> refsOf;
    std::vector<std::vector<std::vector<Ref>>> orderRefsOf; // of each need, per BomOrder
    const int count = static_cast<int>(categories.size());
    for (size_t r = static_cast<size_t>(header + 1); r < table.records.size(); ++r) {
        const int64_t line = table.records[r].first;
        const std::vector<std::string> &fields = table.records[r].second;
        if (header >= 0) {
            int other[kColumns];
            if (isSectionTitle(fields) || headerColumns(fields, other))
                break; // the table ends where the next section or table starts
        }
        auto field = [&fields, &column](int c) -> std::string_view {
            return column[c] >= 0 && column[c] < static_cast<int>(fields.size())
                       ? trimField(fields[static_cast<size_t>(column[c])])
                       : std::string_view();
        };
        if (field(kRef).empty() && field(kValue).empty())
            continue;
        ++out.fileRows;
        const std::string dnp = lowerAscii(field(kDnp));
        if (!dnp.empty() && dnp != "0" && dnp != "no" && dnp != "false") {
            ++out.notFitted;
            continue;
        }
        BomLine bl;
        bl.line = line;
        const std::string refsText = toCodePage(codec, field(kRef));
        std::vector<Ref> refs = splitReferences(refsText);
        bl.references = joinReferences(refs);
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
            needed = std::max<long>(1, static_cast<long>(refs.size()));
        }

        // The kind of part: the reference's letters, narrowed by the footprint and symbol.
        std::string letters;
        for (char c : refs.empty() ? std::string() : refs.front().text) {
            if (!isAsciiLetter(c))
                break;
            letters += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
        Kind kind = kindOfReference(letters);
        if (!kind.scale)
            kind.categories = namedCategories(kind.categories, categories);
        if (kind.scale == 'C' && kind.categories == kCapacitors)
            kind.categories = capacitorCategories(bl.footprint, toCodePage(codec, field(kSymbol)));
        int guessed = bl.value.empty() || lost ? -1 : guesstype(bl.value, dict);

        BomPart part;
        part.bomValue = bl.value;
        part.footprint = bl.footprint;
        part.references = bl.references;
        part.line = line;
        BomOrder order;
        for (const auto &[k, name] : orderColumns)
            if (k < fields.size() && !trimField(fields[k]).empty())
                order.extra.push_back(name + "=" + toCodePage(codec, trimField(fields[k])));
        order.references = bl.references;
        order.bomValue = bl.value;
        order.footprint = bl.footprint;
        order.count = needed;
        std::string name = bl.value;
        int category = -1;
        if (bl.value.empty() || bl.value == "~") {
            if (bl.problem.empty())
                bl.problem = cp1251("Нет номинала.");
        } else if (lost) {
            if (bl.problem.empty())
                bl.problem = cp1251("В номинале есть символы, которых нет в кодировке Windows-1251.");
        } else if (!kind.categories && kindOfReference(letters).categories) {
            bl.problem = cp1251("В списке разделов нет раздела для детали «") + refs.front().text + cp1251("».");
        } else if (!kind.categories) {
            bl.problem = cp1251("Вид детали не определяется по обозначению «") + (refs.empty() ? std::string() : refs.front().text) +
                         cp1251("»: укажите деталь в корзине сами.");
        } else if (kind.scale) {
            const bool resistance = kind.scale == 'R';
            const ValueWords words = readValueWords(bl.value, resistance);
            part.volts = words.volts;
            part.watts = words.watts;
            if (const auto r = rating(std::string(field(kVoltage))); r && r->second == 'V' && part.volts <= 0)
                part.volts = r->first; // a column of its own, when the value gives none
            category = lowest(kind.categories);
            if (!words.value) {
                bl.problem = valueRefusal(bl.value);
            } else {
                part.value = *words.value;
                name = *words.value == 0 ? cp1251("0е") : shownominal(*words.value);
                guessed = guesstype(name, dict);
                std::string spelling;
                std::tie(category, spelling) = shownCategory(store, index, kind.categories, part.value, name, guessed);
                if (category >= count) {
                    bl.problem = cp1251("В списке разделов нет раздела ") + std::to_string(category) + ".";
                    category = -1;
                } else if (CanonicalName c = canonicalName(category, name); *words.value > 0 && (!c.ok() || c.name != name)) {
                    // A value too large or too small for the names of a category is written
                    // with an exponent, which reads back as another value.
                    bl.problem = c.ok() ? cp1251("Номинал «") + bl.value +
                                              cp1251("» слишком велик или мал, чтобы записать его названием.")
                                        : c.refusal;
                    name = bl.value;
                } else if (!spelling.empty()) {
                    name = spelling; // «100нф» where the stock writes 0,1 мкф so
                }
            }
        } else {
            part.name = name;
            category = shownCategory(store, index, kind.categories, std::nullopt, name, guessed).first;
            if (category >= count)
                category = -1;
        }
        if (!bl.problem.empty()) {
            part.value.reset();
            part.name = bl.value;
            if (name != bl.value)
                name = bl.value;
        }
        part.categories = kind.categories;
        part.problem = bl.problem;

        // One need per part: problem rows each stand alone.
        const std::string key = bl.problem.empty()
                                    ? std::to_string(kind.categories) + "|" + (part.value ? name : folded(name))
                                    : "!" + std::to_string(line);
        if (const auto known = needOf.find(key); known != needOf.end()) {
            BomLine &same = out.lines[known->second];
            BomPart p = *same.row.part;
            const long total = std::min<long>(binNumber(same.row.needed) + needed, 999999999L);
            same.row = addbinrow(BinStatus::Ready, same.row.category, categories, same.row.name, std::to_string(total),
                                 std::string(), 0, std::string());
            std::vector<Ref> &all = refsOf[known->second];
            all.insert(all.end(), refs.begin(), refs.end());
            same.references = joinReferences(all);
            p.references = same.references;
            p.volts = std::max(p.volts, part.volts);
            p.watts = std::max(p.watts, part.watts);
            addFootprint(p.footprint, part.footprint);
            same.footprint = p.footprint;
            // Rows naming other part numbers stay apart within the need: each is bought as
            // what its rows name.
            std::vector<std::vector<Ref>> &orderRefs = orderRefsOf[known->second];
            const auto o = std::find_if(p.orders.begin(), p.orders.end(),
                                        [&order](const BomOrder &b) { return b.extra == order.extra; });
            if (o == p.orders.end()) {
                p.orders.push_back(std::move(order));
                orderRefs.push_back(refs);
            } else {
                std::vector<Ref> &mine = orderRefs[static_cast<size_t>(o - p.orders.begin())];
                mine.insert(mine.end(), refs.begin(), refs.end());
                o->references = joinReferences(mine);
                o->count = std::min<int64_t>(o->count + needed, 999999999L);
                addFootprint(o->footprint, order.footprint);
            }
            same.row.part = p;
            ++same.rowsMerged;
            continue;
        }
        needOf.emplace(key, out.lines.size());
        orderRefsOf.push_back({refs});
        part.orders.push_back(std::move(order));
        refsOf.push_back(std::move(refs));
        bl.row = addbinrow(BinStatus::Ready, category, categories, name, std::to_string(needed), std::string(), 0, std::string());
        bl.row.part = std::move(part);
        out.lines.push_back(std::move(bl));
    }
    if (out.lines.empty() && out.notFitted == 0)
        out.error = cp1251("В списке деталей нет ни одной строки с деталями.");
    return out;
}

} // namespace vosk
