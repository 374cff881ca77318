// params (`Tbase`): the inventory list: which records it shows, how, and the category selector.
#include "params.h"

#include "batchworker.h"
#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "filebytes.h"
#include "messages.h"
#include "pictures.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTableView>
#include <sys/stat.h>

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

// The picture of an icon file, read through the bounded reader: a FIFO or a device in
// place of an icon is refused (once, with a message) instead of hanging the window. A file
// that cannot even be reached (bmp/ is a file or cannot be entered, the path is too long)
// means no icon can be: said once, and no icon is looked for any more.
std::optional<QImage> Tbase::iconImage(int n)
{
    if (!iconFolderUsable_)
        return std::nullopt;
    const std::string path = iconFile(inventory_->datapath(), n);
    const ReadResult r = readIconFile(path);
    if (r.status == ReadStatus::Missing)
        return std::nullopt;
    if (r.status != ReadStatus::Ok) {
        struct stat st {};
        const bool there = ::lstat(path.c_str(), &st) == 0;
        if (!there)
            iconFolderUsable_ = false;
        if (refusedIcons_.insert(n).second)
            messages_.error(readFailureMessage(path, r) + (there ? std::string() : cp1251("\rЗначки разделов не показаны.")));
        return there ? std::optional<QImage>(QImage()) : std::nullopt;
    }
    return pictureFromBytes(QByteArrayView(r.bytes.data(), static_cast<qsizetype>(r.bytes.size())), "bmp");
}

void Tbase::loadicons()
{
    icons_.clear();
    // An installation folder that is not there was told about already; its icons are not.
    struct stat st {};
    const std::string &datapath = inventory_->datapath();
    iconFolderUsable_ = ::stat(datapath.empty() ? "." : datapath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    for (int n = 0;; ++n) {
        const auto image = iconImage(n);
        if (!image)
            break;
        icons_.push_back(transparentIcon(image->isNull() ? QImage() : image->copy(0, 0, 16, 16)));
    }
    listModel_->setIcons(icons_);
}

void Tbase::showIcon(int n)
{
    QPixmap icon;
    if (n >= 0) {
        if (const auto image = iconImage(n))
            icon = transparentIcon(*image);
    }
    // Held by the labels, the icons stay visible whenever the window is repainted.
    comboicon->setPixmap(icon);
    image1->setPixmap(icon);
    image2->setPixmap(icon.isNull() ? QPixmap() : icon.scaled(32, 32));
    image2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image3->setPixmap(icon);
    image3->setAlignment(Qt::AlignCenter);
}

namespace {
// A caption naming a category the user may have called anything: a line too long for its
// place ends in «…», and the whole text shows on hover.
void setFittedText(QLabel *label, const QString &text)
{
    const QFontMetrics fm(label->font());
    const int room = label->contentsRect().width();
    QStringList lines = text.split(QLatin1Char('\n'));
    bool cut = false;
    for (QString &line : lines) {
        const QString fitted = fm.elidedText(line, Qt::ElideRight, room);
        cut = cut || fitted != line;
        line = fitted;
    }
    label->setText(lines.join(QLatin1Char('\n')));
    label->setToolTip(cut ? text : QString());
}
} // namespace

void Tbase::showCategory(int n)
{
    const QString c = categoryName(n);
    showIcon(n);
    setFittedText(dtype, c);
    setFittedText(typetofind, c);
    setFittedText(labelf, tr8("Искать в разделе") + QLatin1Char('\n') + c);
    setFittedText(labelchange, c);
}

void Tbase::selectcategory()
{
    const int n = categoryIndex();
    showCategory(n);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Outcome o = changing().selectCategory(n);
    QApplication::restoreOverrideCursor();
    apply(o, NotesAt::After);
}

void Tbase::ComboBoxChange()
{
    setFittedText(labelchange, tr8("Добавить в раздел") + QLatin1Char('\n') + ComboBox->currentText());
    if (!inventory_->batchmode())
        selectcategory();
}

void Tbase::resetparamsClick() { selectcategory(); }

void Tbase::resClick()
{
    const int n = categoryIndex();
    showCategory(n);
    apply(changing().reset(n), NotesAt::After);
}

void Tbase::getparamsClick() { Q_EMIT referenceRequested(); }

void Tbase::listColumnClick(int column)
{
    if (batch_)
        return; // the list orders once the batch is done
    if (column >= 0 && column < kListColumns)
        sortlist(static_cast<ListColumn>(column));
}

void Tbase::sortitemsClick()
{
    // Item 0 leaves the list as it is; items 1..4 order by the columns left to right.
    const int k = sortitems->checkedId();
    changing().setAutoSort(k > 0 ? std::optional<ListColumn>(static_cast<ListColumn>(k - 1)) : std::nullopt);
}

void Tbase::sortlist(ListColumn column)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Outcome o = changing().sort(column);
    QApplication::restoreOverrideCursor();
    apply(o, NotesAt::After);
}

} // namespace vosk
