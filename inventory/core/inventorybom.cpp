// A bill of materials in the bin: the boards it is built for, what they can be built from,
// and the list of what to buy.
#include "inventory.h"
#include "shoppinglist.h"

#include "cp1251.h"
#include "filebytes.h"
#include "textlines.h"

#include <algorithm>
#include <limits>
#include <set>

namespace vosk {
namespace {

// «1 плату», «3 платы», «5 плат».
std::string boardsWord(int64_t n)
{
    const int64_t tens = n % 100, ones = n % 10;
    if (tens >= 11 && tens <= 14)
        return std::to_string(n) + cp1251(" плат");
    if (ones == 1)
        return std::to_string(n) + cp1251(" плату");
    if (ones >= 2 && ones <= 4)
        return std::to_string(n) + cp1251(" платы");
    return std::to_string(n) + cp1251(" плат");
}


enum class Order { Mpn, Manufacturer, Supplier, SupplierPart, None };

// What an order column of a bill holds, by its name.
Order orderKind(std::string_view column)
{
    const std::string name = lowerAscii(column);
    auto has = [&name](std::initializer_list<const char *> words) {
        return std::any_of(words.begin(), words.end(), [&name](const char *w) { return name.find(w) != std::string::npos; });
    };
    const bool number = has({"part", "num", "no", "#", "pn", "sku", "order"});
    if (has({"lcsc", "digikey", "digi-key", "mouser", "farnell"}) || (has({"supplier", "vendor"}) && number))
        return Order::SupplierPart;
    if (has({"supplier", "vendor"}))
        return Order::Supplier;
    if (has({"mpn"}) || number)
        return Order::Mpn;
    if (has({"manuf", "mfr"}))
        return Order::Manufacturer;
    return Order::None;
}

std::string orderField(const BomOrder &order, Order kind)
{
    for (const std::string &e : order.extra)
        if (const size_t eq = e.find('='); orderKind(e.substr(0, eq)) == kind)
            return e.substr(eq + 1);
    return {};
}

} // namespace

void Inventory::applyBoards()
{
    for (BinRow &r : bin_) {
        if (!r.part || r.part->perBoard <= 0)
            continue;
        const int64_t need = std::min<int64_t>(r.part->perBoard * boards_, std::numeric_limits<int32_t>::max());
        r.needed = std::to_string(need);
        const long long stock = r.stock.empty() ? 0 : binNumber(r.stock);
        r.shortage = need > stock ? std::to_string(need - stock) : "0";
    }
}

Outcome Inventory::setBoards(int boards, bool exactFind)
{
    boards_ = std::clamp(boards, 1, kMaxBoards);
    applyBoards();
    const bool lookedUp = std::any_of(bin_.begin(), bin_.end(), [](const BinRow &r) { return r.status != BinStatus::Ready; });
    if (lookedUp && !pass_.active() && !pass_.finished())
        return findBin(exactFind);
    return {};
}

std::string Inventory::boardsAnswer() const
{
    int64_t can = std::numeric_limits<int64_t>::max();
    size_t parts = 0, problems = 0;
    for (const BinRow &r : bin_) {
        if (!r.part)
            continue;
        ++parts;
        if (!r.part->problem.empty()) {
            ++problems;
            continue;
        }
        if (r.part->perBoard > 0)
            can = std::min<int64_t>(can, (r.stock.empty() ? 0 : binNumber(r.stock)) / r.part->perBoard);
    }
    if (!parts)
        return {};
    if (can == std::numeric_limits<int64_t>::max())
        can = 0;
    std::string text = cp1251("можно собрать: ") + boardsWord(can);
    std::string lacks;
    int listed = 0, more = 0;
    for (const BinRow &r : bin_) {
        if (!r.part || !r.part->problem.empty() || r.part->perBoard <= 0)
            continue;
        const int64_t stock = r.stock.empty() ? 0 : binNumber(r.stock);
        const int64_t missing = r.part->perBoard * (can + 1) - stock;
        if (missing <= 0)
            continue;
        if (listed++ < 5)
            lacks += (lacks.empty() ? "" : ", ") + r.name + " " + std::to_string(missing);
        else
            ++more;
    }
    if (!lacks.empty())
        text += cp1251("; для ") + std::to_string(can + 1) + cp1251("-й не хватает: ") + lacks +
                (more ? cp1251(" и еще ") + std::to_string(more) : std::string());
    if (problems)
        text += cp1251("; не распознано строк: ") + std::to_string(problems) + cp1251(" (не учтены)");
    return text;
}

std::string Inventory::binSummary() const
{
    size_t green = 0, yellow = 0, red = 0, problems = 0;
    for (const BinRow &r : bin_) {
        if (r.part && !r.part->problem.empty())
            ++problems;
        else
            (r.status == BinStatus::Green ? green : r.status == BinStatus::Yellow ? yellow : red) += 1;
    }
    std::string text = cp1251("Корзина: строк ") + std::to_string(bin_.size()) + cp1251("; хватает: ") +
                       std::to_string(green) + cp1251(", мало: ") + std::to_string(yellow) + cp1251(", нет: ") +
                       std::to_string(red);
    const std::string boards = boardsAnswer();
    if (!boards.empty())
        text += "; " + boards;
    else if (problems)
        text += cp1251("; не распознано: ") + std::to_string(problems);
    return text;
}

namespace {

// The lines that buy `buy` parts for a row of a bill. Rows of one value that name different
// part numbers are bought as a line each; the stock serves the rows in the order of the file,
// so what is short falls on the last, and anything beyond what the boards need (a minimum to
// keep) on the first.
void appendBomLines(std::string &csv, const BomPart &p, const std::string &stockName, long long buy, int boards)
{
    std::vector<BomOrder> orders = p.orders;
    if (orders.empty())
        orders.push_back({{}, p.references, p.bomValue, p.footprint, p.perBoard});
    std::vector<long long> bought(orders.size());
    long long left = buy;
    for (size_t k = orders.size(); k-- > 0 && left > 0;) {
        bought[k] = std::min<long long>(left, orders[k].count * boards);
        left -= bought[k];
    }
    bought.front() += left;
    for (size_t k = 0; k < orders.size(); ++k) {
        if (bought[k] <= 0)
            continue;
        const BomOrder &o = orders[k];
        appendShoppingLine(csv, {std::to_string(bought[k]), orderField(o, Order::Mpn), orderField(o, Order::Manufacturer),
                                 o.bomValue, stockName, o.references, o.footprint, orderField(o, Order::Supplier),
                                 orderField(o, Order::SupplierPart)});
    }
}

} // namespace

std::string Inventory::shoppingCsv() const
{
    std::string csv = shoppingListHeader();
    for (const BinRow &r : bin_) {
        const long long short_ = binNumber(r.shortage);
        if (!r.part || short_ <= 0)
            continue;
        appendBomLines(csv, *r.part, r.part->problem.empty() ? r.name : std::string(), short_, boards_);
    }
    return csv;
}

bool Inventory::binHoldsBill() const
{
    return std::any_of(bin_.begin(), bin_.end(), [](const BinRow &r) { return r.part.has_value(); });
}

std::string Inventory::minimumShoppingCsv() const
{
    std::string csv = shoppingListHeader();
    // Records whose minimum a row of the bill has bought already.
    std::set<std::string> counted;
    auto minimumOf = [this, &counted](int category, std::string_view name, std::string_view description) -> long long {
        const uint32_t minimum = attributes().minimum(category, name, description);
        if (minimum == 0 || !counted.insert(RecordAttributes::identity(category, name, description)).second)
            return 0;
        return minimum;
    };
    std::vector<BinRow> bill;
    for (const BinRow &r : bin_)
        if (r.part)
            bill.push_back(r);
    if (!bill.empty()) {
        // Looked up afresh, so that the list follows the stock as it is now. Records taken to
        // nothing keep their minimum, and a row of the bill that would find them buys it too.
        const BinFind found = findbin(store_, names_, categories_, bill, true, false);
        CompStore gone;
        attributes().forEach([&](const StockKey &key, const AttributeValues &) {
            uint32_t quantity = 0;
            if (attributes().minimum(key.category, key.name, key.description) > 0 && !quantityOf(key, quantity) &&
                !gone.full())
                gone.append(static_cast<uint16_t>(key.category), key.name, 0, key.description);
        });
        const BinFind foundGone = findbin(gone, categories_, bill, true);
        size_t entry = 0, entryGone = 0;
        for (size_t k = 0; k < bill.size(); ++k) {
            long long stock = 0, minimum = 0;
            for (int n = 0; n < found.counts[k]; ++n, ++entry) {
                const uint16_t slot = found.listSlots[entry];
                stock += store_.quantity[slot];
                minimum += minimumOf(store_.category[slot], store_.name[slot], store_.description[slot]);
            }
            for (int n = 0; n < foundGone.counts[k]; ++n, ++entryGone) {
                const uint16_t slot = foundGone.listSlots[entryGone];
                minimum += minimumOf(gone.category[slot], gone.name[slot], gone.description[slot]);
            }
            // What the boards take beyond the stock, then their minimum once the boards are built.
            const long long buy = std::max(0LL, binNumber(bill[k].needed) + minimum - stock);
            const BomPart &p = *bill[k].part;
            const BinRow &row = found.rows[k];
            const std::string stockName = !p.problem.empty() ? std::string()
                                          : found.counts[k] > 0 || foundGone.counts[k] == 0
                                              ? row.name
                                              : foundGone.rows[k].name;
            if (buy > 0)
                appendBomLines(csv, p, stockName, buy, boards_);
        }
    }
    attributes().forEach([&](const StockKey &key, const AttributeValues &) {
        uint32_t quantity = 0;
        quantityOf(key, quantity);
        if (!belowMinimum(quantity, attributes().minimum(key.category, key.name, key.description)))
            return;
        const long long minimum = minimumOf(key.category, key.name, key.description);
        if (minimum == 0)
            return; // bought with a row of the bill
        const std::string description = key.description == " " ? std::string() : key.description;
        appendShoppingLine(csv, {std::to_string(minimum - quantity), std::string(), std::string(), key.name, key.name,
                                 std::string(), description, std::string(), std::string()});
    });
    return csv;
}

Outcome Inventory::writeMinimumShopping(const std::string &path) const
{
    if (binHoldsBill())
        return writeShoppingList(path, minimumShoppingCsv(), cp1251("Список покупок до минимума и для плат"),
                                 cp1251(" (плат: ") + std::to_string(boards_) + ")");
    return writeShoppingList(path, minimumShoppingCsv(), cp1251("Список покупок до минимума"), std::string());
}

Outcome Inventory::writeShoppingList(const std::string &path, const std::string &csv, const std::string &what,
                                     const std::string &after)
{
    Outcome out;
    const WriteResult written = replaceFileAtomically(path, csv);
    if (!written) {
        out.refuse(cp1251("Не удалось записать ") + pathForMessage(path) + (written.reason.empty() ? "" : ": " + written.reason), true);
        return out;
    }
    const size_t rows = static_cast<size_t>(std::count(csv.begin(), csv.end(), '\n')) - 1;
    out.status = what + cp1251(": строк ") + std::to_string(rows) + after + cp1251(" в ") + pathForMessage(path);
    return out;
}

Outcome Inventory::writeShopping(const std::string &path) const
{
    return writeShoppingList(path, shoppingCsv(), cp1251("Список покупок"),
                             cp1251(" (плат: ") + std::to_string(boards_) + ")");
}

} // namespace vosk
