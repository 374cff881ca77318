#include "Unit1.h"

#include "codec.h"
#include "controls.h"
#include "imagery.h"
#include "placement.h"
#include "resourcebytes.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
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
    imgfind->setPixmap(QPixmap(QStringLiteral(":/images/findbutton.png")));
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
    FormCreate();
}

void Tmain::FormCreate()
{
    listsbuilt_ = false;
    tables_ = RefTables::create(embedded(":/reference/marking.txt"), embedded(":/reference/params.txt"),
                                embedded(":/reference/params2.txt"));
}

void Tmain::lookupFrom(const QString &text)
{
    Edit1->setText(text);
    find->click();
}

void Tmain::FindClick()
{
    const auto text = toCp1251(Edit1->text());
    const FontMeasure measure(font());
    // A designation that code page 1251 cannot hold matches no key.
    const std::string designation = text.value_or(std::string(1, '\0'));
    static const NoFrames noFrames;
    const FrameSizes &frames = images_ ? static_cast<const FrameSizes &>(*images_) : noFrames;
    last_ = lookup(tables_, fields_, designation, measure, frames, width(), height(),
                   images_ ? images_->state() : PictureState{});
    lastText_ = Edit1->text();
    looked_ = true;
    if (last_.windowWidth > width() || last_.windowHeight > height())
        resize(std::max(width(), last_.windowWidth), std::max(height(), last_.windowHeight));
    if (images_)
        images_->apply(last_.picture);
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
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    for (const DrawnText &t : last_.texts)
        painter.drawText(t.x, t.y + metrics.ascent(), fromCp1251(t.text));
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
    allcomps->clear();
    for (const std::string &type : allTypes(tables_))
        allcomps->addItem(fromCp1251(type));
    allcomps->setCurrentIndex(-1);
    allcomps->setEditText(tr8("Компоненты"));
    combopic->clear();
    const int frames = images_ ? images_->packageSet().count() : 0;
    for (int i = 1; i <= frames; ++i)
        combopic->addItem(tr8("Д") + QString::number(i));
    combopic->setCurrentIndex(-1);
    combopic->setEditText(tr8("рис."));
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
    placeImages();
    if (images_)
        images_->show();
    // Once the window manager has framed both windows, the picture window goes below the frame.
    onFrameKnown(this, [this] { placeImages(); });
    if (images_)
        onFrameKnown(images_, [this] { placeImages(); });
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
    if (images_)
        images_->close();
    QWidget::closeEvent(event);
}

} // namespace vosk
