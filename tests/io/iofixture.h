#pragma once
#include "compstore.h"
#include "cp1251.h"
#include "dictionary.h"
#include "filebytes.h"
#include "mainfile.h"
#include "textlines.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vosk::test {

// The bundled installation folder, read as the program reads it.
struct Bundled {
    CompStore store;
    Dictionary dict;
    std::vector<std::string> categories;
    std::string mainBytes;

    Bundled()
    {
        const std::string dir = VOSK_SOURCE_DATA "/";
        mainBytes = readFileBytes(dir + "main.dat").bytes;
        const MainFileReport report = readMainFile(mainBytes, store);
        EXPECT_TRUE(report.unreadable.empty());
        dict = readDictionary(readFileBytes(dir + "strings.dat").bytes);
        categories = splitTextLines(readFileBytes(dir + "components.lst").bytes).lines;
    }

    // Slot of the record with this category, name and description (UTF-8), 0 when none.
    int slot(int category, const char *name, const char *description) const
    {
        for (int i = 1; i <= store.compcount; ++i)
            if (store.category[i] == category && store.name[i] == cp1251(name) &&
                store.description[i] == cp1251(description))
                return i;
        return 0;
    }
};

// Categories of a small test installation: 0 all, 1-3 resistors, 4-7 capacitors, 8 diodes.
inline std::vector<std::string> smallCategories()
{
    std::vector<std::string> out;
    for (const char *c : {"Все", "Резисторы", "Резисторы 0,25", "Резисторы мощные", "Керамика", "Пленка", "Электролиты",
                          "Подстроечные", "Диоды"})
        out.push_back(cp1251(c));
    return out;
}

} // namespace vosk::test
