// The change journal: what a program killed after its changes leaves behind, and what the
// next start makes of it.
#include "cp1251.h"
#include "datafiles.h"
#include "filter.h"
#include "journal.h"
#include "recordingmessages.h"
#include "stock.h"
#include "tempfolder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::RecordingMessages;
using vosk::test::TempFolder;
using Kind = RecordingMessages::Entry::Kind;

namespace {

// An entry line's kinds: parts added, taken, an empty record removed (a take of nothing).
enum class JK { Add, Take, Drop };
StockChange entry(JK kind, int cat, std::string name, std::string desc, int amount)
{
    return {cat, std::move(name), std::move(desc), kind == JK::Drop ? 0 : amount, kind != JK::Add};
}

const std::string kMain = "1\x01" "100\x01" "5\x01 \r\n" "2\x01" "KT315\x01" "3\x01" "desc\r\n";

void prepare(const TempFolder &dir)
{
    dir.write("main.dat", kMain);
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\nB\r\nC\r\n");
}

// A change made as the window makes it: through the store's rules, then recorded.
void change(DataFolder &folder, CompStore &store, JK kind, int cat, const std::string &name, const std::string &desc, int amount)
{
    ViewList view;
    const StockResult r = changeStock(store, view, {cat, name, desc}, amount, kind == JK::Take);
    ASSERT_FALSE(r.refused);
    ASSERT_TRUE(folder.record(entry(kind, cat, name, desc, static_cast<int>(r.moved))));
}

bool contains(const std::string &text, const char *utf8) { return text.find(cp1251(utf8)) != std::string::npos; }

} // namespace

TEST(Journal, ChangesOfAKilledProgramAreReplayedToldAndSaved)
{
    TempFolder dir;
    prepare(dir);
    std::string expected;
    {
        RecordingMessages messages;
        DataFolder folder(dir.datapath(), messages);
        CompStore store;
        folder.loadbase(store, nullptr);
        EXPECT_FALSE(dir.exists("main.jnl")); // nothing is written before the first change
        change(folder, store, JK::Add, 1, "100", " ", 7);       // to an existing record
        change(folder, store, JK::Add, 0, "new", "part", 4);    // a new record
        change(folder, store, JK::Take, 2, "KT315", "desc", 3); // empties and removes it
        change(folder, store, JK::Take, 0, "new", "part", 1);   // a move: take ...
        change(folder, store, JK::Add, 1, "new", "part", 1);    // ... and add
        EXPECT_EQ(folder.unsavedChanges(), 5);
        expected = writeMainFile(store);
        EXPECT_TRUE(messages.entries.empty());
        // The program dies here: no save, the journal stays.
    }
    ASSERT_TRUE(dir.exists("main.jnl"));
    EXPECT_EQ(dir.read("main.dat"), kMain);

    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    std::string status;
    const auto loaded = folder.loadbase(store, [&](const std::string &s) { status = s; });
    EXPECT_TRUE(loaded.recovered);
    EXPECT_EQ(writeMainFile(store), expected);
    EXPECT_EQ(store.totalqty, 5u + 7u + 4u - 1u + 1u);
    EXPECT_EQ(status, cp1251("Количество деталей в базе: 16"));
    ASSERT_EQ(messages.texts(Kind::Inform).size(), 1u);
    EXPECT_TRUE(contains(messages.texts(Kind::Inform)[0], "Восстановлено изменений из журнала: 5."));
    EXPECT_TRUE(messages.texts(Kind::Error).empty());
    // Saved at once; the journal is empty again.
    EXPECT_EQ(dir.read("main.dat"), expected);
    EXPECT_FALSE(dir.exists("main.jnl"));
    EXPECT_EQ(folder.unsavedChanges(), 0);

    // A third start finds nothing to recover and changes nothing.
    RecordingMessages quiet;
    DataFolder again(dir.datapath(), quiet);
    CompStore third;
    EXPECT_FALSE(again.loadbase(third, nullptr).recovered);
    EXPECT_TRUE(quiet.entries.empty());
}

