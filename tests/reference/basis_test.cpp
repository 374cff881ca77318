// The recorded basis of every figure of the reference tables (resources/reference/basis.tsv)
// and the published figures they are held against (resources/reference/public-figures.tsv).
// The checks run on the committed files and on copies spoiled on purpose, so that each of
// them is seen to catch what it is there for.

#include "reffixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <sstream>

using namespace vosk;
using namespace vosk::test;

namespace {

// Everything below works on UTF-8: the published rows hold signs code page 1251 lacks.
struct Tables {
    std::map<std::string, std::vector<std::string>> lines; // "marking", "params", "params2"
    std::map<std::string, int> first{{"marking", 5}, {"params", 6}, {"params2", 12}};
};

Tables utf8Tables(const RefTables &t)
{
    Tables out;
    const std::pair<const char *, const RefTable *> all[] = {
        {"marking", &t.marking}, {"params", &t.params}, {"params2", &t.params2}};
    for (const auto &[name, tab] : all)
        for (int i = 0; i < tab->count(); ++i)
            out.lines[name].push_back(utf8From1251(tab->line(i)));
    return out;
}

std::vector<std::string> split(const std::string &text, char sep)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == sep) {
            parts.push_back(part);
            part.clear();
        } else if (c != '\r') {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

std::vector<std::vector<std::string>> readTsv(const std::string &text)
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string &line : split(text, '\n'))
        if (!line.empty())
            rows.push_back(split(line, '\t'));
    if (!rows.empty())
        rows.erase(rows.begin()); // the header
    return rows;
}

std::string trim(std::string s)
{
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    return s;
}

bool startsWith(const std::string &s, const std::string &prefix) { return s.rfind(prefix, 0) == 0; }
bool has(const std::string &s, const std::string &part) { return s.find(part) != std::string::npos; }

const std::string kNoData = "н/д";

// Value fields of a record: fields 2 .. n-1, numbered as the columns are.
std::vector<std::string> fieldsOf(const std::string &line)
{
    std::vector<std::string> f = split(line, '@');
    f.pop_back(); // after the last separator
    return f;
}

bool isRecord(const std::string &line) { return !line.empty() && line != " "; }

// The column a published row names by its title. The zener block of the marking table
// carries the anode and cathode columns the other way round.
int columnOf(const Tables &t, const std::string &table, const std::string &title, int line)
{
    const auto &lines = t.lines.at(table);
    for (int c = 0; c < t.first.at(table); ++c)
        if (trim(lines[c]) == trim(title)) {
            int col = c + 1;
            if (table == "marking" && line >= 83 && (col == 3 || col == 4))
                col = 7 - col;
            return col;
        }
    return 0;
}

int firstLineOf(const Tables &t, const std::string &table, const std::string &key)
{
    const auto &lines = t.lines.at(table);
    for (int i = t.first.at(table); i < static_cast<int>(lines.size()); ++i)
        if (isRecord(lines[i]) && fieldsOf(lines[i])[0] == key)
            return i;
    return -1;
}

// A figure as a range in the column's own unit: "340 мВт" in a column of watts is 0.34,
// "18…35 Ом" is 18 to 35, a bare number is taken in the column's unit.
struct Range {
    double lo = 0, hi = 0;
};

double columnUnit(const std::string &table, int column)
{
    if (table == "params")
        return column == 4 ? 1e-6 : 1.0; // V, A, µA
    if (table == "params2" && (column == 5 || column == 6 || column == 7 || column == 10))
        return 1e-3; // mA
    return 1.0; // V, W, Ohm, %
}

