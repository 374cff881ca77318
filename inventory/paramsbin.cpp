// params (`Tbase`): the bin tab: the parts a job needs, checked against the stock, and the taking pass that
// takes them out in one confirmed step.
#include "params.h"

#include "binlist.h"
#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>

namespace vosk {
namespace {

// Sizes the bin list's columns whenever its rows change or the list is resized: every
// column as wide as its title and its longest text, the category column («Тип») taking what
// room is left; a list wider than the view scrolls.
class BinColumns : public QObject {
public:
    explicit BinColumns(QTableView *view) : QObject(view), view_(view)
    {
        view->installEventFilter(this);
        connect(view->model(), &QAbstractItemModel::modelReset, this, &BinColumns::size);
        size();
    }

    void size()
    {
        QHeaderView *header = view_->horizontalHeader();
        const QAbstractItemView *items = view_;
        int others = 0;
        for (int c = 1; c < header->count(); ++c) {
            const QString title = view_->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            const int width = std::max(view_->fontMetrics().horizontalAdvance(title) + 12, items->sizeHintForColumn(c));
            view_->setColumnWidth(c, width);
            others += width;
        }
        // The rows' height against the room below the titles: a vertical scroll bar, when
        // they need one, takes its width from the columns' room.
        const int inside = view_->height() - 2 * view_->frameWidth();
        const bool scrolls = view_->model()->rowCount() * view_->verticalHeader()->defaultSectionSize() >
                             inside - header->sizeHint().height();
        const int across = view_->width() - 2 * view_->frameWidth() - others -
                           (scrolls ? view_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view_) : 0);
        header->setSectionResizeMode(0, QHeaderView::Interactive);
        view_->setColumnWidth(0, std::max({across, items->sizeHintForColumn(0), header->sectionSizeHint(0)}));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == view_ && event->type() == QEvent::Resize)
            size();
        return false;
    }

private:
    QTableView *view_;
};

} // namespace

void Tbase::buildBinList()
{
    listtofind->setShowGrid(true);
    listtofind->setSelectionBehavior(QAbstractItemView::SelectRows);
    listtofind->setSelectionMode(QAbstractItemView::SingleSelection);
    listtofind->setEditTriggers(QAbstractItemView::NoEditTriggers);
    listtofind->verticalHeader()->hide();
    listtofind->verticalHeader()->setDefaultSectionSize(18);
    connect(listtofind, &QTableView::doubleClicked, this, &Tbase::listtofindDblClick);
    connect(binadd, &QPushButton::clicked, this, &Tbase::binaddClick);
    connect(findlist, &QPushButton::clicked, this, &Tbase::findlistClick);
    connect(resetlist, &QPushButton::clicked, this, &Tbase::resetlistClick);
    connect(removecomp, &QPushButton::clicked, this, &Tbase::removecompClick);
    QWidget *binPage = pagecontrol->widget(static_cast<int>(Page::Bin));
    binPage->setMouseTracking(true);
    binPage->installEventFilter(this);
}

void Tbase::attachBinList()
{
    binModel_ = new BinList(*inventory_, this);
    listtofind->setModel(binModel_);
    new BinColumns(listtofind);
}

void Tbase::binaddClick()
{
    if (binname->text().isEmpty()) {
        apply(changing().binAdd(categoryIndex(), {}, {}, {}));
        return;
    }
    const auto nameText = typedText(binname->text());
    const auto descText = typedText(bindesc->text());
    if (!nameText || !descText)
        return;
    apply(changing().binAdd(categoryIndex(), *nameText, std::to_string(binkolvo->value()), *descText));
    binModel_->reset();
}

void Tbase::findlistClick()
{
    exactsearch->setChecked(exactfind->isChecked()); // and the search tab keeps it so
    apply(changing().findBin(exactfind->isChecked()));
    binModel_->reset();
}

void Tbase::resetlistClick()
{
    const bool wasActive = inventory_->passActive();
    changing().binClear();
    afterBinChange(wasActive);
}