TEST(Journal, ADamagedTailIsIgnoredWithAMessage)
{
    TempFolder dir;
    prepare(dir);
    {
        RecordingMessages messages;
        DataFolder folder(dir.datapath(), messages);
        CompStore store;
        folder.loadbase(store, nullptr);
        change(folder, store, JK::Add, 1, "100", " ", 2);
        change(folder, store, JK::Add, 1, "100", " ", 3);
    }
    const std::string whole = dir.read("main.jnl");
    // A kill in the middle of the second append: half its line, no line end.
    const size_t secondLine = whole.find("\r\n", whole.find("\r\n") + 2) + 2;
    const std::string torn = whole.substr(0, secondLine) + whole.substr(secondLine, 9);
    for (const std::string &bytes : {torn, whole.substr(0, secondLine) + "+\x01" "1\x01" "100\x01" "9\x01 \x01" "00000000\r\n"}) {
        SCOPED_TRACE(bytes.size());
        dir.write("main.dat", kMain);
        dir.write("main.jnl", bytes);
        RecordingMessages messages;
        DataFolder folder(dir.datapath(), messages);
        CompStore store;
        ASSERT_TRUE(folder.loadbase(store, nullptr).recovered);
        EXPECT_EQ(store.quantity[1], 5 + 2); // the first change only
        ASSERT_EQ(messages.texts(Kind::Error).size(), 1u);
        EXPECT_TRUE(contains(messages.texts(Kind::Error)[0], "со строки 3"));
        EXPECT_TRUE(contains(messages.texts(Kind::Inform)[0], "Восстановлено изменений из журнала: 1."));
    }

    // Until the recovered store is saved, the journal keeps it: without the damaged part, so
    // that the next change is not lost behind a torn line.
    dir.write("main.jnl", torn);
    RecordingMessages messages;
    Journal journal(dir.datapath(), messages);
    CompStore store;
    readMainFile(kMain, store);
    ASSERT_TRUE(journal.recover(store, kMain));
    ASSERT_TRUE(journal.record(entry(JK::Add, 0, "x", " ", 1)));
    const JournalContents c = parseJournal(dir.read("main.jnl"));
    EXPECT_EQ(c.damagedLine, 0);
    ASSERT_EQ(c.entries.size(), 2u);
    EXPECT_EQ(c.entries[1].key.name, "x");
    EXPECT_EQ(journal.unsavedChanges(), 2);
}

TEST(Journal, AnEntryThatNoLongerAppliesIsReportedNotForced)
{
    TempFolder dir;
    prepare(dir);
    std::string journal = journalHeaderLine(stampOf(kMain));
    journal += journalEntryLine(entry(JK::Take, 1, "100", " ", 9));      // holds only 5
    journal += journalEntryLine(entry(JK::Take, 0, "gone", " ", 1));     // no such record
    journal += journalEntryLine(entry(JK::Drop, 1, "100", " ", 0));      // not empty
    journal += journalEntryLine(entry(JK::Add, 1, "100", " ", 65535));   // past 65,535
    journal += journalEntryLine(entry(JK::Take, 1, "100", " ", 5));      // applies: empties it
    journal += journalBeginLine("pass") + journalEntryLine(entry(JK::Take, 0, "gone", "p", 1)) + journalEndLine(1);
    dir.write("main.jnl", journal);
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    ASSERT_TRUE(folder.loadbase(store, nullptr).recovered);
    EXPECT_EQ(store.compcount, 1);
    EXPECT_EQ(store.name[1], "KT315");
    EXPECT_EQ(store.totalqty, 3u);
    ASSERT_EQ(messages.texts(Kind::Inform).size(), 1u);
    const std::string text = messages.texts(Kind::Inform)[0];
    EXPECT_TRUE(contains(text, "Восстановлено изменений из журнала: 1.")) << utf8From1251(text);
    EXPECT_TRUE(contains(text, "Не применены (5)")) << utf8From1251(text);
    EXPECT_TRUE(contains(text, "взять 9 100   (раздел 1)")) << utf8From1251(text);
    // A change of a group is named with its operation.
    EXPECT_TRUE(contains(text, "взять 1 gone p (раздел 0; выдача деталей из корзины)")) << utf8From1251(text);
    EXPECT_TRUE(contains(text, "в записи только 5")) << utf8From1251(text);

    // A removal of an empty record applies to the empty record, wherever it stands.
    CompStore s;
    s.append(1, "a", 0, " ");
    s.append(1, "b", 2, " ");
    s.append(1, "c", 0, " ");
    const ReplayReport r = replayJournal(s, {entry(JK::Drop, 1, "c", " ", 0), entry(JK::Drop, 1, "b", " ", 0)});
    EXPECT_EQ(r.applied, 1u);
    ASSERT_EQ(s.compcount, 2);
    EXPECT_EQ(s.name[1], "a");
    EXPECT_EQ(s.name[2], "b");
}

