// The reference book object: the user's figures over the book's tables, and refbook.dat.
#include "recordingmessages.h"
#include "refbook.h"
#include "reffixture.h"
#include "tempfolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vosk;
using namespace vosk::test;

namespace {

std::string c(const char *utf8) { return cp1251(utf8); }

struct Opened {
    TempFolder dir;
    RecordingMessages messages;
    ReferenceBook book{embeddedTables()};
    void open(bool readOnly = false) { book.open(dir.datapath(), readOnly, messages); }
    // The merged line of the record of this key in table t, or empty.
    std::string line(int t, const char *utf8) const
    {
        for (int i = RefTables::firstRecord[t]; i < book.tables().table(t).count(); ++i)
            if (book.keyAt(t, i) == c(utf8))
                return book.tables().table(t).line(i);
        return {};
    }
    int lineNo(int t, const char *utf8) const
    {
        for (int i = RefTables::firstRecord[t]; i < book.tables().table(t).count(); ++i)
            if (book.keyAt(t, i) == c(utf8))
                return i;
        return -1;
    }
};

} // namespace

TEST(ReferenceBook, AFigureIsSetInTheTablesAndRestoredToTheBooks)
{
    Opened f;
    f.open();
    const std::string bookLine = f.line(2, "Д9Б");
    ASSERT_EQ(bookLine, c("Д9Б@10@90 мА@250@100@3@"));
    EXPECT_EQ(f.book.setFigure(2, c("Д9Б"), 2, c("12 В")), "");
    EXPECT_EQ(f.line(2, "Д9Б"), c("Д9Б@12 В@90 мА@250@100@3@"));
    const int at = f.lineNo(2, "Д9Б");
    EXPECT_TRUE(f.book.isUserField(2, at, 2));
    EXPECT_FALSE(f.book.isUserField(2, at, 3));
    EXPECT_FALSE(f.book.isOwnType(2, at));
    EXPECT_EQ(f.book.unsavedChanges(), 1);
    // The same text again is no change; a refused text changes nothing.
    EXPECT_EQ(f.book.setFigure(2, c("Д9Б"), 2, c("12 В")), "");
    EXPECT_NE(f.book.setFigure(2, c("Д9Б"), 3, "1@2"), "");
    EXPECT_EQ(f.book.unsavedChanges(), 1);
    // Restored: the book's line again, and nothing of the user's left to write.
    EXPECT_EQ(f.book.restoreFigure(2, c("Д9Б"), 2), "");
    EXPECT_EQ(f.line(2, "Д9Б"), bookLine);
    EXPECT_TRUE(f.book.user().lines().empty());
    EXPECT_EQ(f.book.unsavedChanges(), 2);
    std::string failure;
    EXPECT_TRUE(f.book.trySave(failure));
    EXPECT_EQ(f.dir.read(kUserBookFile), "");
    EXPECT_EQ(f.book.unsavedChanges(), 0);
}

TEST(ReferenceBook, AddedTypesFollowTheBooksAndTakeTheirDrawing)
{
    Opened f;
    f.open();
    const int diodes = f.book.tables().params.count();
    EXPECT_FALSE(f.book.knows("1N4007"));
    EXPECT_EQ(f.book.addType(2, "1N4007", 3), "");
    EXPECT_TRUE(f.book.knows("1N4007"));
    EXPECT_EQ(f.lineNo(2, "1N4007"), diodes); // after the book's records
    EXPECT_TRUE(f.book.isOwnType(2, diodes));
    EXPECT_EQ(f.line(2, "1N4007"), c("1N4007@н/д@н/д@н/д@н/д@3@"));
    // A marking record's drawing number is typed in place, not given here.
    EXPECT_EQ(f.book.addType(1, "1N4007", 3), "");
    EXPECT_EQ(f.line(1, "1N4007"), c("1N4007@н/д@н/д@н/д@н/д@"));
    // Twice, or a type of the book: refused with the reason, nothing added.
    EXPECT_NE(f.book.addType(2, "1N4007", 1), "");
    EXPECT_NE(f.book.addType(2, c("Д9Б"), 1), "");
    EXPECT_EQ(f.book.unsavedChanges(), 2);
    EXPECT_EQ(f.book.removeType(2, "1N4007"), "");
    EXPECT_EQ(f.line(2, "1N4007"), "");
    EXPECT_EQ(f.book.tables().params.count(), diodes);
    EXPECT_EQ(f.book.unsavedChanges(), 3);
}

