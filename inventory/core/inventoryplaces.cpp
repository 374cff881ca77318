// The places in use: renaming one on every record that holds it, and undoing that rename.
#include "inventory.h"

#include "cp1251.h"

namespace vosk {
namespace {

std::string quoted(const std::string &text) { return cp1251("«") + text + cp1251("»"); }

} // namespace

void Inventory::applyPlaces(const PlaceChange &change)
{
    {
        JournalGroup group(*this, ChangeSource::Places);
        for (const PlaceChange::Entry &e : change.entries)
            putAttribute(e.key, Attribute::Place, e.after);
    }
    listChanged();
}

Outcome Inventory::renamePlace(std::string from, std::string to)
{
    Outcome out;
    (void)normalizeAttribute(Attribute::Place, from); // typed as stored: blanks around it are none of it
    if (std::string why = attributesLocked(); !why.empty()) {
        out.refuse(std::move(why));
        return out;
    }
    if (std::string why = normalizeAttribute(Attribute::Place, to); !why.empty()) {
        out.refuse(std::move(why), true);
        return out;
    }
    if (to.empty()) {
        out.refuse(cp1251("Укажите новое название места ") + quoted(from) + ".");
        return out;
    }
    if (to == from) {
        out.refuse(cp1251("Новое название места совпадает с прежним: ничего не изменено."));
        return out;
    }
    PlaceChange change = placeRename(attributes(), from, to);
    if (change.entries.empty()) {
        out.refuse(cp1251("Места ") + quoted(from) + cp1251(" нет ни у одной записи: ничего не изменено."));
        return out;
    }
    size_t held = 0; // records holding the new text already: the two places become one
    attributes().forEach([&](const StockKey &, const AttributeValues &values) {
        held += values[Attribute::Place] == to ? 1 : 0;
    });
    applyPlaces(change);
    if (held > 0)
        out.inform(cp1251("Место ") + quoted(to) + cp1251(" уже было задано (записей: ") + std::to_string(held) +
                   cp1251("); теперь места ") + quoted(from) + cp1251(" и ") + quoted(to) +
                   cp1251(" объединены, записей в нём: ") + std::to_string(held + change.entries.size()) + ".");
    const size_t renamed = change.entries.size();
    lastPlaceRename_ = std::move(change);
    if (!batchmode_)
        out.then(refresh());
    out.status = cp1251("Место ") + quoted(from) + cp1251(" переименовано в ") + quoted(to) + cp1251(", записей: ") +
                 std::to_string(renamed) + ".";
    return out;
}

Outcome Inventory::undoPlaceRename()
{
    Outcome out;
    if (!lastPlaceRename_) {
        out.refuse(cp1251("Нет переименования места, которое можно отменить."));
        return out;
    }
    if (std::string why = attributesLocked(); !why.empty()) {
        out.refuse(std::move(why));
        return out;
    }
    const PlaceChange back = lastPlaceRename_->inverse();
    for (const PlaceChange::Entry &e : back.entries)
        if (attributes().value(e.key, Attribute::Place) != e.before) {
            out.refuse(cp1251("Место записи ") + quoted(e.key.name) + cp1251(" изменено после переименования: отменить его "
                                                                        "нельзя; ничего не изменено."));
            return out;
        }
    applyPlaces(back);
    lastPlaceRename_.reset();
    if (!batchmode_)
        out.then(refresh());
    out.status = cp1251("Переименование отменено: место ") + quoted(back.to) + cp1251(" снова у записей: ") +
                 std::to_string(back.entries.size()) + ".";
    return out;
}

} // namespace vosk
