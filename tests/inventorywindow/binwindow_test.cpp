#include "binlist.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <algorithm>

using namespace vosk;
using namespace vosk::test;
using Strings = std::vector<std::string>;

namespace {

// A bin row as "status|caption|name|description|needed|shortage|found" (UTF-8).
Strings binRows(const Tbase &base)
{
    Strings out;
    for (const BinRow &r : base.binRows())
        out.push_back(std::string(statusWord(r.status)) + "|" + utf8From1251(r.caption) + "|" + utf8From1251(r.name) + "|" +
                      utf8From1251(r.description) + "|" + r.needed + "|" + r.shortage + "|" + r.found);
    return out;
}

void addToBin(WindowFixture &f, int category, const char *name, int needed, const char *description = "")
{
    f.ComboBox->setCurrentIndex(category);
    f.binname->setText(u(name));
    f.binkolvo->setValue(needed);
    f.bindesc->setText(u(description));
    f.binadd->click();
}

const char *kStock = "2|10К|2|a\n2|10К|1|b\n2|10К|3|c\n9|КТ315|5|npn\n9|КТ3102|4|npn\n8|КД522Б|1|x\n8|КД522Б|1|y\n";

} // namespace

class BinWindowTest : public QObject {
    Q_OBJECT
private slots:
    void newRowsAndFindingThem();
    void partialAndExactMatching();
    void takingPassesApplyWhatTheReportLists();
    void aPassEndsWithNothingAppliedWhenLeftOrCancelled();
    void overTakingAtApplicationIsReported();
    void staleListIsFoundAgainBeforeThePass();
    void binPageLayout();
    void everyOfferReachesTheReferenceWindowAndTheRowCoversNothing();
    void thePassNamesWhereEachPartLies();
};

void BinWindowTest::newRowsAndFindingThem()
{
    WindowFixture f(kStock);
    f.open();
    f.pagecontrol->setCurrentIndex(3);
    f.findlist->click(); // an empty bin: the list empties, the status stays
    const QString status = f.base->statusText();
    QCOMPARE(f.base->listRows().rows().size(), size_t(0));
    QCOMPARE(f.base->statusText(), status);

    f.binname->clear();
    f.binadd->click();
    QCOMPARE(f.takeMessages(), (Strings{"Введите название детали"}));
    addToBin(f, 2, "10К", 5);
    QCOMPARE(binRows(*f.base), (Strings{"ready|Рез2|10К||5|5|"}));
    QCOMPARE(f.listtofind->model()->data(f.listtofind->model()->index(0, 0), Qt::DecorationRole).isNull(),
             false);
    addToBin(f, 2, "10К", 8);
    addToBin(f, 9, "КТ999", 1);
    f.findlist->click();
    QCOMPARE(binRows(*f.base), (Strings{"green|Рез2|10К||5|0|3", "yellow|Рез2|10К||8|2|3", "red|Транзисторы|КТ999||1|1|0"}));
    QCOMPARE(f.listNames(), (Strings{"10К", "10К", "10К", "10К", "10К", "10К"})); // listed once per row
    QCOMPARE(f.base->statusText(), u("Корзина: строк 3; хватает: 1, мало: 1, нет: 1")); // the whole bin, not the last row
}

void BinWindowTest::partialAndExactMatching()
{
    WindowFixture f(kStock);
    f.open();
    f.ComboBox->setEditText(u("набрано")); // no category: every category
    addToBin(f, -1, "31", 1);
    f.ComboBox->setEditText(u("набрано"));
    f.binname->setText("31");
    f.binadd->click();
    f.listtofind->selectRow(0);
    f.base->listtofindDblClick(); // one of the two rows goes
    QCOMPARE(f.base->binRows().size(), size_t(1));
    f.listtofind->clearSelection();
    f.listtofind->setCurrentIndex({});
    f.base->listtofindDblClick(); // nothing selected: nothing happens
    QCOMPARE(f.base->binRows().size(), size_t(1));
    f.exactfind->setChecked(false);
    f.findlist->click();
    QCOMPARE(binRows(*f.base), (Strings{"green||31||1|0|2"}));
    QVERIFY(!f.exactsearch->isChecked()); // the search tab follows the bin's box
    f.exactfind->setChecked(true);
    f.findlist->click();
    QCOMPARE(binRows(*f.base), (Strings{"red||31||1|1|0"}));
    QVERIFY(f.exactsearch->isChecked());

    f.resetlist->click();
    addToBin(f, 2, "10К", 1, "b"); // a description narrows the match
    f.findlist->click();
    QCOMPARE(binRows(*f.base), (Strings{"green|Рез2|10К|b|1|0|1"}));
}