std::optional<Range> quantity(std::string text, const std::string &table, int column)
{
    text = std::regex_replace(text, std::regex(R"(\[[^\]]*\])"), "");
    static const std::regex number(R"(([0-9]+(?:[.,][0-9]+)?)(?:\s*(?:…|\.\.\.|-|до)\s*([0-9]+(?:[.,][0-9]+)?))?\s*\(?\s*(мкА|мА|мВт|Вт|кОм|Ом|А|В)?)");
    std::smatch m;
    if (!std::regex_search(text, m, number))
        return std::nullopt;
    auto value = [](std::string s) {
        std::replace(s.begin(), s.end(), ',', '.');
        return std::stod(s);
    };
    static const std::map<std::string, double> scale{{"мкА", 1e-6}, {"мА", 1e-3}, {"мВт", 1e-3}, {"Вт", 1.0},
                                                     {"кОм", 1e3},  {"Ом", 1.0},  {"А", 1.0},     {"В", 1.0}};
    const double unit = m[3].matched ? scale.at(m[3]) : columnUnit(table, column);
    const double k = unit / columnUnit(table, column);
    Range r;
    r.lo = value(m[1]) * k;
    r.hi = m[2].matched ? value(m[2]) * k : r.lo;
    return r;
}

// Marks in words: the published text without its notes in brackets and without the end it
// names, which the column already says.
std::string markWords(std::string text)
{
    text = std::regex_replace(text, std::regex(R"(\[[^\]]*\]|\([^)]*\))"), "");
    text = trim(text);
    for (const std::string end : {" у анода", " у катода"})
        if (text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0)
            text.erase(text.size() - end.size());
    return trim(text);
}

bool agrees(const std::string &table, int column, const std::string &field, const std::string &published)
{
    if (table == "marking")
        return field == markWords(published);
    const auto have = quantity(field, table, column);
    const auto want = quantity(published, table, column);
    if (!have || !want || have->lo != have->hi)
        return false;
    const double eps = 1e-9 * std::max(1.0, std::abs(have->lo));
    return have->lo >= want->lo - eps && have->lo <= want->hi + eps;
}

// The zener voltage a Soviet designation carries: КС133А is 3,3 V, КС210Б 10 V, КС620А
// 120 V. The digit after the letters gives the power class and the decade.
std::optional<double> voltageOfDesignation(const std::string &key)
{
    static const std::regex code(R"(^(?:КС|2С) ?([1-9])([0-9]{2}))");
    std::smatch m;
    if (!std::regex_search(key, m, code))
        return std::nullopt;
    const int d = std::stoi(m[1]);
    const int xy = std::stoi(m[2]);
    if (d % 3 == 1)
        return xy / 10.0;
    if (d % 3 == 2)
        return static_cast<double>(xy);
    return 100.0 + xy;
}

struct Report {
    std::vector<std::string> problems;
    std::map<std::string, int> counts; // per basis
    void operator()(const std::string &p) { problems.push_back(p); }
};

