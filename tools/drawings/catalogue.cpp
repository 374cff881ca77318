#include "catalogue.h"

#include "text.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace drawings {

namespace {

std::vector<std::string> splitTabs(const std::string &line)
{
    std::vector<std::string> cells;
    std::string cell;
    for (char c : line) {
        if (c == '\t') {
            cells.push_back(cell);
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells.push_back(cell);
    return cells;
}

std::string trim(const std::string &s)
{
    std::size_t a = 0;
    std::size_t b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\r'))
        ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\r'))
        --b;
    return s.substr(a, b - a);
}

[[noreturn]] void bad(const std::string &path, int line, const std::string &what)
{
    throw std::runtime_error(path + ":" + std::to_string(line) + ": " + what);
}

// Millimetres with a decimal point or comma; the C locale stays out of it.
double number(const std::string &path, int line, const std::string &text)
{
    const std::string t = trim(text);
    if (t.empty())
        bad(path, line, "missing number");
    long long whole = 0;
    long long frac = 0;
    long long scale = 1;
    bool point = false;
    for (char c : t) {
        if (c >= '0' && c <= '9') {
            if (point) {
                frac = frac * 10 + (c - '0');
                scale *= 10;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
        } else {
            bad(path, line, "not a number: " + t);
        }
        if (whole > 100000 || scale > 1000000)
            bad(path, line, "number out of range: " + t);
    }
    return static_cast<double>(whole) + static_cast<double>(frac) / static_cast<double>(scale);
}

int whole(const std::string &path, int line, const std::string &text)
{
    const double v = number(path, line, text);
    if (v != static_cast<int>(v))
        bad(path, line, "not a whole number: " + text);
    return static_cast<int>(v);
}

} // namespace

std::vector<Entry> readCatalogue(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot open");
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string content = buffer.str();
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0)
        content.erase(0, 3);
    if (looksLikeUtf8(content))
        content = utf8ToCp1251(content);
    content = plainSigns(content);

    std::vector<std::string> lines;
    {
        std::string line;
        std::istringstream s(content);
        while (std::getline(s, line))
            lines.push_back(line);
    }
    if (lines.empty())
        throw std::runtime_error(path + ": empty");

    const std::vector<std::string> header = splitTabs(lines[0]);
    std::map<std::string, std::size_t> column;
    for (std::size_t i = 0; i < header.size(); ++i)
        column[trim(header[i])] = i;
    const char *required[] = {"set",          "drawing",       "width_px",         "height_px", "body",
                              "body_len_mm",  "body_diam_mm",  "lead_len_diam_mm", "marks",     "caption"};
    for (const char *name : required)
        if (!column.count(name))
            bad(path, 1, std::string("no column ") + name);

    std::vector<Entry> entries;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i) + 1;
        if (trim(lines[i]).empty())
            continue;
        const std::vector<std::string> cells = splitTabs(lines[i]);
        auto cell = [&](const char *name) -> std::string {
            const std::size_t k = column.at(name);
            return k < cells.size() ? trim(cells[k]) : std::string();
        };
        Entry e;
        e.line = lineNo;
        e.set = cell("set");
        e.number = whole(path, lineNo, cell("drawing"));
        e.width = whole(path, lineNo, cell("width_px"));
        e.height = whole(path, lineNo, cell("height_px"));
        e.body = cell("body");
        e.bodyLength = number(path, lineNo, cell("body_len_mm"));
        e.bodyDiameter = number(path, lineNo, cell("body_diam_mm"));
        const std::string lead = cell("lead_len_diam_mm");
        const std::size_t slash = lead.find('/');
        if (slash == std::string::npos)
            bad(path, lineNo, "lead size is not length/diameter: " + lead);
        e.leadLength = number(path, lineNo, lead.substr(0, slash));
        e.leadDiameter = number(path, lineNo, lead.substr(slash + 1));
        e.marks = cell("marks");
        e.caption = cell("caption");
        if (e.width < 1 || e.height < 1 || e.width > 1000 || e.height > 1000)
            bad(path, lineNo, "frame size out of range");
        if (e.bodyLength <= 0 || e.bodyDiameter <= 0 || e.leadDiameter <= 0)
            bad(path, lineNo, "body and lead sizes must be positive");
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<Entry> entriesOfSet(const std::vector<Entry> &all, const std::string &set)
{
    std::vector<Entry> chosen;
    for (const Entry &e : all)
        if (e.set == set)
            chosen.push_back(e);
    std::sort(chosen.begin(), chosen.end(),
              [](const Entry &a, const Entry &b) { return a.number < b.number; });
    for (std::size_t i = 0; i < chosen.size(); ++i)
        if (chosen[i].number != static_cast<int>(i) + 1)
            throw std::runtime_error("drawing set " + set + ": drawing " + std::to_string(i + 1)
                                     + " missing or doubled");
    return chosen;
}

} // namespace drawings
