// params (`Tbase`): the history of changes: a record's changes from the list's menu, the undo of
// one of them, and Ctrl+Z for the last change of this run.
#include "params.h"

#include "codec.h"
#include "controls.h"
#include "cp1251.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vosk {

void Tbase::buildHistoryControls()
{
    history = new QAction(tr8("История…"), listmenu);
    history->setObjectName(QStringLiteral("history"));
    listmenu->insertAction(listmenu->actions().value(0), history);
    listmenu->insertSeparator(listmenu->actions().value(1));
    connect(history, &QAction::triggered, this, &Tbase::historyClick);
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    undo->setObjectName(QStringLiteral("undolast"));
    connect(undo, &QShortcut::activated, this, &Tbase::undoLastClick);
    showHistory = [this](const std::string &record, const std::vector<HistoryLine> &lines) {
        return historyDialog(record, lines);
    };
}

void Tbase::historyClick()
{
    const auto row = inventory_->pick(list->currentIndex().row());
    if (!row)
        return;
    const StockKey key{row->category, row->name, row->description};
    const HistoryRead read = inventory_->readHistory();
    if (!read.failure.empty()) {
        Outcome failed;
        failed.error(read.problem("history.dat"));
        apply(failed);
        return;
    }
    const std::string record = keyText(key, inventory_->categoryName(key.category));
    const std::optional<uint64_t> chosen = showHistory(record, historyOf(read.lines, key));
    if (!chosen)
        return;
    const auto line = std::find_if(read.lines.begin(), read.lines.end(), [&](const HistoryLine &l) { return l.id == *chosen; });
    // Half of a move would leave its parts in neither place: a move goes back whole.
    const bool wholeStep = line != read.lines.end() && line->source == ChangeSource::Move;
    apply(changing().undoHistory(*chosen, wholeStep));
}

void Tbase::undoLastClick()
{
    if (batch_ || inventory_->passActive())
        return;
    const uint64_t last = inventory_->lastHistoryLine();
    if (last == 0) {
        statusBar()->showMessage(tr8("Отменять нечего: после запуска программы склад не менялся."));
        return;
    }
    apply(changing().undoHistory(last, true));
}

std::optional<uint64_t> Tbase::historyDialog(const std::string &record, const std::vector<HistoryLine> &lines)
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr8("История: ") + shownText(record));
    auto *layout = new QVBoxLayout(&dialog);
    auto *caption = new QLabel(lines.empty() ? tr8("Изменений этой записи в истории нет.")
                                             : tr8("Изменения записи, новые сверху; «Осталось» — сколько деталей было в записи после изменения."),
                               &dialog);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    auto *table = new QTableWidget(static_cast<int>(lines.size()), 6, &dialog);
    table->setObjectName(QStringLiteral("historytable"));
    table->setHorizontalHeaderLabels({tr8("№"), tr8("Дата и время"), tr8("Откуда"), tr8("Изменение"), tr8("Осталось"),
                                      tr8("Примечание")});
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    for (size_t i = 0; i < lines.size(); ++i) {
        const HistoryLine &l = lines[lines.size() - 1 - i];
        const int r = static_cast<int>(i);
        std::string source = historySourceWord(l.source);
        if (l.undoes)
            source += cp1251(" №") + std::to_string(l.undoes);
        const QString cells[] = {QString::number(l.id), QString::fromStdString(l.time), fromCp1251(source),
                                 (l.take ? QStringLiteral("-") : QStringLiteral("+")) + QString::number(l.amount),
                                 QString::number(l.after), shownText(l.note)};
        for (int c = 0; c < 6; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(l.id));
            table->setItem(r, c, item);
        }
    }
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton *undo = buttons->addButton(tr8("Отменить это изменение"), QDialogButtonBox::ActionRole);
    undo->setObjectName(QStringLiteral("undochange"));
    undo->setEnabled(false);
    layout->addWidget(buttons);
    connect(table, &QTableWidget::itemSelectionChanged, undo, [table, undo] { undo->setEnabled(!table->selectedItems().isEmpty()); });
    std::optional<uint64_t> chosen;
    connect(undo, &QPushButton::clicked, &dialog, [&] {
        if (const QList<QTableWidgetItem *> items = table->selectedItems(); !items.isEmpty())
            chosen = items.front()->data(Qt::UserRole).toULongLong();
        dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Wide enough for its columns, never larger than the screen's free area (the table scrolls).
    const QScreen *screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    const QRect free = screen->availableGeometry();
    int width = 2 * table->frameWidth() + table->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 24;
    for (int c = 0; c < table->columnCount(); ++c)
        width += table->columnWidth(c);
    constexpr int kFrame = 16, kTitle = 48;
    dialog.resize(std::min(std::max(width, 560), free.width() - kFrame),
                  std::min(std::max(dialog.sizeHint().height(), 400), free.height() - kTitle));
    dialog.exec();
    return chosen;
}

} // namespace vosk