void BinWindowTest::takingPassesApplyWhatTheReportLists()
{
    WindowFixture f(kStock);
    f.open();
    f.pagecontrol->setCurrentIndex(3);
    addToBin(f, 9, "КТ315", 3, "npn");
    addToBin(f, 8, "КД522Б", 5);
    addToBin(f, 2, "10К", 2);
    f.findlist->click();
    f.removecomp->click();
    QVERIFY(f.take->isVisible() || !f.take->isHidden());
    QVERIFY(f.ComboBox->isHidden());
    QCOMPARE(f.output->text(), u("N1 КТ315 npn взять: КТ315 npn еще надо 3"));
    QCOMPARE(f.takecomp->maximum(), 3);
    f.take->click(); // 3 of КТ315
    QCOMPARE(f.output->text(), u("N2 КД522Б  взять: КД522Б x еще надо 5"));
    f.take->click(); // 1
    f.take->click(); // 1: «[2 из 5]»
    QCOMPARE(f.takecomp->maximum(), 2);
    f.takecomp->setValue(1);
    f.take->click(); // 1 of the first 10К
    QCOMPARE(f.takecomp->maximum(), 1);
    f.messages.answers.push_back(true);
    f.take->click(); // 1 of the second; the need is met, the third passed over
    const Strings shown = f.takeMessages();
    QCOMPARE(shown.size(), size_t(1));
    const std::string report = std::string("_________________________________\r1. Транзисторы КТ315 npn \r") +
                               "Транзисторы КТ315 npn взято: 3;   [3\u00A0из\u00A03]\r" +
                               "_________________________________\r2. Диоды КД522Б  \r" +
                               "Диоды КД522Б x взято: 1;   Диоды КД522Б y взято: 1;   [2\u00A0из\u00A05]\r" +
                               "_________________________________\r3. Рез2 10К  \r" +
                               "Рез2 10К a взято: 1;   Рез2 10К b взято: 1;   [2\u00A0из\u00A02]\r" +
                               "OK - взять детели,  Отмена - оставить детали";
    QCOMPARE(shown[0], report);
    // Each emptied record left the store, the last one moving into its place.
    QCOMPARE(f.records(), (Strings{"2|10К|1|a", "9|КТ3102|4|npn", "2|10К|3|c", "9|КТ315|2|npn"}));
    QCOMPARE(f.pagecontrol->currentIndex(), 1);
    QVERIFY(!f.ComboBox->isHidden());
    QVERIFY(f.take->isHidden());
    QVERIFY(!f.base->batchmode());
    QCOMPARE(binRows(*f.base), (Strings{"yellow|Транзисторы|КТ315|npn|3|1|1", "red|Диоды|КД522Б||5|5|0",
                                        "green|Рез2|10К||2|0|2"}));
}

void BinWindowTest::aPassEndsWithNothingAppliedWhenLeftOrCancelled()
{
    WindowFixture f(kStock);
    f.open();
    const Strings before = f.records();
    f.pagecontrol->setCurrentIndex(3);
    addToBin(f, 9, "КТ315", 3, "npn");
    addToBin(f, 9, "КТ999", 2);
    f.findlist->click();
    f.removecomp->click();
    QCOMPARE(f.base->binRows().size(), size_t(1)); // "Нет: " row dropped
    f.takecomp->setValue(0);
    f.messages.answers.push_back(false); // Cancel
    f.take->click();
    QCOMPARE(f.takeMessages(), (Strings{"Нет: Транзисторы КТ999 нужно: 2\r_________________________________\r"
                                        "1. Транзисторы КТ315 npn \r[0\u00A0из\u00A03]\r"
                                        "OK - взять детели,  Отмена - оставить детали"}));
    QCOMPARE(f.records(), before);
    QVERIFY(f.take->isHidden());

    // Leaving the tab in the middle of a pass.
    f.removecomp->click();
    QVERIFY(f.base->takePass().active());
    f.pagecontrol->setCurrentIndex(0);
    QVERIFY(!f.base->takePass().active());
    QVERIFY(f.take->isHidden());
    QCOMPARE(f.records(), before);

    // All offers set to 0 and OK: the report holds the row total only, nothing changes.
    f.pagecontrol->setCurrentIndex(3);
    f.findlist->click();
    f.removecomp->click();
    f.takecomp->setValue(0);
    f.messages.answers.push_back(true);
    f.take->click();
    QCOMPARE(f.takeMessages(), (Strings{"_________________________________\r1. Транзисторы КТ315 npn \r[0\u00A0из\u00A03]\r"
                                        "OK - взять детели,  Отмена - оставить детали"}));
    QCOMPARE(f.records(), before);
    // Clearing the bin in the middle of a pass ends it.
    f.pagecontrol->setCurrentIndex(3);
    f.findlist->click();
    f.removecomp->click();
    QVERIFY(f.base->takePass().active());
    f.resetlist->click();
    QVERIFY(!f.base->takePass().active());
    QCOMPARE(f.records(), before);
}

