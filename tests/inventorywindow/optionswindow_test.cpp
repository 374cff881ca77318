#include "cp1251.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <sys/stat.h>

using namespace vosk;
using namespace vosk::test;
using Strings = std::vector<std::string>;

namespace {

QColor base(QWidget *w) { return w->palette().color(QPalette::Base); }

// The help files of the installation: a few lines each, named after their topic.
void writeHelp(WindowFixture &f)
{
    std::filesystem::create_directories(f.dir.file("txt"));
    for (const char *file : {"mission.txt", "functions.txt", "history.txt", "adding.txt", "deleting.txt", "shift.txt",
                             "search.txt", "bin.txt", "settings.txt", "newtype.txt", "vocabulary.txt", "mybase.txt",
                             "saving.txt", "reference.txt"})
        f.dir.write(std::string("txt/") + file, cp1251(std::string("Файл ") + file + "\r\nвторая строка\r\nтретья"));
}

QTreeWidgetItem *node(QTreeWidget *tree, const char *text)
{
    const auto items = tree->findItems(QString::fromUtf8(text), Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

} // namespace

class OptionsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void focusMovesTheHighlight();
    void highlightColourRules();
    void delayAndGridLines();
    void helpTopicsLoadTheirFiles();
    void aboutTextsAndHelpPageHeight();
};

void OptionsWindowTest::focusMovesTheHighlight()
{
    WindowFixture f;
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    f.pagecontrol->setCurrentIndex(3);
    const QColor window = f.base->windowBackground();
    f.binname->setFocus();
    QTRY_COMPARE(base(f.binname), QColor(245, 245, 255));
    f.bindesc->setFocus();
    QTRY_COMPARE(base(f.bindesc), QColor(245, 245, 255));
    QCOMPARE(base(f.binname), window);
    // A control outside the twelve is never highlighted.
    f.exactfind->setFocus();
    QTRY_COMPARE(base(f.bindesc), window);
    QVERIFY(base(f.exactfind) != QColor(245, 245, 255));
}

void OptionsWindowTest::highlightColourRules()
{
    WindowFixture f;
    f.open();
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    f.pagecontrol->setCurrentIndex(2);
    const QColor window = f.base->windowBackground();
    f.usecolors->setChecked(false);
    f.test->setFocus();
    QTRY_VERIFY(f.test->hasFocus());
    QCOMPARE(base(f.test), window);
    // A colour chosen while unticked applies at the next focus change all the same.
    f.base->chooseColor = [](const QColor &) { return std::optional<QColor>(Qt::red); };
    f.fcolor->click();
    QCOMPARE(base(f.test), window); // the focused control keeps its colour meanwhile
    f.ComboBox->setFocus();
    QTRY_COMPARE(base(f.ComboBox), QColor(Qt::red));
    QVERIFY(!f.usecolors->isChecked());
    f.usecolors->setChecked(true); // ticked again: the chosen red
    QCOMPARE(f.base->highlight, QColor(Qt::red));
    f.base->chooseColor = [](const QColor &) { return std::optional<QColor>(); }; // Cancel
    f.fcolor->click();
    QCOMPARE(f.base->highlight, QColor(Qt::red));

    WindowFixture g;
    g.open();
    g.usecolors->setChecked(false);
    g.usecolors->setChecked(true); // never chose a colour: the light blue
    QCOMPARE(g.base->highlight, QColor(245, 245, 255));
}

void OptionsWindowTest::delayAndGridLines()
{
    WindowFixture f;
    f.open();
    QCOMPARE(f.timedelay->value(), 1000);
    f.timedelay->setValue(50);
    QCOMPARE(f.delay->interval(), 50);
    f.ComboBox->setCurrentIndex(9);
    f.name->setText("x");
    f.add->click();
    QVERIFY(!f.add->isEnabled());
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(f.add->isEnabled(), 1000);
    QVERIFY(clock.elapsed() < 900);
    QVERIFY(f.list->showGrid() && f.listtofind->showGrid());
    f.showgrid->setChecked(false);
    QVERIFY(!f.list->showGrid() && !f.listtofind->showGrid());
    f.showgrid->setChecked(true);
    QVERIFY(f.list->showGrid() && f.listtofind->showGrid());
    f.flatsrb->setChecked(true);
    QVERIFY(!f.list->styleSheet().isEmpty());
    QCOMPARE(f.listtofind->styleSheet(), f.list->styleSheet());
    f.flatsrb->setChecked(false);
    QVERIFY(f.list->styleSheet().isEmpty());
}

void OptionsWindowTest::helpTopicsLoadTheirFiles()
{
    WindowFixture f;
    writeHelp(f);
    f.open();
    QTreeWidget *tree = f.TreeView;
    QCOMPARE(tree->topLevelItemCount(), 10);
    QVERIFY(!tree->topLevelItem(0)->isExpanded());
    QVERIFY(node(tree, "Фунцкии программы"));
    tree->setCurrentItem(node(tree, "Работа с корзиной"));
    QCOMPARE(f.text->toPlainText(), u("Файл bin.txt\nвторая строка\nтретья"));
    tree->setCurrentItem(node(tree, "Общие сведения"));
    QCOMPARE(f.text->toPlainText(), QString());
    // The numbering counts the nodes of collapsed groups too.
    tree->setCurrentItem(node(tree, "Поиск по БД"));
    QVERIFY(f.text->toPlainText().startsWith(u("Файл search.txt")));
    tree->topLevelItem(0)->setExpanded(true);
    tree->topLevelItem(4)->setExpanded(true);
    tree->setCurrentItem(node(tree, "Удаление"));
    QVERIFY(f.text->toPlainText().startsWith(u("Файл deleting.txt")));
    tree->setCurrentItem(node(tree, "Поиск по БД"));
    QVERIFY(f.text->toPlainText().startsWith(u("Файл search.txt")));

    std::filesystem::remove(f.dir.file("txt/adding.txt"));
    f.takeMessages();
    tree->setCurrentItem(node(tree, "Добавление"));
    QCOMPARE(f.takeMessages(), (Strings{"File not found"}));
    QCOMPARE(f.text->toPlainText(), QString());
    tree->setCurrentItem(node(tree, "Сохранение")); // still works afterwards
    QVERIFY(f.text->toPlainText().startsWith(u("Файл saving.txt")));

    // A FIFO, a folder and a file of one line of 600 KB in place of help texts: each is told
    // at once; of the long line a bounded start is shown.
    QVERIFY(::mkfifo(f.dir.file("txt/adding.txt").c_str(), 0644) == 0);
    std::filesystem::remove(f.dir.file("txt/bin.txt"));
    std::filesystem::create_directory(f.dir.file("txt/bin.txt"));
    f.dir.write("txt/search.txt", std::string(600 << 10, 'x'));
    QElapsedTimer took;
    took.start();
    for (const char *topic : {"Добавление", "Работа с корзиной"}) {
        tree->setCurrentItem(node(tree, topic));
        const Strings told = f.takeMessages();
        QCOMPARE(told.size(), size_t(1));
        QVERIFY2(told[0].find("Не удалось прочитать файл") != std::string::npos, told[0].c_str());
        QCOMPARE(f.text->toPlainText(), QString());
    }
    tree->setCurrentItem(node(tree, "Поиск по БД"));
    const Strings told = f.takeMessages();
    QCOMPARE(told.size(), size_t(2)); // the file past its bound, and its line past its own
    QVERIFY2(told[1].find("строки длиннее 4096 байт (строки 1)") != std::string::npos, told[1].c_str());
    QCOMPARE(f.text->toPlainText(), QString(4096, QLatin1Char('x')));
    QVERIFY2(took.elapsed() < 5000, QByteArray::number(took.elapsed()));
}

void OptionsWindowTest::aboutTextsAndHelpPageHeight()
{
    WindowFixture f;
    f.open();
    QVERIFY(f.Memo2->toPlainText().startsWith(u("Voskbase v2.0 создана для учета  электронных компонентов")));
    QVERIFY(f.Memo2->isReadOnly());
    QCOMPARE(f.Memo2->toPlainText().split('\n').size(), 7);
    QVERIFY(!f.Memo1->toPlainText().isEmpty());
    f.base->resize(607, 700);
    f.pagecontrol->setCurrentIndex(4);
    QCOMPARE(f.pagecontrol->height(), f.base->height() - 80);
    f.pagecontrol->setCurrentIndex(0);
    QCOMPARE(f.pagecontrol->height(), 153);
    // The about tab holds its memos whole, however tall their lines make them; leaving it
    // gives the pages their height back.
    f.base->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.base.get()));
    f.pagecontrol->setCurrentIndex(5);
    for (QPlainTextEdit *memo : {f.Memo1, f.Memo2})
        QVERIFY2(f.pagecontrol->currentWidget()->rect().contains(memo->geometry()), qPrintable(memo->objectName()));
    f.pagecontrol->setCurrentIndex(1);
    QCOMPARE(f.pagecontrol->height(), 153);
}

QTEST_MAIN(OptionsWindowTest)
#include "optionswindow_test.moc"
