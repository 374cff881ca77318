// The inventory window and what records carry beside main.dat: the place and the minimum on
// the changing tab, the list's column and its mark of a shortage, the search tab's criteria,
// the status bar at start-up and the shopping list.
#include "cp1251.h"
#include "codec.h"
#include "inventorylist.h"
#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTableWidget>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

using namespace vosk;
using namespace vosk::test;

namespace {

const char *kStock = "2|4,7К|5|a\n9|КТ315Б|3|npn\n5|100нф|2|x\n";

std::string fields(const char *utf8)
{
    std::string bytes = cp1251(utf8);
    for (char &c : bytes)
        if (c == '|')
            c = '\x01';
    return bytes;
}

template <class T>
T *named(WindowFixture &f, const char *name)
{
    auto *found = f.base->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

int rowNamed(WindowFixture &f, const QString &name)
{
    for (int r = 0; r < f.list->model()->rowCount(); ++r)
        if (f.list->model()->index(r, 1).data().toString() == name)
            return r;
    return -1;
}

} // namespace

class AttributesWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theInputsLieOnFreeSpaceOfTheChangingTab();
    void theListShowsPlacesAndMarksAShortage();
    void typedOnTheChangingTabAndKept();
    void searchedAndBought();
    void thePlacesDialogRenamesAPlaceEverywhereAndUndoesIt();
};

void AttributesWindowTest::theInputsLieOnFreeSpaceOfTheChangingTab()
{
    WindowFixture f(kStock);
    f.open();
    for (const char *name : {"place", "minimum"}) {
        auto *control = named<QWidget>(f, name);
        QVERIFY(control->x() >= 0 && control->x() + control->width() <= control->parentWidget()->width());
        for (QWidget *other : control->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (other != control && !qobject_cast<QFrame *>(other) && other->geometry().intersects(control->geometry()))
                QFAIL(qPrintable(QStringLiteral("%1 overlaps %2").arg(control->objectName(), other->objectName())));
    }
    // Without places the list keeps its four columns.
    QCOMPARE(f.list->model()->columnCount(), 4);
}

void AttributesWindowTest::theListShowsPlacesAndMarksAShortage()
{
    WindowFixture f(kStock);
    f.dir.write("attrs.dat", fields("9|КТ315Б|npn|place=ящик 3 / ячейка 12|min=10\r\n2|4,7К|a|min=5\r\n"));
    f.open();
    QVERIFY2(f.base->statusText().contains(u("ниже минимума: 1")), qPrintable(f.base->statusText()));
    QAbstractItemModel *model = f.list->model();
    QCOMPARE(model->columnCount(), 5);
    QCOMPARE(model->headerData(InventoryList::kPlaceColumn, Qt::Horizontal).toString(), u("Место"));
    const int kt = rowNamed(f, u("КТ315Б"));
    const int r = rowNamed(f, u("4,7К"));
    QVERIFY(kt >= 0 && r >= 0);
    QCOMPARE(model->index(kt, InventoryList::kPlaceColumn).data().toString(), u("ящик 3 / ячейка 12"));
    QCOMPARE(model->index(kt, 2).data(Qt::ToolTipRole).toString(), u("ниже минимума: 3 из 10"));
    QVERIFY(model->index(kt, 0).data(Qt::DecorationRole).isValid()); // the mark, even without an icon
    // 5 of 5 is not below
    QVERIFY(!model->index(r, 2).data(Qt::ToolTipRole).isValid());
    QVERIFY(!model->index(r, 0).data(Qt::DecorationRole).isValid());
    // a click on the column of places orders nothing and breaks nothing
    Q_EMIT f.list->horizontalHeader()->sectionClicked(InventoryList::kPlaceColumn);
    QCOMPARE(model->rowCount(), 3);
}

void AttributesWindowTest::typedOnTheChangingTabAndKept()
{
    WindowFixture f(kStock);
    f.dir.write("attrs.dat", fields("9|КТ315Б|npn|place=A1|min=10\r\n"));
    f.open();
    auto *place = named<QLineEdit>(f, "place");
    auto *minimum = named<QSpinBox>(f, "minimum");
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    f.pagecontrol->setCurrentIndex(static_cast<int>(Page::Changing));
    const int kt = rowNamed(f, u("КТ315Б"));
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.list->visualRect(f.list->model()->index(kt, 1)).center());
    QCOMPARE(f.name->text(), u("КТ315Б"));
    QCOMPARE(place->text(), u("A1"));
    QCOMPARE(minimum->value(), 10);
    // Another name typed: its own (none)
    f.name->setFocus();
    typeText(f.name, u("1"));
    f.description->clear();
    QCOMPARE(f.name->text(), u("КТ315Б1"));
    QCOMPARE(place->text(), QString());
    QCOMPARE(minimum->value(), 0);
    // A place typed and Enter: set on the typed record before it holds parts
    place->setFocus();
    typeText(place, u("ящик 5"));
    QTest::keyClick(place, Qt::Key_Return);
    QCOMPARE(fromCp1251(f.base->inventory().attributes().value(makeStockKey(9, cp1251("КТ315Б1"), " "), Attribute::Place)),
             u("ящик 5"));
    // «Добавить» with a minimum: the parts and the minimum
    minimum->setValue(4);
    f.kolvo->setValue(2);
    f.add->click();
    QCOMPARE(f.base->inventory().attributes().minimum(9, cp1251("КТ315Б1"), " "), 4u);
    QVERIFY(f.base->savebtnClick());
    QCOMPARE(f.dir.read("attrs.dat"), fields("9|КТ315Б|npn|place=A1|min=10\r\n9|КТ315Б1| |place=ящик 5|min=4\r\n"));
    // places in use: the list grew its column
    QCOMPARE(f.list->model()->columnCount(), 5);
}

