// The bin tab: the parts a job needs, checked against the stock, and the taking pass that
// takes them out in one confirmed step.
#include "params.h"

#include "Unit1.h"
#include "binlist.h"
#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>

namespace vosk {

void Tbase::buildBinList()
{
    binModel_ = new BinList(this);
    listtofind->setModel(binModel_);
    listtofind->setShowGrid(true);
    listtofind->setSelectionBehavior(QAbstractItemView::SelectRows);
    listtofind->setSelectionMode(QAbstractItemView::SingleSelection);
    listtofind->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listtofind->verticalHeader()->hide();
    listtofind->verticalHeader()->setDefaultSectionSize(18);
    listtofind->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    const int widths[] = {0, 90, 130, 40, 50, 50};
    for (int c = 1; c < 6; ++c) {
        // At least as wide as the column's title in this face.
        const QString title = binModel_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        listtofind->setColumnWidth(c, std::max(widths[c], listtofind->fontMetrics().horizontalAdvance(title) + 12));
    }
    connect(listtofind, &QTableView::doubleClicked, this, &Tbase::listtofindDblClick);
    connect(binadd, &QPushButton::clicked, this, &Tbase::binaddClick);
    connect(findlist, &QPushButton::clicked, this, &Tbase::findlistClick);
    connect(resetlist, &QPushButton::clicked, this, &Tbase::resetlistClick);
    connect(removecomp, &QPushButton::clicked, this, &Tbase::removecompClick);
    pagecontrol->widget(3)->setMouseTracking(true);
    pagecontrol->widget(3)->installEventFilter(this);
}

const std::vector<BinRow> &Tbase::binRows() const { return binModel_->rows(); }

void Tbase::binaddClick()
{
    if (binname->text().isEmpty()) {
        messages_.inform(cp1251("Введите название детали"));
        return;
    }
    const auto nameText = typedText(binname->text());
    const auto descText = typedText(bindesc->text());
    if (!nameText || !descText)
        return;
    binModel_->append(addbinrow("ready", categoryIndex(), categories_, *nameText, std::to_string(binkolvo->value()),
                                *descText, 0, {}));
}

void Tbase::findlistClick() { findbin(); }

void Tbase::findbin()
{
    batchmode_ = true;
    exactsearch->setChecked(exactfind->isChecked()); // and the search tab keeps it so
    lastFind_ = vosk::findbin(store_, categories_, binRows(), exactfind->isChecked());
    listModel_->setRows(lastFind_.list);
    binModel_->setRows(lastFind_.rows);
    if (!lastFind_.rows.empty())
        setstatus(listSummary(lastFind_.lastCount, lastFind_.lastTotal));
    batchmode_ = false;
}

void Tbase::resetlistClick()
{
    binModel_->setRows({});
    endPassOnBinChange();
}

void Tbase::listtofindDblClick()
{
    const QModelIndex current = listtofind->currentIndex();
    if (!current.isValid() || !listtofind->selectionModel()->isRowSelected(current.row(), {}))
        return;
    binModel_->removeRow(current.row());
    endPassOnBinChange();
}

void Tbase::endPassOnBinChange()
{
    // The offers would no longer line up with the bin: the pass ends, nothing applied.
    if (pass_.active()) {
        pass_.abandon();
        endtake();
    }
}

void Tbase::binnameKeyUp() { recognisename(binname->text()); }

void Tbase::binShow()
{
    const int h = height();
    pagecontrol->resize(pagecontrol->width(), h / 2 - 50);
    listtofind->resize(listtofind->width(), std::max(0, pagecontrol->height() - listtofind->y() - 30));
    placeBelowPages(h / 2 - 30, h / 2);
}

void Tbase::binHide()
{
    pagecontrol->resize(pagecontrol->width(), 153);
    const int top = pagecontrol->y() + 153 + 5;
    placeBelowPages(top, top + 30);
    endtake();
}

void Tbase::placeBelowPages(int buttonsTop, int listTop)
{
    resetparams->move(resetparams->x(), buttonsTop);
    res->move(res->x(), buttonsTop);
    ComboBox->move(ComboBox->x(), buttonsTop);
    comboicon->move(comboicon->x(), buttonsTop);
    getparams->move(getparams->x(), buttonsTop);
    list->setGeometry(list->x(), listTop, list->width(), std::max(0, height() - listTop - 50));
}

void Tbase::binMouseMove()
{
    if (pagecontrol->height() < height() / 2 - 100)
        pagecontrol->resize(pagecontrol->width(), height() / 2 - 50);
}

void Tbase::endtake()
{
    resetparams->show();
    ComboBox->show();
    comboicon->show();
    takecomp->hide();
    take->hide();
    output->hide();
    batchmode_ = false;
    if (pass_.active())
        pass_.abandon();
}

void Tbase::removecompClick()
{
    if (listModel_->rows().empty())
        return;
    std::vector<BinRow> bin = binRows();
    // The pass walks the inventory list as the last find left it; anything else (a refill,
    // a row added since) would offer the wrong parts, so the find runs afresh first.
    if (!TakePass::linesUp(bin, listModel_->rows(), lastFind_)) {
        findbin();
        setstatus(cp1251("Список деталей изменился после поиска: корзина проверена заново"));
        bin = binRows();
        if (listModel_->rows().empty())
            return;
    }
    batchmode_ = true;
    pass_ = TakePass();
    if (!pass_.start(bin, listModel_->rows(), lastFind_, categories_)) {
        batchmode_ = false;
        return;
    }
    binModel_->setRows(bin); // the rows found nowhere have left the bin
    // Take mode: the prompt and the amount stand where the category selector was.
    resetparams->hide();
    ComboBox->hide();
    comboicon->hide();
    takecomp->show();
    take->show();
    output->move(output->x(), resetparams->y());
    takecomp->move(takecomp->x(), output->y());
    take->move(take->x(), output->y());
    output->resize(takecomp->x() - 50, 20);
    output->show();
    takeprompt();
}

void Tbase::takeprompt()
{
    while (const auto offer = pass_.offer()) {
        output->setText(fromCp1251(offer->prompt));
        takecomp->setRange(0, offer->maximum);
        takecomp->setValue(offer->maximum);
        if (main_)
            main_->lookupFrom(fromCp1251(offer->lookupName));
        if (offer->maximum > 0)
            return; // the user chooses the amount and presses OK
        pass_.take(0); // nothing to offer here: passed over without a stop
    }
    if (pass_.finished())
        finishPass();
}

void Tbase::takeClick()
{
    if (!pass_.active())
        return;
    pass_.take(takecomp->value());
    takeprompt();
}

void Tbase::finishPass()
{
    const bool ok = messages_.confirm(pass_.report());
    const std::vector<Take> takes = pass_.takes();
    const bool apply = ok && !pass_.nothingToApply();
    pass_ = TakePass();
    if (apply)
        applytakes(takes);
    endtake();
}

void Tbase::applytakes(const std::vector<Take> &takes)
{
    pagecontrol->setCurrentIndex(1); // leaving the bin ends take mode
    ComboBox->show();
    const bool removeWas = remove->isChecked();
    batchmode_ = true;
    for (const Take &t : takes) {
        remove->setChecked(true);
        ComboBox->setCurrentIndex(t.category < ComboBox->count() ? t.category : -1);
        name->setText(fromCp1251(t.name));
        description->setText(fromCp1251(t.description));
        kolvo->setValue(std::min(t.amount, kolvo->maximum()));
        changeStockFromFields(t.amount);
    }
    batchmode_ = false;
    remove->setChecked(removeWas);
    findlist->click(); // the bin checked again against the new stock
}

} // namespace vosk