TEST(Journal, AJournalOfAnotherMainFileOrNoJournalAtAllIsNotReplayed)
{
    TempFolder dir;
    prepare(dir);
    // Left by a save that renamed main.dat but died before emptying the journal: main.dat
    // already holds the change, so replaying it would count the parts twice.
    dir.write("main.jnl", journalHeaderLine(stampOf("something else")) + journalEntryLine(entry(JK::Add, 1, "100", " ", 7)));
    {
        RecordingMessages messages;
        DataFolder folder(dir.datapath(), messages);
        CompStore store;
        EXPECT_FALSE(folder.loadbase(store, nullptr).recovered);
        EXPECT_EQ(store.quantity[1], 5);
        EXPECT_EQ(messages.texts(Kind::Inform).size(), 1u);
        EXPECT_FALSE(dir.exists("main.jnl"));
        EXPECT_EQ(dir.read("main.dat"), kMain);
    }
    dir.write("main.jnl", "garbage\r\n");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    EXPECT_FALSE(folder.loadbase(store, nullptr).recovered);
    EXPECT_EQ(messages.texts(Kind::Error).size(), 1u);
    EXPECT_EQ(dir.read("main.dat"), kMain);
}

TEST(Journal, AJournalThatCannotBeWrittenIsToldAtTheFirstChangeOnly)
{
    TempFolder dir;
    prepare(dir);
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    std::filesystem::create_directory(dir.file("main.jnl")); // cannot be opened for writing
    ASSERT_EQ(messages.texts(Kind::Error).size(), 0u);
    EXPECT_FALSE(folder.record(entry(JK::Add, 1, "100", " ", 1)));
    EXPECT_FALSE(folder.record(entry(JK::Add, 1, "100", " ", 1)));
    ASSERT_EQ(messages.texts(Kind::Error).size(), 1u);
    EXPECT_TRUE(contains(messages.texts(Kind::Error)[0], "Не удалось записать изменение в журнал"));
    EXPECT_TRUE(contains(messages.texts(Kind::Error)[0], "main.jnl"));
    EXPECT_EQ(folder.unsavedChanges(), 2);
}

TEST(Journal, AReadOnlyFolderNeitherReplaysNorWrites)
{
    TempFolder dir;
    prepare(dir);
    const std::string journal = journalHeaderLine(stampOf(kMain)) + journalEntryLine(entry(JK::Add, 1, "100", " ", 7));
    dir.write("main.jnl", journal);
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages, true); // another program writes this folder
    CompStore store;
    EXPECT_FALSE(folder.loadbase(store, nullptr).recovered);
    EXPECT_EQ(store.quantity[1], 5);
    EXPECT_TRUE(folder.record(entry(JK::Add, 1, "100", " ", 1)));
    store.quantity[1] = 99;
    EXPECT_TRUE(folder.savebase(store));
    EXPECT_EQ(dir.read("main.dat"), kMain);
    EXPECT_EQ(dir.read("main.jnl"), journal); // the other program's journal is left alone
}

TEST(Journal, LinesReadBackAsWritten)
{
    const StockChange e = entry(JK::Add, 65535, cp1251("4,7К"), std::string("with \x01 and \n inside", 20), 65535);
    const std::string bytes = journalHeaderLine({123456789012ull, 0xdeadbeef}) + journalEntryLine(e) +
                              journalEntryLine(entry(JK::Drop, 0, "", "", 0));
    const JournalContents c = parseJournal(bytes);
    ASSERT_TRUE(c.hasHeader);
    EXPECT_EQ(c.base, (BaseStamp{123456789012ull, 0xdeadbeef}));
    ASSERT_EQ(c.entries.size(), 2u);
    EXPECT_EQ(c.entries[0], e);
    EXPECT_EQ(c.damagedLine, 0);
    // One flipped bit anywhere in a line makes it and the rest unreadable.
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::string bad = bytes;
        bad[i] ^= 0x04;
        const JournalContents d = parseJournal(bad);
        EXPECT_NE(d.damagedLine, 0) << i;
    }
}

