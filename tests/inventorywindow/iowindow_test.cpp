// The inventory window's tables in and out: the import preview and its undo, a KiCad
// bill of materials in the bin, and the search by value; dialogs through the window's seams.
#include "codec.h"
#include "cp1251.h"
#include "windowfixture.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QDir>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QtTest>
#include <ctime>
#include <functional>

using namespace vosk;
using namespace vosk::test;
using Strings = std::vector<std::string>;
using FileUse = Tbase::FileUse;

namespace {

// Processor time of the calling thread, in milliseconds.
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

const char *kStock = "2|4,7К|5|a\n9|КТ315Б|3|npn\n5|100нф|2|x\n";

QAction *action(WindowFixture &f, const char *name)
{
    auto *a = f.base->findChild<QAction *>(QString::fromLatin1(name));
    if (!a)
        qFatal("no action %s", name);
    return a;
}

// The data files of the folder, to compare byte for byte.
Strings folderFiles(const WindowFixture &f)
{
    return {f.dir.read("main.dat"), f.dir.read("components.lst"), f.dir.read("strings.dat")};
}

// No sibling on the page overlaps the control, and it lies inside the page.
void checkPlacedOnFreeSpace(QWidget *control)
{
    QWidget *page = control->parentWidget();
    const QRect g = control->geometry();
    QVERIFY(g.left() >= 0 && g.top() >= 0 && g.right() < 573 && g.bottom() < 130);
    for (QWidget *other : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (other != control && other->geometry().intersects(control->geometry()))
            QFAIL(qPrintable(QStringLiteral("%1 overlaps %2 at %3,%4 %5x%6")
                                 .arg(control->objectName(), other->objectName())
                                 .arg(other->x())
                                 .arg(other->y())
                                 .arg(other->width())
                                 .arg(other->height())));
}

} // namespace

class IoWindowTest : public QObject {
    Q_OBJECT
private slots:
    void importPreviewCancelAndConfirmThenUndo();
    void theRealPreviewListsRefusedRowsAndCancels();
    void billOfMaterialsFillsTheBin();
    void searchByValue();
    void columnsChosenOnceAndRemembered();
    void thePreviewShowsEveryColumnWithinTheScreen();
    void stocktakeShowsBeforeAndAfterAndIsUndone();
    void aFullImportAndExportLeaveTheWindowAnswering();
};

void IoWindowTest::importPreviewCancelAndConfirmThenUndo()
{
    WindowFixture f(kStock);
    f.open();
    f.dir.write("in.csv",
                "category,category_name,name,quantity,description\n2,,\"4,7k\",2,a\n5,,100нф,1,x\n"
                "9,,КТ3102,4,npn\n2,,xyz,1,\n");
    const Strings files = folderFiles(f);
    const Strings before = f.records();
    std::vector<FileUse> asked;
    f.base->chooseFile = [&](FileUse use) {
        asked.push_back(use);
        return QString::fromStdString(f.dir.file("in.csv"));
    };
    int previews = 0;
    bool answer = false;
    f.base->previewImport = [&](const ImportPlan &plan) {
        ++previews;
        [&] {
            QCOMPARE(plan.adds(), size_t(1));
            QCOMPARE(plan.merges(), size_t(2));
            QCOMPARE(plan.refusedCount, uint64_t(1));
        }();
        return answer;
    };
    QVERIFY(!action(f, "undoimport")->isEnabled());

    // Cancelled: the store and every file as they were.
    action(f, "importcsv")->trigger();
    QCOMPARE(asked, (std::vector<FileUse>{FileUse::ImportCsv}));
    QCOMPARE(previews, 1);
    QCOMPARE(f.records(), before);
    QCOMPARE(folderFiles(f), files);
    QVERIFY(!action(f, "undoimport")->isEnabled());

    // A cancelled file dialog asks nothing more.
    f.base->chooseFile = [](FileUse) { return QString(); };
    action(f, "importcsv")->trigger();
    QCOMPARE(previews, 1);

    // Confirmed, but not without the refused row: nothing changes.
    f.base->chooseFile = [&](FileUse) { return QString::fromStdString(f.dir.file("in.csv")); };
    answer = true;
    f.messages.answers = {false};
    action(f, "importcsv")->trigger();
    QCOMPARE(f.takeMessages(), Strings{"Импортировать 3 строки без 1 отклонённой?"});
    QCOMPARE(folderFiles(f), files);
    QCOMPARE(f.records(), before);

    // Confirmed both times: added through the changing path, the list refilled.
    action(f, "importcsv")->trigger();
    QCOMPARE(f.takeMessages(), Strings{"Импортировать 3 строки без 1 отклонённой?"});
    QCOMPARE(f.records(), (Strings{"2|4,7К|7|a", "9|КТ315Б|3|npn", "5|100нф|3|x", "9|КТ3102|4|npn"}));
    QCOMPARE(f.listNames(), (Strings{"4,7К", "КТ315Б", "100нф", "КТ3102"}));
    QCOMPARE(f.base->statusText(), u("Импорт: новых записей 1, дополнено 2, деталей 7; не принято строк: 1"));
    QVERIFY(action(f, "undoimport")->isEnabled());

    // Undone: exactly what it added taken back; the created record is gone.
    action(f, "undoimport")->trigger();
    QCOMPARE(f.records(), before);
    QCOMPARE(f.listNames(), (Strings{"4,7К", "КТ315Б", "100нф"}));
    QVERIFY(!action(f, "undoimport")->isEnabled());
}

void IoWindowTest::theRealPreviewListsRefusedRowsAndCancels()
{
    WindowFixture f(kStock);
    f.open();
    f.dir.write("in.csv", "category,name,quantity\n2,\"4,7k\",2\n2,xyz,1\n");
    f.base->chooseFile = [&](FileUse) { return QString::fromStdString(f.dir.file("in.csv")); };
    Strings shown;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("importrows"));
        for (int r = 0; table && r < table->rowCount(); ++r) {
            std::string row;
            for (int c = 0; c < 5; ++c)
                row += (table->item(r, c) ? table->item(r, c)->text().toStdString() : std::string()) + "|";
            shown.push_back(row);
        }
        dialog->reject();
    });
    const Strings before = f.records();
    action(f, "importcsv")->trigger();
    QCOMPARE(shown, (Strings{"3|не принята||||", "2|новая запись|Рез2|4,7К|2|"}));
    QCOMPARE(f.records(), before);
}

