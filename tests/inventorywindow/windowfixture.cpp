#include "windowfixture.h"

#include "cp1251.h"
#include "inventorylist.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QAbstractItemModelTester>
#include <QtTest>
#include <sstream>

namespace vosk::test {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

WindowFixture::WindowFixture(const std::string &records, bool withCategories)
{
    if (withCategories) {
        dir.write("components.lst", cp1251("Все\r\nРез1\r\nРез2\r\nРез3\r\nКонд4\r\nКонд5\r\nКонд6\r\nКонд7\r\n"
                                           "Диоды\r\nТранзисторы\r\nПрочее\r\n"));
        dir.write("strings.dat", cp1251("0\r\n0\r\nK k M m E e К к М м Е е\r\n0\r\n0\r\nпф нф мкф\r\n0\r\n0\r\n"
                                        "КД Д\r\nКТ\r\n\r\n"));
    } else {
        dir.write("components.lst", "");
        dir.write("strings.dat", "");
    }
    std::string bytes;
    std::istringstream in(records);
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        for (char &c : line)
            if (c == '|')
                c = '\x01';
        bytes += cp1251(line) + "\r\n";
    }
    dir.write("main.dat", bytes);
}

namespace {
template <class T>
T *findIn(QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}
} // namespace

void WindowFixture::open()
{
    base = std::make_unique<Tbase>(messages, dir.datapath());
    ComboBox = findIn<QComboBox>(base.get(), "ComboBox");
    Memo1 = findIn<QPlainTextEdit>(base.get(), "Memo1");
    Memo2 = findIn<QPlainTextEdit>(base.get(), "Memo2");
    TreeView = findIn<QTreeWidget>(base.get(), "TreeView");
    add = findIn<QPushButton>(base.get(), "add");
    binadd = findIn<QPushButton>(base.get(), "binadd");
    bindesc = findIn<QLineEdit>(base.get(), "bindesc");
    binkolvo = findIn<QSpinBox>(base.get(), "binkolvo");
    binname = findIn<QLineEdit>(base.get(), "binname");
    comboicon = findIn<QLabel>(base.get(), "comboicon");
    delay = findIn<QTimer>(base.get(), "delay");
    description = findIn<QLineEdit>(base.get(), "description");
    dtype = findIn<QLabel>(base.get(), "dtype");
    exactfind = findIn<QCheckBox>(base.get(), "exactfind");
    exactsearch = findIn<QCheckBox>(base.get(), "exactsearch");
    fcolor = findIn<QPushButton>(base.get(), "fcolor");
    finddesc = findIn<QLineEdit>(base.get(), "finddesc");
    findit = findIn<QPushButton>(base.get(), "findit");
    findkolvo = findIn<QSpinBox>(base.get(), "findkolvo");
    findlist = findIn<QPushButton>(base.get(), "findlist");
    findname = findIn<QLineEdit>(base.get(), "findname");
    flatsrb = findIn<QCheckBox>(base.get(), "flatsrb");
    getparams = findIn<QPushButton>(base.get(), "getparams");
    image1 = findIn<QLabel>(base.get(), "image1");
    image2 = findIn<QLabel>(base.get(), "image2");
    image3 = findIn<QLabel>(base.get(), "image3");
    kolvo = findIn<QSpinBox>(base.get(), "kolvo");
    labelchange = findIn<QLabel>(base.get(), "labelchange");
    labelf = findIn<QLabel>(base.get(), "labelf");
    list = findIn<QTableView>(base.get(), "list");
    listtofind = findIn<QTableView>(base.get(), "listtofind");
    movecomp = findIn<QPushButton>(base.get(), "movecomp");
    name = findIn<QLineEdit>(base.get(), "name");
    output = findIn<QLabel>(base.get(), "output");
    pagecontrol = findIn<QTabWidget>(base.get(), "pagecontrol");
    remove = findIn<QCheckBox>(base.get(), "remove");
    removecomp = findIn<QPushButton>(base.get(), "removecomp");
    res = findIn<QPushButton>(base.get(), "res");
    resetlist = findIn<QPushButton>(base.get(), "resetlist");
    resetparams = findIn<QPushButton>(base.get(), "resetparams");
    sdesc = findIn<QCheckBox>(base.get(), "sdesc");
    showgrid = findIn<QCheckBox>(base.get(), "showgrid");
    skolvo = findIn<QCheckBox>(base.get(), "skolvo");
    sname = findIn<QCheckBox>(base.get(), "sname");
    sortgroup = findIn<QGroupBox>(base.get(), "sortgroup");
    sortitems = findIn<QButtonGroup>(base.get(), "sortitems");
    take = findIn<QPushButton>(base.get(), "take");
    takecomp = findIn<QSpinBox>(base.get(), "takecomp");
    test = findIn<QLineEdit>(base.get(), "test");
    text = findIn<QPlainTextEdit>(base.get(), "text");
    timedelay = findIn<QSpinBox>(base.get(), "timedelay");
    tomove = findIn<QComboBox>(base.get(), "tomove");
    typetofind = findIn<QLabel>(base.get(), "typetofind");
    understand = findIn<QLabel>(base.get(), "understand");
    usecolors = findIn<QCheckBox>(base.get(), "usecolors");
    delay->setInterval(30);
    // Every change either list model announces is checked against what it then reports.
    for (QTableView *view : {list, listtofind})
        new QAbstractItemModelTester(view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, base.get());
}

std::vector<std::string> WindowFixture::takeMessages()
{
    std::vector<std::string> out;
    for (const auto &e : messages.entries)
        out.push_back(utf8From1251(e.text));
    messages.entries.clear();
    return out;
}

std::string WindowFixture::record(int slot) const
{
    const CompStore &s = base->store();
    return std::to_string(s.category[slot]) + "|" + utf8From1251(s.name[slot]) + "|" +
           std::to_string(s.quantity[slot]) + "|" + utf8From1251(s.description[slot]);
}

std::vector<std::string> WindowFixture::records() const
{
    std::vector<std::string> out;
    for (int i = 1; i <= base->store().compcount; ++i)
        out.push_back(record(i));
    return out;
}

std::vector<std::string> WindowFixture::listNames() const
{
    std::vector<std::string> out;
    for (const auto &row : base->listRows().rows())
        out.push_back(utf8From1251(row.name));
    return out;
}

void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace vosk::test
