// Closing when main.dat cannot be written, and a missing installation folder.
#include "closing.h"
#include "cp1251.h"
#include "datafiles.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::RecordingMessages;
using vosk::test::TempFolder;
using Kind = RecordingMessages::Entry::Kind;

namespace {

bool contains(const std::string &text, const char *utf8) { return text.find(cp1251(utf8)) != std::string::npos; }

} // namespace

TEST(Closing, AMissingFolderIsToldOnceAndClosingWithoutChangesNeverAsks)
{
    TempFolder dir;
    const std::string missing = dir.file("no such folder/");
    setSettingsFileForMessages("/etc/xdg/Ferrowind/Vosk.conf");
    RecordingMessages messages;
    DataFolder folder(missing, messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    ASSERT_EQ(messages.entries.size(), 1u);
    const std::string text = messages.entries[0].text;
    EXPECT_TRUE(contains(text, "no such folder")) << utf8From1251(text);
    EXPECT_TRUE(contains(text, "Vosk.conf")) << utf8From1251(text);
    EXPECT_TRUE(folder.folderMissing());
    EXPECT_FALSE(std::filesystem::exists(missing));

    EXPECT_EQ(closeInventory(folder, store, messages), CloseDecision::Close);
    EXPECT_EQ(messages.entries.size(), 1u);
}

TEST(Closing, WhenSavingIsImpossibleTheUserRetriesSavesElsewhereOrGivesUp)
{
    TempFolder dir;
    const std::string missing = dir.file("gone/");
    RecordingMessages messages;
    DataFolder folder(missing, messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    store.append(0, "part", 3, " ");
    messages.entries.clear();

    // «Отмена»: the window stays, nothing written.
    messages.choices = {3};
    EXPECT_EQ(closeInventory(folder, store, messages), CloseDecision::StayOpen);
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_EQ(messages.entries[0].kind, Kind::Choose);
    EXPECT_EQ(messages.entries[0].buttons,
              (std::vector<std::string>{cp1251("Повторить"), cp1251("Сохранить в другую папку…"),
                                        cp1251("Закрыть без сохранения"), cp1251("Отмена")}));
    EXPECT_TRUE(contains(messages.entries[0].text, "gone"));

    // «Повторить» after the user has made the folder saves it where it belongs.
    struct MakesTheFolder : RecordingMessages {
        std::string folder;
        int choose(const std::string &text, const std::vector<std::string> &buttons) override
        {
            std::filesystem::create_directory(folder);
            return RecordingMessages::choose(text, buttons);
        }
    } retrying;
    retrying.folder = missing;
    retrying.choices = {0};
    EXPECT_EQ(closeInventory(folder, store, retrying), CloseDecision::Close);
    EXPECT_EQ(retrying.texts(Kind::Choose).size(), 1u);
    EXPECT_EQ(dir.read("gone/main.dat"), writeMainFile(store));
    std::filesystem::remove_all(missing);
    store.append(0, "another", 1, " ");

    // «Сохранить в другую папку…»: a cancelled dialog brings the box back; a chosen folder
    // gets all three files and the user is told where.
    TempFolder other;
    messages.entries.clear();
    messages.choices = {1, 1};
    messages.folders = {std::nullopt, other.path()};
    EXPECT_EQ(closeInventory(folder, store, messages), CloseDecision::Close);
    EXPECT_EQ(messages.texts(Kind::ChooseFolder).size(), 2u);
    EXPECT_EQ(other.read("main.dat"), writeMainFile(store));
    EXPECT_TRUE(other.exists("strings.dat") && other.exists("components.lst"));
    ASSERT_EQ(messages.texts(Kind::Inform).size(), 1u);
    EXPECT_NE(messages.texts(Kind::Inform)[0].find(other.path()), std::string::npos);

    // «Закрыть без сохранения» tells how many changes go and asks again; No brings the box
    // back, Yes closes and drops the journal.
    TempFolder here;
    here.write("main.dat", "");
    here.write("strings.dat", "");
    here.write("components.lst", "A\r\n");
    DataFolder writable(here.datapath(), messages);
    CompStore s;
    writable.loadbase(s, nullptr);
    s.append(0, "x", 1, " ");
    ASSERT_TRUE(writable.record({0, "x", " ", 1, false}));
    s.append(0, "y", 1, " ");
    ASSERT_TRUE(writable.record({0, "y", " ", 1, false}));
    ASSERT_TRUE(here.exists("main.jnl"));
    std::filesystem::remove(here.file("main.dat"));
    std::filesystem::create_directories(here.file("main.dat/blocker")); // cannot be replaced
    messages.entries.clear();
    messages.choices = {2, 2};
    messages.answers = {false, true};
    EXPECT_EQ(closeInventory(writable, s, messages), CloseDecision::Close);
    const auto asked = messages.texts(Kind::Confirm);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(contains(asked[0], "после запуска программы:\u00A02.")) << utf8From1251(asked[0]);
    EXPECT_EQ(messages.texts(Kind::Choose).size(), 2u);
    EXPECT_FALSE(here.exists("main.jnl"));
    EXPECT_TRUE(std::filesystem::is_directory(here.file("main.dat")));
}

// Nothing changed, but main.dat is no longer the file read: the records exist only in memory.
TEST(Closing, AMainDatGoneOrReplacedMeanwhileIsNoticedAndOfferedToBeWrittenAgain)
{
    TempFolder dir;
    const std::string records = "1\x01" "a\x01" "3\x01 \r\n";
    dir.write("main.dat", records);
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\nB\r\n");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    ASSERT_TRUE(messages.entries.empty());

    // Removed: written again, as ever, without a question.
    std::filesystem::remove(dir.file("main.dat"));
    EXPECT_EQ(closeInventory(folder, store, messages), CloseDecision::Close);
    EXPECT_TRUE(messages.entries.empty());
    EXPECT_EQ(dir.read("main.dat"), records);

    // Replaced by a folder: the closing choices, saying so; «Повторить» once the folder is gone.
    std::filesystem::remove(dir.file("main.dat"));
    std::filesystem::create_directories(dir.file("main.dat/inside"));
    struct RemovesTheFolder : RecordingMessages {
        std::string folder;
        int choose(const std::string &text, const std::vector<std::string> &buttons) override
        {
            std::filesystem::remove_all(folder);
            return RecordingMessages::choose(text, buttons);
        }
    } retrying;
    retrying.folder = dir.file("main.dat");
    retrying.choices = {0};
    EXPECT_EQ(closeInventory(folder, store, retrying), CloseDecision::Close);
    ASSERT_EQ(retrying.texts(Kind::Choose).size(), 1u);
    EXPECT_TRUE(contains(retrying.texts(Kind::Choose)[0], "только в памяти")) << utf8From1251(retrying.texts(Kind::Choose)[0]);
    EXPECT_EQ(dir.read("main.dat"), records);

    // Replaced by another file: asked before it is written over; «Закрыть без сохранения»
    // leaves it; the same bytes put back are no question.
    dir.write("other.dat", "2\x01" "b\x01" "1\x01 \r\n");
    std::filesystem::rename(dir.file("other.dat"), dir.file("main.dat"));
    messages.entries.clear();
    messages.choices = {2};
    messages.answers = {true};
    EXPECT_EQ(closeInventory(folder, store, messages), CloseDecision::Close);
    ASSERT_EQ(messages.texts(Kind::Choose).size(), 1u);
    EXPECT_TRUE(contains(messages.texts(Kind::Choose)[0], "заменён другим"));
    EXPECT_EQ(dir.read("main.dat"), "2\x01" "b\x01" "1\x01 \r\n");
    dir.write("other.dat", records);
    std::filesystem::rename(dir.file("other.dat"), dir.file("main.dat"));
    messages.entries.clear();
    EXPECT_EQ(closeInventory(folder, store, messages), CloseDecision::Close);
    EXPECT_TRUE(messages.entries.empty());
}
