// The inventory list: which records it shows, how, and the category selector.
#include "params.h"

#include "Unit1.h"
#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "messages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTableView>

namespace vosk {
namespace {

// A 16 x 16 icon whose bottom-right pixel gives the colour meant to be transparent.
QPixmap transparentIcon(const QImage &image)
{
    if (image.isNull())
        return {};
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.width() > 15 && argb.height() > 15) {
        const QRgb key = argb.pixel(15, 15);
        for (int y = 0; y < argb.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(argb.scanLine(y));
            for (int x = 0; x < argb.width(); ++x)
                if (line[x] == key)
                    line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return QPixmap::fromImage(argb);
}

std::string iconFile(const std::string &datapath, int n)
{
    return datapath + "bmp/" + zeropad(n) + std::to_string(n) + ".bmp";
}

} // namespace

void Tbase::filterbase(const FilterCriteria &criteria)
{
    vosk::filterbase(store_, criteria, exactsearch->isChecked(), view_);
}

void Tbase::addrow(int category, const std::string &name, uint16_t quantity, const std::string &description)
{
    listModel_->appendRows({ListRow{static_cast<uint8_t>(category), name, std::to_string(quantity), description}});
}

void Tbase::showlist()
{
    std::vector<ListRow> rows;
    rows.reserve(view_.viewcount);
    uint32_t sum = 0;
    for (int k = 1; k <= view_.viewcount; ++k) {
        const int i = view_.viewlist[k];
        rows.push_back({static_cast<uint8_t>(store_.category[i]), store_.name[i], std::to_string(store_.quantity[i]),
                        store_.description[i]});
        sum += store_.quantity[i];
    }
    if (batchmode_)
        listModel_->appendRows(std::move(rows));
    else
        listModel_->setRows(std::move(rows));
    setstatus(cp1251("В списке наименований: ") + std::to_string(view_.viewcount) + cp1251(" деталей ") +
              std::to_string(sum));
}

void Tbase::refreshlist()
{
    filterbase(lastfilter_);
    showlist();
}

void Tbase::loadicons()
{
    icons_.clear();
    for (int n = 0;; ++n) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(iconFile(datapath_, n)));
        if (!QFile::exists(path))
            break;
        icons_.push_back(transparentIcon(QImage(path).copy(0, 0, 16, 16)));
    }
    listModel_->setIcons(icons_);
}

void Tbase::showIcon(int n)
{
    QPixmap icon;
    if (n >= 0) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(iconFile(datapath_, n)));
        if (QFile::exists(path))
            icon = transparentIcon(QImage(path));
    }
    // Held by the labels, the icons stay visible whenever the window is repainted.
    comboicon->setPixmap(icon);
    image1->setPixmap(icon);
    image2->setPixmap(icon.isNull() ? QPixmap() : icon.scaled(32, 32));
    image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image3->setPixmap(icon);
    image3->setAlignment(Qt::AlignCenter);
}

void Tbase::selectcategory()
{
    const int n = categoryIndex();
    const QString c = categoryName(n);
    showIcon(n);
    dtype->setText(c);
    typetofind->setText(c);
    labelf->setText(tr8("Искать в разделе") + QLatin1Char('\n') + c);
    labelchange->setText(c);
    lastfilter_.category = n <= 0 ? -1 : n;
    refreshlist();
    if (const int k = sortitems->checkedId(); k > 0)
        sortlist(k - 1);
}

void Tbase::ComboBoxChange()
{
    labelchange->setText(tr8("Добавить в раздел") + QLatin1Char('\n') + ComboBox->currentText());
    if (!batchmode_)
        selectcategory();
}

void Tbase::resetparamsClick() { selectcategory(); }

void Tbase::resClick()
{
    lastfilter_ = {0, {}, 0, {}};
    refreshlist();
    selectcategory();
}

void Tbase::getparamsClick()
{
    if (main_)
        main_->show();
}

void Tbase::listColumnClick(int column) { sortlist(column); }

void Tbase::sortlist(int key)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SortResult result = listModel_->sortRows(key);
    QApplication::restoreOverrideCursor();
    if (result.stopped)
        messages_.error(result.errorMessage);
}

} // namespace vosk
