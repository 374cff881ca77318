#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

class QWidget;

namespace vosk {

// Where the program's top-level windows go. Positions and sizes here are those of the outer
// window, frame and caption included, as a user sees it; the window manager's frame is known
// only once a window is shown, so a placed window is placed again as soon as its frame is
// known (and whenever the frame changes). A window never starts above or left of the screen's
// available area and never reaches past it: a frame that would is moved inside, and one larger
// than the area is made as large as the area.

// The frame moved and, if need be, shrunk so that it lies inside `available`.
QRect fitFrame(const QRect &frame, const QRect &available);

// The available area of the screen the window is on (the primary screen before it is shown).
QRect availableArea(const QWidget *window);
// The whole screen the window is on.
QRect screenArea(const QWidget *window);

// Puts the window's frame at frame.topLeft() with the outer size frame.size(), inside the
// available area, now and again when its frame becomes known; afterwards every resize of the
// window is kept inside the available area too.
void placeWindow(QWidget *window, const QRect &frame);
// Moves the frame's top-left corner to `topLeft`, keeping the window inside the available area.
void moveFrame(QWidget *window, const QPoint &topLeft);
// Gives the window the outer size `outer` (the client never smaller than `minClient`).
void resizeFrame(QWidget *window, const QSize &outer, const QSize &minClient = {});
// Runs `placed` whenever the window's frame becomes known or changes (for windows placed
// against it). One function per window: a later call replaces the earlier.
void onFrameKnown(QWidget *window, std::function<void()> placed);

} // namespace vosk
