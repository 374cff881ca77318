// imagery: the picture window `TImages` (`Images`): the marking and package drawings.
#include "imagery.h"

#include "codec.h"
#include "placement.h"
#include "resourcebytes.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

namespace vosk {
namespace {

GifFrames loadSet(const char *path)
{
    const auto bytes = resourceBytes(path);
    if (!bytes)
        return {};
    auto frames = GifFrames::decode(*bytes);
    return frames ? std::move(*frames) : GifFrames();
}

std::optional<FrameSizes::Size> sizeOf(const GifFrames &set, int frame)
{
    const GifFrame *f = set.frame(frame);
    if (!f)
        return std::nullopt;
    return FrameSizes::Size{f->width, f->height};
}

} // namespace

TImages::TImages(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Images"));
    setWindowTitle(QStringLiteral("Images"));
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    resize(177, 123);
    fig = new QLabel(this);
    fig->setObjectName(QStringLiteral("fig"));
    fig->setGeometry(0, 0, 25, 122);
    pic = new QLabel(this);
    pic->setObjectName(QStringLiteral("pic"));
    pic->setGeometry(24, 0, 145, 129);
    for (QLabel *label : {fig, pic}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // The drawings take no mouse input; a disabled label would grey them out instead.
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    FormCreate();
}

void TImages::FormCreate()
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(240, 240, 240));
    setPalette(p);
}

// Decoding both sets takes a noticeable share of start-up, and many sessions never open the
// picture window: each set is decoded when something first needs its frames.
const GifFrames &TImages::markingSet() const
{
    if (!marking_)
        marking_ = loadSet(":/drawings/marking.gif");
    return *marking_;
}

const GifFrames &TImages::packageSet() const
{
    if (!packages_)
        packages_ = loadSet(":/drawings/packages.gif");
    return *packages_;
}

std::optional<FrameSizes::Size> TImages::markingFrame(int frame) const { return sizeOf(markingSet(), frame); }
std::optional<FrameSizes::Size> TImages::packageFrame(int frame) const { return sizeOf(packageSet(), frame); }

QPixmap TImages::framePixmap(const GifFrames &set, int frame)
{
    const GifFrame *f = set.frame(frame);
    if (!f)
        return {};
    const QImage view(reinterpret_cast<const uchar *>(f->pixels.data()), f->width, f->height, f->width * 4,
                      QImage::Format_ARGB32);
    return QPixmap::fromImage(view.copy());
}

void TImages::apply(const PictureState &s)
{
    if (s.figFrame != state_.figFrame && s.figFrame >= 0)
        fig->setPixmap(framePixmap(markingSet(), s.figFrame));
    if (s.picFrame != state_.picFrame && s.picFrame >= 0)
        pic->setPixmap(framePixmap(packageSet(), s.picFrame));
    fig->setGeometry(s.figLeft, 0, s.figWidth, s.figHeight);
    pic->setGeometry(s.picLeft, 0, s.picWidth, s.picHeight);
    fig->setVisible(s.figVisible);
    pic->setVisible(s.picVisible);
    // The outer size asked for, but never so small that the frame cuts a drawing off.
    QSize drawings;
    if (s.figVisible)
        drawings = drawings.expandedTo(QSize(s.figLeft + s.figWidth, s.figHeight));
    if (s.picVisible)
        drawings = drawings.expandedTo(QSize(s.picLeft + s.picWidth, s.picHeight));
    resizeFrame(this, QSize(s.width, s.height), drawings);
    setWindowTitle(fromCp1251(s.caption));
    state_ = s;
}

bool TImages::choosePackage(int frame)
{
    const auto size = packageFrame(frame);
    if (!size)
        return false;
    PictureState s = state_;
    s.picFrame = frame;
    s.picWidth = size->width;
    s.picHeight = size->height;
    s.width = s.figWidth + s.picWidth + 3;
    s.height = std::max(s.figHeight, s.picHeight) + 15;
    apply(s);
    return true;
}

} // namespace vosk
