#include "cp1251.h"
#include "inventorylist.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QDialog>
#include <QScreen>
#include <QShortcut>
#include <QTableWidget>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

using namespace vosk;
using namespace vosk::test;
using Strings = std::vector<std::string>;

class InventoryWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensShowingEveryRecordWithTheFirstCategorySelected();
    void categoryChangeRefiltersOnlyWhenTheUserMakesIt();
    void addingTwiceMakesTheNameCanonicalAndWaitsForTheDelay();
    void descriptionsKeepRecordsApartAndEmptyBecomesABlank();
    void takingAllOrMoreRemovesTheRecord();
    void anEarlierEmptyRecordGoesFirstAndDoublesAreReported();
    void movingBetweenCategories();
    void pickingARowThenTakingEmptiesThatRecord();
    void aLongDescriptionIsShownCutAndTakenWhole();
    void typingANameSelectsItsCategoryAndShowsItsValue();
    void refusalsChangeNothing();
    void windowWorksWithoutCategories();
    void aLongMixedOrderingRunsAsideAndAChangeStopsIt();
    void aRecordsHistoryFromTheMenuAndCtrlZTakeChangesBack();
    void theHistoryDialogFitsTheScreenAndGivesTheChosenLine();
};

void InventoryWindowTest::opensShowingEveryRecordWithTheFirstCategorySelected()
{
    WindowFixture f("2|4,7К|10|a\n5|100нф|5|b\n8|КД522Б|20|c\n");
    f.open();
    QCOMPARE(f.ComboBox->currentIndex(), 0);
    QCOMPARE(f.base->lastfilter().category, -1);
    QCOMPARE(f.listNames(), (Strings{"4,7К", "100нф", "КД522Б"}));
    QCOMPARE(f.base->statusText(), u("В списке наименований: 3 деталей 35"));
    QCOMPARE(f.labelf->text(), u("Искать в разделе\nВсе"));
    QCOMPARE(f.list->model()->headerData(3, Qt::Horizontal).toString(), u("Описание"));
}

void InventoryWindowTest::categoryChangeRefiltersOnlyWhenTheUserMakesIt()
{
    WindowFixture f("2|4,7К|10|a\n5|100нф|5|b\n2|1К|1|c\n");
    f.open();
    // From code: nothing is refiltered.
    f.ComboBox->setCurrentIndex(2);
    QCOMPARE(f.base->listRows().rows().size(), size_t(3));
    // By the user: the list shows that category, the captions follow.
    emit f.ComboBox->activated(2);
    QCOMPARE(f.listNames(), (Strings{"4,7К", "1К"}));
    QCOMPARE(f.labelchange->text(), u("Рез2"));
    QCOMPARE(f.dtype->text(), u("Рез2"));
    QCOMPARE(f.typetofind->text(), u("Рез2"));
    QCOMPARE(f.base->statusText(), u("В списке наименований: 2 деталей 11"));
    // "Сброс" with item 0 again: everything.
    f.ComboBox->setCurrentIndex(0);
    f.res->click();
    QCOMPARE(f.base->listRows().rows().size(), size_t(3));
}

void InventoryWindowTest::addingTwiceMakesTheNameCanonicalAndWaitsForTheDelay()
{
    WindowFixture f("8|КД522Б|20|c\n");
    f.open();
    f.ComboBox->setCurrentIndex(2);
    f.name->setText("4,7k");
    f.kolvo->setValue(3);
    f.add->click();
    QCOMPARE(f.records(), (Strings{"8|КД522Б|20|c", "2|4,7К|3| "}));
    QCOMPARE(f.base->store().totalqty, 23u);
    QVERIFY(!f.add->isEnabled());
    f.add->click(); // held back by the delay: no effect
    QCOMPARE(f.base->store().quantity[2], 3);
    QTRY_VERIFY_WITH_TIMEOUT(f.add->isEnabled(), 2000);
    f.add->click();
    QCOMPARE(f.records(), (Strings{"8|КД522Б|20|c", "2|4,7К|6| "}));
    QCOMPARE(f.base->store().totalqty, 26u);
    QVERIFY(f.takeMessages().empty());
}

