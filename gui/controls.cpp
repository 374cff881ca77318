#include "controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QSpinBox>
#include <QHelpEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QToolTip>
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

// The edit field of a combo box: a text wider than the field is shown cut with "…" while the
// field is not being edited (its start, not its scrolled-to end), the whole of it as a tip.
class ElidingLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    // The width the text has inside the field (2 pixels of margin on each side).
    int room() const
    {
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
        return r.width() - textMargins().left() - textMargins().right() - 4;
    }
    bool elided() const { return fontMetrics().horizontalAdvance(text()) > room(); }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (hasFocus() || !elided()) {
            QLineEdit::paintEvent(event);
            return;
        }
        QPainter painter(this);
        QStyleOptionFrame option;
        initStyleOption(&option);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
        QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &option, this).marginsRemoved(textMargins());
        r.adjust(2, 0, -2, 0);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
        painter.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(text(), Qt::ElideRight, r.width()));
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

// Room kept between a widened combo box and the right edge of its page (a bevel's edge).
constexpr int kEdgeGap = 4;

// Keeps a combo box as wide as its widest text (its placed width at least) but inside its
// parent: what is wider is elided, with the whole text as a tip. A control placed against
// its right edge moves along. Runs again whenever items arrive or the parent is resized.
class ComboFitter : public QObject {
public:
    ComboFitter(QComboBox *combo, int placedWidth) : QObject(combo), combo_(combo), placedWidth_(placedWidth)
    {
        combo->installEventFilter(this);
        if (combo->parentWidget())
            combo->parentWidget()->installEventFilter(this);
        connect(combo->model(), &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int last) {
            for (int i = first; i <= last; ++i)
                widest_ = std::max(widest_, comboWidthFor(combo_, combo_->itemText(i)));
            fit();
            markLongItems(first, last);
        });
        widest_ = comboWidthFor(combo, combo->currentText());
        fit();
    }

    void fit()
    {
        int width = std::max(placedWidth_, widest_);
        // A parent narrower than the placed width (not laid out yet) leaves the placed width.
        if (const QWidget *parent = combo_->parentWidget())
            width = std::min(width, std::max(placedWidth_, parent->width() - kEdgeGap - combo_->x()));
        if (width == combo_->width())
            return;
        const int right = combo_->x() + combo_->width();
        if (QWidget *parent = combo_->parentWidget())
            for (QWidget *buddy : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (buddy != combo_ && buddy->x() == right && buddy->y() == combo_->y())
                    buddy->move(buddy->x() + width - combo_->width(), buddy->y());
        combo_->resize(width, combo_->height());
        markLongItems(0, combo_->count() - 1);
    }

    // Items wider than the field carry their whole text as a tip in the list too.
    void markLongItems(int first, int last)
    {
        if (widest_ <= combo_->width())
            return;
        for (int i = first; i <= last; ++i)
            if (comboWidthFor(combo_, combo_->itemText(i)) > combo_->width())
                combo_->setItemData(i, combo_->itemText(i), Qt::ToolTipRole);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != combo_ && event->type() == QEvent::Resize)
            fit();
        if (watched == combo_ && event->type() == QEvent::ToolTip) {
            auto *edit = dynamic_cast<ElidingLineEdit *>(combo_->lineEdit());
            if (edit && edit->elided()) {
                const QString hint = combo_->toolTip();
                QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                                   hint.isEmpty() ? edit->text() : edit->text() + QLatin1Char('\n') + hint, combo_);
                return true;
            }
        }
        return false;
    }

private:
    QComboBox *combo_;
    int placedWidth_;
    int widest_ = 0;
};

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
    combo->setLineEdit(new ElidingLineEdit(combo));
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setEditText(text);
    place(combo, name, x, y, w, h);
    // Its text and every item it gets later are shown whole as far as its parent has room:
    // it grows to the widest, up to the parent's right edge.
    new ComboFitter(combo, combo->width());
    return combo;
}

} // namespace vosk