TEST(ReferenceBook, RefbookDatGoesBackByteForByteAndAlongToAnotherFolder)
{
    Opened f;
    // Unreadable lines, a lone LF and a last line without an end stay where they are.
    const std::string file = c("2@Д9Б@12 В@90 мА@250@100@3@\r\n") + "junk\r\n" + c("2@1N4007@1000@1 А@5@н/д@1@\n") +
                             c("3@КС999А@1@2@3");
    f.dir.write(kUserBookFile, file);
    f.open();
    ASSERT_EQ(f.messages.texts(RecordingMessages::Entry::Error).size(), 1u); // the unread line, said once
    EXPECT_EQ(f.line(2, "Д9Б"), c("Д9Б@12 В@90 мА@250@100@3@"));
    EXPECT_EQ(f.line(2, "1N4007"), c("1N4007@1000@1 А@5@н/д@1@"));
    // Unchanged: nothing is written.
    struct stat before {};
    ASSERT_EQ(::stat(f.dir.file(kUserBookFile).c_str(), &before), 0);
    std::string failure;
    EXPECT_TRUE(f.book.trySave(failure));
    struct stat after {};
    ASSERT_EQ(::stat(f.dir.file(kUserBookFile).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(f.dir.read(kUserBookFile), file);
    // Changed and saved: every line in its place, CR LF after each; read again, the same bytes.
    EXPECT_EQ(f.book.setFigure(2, "1N4007", 3, c("1,5 А")), "");
    EXPECT_TRUE(f.book.trySave(failure)) << failure;
    const std::string saved = c("2@Д9Б@12 В@90 мА@250@100@3@\r\n") + "junk\r\n" +
                              c("2@1N4007@1000@1,5 А@5@н/д@1@\r\n") + c("3@КС999А@1@2@3\r\n");
    EXPECT_EQ(f.dir.read(kUserBookFile), saved);
    ReferenceBook again(embeddedTables());
    again.open(f.dir.datapath(), false, f.messages);
    EXPECT_EQ(again.user().bytes(), saved);
    // Into another folder: the same bytes, named.
    TempFolder other;
    std::string written;
    EXPECT_TRUE(again.saveCopyTo(other.datapath(), written, failure));
    EXPECT_EQ(written, kUserBookFile);
    EXPECT_EQ(other.read(kUserBookFile), saved);
    // Nothing of the user's: no file made there.
    Opened empty;
    empty.open();
    TempFolder third;
    EXPECT_TRUE(empty.book.saveCopyTo(third.datapath(), written, failure));
    EXPECT_EQ(written, "");
    EXPECT_FALSE(third.exists(kUserBookFile));
}

TEST(ReferenceBook, ADamagedRefbookDatKeepsWhatReadsAndIsNeverWrittenOver)
{
    // Damaged lines: the readable records are shown and changeable, the rest written back.
    Opened f;
    f.dir.write(kUserBookFile, c("2@Д9Б@12 В@90 мА@250@100@3@\r\n") + "\x01\x02\xFF@@\r\n" + c("9@Д9В@x@\r\n"));
    f.open();
    EXPECT_EQ(f.line(2, "Д9Б"), c("Д9Б@12 В@90 мА@250@100@3@"));
    EXPECT_EQ(f.book.user().unreadable(), (std::vector<int>{2, 3}));
    EXPECT_EQ(f.book.setFigure(2, c("Д9Б"), 5, "99"), "");
    std::string failure;
    ASSERT_TRUE(f.book.trySave(failure)) << failure;
    EXPECT_EQ(f.dir.read(kUserBookFile), c("2@Д9Б@12 В@90 мА@250@99@3@\r\n") + "\x01\x02\xFF@@\r\n" + c("9@Д9В@x@\r\n"));

    // A file that cannot be read at all (UTF-8 with characters code page 1251 lacks): shown
    // without the user's figures, every change refused, never written; copied as it is.
    Opened bad;
    const std::string text = "2@1N4007@\xE2\x98\x83@1@5@1@1@\r\n";
    bad.dir.write(kUserBookFile, text);
    bad.open();
    ASSERT_EQ(bad.messages.texts(RecordingMessages::Entry::Error).size(), 1u);
    EXPECT_FALSE(bad.book.knows("1N4007"));
    EXPECT_FALSE(bad.book.changeRefusal().empty());
    EXPECT_EQ(bad.book.setFigure(2, c("Д9Б"), 2, "1"), bad.book.changeRefusal());
    EXPECT_EQ(bad.book.addType(2, "X1", 0), bad.book.changeRefusal());
    EXPECT_EQ(bad.book.unsavedChanges(), 0);
    EXPECT_TRUE(bad.book.trySave(failure));
    EXPECT_EQ(bad.dir.read(kUserBookFile), text);
    TempFolder other;
    std::string written;
    EXPECT_TRUE(bad.book.saveCopyTo(other.datapath(), written, failure));
    EXPECT_EQ(other.read(kUserBookFile), text);
}

TEST(ReferenceBook, SharedFiguresAreOfferedThenTaken)
{
    Opened f;
    f.open();
    EXPECT_EQ(f.book.exportCheck().kind, BookNote::Kind::Inform);
    f.dir.write("theirs.dat", c("3@BZX55C5V1@4,8@5,1@5,4@5@н/д@н/д@0,5@60@5@н/д@1@\r\nbroken\r\n"));
    const ImportOffer offer = f.book.offerImport(f.dir.file("theirs.dat"));
    ASSERT_TRUE(offer.offered());
    EXPECT_NE(offer.question.find(c("BZX55C5V1 (стабилитроны)")), std::string::npos);
    EXPECT_NE(offer.question.find(c("Не прочитано строк: 1")), std::string::npos);
    EXPECT_FALSE(f.book.knows("BZX55C5V1")); // asked first
    EXPECT_EQ(f.book.applyImport(offer.plan), "");
    EXPECT_TRUE(f.book.knows("BZX55C5V1"));
    EXPECT_EQ(f.book.unsavedChanges(), 1);
    const BookNote out = f.book.exportTo(f.dir.file("mine.dat"));
    EXPECT_EQ(out.kind, BookNote::Kind::Inform);
    EXPECT_EQ(f.dir.read("mine.dat"), c("3@BZX55C5V1@4,8@5,1@5,4@5@н/д@н/д@0,5@60@5@н/д@1@\r\n"));
    // The same file again offers nothing; a missing one says so.
    EXPECT_EQ(f.book.offerImport(f.dir.file("theirs.dat")).note.kind, BookNote::Kind::Inform);
    EXPECT_EQ(f.book.offerImport(f.dir.file("none.dat")).note.kind, BookNote::Kind::Error);
}
