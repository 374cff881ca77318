// Labels and the scanner in the inventory window: a sheet of labels written as a PDF whose QR
// codes, rendered and decoded, are the records' codes; a code typed as a scanner types it
// chooses its record.
#include "cp1251.h"
#include "qtestprint.h"
#include "recordcode.h"
#include "windowfixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <zbar.h>

using namespace vosk;
using namespace vosk::test;
using namespace zbar; // its C interface, in C++
using Strings = std::vector<std::string>;

namespace {

// 30 records: 26 resistors, then three transistors and a diode.
std::string stock()
{
    std::string records;
    for (int k = 1; k <= 26; ++k)
        records += "2|" + std::to_string(k) + "К|" + std::to_string(k) + "|0,25 Вт\n";
    records += "9|КТ315Б|10|n-p-n; «малый»\n9|КТ315Б|4| \n9|КТ361|5|p-n-p\n8|КД522|7|\n";
    return records;
}

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString &pdf)
{
    const QString info = run(QStringLiteral(VOSK_PDFINFO), {pdf});
    for (const QString &line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The QR codes of one image (a label seen by a scanner).
std::vector<std::string> decode(const QImage &picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_Grayscale8);
    std::vector<unsigned char> pixels;
    for (int y = 0; y < image.height(); ++y)
        pixels.insert(pixels.end(), image.constScanLine(y), image.constScanLine(y) + image.width());
    zbar_image_scanner_t *scanner = zbar_image_scanner_create();
    zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
    zbar_image_scanner_set_config(scanner, ZBAR_QRCODE, ZBAR_CFG_ENABLE, 1);
    zbar_image_t *z = zbar_image_create();
    zbar_image_set_format(z, zbar_fourcc('Y', '8', '0', '0'));
    zbar_image_set_size(z, static_cast<unsigned>(image.width()), static_cast<unsigned>(image.height()));
    zbar_image_set_data(z, pixels.data(), pixels.size(), nullptr);
    zbar_scan_image(scanner, z);
    std::vector<std::string> codes;
    for (const zbar_symbol_t *s = zbar_image_first_symbol(z); s; s = zbar_symbol_next(s))
        codes.emplace_back(zbar_symbol_get_data(s));
    zbar_image_destroy(z);
    zbar_image_scanner_destroy(scanner);
    return codes;
}

// The codes of the labels on one page of a PDF of labels on the first common sheet, label
// by label in the sheet's order, as a scanner reads each: the page rendered at 200 dpi and
// cut at the labels' edges. A label that does not give exactly one code gives "?".
std::vector<std::string> decodedCodes(const QString &pdf, int page, const QString &folder)
{
    const QString prefix = folder + QStringLiteral("/page");
    QFile::remove(prefix + QStringLiteral(".png"));
    constexpr int kDpi = 200;
    run(QStringLiteral(VOSK_PDFTOPPM), {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-gray"),
                                        QStringLiteral("-png"), QStringLiteral("-singlefile"), QStringLiteral("-f"),
                                        QString::number(page), QStringLiteral("-l"), QString::number(page), pdf, prefix});
    const QImage image(prefix + QStringLiteral(".png"));
    std::vector<std::string> codes;
    if (image.isNull())
        return codes;
    const LabelSheet &sheet = commonSheets().front();
    const double px = kDpi / 25.4;
    for (const LabelPlace &place : placeLabels(sheet, sheet.perPage(), 1)) {
        const QRect cut(qRound(place.label.x * px), qRound(place.label.y * px), qRound(place.label.width * px),
                        qRound(place.label.height * px));
        const QImage label = image.copy(cut);
        bool blank = true;
        for (int y = 0; y < label.height() && blank; ++y)
            for (int x = 0; x < label.width() && blank; ++x)
                blank = qGray(label.pixel(x, y)) > 128;
        if (blank)
            continue; // no label printed there
        const std::vector<std::string> found = decode(label);
        codes.push_back(found.size() == 1 ? found[0] : "?");
    }
    return codes;
}

std::vector<std::string> codesOfRows(const Tbase &base, int from, int to)
{
    std::vector<std::string> codes;
    for (int row = from; row < to; ++row)
        codes.push_back(base.inventory().recordCode(base.inventory().rows()[static_cast<std::size_t>(row)]));
    return codes;
}

QAction *printAction(WindowFixture &f)
{
    auto *a = f.base->findChild<QAction *>(QStringLiteral("printlabels"));
    if (!a)
        qFatal("no action printlabels");
    return a;
}

// What a scanner types: each character, then Enter.
void scan(QWidget *w, const QString &code)
{
    typeText(w, code);
    QTest::keyClick(w, Qt::Key_Return);
}

int chosenSlot(WindowFixture &f)
{
    const QModelIndex current = f.list->currentIndex();
    if (!current.isValid() || !f.list->selectionModel()->isRowSelected(current.row(), {}))
        return 0;
    return f.base->inventory().rows()[static_cast<std::size_t>(current.row())];
}

} // namespace

class LabelsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void aSheetOfLabelsDecodesToTheRecordsCodes();
    void chosenRowsOnlyAndAPartlyUsedSheet();
    void aScannedCodeChoosesItsRecord();
    void theSheetChooserCountsAndRefuses();
};

void LabelsWindowTest::aSheetOfLabelsDecodesToTheRecordsCodes()
{
    WindowFixture f(stock());
    f.open();
    QTemporaryDir tmp;
    const QString pdf = tmp.filePath(QStringLiteral("этикетки.pdf"));
    int asked = 0;
    f.base->chooseLabels = [&](int count) -> std::optional<LabelJob> {
        asked = count;
        return LabelJob{commonSheets().front(), 0, pdf};
    };
    printAction(f)->trigger(); // nothing chosen: the whole list
    QCOMPARE(asked, 30);
    QCOMPARE(pdfPages(pdf), 2); // 24 on a sheet of 3 x 8
    QCOMPARE(decodedCodes(pdf, 1, tmp.path()), codesOfRows(*f.base, 0, 24));
    QCOMPARE(decodedCodes(pdf, 2, tmp.path()), codesOfRows(*f.base, 24, 30));
    // The labels' text is the records' (no mojibake), and each decoded code finds its record.
    const QString text = run(QStringLiteral(VOSK_PDFTOTEXT), {pdf, QStringLiteral("-")});
    QVERIFY2(text.contains(u("КТ315Б")) && text.contains(u("n-p-n; «малый»")) && text.contains(u("Транзисторы")),
             qPrintable(text));
    for (const std::string &code : decodedCodes(pdf, 2, tmp.path()))
        QVERIFY(f.base->inventory().findCode(code).slot != 0);
    QVERIFY(f.base->statusText().contains(u("Этикеток: 30, листов: 2")));
    QCOMPARE(f.takeMessages(), Strings{});

    // A file that cannot be written is said so, nothing claimed.
    f.base->chooseLabels = [&](int) -> std::optional<LabelJob> {
        return LabelJob{commonSheets().front(), 0, tmp.filePath(QStringLiteral("нет/такой/папки.pdf"))};
    };
    printAction(f)->trigger();
    const Strings said = f.takeMessages();
    QCOMPARE(said.size(), std::size_t(1));
    QVERIFY2(said[0].find("Не удалось записать") == 0, said[0].c_str());
}

