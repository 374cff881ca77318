#include "windowfixture.h"

#include "cp1251.h"
#include "inventorylist.h"

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

void WindowFixture::open()
{
    base = std::make_unique<Tbase>(messages, dir.datapath());
    base->delay->setInterval(30);
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
