// What records carry beside main.dat: setting an attribute, carrying them along a move, the
// shortage of a record below its minimum and the shopping list that makes it up.
#include "inventory.h"
#include "shoppinglist.h"

#include "cp1251.h"
#include "filebytes.h"
#include "names.h"

#include <algorithm>

namespace vosk {

std::optional<StockKey> Inventory::storedKey(int category, const std::string &name, const std::string &description) const
{
    if (category < 0 || static_cast<std::size_t>(category) >= categories_.size())
        return std::nullopt;
    const CanonicalName stored = canonicalName(category, name);
    // A record stored under a name typing would now refuse keeps its attributes by that name.
    if (!stored.ok() && stored.conversionError)
        return std::nullopt;
    return makeStockKey(category, stored.ok() ? stored.name : name, description);
}

AttributeValues Inventory::attributesOf(const StockKey &record) const
{
    const std::optional<StockKey> key = storedKey(record.category, record.name, record.description);
    const AttributeValues *values = key ? attributes().find(*key) : nullptr;
    return values ? *values : AttributeValues{};
}

std::string Inventory::rowAttribute(int row, Attribute a) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return {};
    const uint16_t slot = rows_[static_cast<std::size_t>(row)];
    const AttributeValues *values = attributes().find(store_.category[slot], store_.name[slot], store_.description[slot]);
    return values ? (*values)[a] : std::string();
}

std::string Inventory::rowShortage(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || attributes().records() == 0)
        return {};
    const uint16_t slot = rows_[static_cast<std::size_t>(row)];
    return belowMinimumText(store_.quantity[slot],
                            attributes().minimum(store_.category[slot], store_.name[slot], store_.description[slot]));
}

std::string Inventory::attributesLocked() const
{
    if (readOnly())
        return cp1251("База открыта только для просмотра: изменения не сохраняются.");
    if (!folder_->attributesWritable())
        return cp1251("Файл ") + std::string(RecordAttributes::kFileName) +
               cp1251(" не прочитан целиком: места и минимумы в этот раз не меняются.");
    return {};
}

bool Inventory::putAttribute(const StockKey &key, Attribute a, const std::string &value)
{
    if (!folder_->attributes().set(key, a, value))
        return false;
    (void)folder_->record(AttributeChange{key.category, key.name, key.description, attributeInfo(a).key, value}); // a failure is said by the folder; the value stays in memory
    return true;
}

Outcome Inventory::setAttribute(const StockKey &record, Attribute a, std::string value)
{
    Outcome out;
    if (std::string why = attributesLocked(); !why.empty()) {
        out.refuse(std::move(why));
        return out;
    }
    if (std::string why = normalizeAttribute(a, value); !why.empty()) {
        out.refuse(why, true);
        return out;
    }
    const std::optional<StockKey> key = storedKey(record.category, record.name, record.description);
    if (!key || record.name.empty()) {
        out.refuse(cp1251("Укажите раздел и название детали, чтобы задать ей «") + cp1251(attributeInfo(a).title) +
                   cp1251("»."));
        return out;
    }
    if (putAttribute(*key, a, value)) {
        listChanged();
        if (!batchmode_)
            out.then(refresh());
    }
    return out;
}

void Inventory::carryAttributes(const StockKey &from, const StockKey &to, Outcome &out)
{
    const AttributeValues *source = attributes().find(from);
    if (!source)
        return;
    const AttributeValues moved = *source;
    const AttributeValues *held = attributes().find(to);
    const AttributeValues target = held ? *held : AttributeValues{};
    std::string kept;
    for (Attribute a : kAllAttributes) {
        if (moved[a].empty())
            continue;
        if (target[a].empty())
            putAttribute(to, a, moved[a]);
        else if (target[a] != moved[a])
            kept += cp1251("\r«") + cp1251(attributeInfo(a).title) + cp1251("»: оставлено «") + target[a] +
                    cp1251("», у переведённых деталей было «") + moved[a] + cp1251("»");
    }
    if (!kept.empty())
        out.inform(cp1251("Детали переведены в запись «") + to.name + cp1251("» раздела «") + categoryName(to.category) +
                   cp1251("», у которой уже заданы свои значения; они оставлены:") + kept);
    // Every part left: the source record is gone from the stock, and with it what it carried.
    uint32_t left = 0;
    if (!quantityOf(from, left))
        for (Attribute a : kAllAttributes)
            putAttribute(from, a, {});
}

bool Inventory::quantityOf(const StockKey &key, uint32_t &quantity) const
{
    ViewList view;
    findRecords(store_, &names_, key, view);
    quantity = 0;
    for (uint16_t i = 1; i <= view.viewcount; ++i)
        quantity += store_.quantity[view.viewlist[i]];
    return view.viewcount > 0;
}

void Inventory::setImportedAttributes(const ImportEntry &entry, std::vector<AttributeBefore> &before)
{
    if (!folder_->attributesWritable())
        return;
    for (Attribute a : kAllAttributes) {
        const auto &given = entry.attributes[static_cast<size_t>(a)];
        if (!given)
            continue;
        std::string was = attributes().value(entry.key, a);
        if (putAttribute(entry.key, a, *given))
            before.push_back({entry.key, a, std::move(was)});
    }
}

void Inventory::restoreImportedAttributes()
{
    // Last set first: a record set twice gets its first value back.
    for (auto it = importAttributes_.rbegin(); it != importAttributes_.rend(); ++it)
        putAttribute(it->key, it->attribute, it->value);
    importAttributes_.clear();
}

size_t Inventory::belowMinimumCount() const
{
    size_t count = 0;
    attributes().forEach([&](const StockKey &key, const AttributeValues &) {
        const uint32_t minimum = attributes().minimum(key.category, key.name, key.description);
        uint32_t quantity = 0;
        if (minimum > 0 && (quantityOf(key, quantity), belowMinimum(quantity, minimum)))
            ++count;
    });
    return count;
}

} // namespace vosk
