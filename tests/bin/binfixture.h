#pragma once
#include "bin.h"
#include "compstore.h"
#include "cp1251.h"
#include "cp1251text.h"
#include "names.h"
#include "stock.h"
#include "takepass.h"
#include "nameindex.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace vosk {

// Readable failure messages: the texts in UTF-8.
inline void PrintTo(const BinRow &r, std::ostream *os)
{
    *os << "{" << statusWord(r.status) << ", " << r.category << ", \"" << utf8From1251(r.caption) << "\", \""
        << utf8From1251(r.name) << "\", \"" << utf8From1251(r.description) << "\", " << r.needed << ", "
        << r.shortage << ", \"" << r.found << "\"}";
}

inline void PrintTo(const ListRow &r, std::ostream *os)
{
    *os << "{" << int(r.icon) << ", \"" << utf8From1251(r.name) << "\", " << r.quantity << ", \""
        << utf8From1251(r.description) << "\"}";
}

} // namespace vosk

namespace vosk::test {

// Takes every take from the store through the same change as a take typed by hand (the
// inventory's pass does exactly this); returns the messages the user would see, in order.
inline std::vector<std::string> applyTakes(CompStore &store, ViewList &view, const std::vector<StockChange> &takes)
{
    std::vector<std::string> messages;
    for (const StockChange &t : takes) {
        const CanonicalName stored = canonicalName(t.key.category, t.key.name);
        if (!stored.ok()) {
            messages.push_back(stored.refusal);
            continue;
        }
        const StockKey key = makeStockKey(t.key.category, stored.name, t.key.description);
        const StockResult r = changeStock(store, view, key, t.amount, true);
        messages.insert(messages.end(), r.messages.begin(), r.messages.end());
    }
    return messages;
}

// A store, the category list and a bin, filled the way the window fills them: records as
// main.dat would hold them, bin rows as "Добавить" on the bin tab adds them.
struct BinBench {
    CompStore store;
    std::vector<std::string> cats;
    std::vector<BinRow> bin;
    BinFind find;

    BinBench()
    {
        for (const char *c : {"Разное", "Резисторы", "Резисторы SMD", "Переменные", "Конденсаторы", "Электролиты",
                              "Керамика", "Танталовые", "Транзисторы", "Диоды"})
            cats.push_back(cp1251(c));
    }
    // A record; names and descriptions are UTF-8 here.
    void rec(int cat, const char *name, int qty, const char *desc)
    {
        store.append(static_cast<uint16_t>(cat), cp1251(name), static_cast<uint16_t>(qty), cp1251(desc));
    }
    void row(int cat, const char *name, int needed, const char *desc = "")
    {
        bin.push_back(addbinrow(BinStatus::Ready, cat, cats, cp1251(name), std::to_string(needed), cp1251(desc), 0, ""));
    }
    // "Найти детали": the bin list shows the refreshed rows afterwards.
    // Every find also runs through the name index, which must find the same.
    void runFind(bool exact = true)
    {
        find = findbin(store, cats, bin, exact);
        NameIndex names;
        names.rebuild(store);
        const BinFind indexed = findbin(store, names, cats, bin, exact);
        EXPECT_EQ(indexed.rows, find.rows);
        EXPECT_EQ(indexed.list, find.list);
        EXPECT_EQ(indexed.listSlots, find.listSlots);
        EXPECT_EQ(indexed.counts, find.counts);
        bin = find.rows;
    }
};


} // namespace vosk::test
