#include "placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <optional>

namespace vosk {
namespace {

// One per placed window: what was asked for, and the frame it was last placed with.
class FramePlacer : public QObject {
public:
    explicit FramePlacer(QWidget *window) : QObject(window), window_(window)
    {
        setObjectName(QStringLiteral("framePlacer"));
        window->installEventFilter(this);
    }

    static FramePlacer *of(QWidget *window)
    {
        auto *placer = window->findChild<FramePlacer *>(QStringLiteral("framePlacer"), Qt::FindDirectChildrenOnly);
        return placer ? placer : new FramePlacer(window);
    }

    std::optional<QPoint> position;
    std::optional<QSize> outer;
    QSize minClient;
    std::function<void()> placed;
    // A new request gets its own few corrections.
    void request() { corrections_ = 0; }

    // Places the frame; `keepPosition` moves it back to the position asked for, otherwise the
    // frame keeps its corner where it is now.
    void apply(bool keepPosition = true)
    {
        QWidget *w = window_;
        const QMargins m = margins();
        QRect frame = outerFrame();
        if (position && keepPosition)
            frame.moveTopLeft(*position);
        if (outer)
            frame.setSize(outer->expandedTo(minClient.grownBy(m)));
        const QRect fitted = fitFrame(frame, availableArea(w));
        const QSize client = fitted.size().shrunkBy(m).expandedTo(QSize(1, 1));
        const bool move = fitted.topLeft() != frame.topLeft() || (position && keepPosition);
        applying_ = true;
        if (!w->testAttribute(Qt::WA_WState_Created)) {
            // Before the window exists, a move names the frame's corner.
            if (move)
                w->move(fitted.topLeft());
            w->resize(client);
        } else if (!m.isNull() || frameless()) {
            w->setGeometry(QRect(fitted.topLeft() + QPoint(m.left(), m.top()), client));
        } else {
            // Shown but not framed yet: the window manager puts the frame's corner here.
            if (move)
                w->windowHandle()->setFramePosition(fitted.topLeft());
            w->resize(client);
        }
        applying_ = false;
        lastMargins_ = m;
        if (position && keepPosition) {
            // Checked when the window manager reports the frame: it may have put it elsewhere.
            target_ = fitted.topLeft();
            checking_ = true;
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (applying_)
            return false;
        const auto type = event->type();
        QWindow *handle = window_->windowHandle();
        if (watched == window_) {
            // The frame may come without the client moving (the window manager can keep the
            // client where it is): the native window's exposure tells that it was mapped.
            if (handle && handle != watchedHandle_) {
                handle->installEventFilter(this);
                watchedHandle_ = handle;
            }
            if (type != QEvent::Show && type != QEvent::Move && type != QEvent::Resize)
                return false;
        } else if (watched != handle || type != QEvent::Expose) {
            return false;
        }
        const QMargins m = margins();
        if (m != lastMargins_) {
            // The frame came (or changed): the same outer place, now with the real frame.
            if (position || outer)
                apply();
            lastMargins_ = m;
            if (placed)
                placed();
        } else if (checking_ && (!m.isNull() || frameless()) && window_->isVisible()) {
            // The frame is known: where the window manager put it is checked against where it
            // was asked to go, and put again a few times at most (the user may move it later).
            if (outerFrame().topLeft() == target_ || ++corrections_ > 5)
                checking_ = false;
            else
                apply();
        } else if (type == QEvent::Resize && window_->isVisible()) {
            keepInside();
        }
        return false;
    }

private:
    QMargins margins() const
    {
        QWindow *handle = window_->windowHandle();
        if (!handle || !window_->isVisible())
            return {};
        const QMargins m = handle->frameMargins();
        // A frame is a border and a caption. Read while the window manager is still building
        // it, the margins can come out as anything: such a reading is not taken.
        const bool plausible = m.left() >= 0 && m.right() >= 0 && m.top() >= 0 && m.bottom() >= 0 &&
                               m.left() <= 64 && m.right() <= 64 && m.top() <= 128 && m.bottom() <= 64;
        return plausible ? m : lastMargins_;
    }

    // The outer window by the margins taken, not by Qt's own idea of the frame.
    QRect outerFrame() const { return window_->geometry().marginsAdded(margins()); }

    // A window that gets no frame from anyone.
    bool frameless() const
    {
        return window_->windowFlags().testFlag(Qt::FramelessWindowHint) || !window_->windowHandle() ||
               QGuiApplication::platformName() == QLatin1String("offscreen");
    }

    void keepInside()
    {
        const QRect frame = outerFrame();
        const QRect fitted = fitFrame(frame, availableArea(window_));
        if (fitted == frame)
            return;
        const QMargins m = margins();
        applying_ = true;
        window_->setGeometry(QRect(fitted.topLeft() + QPoint(m.left(), m.top()), fitted.size().shrunkBy(m)));
        applying_ = false;
    }

    QWidget *window_;
    QWindow *watchedHandle_ = nullptr;
    QMargins lastMargins_;
    QPoint target_;
    bool checking_ = false;
    int corrections_ = 0;
    bool applying_ = false;
};

const QScreen *screenOf(const QWidget *window)
{
    const QScreen *screen = window ? window->screen() : nullptr;
    return screen ? screen : QGuiApplication::primaryScreen();
}

} // namespace

QRect fitFrame(const QRect &frame, const QRect &available)
{
    if (!available.isValid())
        return frame;
    const int w = std::min(frame.width(), available.width());
    const int h = std::min(frame.height(), available.height());
    const int x = std::clamp(frame.x(), available.left(), available.left() + available.width() - w);
    const int y = std::clamp(frame.y(), available.top(), available.top() + available.height() - h);
    return {x, y, w, h};
}

QRect availableArea(const QWidget *window)
{
    const QScreen *screen = screenOf(window);
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QRect screenArea(const QWidget *window)
{
    const QScreen *screen = screenOf(window);
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

void placeWindow(QWidget *window, const QRect &frame)
{
    FramePlacer *placer = FramePlacer::of(window);
    placer->position = frame.topLeft();
    placer->outer = frame.size();
    placer->request();
    placer->apply();
}

void moveFrame(QWidget *window, const QPoint &topLeft)
{
    FramePlacer *placer = FramePlacer::of(window);
    placer->position = topLeft;
    placer->request();
    placer->apply();
}

void resizeFrame(QWidget *window, const QSize &outer, const QSize &minClient)
{
    FramePlacer *placer = FramePlacer::of(window);
    placer->outer = outer;
    placer->minClient = minClient;
    placer->apply(false);
}

void onFrameKnown(QWidget *window, std::function<void()> placed)
{
    FramePlacer::of(window)->placed = std::move(placed);
}

} // namespace vosk
