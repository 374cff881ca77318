#include "tables.h"

#include "textlines.h"

#include <algorithm>
#include <unordered_set>

namespace vosk {

RefTable::RefTable(std::string_view bytes) : lines_(splitTextLines(bytes).lines) {}

std::optional<std::string_view> linekey(std::string_view line)
{
    if (line.empty() || line == " ")
        return std::nullopt;
    return line.substr(0, line.find(fieldsep));
}

int splitrecord(std::string_view line, Fields &fields)
{
    int n = 0;
    while (!line.empty() && n < 256) {
        const size_t sep = line.find(fieldsep);
        ++n;
        fields.slot[static_cast<size_t>(n)].assign(line.substr(0, sep));
        line = sep == std::string_view::npos ? std::string_view() : line.substr(sep + 1);
    }
    return n;
}

std::string cutpicnumber(std::string_view text) { return std::string(text.substr(0, text.find_first_of(",."))); }

RefTables RefTables::create(std::string_view marking, std::string_view params, std::string_view params2)
{
    RefTables t;
    t.marking = RefTable(marking);
    t.params = RefTable(params);
    t.params2 = RefTable(params2);
    const std::vector<uint16_t> base[4] = {{},
                                           {60, 100, 100, 100, 40},
                                           {50, 40, 40, 50, 70, 60},
                                           {60, 40, 40, 40, 45, 40, 50, 40, 25, 45, 40, 60}};
    for (int table = 1; table <= 3; ++table)
        for (size_t k = 0; k < base[table].size(); ++k)
            t.colwidth[static_cast<size_t>(table)][k + 1] = static_cast<uint16_t>(base[table][k] + colmargin);
    return t;
}

RefTable &RefTables::table(int t) { return t == 1 ? marking : t == 2 ? params : params2; }
const RefTable &RefTables::table(int t) const { return t == 1 ? marking : t == 2 ? params : params2; }

int RefTables::firstUserLine(int t) const
{
    const int start = userStart.at(static_cast<size_t>(t));
    return start < 0 ? table(t).count() : std::min(start, table(t).count());
}

uint32_t RefTables::userFields(int t, int line) const
{
    const auto &masks = userMask.at(static_cast<size_t>(t));
    return line >= 0 && static_cast<size_t>(line) < masks.size() ? masks[static_cast<size_t>(line)] : 0;
}

std::vector<std::string> allTypes(const RefTables &tables)
{
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    // The book's keys first (table 1 with its repeats), then the user's types not yet listed.
    for (const bool user : {false, true}) {
        for (int t = 1; t <= 3; ++t) {
            const RefTable &table = tables.table(t);
            const int from = user ? tables.firstUserLine(t) : RefTables::firstRecord[t];
            const int to = user ? table.count() : tables.firstUserLine(t);
            for (int i = from; i < to; ++i) {
                const auto key = linekey(table.line(i));
                if (!key)
                    continue;
                std::string k(*key);
                const bool isNew = seen.insert(k).second;
                if ((t == 1 && !user) || isNew)
                    out.push_back(std::move(k));
            }
        }
    }
    return out;
}

} // namespace vosk