void IoWindowTest::billOfMaterialsFillsTheBin()
{
    WindowFixture f(kStock);
    f.open();
    auto *loadbom = f.base->findChild<QPushButton *>(QStringLiteral("loadbom"));
    QVERIFY(loadbom);
    QCOMPARE(loadbom->text(), u("Загрузить список деталей…"));
    checkPlacedOnFreeSpace(loadbom);
    f.pagecontrol->setCurrentIndex(3);
    f.dir.write("board.csv",
                "\"Reference\",\"Value\",\"Footprint\",\"Qty\"\n"
                "\"R1,R2,R3\",\"4.7k\",\"R_0805\",\"3\"\n"
                "\"C1\",\"0.1uF\",\"C_Rect_L7.2mm\",\"1\"\n"
                "\"Q1\",\"КТ315Б\",\"TO-92\",\"1\"\n"
                "\"R9\",\"zzz\",\"R_0805\",\"1\"\n");
    // The dialog opens in the installation folder's kicad/ (here: no such folder, the folder).
    QCOMPARE(QDir(f.base->bomFolder()), QDir(QString::fromStdString(f.dir.path())));
    f.base->chooseFile = [&](FileUse use) {
        return use == FileUse::LoadBom    ? QString::fromStdString(f.dir.file("board.csv"))
               : use == FileUse::Shopping ? QString::fromStdString(f.dir.file("buy.csv"))
                                          : QString();
    };
    f.ComboBox->setCurrentIndex(9);
    f.binname->setText(u("КТ3102"));
    f.binadd->click();
    // Declined: the typed row stays alone.
    f.messages.answers = {false};
    loadbom->click();
    QCOMPARE(f.base->binRows().size(), size_t(1));
    QCOMPARE(f.takeMessages(), (Strings{"В корзине уже есть строк: 1. Заменить их списком деталей из файла?"}));

    loadbom->click();
    const Strings said = f.takeMessages();
    QCOMPARE(said.size(), size_t(2)); // the question, then the unreadable row
    QVERIFY(said[1].find("строка 5: R9 «zzz»") != std::string::npos);
    Strings bin;
    for (const BinRow &r : f.base->binRows())
        bin.push_back(utf8From1251(r.name) + "|" + r.needed + "|" + std::string(statusWord(r.status)));
    // «0.1uF» reads as 0,1 мкф: the row takes the stock's spelling of that value.
    QCOMPARE(bin, (Strings{"4,7К|3|ready", "100нф|1|ready", "КТ315Б|1|ready", "zzz|1|ready"}));

    // Found as typed rows are.
    f.findlist->click();
    bin.clear();
    for (const BinRow &r : f.base->binRows())
        bin.push_back(std::string(statusWord(r.status)) + "|" + r.shortage);
    QCOMPARE(bin, (Strings{"green|0", "green|0", "green|0", "red|1"}));
    QCOMPARE(f.listNames(), (Strings{"4,7К", "100нф", "КТ315Б"}));
    // The bin shows the parts in stock and the references; the status bar the boards.
    const QAbstractItemModel *model = f.listtofind->model();
    QCOMPARE(model->data(model->index(0, 6)).toString(), u("5"));
    QCOMPARE(model->data(model->index(0, 8)).toString(), u("R1–R3"));
    QVERIFY(model->data(model->index(3, 8)).toString().contains(u("не читается")));
    QCOMPARE(f.base->statusText(), u("Корзина: строк 4; хватает: 3, мало: 0, нет: 0; можно собрать: 1 плату; "
                                     "для 2-й не хватает: 4,7К 1; не распознано строк: 1 (не учтены)"));

    // Boards: a spin box on free space; the needs multiplied and looked up again.
    auto *boards = f.base->findChild<QSpinBox *>(QStringLiteral("boards"));
    auto *shopping = f.base->findChild<QPushButton *>(QStringLiteral("shopping"));
    QVERIFY(boards && shopping);
    checkPlacedOnFreeSpace(boards);
    checkPlacedOnFreeSpace(shopping);
    boards->setValue(4);
    bin.clear();
    for (const BinRow &r : f.base->binRows())
        bin.push_back(std::string(statusWord(r.status)) + "|" + r.needed + "|" + r.shortage);
    QCOMPARE(bin, (Strings{"yellow|12|7", "yellow|4|2", "yellow|4|1", "red|4|4"}));
    shopping->click();
    const std::string csv = f.dir.read("buy.csv");
    QVERIFY(csv.find("\"7\",\"\",\"\",\"4.7k\",\"4,7К\",\"R1–R3\",\"R_0805\"") != std::string::npos);
    QVERIFY(csv.find("\"4\",\"\",\"\",\"zzz\",\"\",\"R9\"") != std::string::npos);
    QCOMPARE(QDir(f.base->bomFolder()), QDir(QString::fromStdString(f.dir.path()))); // the last one used
}