// A group is replayed whole or not at all: the journal cut after any of its bytes gives the
// changes before the group, or those and the whole group, never a part of it; a cut group is
// told. Journals of single changes (written before groups existed) read as before.
TEST(Journal, AGroupIsReplayedWholeOrNotAtAll)
{
    TempFolder dir;
    prepare(dir);
    {
        RecordingMessages messages;
        DataFolder folder(dir.datapath(), messages);
        CompStore store;
        folder.loadbase(store, nullptr);
        change(folder, store, JK::Add, 1, "100", " ", 2); // alone
        folder.beginGroup(ChangeSource::Move);
        change(folder, store, JK::Take, 2, "KT315", "desc", 3);
        folder.beginGroup(ChangeSource::Import); // an inner pair only counts
        change(folder, store, JK::Add, 0, "KT315", "desc", 3);
        ASSERT_TRUE(folder.endGroup());
        EXPECT_EQ(parseJournal(dir.read("main.jnl")).entries.size(), 1u); // nothing of the group written yet
        ASSERT_TRUE(folder.endGroup());
        folder.beginGroup(ChangeSource::Pass); // a group of no change writes nothing
        ASSERT_TRUE(folder.endGroup());
        EXPECT_EQ(folder.unsavedChanges(), 3);
    }
    const std::string whole = dir.read("main.jnl");
    EXPECT_EQ(whole, journalHeaderLine(stampOf(kMain)) + journalEntryLine(entry(JK::Add, 1, "100", " ", 2)) +
                         journalBeginLine("move") + journalEntryLine(entry(JK::Take, 2, "KT315", "desc", 3)) +
                         journalEntryLine(entry(JK::Add, 0, "KT315", "desc", 3)) + journalEndLine(2));
    // Each entry reads back with where it came from: its group's source, typing when alone,
    // and Replay for a group word this version does not know (written by a later one).
    auto sources = [](const std::string &bytes) {
        std::vector<ChangeSource> out;
        for (const StockChange &c : parseJournal(bytes).entries)
            out.push_back(c.source);
        return out;
    };
    using S = ChangeSource;
    EXPECT_EQ(sources(whole), (std::vector<S>{S::Typing, S::Move, S::Move}));
    EXPECT_EQ(sources(whole + journalBeginLine("later") + journalEntryLine(entry(JK::Add, 1, "100", " ", 1)) +
                      journalEndLine(1) + journalEntryLine(entry(JK::Add, 1, "100", " ", 1))),
              (std::vector<S>{S::Typing, S::Move, S::Move, S::Replay, S::Typing}));
    for (const S source : {S::Typing, S::Move, S::Pass, S::Import, S::Stocktake, S::Undo, S::CommandLine, S::Replay, S::Places})
        EXPECT_EQ(sourceOfGroupWord(journalGroupWord(source)), source);
    const size_t groupStart = whole.find("B\x01");
    for (size_t cut = groupStart; cut <= whole.size(); ++cut) {
        const JournalContents c = parseJournal(whole.substr(0, cut));
        const bool complete = cut == whole.size();
        ASSERT_EQ(c.entries.size(), complete ? 3u : 1u) << cut;
        // Once its begin line is whole, a group without its end is told.
        EXPECT_EQ(c.cutGroup, !complete && cut >= whole.find("\r\n", groupStart) + 2)
            << cut;
    }
    // Cut after its first entry, as a kill between the entries of a move would leave it if
    // they were written one by one: the move is not replayed, and the user is told.
    const size_t secondEntry = whole.find("\r\n", whole.find("\r\n", groupStart) + 2) + 2;
    dir.write("main.jnl", whole.substr(0, secondEntry));
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    ASSERT_TRUE(folder.loadbase(store, nullptr).recovered);
    EXPECT_EQ(store.quantity[1], 7);
    EXPECT_EQ(store.quantity[2], 3); // KT315 is still where it was
    ASSERT_EQ(messages.texts(Kind::Error).size(), 1u);
    EXPECT_TRUE(contains(messages.texts(Kind::Error)[0], "перевод деталей в другой раздел")) << utf8From1251(messages.texts(Kind::Error)[0]);
    EXPECT_TRUE(contains(messages.texts(Kind::Error)[0], "не применено целиком (ни одно из 1"));
    // An end that counts otherwise, or an end without a beginning, is damage.
    const std::string head = journalHeaderLine({1, 2});
    EXPECT_EQ(parseJournal(head + journalBeginLine("move") + journalEntryLine(entry(JK::Add, 0, "x", " ", 1)) + journalEndLine(2)).damagedLine, 4);
    EXPECT_EQ(parseJournal(head + journalEndLine(0)).damagedLine, 2);
    EXPECT_EQ(parseJournal(head + journalBeginLine("move") + journalBeginLine("move")).damagedLine, 3);
}

