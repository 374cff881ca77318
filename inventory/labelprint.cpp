// Sheets of labels painted for a printer or a PDF file, and the sheet chooser.
#include "labelprint.h"

#include "codec.h"
#include "controls.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <qrencode.h>

#include <memory>

namespace vosk {

std::optional<QrModules> qrCode(const std::string &text)
{
    // Level M survives a scratched label; a long code gets level L before it gets no code.
    for (const QRecLevel level : {QR_ECLEVEL_M, QR_ECLEVEL_L}) {
        std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
            QRcode_encodeString(text.c_str(), 0, level, QR_MODE_8, 1), &QRcode_free);
        if (!code)
            continue;
        QrModules m;
        m.size = code->width;
        m.dark.resize(static_cast<std::size_t>(m.size) * static_cast<std::size_t>(m.size));
        for (std::size_t k = 0; k < m.dark.size(); ++k)
            m.dark[k] = (code->data[k] & 1) != 0;
        return m;
    }
    return std::nullopt;
}

namespace {

// Millimetres on the device.
struct Scale {
    double x, y;
    QRectF operator()(const Box &b) const { return {b.x * x, b.y * y, b.width * x, b.height * y}; }
};

void paintCode(QPainter &painter, const QrModules &qr, const QRectF &square)
{
    // Two modules of quiet zone inside the square; the label's margin adds the rest. Dark
    // modules side by side in a row are one rectangle: no hairline between them.
    const double module = std::min(square.width(), square.height()) / (qr.size + 4);
    const QPointF origin = square.topLeft() + QPointF(2 * module, 2 * module);
    for (int y = 0; y < qr.size; ++y)
        for (int x = 0; x < qr.size;) {
            if (!qr.at(x, y)) {
                ++x;
                continue;
            }
            int end = x;
            while (end < qr.size && qr.at(end, y))
                ++end;
            painter.fillRect(QRectF(origin.x() + x * module, origin.y() + y * module, (end - x) * module, module),
                             Qt::black);
            x = end;
        }
}

// A line of text in its box; one too long shrinks down to `shrink` of its size, then loses
// its end (or middle) to «…».
void paintLine(QPainter &painter, const QString &text, const QRectF &box, bool bold, Qt::TextElideMode elide,
               double shrink = 1.0)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, static_cast<int>(box.height() * 0.72)));
    font.setBold(bold);
    painter.setFont(font);
    const int wide = painter.fontMetrics().horizontalAdvance(text);
    if (wide > box.width() && shrink < 1.0) {
        const double factor = std::max(shrink, box.width() / wide);
        font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * factor)));
        painter.setFont(font);
    }
    const QString shown = painter.fontMetrics().elidedText(text, elide, static_cast<int>(box.width()));
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

} // namespace

PaintedLabels paintLabels(QPainter &painter, QPagedPaintDevice &device, const LabelSheet &sheet,
                          const std::vector<LabelText> &labels, int skip)
{
    PaintedLabels done;
    std::size_t lines = 1;
    for (const LabelText &l : labels)
        lines = std::max(lines, l.lines.size());
    const auto places = placeLabels(sheet, static_cast<int>(labels.size()), static_cast<int>(lines), skip);
    const Scale mm{device.logicalDpiX() / 25.4, device.logicalDpiY() / 25.4};
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    int page = 0;
    for (std::size_t k = 0; k < places.size(); ++k) {
        const LabelPlace &place = places[k];
        const LabelText &label = labels[k];
        if (place.page != page) {
            device.newPage();
            page = place.page;
        }
        if (const auto qr = qrCode(label.code))
            paintCode(painter, *qr, mm(place.qr));
        else
            ++done.withoutCode;
        for (std::size_t n = 0; n < label.lines.size(); ++n)
            paintLine(painter, shownText(label.lines[n]), mm(place.lines[n]), n == 0, Qt::ElideRight);
        paintLine(painter, fromCp1251(label.code), mm(place.codeLine), false, Qt::ElideMiddle, 0.6);
    }
    done.pages = places.empty() ? 0 : page + 1;
    return done;
}

namespace {

// The sheet chosen last in this run: the next labels are most likely for the same sheets.
LabelSheet &lastSheet()
{
    static LabelSheet sheet = commonSheets().front();
    return sheet;
}

} // namespace