void IoWindowTest::searchByValue()
{
    WindowFixture f("2|4,7К|5|a\n3|4,7К|1|b\n2|47К|2|c\n9|КТ315Б|3|npn\n");
    f.open();
    auto *byvalue = f.base->findChild<QCheckBox *>(QStringLiteral("byvalue"));
    QVERIFY(byvalue);
    QCOMPARE(byvalue->text(), u("по номиналу"));
    checkPlacedOnFreeSpace(byvalue);
    f.findname->setText(u("4k7"));
    f.findit->click();
    QCOMPARE(f.listNames(), Strings{}); // as a text, «4k7» is in no name
    byvalue->setChecked(true);
    for (const char *spelling : {"4k7", "4К7", "4700", "4,7К"}) {
        f.findname->setText(u(spelling));
        f.findit->click();
        QCOMPARE(f.listNames(), (Strings{"4,7К", "4,7К"}));
    }
    QCOMPARE(f.takeMessages(), Strings{});
    // No value: refused with a message, the list as it was.
    f.findname->setText(u("КТ315"));
    f.findit->click();
    const Strings said = f.takeMessages();
    QCOMPARE(said.size(), size_t(1));
    QVERIFY(said[0].find("не читается как номинал") != std::string::npos);
    QCOMPARE(f.listNames(), (Strings{"4,7К", "4,7К"}));

    // «по номиналу» qualifies the name only: a search by quantity alone is made while it
    // stays ticked, with the name box off (greyed, as «по номиналу» is) or left empty.
    f.skolvo->setChecked(true);
    f.findkolvo->setValue(2);
    f.sname->setChecked(false);
    QVERIFY(!byvalue->isEnabled());
    f.findit->click();
    QCOMPARE(f.takeMessages(), Strings{});
    QCOMPARE(f.listNames(), Strings{"47К"});
    f.findkolvo->setValue(3);
    f.sname->setChecked(true);
    QVERIFY(byvalue->isEnabled() && byvalue->isChecked());
    f.findname->clear();
    f.findit->click();
    QCOMPARE(f.takeMessages(), Strings{});
    QCOMPARE(f.listNames(), Strings{"КТ315Б"});
    // With nothing but an empty name to read, the value is still asked for.
    f.skolvo->setChecked(false);
    f.findit->click();
    const Strings asked = f.takeMessages();
    QCOMPARE(asked.size(), size_t(1));
    QVERIFY(asked[0].find("введите номинал") != std::string::npos);
}

