#include "controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QSpinBox>
#include <QStyleOptionComboBox>
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

// A spin box that takes a number typed beyond its largest value as the largest value (with a
// beep), as its arrows do, instead of refusing the keystroke that went too far.
class ClampingSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString &input, int &pos) const override
    {
        const QValidator::State state = QSpinBox::validate(input, pos);
        if (state != QValidator::Invalid)
            return state;
        bool number = false;
        const qlonglong typed = input.trimmed().toLongLong(&number);
        if (!number || typed <= maximum())
            return state;
        input = QString::number(maximum());
        pos = static_cast<int>(input.size());
        QApplication::beep();
        return QValidator::Acceptable;
    }
};

// The width an editable combo box needs to show `text` whole in its edit field.
int comboWidthFor(const QComboBox *combo, const QString &text)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    option.frame = combo->hasFrame();
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    // The edit field keeps 2 pixels on each side of its text, and a pixel for the cursor.
    return combo->width() - field.width() + combo->fontMetrics().horizontalAdvance(text) + 5;
}

// Widens the combo box to show `text`; a control placed against its right edge moves along.
void widenFor(QComboBox *combo, const QString &text)
{
    const int needed = comboWidthFor(combo, text);
    if (needed <= combo->width())
        return;
    const int right = combo->x() + combo->width();
    if (QWidget *parent = combo->parentWidget())
        for (QWidget *buddy : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (buddy != combo && buddy->x() == right && buddy->y() == combo->y())
                buddy->move(buddy->x() + needed - combo->width(), buddy->y());
    combo->resize(needed, combo->height());
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
    auto *spin = new ClampingSpinBox(parent);
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
    place(combo, name, x, y, w, h);
    // Its text and every item it gets later are shown whole: it grows to the widest.
    widenFor(combo, text);
    QObject::connect(combo->model(), &QAbstractItemModel::rowsInserted, combo,
                     [combo](const QModelIndex &, int first, int last) {
                         for (int i = first; i <= last; ++i)
                             widenFor(combo, combo->itemText(i));
                     });
    return combo;
}

} // namespace vosk
