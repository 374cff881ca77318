// imagery: the picture window `TImages` (`Images`): the marking and package drawings.
#pragma once
#include "gifframes.h"
#include "lookup.h"

#include <QWidget>
#include <optional>

class QLabel;

namespace vosk {

// The picture window: a marking drawing (`fig`) and a package drawing (`pic`) side by side,
// each one still frame of its drawing set at that frame's own size.
class TImages : public QWidget, public FrameSizes {
    Q_OBJECT
public:
    explicit TImages(QWidget *parent = nullptr);

    QLabel *fig = nullptr;
    QLabel *pic = nullptr;

    // The drawing sets, each decoded the first time it is asked for.
    const GifFrames &markingSet() const;
    const GifFrames &packageSet() const;
    std::optional<Size> markingFrame(int frame) const override;
    std::optional<Size> packageFrame(int frame) const override;

    // The controls, frames, sizes and caption a lookup left.
    void apply(const PictureState &state);
    // The package drawing chosen by number: `pic` shows frame i at its size, the window
    // takes both controls plus 3 in width and the taller plus 15 in height. A number
    // outside the set changes nothing.
    bool choosePackage(int frame);
    // What the window shows now, as a lookup starts from it.
    PictureState state() const { return state_; }

    int figFrame() const { return state_.figFrame; }
    int picFrame() const { return state_.picFrame; }

private:
    void FormCreate();
    static QPixmap framePixmap(const GifFrames &set, int frame);

    mutable std::optional<GifFrames> marking_;
    mutable std::optional<GifFrames> packages_;
    PictureState state_;
};

} // namespace vosk