std::optional<LabelJob> labelDialog(QWidget *parent, int count)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(tr8("Печать этикеток"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    auto *sheets = new QComboBox(&dialog);
    sheets->setObjectName(QStringLiteral("sheets"));
    for (const LabelSheet &s : commonSheets())
        sheets->addItem(fromCp1251(s.title));
    sheets->addItem(tr8("Свой размер"));
    form->addRow(tr8("Лист:"), sheets);
    auto millimetres = [&](double max) {
        auto *box = new QDoubleSpinBox(&dialog);
        box->setDecimals(1);
        box->setRange(0, max);
        box->setSuffix(tr8(" мм"));
        return box;
    };
    auto *pageWidth = millimetres(1000), *pageHeight = millimetres(1000);
    auto *labelWidth = millimetres(1000), *labelHeight = millimetres(1000);
    auto *gapX = millimetres(50), *gapY = millimetres(50);
    auto *columns = new QSpinBox(&dialog), *rows = new QSpinBox(&dialog);
    columns->setRange(1, 50);
    columns->setObjectName(QStringLiteral("columns"));
    rows->setRange(1, 50);
    form->addRow(tr8("Ширина листа:"), pageWidth);
    form->addRow(tr8("Высота листа:"), pageHeight);
    form->addRow(tr8("Ширина этикетки:"), labelWidth);
    form->addRow(tr8("Высота этикетки:"), labelHeight);
    form->addRow(tr8("Этикеток в ряду:"), columns);
    form->addRow(tr8("Рядов:"), rows);
    form->addRow(tr8("Промежуток по горизонтали:"), gapX);
    form->addRow(tr8("Промежуток по вертикали:"), gapY);
    auto *skip = new QSpinBox(&dialog);
    skip->setObjectName(QStringLiteral("skip"));
    form->addRow(tr8("Уже занято на первом листе:"), skip);
    auto *summary = new QLabel(&dialog);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *print = buttons->addButton(tr8("Печать…"), QDialogButtonBox::AcceptRole);
    QPushButton *pdf = buttons->addButton(tr8("В PDF…"), QDialogButtonBox::AcceptRole);
    print->setObjectName(QStringLiteral("print"));
    pdf->setObjectName(QStringLiteral("pdf"));
    buttons->addButton(tr8("Отмена"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    const std::vector<QWidget *> sizes{pageWidth, pageHeight, labelWidth, labelHeight, columns, rows, gapX, gapY};
    auto typed = [&] {
        LabelSheet s;
        s.pageWidth = pageWidth->value();
        s.pageHeight = pageHeight->value();
        s.labelWidth = labelWidth->value();
        s.labelHeight = labelHeight->value();
        s.columns = columns->value();
        s.rows = rows->value();
        s.gapX = gapX->value();
        s.gapY = gapY->value();
        const int common = sheets->currentIndex();
        if (common >= 0 && static_cast<std::size_t>(common) < commonSheets().size())
            s.title = commonSheets()[static_cast<std::size_t>(common)].title;
        return s;
    };
    auto show = [&](const LabelSheet &s) {
        pageWidth->setValue(s.pageWidth);
        pageHeight->setValue(s.pageHeight);
        labelWidth->setValue(s.labelWidth);
        labelHeight->setValue(s.labelHeight);
        columns->setValue(s.columns);
        rows->setValue(s.rows);
        gapX->setValue(s.gapX);
        gapY->setValue(s.gapY);
    };
    auto update = [&] {
        const LabelSheet s = typed();
        skip->setMaximum(std::max(0, s.perPage() - 1));
        const std::string refusal = sheetRefusal(s);
        if (!refusal.empty())
            summary->setText(fromCp1251(refusal));
        else
            summary->setText(tr8("Этикеток: %1, листов: %2.").arg(count).arg(sheetPages(s, count, skip->value())));
        print->setEnabled(refusal.empty());
        pdf->setEnabled(refusal.empty());
    };
    auto chosen = [&](int index) {
        const bool own = static_cast<std::size_t>(index) >= commonSheets().size();
        for (QWidget *w : sizes)
            w->setEnabled(own);
        if (!own)
            show(commonSheets()[static_cast<std::size_t>(index)]);
        update();
    };
    show(lastSheet());
    int at = static_cast<int>(commonSheets().size());
    for (std::size_t k = 0; k < commonSheets().size(); ++k)
        if (commonSheets()[k].title == lastSheet().title)
            at = static_cast<int>(k);
    sheets->setCurrentIndex(at);
    chosen(at);
    QObject::connect(sheets, &QComboBox::currentIndexChanged, &dialog, chosen);
    for (auto *box : {pageWidth, pageHeight, labelWidth, labelHeight, gapX, gapY})
        QObject::connect(box, &QDoubleSpinBox::valueChanged, &dialog, update);
    for (auto *box : {columns, rows, skip})
        QObject::connect(box, &QSpinBox::valueChanged, &dialog, update);

    bool toPdf = false;
    // Said before the box's accepted(), which ends the dialog.
    QObject::connect(buttons, &QDialogButtonBox::clicked, &dialog, [&](QAbstractButton *b) { toPdf = b == pdf; });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    LabelJob job{typed(), skip->value(), {}};
    lastSheet() = job.sheet;
    if (toPdf) {
        job.pdf = QFileDialog::getSaveFileName(parent, tr8("Этикетки в PDF"), tr8("этикетки.pdf"),
                                               tr8("Документы PDF (*.pdf)"));
        if (job.pdf.isEmpty())
            return std::nullopt;
    }
    return job;
}

} // namespace vosk
