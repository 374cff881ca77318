// Unit1: the reference window `Tmain` (`main`): a diode type looked up and drawn as tables.
#include "Unit1.h"

#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "imagery.h"
#include "placement.h"
#include "pictures.h"
#include "resourcebytes.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QFormLayout>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

namespace vosk {
namespace {

// The window font's measures, for the layout of the tables.
class FontMeasure : public TextMeasure {
public:
    explicit FontMeasure(const QFont &font) : metrics_(font) {}
    int textWidth(std::string_view text) const override { return metrics_.horizontalAdvance(fromCp1251(text)); }
    int lineHeight() const override { return metrics_.height(); }

private:
    QFontMetrics metrics_;
};

std::string embedded(const char *path) { return resourceBytes(path).value_or(std::string()); }

// Without a picture window no frame exists.
struct NoFrames : FrameSizes {
    std::optional<Size> markingFrame(int) const override { return std::nullopt; }
    std::optional<Size> packageFrame(int) const override { return std::nullopt; }
};

} // namespace

Tmain::Tmain(TImages *images, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      images_(images)
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(tr8("Справочник по электрорнным компонентаам"));
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    placeWindow(this, QRect(102, 118, 611, 213));

    auto *bevel1 = new QFrame(this);
    bevel1->setObjectName(QStringLiteral("Bevel1"));
    bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bevel1->setGeometry(0, 0, 161, 33);
    Edit1 = placeEdit(this, "Edit1", tr8("Д9Б"), 8, 5, 81, 24);
    QFont editFont = Edit1->font();
    editFont.setPixelSize(13);
    Edit1->setFont(editFont);
    Edit1->installEventFilter(this);
    imgfind = placeLabel(this, "imgfind", {}, 96, 7, 50, 20);
    imgfind->setPixmap(builtInPicture(QStringLiteral(":/images/findbutton.png")));
    imgfind->setCursor(Qt::PointingHandCursor);
    imgfind->installEventFilter(this);
    allcomps = placeCombo(this, "allcomps", tr8("Компоненты"), 208, 8, 89, 21);
    connect(allcomps, &QComboBox::activated, this, &Tmain::allcompsChange);
    connect(allcomps->lineEdit(), &QLineEdit::textEdited, this, &Tmain::allcompsChange);
    auto *bevel2 = new QFrame(this);
    bevel2->setObjectName(QStringLiteral("Bevel2"));
    bevel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bevel2->setGeometry(400, 0, 121, 25);
    placeLabel(this, "StaticText1", tr8("чертеж №"), 408, 6, 54, 17);
    combopic = placeCombo(this, "combopic", tr8("Рис."), 472, 0, 41, 21);
    connect(combopic, &QComboBox::activated, this, &Tmain::combopicChange);
    connect(combopic->lineEdit(), &QLineEdit::textEdited, this, &Tmain::combopicChange);
    find = placeButton(this, "find", QStringLiteral("find"), 496, 56, 75, 25);
    find->hide();
    connect(find, &QPushButton::clicked, this, &Tmain::FindClick);

    // The user's own figures: an edit box laid over a cell, and the menu of the cells.
    celledit = new QLineEdit(this);
    celledit->setObjectName(QStringLiteral("celledit"));
    celledit->hide();
    celledit->installEventFilter(this);
    connect(celledit, &QLineEdit::returnPressed, this, &Tmain::cellEditKeep);
    cellmenu = new QMenu(this);
    cellmenu->setObjectName(QStringLiteral("cellmenu"));
    const auto action = [this](const char *name, const char *text, void (Tmain::*handler)()) {
        QAction *a = cellmenu->addAction(tr8(text));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    resetfield_ = action("resetfield", "Вернуть значение справочника", &Tmain::resetfieldClick);
    removetype_ = action("removetype", "Удалить свой тип", &Tmain::removetypeClick);
    cellmenu->addSeparator();
    action("addtype", "Добавить тип…", &Tmain::addtypeClick);
    cellmenu->addSeparator();
    action("exportbook", "Сохранить свои данные в файл…", &Tmain::exportbookClick);
    action("importbook", "Загрузить данные из файла…", &Tmain::importbookClick);
    askNewType = [this](const NewType &suggested) { return askNewTypeDialog(suggested); };
    chooseFile = [this](bool save) { return chooseFileDialog(save); };
    boxes_.setParent(this);
    FormCreate();
}

void Tmain::FormCreate()
{
    listsbuilt_ = false;
    book_ = ReferenceBook(RefTables::create(embedded(":/reference/marking.txt"), embedded(":/reference/params.txt"),
                                            embedded(":/reference/params2.txt")));
}

void Tmain::lookupFrom(const QString &text)
{
    Edit1->setText(text);
    find->click();
}

void Tmain::FindClick()
{
    // A figure being typed is kept, as Enter keeps it, before the tables are drawn anew.
    // Refused, its box stays open with the message, and nothing else is looked up.
    if (figureTyped()) {
        if (!storeFigure())
            return;
        if (listsbuilt_)
            fillTypes();
    }
    cellEditCancel();
    showLookup();
}

void Tmain::showLookup()
{
    const auto text = toCp1251(Edit1->text());
    const FontMeasure measure(font());
    // A designation that code page 1251 cannot hold matches no key.
    const std::string designation = text.value_or(std::string(1, '\0'));
    static const NoFrames noFrames;
    const FrameSizes &frames = images_ ? static_cast<const FrameSizes &>(*images_) : noFrames;
    last_ = book_.lookup(fields_, designation, measure, frames, width(), height(),
                   images_ ? images_->state() : PictureState{});
    lastText_ = Edit1->text();
    looked_ = true;
    if (images_)
        images_->apply(last_.picture);
    if (last_.windowWidth > width() || last_.windowHeight > height()) {
        resize(std::max(width(), last_.windowWidth), std::max(height(), last_.windowHeight));
        // Below the grown window, at the picture window's new size; the window manager frames
        // the new size later, so once more then.
        placeImages();
        QTimer::singleShot(150, this, &Tmain::placeImages);
    }
    update();
}

void Tmain::imgfindClick() { find->click(); }

void Tmain::paintEvent(QPaintEvent *)
{
    // Every repaint shows the lookup of the text in the type box; when that text changed
    // since the last lookup, the lookup runs first (outside this paint) and paints again.
    if (!looked_ || lastText_ != Edit1->text()) {
        QMetaObject::invokeMethod(find, &QPushButton::click, Qt::QueuedConnection);
        return;
    }
    QPainter painter(this);
    painter.fillRect(QRect(0, RefLayout::clearTop, width(), height() - RefLayout::clearTop), Qt::white);
    const QColor text = palette().color(QPalette::WindowText);
    const QColor userText(0, 0, 128); // the user's own figures: dark blue
    const QFontMetrics metrics(font());
    for (const DrawnText &t : last_.texts) {
        painter.setPen(t.user ? userText : text);
        painter.drawText(t.x, t.y + metrics.ascent(), fromCp1251(t.text));
    }
}

bool Tmain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imgfind && event->type() == QEvent::MouseButtonRelease)
        imgfindClick();
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            find->click(); // Edit1KeyPress: Enter looks the text up
    }
    if (watched == celledit && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        cellEditCancel();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Tmain::allcompsChange()
{
    // The text of the item the list marks as chosen; none marked gives an empty text.
    const int i = allcomps->findText(allcomps->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    Edit1->setText(i >= 0 ? allcomps->itemText(i) : QString());
    find->click();
}

void Tmain::combopicChange()
{
    const int i = combopic->findText(combopic->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0 && images_)
        images_->choosePackage(i);
}

void Tmain::buildLists()
{
    listsbuilt_ = true;
    fillTypes();
    allcomps->setEditText(tr8("Компоненты"));
    combopic->clear();
    const int frames = images_ ? images_->packageSet().count() : 0;
    for (int i = 1; i <= frames; ++i)
        combopic->addItem(tr8("Д") + QString::number(i));
    combopic->setCurrentIndex(-1);
    combopic->setEditText(tr8("рис."));
}

void Tmain::fillTypes()
{
    const QString text = allcomps->currentText();
    allcomps->clear();
    for (const std::string &type : allTypes(book_.tables()))
        allcomps->addItem(fromCp1251(type));
    allcomps->setCurrentIndex(-1);
    allcomps->setEditText(text);
}

void Tmain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Tmain::FormShow()
{
    if (!listsbuilt_)
        buildLists();
    // The picture window takes the size of its drawings with the lookup: it runs now, not at
    // the first paint, so that the window is placed at the size it will have.
    if (!looked_ || lastText_ != Edit1->text())
        find->click();
    placeImages();
    // Once the window manager has framed both windows, the picture window goes below the frame
    // (a frame may be known as soon as the window shows: watched before it does).
    onFrameKnown(this, [this] { placeImages(); });
    if (images_) {
        onFrameKnown(images_, [this] { placeImages(); });
        images_->show();
    }
}

void Tmain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeImages();
}

void Tmain::placeImages()
{
    if (!images_)
        return;
    const QRect outer = frameGeometry();
    const int width = images_->frameGeometry().width();
    moveFrame(images_, QPoint(outer.x() + outer.width() - width, outer.y() + outer.height()));
}

void Tmain::closeEvent(QCloseEvent *event)
{
    find->click();
    if (!celledit->isHidden()) {
        event->ignore(); // a typed figure that cannot be kept: the window stays with its box
        return;
    }
    saveUserBook();
    if (images_)
        images_->close();
    QWidget::closeEvent(event);
}

// ---- The user's own figures and types -------------------------------------------------

namespace {

std::string localPath(const QString &path) { return QFile::encodeName(path).toStdString(); }

const char *const kOutsideCodePage = "Текст не сохранён: в нём знак, которого нет в кодовой странице 1251.";

} // namespace

Messages &Tmain::messages() { return messages_ ? *messages_ : static_cast<Messages &>(boxes_); }

void Tmain::setDataFolder(std::string datapath, Messages &messages, bool readOnly)
{
    messages_ = &messages;
    book_.open(std::move(datapath), readOnly, messages);
    if (readOnly && !windowTitle().endsWith(tr8(" — только просмотр")))
        setWindowTitle(windowTitle() + tr8(" — только просмотр"));
    userBookChanged();
}

bool Tmain::saveUserBook()
{
    // The program may be ending with a figure still in its box: kept first, when it can be.
    keepTypedFigure();
    return book_.save(messages());
}

bool Tmain::said(const std::string &refusal)
{
    if (refusal.empty())
        return true;
    messages().error(refusal);
    return false;
}

void Tmain::say(const BookNote &note)
{
    if (note.kind == BookNote::Kind::Error)
        messages().error(note.text);
    else if (note.kind == BookNote::Kind::Inform)
        messages().inform(note.text);
}

bool Tmain::changesAllowed() { return said(book_.changeRefusal()); }

void Tmain::userBookChanged()
{
    if (listsbuilt_)
        fillTypes();
    // What is drawn follows the user's figures; before the first lookup nothing is drawn yet.
    // Called directly, not through the button: a figure typed meanwhile is kept as ever.
    if (looked_)
        FindClick();
}

const CellBox *Tmain::cellAt(const QPoint &pos) const
{
    for (const CellBox &cell : last_.cells)
        if (cell.contains(pos.x(), pos.y()))
            return &cell;
    return nullptr;
}

std::string Tmain::cellKey(const CellBox &cell) const { return book_.keyAt(cell.table, cell.line); }

void Tmain::editCell(const CellBox &cell)
{
    if (cell.field < 2)
        return; // the designation is the record's name, not one of its figures
    Fields current;
    const int n = splitrecord(book_.tables().table(cell.table).line(cell.line), current);
    if (cell.field > n || !changesAllowed())
        return;
    editing_ = cell;
    const int h = QFontMetrics(font()).height();
    celledit->setGeometry(cell.x - 3, cell.y - 4, std::max(cell.width + 8, 90), h + 8);
    celledit->setText(fromCp1251(current.slot[static_cast<size_t>(cell.field)]));
    celledit->selectAll();
    celledit->show();
    celledit->raise();
    celledit->setFocus();
}

bool Tmain::figureTyped() const { return editing_ && !celledit->isHidden() && celledit->isModified(); }

bool Tmain::keepTypedFigure()
{
    if (!figureTyped())
        return true;
    if (!storeFigure())
        return false;
    userBookChanged();
    return true;
}

bool Tmain::storeFigure()
{
    const auto text = toCp1251(celledit->text());
    if (!text) {
        messages().error(cp1251(kOutsideCodePage));
        return false; // the box stays open for another try
    }
    const CellBox cell = *editing_;
    if (!said(book_.setFigure(cell.table, cellKey(cell), cell.field, *text)))
        return false;
    cellEditCancel();
    return true;
}

void Tmain::cellEditKeep()
{
    if (!editing_ || celledit->isHidden())
        return;
    if (storeFigure())
        userBookChanged();
}

void Tmain::cellEditCancel()
{
    editing_.reset();
    if (!celledit->isHidden()) {
        celledit->hide();
        Edit1->setFocus();
    }
}

void Tmain::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (const CellBox *cell = cellAt(event->position().toPoint()))
        editCell(*cell);
    else
        QWidget::mouseDoubleClickEvent(event);
}