void AttributesWindowTest::searchedAndBought()
{
    WindowFixture f(kStock);
    f.dir.write("attrs.dat", fields("9|КТ315Б|npn|place=ящик 3|min=10\r\n5|100нф|x|place=ящик 4|min=3\r\n"));
    f.open();
    f.pagecontrol->setCurrentIndex(static_cast<int>(Page::Search));
    named<QCheckBox>(f, "sminimum")->setChecked(true);
    f.sname->setChecked(false);
    f.findit->click();
    QCOMPARE(f.list->model()->rowCount(), 2);
    named<QCheckBox>(f, "sminimum")->setChecked(false);
    named<QCheckBox>(f, "splace")->setChecked(true);
    named<QLineEdit>(f, "findplace")->setText(u("ящик 4"));
    f.findit->click();
    QCOMPARE(f.list->model()->rowCount(), 1);
    QCOMPARE(f.list->model()->index(0, 1).data().toString(), u("100нф"));

    const std::string path = f.dir.file("buy.csv");
    f.base->chooseFile = [&](Tbase::FileUse use) {
        return use == Tbase::FileUse::Shopping ? QString::fromStdString(path) : QString();
    };
    auto *shopping = f.base->findChild<QAction *>(QStringLiteral("shoppingmin"));
    QVERIFY(shopping);
    shopping->trigger();
    QCOMPARE(QString::fromStdString(f.dir.read("buy.csv")).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).size(), 3);
    QVERIFY(QString::fromStdString(f.dir.read("buy.csv")).contains(u("\"7\",\"\",\"\",\"КТ315Б\"")));
    QVERIFY(f.base->statusText().contains(u("Список покупок до минимума: строк 2")));
}