Report checkBasis(const Tables &t, const std::string &basisTsv, const std::string &publicTsv)
{
    Report report;
    const auto basis = readTsv(basisTsv);
    const auto published = readTsv(publicTsv);

    // Published rows: how each is used must fit what the row is.
    for (const auto &p : published) {
        if (p.size() != 7) {
            report("published row without its 7 columns: " + (p.empty() ? "" : p[0]));
            continue;
        }
        const std::string &value = p[3];
        const std::string &use = p[6];
        const bool weak = has(value, "SPICE") || has(value, "suspect");
        const bool inferred = has(value, "column inferred");
        const std::string what = p[0] + " " + p[1] + " " + p[2] + " = " + value;
        if (use == "basis" && (weak || inferred))
            report("a weak row used as a basis: " + what);
        if (startsWith(use, "weak") && !weak)
            report("a handbook-grade row set aside as weak: " + what);
        if (startsWith(use, "corroborates") && !inferred)
            report("only a row whose column is inferred merely corroborates: " + what);
        if (startsWith(use, "not used") && trim(use.substr(std::string("not used").size())).size() < 10)
            report("a row set aside without its reason: " + what);
        if (use != "basis" && !startsWith(use, "weak") && !startsWith(use, "corroborates")
            && !startsWith(use, "not used"))
            report("unknown use '" + use + "': " + what);
    }

    // Basis rows: each names a filled field of a record, once.
    std::map<std::tuple<std::string, int, int>, const std::vector<std::string> *> byField;
    for (const auto &b : basis) {
        if (b.size() != 6) {
            report("basis row without its 6 columns");
            continue;
        }
        const std::string &table = b[0];
        const int line = std::atoi(b[1].c_str());
        const int column = std::atoi(b[3].c_str());
        const std::string where = table + " line " + b[1] + " " + b[2] + " column " + b[3];
        if (!t.lines.count(table) || line < t.first.at(table)
            || line >= static_cast<int>(t.lines.at(table).size()) || !isRecord(t.lines.at(table)[line])) {
            report("basis of no record: " + where);
            continue;
        }
        const auto f = fieldsOf(t.lines.at(table)[line]);
        if (f[0] != b[2])
            report("basis names the wrong key: " + where + " holds " + f[0]);
        if (column < 2 || column >= static_cast<int>(f.size())) {
            report("basis of no value field: " + where);
            continue;
        }
        if (startsWith(f[column - 1], kNoData))
            report("basis given for a field without data: " + where);
        if (!byField.emplace(std::make_tuple(table, line, column), &b).second)
            report("two bases for one field: " + where);
        const std::string &kind = b[4];
        const std::string &source = b[5];
        ++report.counts[kind];
        if (kind == "public") {
            bool cited = false;
            for (const auto &p : published)
                cited = cited || (p.size() == 7 && p[0] == table && p[1] == b[2] && p[4] == source && p[6] == "basis");
            if (!cited)
                report("public basis without a published row of this type at " + source + ": " + where);
        } else if (kind == "type name") {
            const auto v = voltageOfDesignation(b[2]);
            const auto have = quantity(f[column - 1], table, column);
            if (table != "params2" || column != 3 || !v || !have || std::abs(have->lo - *v) > 1e-9)
                report("not read from the designation: " + where + " = " + f[column - 1]);
        } else if (kind != "recalled") {
            report("unknown basis '" + kind + "': " + where);
        }
        if (kind != "public" && !source.empty())
            report("a source given for a basis that has none: " + where);
    }

    // Every filled field has its basis.
    for (const auto &[table, lines] : t.lines)
        for (int i = t.first.at(table); i < static_cast<int>(lines.size()); ++i) {
            if (!isRecord(lines[i]))
                continue;
            const auto f = fieldsOf(lines[i]);
            for (int c = 2; c < static_cast<int>(f.size()); ++c)
                if (!startsWith(f[c - 1], kNoData) && !byField.count({table, i, c}))
                    report("no basis for " + table + " line " + std::to_string(i) + " " + f[0] + " column "
                           + std::to_string(c) + " = " + f[c - 1]);
        }

    // Published figures: a basis row stands in the table, cited; no field contradicts a
    // row that is not weak. A lookup shows the first record of a key, so that is the one.
    for (const auto &p : published) {
        if (p.size() != 7 || !(p[6] == "basis" || startsWith(p[6], "corroborates")))
            continue;
        const std::string what = p[0] + " " + p[1] + " " + p[2] + " = " + p[3];
        if (!t.lines.count(p[0])) {
            report("published row of no table: " + what);
            continue;
        }
        const int line = firstLineOf(t, p[0], p[1]);
        if (line < 0) {
            report("published row of a type the table lacks: " + what);
            continue;
        }
        const int column = columnOf(t, p[0], p[2], line);
        const auto f = fieldsOf(t.lines.at(p[0])[line]);
        if (column < 2 || column >= static_cast<int>(f.size())) {
            report("published row of no column: " + what);
            continue;
        }
        const std::string &field = f[column - 1];
        if (startsWith(field, kNoData)) {
            if (p[6] == "basis")
                report("a published figure left out: " + what);
            continue;
        }
        if (!agrees(p[0], column, field, p[3]))
            report("the table contradicts a published figure: " + what + ", table " + field);
        if (p[6] == "basis") {
            const auto b = byField.find({p[0], line, column});
            if (b == byField.end() || (*b->second)[4] != "public")
                report("a published figure not recorded as public: " + what);
        }
    }
    return report;
}