void LabelsWindowTest::chosenRowsOnlyAndAPartlyUsedSheet()
{
    WindowFixture f(stock());
    f.open();
    QTemporaryDir tmp;
    const QString pdf = tmp.filePath(QStringLiteral("two.pdf"));
    f.list->selectRow(27);
    f.list->selectionModel()->select(f.list->model()->index(3, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    int asked = 0;
    LabelSheet sheet = commonSheets().front();
    f.base->chooseLabels = [&](int count) -> std::optional<LabelJob> {
        asked = count;
        return LabelJob{sheet, 23, pdf}; // one place left on the first sheet
    };
    printAction(f)->trigger();
    QCOMPARE(asked, 2);
    QCOMPARE(pdfPages(pdf), 2);
    QCOMPARE(decodedCodes(pdf, 1, tmp.path()), codesOfRows(*f.base, 3, 4));
    QCOMPARE(decodedCodes(pdf, 2, tmp.path()), codesOfRows(*f.base, 27, 28));

    // A typed sheet that does not fit its page is refused before anything is written.
    sheet.columns = 4;
    QFile::remove(pdf);
    printAction(f)->trigger();
    QCOMPARE(f.takeMessages(), Strings{"4 этикетки по 70 мм шире листа (210 мм)."});
    QVERIFY(!QFile::exists(pdf));
}

void LabelsWindowTest::aScannedCodeChoosesItsRecord()
{
    WindowFixture f(stock());
    f.open();
    // A search that hides the record: the scan shows its category's list and chooses it.
    f.findname->setText(u("1К"));
    QTest::mouseClick(f.findit, Qt::LeftButton);
    const std::string code = recordCode({9, cp1251("КТ315Б"), cp1251("n-p-n; «малый»")});
    f.findname->setText(u("что было"));
    f.findname->setCursorPosition(3);
    scan(f.findname, QString::fromStdString(code));
    const int slot = chosenSlot(f);
    QVERIFY(slot != 0);
    QCOMPARE(f.record(slot), std::string("9|КТ315Б|10|n-p-n; «малый»"));
    QVERIFY(f.list->viewport()->rect().contains(f.list->visualRect(f.list->currentIndex()))); // shown
    QCOMPARE(f.pagecontrol->currentIndex(), static_cast<int>(Page::Changing));
    QCOMPARE(f.name->text(), u("КТ315Б"));
    QCOMPARE(f.description->text(), u("n-p-n; «малый»"));
    QVERIFY(f.remove->isChecked()); // ready to take
    QCOMPARE(f.kolvo->value(), 1);
    QCOMPARE(f.findname->text(), u("что было")); // the code did not stay in the box
    QCOMPARE(f.takeMessages(), Strings{});

    // In the Russian layout, typed into the list: the other record of the same name.
    const std::string blank = recordCode({9, cp1251("КТ315Б"), " "});
    QString russian;
    const QString latin = QStringLiteral("QWERTYUIOPASDFGHJKLZXCVBNM"), cyrillic = u("ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ");
    for (const QChar c : QString::fromStdString(blank))
        russian += latin.contains(c) ? cyrillic[latin.indexOf(c)] : c;
    scan(f.list, russian);
    QCOMPARE(f.record(chosenSlot(f)), std::string("9|КТ315Б|4| "));
    QVERIFY(f.list->viewport()->rect().contains(f.list->visualRect(f.list->currentIndex())));

    // Taking after the scan takes from the chosen record.
    f.kolvo->setValue(3);
    QTest::mouseClick(f.add, Qt::LeftButton);
    const Strings records = f.records();
    QVERIFY(std::find(records.begin(), records.end(), "9|КТ315Б|1| ") != records.end());

    // An unknown code says so; a name typed and Enter is left alone.
    f.takeMessages();
    scan(f.name, QString::fromStdString(recordCode({9, cp1251("КТ3102"), " "})));
    const Strings said = f.takeMessages();
    QCOMPARE(said.size(), std::size_t(1));
    QVERIFY2(said[0].find("Нет записи с кодом VB-9-") == 0, said[0].c_str());
    f.name->clear();
    scan(f.name, u("VB-9-X"));
    QCOMPARE(f.name->text(), u("VB-9-X"));
    QCOMPARE(f.takeMessages(), Strings{});
}

void LabelsWindowTest::theSheetChooserCountsAndRefuses()
{
    // The dialog as the user meets it: the first common sheet, the pages counted as the used
    // labels change, a typed grid wider than its page refused with both buttons off.
    QString first, skipped, refused;
    bool buttonsOff = false;
    int skipMax = -1;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto *summary = dialog->findChild<QLabel *>(QStringLiteral("summary"));
        first = summary->text();
        auto *skip = dialog->findChild<QSpinBox *>(QStringLiteral("skip"));
        skipMax = skip->maximum();
        skip->setValue(20);
        skipped = summary->text();
        auto *sheets = dialog->findChild<QComboBox *>(QStringLiteral("sheets"));
        sheets->setCurrentIndex(sheets->count() - 1); // «Свой размер»
        dialog->findChild<QSpinBox *>(QStringLiteral("columns"))->setValue(4);
        refused = summary->text();
        buttonsOff = !dialog->findChild<QPushButton *>(QStringLiteral("print"))->isEnabled() &&
                     !dialog->findChild<QPushButton *>(QStringLiteral("pdf"))->isEnabled();
        dialog->reject();
    });
    QTimer::singleShot(10000, [] { // a dialog not found above must not hang the test
        if (QWidget *w = QApplication::activeModalWidget())
            w->close();
    });
    QVERIFY(!labelDialog(nullptr, 30));
    QCOMPARE(first, u("Этикеток: 30, листов: 2."));
    QCOMPARE(skipMax, 23);
    QCOMPARE(skipped, u("Этикеток: 30, листов: 3."));
    QCOMPARE(refused, u("4 этикетки по 70 мм шире листа (210 мм)."));
    QVERIFY(buttonsOff);
}

QTEST_MAIN(LabelsWindowTest)
#include "labelswindow_test.moc"
