// Closing when main.dat cannot be written, and a missing installation folder.
#include "closing.h"
#include "cp1251.h"
#include "datafiles.h"
#include "filebytes.h"
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

namespace {

// Another file of the folder, as the reference book's is: written in place on save, counted
// while its changes are not.
struct NoteFile : FolderCompanion {
    std::string folder;
    std::string text = "note\r\n";
    int changes = 0;
    int unsavedChanges() const override { return changes; }
    bool save(std::string &failure) override
    {
        if (!changes)
            return true;
        const WriteResult w = replaceFileAtomically(folder + "note.dat", text);
        if (!w) {
            failure = "note.dat: " + w.reason;
            return false;
        }
        changes = 0;
        return true;
    }
    bool saveCopyTo(const std::string &other, std::string &written, std::string &failure) override
    {
        const WriteResult w = replaceFileAtomically(other + "note.dat", text);
        failure = w.reason;
        written = w ? "note.dat" : "";
        return bool(w);
    }
};

} // namespace

TEST(Closing, AFileBesideTheDataFilesIsSavedRetriedCopiedAndCountedWithThem)
{
    TempFolder dir;
    dir.write("main.dat", "");
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\n");
    std::filesystem::create_directories(dir.file("bmp"));
    std::filesystem::create_directories(dir.file("txt"));
    dir.write("bmp/00.bmp", "icon");
    dir.write("txt/adding.txt", "help");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    folder.loadbase(store, nullptr);

    // Nothing changed in the store, but the note's folder is missing: the choices, saying why;
    // «Повторить» once it is back writes the note.
    NoteFile note;
    note.folder = dir.file("notes/");
    note.changes = 2;
    struct MakesTheFolder : RecordingMessages {
        std::string folder;
        int choose(const std::string &text, const std::vector<std::string> &buttons) override
        {
            std::filesystem::create_directory(folder);
            return RecordingMessages::choose(text, buttons);
        }
    } retrying;
    retrying.folder = note.folder;
    retrying.choices = {0};
    EXPECT_EQ(closeInventory(folder, store, retrying, &note), CloseDecision::Close);
    ASSERT_EQ(retrying.texts(Kind::Choose).size(), 1u);
    EXPECT_TRUE(contains(retrying.texts(Kind::Choose)[0], "note.dat: ")) << utf8From1251(retrying.texts(Kind::Choose)[0]);
    EXPECT_EQ(dir.read("notes/note.dat"), "note\r\n");
    EXPECT_EQ(note.changes, 0);
    // Nothing of its own to lose: it never asks.
    std::filesystem::remove_all(note.folder);
    messages.entries.clear();
    EXPECT_EQ(closeInventory(folder, store, messages, &note), CloseDecision::Close);
    EXPECT_TRUE(messages.entries.empty());

    // «Закрыть без сохранения» with only the note's changes: those are the ones counted.
    note.changes = 3;
    messages.choices = {2};
    EXPECT_EQ(closeInventory(folder, store, messages, &note), CloseDecision::Close);
    ASSERT_EQ(messages.texts(Kind::Confirm).size(), 1u);
    const std::string lost = messages.texts(Kind::Confirm)[0];
    EXPECT_TRUE(contains(lost, "справочника (refbook.dat):\u00A03.")) << utf8From1251(lost);
    EXPECT_FALSE(contains(lost, "после запуска программы")) << utf8From1251(lost);

    // Both changed and main.dat cannot be written: both counted; then «Сохранить в другую
    // папку…» takes the three files, the note, and the icons and help texts along.
    store.append(0, "part", 3, " ");
    ASSERT_TRUE(folder.record(StockChange{0, "part", " ", 3, false}));
    std::filesystem::remove(dir.file("main.dat"));
    std::filesystem::create_directories(dir.file("main.dat/blocker"));
    TempFolder other;
    messages.entries.clear();
    messages.choices = {2, 1};
    messages.answers = {false};
    messages.folders = {other.path()};
    EXPECT_EQ(closeInventory(folder, store, messages, &note), CloseDecision::Close);
    const std::string both = messages.texts(Kind::Confirm).at(0);
    EXPECT_TRUE(contains(both, "после запуска программы:\u00A01.\rБудут потеряны изменения ваших данных справочника "
                               "(refbook.dat):\u00A03."))
        << utf8From1251(both);
    EXPECT_EQ(other.read("main.dat"), writeMainFile(store));
    EXPECT_EQ(other.read("note.dat"), "note\r\n");
    EXPECT_EQ(other.read("bmp/00.bmp"), "icon");
    EXPECT_EQ(other.read("txt/adding.txt"), "help");
    ASSERT_EQ(messages.texts(Kind::Inform).size(), 1u);
    const std::string told = messages.texts(Kind::Inform)[0];
    EXPECT_TRUE(contains(told, "(файлы main.dat, strings.dat, components.lst, note.dat; папки bmp/, txt/)"))
        << utf8From1251(told);

    // Copied again where the folders are already: what is there is kept; a folder without them
    // says so.
    other.write("bmp/00.bmp", "mine");
    const FoldersCopied again = copyInstallationFolders(dir.datapath(), other.datapath());
    EXPECT_EQ(again.copied, (std::vector<std::string>{"bmp/", "txt/"}));
    EXPECT_EQ(other.read("bmp/00.bmp"), "mine");
    TempFolder bare;
    const FoldersCopied none = copyInstallationFolders(bare.datapath(), other.datapath());
    EXPECT_TRUE(none.copied.empty());
    EXPECT_TRUE(contains(none.failure, "Папки bmp/ в ")) << utf8From1251(none.failure);
}
