// params (`Tbase`): the changing tab: adding, taking and moving parts, and picking a record from the list.
#include "params.h"

#include "batchworker.h"
#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "messages.h"

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

std::optional<StockChange> Tbase::editFromFields(bool take)
{
    const auto typedName = fieldText(name, pickedName_);
    const auto typedDescription = fieldText(description, pickedDescription_);
    if (!typedName || !typedDescription)
        return std::nullopt;
    return StockChange{categoryIndex(), *typedName, *typedDescription, kolvo->value(), take};
}

std::optional<std::string> Tbase::fieldText(const QLineEdit *edit, const PickedText &picked)
{
    if (!picked.whole.empty() && edit->text() == picked.shown)
        return picked.whole;
    return typedText(edit->text());
}

void Tbase::addClick()
{
    const auto edit = editFromFields(remove->isChecked());
    if (!edit)
        return;
    const Outcome o = changing().change(*edit);
    apply(o);
    if (o.refused || !applyAttributes())
        return;
    delay->start();
    add->setEnabled(false);
}

void Tbase::removeClick() { add->setText(remove->isChecked() ? tr8("Убрать") : tr8("Добавить")); }

void Tbase::delayTimer()
{
    if (batch_) // a batch holds the button: it gets its pause's end when the batch is done
        for (BatchWorker::Held &h : batch_->held)
            if (h.widget == add)
                h.enabled = true;
    if (!batch_)
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
    const int guessed = inventory_->guessCategory(*bytes);
    if (guessed != categoryIndex()) {
        ComboBox->setCurrentIndex(guessed);
        selectcategory();
    }
    apply(inventory_->understand(categoryIndex(), *bytes));
    showAttributes();
}

void Tbase::pickrow()
{
    const QModelIndex current = list->currentIndex();
    if (!current.isValid() || !list->selectionModel()->isRowSelected(current.row(), {}))
        return;
    const auto row = inventory_->pick(current.row());
    if (!row)
        return;
    pickedName_ = {row->name, shownText(row->name)};
    pickedDescription_ = {row->description, shownText(row->description)};
    name->setText(pickedName_.shown);
    kolvo->setValue(std::clamp(row->quantity, 1, kolvo->maximum()));
    dtype->setText(categoryName(row->category));
    description->setText(pickedDescription_.shown);
    ComboBox->setCurrentIndex(row->category < ComboBox->count() ? row->category : -1);
    showAttributes();
    Q_EMIT partChosen(name->text());
}

void Tbase::movecompClick()
{
    const int target = tomove->currentIndex();
    if (target <= 0 || tomove->currentText() != tomove->itemText(target))
        return;
    const auto edit = editFromFields(true);
    if (!edit)
        return;
    const Outcome o = changing().move(*edit, target);
    apply(o);
    if (o.refused && inventory_->lastMoved() == 0)
        return;
    delay->start();
    add->setEnabled(false);
    if (inventory_->lastMoved() == 0)
        return;
    // The parts arrived: the list shows the category they are in now.
    ComboBox->setCurrentIndex(target);
    selectcategory();
}

} // namespace vosk