void InventoryWindowTest::descriptionsKeepRecordsApartAndEmptyBecomesABlank()
{
    WindowFixture f("9|КТ315Б|5|npn\n");
    f.open();
    f.ComboBox->setCurrentIndex(9);
    f.name->setText(u("КТ315Б"));
    f.description->setText(u("в ящике 3"));
    f.kolvo->setValue(2);
    f.base->addClick();
    f.description->clear();
    f.base->addClick();
    QCOMPARE(f.records(), (Strings{"9|КТ315Б|5|npn", "9|КТ315Б|2|в ящике 3", "9|КТ315Б|2| "}));
    QCOMPARE(f.base->statusText(), u("В списке наименований: 3 деталей 9"));
}

void InventoryWindowTest::takingAllOrMoreRemovesTheRecord()
{
    WindowFixture f("9|КТ315Б|5|npn\n9|КТ361|7|pnp\n9|КТ3102|4|npn\n");
    f.open();
    f.ComboBox->setCurrentIndex(9);
    f.remove->setChecked(true);
    QCOMPARE(f.add->text(), u("Убрать"));
    f.name->setText(u("КТ315Б"));
    f.description->setText("npn");
    f.kolvo->setValue(5);
    f.base->addClick();
    QVERIFY(f.takeMessages().empty());
    QCOMPARE(f.records(), (Strings{"9|КТ3102|4|npn", "9|КТ361|7|pnp"})); // the last record moved in
    QCOMPARE(f.base->store().totalqty, 11u);

    f.name->setText(u("КТ361"));
    f.description->setText("pnp");
    f.kolvo->setValue(8);
    f.base->addClick();
    QCOMPARE(f.takeMessages(), (Strings{"Не хватает 1детали: КТ361 pnp"}));
    QCOMPARE(f.records(), (Strings{"9|КТ3102|4|npn"}));
    QCOMPARE(f.base->store().totalqty, 4u);

    f.name->setText(u("КТ999"));
    f.base->addClick();
    QCOMPARE(f.takeMessages(), (Strings{"Нет такой детали"}));
    QCOMPARE(f.records(), (Strings{"9|КТ3102|4|npn"}));
    f.remove->setChecked(false);
    QCOMPARE(f.add->text(), u("Добавить"));
}

void InventoryWindowTest::anEarlierEmptyRecordGoesFirstAndDoublesAreReported()
{
    WindowFixture f("9|КТ315Б|0|old\n9|КТ361|2|pnp\n9|КТ3102|4|npn\n9|КТ3102|1|npn\n");
    f.open();
    f.ComboBox->setCurrentIndex(9);
    f.remove->setChecked(true);
    f.name->setText(u("КТ361"));
    f.description->setText("pnp");
    f.kolvo->setValue(2);
    f.base->addClick();
    // The earlier zero-quantity record leaves; the one just emptied stays with 0.
    QCOMPARE(f.records(), (Strings{"9|КТ3102|1|npn", "9|КТ361|0|pnp", "9|КТ3102|4|npn"}));

    f.remove->setChecked(false);
    f.name->setText(u("КТ3102"));
    f.description->setText("npn");
    f.kolvo->setValue(10);
    f.base->addClick();
    QCOMPARE(f.takeMessages(), (Strings{"Detected double"}));
    QCOMPARE(f.record(1), std::string("9|КТ3102|11|npn")); // the first in store order
}