void Tmain::keyPressEvent(QKeyEvent *event)
{
    // F2: the first figure of the record shown.
    if (event->key() == Qt::Key_F2) {
        for (const CellBox &cell : last_.cells)
            if (cell.field >= 2) {
                editCell(cell);
                return;
            }
    }
    QWidget::keyPressEvent(event);
}

void Tmain::contextMenuEvent(QContextMenuEvent *event)
{
    const CellBox *cell = cellAt(event->pos());
    menuCell_ = cell ? std::optional<CellBox>(*cell) : std::nullopt;
    const bool ownType = cell && book_.isOwnType(cell->table, cell->line);
    resetfield_->setEnabled(cell && !ownType && cell->field >= 2 && book_.isUserField(cell->table, cell->line, cell->field));
    removetype_->setEnabled(ownType);
    cellmenu->popup(event->globalPos());
}

void Tmain::resetfieldClick()
{
    if (!menuCell_ || !changesAllowed())
        return;
    const CellBox cell = *menuCell_;
    menuCell_.reset();
    if (said(book_.restoreFigure(cell.table, cellKey(cell), cell.field)))
        userBookChanged();
}

void Tmain::removetypeClick()
{
    if (!menuCell_ || !book_.isOwnType(menuCell_->table, menuCell_->line) || !changesAllowed())
        return;
    const std::string key = cellKey(*menuCell_);
    const int t = menuCell_->table;
    menuCell_.reset();
    if (!messages().confirm(cp1251("Удалить ваш тип ") + key + cp1251(" со всеми его данными?")))
        return;
    if (said(book_.removeType(t, key)))
        userBookChanged();
}

