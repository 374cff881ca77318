#include "cp1251.h"
#include "datafiles.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace vosk;
using vosk::test::RecordingMessages;
using vosk::test::TempFolder;
using Kind = RecordingMessages::Entry::Kind;

TEST(DataFolder, MissingFilesAreAnnouncedAndCreatedEmptyInLoadingOrder)
{
    TempFolder dir;
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    std::string status;
    const auto loaded = folder.loadbase(store, [&](const std::string &s) { status = s; });

    const std::string missing = cp1251("Файл с данными не найден: создаю новый файл");
    EXPECT_EQ(messages.texts(Kind::Inform), (std::vector<std::string>{missing, missing, missing}));
    EXPECT_TRUE(messages.texts(Kind::Error).empty());
    for (const char *name : {"main.dat", "strings.dat", "components.lst"}) {
        ASSERT_TRUE(dir.exists(name)) << name;
        EXPECT_EQ(dir.read(name), "");
    }
    EXPECT_EQ(store.compcount, 0);
    EXPECT_EQ(status, cp1251("Количество деталей в базе: 0"));
    EXPECT_TRUE(loaded.categories.empty());
    EXPECT_EQ(loaded.dictionary.dictcount, 0);
}

TEST(DataFolder, LoadsAllThreeFilesAndReportsTheTotal)
{
    TempFolder dir;
    dir.write("main.dat", "1\x01" "a\x01" "3\x01 \r\n2\x01" "b\x01" "4\x01 \r\n");
    dir.write("strings.dat", cp1251("КТ КП\r\n\r\nК М \r\n\r\nпф"));
    dir.write("components.lst", cp1251("Все\r\n\r\nРезисторы"));
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    std::string status;
    const auto loaded = folder.loadbase(store, [&](const std::string &s) { status = s; });

    EXPECT_TRUE(messages.entries.empty());
    EXPECT_EQ(store.compcount, 2);
    EXPECT_EQ(status, cp1251("Количество деталей в базе: 7"));
    // An empty category line is a category with an empty name.
    EXPECT_EQ(loaded.categories, (std::vector<std::string>{cp1251("Все"), "", cp1251("Резисторы")}));
    const Dictionary &d = loaded.dictionary;
    EXPECT_EQ(d.dictcount, 5);
    EXPECT_EQ(d.dictlines[1], cp1251("КТ КП ")); // a blank appended
    EXPECT_EQ(d.dictlines[3], cp1251("К М "));   // already ends in one: unchanged
    EXPECT_EQ(d.dictlines[5], cp1251("пф "));
    EXPECT_EQ(d.dictdefault, 4); // the later of two empty lines
}

TEST(Dictionary, DefaultLineAndTheHundredLineLimit)
{
    EXPECT_EQ(readDictionary("a\r\nb\r\n\r\nc").dictdefault, 3);
    EXPECT_EQ(readDictionary("a\r\nb").dictdefault, 0);
    std::string many;
    for (int i = 1; i <= 120; ++i)
        many += "w" + std::to_string(i) + "\r\n";
    many += "\r\n"; // an empty 121st line has no slot: it cannot become the default
    const Dictionary d = readDictionary(many);
    EXPECT_EQ(d.dictcount, 100);
    EXPECT_EQ(d.dictlines[100], "w100 ");
    EXPECT_EQ(d.dictdefault, 0);
}

TEST(DataFolder, AnUnreadableFileIsReportedAndNeverReplaced)
{
    TempFolder dir;
    std::filesystem::create_directory(dir.file("main.dat")); // exists, but reading fails
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\n");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    const auto loaded = folder.loadbase(store, nullptr);
    ASSERT_EQ(messages.texts(Kind::Error).size(), 1u);
    EXPECT_NE(messages.texts(Kind::Error)[0].find("main.dat"), std::string::npos);
    EXPECT_TRUE(messages.texts(Kind::Inform).empty());
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("main.dat")));
    EXPECT_EQ(loaded.categories.size(), 1u); // the other files still load
}

