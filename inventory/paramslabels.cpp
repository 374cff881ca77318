// params (`Tbase`): labels for the chosen records, and the codes on them a scanner types back.
#include "params.h"

#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "messages.h"
#include "scancatcher.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>

namespace vosk {

void Tbase::buildLabelControls()
{
    listmenu->addSeparator();
    printlabels = listmenu->addAction(tr8("Печать этикеток…"));
    printlabels->setObjectName(QStringLiteral("printlabels"));
    connect(printlabels, &QAction::triggered, this, &Tbase::printLabelsClick);
    chooseLabels = [this](int count) { return labelDialog(this, count); };
    scanCatcher_ = new ScanCatcher(this, [this](const QString &code) { scannedCode(code); });
}

void Tbase::printLabelsClick()
{
    std::vector<int> rows;
    for (const QModelIndex &index : list->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    const std::vector<LabelText> labels = inventory_->labelTexts(rows);
    if (labels.empty()) {
        messages_.inform(cp1251("В списке нет записей: этикетки печатаются для выбранных строк списка, "
                                "а если ни одна не выбрана, для всех его строк."));
        return;
    }
    const auto job = chooseLabels(static_cast<int>(labels.size()));
    if (!job)
        return;
    if (const std::string refusal = sheetRefusal(job->sheet); !refusal.empty()) {
        messages_.inform(refusal);
        return;
    }
    const QPageSize page(QSizeF(job->sheet.pageWidth, job->sheet.pageHeight), QPageSize::Millimeter, {},
                         QPageSize::ExactMatch);
    PaintedLabels painted;
    bool begun = false;
    if (!job->pdf.isEmpty()) {
        QPdfWriter writer(job->pdf);
        writer.setTitle(tr8("Этикетки"));
        writer.setCreator(QStringLiteral("Voskbase"));
        writer.setPageSize(page);
        writer.setPageMargins({0, 0, 0, 0}, QPageLayout::Millimeter);
        writer.setResolution(600);
        QPainter painter;
        begun = painter.begin(&writer);
        if (begun)
            painted = paintLabels(painter, writer, job->sheet, labels, job->skip);
    } else {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageSize(page);
        printer.setFullPage(true);
        printer.setPageMargins({0, 0, 0, 0}, QPageLayout::Millimeter);
        printer.setDocName(tr8("Этикетки"));
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(tr8("Печать этикеток"));
        if (dialog.exec() != QDialog::Accepted)
            return;
        QPainter painter;
        begun = painter.begin(&printer);
        if (begun)
            painted = paintLabels(painter, printer, job->sheet, labels, job->skip);
    }
    if (!begun) {
        messages_.error(job->pdf.isEmpty()
                            ? cp1251("Не удалось начать печать: принтер недоступен.")
                            : cp1251("Не удалось записать ") + pathForMessage(QFile::encodeName(job->pdf).toStdString()) +
                                  cp1251(": нет доступа к файлу или папке."));
        return;
    }
    std::string done = cp1251("Этикеток: ") + std::to_string(labels.size()) + cp1251(", листов: ") +
                       std::to_string(painted.pages);
    if (!job->pdf.isEmpty())
        done += cp1251(", в файле ") + pathForMessage(QFile::encodeName(job->pdf).toStdString());
    setstatus(done);
    if (painted.withoutCode > 0)
        messages_.inform(cp1251("Этикеток без QR-кода: ") + std::to_string(painted.withoutCode) +
                         cp1251(" (название и описание слишком длинны для кода; на них напечатан только его текст)."));
}

void Tbase::scannedCode(const QString &code)
{
    const auto bytes = toCp1251(code);
    if (!bytes)
        return; // the catcher passes only text the code page writes
    if (inventory_->passActive()) {
        messages_.inform(cp1251("Идет выдача деталей по корзине: код этикетки будет принят, когда она закончится."));
        return;
    }
    const CodeFind found = inventory_->findCode(*bytes);
    if (found.slot == 0) {
        apply(found.outcome);
        return;
    }
    int row = inventory_->rowOf(found.slot);
    if (row < 0) {
        // Not on screen: the list of its category, without the search's criteria.
        const int category = store().category[found.slot];
        ComboBox->setCurrentIndex(category < ComboBox->count() ? category : 0);
        resClick();
        row = inventory_->rowOf(found.slot);
    }
    if (row < 0)
        return;
    list->selectRow(row);
    list->scrollTo(listModel_->index(row, 0));
    pickrow();
    // Ready to take: the changing tab with «Убрать» and one part; the amount is typed next.
    pagecontrol->setCurrentIndex(static_cast<int>(Page::Changing));
    remove->setChecked(true);
    removeClick();
    kolvo->setValue(1);
    kolvo->setFocus();
    kolvo->selectAll();
}

} // namespace vosk