void Tmain::addtypeClick()
{
    if (!changesAllowed())
        return;
    NewType suggested;
    // The text looked up names no type: it is the one to add.
    const auto text = toCp1251(Edit1->text());
    if (text && !book_.knows(*text))
        suggested.key = Edit1->text();
    const int chosen = combopic->findText(combopic->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    suggested.drawing = chosen + 1;
    const std::optional<NewType> wanted = askNewType(suggested);
    if (!wanted)
        return;
    const auto key = toCp1251(wanted->key.trimmed());
    if (!key) {
        messages().error(cp1251(kOutsideCodePage));
        return;
    }
    if (!said(book_.addType(wanted->table, *key, wanted->drawing)))
        return;
    Edit1->setText(fromCp1251(*key));
    userBookChanged();
    // Its figures are typed in place, the first one now.
    for (const CellBox &cell : last_.cells)
        if (cell.table == wanted->table && cell.field == 2 && cellKey(cell) == *key) {
            editCell(cell);
            break;
        }
}

void Tmain::exportbookClick()
{
    if (const BookNote nothing = book_.exportCheck(); nothing.kind != BookNote::Kind::None) {
        say(nothing);
        return;
    }
    const QString name = chooseFile(true);
    if (!name.isEmpty())
        say(book_.exportTo(localPath(name)));
}

void Tmain::importbookClick()
{
    if (!changesAllowed())
        return;
    const QString name = chooseFile(false);
    if (name.isEmpty())
        return;
    const ImportOffer offer = book_.offerImport(localPath(name));
    if (!offer.offered()) {
        say(offer.note);
        return;
    }
    if (messages().confirm(offer.question) && said(book_.applyImport(offer.plan)))
        userBookChanged();
}

std::optional<NewType> Tmain::askNewTypeDialog(const NewType &suggested)
{
    QDialog dialog(this);
    dialog.setWindowTitle(tr8("Добавить тип"));
    auto *form = new QFormLayout(&dialog);
    auto *table = new QComboBox(&dialog);
    table->addItems({tr8("маркировка"), tr8("диоды"), tr8("стабилитроны")});
    table->setCurrentIndex(std::clamp(suggested.table, 1, 3) - 1);
    auto *key = new QLineEdit(suggested.key, &dialog);
    auto *drawing = new QComboBox(&dialog);
    drawing->addItem(tr8("нет"));
    for (int i = 0; i < combopic->count(); ++i)
        drawing->addItem(combopic->itemText(i));
    drawing->setCurrentIndex(std::clamp(suggested.drawing, 0, combopic->count()));
    form->addRow(tr8("Таблица"), table);
    form->addRow(tr8("Тип"), key);
    form->addRow(tr8("Чертёж корпуса"), drawing);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return NewType{table->currentIndex() + 1, key->text(), drawing->currentIndex()};
}

QString Tmain::chooseFileDialog(bool save)
{
    const QString filter = tr8("Данные справочника (*.dat);;Все файлы (*)");
    const QString folder = QFile::decodeName(QByteArray::fromStdString(book_.datapath()));
    return save ? QFileDialog::getSaveFileName(this, tr8("Сохранить свои данные справочника"),
                                               folder + QStringLiteral("refbook-export.dat"), filter)
                : QFileDialog::getOpenFileName(this, tr8("Загрузить данные справочника"), folder, filter);
}

} // namespace vosk
