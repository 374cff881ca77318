// params (`Tbase`): what records carry beside main.dat: the place and the minimum on the
// changing tab, their criteria on the search tab, and the shopping list up to the minimums.
#include "params.h"

#include "codec.h"
#include "controls.h"
#include "cp1251.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QFile>
#include <QLineEdit>
#include <QSpinBox>

namespace vosk {

void Tbase::buildAttributeInputs(QWidget *page)
{
    // Beside the type label and beside «Перевести в»: rows the changing tab leaves free.
    place = placeEdit(page, "place", {}, 264, 64, 94, 21);
    place->setPlaceholderText(tr8("Место"));
    place->setToolTip(tr8("Где лежат детали этой записи, например «ящик 3 / ячейка 12». "
                          "Записывается по Enter или при нажатии «Добавить»"));
    connect(place, &QLineEdit::editingFinished, this, [this] { attributeEdited(Attribute::Place); });
    // Right of «Перевести в» (as wide as its caption needs), up to the right edge of «tomove».
    const int left = movecomp->x() + movecomp->width() + 4;
    minimum = placeSpin(page, "minimum", 0, 65535, 0, left, 57, tomove->x() + tomove->width() - left, 22);
    minimum->setPrefix(tr8("Мин. "));
    minimum->setSpecialValueText(tr8("Мин.: нет"));
    minimum->setToolTip(tr8("Минимальный запас: когда деталей меньше, запись отмечается в списке"));
    connect(minimum, &QSpinBox::editingFinished, this, [this] { attributeEdited(Attribute::Minimum); });
    connect(description, &QLineEdit::textEdited, this, &Tbase::showAttributes);
}

void Tbase::buildAttributeCriteria(QWidget *page)
{
    findplace = placeEdit(page, "findplace", {}, 312, 30, 90, 21);
    findplace->setPlaceholderText(tr8("Место"));
    findplace->setEnabled(false);
    splace = placeCheck(page, "splace", tr8("Искать по месту"), false, 408, 32, 130, 17);
    sminimum = placeCheck(page, "sminimum", tr8("ниже минимума"), false, 312, 56, 130, 17);
    sminimum->setToolTip(tr8("Записи, в которых деталей меньше их минимального запаса"));
    connect(splace, &QCheckBox::toggled, findplace, &QWidget::setEnabled);
}

std::optional<AttributeCriteria> Tbase::attributeCriteria()
{
    AttributeCriteria criteria;
    if (splace->isChecked()) {
        const auto text = typedText(findplace->text());
        if (!text)
            return std::nullopt;
        criteria.place = *text;
    }
    criteria.belowMinimum = sminimum->isChecked();
    return criteria;
}

std::string Tbase::attributeInput(Attribute a) const
{
    if (a == Attribute::Minimum)
        return minimum->value() == 0 ? std::string() : std::to_string(minimum->value());
    return toCp1251(place->text()).value_or(std::string());
}

void Tbase::showAttributes()
{
    const auto typedName = toCp1251(name->text());
    const auto typedDescription = toCp1251(description->text());
    AttributeValues values;
    if (typedName && typedDescription) {
        const std::string &n = !pickedName_.whole.empty() && name->text() == pickedName_.shown ? pickedName_.whole : *typedName;
        const std::string &d = !pickedDescription_.whole.empty() && description->text() == pickedDescription_.shown
                                   ? pickedDescription_.whole
                                   : *typedDescription;
        values = inventory_->attributesOf(StockKey{categoryIndex(), n, d});
    }
    place->setText(fromCp1251(values[Attribute::Place]));
    place->setCursorPosition(0); // the start of a long place, not its end
    const std::string &least = values[Attribute::Minimum];
    minimum->setValue(least.empty() ? 0 : std::stoi(least));
}

bool Tbase::applyAttributes()
{
    const auto edit = editFromFields(false);
    if (!edit || edit->key.name.empty())
        return true;
    const AttributeValues stored = inventory_->attributesOf(edit->key);
    for (Attribute a : kAllAttributes) {
        if (a == Attribute::Place && !toCp1251(place->text())) {
            (void)typedText(place->text()); // says why
            return false;
        }
        const std::string typed = attributeInput(a);
        if (typed == stored[a])
            continue;
        const Outcome o = changing().setAttribute(edit->key, a, typed);
        apply(o);
        if (o.refused)
            return false;
    }
    return true;
}

void Tbase::attributeEdited(Attribute a)
{
    const auto edit = editFromFields(false);
    if (!edit || edit->key.name.empty() || categoryIndex() < 0)
        return; // nothing to set it on yet: «Добавить» sets it with the parts
    if (attributeInput(a) != inventory_->attributesOf(edit->key)[a])
        applyAttributes();
}

void Tbase::minimumShoppingClick()
{
    const QString path = chooseFile(FileUse::Shopping);
    if (path.isEmpty())
        return;
    apply(inventory_->writeMinimumShopping(QFile::encodeName(path).toStdString()));
}

} // namespace vosk