void IoWindowTest::columnsChosenOnceAndRemembered()
{
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    WindowFixture f(kStock);
    f.open();
    // «Наименование» and «Номинал» can both be the name.
    f.dir.write("in.csv", "Раздел;Наименование;Номинал;Кол-во\r\n2;Резистор;4,7k;3\r\n\r\nИтого;;;3\r\n");
    f.base->chooseFile = [&](FileUse) { return QString::fromStdString(f.dir.file("in.csv")); };
    int asked = 0;
    const auto realChooser = f.base->chooseColumns;
    f.base->chooseColumns = [&](const ImportPlan &plan) -> std::optional<std::vector<ImportField>> {
        ++asked;
        [&] {
            QCOMPARE(plan.header.size(), size_t(4));
            QCOMPARE(plan.sample.size(), size_t(2)); // the total too
            QCOMPARE(plan.sample[0][2], cp1251("4,7k"));
        }();
        return std::vector<ImportField>{ImportField::Category, ImportField::Ignore, ImportField::Name,
                                        ImportField::Quantity};
    };
    Strings summaries;
    f.base->previewImport = [&](const ImportPlan &plan) {
        summaries.push_back(utf8From1251(plan.skippedSummary()));
        return plan.entries.size() == 1 && plan.entries[0].quantity == 3;
    };
    action(f, "importcsv")->trigger();
    QCOMPARE(asked, 1);
    QCOMPARE(f.records(), (Strings{"2|4,7К|5|a", "9|КТ315Б|3|npn", "5|100нф|2|x", "2|4,7К|3| "}));
    // The same header again: not asked, the choice is remembered in the user's settings, not
    // in the folder.
    action(f, "importcsv")->trigger();
    QCOMPARE(asked, 1);
    QCOMPARE(f.records(), (Strings{"2|4,7К|5|a", "9|КТ315Б|3|npn", "5|100нф|2|x", "2|4,7К|6| "}));
    QCOMPARE(summaries, (Strings{"пропущено: 1 пустая строка, 1 строка «Итого»",
                                 "пропущено: 1 пустая строка, 1 строка «Итого»"}));
    QVERIFY(!QDir(QString::fromStdString(f.dir.path())).entryList().join(' ').contains(QStringLiteral(".conf")));

    // The real chooser offers the header's guess for each column; cancelling imports nothing.
    f.dir.write("in2.csv", "Раздел;Название;Номинал;Кол-во\r\n2;Резистор;4,7k;3\r\n");
    f.base->chooseFile = [&](FileUse) { return QString::fromStdString(f.dir.file("in2.csv")); };
    f.base->chooseColumns = realChooser;
    QString quantityGuess;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (auto *box = dialog->findChild<QComboBox *>(QStringLiteral("column3")))
            quantityGuess = box->currentText();
        dialog->reject();
    });
    const Strings before = f.records();
    action(f, "importcsv")->trigger();
    QCOMPARE(quantityGuess, u("количество"));
    QCOMPARE(f.records(), before);
}