void InventoryWindowTest::movingBetweenCategories()
{
    WindowFixture f("5|100нф|5|К73\n6|100нф|1|К73\n");
    f.open();
    f.ComboBox->setCurrentIndex(5);
    f.name->setText(u("100нф"));
    f.description->setText(u("К73"));
    f.kolvo->setValue(2);
    f.tomove->setCurrentIndex(6);
    f.movecomp->click();
    QCOMPARE(f.records(), (Strings{"5|100нф|3|К73", "6|100нф|3|К73"}));
    QCOMPARE(f.ComboBox->currentIndex(), 6);
    QVERIFY(!f.remove->isChecked());
    QCOMPARE(f.listNames(), (Strings{"100нф"})); // the list shows the target category

    // Moving more than there are moves only what there was; nothing is made from nothing.
    f.ComboBox->setCurrentIndex(5);
    f.kolvo->setValue(10);
    f.tomove->setCurrentIndex(7);
    f.movecomp->click();
    QCOMPARE(f.takeMessages(), (Strings{"Не хватает 7детали: 100нф К73"}));
    QCOMPARE(f.records(), (Strings{"6|100нф|3|К73", "7|100нф|3|К73"}));
    f.ComboBox->setCurrentIndex(5);
    f.movecomp->click();
    QCOMPARE(f.takeMessages(), (Strings{"Нет такой детали"}));
    QCOMPARE(f.records(), (Strings{"6|100нф|3|К73", "7|100нф|3|К73"}));

    // A resistor refused by a capacitor category: the examples of a valid name are in
    // farads, not the resistor's own spelling that was just refused; and the other way.
    WindowFixture r("1|4,7К|5|x\n4|100нф|2|y\n");
    r.open();
    const std::pair<int, const char *> moves[] = {{1, "4,7К"}, {4, "100нф"}};
    for (const auto &[from, part] : moves) {
        r.ComboBox->setCurrentIndex(from);
        r.name->setText(u(part));
        r.description->setText(u(from == 1 ? "x" : "y"));
        r.kolvo->setValue(1);
        r.tomove->setCurrentIndex(from == 1 ? 4 : 1);
        r.movecomp->click();
        const Strings said = r.takeMessages();
        QCOMPARE(said.size(), size_t(1));
        QVERIFY2(said[0].find(from == 1 ? "(например 100нф, 0,1мкф или 22пф)" : "(например 4,7К, 100е или 1М)") !=
                     std::string::npos,
                 said[0].c_str());
        QCOMPARE(said[0].find(part), said[0].rfind(part)); // named once: as the refused name
    }
    QCOMPARE(r.records(), (Strings{"1|4,7К|5|x", "4|100нф|2|y"}));
}

