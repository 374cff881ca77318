// params (`Tbase`): tables in and out: the list's menu (CSV export, import with its preview,
// undo of the import) and a KiCad bill of materials loaded into the bin.
#include "params.h"

#include "binlist.h"
#include "codec.h"
#include "controls.h"
#include "messages.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
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

namespace vosk {
namespace {

// Rows of the preview: a longer table only slows the dialog down; the counts say the rest.
constexpr size_t kPreviewRows = 5000;

std::string pathBytes(const QString &path) { return QFile::encodeName(path).toStdString(); }

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
    listmenu->addSeparator();
    action("importcsv", "Импорт из CSV…", [this] { importClick(); });
    undoimport = action("undoimport", "Отменить импорт", [this] { undoImportClick(); });
    undoimport->setEnabled(false);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, &Tbase::listMenuRequested);
    connect(loadbom, &QPushButton::clicked, this, &Tbase::loadbomClick);
    connect(shopping, &QPushButton::clicked, this, &Tbase::shoppingClick);
    connect(boards, &QSpinBox::valueChanged, this, &Tbase::boardsChanged);

    chooseFile = [this](FileUse use) { return fileDialog(use); };
    previewImport = [this](const ImportPlan &plan) { return importDialog(plan); };
}

void Tbase::listMenuRequested(const QPoint &pos)
{
    undoimport->setEnabled(inventory_->canUndoImport());
    listmenu->popup(list->viewport()->mapToGlobal(pos));
}

QString Tbase::fileDialog(FileUse use)
{
    const QString csv = tr8("Таблицы CSV (*.csv);;Все файлы (*)");
    switch (use) {
    case FileUse::ExportList:
        return QFileDialog::getSaveFileName(this, tr8("Экспорт списка в CSV"), tr8("список.csv"), csv);
    case FileUse::ExportAll:
        return QFileDialog::getSaveFileName(this, tr8("Экспорт всей базы в CSV"), tr8("база.csv"), csv);
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

void Tbase::exportClick(bool all)
{
    const QString path = chooseFile(all ? FileUse::ExportAll : FileUse::ExportList);
    if (path.isEmpty())
        return;
    apply(inventory_->exportCsv(pathBytes(path), all));
}

void Tbase::importClick()
{
    const QString path = chooseFile(FileUse::ImportCsv);
    if (path.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ImportPlan plan = inventory_->planImportFile(pathBytes(path));
    QApplication::restoreOverrideCursor();
    // A file that cannot be read is refused by the import itself; a readable one is shown
    // first, and nothing changes unless the user confirms.
    if (plan.usable() && !previewImport(plan))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Outcome done = changing().import(plan);
    QApplication::restoreOverrideCursor();
    apply(done);
    undoimport->setEnabled(inventory_->canUndoImport());
}

void Tbase::undoImportClick()
{
    apply(changing().undoImport());
    undoimport->setEnabled(inventory_->canUndoImport());
}

bool Tbase::importDialog(const ImportPlan &plan)
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
    const size_t shown = std::min(kPreviewRows, plan.refused.size() + plan.entries.size());
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
    for (const ImportEntry &e : plan.entries) {
        if (static_cast<size_t>(row) >= shown)
            break;
        put(0, QString::number(e.line));
        put(1, e.slot ? tr8("дополнить: было %1").arg(e.before) : tr8("новая запись"));
        put(2, fromCp1251(inventory_->categoryName(e.key.category)));
        put(3, fromCp1251(e.key.name));
        put(4, QString::number(e.quantity));
        put(5, e.key.description == " " ? QString() : fromCp1251(e.key.description));
        ++row;
    }
    table->resizeColumnsToContents();
    layout->addWidget(table);
    if (shown < plan.refused.size() + plan.entries.size() || plan.refusedCount > plan.refused.size())
        layout->addWidget(new QLabel(tr8("Показаны не все строки: итог выше."), &dialog));

    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(tr8("Импортировать"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr8("Отмена"), QDialogButtonBox::RejectRole);
    ok->setEnabled(!plan.entries.empty());
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(640, 400);
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
