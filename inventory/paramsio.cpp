// params (`Tbase`): tables in and out: the list's menu (CSV export, import with its preview,
// undo of the import) and a KiCad bill of materials loaded into the bin.
#include "params.h"

#include "batchworker.h"
#include "binlist.h"
#include "codec.h"
#include "controls.h"
#include "importcolumns.h"
#include "messages.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QScreen>
#include <QStyle>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>
#include <system_error>

namespace vosk {
namespace {

// Rows of the preview: a longer table only slows the dialog down; the counts say the rest.
constexpr size_t kPreviewRows = 5000;

std::string pathBytes(const QString &path) { return QFile::encodeName(path).toStdString(); }

// A dialog around a table opens wide enough for every column of the table, at least 640 × 400,
// and never larger than the screen's free area (the table scrolls inside it then).
void fitToTable(QDialog &dialog, const QTableWidget &table)
{
    const QScreen *screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    const QRect free = screen->availableGeometry();
    int width = table.verticalHeader()->isVisible() ? table.verticalHeader()->sizeHint().width() : 0;
    for (int c = 0; c < table.columnCount(); ++c)
        width += table.columnWidth(c);
    width += 2 * table.frameWidth() + table.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QMargins margins = dialog.layout()->contentsMargins();
    width += margins.left() + margins.right();
    // The window's frame lies outside the dialog's own size.
    constexpr int kFrame = 16, kTitle = 48;
    dialog.resize(std::min(std::max(width, 640), free.width() - kFrame),
                  std::min(std::max(dialog.sizeHint().height(), 400), free.height() - kTitle));
}

} // namespace

void Tbase::buildIoControls()
{
    listmenu = new QMenu(this);
    listmenu->setObjectName(QStringLiteral("listmenu"));
    auto action = [this](const char *name, const char *caption, auto slot) {
        QAction *a = listmenu->addAction(tr8(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    action("exportlist", "Экспорт списка в CSV…", [this] { exportClick(false); });
    action("exportall", "Экспорт всей базы в CSV…", [this] { exportClick(true); });
    action("exportlistexcel", "Экспорт списка для Excel…", [this] { exportClick(false, true); });
    action("exportallexcel", "Экспорт всей базы для Excel…", [this] { exportClick(true, true); });
    listmenu->addSeparator();
    action("importcsv", "Импорт из CSV…", [this] { importClick(false); });
    action("stocktakecsv", "Инвентаризация из CSV (заменить количества)…", [this] { importClick(true); });
    undoimport = action("undoimport", "Отменить импорт", [this] { undoImportClick(); });
    undoimport->setEnabled(false);
    listmenu->addSeparator();
    action("shoppingmin", "Список покупок…", [this] { minimumShoppingClick(); });
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &Tbase::listMenuRequested);
    connect(loadbom, &QPushButton::clicked, this, &Tbase::loadbomClick);
    connect(shopping, &QPushButton::clicked, this, &Tbase::shoppingClick);
    connect(boards, &QSpinBox::valueChanged, this, &Tbase::boardsChanged);

    chooseFile = [this](FileUse use) { return fileDialog(use); };
    previewImport = [this](const ImportPlan &plan) { return importDialog(plan); };
    previewStocktake = [this](const ImportPlan &plan) -> std::optional<bool> {
        bool zeroAbsent = false;
        if (!importDialog(plan, &zeroAbsent))
            return std::nullopt;
        return zeroAbsent;
    };
    chooseColumns = [this](const ImportPlan &plan) { return columnsDialog(plan); };
}

void Tbase::listMenuRequested(const QPoint &pos)
{
    if (batch_)
        return; // the menu waits for the batch
    undoimport->setEnabled(inventory_->canUndoImport());
    listmenu->popup(list->viewport()->mapToGlobal(pos));
}

QString Tbase::fileDialog(FileUse use)
{
    const QString csv = tr8("Таблицы CSV (*.csv *.txt *.tsv);;Все файлы (*)");
    switch (use) {
    case FileUse::ExportList:
        return QFileDialog::getSaveFileName(this, tr8("Экспорт списка в CSV"), tr8("список.csv"), csv);
    case FileUse::ExportAll:
        return QFileDialog::getSaveFileName(this, tr8("Экспорт всей базы в CSV"), tr8("база.csv"), csv);
    case FileUse::ExportListExcel:
        return QFileDialog::getSaveFileName(this, tr8("Экспорт списка для Excel"), tr8("список.csv"), csv);
    case FileUse::ExportAllExcel:
        return QFileDialog::getSaveFileName(this, tr8("Экспорт всей базы для Excel"), tr8("база.csv"), csv);
    case FileUse::ImportCsv:
        return QFileDialog::getOpenFileName(this, tr8("Импорт из CSV"), {}, csv);
    case FileUse::LoadBom:
        return QFileDialog::getOpenFileName(this, tr8("Список деталей KiCad"), bomFolder(),
                                            tr8("Список деталей (*.csv *.tsv *.txt);;Все файлы (*)"));
    case FileUse::Shopping:
        return QFileDialog::getSaveFileName(this, tr8("Список покупок"), QDir(bomFolder()).filePath(tr8("покупки.csv")), csv);
    }
    return {};
}

void Tbase::exportClick(bool all, bool forExcel)
{
    const QString path = chooseFile(forExcel ? (all ? FileUse::ExportAllExcel : FileUse::ExportListExcel)
                                             : (all ? FileUse::ExportAll : FileUse::ExportList));
    if (path.isEmpty())
        return;
    const std::size_t rows = all ? store().compcount : inventory_->rows().size();
    auto done = std::make_shared<Outcome>();
    runBatch(
        tr8("экспорт"), rows >= kBatchRows, false,
        [this, done, file = pathBytes(path), all, forExcel](BatchWorker &) {
            *done = inventory_->exportCsv(file, all, forExcel);
        },
        [this, done] { apply(*done); });
}

void Tbase::planInBatch(const QString &path, std::vector<ImportField> columns, bool setQuantities,
                        std::function<void(ImportPlan)> then)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(pathBytes(path), ec);
    auto plan = std::make_shared<ImportPlan>();
    runBatch(
        tr8("чтение файла для импорта"), !ec && size >= kBatchFileBytes, false,
        [this, plan, file = pathBytes(path), columns = std::move(columns), setQuantities](BatchWorker &) {
            *plan = inventory_->planImportFile(file, columns, setQuantities);
        },
        [plan, then = std::move(then)] { then(std::move(*plan)); });
}

void Tbase::importClick(bool setQuantities)
{
    const QString path = chooseFile(FileUse::ImportCsv);
    if (path.isEmpty())
        return;
    planInBatch(path, {}, setQuantities,
                [this, path, setQuantities](ImportPlan plan) { importPlanned(path, setQuantities, std::move(plan), false); });
}

void Tbase::importPlanned(const QString &path, bool setQuantities, ImportPlan plan, bool columnsAsked)
{
    if (plan.needsColumns && !columnsAsked) {
        // The header does not say which column is which: the user's choice for this header
        // the last time, else asked now (and remembered).
        std::optional<std::vector<ImportField>> columns = rememberedColumns(plan.header);
        if (!columns) {
            columns = chooseColumns(plan);
            if (!columns)
                return;
            rememberColumns(plan.header, *columns);
        }
        planInBatch(path, *columns, setQuantities, [this, path, setQuantities](ImportPlan again) {
            importPlanned(path, setQuantities, std::move(again), true);
        });
        return;
    }
    // A file that cannot be read is refused by the import itself; a readable one is shown
    // first, and nothing changes unless the user confirms, and agrees to leave the refused
    // rows out (as the command line does only with --skip-refused).
    std::optional<bool> zeroAbsent = false;
    if (plan.usable() && setQuantities)
        zeroAbsent = previewStocktake(plan);
    else if (plan.usable() && !previewImport(plan))
        return;
    if (!zeroAbsent)
        return;
    if (plan.usable() && plan.refusedCount && !messages_.confirm(plan.refusedQuestion()))
        return;
    importConfirmed(std::move(plan), setQuantities, *zeroAbsent);
}

void Tbase::importConfirmed(ImportPlan plan, bool setQuantities, bool zeroAbsent)
{
    const std::size_t size = plan.entries.size() + plan.absent.size();
    auto confirmed = std::make_shared<const ImportPlan>(std::move(plan));
    auto done = std::make_shared<Outcome>();
    Inventory &inventory = changing();
    runBatch(
        setQuantities ? tr8("инвентаризация") : tr8("импорт"),
        size >= kBatchEntries, true,
        [&inventory, confirmed, done, setQuantities, zeroAbsent](BatchWorker &w) {
            *done = setQuantities ? inventory.stocktake(*confirmed, zeroAbsent)
                                  : inventory.import(*confirmed, w.reporter());
        },
        [this, done] {
            apply(*done);
            undoimport->setEnabled(inventory_->canUndoImport());
        });
}

void Tbase::undoImportClick()
{
    apply(changing().undoImport());
    undoimport->setEnabled(inventory_->canUndoImport());
}

bool Tbase::importDialog(const ImportPlan &plan, bool *zeroAbsent)
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("importpreview"));
    dialog.setWindowTitle(tr8("Импорт из CSV"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *counts = new QLabel(&dialog);
    QString summary =
        tr8("Строк в файле: %1. Новых записей: %2, дополнить записей: %3, деталей: %4. Не принято строк: %5.")
            .arg(plan.rowsRead)
            .arg(plan.adds())
            .arg(plan.merges())
            .arg(plan.parts())
            .arg(plan.refusedCount);
    if (plan.setQuantities)
        summary = tr8("Инвентаризация: количество из файла заменит количество записи. Строк в файле: %1. "
                      "Записей в файле: %2, количество изменится у %3. Нет в файле записей: %4. Не принято строк: %5.")
                      .arg(plan.rowsRead)
                      .arg(plan.entries.size())
                      .arg(plan.changes())
                      .arg(plan.absent.size())
                      .arg(plan.refusedCount);
    if (plan.skippedCount())
        summary += QLatin1Char(' ') + fromCp1251(plan.skippedSummary()) + QLatin1Char('.');
    if (plan.refusedCount)
        summary += QLatin1Char('\n') + tr8("Непринятые строки не будут добавлены; остальные будут.");
    if (plan.doubles)
        summary += QLatin1Char('\n') + fromCp1251(importDoublesText(plan, inventory_->categories())).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    counts->setText(summary);
    counts->setWordWrap(true);
    layout->addWidget(counts);

    auto *table = new QTableWidget(&dialog);
    table->setObjectName(QStringLiteral("importrows"));
    table->setColumnCount(6);
    table->setHorizontalHeaderLabels({tr8("Строка"), tr8("Что будет"), tr8("Раздел"), tr8("Название"),
                                      tr8("Количество"), tr8("Описание / причина")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    const size_t shown = std::min(kPreviewRows, plan.refused.size() + plan.skipped.size() + plan.entries.size() +
                                                    plan.absent.size());
    table->setRowCount(static_cast<int>(shown));
    int row = 0;
    auto put = [&](int column, const QString &text) { table->setItem(row, column, new QTableWidgetItem(text)); };
    // Refused rows first: they are what the user must look at before confirming.
    for (const ImportRefusal &r : plan.refused) {
        if (static_cast<size_t>(row) >= shown)
            break;
        put(0, QString::number(r.line));
        put(1, tr8("не принята"));
        put(5, fromCp1251(r.reason));
        table->item(row, 1)->setForeground(Qt::red);
        ++row;
    }
    for (const ImportRefusal &r : plan.skipped) {
        if (static_cast<size_t>(row) >= shown)
            break;
        put(0, QString::number(r.line));
        put(1, tr8("пропущена"));
        put(5, fromCp1251(r.reason));
        ++row;
    }
    for (const ImportEntry &e : plan.entries) {
        if (static_cast<size_t>(row) >= shown)
            break;
        put(0, QString::number(e.line));
        if (plan.setQuantities)
            put(1, e.before == e.quantity ? tr8("без изменений: %1").arg(e.before)
                                          : tr8("%1 → %2%3").arg(e.before).arg(e.quantity).arg(e.slot ? QString() : tr8(" (новая запись)")));
        else
            put(1, e.slot ? tr8("дополнить: было %1").arg(e.before) : tr8("новая запись"));
        put(2, fromCp1251(inventory_->categoryName(e.key.category)));
        put(3, fromCp1251(e.key.name));
        put(4, QString::number(e.quantity));
        put(5, fromCp1251(shownDescription(e.key.description)));
        ++row;
    }
    // Records the file does not name: left as they are unless the box is ticked.
    const int firstAbsent = row;
    for (const ImportEntry &e : plan.absent) {
        if (static_cast<size_t>(row) >= shown)
            break;
        put(0, QString());
        put(2, fromCp1251(inventory_->categoryName(e.key.category)));
        put(3, fromCp1251(e.key.name));
        put(4, QString::number(e.before));
        put(5, fromCp1251(shownDescription(e.key.description)));
        ++row;
    }
    auto showAbsent = [table, firstAbsent, &plan, row](bool zero) {
        for (int r = firstAbsent; r < row; ++r) {
            const uint16_t before = plan.absent[static_cast<size_t>(r - firstAbsent)].before;
            table->setItem(r, 1, new QTableWidgetItem(zero ? tr8("нет в файле: %1 → 0").arg(before)
                                                            : tr8("нет в файле: останется %1").arg(before)));
        }
    };
    showAbsent(false);
    table->resizeColumnsToContents();
    layout->addWidget(table);
    if (zeroAbsent && !plan.absent.empty()) {
        auto *zero = new QCheckBox(tr8("обнулить отсутствующие (записей: %1)").arg(plan.absent.size()), &dialog);
        zero->setObjectName(QStringLiteral("zeroabsent"));
        connect(zero, &QCheckBox::toggled, &dialog, [zeroAbsent, showAbsent](bool on) {
            *zeroAbsent = on;
            showAbsent(on);
        });
        layout->addWidget(zero);
    }
    if (shown < plan.refused.size() + plan.skipped.size() + plan.entries.size() + plan.absent.size() ||
        plan.refusedCount > plan.refused.size() || plan.skippedCount() > plan.skipped.size())
        layout->addWidget(new QLabel(tr8("Показаны не все строки: итог выше."), &dialog));

    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(tr8("Импортировать"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr8("Отмена"), QDialogButtonBox::RejectRole);
    ok->setEnabled(!plan.entries.empty());
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    fitToTable(dialog, *table);
    return dialog.exec() == QDialog::Accepted;
}

QString Tbase::bomFolder() const
{
    if (!lastBomFolder_.isEmpty())
        return lastBomFolder_;
    const QString folder = QFile::decodeName(inventory_->datapath().empty() ? "." : inventory_->datapath().c_str());
    const QDir kicad(QDir(folder).filePath(QStringLiteral("kicad")));
    return kicad.exists() ? kicad.absolutePath() : QDir(folder).absolutePath();
}

void Tbase::boardsChanged(int count)
{
    apply(changing().setBoards(count, exactfind->isChecked()));
    binModel_->reset();
}

void Tbase::shoppingClick()
{
    const QString path = chooseFile(FileUse::Shopping);
    if (path.isEmpty())
        return;
    apply(inventory_->writeShopping(pathBytes(path)));
}

std::optional<std::vector<ImportField>> Tbase::columnsDialog(const ImportPlan &plan)
{
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("importcolumns"));
    dialog.setWindowTitle(tr8("Импорт из CSV: столбцы"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *why = new QLabel(fromCp1251(plan.fileError), &dialog);
    why->setWordWrap(true);
    layout->addWidget(why);
    const int columns = static_cast<int>(plan.header.size());
    auto *table = new QTableWidget(static_cast<int>(plan.sample.size()) + 1, columns, &dialog);
    table->setObjectName(QStringLiteral("columnrows"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    static const std::pair<ImportField, const char *> fields[] = {
        {ImportField::Name, "название"},           {ImportField::Quantity, "количество"},
        {ImportField::Description, "описание"},    {ImportField::Category, "раздел"},
        {ImportField::CategoryName, "название раздела"}, {ImportField::Ignore, "не использовать"},
    };
    std::vector<QComboBox *> choosers;
    for (int c = 0; c < columns; ++c) {
        table->setHorizontalHeaderItem(c, new QTableWidgetItem(fromCp1251(plan.header[static_cast<size_t>(c)])));
        auto *box = new QComboBox(table);
        box->setObjectName(QStringLiteral("column%1").arg(c));
        for (const auto &[field, caption] : fields)
            box->addItem(tr8(caption), static_cast<int>(field));
        // What the header said, where it said anything.
        const ImportField guess = static_cast<size_t>(c) < plan.columns.size() ? plan.columns[static_cast<size_t>(c)]
                                                                               : ImportField::Ignore;
        box->setCurrentIndex(box->findData(static_cast<int>(guess)));
        table->setCellWidget(0, c, box);
        choosers.push_back(box);
        for (size_t r = 0; r < plan.sample.size(); ++r)
            if (static_cast<size_t>(c) < plan.sample[r].size())
                table->setItem(static_cast<int>(r) + 1, c, new QTableWidgetItem(fromCp1251(plan.sample[r][static_cast<size_t>(c)])));
    }
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    fitToTable(dialog, *table);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    std::vector<ImportField> chosen;
    for (QComboBox *box : choosers)
        chosen.push_back(static_cast<ImportField>(box->currentData().toInt()));
    return chosen;
}

void Tbase::loadbomClick()
{
    const QString path = chooseFile(FileUse::LoadBom);
    if (path.isEmpty())
        return;
    lastBomFolder_ = QFileInfo(path).absolutePath();
    const BomRead bom = inventory_->readBomFile(pathBytes(path));
    if (bom.error.empty()) {
        if (const auto question = inventory_->binLoadQuestion(); question && !messages_.confirm(*question))
            return;
    }
    const bool wasActive = inventory_->passActive();
    apply(changing().binLoad(bom));
    afterBinChange(wasActive);
}

} // namespace vosk
