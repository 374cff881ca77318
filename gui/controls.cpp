#include "controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

namespace vosk {
namespace {

template <class W>
W *place(W *w, const char *name, int x, int y, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    if (width <= 0 || height <= 0) {
        w->adjustSize();
        w->move(x, y);
    } else {
        w->setGeometry(x, y, width, height);
    }
    return w;
}

} // namespace

// Captions are laid out for a narrower face than the fonts found here: a fixed caption
// gets at least the width it needs, so that it is never clipped.
QLabel *placeLabel(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h)
{
    auto *label = new QLabel(text, parent);
    if (w > 0 && !text.isEmpty())
        w = std::max(w, label->sizeHint().width());
    return place(label, name, x, y, w, h);
}

QPushButton *placeButton(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h)
{
    auto *button = new QPushButton(text, parent);
    const int needed = button->fontMetrics().horizontalAdvance(text) + 12;
    return place(button, name, x, y, std::max(w, needed), h);
}

QLineEdit *placeEdit(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h)
{
    return place(new QLineEdit(text, parent), name, x, y, w, h);
}

QSpinBox *placeSpin(QWidget *parent, const char *name, int min, int max, int value, int x, int y, int w, int h)
{
    auto *spin = new QSpinBox(parent);
    spin->setRange(min, max);
    spin->setValue(value);
    // Whatever is typed is held within the limits when the box loses the focus.
    spin->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    spin->setKeyboardTracking(true);
    return place(spin, name, x, y, w, h);
}

QCheckBox *placeCheck(QWidget *parent, const char *name, const QString &text, bool checked, int x, int y, int w, int h)
{
    auto *box = new QCheckBox(text, parent);
    box->setChecked(checked);
    return place(box, name, x, y, std::max(w, box->sizeHint().width()), h);
}

QComboBox *placeCombo(QWidget *parent, const char *name, const QString &text, int x, int y, int w, int h)
{
    auto *combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setEditText(text);
    return place(combo, name, x, y, w, h);
}

} // namespace vosk
