// The changing tab: adding, taking and moving parts, and picking a record from the list.
#include "params.h"

#include "Unit1.h"
#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "messages.h"
#include "nominal.h"
#include "stock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

namespace vosk {

void Tbase::addClick() { changeStockFromFields(kolvo->value()); }

std::optional<uint32_t> Tbase::changeStockFromFields(int amount)
{
    const int cat = categoryIndex();
    if (cat < 0) {
        messages_.inform(cp1251("Выберите тип детали в списке разделов: без него деталь некуда записать."));
        return std::nullopt;
    }
    const auto typedName = typedText(name->text());
    const auto typedDescription = typedText(description->text());
    if (!typedName || !typedDescription)
        return std::nullopt;
    StockKey key{cat, *typedName, typedDescription->empty() ? std::string(" ") : *typedDescription};
    if (cat >= 1 && cat <= 6) {
        try {
            key.name = shownominal(readnominal(cat, key.name));
        } catch (const NumberConversionError &e) {
            messages_.error(e.message());
            return std::nullopt;
        }
    }
    const StockResult r = changeStock(store_, view_, key, amount, remove->isChecked());
    for (const std::string &text : r.messages)
        messages_.inform(text);
    if (r.refused)
        return std::nullopt;
    if (r.createdSlot)
        addrow(store_.category[r.createdSlot], store_.name[r.createdSlot], store_.quantity[r.createdSlot],
               store_.description[r.createdSlot]);
    if (r.moved || r.createdSlot)
        setstatus(std::to_string(store_.totalqty) + cp1251(" деталей"));
    // The refill keeps the user's own choice of exact or partial matching.
    if (!batchmode_)
        refreshlist();
    delay->start();
    add->setEnabled(false);
    return r.moved;
}

void Tbase::removeClick() { add->setText(remove->isChecked() ? tr8("Убрать") : tr8("Добавить")); }

void Tbase::delayTimer()
{
    add->setEnabled(true);
    delay->stop();
}

void Tbase::nameClick() { recognisename(name->text()); }

void Tbase::nameKeyUp() { recognisename(name->text()); }

void Tbase::recognisename(const QString &text)
{
    const auto bytes = toCp1251(text);
    if (!bytes)
        return; // refused when it is used; no box at every key
    int guessed = guesstype(*bytes, dictionary_);
    if (guessed >= ComboBox->count())
        guessed = -1;
    if (guessed != categoryIndex()) {
        ComboBox->setCurrentIndex(guessed);
        selectcategory();
    }
    try {
        understand->setText(QString::fromLatin1(generalFormat(readnominal(categoryIndex(), *bytes))));
    } catch (const NumberConversionError &e) {
        messages_.error(e.message());
    }
}

void Tbase::pickrow()
{
    const QModelIndex current = list->currentIndex();
    if (!current.isValid() || !list->selectionModel()->isRowSelected(current.row(), {}))
        return;
    const ListRow &row = listModel_->rows()[static_cast<size_t>(current.row())];
    name->setText(fromCp1251(row.name));
    kolvo->setValue(std::clamp(std::atoi(row.quantity.c_str()), 1, 65536));
    dtype->setText(categoryName(row.icon));
    description->setText(fromCp1251(row.description));
    ComboBox->setCurrentIndex(row.icon < ComboBox->count() ? row.icon : -1);
    if (main_)
        main_->lookupFrom(name->text());
}

void Tbase::movecompClick()
{
    const int target = tomove->currentIndex();
    if (target <= 0 || tomove->currentText() != tomove->itemText(target))
        return;
    const int source = categoryIndex();
    remove->setChecked(true);
    const auto taken = changeStockFromFields(kolvo->value());
    remove->setChecked(false);
    // Only what really left the source arrives in the target: a move never makes parts.
    if (!taken || *taken == 0)
        return;
    ComboBox->setCurrentIndex(target);
    if (!changeStockFromFields(static_cast<int>(*taken))) {
        // The target would not take them: they go back where they came from.
        ComboBox->setCurrentIndex(source);
        changeStockFromFields(static_cast<int>(*taken));
        return;
    }
    resetparams->click();
}

} // namespace vosk