TEST(DataFolder, UnreadableLinesAreToldOnceWithTheirNumbers)
{
    TempFolder dir;
    dir.write("main.dat", "1\x01" "a\x01" "3\x01 \r\nbroken line\r\n1\x01" "b\x01" "x\x01 \r\n");
    dir.write("strings.dat", "");
    dir.write("components.lst", "");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    const auto errors = messages.texts(Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(": 2 ("), std::string::npos) << utf8From1251(errors[0]);
    EXPECT_NE(errors[0].find("2, 3"), std::string::npos);
    ASSERT_TRUE(folder.savebase(store));
    EXPECT_EQ(dir.read("main.dat"), "1\x01" "a\x01" "3\x01 \r\nbroken line\r\n1\x01" "b\x01" "x\x01 \r\n");
}

TEST(DataFolder, SaveReplacesTheFileWholeAndAFailedSaveLeavesTheOldOne)
{
    TempFolder dir;
    const std::string old = "1\x01" "old\x01" "1\x01 \r\n";
    dir.write("main.dat", old);
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    for (int i = 0; i < 5000; ++i)
        store.append(1, "name" + std::to_string(i), 1, "description");

    // A file size limit makes the write fail part way, as a full disk would.
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    const bool ok = folder.savebase(store);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(ok);
    ASSERT_EQ(messages.texts(Kind::Error).size(), 1u);
    EXPECT_EQ(dir.read("main.dat"), old);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    ASSERT_TRUE(folder.savebase(store));
    EXPECT_EQ(dir.read("main.dat"), writeMainFile(store));
    EXPECT_EQ(messages.texts(Kind::Error).size(), 1u);

    // A folder that does not exist cannot take the file: reported, not thrown.
    DataFolder nowhere(dir.file("no/such/folder/"), messages);
    EXPECT_FALSE(nowhere.savebase(store));
    EXPECT_EQ(messages.texts(Kind::Error).size(), 2u);
}

TEST(DataFolder, OverLongLinesOfTheOtherFilesAreReadCutToTheirBoundAndTheFilesStay)
{
    TempFolder dir;
    dir.write("main.dat", "1\x01" "a\x01" "3\x01 \r\n");
    // One line of 900 KB among ordinary ones in each (under the files' own bound of 1 MB).
    const std::string words = "KT " + std::string(900 << 10, 'w') + "\r\n\r\nC\r\n";
    const std::string names = "All\r\n" + std::string(900 << 10, 'n') + "\r\nDiodes\r\n";
    dir.write("strings.dat", words);
    dir.write("components.lst", names);
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    const auto loaded = folder.loadbase(store, nullptr);
    const auto errors = messages.texts(Kind::Error);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find(cp1251("В файле strings.dat строки длиннее 4096 байт (строки 1)")), std::string::npos)
        << utf8From1251(errors[0]);
    EXPECT_NE(errors[1].find(cp1251("В файле components.lst строки длиннее 256 байт (строки 2)")), std::string::npos)
        << utf8From1251(errors[1]);
    ASSERT_EQ(loaded.categories.size(), 3u);
    EXPECT_EQ(loaded.categories[1], std::string(256, 'n'));
    EXPECT_EQ(loaded.categories[2], "Diodes");
    EXPECT_EQ(loaded.dictionary.dictlines[1].size(), 4096u + 1); // cut, then the blank every line ends in
    EXPECT_EQ(loaded.dictionary.dictdefault, 2);
    ASSERT_TRUE(folder.savebase(store));
    EXPECT_EQ(dir.read("strings.dat"), words);
    EXPECT_EQ(dir.read("components.lst"), names);

    // No more categories than a record can name: the rest of the lines are not read.
    std::string many;
    for (int i = 0; i < 70000; ++i)
        many += "c" + std::to_string(i) + "\r\n";
    const CategoryList list = readCategoryList(many);
    ASSERT_EQ(list.names.size(), CategoryList::kMaxCategories);
    EXPECT_EQ(list.names.back(), "c65535");
    ASSERT_EQ(list.problems.size(), 1u);
    EXPECT_NE(list.problems[0].find(cp1251("строк 70000, а разделов может быть не больше 65536")), std::string::npos)
        << utf8From1251(list.problems[0]);
}
