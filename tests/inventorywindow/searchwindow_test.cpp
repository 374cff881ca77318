#include "windowfixture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

using namespace vosk;
using namespace vosk::test;
using Strings = std::vector<std::string>;

namespace {
const char *kStock = "2|4,7К|10|МЛТ\n2|14,7К|3|?\n3|4,7|2|С2-23\n2|1К|10|бухта\n9|КТ315Б|5|npn\n";
}

class SearchWindowTest : public QObject {
    Q_OBJECT
private slots:
    void nameAsPartOrWhole();
    void quantityAloneAndTheUnreachableQuantity();
    void descriptionAsTypedAndBoxesEnableTheirFields();
    void criteriaStayAcrossCategoryChangesUntilReset();
    void enterDoesNotSearchAndShowingTheTabSelectsItemZero();
    void columnClicksAndAutomaticSorting();
    void everySortItemAndRefillsThatStayUnsorted();
};

void SearchWindowTest::nameAsPartOrWhole()
{
    WindowFixture f(kStock);
    f.open();
    f.findname->setText("4,7");
    f.findit->click();
    QCOMPARE(f.listNames(), (Strings{"4,7К", "14,7К", "4,7"}));
    QCOMPARE(f.base->lastfilter().category, -1);
    f.exactsearch->setChecked(true);
    f.findit->click();
    QCOMPARE(f.listNames(), (Strings{"4,7"}));
    f.exactsearch->setChecked(false);
    f.findname->setText(u("к")); // lower case: does not find «4,7К»
    f.findit->click();
    QCOMPARE(f.listNames(), Strings{});
    QCOMPARE(f.base->statusText(), u("В списке наименований: 0 деталей 0"));
}

void SearchWindowTest::quantityAloneAndTheUnreachableQuantity()
{
    WindowFixture f(kStock);
    f.open();
    f.sname->setChecked(false);
    QVERIFY(!f.findname->isEnabled());
    f.skolvo->setChecked(true);
    QVERIFY(f.findkolvo->isEnabled());
    f.findkolvo->setValue(10);
    f.findit->click();
    QCOMPARE(f.listNames(), (Strings{"4,7К", "1К"}));
    f.findkolvo->setValue(65536); // no stored quantity reaches it
    f.findit->click();
    QCOMPARE(f.listNames(), Strings{});
}

void SearchWindowTest::descriptionAsTypedAndBoxesEnableTheirFields()
{
    WindowFixture f(kStock);
    f.open();
    QVERIFY(!f.finddesc->isEnabled());
    f.sname->setChecked(false);
    f.sdesc->setChecked(true);
    QVERIFY(f.finddesc->isEnabled());
    f.findit->click(); // "?" as it stands
    QCOMPARE(f.listNames(), (Strings{"14,7К"}));
}

void SearchWindowTest::criteriaStayAcrossCategoryChangesUntilReset()
{
    WindowFixture f(kStock);
    f.open();
    f.findname->setText("4,7");
    f.findit->click();
    f.ComboBox->setCurrentIndex(3);
    emit f.ComboBox->activated(3);
    QCOMPARE(f.listNames(), (Strings{"4,7"}));
    // An add refreshes with the same criteria (category 3 still, though 2 is selected now).
    f.name->setText(u("4,7К"));
    f.ComboBox->setCurrentIndex(2);
    f.description->setText(u("МЛТ"));
    f.base->addClick();
    QCOMPARE(f.record(1), std::string("2|4,7К|11|МЛТ"));
    QCOMPARE(f.listNames(), (Strings{"4,7"}));
    f.res->click();
    QCOMPARE(f.listNames(), (Strings{"4,7К", "14,7К", "1К"}));
}

void SearchWindowTest::enterDoesNotSearchAndShowingTheTabSelectsItemZero()
{
    WindowFixture f(kStock);
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    f.ComboBox->setCurrentIndex(9);
    emit f.ComboBox->activated(9);
    QCOMPARE(f.listNames(), (Strings{"КТ315Б"}));
    f.pagecontrol->setCurrentIndex(1);
    f.pagecontrol->setCurrentIndex(0);
    QCOMPARE(f.ComboBox->currentIndex(), 0);
    QCOMPARE(f.listNames(), (Strings{"КТ315Б"})); // nothing refreshed
    f.findname->setFocus();
    f.findname->setText("1");
    QTest::keyClick(f.findname, Qt::Key_Return);
    QCOMPARE(f.listNames(), (Strings{"КТ315Б"}));
}

void SearchWindowTest::columnClicksAndAutomaticSorting()
{
    WindowFixture f("3|1М|1|x\n3|10К|100|y\n3|4,7К|9|z\n");
    f.open();
    f.base->listColumnClick(1);
    QCOMPARE(f.listNames(), (Strings{"4,7К", "10К", "1М"}));
    f.base->listColumnClick(2);
    QCOMPARE(f.listNames(), (Strings{"1М", "4,7К", "10К"}));
    f.sortitems->button(3)->click(); // by quantity, from the next category change on
    QCOMPARE(f.listNames(), (Strings{"1М", "4,7К", "10К"}));
    f.resetparams->click();
    QCOMPARE(f.listNames(), (Strings{"1М", "4,7К", "10К"}));
    f.sortitems->button(2)->click();
    emit f.ComboBox->activated(0);
    QCOMPARE(f.listNames(), (Strings{"4,7К", "10К", "1М"}));
    f.sortitems->button(0)->click();
    f.resetparams->click();
    QCOMPARE(f.listNames(), (Strings{"1М", "10К", "4,7К"})); // store order
}

void SearchWindowTest::everySortItemAndRefillsThatStayUnsorted()
{
    WindowFixture f("9|КТ315|5|b\n3|1М|1|c\n2|4,7К|9|a\n3|1,2,3К|2|d\n");
    f.open();
    f.sortitems->button(1)->click(); // by category
    f.resetparams->click();
    QCOMPARE(f.listNames(), (Strings{"4,7К", "1М", "1,2,3К", "КТ315"}));
    f.sortitems->button(4)->click(); // by description
    f.resetparams->click();
    QCOMPARE(f.listNames(), (Strings{"4,7К", "КТ315", "1М", "1,2,3К"}));
    QVERIFY(f.takeMessages().empty());
    // A refill after adding or searching comes in store order.
    f.ComboBox->setCurrentIndex(9);
    f.name->setText(u("КТ315"));
    f.description->setText("b");
    f.base->addClick();
    QCOMPARE(f.listNames(), (Strings{"КТ315", "1М", "4,7К", "1,2,3К"}));
    f.findname->clear();
    f.findit->click();
    QCOMPARE(f.listNames(), (Strings{"КТ315", "1М", "4,7К", "1,2,3К"}));
    // By name within category 3: «1,2,3К» is no number, the sort stops with the error box.
    f.ComboBox->setCurrentIndex(3);
    f.sortitems->button(2)->click();
    emit f.ComboBox->activated(3);
    QCOMPARE(f.takeMessages(), (Strings{"'1,2,3' is not a valid floating point value"}));
    QCOMPARE(f.listNames(), (Strings{"1М", "1,2,3К"}));
}

QTEST_MAIN(SearchWindowTest)
#include "searchwindow_test.moc"