std::string join(const std::vector<std::string> &v)
{
    std::string s;
    for (const auto &x : v)
        s += x + "\n";
    return s;
}

std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

struct Committed {
    std::string marking = sourceFile("resources/reference/marking.txt");
    std::string params = sourceFile("resources/reference/params.txt");
    std::string params2 = sourceFile("resources/reference/params2.txt");
    std::string basis = sourceFile("resources/reference/basis.tsv");
    std::string published = sourceFile("resources/reference/public-figures.tsv");
    Tables tables() const { return utf8Tables(RefTables::create(marking, params, params2)); }
};

} // namespace

TEST(RefBasis, EveryFigureHasItsBasisAndAgreesWithThePublishedRows)
{
    const Committed c;
    const Report r = checkBasis(c.tables(), c.basis, c.published);
    EXPECT_TRUE(r.problems.empty()) << join(r.problems);
    // The published rows are in use: the marks and ranges they give stand in the tables.
    EXPECT_GE(r.counts.at("public"), 10);
    EXPECT_GT(r.counts.at("type name"), 0);
    EXPECT_GT(r.counts.at("recalled"), 0);
    const Tables t = c.tables();
    EXPECT_EQ(t.lines.at("marking")[firstLineOf(t, "marking", "Д814Д1")], "Д814Д1@-@-@три узких чёрных кольца@28@");
    EXPECT_EQ(fieldsOf(t.lines.at("marking")[firstLineOf(t, "marking", "КД105В")])[1], "зелёная точка");
    EXPECT_EQ(fieldsOf(t.lines.at("marking")[firstLineOf(t, "marking", "КД105Г")])[1], "красная точка");
}