void Tbase::listtofindDblClick()
{
    const QModelIndex current = listtofind->currentIndex();
    if (!current.isValid() || !listtofind->selectionModel()->isRowSelected(current.row(), {}))
        return;
    const bool wasActive = inventory_->passActive();
    changing().binRemove(current.row());
    afterBinChange(wasActive);
}

void Tbase::afterBinChange(bool passWasActive)
{
    binModel_->reset();
    // The offers no longer line up with the bin: the pass has ended, nothing applied.
    if (passWasActive)
        endtake();
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
    for (QWidget *w : std::initializer_list<QWidget *>{resetparams, res, ComboBox, comboicon, getparams, output,
                                                       takecomp, take})
        w->move(w->x(), buttonsTop);
    list->setGeometry(list->x(), listTop, list->width(), std::max(0, height() - listTop - 50));
}

void Tbase::binMouseMove()
{
    if (pagecontrol->height() < height() / 2 - 100)
        pagecontrol->resize(pagecontrol->width(), height() / 2 - 50);
}

void Tbase::showTakeRow(bool shown)
{
    // The prompt and the amount stand where the category selector and "Сброс" were; a list
    // refilled during the pass would pair the offers with the wrong rows, so neither is
    // there to click. "Справочник" stays whole to the right of the row.
    for (QWidget *w : std::initializer_list<QWidget *>{resetparams, res, ComboBox, comboicon})
        w->setVisible(!shown);
    for (QWidget *w : std::initializer_list<QWidget *>{output, takecomp, take})
        w->setVisible(shown);
    if (!shown)
        return;
    const int y = resetparams->y();
    take->move(getparams->x() - 6 - take->width(), y);
    takecomp->move(take->x() - 4 - takecomp->width(), y);
    output->setGeometry(resetparams->x(), y, takecomp->x() - 6 - resetparams->x(), 20);
}

void Tbase::endtake()
{
    showTakeRow(false);
    changing().passAbandon();
}

void Tbase::removecompClick()
{
    const auto started = changing().passStart(exactfind->isChecked());
    if (!started)
        return;
    apply(*started);
    binModel_->reset(); // a find afresh, and the rows found nowhere have left the bin
    if (!inventory_->passActive() && !inventory_->passFinished())
        return;
    showTakeRow(true);
    takeprompt();
}

void Tbase::takeprompt()
{
    if (const auto offer = inventory_->pass().offer()) {
        output->setText(shownText(offer->prompt));
        output->setToolTip(output->text());
        takecomp->setRange(0, offer->maximum);
        takecomp->setValue(offer->maximum);
        return; // the user chooses the amount and presses OK
    }
    if (inventory_->passFinished())
        finishPass();
}

void Tbase::takeClick()
{
    if (!inventory_->passActive())
        return;
    apply(changing().passTake(takecomp->value()));
    takeprompt();
}

void Tbase::finishPass()
{
    const bool ok = messages_.confirm(inventory_->pass().report());
    const std::vector<StockChange> takes = inventory_->pass().takes();
    const bool applying = ok && !inventory_->pass().nothingToApply();
    exactsearch->setChecked(exactfind->isChecked());
    const Outcome applied = changing().passFinish(ok, exactfind->isChecked());
    if (applying) {
        // The takes went through the changing tab's take, which shows the last of them.
        pagecontrol->setCurrentIndex(static_cast<int>(Page::Changing)); // leaving the bin ends take mode
        if (!takes.empty()) {
            const StockKey &last = takes.back().key;
            ComboBox->setCurrentIndex(last.category < ComboBox->count() ? last.category : -1);
            name->setText(fromCp1251(last.name));
            description->setText(fromCp1251(last.description));
            kolvo->setValue(std::min(takes.back().amount, kolvo->maximum()));
        }
    }
    apply(applied);
    binModel_->reset();
    endtake();
}

} // namespace vosk
