// Inventory: labels for the records and the codes on them that a scanner types back.
#include "inventory.h"
#include "recordcode.h"

#include "cp1251.h"

#include <algorithm>

namespace vosk {
namespace {

// A record's text in a note: control bytes (a code can name any bytes) shown as '?'.
std::string shown(std::string text)
{
    for (char &c : text)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            c = '?';
    return text;
}

bool blank(const std::string &text) { return text.find_first_not_of(' ') == std::string::npos; }

} // namespace

std::string Inventory::recordCode(int slot) const
{
    return vosk::recordCode({store_.category[slot], std::string(store_.name[slot]),
                             std::string(store_.description[slot])});
}

LabelText Inventory::labelText(int slot) const
{
    LabelText label;
    label.lines.emplace_back(store_.name[slot]);
    label.lines.push_back(categoryName(store_.category[slot]));
    if (const std::string description(store_.description[slot]); !blank(description))
        label.lines.push_back(description);
    if (const AttributeValues *values =
            attributes().find(store_.category[slot], store_.name[slot], store_.description[slot]);
        values && !(*values)[Attribute::Place].empty())
        label.lines.push_back((*values)[Attribute::Place]);
    label.code = recordCode(slot);
    return label;
}

std::vector<LabelText> Inventory::labelTexts(std::vector<int> rows) const
{
    if (rows.empty())
        for (std::size_t k = 0; k < rows_.size(); ++k)
            rows.push_back(static_cast<int>(k));
    std::vector<LabelText> labels;
    for (const int row : rows)
        if (row >= 0 && static_cast<std::size_t>(row) < rows_.size())
            labels.push_back(labelText(rows_[static_cast<std::size_t>(row)]));
    return labels;
}

CodeFind Inventory::findCode(std::string_view typed) const
{
    CodeFind found;
    const auto key = readRecordCode(typed);
    if (!key) {
        found.outcome.refuse(cp1251("Это не код этикетки: код начинается с «VB-» и пишется латинскими буквами, "
                                    "цифрами и дефисами."));
        return found;
    }
    found.code = true;
    found.key = *key;
    ViewList view;
    findRecords(store_, &names_, *key, view);
    if (view.viewcount > 0) {
        found.slot = view.viewlist[1];
        return found;
    }
    const std::string category = categoryName(key->category);
    const std::string description = blank(key->description) ? std::string() : " " + shown(key->description);
    found.outcome.refuse(cp1251("Нет записи с кодом ") + vosk::recordCode(*key) + cp1251(" (") +
                         (category.empty() ? cp1251("раздел ") + std::to_string(key->category) : category) + ": " +
                         shown(key->name) + description +
                         cp1251("). Детали этой записи могли забрать целиком, или запись переименовали."));
    return found;
}

int Inventory::rowOf(int slot) const
{
    const auto it = std::find(rows_.begin(), rows_.end(), slot);
    return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
}

} // namespace vosk