void IoWindowTest::thePreviewShowsEveryColumnWithinTheScreen()
{
    WindowFixture f(kStock);
    f.open();
    f.dir.write("in.csv", "category,name,quantity\n2,\"4,7k\",2\n2,xyz,1\n");
    f.base->chooseFile = [&](FileUse) { return QString::fromStdString(f.dir.file("in.csv")); };
    QRect dialogRect, freeRect;
    int tableWidth = 0, viewportWidth = 0;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("importrows"));
        dialogRect = dialog->geometry();
        freeRect = dialog->screen()->availableGeometry();
        for (int c = 0; table && c < table->columnCount(); ++c)
            tableWidth += table->columnWidth(c);
        viewportWidth = table ? table->viewport()->width() : 0;
        dialog->reject();
    });
    action(f, "importcsv")->trigger();
    QVERIFY(dialogRect.isValid());
    // The reason column is long: the dialog is as wide as the table's columns, or as the
    // screen's free area when they are wider, and never wider.
    QVERIFY2(tableWidth <= viewportWidth || dialogRect.width() >= freeRect.width() - 16,
             qPrintable(QStringLiteral("%1 > %2 in %3").arg(tableWidth).arg(viewportWidth).arg(dialogRect.width())));
    QVERIFY(dialogRect.width() <= freeRect.width() && dialogRect.height() <= freeRect.height());
}

void IoWindowTest::stocktakeShowsBeforeAndAfterAndIsUndone()
{
    WindowFixture f(kStock);
    f.open();
    const Strings files = folderFiles(f);
    f.dir.write("count.csv", "category,name,quantity,description\n2,\"4,7k\",9,a\n9,КТ315Б,3,npn\n");
    f.base->chooseFile = [&](FileUse) { return QString::fromStdString(f.dir.file("count.csv")); };
    Strings shown;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("importrows"));
        auto *zero = dialog->findChild<QCheckBox *>(QStringLiteral("zeroabsent"));
        if (zero)
            zero->click(); // «обнулить отсутствующие»
        for (int r = 0; table && r < table->rowCount(); ++r)
            shown.push_back(table->item(r, 1)->text().toStdString() + "|" + table->item(r, 3)->text().toStdString());
        dialog->accept();
    });
    action(f, "stocktakecsv")->trigger();
    QCOMPARE(shown, (Strings{"5 → 9|4,7К", "без изменений: 3|КТ315Б", "нет в файле: 2 → 0|100нф"}));
    QCOMPARE(f.records(), (Strings{"2|4,7К|9|a", "9|КТ315Б|3|npn"}));
    QCOMPARE(f.base->statusText(), u("Инвентаризация: изменено записей 2, добавлено деталей 4, убрано 2; не принято строк: 0"));
    // One undo takes it all back.
    QVERIFY(action(f, "undoimport")->isEnabled());
    action(f, "undoimport")->trigger();
    QCOMPARE(f.records(), (Strings{"2|4,7К|5|a", "9|КТ315Б|3|npn", "5|100нф|2|x"}));
    QVERIFY(f.base->savebtnClick());
    QCOMPARE(folderFiles(f), files);
}

QTEST_MAIN(IoWindowTest)
#include "iowindow_test.moc"