TEST(RefBasis, SpoiledCopiesAreCaught)
{
    const Committed c;
    const auto problemsWith = [&](const std::string &marking, const std::string &params2, const std::string &basis,
                                  const std::string &published) {
        return checkBasis(utf8Tables(RefTables::create(marking, c.params, params2)), basis, published).problems;
    };
    const auto mentions = [](const std::vector<std::string> &problems, const std::string &what) {
        for (const auto &p : problems)
            if (has(p, what))
                return true;
        return false;
    };

    // A figure filled without a basis.
    auto p = problemsWith(c.marking, replaced(c.params2, cp1251("Д815И@н/д@"), cp1251("Д815И@20@")), c.basis, c.published);
    EXPECT_TRUE(mentions(p, "no basis for params2 line 24 Д815И column 2")) << join(p);

    // A figure against a published one: 15 V where the page says 14 V at most.
    p = problemsWith(c.marking, replaced(c.params2, cp1251("Д814Д1@11,5@13@14@"), cp1251("Д814Д1@11,5@13@15@")),
                     c.basis, c.published);
    EXPECT_TRUE(mentions(p, "contradicts a published figure: params2 Д814Д1 Uст, В макс.")) << join(p);

    // Milliwatts against watts: 340 mW is 0,34 W, not 0,4.
    p = problemsWith(c.marking, replaced(c.params2, cp1251("@0,34@6@5@+0,07@"), cp1251("@0,4@6@5@+0,07@")),
                     c.basis, c.published);
    EXPECT_TRUE(mentions(p, "contradicts a published figure: params2 Д814А1 Pмакс")) << join(p);

    // The zener block swaps the anode and cathode columns: rings written in the cathode
    // column are a published figure left out.
    p = problemsWith(replaced(c.marking, cp1251("Д814Д1@-@-@три узких чёрных кольца@"),
                              cp1251("Д814Д1@-@три узких чёрных кольца@-@")),
                     c.params2, c.basis, c.published);
    EXPECT_TRUE(mentions(p, "contradicts a published figure: marking Д814Д1")) << join(p);

    // A published mark taken out again.
    p = problemsWith(replaced(c.marking, cp1251("КД105В@зелёная точка@"), cp1251("КД105В@н/д@")), c.params2,
                     c.basis, c.published);
    EXPECT_TRUE(mentions(p, "a published figure left out: marking КД105В")) << join(p);
    EXPECT_TRUE(mentions(p, "basis given for a field without data: marking line 23")) << join(p);

    // A voltage claimed from the designation that the designation does not give.
    p = problemsWith(c.marking, replaced(c.params2, cp1251("КС133А@2,97@3,3@"), cp1251("КС133А@2,97@3,6@")), c.basis,
                     c.published);
    EXPECT_TRUE(mentions(p, "not read from the designation: params2 line 58 КС133А column 3")) << join(p);

    // A public basis whose address is not among the published rows of that type.
    p = problemsWith(c.marking, c.params2,
                     replaced(c.basis, "params2\t16\tД814Д1\t2\tpublic\thttps://shematok.ru/stabilitrony/d814d",
                              "params2\t16\tД814Д1\t2\tpublic\thttps://elquanta.ru/novoe/d815.html"),
                     c.published);
    EXPECT_TRUE(mentions(p, "public basis without a published row of this type")) << join(p);

    // A simulation model's figure made a basis, and a handbook row set aside as weak.
    p = problemsWith(c.marking, c.params2, c.basis,
                     replaced(replaced(c.published, "weak: a simulation model, not a rating", "basis"),
                              "Uст, В мин.\t11,5 В\thttps://shematok.ru/stabilitrony/d814d\tНапряжение стабилизации от 11,5 до 14 В, при токе от 3 до 24 мА.\tbasis",
                              "Uст, В мин.\t11,5 В\thttps://shematok.ru/stabilitrony/d814d\tНапряжение стабилизации от 11,5 до 14 В, при токе от 3 до 24 мА.\tweak: dull"));
    EXPECT_TRUE(mentions(p, "a weak row used as a basis")) << join(p);
    EXPECT_TRUE(mentions(p, "a handbook-grade row set aside as weak")) << join(p);
}

TEST(RefBasis, FiguresReadInTheirColumnsUnits)
{
    EXPECT_TRUE(agrees("params2", 8, "0,34", "340 мВт (Т≤+35 °С)"));
    EXPECT_TRUE(agrees("params2", 8, "0,34", "340 (мВт) [column inferred]"));
    EXPECT_TRUE(agrees("params2", 9, "18", "18…35 Ом"));
    EXPECT_FALSE(agrees("params2", 9, "36", "18…35 Ом"));
    EXPECT_TRUE(agrees("params2", 7, "40", "40 мА (Т=+35 °С)"));
    EXPECT_TRUE(agrees("params2", 3, "8.0", "8,0 [column inferred]"));
    EXPECT_TRUE(agrees("params", 3, "100 мА", "0,1 А"));
    EXPECT_FALSE(agrees("params", 3, "0,3", "150 мА"));
    EXPECT_FALSE(agrees("params2", 3, "8-9", "8 В"));
    EXPECT_TRUE(agrees("marking", 4, "три узких чёрных кольца", "три узких чёрных кольца у анода (корпус KD-3A)"));
    EXPECT_FALSE(agrees("marking", 2, "зелёная точка", "красная точка"));
    EXPECT_EQ(voltageOfDesignation("КС133А"), 3.3);
    EXPECT_EQ(voltageOfDesignation("КС 156А"), 5.6);
    EXPECT_EQ(voltageOfDesignation("КС210Б"), 10.0);
    EXPECT_EQ(voltageOfDesignation("КС620А"), 120.0);
    EXPECT_EQ(voltageOfDesignation("КС980А"), 180.0);
    EXPECT_EQ(voltageOfDesignation("КС568В(2)"), 68.0);
    EXPECT_FALSE(voltageOfDesignation("Д814А1"));
}
