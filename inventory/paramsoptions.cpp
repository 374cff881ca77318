// params (`Tbase`): the options tab: add delay, grid lines, flat scroll bars, and the highlight of the input
// control that has the focus.
#include "params.h"

#include "controls.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

namespace vosk {

void Tbase::buildOptionsControls(QWidget *page)
{
    auto *label1 = placeLabel(page, "Label1", tr8("Задержка кнопки Добавить\\Удалить\n (для избежания двойного нажатия)   мс"),
                              8, 8, 205, 26);
    // Two long lines end just left of the delay box: a point smaller, they fit before it.
    QFont smaller = label1->font();
    smaller.setPixelSize(10);
    label1->setFont(smaller);
    label1->setGeometry(8, 8, std::max(214, label1->sizeHint().width()), 26);
    timedelay->move(std::max(224, label1->x() + label1->width() + 2), 8);
    connect(timedelay, &QSpinBox::valueChanged, this, &Tbase::timedelayChange);
    showgrid = placeCheck(page, "showgrid", tr8("Показывать сетку в списках"), true, 8, 40, 177, 17);
    connect(showgrid, &QCheckBox::toggled, this, &Tbase::showgridClick);
    flatsrb = placeCheck(page, "flatsrb", tr8("Плоские полосы прокрутки"), false, 8, 56, 177, 17);
    connect(flatsrb, &QCheckBox::toggled, this, &Tbase::flatsrbClick);
    usecolors = placeCheck(page, "usecolors", tr8("Использовать подсветку"), true, 8, 72, 161, 17);
    connect(usecolors, &QCheckBox::toggled, this, &Tbase::usecolorsClick);
    fcolor = placeButton(page, "fcolor", tr8("Цвет ввода"), 8, 88, 75, 25);
    connect(fcolor, &QPushButton::clicked, this, &Tbase::fcolorClick);
    test = placeEdit(page, "test", QStringLiteral("test"), 96, 88, 57, 21);
    buildPlacesButton(page);
    chooseColor = [this](const QColor &initial) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, this);
        return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
    };
}

void Tbase::watchHighlightedControls()
{
    for (QWidget *w : highlightedControls())
        w->installEventFilter(this);
}

std::vector<QWidget *> Tbase::highlightedControls() const
{
    return {ComboBox, name, kolvo, description, tomove, findname, findkolvo, finddesc, binname, binkolvo, bindesc, test};
}

QColor Tbase::windowBackground() const { return palette().color(QPalette::Active, QPalette::Base); }

void Tbase::paintInput(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
    if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit())
        combo->lineEdit()->setPalette(p);
}

bool Tbase::highlightEvent(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return false;
    for (QWidget *w : highlightedControls()) {
        if (watched != w)
            continue;
        // Gaining the focus shows the highlight; losing it always gives the window colour.
        paintInput(w, event->type() == QEvent::FocusIn ? highlight : windowBackground());
        return true;
    }
    return false;
}

void Tbase::timedelayChange() { delay->setInterval(timedelay->value()); }

void Tbase::showgridClick()
{
    list->setShowGrid(showgrid->isChecked());
    if (listtofind)
        listtofind->setShowGrid(showgrid->isChecked());
}

void Tbase::flatsrbClick()
{
    // Flat: plain bars without arrow buttons or raised handles.
    static const QString flat = QStringLiteral(
        "QScrollBar { border: none; background: palette(window); width: 12px; height: 12px; }"
        "QScrollBar::handle { background: palette(mid); border: none; min-height: 20px; min-width: 20px; }"
        "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }");
    const QString sheet = flatsrb->isChecked() ? flat : QString();
    for (QTableView *view : {list, listtofind})
        if (view)
            view->setStyleSheet(sheet);
}

void Tbase::usecolorsClick()
{
    if (usecolors->isChecked())
        highlight = chosenColour_.value_or(QColor(245, 245, 255));
    else
        highlight = windowBackground();
}

void Tbase::fcolorClick()
{
    const auto colour = chooseColor(chosenColour_.value_or(Qt::black));
    if (!colour)
        return;
    chosenColour_ = *colour;
    highlight = *colour; // at once, whether highlighting is ticked or not
}

} // namespace vosk
