#include "markingtable.h"

#include "drafting.h"
#include "text.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace drawings {

namespace {

constexpr int kFirstRecord = 5;
constexpr int kFirstZener = 83;

const std::string &cp(const char *utf8)
{
    static std::map<const char *, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end())
        it = cache.emplace(utf8, utf8ToCp1251(utf8)).first;
    return it->second;
}

std::string trimmed(std::string s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    return s;
}

std::vector<std::string> splitOn(const std::string &text, char sep)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == sep) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

bool noData(const std::string &field) { return field.rfind(cp("н/д"), 0) == 0; }

bool names(const std::string &lower, const char *stem) { return contains(lower, cp(stem)); }

// A phrase that carries its noun: "красное кольцо", "два жёлтых кольца", "зелёная точка".
bool hasNoun(const std::string &lower)
{
    return names(lower, "кольц") || names(lower, "полос") || names(lower, "точк") || names(lower, "метк");
}

int russianCount(const std::string &lower)
{
    static const struct {
        const char *word;
        int n;
    } kCounts[] = {{"два ", 2}, {"две ", 2}, {"три ", 3}, {"четыре ", 4}};
    for (const auto &k : kCounts)
        if (lower.rfind(cp(k.word), 0) == 0)
            return k.n;
    return 1;
}

[[noreturn]] void cannot(int line, const std::string &what)
{
    throw std::runtime_error("marking table line " + std::to_string(line) + ": " + what);
}

// One column's words at one end. "-" and "точки нет" say there is no mark.
void readEnd(const std::string &text, EndMarks &end, int line)
{
    const std::string lower = lowerText(trimmed(text));
    if (lower.empty() || lower == "-" || names(lower, "нет"))
        return;
    if (!hasNoun(lower))
        cannot(line, "a mark without its kind (ring, band, dot): " + text);
    if (names(lower, "точк") || names(lower, "метк")) {
        const auto colour = firstColour(lower);
        if (!colour)
            cannot(line, "a dot without a colour: " + text);
        if (names(lower, "торц"))
            end.faceDot = Dot{*colour, false};
        else
            end.sideDot = Dot{*colour, false};
        return;
    }
    // Rings, listed from the end inward, "+" between them; the noun closes the list.
    for (const std::string &item : splitOn(lower, '+')) {
        const auto colour = firstColour(item);
        if (!colour)
            cannot(line, "a ring without a colour: " + text);
        const int n = russianCount(trimmed(item));
        for (int k = 0; k < n; ++k)
            end.rings.push_back(Ring{*colour, names(item, "широк"), false});
    }
}

// The body column: a colour mark on the body, at the end it names if it names one.
void readBody(const std::string &text, TableMarks &m, int line)
{
    const std::string lower = lowerText(trimmed(text));
    if (lower.empty() || lower == "-" || names(lower, "нет"))
        return;
    if (!names(lower, "точк") && !names(lower, "метк"))
        cannot(line, "a body mark that is not a dot: " + text);
    const auto colour = firstColour(lower);
    if (!colour)
        cannot(line, "a body mark without a colour: " + text);
    EndMarks *end = nullptr;
    if (names(lower, "катод"))
        end = &m.cathode;
    else if (names(lower, "анод"))
        end = &m.anode;
    if (!end) {
        m.bodyDot = Dot{*colour, false};
        return;
    }
    if (names(lower, "торц"))
        end->faceDot = Dot{*colour, false};
    else
        end->sideDot = Dot{*colour, false};
}

std::string describe(const EndMarks &e)
{
    std::ostringstream s;
    for (const Ring &r : e.rings)
        s << "r" << int(r.colour) << (r.wide ? "w" : "n") << ",";
    if (e.sideDot)
        s << "s" << int(e.sideDot->colour) << ",";
    if (e.faceDot)
        s << "f" << int(e.faceDot->colour) << ",";
    return s.str();
}

} // namespace

std::string TableMarks::signature() const
{
    if (!known)
        return "unknown";
    return "a:" + describe(anode) + " c:" + describe(cathode)
           + " b:" + (bodyDot ? std::to_string(int(bodyDot->colour)) : "");
}

TableMarks marksOfRecord(const std::vector<std::string> &fields, int line)
{
    TableMarks m;
    if (fields.size() < 3)
        cannot(line, "a record without its mark columns");
    // Key, body, two end columns (the last may be missing), drawing number.
    std::vector<std::string> f(fields.begin() + 1, fields.end() - 1);
    f.resize(3);
    for (const std::string &v : f)
        m.known = m.known || (!v.empty() && !noData(v));
    if (!m.known)
        return m;
    // A column whose words stop before their noun runs on into the next: the table's
    // separator fell inside the phrase ("фиолетовое широкое + зелёное@узкое + белое...").
    if (!noData(f[1]) && !noData(f[2]) && !hasNoun(lowerText(f[1])) && trimmed(f[1]) != "-"
        && hasNoun(lowerText(f[2])) && !firstColour(splitOn(lowerText(f[2]), '+')[0])) {
        f[1] = trimmed(f[1]) + " " + trimmed(f[2]);
        f[2] = "-";
    }
    const bool zener = line >= kFirstZener;
    if (!noData(f[0]))
        readBody(f[0], m, line);
    if (!noData(f[1]))
        readEnd(f[1], zener ? m.cathode : m.anode, line);
    if (!noData(f[2]))
        readEnd(f[2], zener ? m.anode : m.cathode, line);
    return m;
}

std::vector<MarkingRecord> readMarkingTable(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::stringstream s;
    s << in.rdbuf();
    std::vector<MarkingRecord> records;
    const auto lines = splitOn(s.str(), '\n');
    for (int i = kFirstRecord; i < static_cast<int>(lines.size()); ++i) {
        std::string l = lines[i];
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        if (l.empty() || l == " ")
            continue;
        MarkingRecord r;
        r.line = i;
        r.fields = splitOn(l, '@');
        r.fields.pop_back(); // after the last separator
        r.key = r.fields.front();
        r.marks = marksOfRecord(r.fields, i);
        records.push_back(std::move(r));
    }
    return records;
}

std::map<int, TableMarks> marksByDrawing(const std::vector<MarkingRecord> &records)
{
    std::map<int, TableMarks> out;
    std::map<int, const MarkingRecord *> firstOf;
    for (const MarkingRecord &r : records) {
        const int n = std::atoi(r.fields.back().c_str());
        const auto [it, fresh] = firstOf.emplace(n, &r);
        if (fresh) {
            out[n] = r.marks;
            continue;
        }
        if (it->second->marks.signature() != r.marks.signature())
            throw std::runtime_error("marking drawing " + std::to_string(n) + " is shared by records with different marks: "
                                     + it->second->key + " (line " + std::to_string(it->second->line) + ") and " + r.key
                                     + " (line " + std::to_string(r.line) + ")");
    }
    return out;
}

} // namespace drawings