// A 65,535-row import and the export of the full store run away from the window: its event
// loop keeps turning, the changing actions wait disabled and come back after, and the store
// and the file are what the same work done at once gives.
void IoWindowTest::aFullImportAndExportLeaveTheWindowAnswering()
{
    std::string csv = "category,category_name,name,quantity,description\n";
    for (int i = 1; i <= CompStore::kMaxRecords; ++i)
        csv += "10,,P" + std::to_string(i) + "," + std::to_string(i % 97 + 1) + ",d" + std::to_string(i % 13) + "\n";
    WindowFixture f;
    f.dir.write("in.csv", csv);
    f.open();
    WindowFixture reference; // the same folder, for the same work done synchronously
    reference.dir.write("in.csv", csv);
    f.base->chooseFile = [&](FileUse use) {
        return QString::fromStdString(f.dir.file(use == FileUse::ImportCsv ? "in.csv" : "out.csv"));
    };
    int previews = 0;
    f.base->previewImport = [&](const ImportPlan &plan) {
        ++previews;
        [&] { QCOMPARE(plan.adds(), size_t(CompStore::kMaxRecords)); }();
        return true;
    };
    auto *add = f.base->findChild<QPushButton *>(QStringLiteral("add"));
    auto *findit = f.base->findChild<QPushButton *>(QStringLiteral("findit"));
    auto *progress = f.base->findChild<QProgressBar *>(QStringLiteral("batchprogress"));
    QVERIFY(add && findit && progress);
    const QString addTip = add->toolTip();
    // The fixture's model checkers walk every row at each reset: not the window's own time.
    qDeleteAll(f.base->findChildren<QAbstractItemModelTester *>());
    f.base->show(); // the list is painted meanwhile, as on a screen
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    QVERIFY(add->isEnabled() && findit->isEnabled() && !progress->isVisible());

    // The longest time between two ticks of a 10 ms timer while the batch runs: on the clock,
    // and in processor time of the window's thread (other programs loading the machine
    // stretch the first, not the second). A window waiting for the worker stretches the first.
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    double lastCpu = 0, longestCpu = 0;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const double cpu = threadCpuMs();
        longest = std::max(longest, now - last);
        longestCpu = std::max(longestCpu, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
    });
    auto checkHeld = [&] {
        QVERIFY(f.base->batchRunning());
        QVERIFY(!add->isEnabled() && !findit->isEnabled());
        QVERIFY(add->toolTip().startsWith(u("Подождите")));
        QVERIFY(progress->isVisible());
    };
    auto runAndWait = [&](const char *name, const std::function<bool()> &started) {
        clock.start();
        last = 0;
        lastCpu = threadCpuMs();
        longest = 0;
        longestCpu = 0;
        ticks.start();
        action(f, name)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(started(), 60000);
        checkHeld();
        QTRY_VERIFY_WITH_TIMEOUT(!f.base->batchRunning(), 60000);
        ticks.stop();
    };
    // The plan is read away from the window, then the import made.
    runAndWait("importcsv", [&] { return previews == 1; });
    const qint64 importBlock = longest;
    const double importCpu = longestCpu;
    QCOMPARE(previews, 1);
    QVERIFY(add->isEnabled() && findit->isEnabled() && progress->isHidden());
    QCOMPARE(add->toolTip(), addTip);

    // The same import, at once through the inventory.
    Inventory same(reference.dir.datapath(), reference.messages);
    same.open();
    const Outcome done = same.import(same.planImportFile(reference.dir.file("in.csv")));
    QCOMPARE(f.base->statusText(), fromCp1251(*done.status));
    QCOMPARE(f.base->store().compcount, same.store().compcount);
    for (int slot = 1; slot <= same.store().compcount; ++slot)
        QVERIFY(f.base->store().name[slot] == same.store().name[slot] &&
                f.base->store().quantity[slot] == same.store().quantity[slot] &&
                f.base->store().description[slot] == same.store().description[slot]);
    QCOMPARE(f.listNames().size(), size_t(CompStore::kMaxRecords));
    // The same entries; the history lines beside them ("N") hold the time each was made.
    const auto entries = [](std::string journal) {
        std::string out;
        for (size_t at = 0; at < journal.size();) {
            const size_t end = std::min(journal.find('\n', at), journal.size() - 1) + 1;
            if (journal.compare(at, 2, "N\x01") != 0)
                out.append(journal, at, end - at);
            at = end;
        }
        return out;
    };
    QCOMPARE(entries(f.dir.read("main.jnl")), entries(reference.dir.read("main.jnl")));

    runAndWait("exportall", [] { return true; });
    const qint64 exportBlock = longest;
    const double exportCpu = longestCpu;
    QVERIFY(f.base->inventory().exportCsv(reference.dir.file("out.csv"), true).status.has_value());
    QCOMPARE(f.dir.read("out.csv"), reference.dir.read("out.csv"));
    QVERIFY(add->isEnabled());

    qInfo("longest gap of a 10 ms timer: import %lld ms (window thread busy %.1f ms), export %lld ms (%.1f ms)",
          importBlock, importCpu, exportBlock, exportCpu);
    QVERIFY2(importCpu <= 50 && exportCpu <= 50, qPrintable(QStringLiteral("%1 %2").arg(importCpu).arg(exportCpu)));
    // Never waiting for the worker (an import takes far longer), whatever else loads the machine.
    QVERIFY2(importBlock <= 250 && exportBlock <= 250, qPrintable(QStringLiteral("%1 %2").arg(importBlock).arg(exportBlock)));
}