void InventoryWindowTest::pickingARowThenTakingEmptiesThatRecord()
{
    WindowFixture f("9|КТ315Б|5|npn\n8|КД522Б|20| \n");
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    QTableView *list = f.list;
    const QRect cell = list->visualRect(list->model()->index(1, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(f.name->text(), u("КД522Б"));
    QCOMPARE(f.kolvo->value(), 20);
    QCOMPARE(f.description->text(), u(" "));
    QCOMPARE(f.ComboBox->currentIndex(), 8);
    QCOMPARE(f.dtype->text(), u("Диоды"));
    QCOMPARE(f.base->listRows().rows().size(), size_t(2)); // not refiltered by the pick
    f.remove->setChecked(true);
    f.add->click();
    QCOMPARE(f.records(), (Strings{"9|КТ315Б|5|npn"}));
}

void InventoryWindowTest::aLongDescriptionIsShownCutAndTakenWhole()
{
    const std::string longText(10'000'000, 'y');
    WindowFixture f("8|КД522Б|20|" + longText + "\n9|КТ315Б|5|npn\n");
    QElapsedTimer took;
    took.start();
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    QTableView *list = f.list;
    const QString cell = list->model()->index(0, 3).data().toString();
    QCOMPARE(cell, QString(1000, QLatin1Char('y')) + QChar(0x2026));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center());
    QCOMPARE(f.description->text(), cell);
    QVERIFY2(took.elapsed() < 3000, QByteArray::number(took.elapsed()));
    // The edit shows the start; the take is of the record with the whole description.
    f.kolvo->setValue(2);
    f.remove->setChecked(true);
    f.add->click();
    QCOMPARE(f.takeMessages(), Strings{});
    QCOMPARE(f.base->store().quantity[1], 18);
    // Once the user types a description of their own, that is the one used.
    f.description->setText(QStringLiteral("other"));
    f.base->addClick();
    QCOMPARE(f.takeMessages(), (Strings{"Нет такой детали"}));
    QCOMPARE(f.base->store().quantity[1], 18);
}

void InventoryWindowTest::typingANameSelectsItsCategoryAndShowsItsValue()
{
    WindowFixture f("2|4,7К|10|a\n9|КТ315Б|5|npn\n");
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    f.name->setFocus();
    typeText(f.name, u("4,7к"));
    QCOMPARE(f.ComboBox->currentIndex(), 2);
    QCOMPARE(f.understand->text(), u("4700"));
    QCOMPARE(f.listNames(), (Strings{"4,7К"}));
    f.name->clear();
    typeText(f.name, u("КТ3"));
    QCOMPARE(f.ComboBox->currentIndex(), 9);
    QCOMPARE(f.understand->text(), u("0"));
}

void InventoryWindowTest::refusalsChangeNothing()
{
    WindowFixture f("2|1К|65000|a\n");
    f.open();
    const Strings before = f.records();
    f.ComboBox->setCurrentIndex(2);
    f.description->setText("a");

    f.name->setText("1,2,3K"); // not a number: the conversion error, the delay not started
    f.base->addClick();
    QCOMPARE(f.takeMessages(), (Strings{"'1,2,3' is not a valid floating point value"}));
    QVERIFY(f.add->isEnabled());

    f.name->setText(u("1К")); // past 65535 in one record
    f.kolvo->setValue(600);
    f.base->addClick();
    QCOMPARE(f.takeMessages().size(), size_t(1));
    f.name->setText(u("2К")); // a new record of 65536
    f.kolvo->setValue(65536);
    f.base->addClick();
    QCOMPARE(f.takeMessages().size(), size_t(1));

    f.kolvo->setValue(1);
    f.description->setText(QStringLiteral("line\nbreak")); // would split the record in main.dat
    f.base->addClick();
    QCOMPARE(f.takeMessages().size(), size_t(1));
    f.description->setText(u("日本")); // not in code page 1251
    f.base->addClick();
    QCOMPARE(f.takeMessages().size(), size_t(1));
    f.description->setText(QStringLiteral("tab\there")); // a control character: no new record
    f.base->addClick();
    QCOMPARE(f.takeMessages(), (Strings{"В описании есть управляющий символ (код 9): в базу записываются только печатные символы."}));

    f.description->setText("a");
    f.ComboBox->setEditText(u("что-то своё")); // typed, no category chosen
    f.base->addClick();
    QCOMPARE(f.takeMessages().size(), size_t(1));
    QCOMPARE(f.records(), before);
    QCOMPARE(f.base->store().totalqty, 65000u);
}

void InventoryWindowTest::windowWorksWithoutCategories()
{
    WindowFixture f("", false);
    f.open();
    QCOMPARE(f.ComboBox->count(), 0);
    f.name->setText("x");
    f.base->addClick();
    QCOMPARE(f.takeMessages().size(), size_t(1));
    QCOMPARE(f.base->store().compcount, 0);
    f.resetparams->click();
    f.res->click();
    QCOMPARE(f.base->statusText(), u("В списке наименований: 0 деталей 0"));
}

void InventoryWindowTest::aRecordsHistoryFromTheMenuAndCtrlZTakeChangesBack()
{
    WindowFixture f("9|КТ315Б|5|npn\n8|КД522Б|20| \n");
    f.open();
    f.ComboBox->setCurrentIndex(9);
    f.remove->setChecked(true);
    f.name->setText(u("КТ315Б"));
    f.description->setText("npn");
    f.kolvo->setValue(2);
    f.base->addClick();
    f.kolvo->setValue(1);
    f.base->addClick();
    QCOMPARE(f.records(), (Strings{"9|КТ315Б|2|npn", "8|КД522Б|20| "}));

    // Ctrl+Z takes the last change back, once.
    auto *undo = f.base->findChild<QShortcut *>(QStringLiteral("undolast"));
    QVERIFY(undo);
    QCOMPARE(undo->key(), QKeySequence(QKeySequence::Undo));
    Q_EMIT undo->activated();
    QCOMPARE(f.records(), (Strings{"9|КТ315Б|3|npn", "8|КД522Б|20| "}));
    Q_EMIT undo->activated();
    QCOMPARE(f.records(), (Strings{"9|КТ315Б|3|npn", "8|КД522Б|20| "}));
    QVERIFY(f.takeMessages().empty());

    // «История…» of the chosen record: its lines, and the one the user takes back.
    f.list->setCurrentIndex(f.list->model()->index(0, 0));
    std::string shownRecord;
    std::vector<HistoryLine> shown;
    f.base->showHistory = [&](const std::string &record, const std::vector<HistoryLine> &lines) {
        shownRecord = record;
        shown = lines;
        return std::optional<uint64_t>(lines.front().id);
    };
    auto *history = f.base->findChild<QAction *>(QStringLiteral("history"));
    QVERIFY(history);
    history->trigger();
    QCOMPARE(QString::fromStdString(utf8From1251(shownRecord)), u("«КТ315Б» (Транзисторы, npn)"));
    QCOMPARE(shown.size(), size_t(3));
    QCOMPARE(shown[0].amount, 2);
    QCOMPARE(shown[0].after, 3u);
    QCOMPARE(shown[2].undoes, shown[1].id);
    QCOMPARE(f.records(), (Strings{"9|КТ315Б|5|npn", "8|КД522Б|20| "}));
    f.list->setCurrentIndex(f.list->model()->index(0, 0));
    history->trigger(); // the same line again: refused, nothing changes
    QCOMPARE(f.records(), (Strings{"9|КТ315Б|5|npn", "8|КД522Б|20| "}));
    QCOMPARE(f.takeMessages().size(), size_t(1));
}

void InventoryWindowTest::theHistoryDialogFitsTheScreenAndGivesTheChosenLine()
{
    WindowFixture f("9|КТ315Б|5|npn\n");
    f.open();
    // Three hundred changes with long notes: the dialog stays inside the screen, the table scrolls.
    std::vector<HistoryLine> lines;
    for (uint64_t id = 1; id <= 300; ++id)
        lines.push_back({id, id, "2026-01-02 03:04:05", ChangeSource::Typing, {9, cp1251("КТ315Б"), "npn"}, true, 1,
                         static_cast<uint32_t>(300 - id), std::string(200, 'x'), 0});
    QRect shown, free;
    int rows = 0;
    QString first;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        shown = dialog->frameGeometry();
        free = dialog->screen()->availableGeometry();
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("historytable"));
        QVERIFY(table);
        rows = table->rowCount();
        first = table->item(0, 0)->text();
        table->selectRow(2); // newest first: the line 298
        dialog->findChild<QPushButton *>(QStringLiteral("undochange"))->click();
    });
    const std::optional<uint64_t> chosen = f.base->showHistory(cp1251("«КТ315Б»"), lines);
    QCOMPARE(rows, 300);
    QCOMPARE(first, QStringLiteral("300"));
    QVERIFY2(free.contains(shown), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(shown.x()).arg(shown.y()).arg(shown.width()).arg(shown.height())));
    QCOMPARE(chosen, std::optional<uint64_t>(298));
}

