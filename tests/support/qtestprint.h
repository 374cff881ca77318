#pragma once
// Readable failures of Qt Test comparisons of the program's text lists (UTF-8 strings).
#include <QtTest>
#include <string>
#include <vector>

template <>
inline char *QTest::toString(const std::vector<std::string> &list)
{
    QByteArray out = "{";
    for (std::size_t i = 0; i < list.size(); ++i) {
        out += i ? ", \"" : "\"";
        out += QByteArray::fromStdString(list[i]);
        out += '"';
    }
    out += '}';
    return qstrdup(out.constData());
}
