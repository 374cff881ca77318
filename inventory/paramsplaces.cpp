// params (`Tbase`): «Места…» on the options tab: the places the records hold, how many records
// hold each, and renaming one on all of them (undone at once, while the dialog is open or later).
#include "params.h"

#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "placement.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vosk {

void Tbase::buildPlacesButton(QWidget *page)
{
    // Right of the input colour's test field, below the check boxes (as wide as their texts):
    // free on the options tab, its bottom in line with «Цвет ввода».
    placesbtn = placeButton(page, "placesbtn", tr8("Места…"), 168, 90, 81, 23);
    placesbtn->setToolTip(tr8("Места хранения деталей: сколько записей в каждом, переименование места"));
    connect(placesbtn, &QPushButton::clicked, this, &Tbase::placesClick);
}

void Tbase::placesClick()
{
    if (!placesDialog_)
        buildPlacesDialog();
    showPlaces();
    placesDialog_->open();
}

void Tbase::buildPlacesDialog()
{
    placesDialog_ = new QDialog(this);
    placesDialog_->setObjectName(QStringLiteral("places"));
    placesDialog_->setWindowTitle(tr8("Места"));
    auto *layout = new QVBoxLayout(placesDialog_);
    auto *hint = new QLabel(tr8("Места хранения, заданные записям, и число записей в каждом. Переименование меняет "
                                "место у всех его записей сразу; новое название, которое уже есть, объединяет два места."),
                            placesDialog_);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    placelist = new QTableWidget(0, 2, placesDialog_);
    placelist->setObjectName(QStringLiteral("placelist"));
    placelist->setHorizontalHeaderLabels({tr8("Место"), tr8("Записей")});
    placelist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    placelist->setSelectionBehavior(QAbstractItemView::SelectRows);
    placelist->setSelectionMode(QAbstractItemView::SingleSelection);
    placelist->verticalHeader()->hide();
    placelist->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    placelist->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    placelist->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layout->addWidget(placelist, 1);
    auto *row = new QHBoxLayout;
    newplace = new QLineEdit(placesDialog_);
    newplace->setObjectName(QStringLiteral("newplace"));
    newplace->setPlaceholderText(tr8("Новое название места"));
    row->addWidget(newplace, 1);
    renameplace = new QPushButton(tr8("Переименовать"), placesDialog_);
    renameplace->setObjectName(QStringLiteral("renameplace"));
    renameplace->setDefault(true); // Enter renames; the dialog stays, to show it and offer the undo
    row->addWidget(renameplace);
    layout->addLayout(row);
    undoplace = new QPushButton(tr8("Отменить переименование"), placesDialog_);
    undoplace->setObjectName(QStringLiteral("undoplace"));
    undoplace->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, placesDialog_);
    buttons->addButton(undoplace, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, placesDialog_, &QDialog::reject);
    connect(renameplace, &QPushButton::clicked, this, &Tbase::renamePlaceClick);
    connect(undoplace, &QPushButton::clicked, this, &Tbase::undoPlaceClick);
    connect(placelist, &QTableWidget::itemSelectionChanged, this, [this] {
        // The chosen place is the text to edit into its new name.
        const int r = placelist->currentRow();
        if (r >= 0 && placelist->item(r, 0))
            newplace->setText(placelist->item(r, 0)->text());
    });
    // Wide enough for a long place, never larger than the screen: the list scrolls inside.
    const QRect free = availableArea(this);
    placesDialog_->resize(std::min(480, free.width() - 16), std::min(440, free.height() - 48));
}

void Tbase::showPlaces(const std::string &chosen)
{
    const std::vector<PlaceCount> places = inventory_->places();
    placelist->setRowCount(static_cast<int>(places.size()));
    int chosenRow = -1;
    for (size_t i = 0; i < places.size(); ++i) {
        const int r = static_cast<int>(i);
        placelist->setItem(r, 0, new QTableWidgetItem(fromCp1251(places[i].place)));
        auto *count = new QTableWidgetItem(QString::number(places[i].records));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        placelist->setItem(r, 1, count);
        if (places[i].place == chosen)
            chosenRow = r;
    }
    if (chosenRow >= 0) {
        placelist->selectRow(chosenRow);
    } else {
        placelist->clearSelection();
        newplace->clear();
    }
    const auto &last = inventory_->lastPlaceRename();
    undoplace->setEnabled(last.has_value());
    undoplace->setToolTip(last ? tr8("Вернуть место «%1» записям, у которых оно было (%2)")
                                     .arg(fromCp1251(last->from))
                                     .arg(last->entries.size())
                               : QString());
}

void Tbase::renamePlaceClick()
{
    // The row chosen, not merely the current one (the first has the focus frame at opening).
    const QModelIndexList chosen = placelist->selectionModel()->selectedRows();
    const int r = chosen.isEmpty() ? -1 : chosen.first().row();
    if (r < 0 || !placelist->item(r, 0)) {
        messages_.inform(cp1251("Выберите в списке место, которое нужно переименовать."));
        return;
    }
    const auto from = toCp1251(placelist->item(r, 0)->text());
    const auto to = typedText(newplace->text());
    if (!from || !to)
        return;
    const Outcome done = changing().renamePlace(*from, *to);
    apply(done);
    if (done.refused) {
        // The typed text stays to be corrected.
        const QString typed = newplace->text();
        showPlaces(*from);
        newplace->setText(typed);
        return;
    }
    showAttributes(); // the changing tab's record may hold the place renamed
    std::string shown = *to;
    (void)normalizeAttribute(Attribute::Place, shown);
    showPlaces(shown);
}

void Tbase::undoPlaceClick()
{
    const auto last = inventory_->lastPlaceRename();
    const Outcome done = changing().undoPlaceRename();
    apply(done);
    showAttributes();
    showPlaces(last && !done.refused ? last->from : std::string());
}

} // namespace vosk