QTEST_MAIN(InventoryWindowTest)
// A list long enough, and mixing values with texts, for the ordering by name to run in a worker:
// the window goes on, the result is the one the core gives, and a change meanwhile stops it.
void InventoryWindowTest::aLongMixedOrderingRunsAsideAndAChangeStopsIt()
{
    std::string records;
    for (int i = 0; i < 3000; ++i) {
        const int n = (i * 7919) % 3000;
        records += i % 3 ? "2|" + std::to_string(n % 97 + 1) + "К|1|" + std::to_string(i) + "\n"
                         : "9|КТ" + std::to_string(n) + "|1|" + std::to_string(i) + "\n";
    }
    WindowFixture f(records);
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    const std::vector<uint16_t> before = f.base->inventory().rows();
    Inventory::SortJob job = f.base->inventory().sortJob(ListColumn::Name);
    f.base->inventory().runSortJob(job, nullptr);
    const std::vector<uint16_t> expected = job.order;
    QVERIFY(expected != before);

    f.base->listColumnClick(1);
    QCOMPARE(f.base->inventory().rows(), before); // not yet: it runs aside
    QTRY_COMPARE_WITH_TIMEOUT(f.base->inventory().rows(), expected, 20000);
    QCOMPARE(f.list->model()->rowCount(), 3000);

    // Started again and overtaken by an add: the add's list stands, nothing half sorted.
    f.base->listColumnClick(1);
    f.ComboBox->setCurrentIndex(9);
    f.name->setText(QStringLiteral("KT1"));
    f.base->addClick();
    const std::vector<uint16_t> afterAdd = f.base->inventory().rows();
    QTest::qWait(200);
    QCOMPARE(f.base->inventory().rows(), afterAdd);
    QVERIFY(!QApplication::overrideCursor());
}

#include "inventorywindow_test.moc"
