#include "stock.h"

#include "cp1251.h"
#include "nameindex.h"
#include "valuecache.h"

#include <cstring>

namespace vosk {

std::string unstorableText(const std::string &text)
{
    for (char c : text)
        if (c == '\x01' || c == '\r' || c == '\n' || c == '\x1A')
            return cp1251("Название и описание не могут содержать управляющие символы "
                          "(переводы строк и коды 1, 26): такую строку нельзя сохранить в базе.");
    return {};
}

namespace {

void lookUp(const CompStore &store, const NameIndex *names, int category, std::string_view name,
            const std::string_view *description, ViewList &view)
{
    uint16_t count = 0;
    auto consider = [&](int s) {
        if (store.category[s] == category && store.name[s] == name && (!description || store.description[s] == *description))
            view.viewlist[++count] = static_cast<uint16_t>(s);
    };
    if (names) {
        // The whole key's chain when the description is known, else the name's.
        thread_local std::vector<uint16_t> named;
        if (description)
            names->findKey(store, category, name, *description, named);
        else
            names->find(store, name, named);
        for (const uint16_t s : named)
            consider(s);
    } else {
        for (int s = 1; s <= store.compcount; ++s)
            consider(s);
    }
    view.viewcount = count;
}

// The first record of quantity 0 at or before `upTo` (which holds 0), four slots at a time:
// a take that empties a record removes the first empty record of the store, as dropempty
// does, and the one just emptied is that one unless the file brought empty records before it.
int firstEmpty(const CompStore &store, int upTo)
{
    const uint16_t *q = store.quantity.data();
    int s = 1;
    for (; s + 3 <= upTo; s += 4) {
        uint64_t four;
        std::memcpy(&four, q + s, 8);
        // A lane of 16 zero bits makes its top bit set here (the classic zero-lane test).
        if (((four - 0x0001000100010001ull) & ~four & 0x8000800080008000ull) != 0)
            break;
    }
    for (; s <= upTo; ++s)
        if (q[s] == 0)
            return s;
    return upTo;
}

} // namespace

void findRecords(const CompStore &store, const NameIndex *names, const StockKey &key, ViewList &view)
{
    const std::string_view description = key.description;
    lookUp(store, names, key.category, key.name, &description, view);
}

void findNamed(const CompStore &store, const NameIndex *names, int category, std::string_view name, ViewList &view)
{
    lookUp(store, names, category, name, nullptr, view);
}

std::string newRecordRefusal(const StockKey &key)
{
    for (const auto &[text, field] : {std::pair{&key.name, "названии"}, std::pair{&key.description, "описании"}})
        for (const char c : *text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F)
                return cp1251("В ") + cp1251(field) + cp1251(" есть управляющий символ (код ") + std::to_string(byte) +
                       cp1251("): в базу записываются только печатные символы.");
        }
    return {};
}

std::string keyText(const StockKey &key, std::string_view categoryName)
{
    std::string text = cp1251("«") + key.name + cp1251("» (") + std::string(categoryName);
    if (!shownDescription(key.description).empty())
        text += ", " + key.description;
    return text + ")";
}

StockKey makeStockKey(int category, std::string name, std::string description)
{
    return {category, std::move(name), storedDescription(std::move(description))};
}

StockResult changeStock(CompStore &store, ViewList &view, const StockKey &key, int amount, bool take,
                        StoreIndexes *indexes)
{
    StockResult r;
    auto refuse = [&r](std::string text) {
        r.refused = true;
        r.messages.push_back(std::move(text));
        return r;
    };
    if (key.category < 0 || key.category > 0xFFFF)
        return refuse(cp1251("Выберите тип детали в списке разделов."));
    for (const std::string *text : {&key.name, &key.description})
        if (std::string why = unstorableText(*text); !why.empty())
            return refuse(why);

    findRecords(store, indexes ? &indexes->names : nullptr, key, view);
    if (view.viewcount > 1) {
        r.doubled = true;
        r.messages.push_back(kDetectedDouble);
    }
    const int slot = view.viewcount > 0 ? view.viewlist[1] : 0;

    if (take) {
        if (slot == 0) {
            r.messages.push_back(cp1251("Нет такой детали"));
            return r;
        }
        int rest = store.quantity[slot] - amount;
        if (rest < 0) {
            r.messages.push_back(cp1251("Не хватает ") + std::to_string(-rest) + cp1251("детали: ") +
                                 std::string(store.name[slot]) + " " + std::string(store.description[slot]));
            r.moved = store.quantity[slot];
            rest = 0;
        } else {
            r.moved = static_cast<uint32_t>(amount);
        }
        store.setQuantity(slot, static_cast<uint16_t>(rest));
        if (rest == 0) {
            if (indexes)
                removeIndexed(store, indexes->names, indexes->values, firstEmpty(store, slot));
            else
                store.dropempty();
        }
        return r;
    }

    // Quantities are 16 bits wide: a count past 65535 would wrap and corrupt the stock.
    const uint32_t before = slot ? store.quantity[slot] : 0;
    if (amount < 0 || before + static_cast<uint32_t>(amount) > 65535)
        return refuse(cp1251("Нельзя хранить больше 65535 деталей одного наименования: сейчас их ") +
                      std::to_string(before) + cp1251(", добавить ") + std::to_string(amount) +
                      cp1251(" не получится."));
    if (slot) {
        store.setQuantity(slot, static_cast<uint16_t>(before + static_cast<uint32_t>(amount)));
    } else {
        if (store.full())
            return refuse(cp1251("В базе уже 65535 записей: новую запись добавить нельзя."));
        if (std::string why = newRecordRefusal(key); !why.empty())
            return refuse(why);
        if (indexes)
            appendIndexed(store, indexes->names, indexes->values, static_cast<uint16_t>(key.category), key.name,
                          static_cast<uint16_t>(amount), key.description);
        else
            store.append(static_cast<uint16_t>(key.category), key.name, static_cast<uint16_t>(amount), key.description);
        r.createdSlot = store.compcount;
    }
    r.moved = static_cast<uint32_t>(amount);
    return r;
}

} // namespace vosk