void AttributesWindowTest::thePlacesDialogRenamesAPlaceEverywhereAndUndoesIt()
{
    WindowFixture f("2|4,7К|5|a\n9|КТ315Б|3|npn\n5|100нф|2|x\n5|220нф|1|y\n");
    const std::string file = fields("2|4,7К|a|place=ящик 10\r\n5|100нф|x|place=ящик 2\r\n9|КТ315Б|npn|place=ящик 2\r\n");
    f.dir.write("attrs.dat", file);
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    f.pagecontrol->setCurrentIndex(static_cast<int>(Page::Options));
    auto *button = named<QPushButton>(f, "placesbtn");
    QVERIFY(button->isVisible());
    QVERIFY(button->x() + button->width() <= button->parentWidget()->width());
    for (QWidget *other : button->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (other != button && other->geometry().intersects(button->geometry()))
            QFAIL(qPrintable(QStringLiteral("placesbtn overlaps %1").arg(other->objectName())));
    // the record on the changing tab holds the place to be renamed
    const int kt = rowNamed(f, u("КТ315Б"));
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.list->visualRect(f.list->model()->index(kt, 1)).center());
    QCOMPARE(named<QLineEdit>(f, "place")->text(), u("ящик 2"));

    button->click();
    auto *dialog = f.base->findChild<QDialog *>(QStringLiteral("places"));
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(dialog->frameGeometry()));
    auto *table = named<QTableWidget>(f, "placelist");
    auto *newplace = named<QLineEdit>(f, "newplace");
    auto *undo = named<QPushButton>(f, "undoplace");
    auto rows = [&] {
        QStringList out;
        for (int r = 0; r < table->rowCount(); ++r)
            out << table->item(r, 0)->text() + QLatin1Char('=') + table->item(r, 1)->text();
        return out;
    };
    QCOMPARE(rows(), QStringList({u("ящик 2=2"), u("ящик 10=1")}));
    QVERIFY(!undo->isEnabled());
    // nothing chosen yet: nothing renamed
    newplace->setText(u("полка 1"));
    named<QPushButton>(f, "renameplace")->click();
    QCOMPARE(rows(), QStringList({u("ящик 2=2"), u("ящик 10=1")}));
    table->selectRow(0);
    QCOMPARE(newplace->text(), u("ящик 2"));

    newplace->setText(u("полка 1"));
    named<QPushButton>(f, "renameplace")->click();
    QCOMPARE(rows(), QStringList({u("полка 1=2"), u("ящик 10=1")}));
    QCOMPARE(f.list->model()->index(kt, InventoryList::kPlaceColumn).data().toString(), u("полка 1"));
    QCOMPARE(named<QLineEdit>(f, "place")->text(), u("полка 1"));
    QVERIFY2(f.base->statusText().contains(u("переименовано")), qPrintable(f.base->statusText()));
    QVERIFY(undo->isEnabled());
    undo->click();
    QCOMPARE(rows(), QStringList({u("ящик 2=2"), u("ящик 10=1")}));
    QVERIFY(!undo->isEnabled());
    QVERIFY(f.base->savebtnClick());
    QCOMPARE(f.dir.read("attrs.dat"), file);

    // onto a place in use: one place, and the user is told
    table->selectRow(1);
    newplace->setText(u("ящик 2"));
    QTest::keyClick(newplace, Qt::Key_Return);
    QCOMPARE(rows(), QStringList({u("ящик 2=3")}));
    QVERIFY(dialog->isVisible()); // Enter renames, and the dialog stays to offer the undo
    const auto informs = f.messages.texts(RecordingMessages::Entry::Inform);
    QVERIFY(!informs.empty());
    QVERIFY2(fromCp1251(informs.back()).contains(u("объединены")), qPrintable(fromCp1251(informs.back())));
    // a text that cannot be a place is refused and stays to be corrected
    newplace->setText(u("x\ty"));
    named<QPushButton>(f, "renameplace")->click();
    QCOMPARE(rows(), QStringList({u("ящик 2=3")}));
    QCOMPARE(newplace->text(), u("x\ty"));
}

QTEST_MAIN(AttributesWindowTest)
#include "attributeswindow_test.moc"