// A journal that cannot be read is neither replayed nor removed nor replaced: the folder opens
// read-only, and the message says so and how to recover.
TEST(Journal, AnUnreadableJournalIsLeftAloneAndTheFolderIsReadOnly)
{
    TempFolder dir;
    prepare(dir);
    std::filesystem::create_directory(dir.file("main.jnl"));
    dir.write("main.jnl/inside", "x");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    EXPECT_FALSE(folder.loadbase(store, nullptr).recovered);
    EXPECT_TRUE(folder.readOnly());
    ASSERT_EQ(messages.texts(Kind::Error).size(), 1u);
    const std::string text = messages.texts(Kind::Error)[0];
    EXPECT_TRUE(contains(text, "только для просмотра")) << utf8From1251(text);
    EXPECT_TRUE(contains(text, "запустите программу снова")) << utf8From1251(text);
    EXPECT_TRUE(folder.record(entry(JK::Add, 1, "100", " ", 1))); // kept nowhere
    EXPECT_TRUE(folder.savebase(store));
    folder.discardChanges();
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("main.jnl")));
    EXPECT_EQ(dir.read("main.jnl/inside"), "x");
    EXPECT_EQ(dir.read("main.dat"), kMain);
}

// «Закрыть без сохранения» when the folder can no longer be reached by its name: the
// journal is emptied through its open file, and the folder, back again, replays nothing.
TEST(Journal, ChangesGivenUpStayGivenUpWhenTheFolderWentAway)
{
    TempFolder dir;
    prepare(dir);
    const std::string away = dir.path() + ".away";
    {
        RecordingMessages messages;
        DataFolder folder(dir.datapath(), messages);
        CompStore store;
        folder.loadbase(store, nullptr);
        change(folder, store, JK::Add, 1, "100", " ", 2);
        std::filesystem::rename(dir.path(), away);
        folder.discardChanges();
        EXPECT_TRUE(messages.texts(Kind::Error).empty());
        EXPECT_EQ(folder.unsavedChanges(), 0);
        std::filesystem::rename(away, dir.path());
    }
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    EXPECT_FALSE(folder.loadbase(store, nullptr).recovered);
    EXPECT_EQ(store.quantity[1], 5);
    EXPECT_TRUE(messages.entries.empty());
    EXPECT_FALSE(dir.exists("main.jnl"));
}

// A long journal: replayed with the share done told as it goes, ending at 100, and the
// entries that no longer apply counted with only the first few named.
TEST(Journal, ALongReplayToldAsItGoesAndItsFailuresCounted)
{
    TempFolder dir;
    prepare(dir);
    std::string journal = journalHeaderLine(stampOf(kMain));
    for (int i = 0; i < 20000; ++i)
        journal += journalEntryLine(entry(JK::Add, 3, "n" + std::to_string(i % 5000), " ", 1));
    for (int i = 0; i < 50; ++i)
        journal += journalEntryLine(entry(JK::Take, 0, "gone", " ", 1));
    dir.write("main.jnl", journal);
    std::vector<int> told;
    setRecoveryProgress([&told](int percent) { told.push_back(percent); });
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    ASSERT_TRUE(folder.loadbase(store, nullptr).recovered);
    setRecoveryProgress(nullptr);
    EXPECT_EQ(store.compcount, 2 + 5000);
    EXPECT_EQ(store.totalqty, 8u + 20000u);
    ASSERT_GE(told.size(), 10u);
    EXPECT_TRUE(std::is_sorted(told.begin(), told.end()));
    EXPECT_EQ(told.back(), 100);
    ASSERT_EQ(messages.texts(Kind::Inform).size(), 1u);
    const std::string text = messages.texts(Kind::Inform)[0];
    EXPECT_TRUE(contains(text, "Восстановлено изменений из журнала: 20000.")) << utf8From1251(text);
    EXPECT_TRUE(contains(text, "Не применены (50)"));
    size_t named = 0;
    for (size_t at = 0; (at = text.find(cp1251("такой записи нет"), at)) != std::string::npos; ++at)
        ++named;
    EXPECT_EQ(named, ReplayReport::kListed);
}