void BinWindowTest::overTakingAtApplicationIsReported()
{
    WindowFixture f("9|КТ315|5|npn\n");
    f.open();
    f.pagecontrol->setCurrentIndex(3);
    addToBin(f, 9, "КТ315", 4, "npn");
    addToBin(f, 9, "КТ315", 4, "npn"); // the same record offered for both rows
    f.findlist->click();
    f.removecomp->click();
    f.take->click(); // 4
    f.messages.answers.push_back(true);
    f.take->click(); // 4 again, though only 1 is left
    const Strings shown = f.takeMessages();
    QCOMPARE(shown.size(), size_t(2));
    QCOMPARE(shown[1], std::string("Не хватает 3детали: КТ315 npn"));
    QCOMPARE(f.records(), Strings{});
}

void BinWindowTest::staleListIsFoundAgainBeforeThePass()
{
    WindowFixture f(kStock);
    f.open();
    f.pagecontrol->setCurrentIndex(3);
    addToBin(f, 9, "КТ315", 1, "npn");
    f.findlist->click();
    f.resetparams->click(); // the list refilled after the find
    f.removecomp->click();
    QVERIFY(f.base->takePass().active());
    QCOMPARE(f.output->text(), u("N1 КТ315 npn взять: КТ315 npn еще надо 1"));
    QCOMPARE(f.listNames(), (Strings{"КТ315"}));
}

void BinWindowTest::binPageLayout()
{
    WindowFixture f(kStock);
    f.open();
    f.base->resize(607, 700);
    f.pagecontrol->setCurrentIndex(3);
    const int h = f.base->height();
    QCOMPARE(f.pagecontrol->height(), h / 2 - 50);
    QCOMPARE(f.ComboBox->y(), h / 2 - 30);
    QCOMPARE(f.list->y(), h / 2);
    QCOMPARE(f.list->height(), h - h / 2 - 50);
    f.pagecontrol->setCurrentIndex(4); // help keeps its own height
    QCOMPARE(f.pagecontrol->height(), h - 80);
    f.pagecontrol->setCurrentIndex(3); // back to the bin: the bin's height
    QCOMPARE(f.pagecontrol->height(), h / 2 - 50);
    f.pagecontrol->setCurrentIndex(0);
    QCOMPARE(f.pagecontrol->height(), 153);
    QCOMPARE(f.ComboBox->y(), 158);
    QCOMPARE(f.list->y(), 188);
}

void BinWindowTest::everyOfferReachesTheReferenceWindowAndTheRowCoversNothing()
{
    WindowFixture f("8|КД521|5|a\n8|КД522|3|b\n");
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    QSignalSpy chosen(f.base.get(), &Tbase::partChosen);
    f.pagecontrol->setCurrentIndex(3);
    f.exactfind->setChecked(false);
    addToBin(f, 8, "КД52", 2);
    f.findlist->click();
    f.removecomp->click();
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.takeFirst().at(0).toString(), u("КД521"));

    // While the pass runs, no visible control of the window is partly covered by another.
    const auto controls = f.base->findChildren<QWidget *>();
    for (QWidget *a : controls) {
        if (!a->isVisible() || a->parentWidget() != f.list->parentWidget())
            continue;
        for (QWidget *b : controls) {
            if (a == b || !b->isVisible() || b->parentWidget() != a->parentWidget())
                continue;
            QVERIFY2(!a->geometry().intersects(b->geometry()),
                     qPrintable(a->objectName() + QStringLiteral(" overlaps ") + b->objectName()));
        }
    }

    f.messages.answers.push_back(false);
    f.take->click(); // 2 of КД521 meet the need; КД522 is passed over, and still looked up
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.takeFirst().at(0).toString(), u("КД522"));
}

void BinWindowTest::thePassNamesWhereEachPartLies()
{
    WindowFixture f(kStock);
    std::string attrs = cp1251("9|КТ315|npn|place=ящик 3 / ячейка 12\r\n");
    std::replace(attrs.begin(), attrs.end(), '|', '\x01');
    f.dir.write("attrs.dat", attrs);
    f.open();
    f.pagecontrol->setCurrentIndex(3);
    addToBin(f, 9, "КТ315", 2, "npn");
    addToBin(f, 8, "КД522Б", 1);
    f.findlist->click();
    const QAbstractItemModel *model = f.listtofind->model();
    QCOMPARE(model->headerData(BinList::Place, Qt::Horizontal).toString(), u("Место"));
    QCOMPARE(model->data(model->index(0, BinList::Place)).toString(), u("ящик 3 / ячейка 12"));
    QCOMPARE(model->data(model->index(1, BinList::Place)).toString(), QString());
    f.removecomp->click();
    QCOMPARE(f.output->text(), u("N1 КТ315 npn взять: КТ315 npn еще надо 2 — ящик 3 / ячейка 12"));
    f.take->click();
    f.messages.answers.push_back(false);
    f.take->click();
    const Strings shown = f.takeMessages();
    QCOMPARE(shown.size(), size_t(1));
    QVERIFY2(shown[0].find("Транзисторы КТ315 npn — ящик 3 / ячейка 12, взято: 2;") != std::string::npos, shown[0].c_str());
    QVERIFY2(shown[0].find("Диоды КД522Б x взято: 1;") != std::string::npos, shown[0].c_str());
}

QTEST_MAIN(BinWindowTest)
#include "binwindow_test.moc"
