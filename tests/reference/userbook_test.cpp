#include "recordingmessages.h"
#include "reffixture.h"
#include "tempfolder.h"
#include "userbook.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vosk;
using namespace vosk::test;

namespace {

std::string c(const char *utf8) { return cp1251(utf8); }

struct Book {
    const RefTables book = embeddedTables();
    Fields fields;
    FixedMeasure measure;
    CommittedFrames frames;
    LookupResult run(const UserBook &user, const char *utf8)
    {
        RefTables merged = user.merged(book);
        return lookup(merged, fields, c(utf8), measure, frames, 611, 213, {});
    }
    std::string keyOf(const UserBook &user, int t, int line) const
    {
        return line < 0 ? std::string() : std::string(*linekey(user.merged(book).table(t).line(line)));
    }
};

std::vector<std::string> userTexts(const LookupResult &r)
{
    std::vector<std::string> out;
    for (const auto &t : r.texts)
        if (t.user)
            out.push_back(t.text);
    return out;
}

} // namespace

TEST(UserBook, ReadsKeepsUnreadableLinesAndWritesByteForByte)
{
    Book b;
    const std::string file = c("2@Д9Б@12@90 мА@250@100@3@\r\n") +          // a change of the book's record
                             c("9@Д9Б@x@\r\n") +                            // no such table
                             c("2@1N4007@1000@1 А@5@н/д@1@\r\n") +          // a type of the user's
                             c("2@1N4007@1@1@1@1@1@\r\n") +                 // the same key again
                             c("1@КД226Д@оранжевое@-@-@@@8@\r\n") +          // more fields than titles
                             c("2@Д9В@10@90 мА@250@\r\n") +                 // fewer fields than the book's
                             c("3@BZX55C5V1@5,1@\x01@\r\n") +               // a control byte
                             c("1@1N5819@серый@-@") + std::string(65, 'x') + "@1@\r\n" + // over-long
                             "\r\n" + c("3@КС999А@1@2@3");                  // no separator at the end
    const UserBook user = UserBook::parse(file, b.book);
    ASSERT_EQ(user.lines().size(), 10u);
    EXPECT_EQ(user.unreadable(), (std::vector<int>{2, 4, 5, 6, 7, 8, 10}));
    EXPECT_TRUE(user.lines()[0].readable);
    EXPECT_EQ(user.lines()[2].fields[0], "1N4007");
    EXPECT_FALSE(user.dirty());
    // Written back: every line in its place, the last one given its line end.
    EXPECT_EQ(user.bytes(), file + "\r\n");
    const std::string crlf = c("2@Д9Б@12@90 мА@250@100@3@\r\n") + "junk\r\n" + c("3@КС1@н/д@н/д@н/д@н/д@н/д@н/д@н/д@н/д@н/д@н/д@27@\r\n");
    EXPECT_EQ(UserBook::parse(crlf, b.book).bytes(), crlf);
    EXPECT_EQ(UserBook::parse(crlf, b.book).exportBytes(), c("2@Д9Б@12@90 мА@250@100@3@\r\n") +
                                                               c("3@КС1@н/д@н/д@н/д@н/д@н/д@н/д@н/д@н/д@н/д@н/д@27@\r\n"));
    // Lines ended by a lone LF (an editor's habit) read too, and are written with CR LF.
    EXPECT_EQ(UserBook::parse(c("2@Д9Б@12@90 мА@250@100@3@\n"), b.book).bytes(), c("2@Д9Б@12@90 мА@250@100@3@\r\n"));
}

TEST(UserBook, ChangesMergeIntoTheBookAndResetDropsThem)
{
    Book b;
    UserBook user;
    EXPECT_EQ(user.setField(b.book, 2, c("Д9Б"), 2, "12"), "");
    EXPECT_TRUE(user.dirty());
    EXPECT_EQ(user.bytes(), c("2@Д9Б@12@90 мА@250@100@3@\r\n"));
    auto r = b.run(user, "Д9Б");
    EXPECT_EQ(r.paramsLine, 6); // in the book's place
    EXPECT_EQ(userTexts(r), (std::vector<std::string>{"12"}));
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0], c("синим — ваши данные"));
    // A field of a record with a repeated key changes the first one, the one lookups show.
    EXPECT_EQ(user.setField(b.book, 1, c("КД208А"), 2, c("жёлтый")), "");
    const RefTables merged = user.merged(b.book);
    const int first = bookLineOf(b.book, 1, c("КД208А"));
    EXPECT_NE(merged.marking.line(first), b.book.marking.line(first));
    EXPECT_EQ(merged.marking.line(first + 1), b.book.marking.line(first + 1));
    EXPECT_EQ(merged.userFields(1, first), 2u);
    // Back to the book's values: the records leave the file.
    user.resetField(b.book, 1, c("КД208А"), 2);
    user.resetField(b.book, 2, c("Д9Б"), 2);
    EXPECT_EQ(user.bytes(), "");
    EXPECT_TRUE(userTexts(b.run(user, "Д9Б")).empty());
    EXPECT_TRUE(b.run(user, "Д9Б").notes.empty());
}

TEST(UserBook, OwnTypesComeAfterTheBooksAndAnExactNameComesFirst)
{
    Book b;
    UserBook user;
    // A lookup of a type the book lacks shows the book's rule, and says so.
    auto r = b.run(user, "Д226Б");
    EXPECT_EQ(b.keyOf(user, 2, r.paramsLine), c("КД226Б"));
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].rfind(c("Д226Б нет в справочнике; показан КД226Б"), 0), 0u);
    EXPECT_TRUE(b.run(user, "").notes.empty());
    EXPECT_TRUE(b.run(user, "КД226Б").notes.empty());

    EXPECT_EQ(user.addType(b.book, 2, c("Д226Б"), "3"), "");
    EXPECT_EQ(user.addType(b.book, 2, "1N4007", ""), "");
    EXPECT_EQ(user.addType(b.book, 2, c("Д9"), "3"), "");
    EXPECT_EQ(user.bytes(), c("2@Д226Б@н/д@н/д@н/д@н/д@3@\r\n2@1N4007@н/д@н/д@н/д@н/д@н/д@\r\n2@Д9@н/д@н/д@н/д@н/д@3@\r\n"));
    const RefTables merged = user.merged(b.book);
    const std::vector<std::string> types = allTypes(merged);
    ASSERT_EQ(types.size(), 301u);
    EXPECT_EQ(types[297], c("КС980А")); // the book's last
    EXPECT_EQ(types[298], c("Д226Б"));
    EXPECT_EQ(types[300], c("Д9"));

    // Named exactly: the user's type before the book's КД226Б, every field in the user's colour.
    r = b.run(user, "Д226Б");
    EXPECT_EQ(b.keyOf(user, 2, r.paramsLine), c("Д226Б"));
    EXPECT_EQ(b.keyOf(user, 1, r.markingLine), c("КД226Б")); // the marking table has no such type
    EXPECT_EQ(userTexts(r).size(), 6u);
    EXPECT_EQ(r.picture.picFrame, 2);
    EXPECT_EQ(r.notes, (std::vector<std::string>{c("синим — ваши данные")}));
    // The book's own type found by its name or a part of it stays the book's.
    EXPECT_EQ(b.keyOf(user, 2, b.run(user, "Д9Б").paramsLine), c("Д9Б"));
    EXPECT_EQ(b.keyOf(user, 2, b.run(user, "Д9").paramsLine), c("Д9"));
    EXPECT_EQ(b.keyOf(user, 2, b.run(user, "Д22").paramsLine), c("КД221А"));
    // Only the user has it: found after the book's tables had no match.
    r = b.run(user, "4007");
    EXPECT_EQ(r.markingLine, -1);
    EXPECT_EQ(b.keyOf(user, 2, r.paramsLine), "1N4007");
    EXPECT_FALSE(r.picture.picVisible); // «н/д» names no drawing
    EXPECT_TRUE(user.removeType(2, "1N4007"));
    EXPECT_EQ(b.run(user, "4007").foundAny, false);
}

TEST(UserBook, RefusesBadTextAndChangesNothing)
{
    Book b;
    UserBook user = UserBook::parse(c("1@1N5819@серый@-@-@3@\r\n"), b.book);
    const std::string before = user.bytes();
    const auto refused = [&](const std::string &why) { return !why.empty() && why.rfind(c("Текст"), 0) == 0; };
    EXPECT_TRUE(refused(user.setField(b.book, 1, "1N5819", 2, "a@b")));
    EXPECT_TRUE(refused(user.setField(b.book, 1, "1N5819", 2, "a\rb")));
    EXPECT_TRUE(refused(user.setField(b.book, 1, "1N5819", 2, "\x98")));
    EXPECT_TRUE(refused(user.setField(b.book, 1, "1N5819", 2, std::string(65, 'x'))));
    EXPECT_EQ(user.setField(b.book, 1, "1N5819", 2, std::string(64, 'x')), "");
    user = UserBook::parse(before, b.book);
    EXPECT_FALSE(user.setField(b.book, 1, "1N5819", 1, "1N5820").empty()); // the key stays
    EXPECT_FALSE(user.setField(b.book, 1, "1N5819", 6, "x").empty());      // past its fields
    EXPECT_FALSE(user.setField(b.book, 2, "1N5819", 2, "x").empty());      // no such record
    EXPECT_FALSE(user.addType(b.book, 2, c("Д9Б"), "").empty());          // the book has it
    EXPECT_FALSE(user.addType(b.book, 1, "1N5819", "").empty());          // the user has it
    EXPECT_FALSE(user.addType(b.book, 1, " ", "").empty());
    EXPECT_FALSE(user.addType(b.book, 4, "X", "").empty());
    EXPECT_TRUE(refused(user.addType(b.book, 3, "BZX@55", "")));
    EXPECT_TRUE(refused(user.addType(b.book, 3, "BZX55", "1\t")));
    EXPECT_EQ(user.bytes(), before);
    EXPECT_FALSE(user.dirty());
}

TEST(UserBook, ImportShowsWhatItAddsAndChanges)
{
    Book b;
    UserBook user = UserBook::parse(c("2@1N4007@1000@1 А@5@н/д@1@\r\n"), b.book);
    const std::string other = c("2@1N4007@1000@1 А@5@н/д@1@\r\n") +   // the same: nothing
                              c("2@Д9Б@10@90 мА@250@100@3@\r\n") +     // the book's own values: nothing
                              c("2@Д9В@30@90 мА@250@100@3@\r\n") +     // a change of the book's
                              "garbage\r\n" + c("1@1N4007@чёрный@-@серое кольцо@1@\r\n");
    const UserImportPlan plan = user.planImport(other, b.book);
    EXPECT_EQ(plan.adds.size(), 2u);
    EXPECT_EQ(plan.changes.size(), 0u);
    EXPECT_EQ(plan.unreadable, 1);
    const UserImportPlan change = user.planImport(c("2@1N4007@600@1 А@5@н/д@1@\r\n"), b.book);
    ASSERT_EQ(change.changes.size(), 1u);
    user.applyImport(plan);
    user.applyImport(change);
    EXPECT_TRUE(user.dirty());
    EXPECT_EQ(user.bytes(), c("2@1N4007@600@1 А@5@н/д@1@\r\n2@Д9В@30@90 мА@250@100@3@\r\n1@1N4007@чёрный@-@серое кольцо@1@\r\n"));
}

TEST(UserBook, ImportQuestionNamesEveryFigureThatChanges)
{
    Book b;
    const UserBook user = UserBook::parse(c("2@1N4007@1000@1 А@5@н/д@1@\r\n"), b.book);
    const UserImportPlan plan = user.planImport(c("2@1N4007@600@1 А@5@н/д@1@\r\n") +     // ours changes
                                                    c("2@Д9В@30@90 мА@250@100@3@\r\n") + // the book's changes
                                                    c("3@BZX55C5V1@4,8@5,1@5,4@5@н/д@н/д@0,5@60@5@н/д@1@\r\n"),
                                                b.book);
    const std::string text = utf8From1251(user.describeImport(plan, b.book));
    EXPECT_NE(text.find("добавятся ваши типы (1): BZX55C5V1 (стабилитроны)"), std::string::npos) << text;
    EXPECT_NE(text.find("изменятся данные (2):"), std::string::npos) << text;
    EXPECT_NE(text.find("\r1N4007 (диоды): Uобр (имп) В — с «1000» на «600»"), std::string::npos) << text;
    // Against the book's record: only the fields that differ, each with its column title.
    EXPECT_NE(text.find("\rД9В (диоды): I пр max (имп) А — с «10 мА» на «90 мА»; fд max — с «н/д» на «100»"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Uобр (имп) В — с «30»"), std::string::npos) << text;
}

namespace {

struct Folder {
    TempFolder dir;
    RecordingMessages messages;
    const RefTables book = embeddedTables();
    UserBookFile file;
    void open(bool readOnly = false) { file.open(dir.datapath(), readOnly, book, messages); }
    std::vector<std::string> said() const
    {
        std::vector<std::string> out;
        for (const auto &e : messages.entries)
            out.push_back(utf8From1251(e.text));
        return out;
    }
    struct timespec mtime() const
    {
        struct stat st {};
        EXPECT_EQ(::stat(dir.file(kUserBookFile).c_str(), &st), 0);
        return st.st_mtim;
    }
};

bool has(const std::string &text, const char *part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(UserBookFile, AFolderOpenedForViewingRefusesChangesAndWritesNothing)
{
    Folder f;
    const std::string bytes = c("2@КД103А@55@100 мА@н/д@н/д@2@\r\n");
    f.dir.write(kUserBookFile, bytes);
    const auto before = f.mtime();
    f.open(true);
    EXPECT_TRUE(f.messages.entries.empty());
    EXPECT_EQ(f.file.book().lines().size(), 1u); // read and shown all the same
    EXPECT_TRUE(has(utf8From1251(f.file.changeRefusal()), "только для просмотра"));
    EXPECT_TRUE(f.file.save(f.messages));
    // A change made past the refusal is still not written, and that is said.
    EXPECT_EQ(f.file.book().setField(f.book, 2, c("КД102А"), 2, "77"), "");
    EXPECT_FALSE(f.file.save(f.messages));
    ASSERT_EQ(f.said().size(), 1u);
    EXPECT_EQ(f.dir.read(kUserBookFile), bytes);
    EXPECT_EQ(f.mtime().tv_sec, before.tv_sec);
    EXPECT_EQ(f.mtime().tv_nsec, before.tv_nsec);

    // Without a file, none is made; a UTF-8 file is read but not converted.
    Folder none;
    none.open(true);
    EXPECT_TRUE(none.file.save(none.messages));
    EXPECT_FALSE(none.dir.exists(kUserBookFile));
    Folder utf8;
    utf8.dir.write(kUserBookFile, "2@КД103А@55@100 мА@н/д@н/д@2@\n");
    utf8.open(true);
    ASSERT_EQ(utf8.said().size(), 1u);
    EXPECT_TRUE(has(utf8.said()[0], "останется как есть")) << utf8.said()[0];
    EXPECT_TRUE(utf8.file.save(utf8.messages));
    EXPECT_EQ(utf8.dir.read(kUserBookFile), "2@КД103А@55@100 мА@н/д@н/д@2@\n");
}

TEST(UserBookFile, Utf8IsReadAsSuchAndWrittenBackIn1251OrRefusedByName)
{
    // As an editor on Linux saves it: UTF-8, LF.
    Folder f;
    f.dir.write(kUserBookFile, "2@Д9Б@12 В@90 мА@250@100@3@\n1@1N4007@чёрный@-@серое кольцо@1@\n");
    f.open();
    ASSERT_EQ(f.said().size(), 1u);
    EXPECT_EQ(f.messages.entries[0].kind, RecordingMessages::Entry::Inform);
    EXPECT_TRUE(has(f.said()[0], "UTF-8") && has(f.said()[0], "будет записан в Windows-1251")) << f.said()[0];
    ASSERT_EQ(f.file.book().lines().size(), 2u);
    EXPECT_TRUE(f.file.book().unreadable().empty());
    EXPECT_EQ(f.file.book().lines()[0].fields[1], c("12 В"));
    EXPECT_TRUE(f.file.needsSaving());
    EXPECT_TRUE(f.file.save(f.messages));
    const std::string converted = c("2@Д9Б@12 В@90 мА@250@100@3@\r\n1@1N4007@чёрный@-@серое кольцо@1@\r\n");
    EXPECT_EQ(f.dir.read(kUserBookFile), converted);
    EXPECT_FALSE(f.file.needsSaving());
    // Read again it is code page 1251: nothing to say.
    f.open();
    EXPECT_EQ(f.said().size(), 1u);
    EXPECT_FALSE(f.file.needsSaving());

    // A UTF-8 signature before ASCII text: UTF-8 too, the signature gone.
    Folder bom;
    bom.dir.write(kUserBookFile, "\xEF\xBB\xBF" "2@1N4007@1000@1 A@5@-@1@\r\n");
    bom.open();
    ASSERT_EQ(bom.file.book().lines().size(), 1u);
    EXPECT_EQ(bom.file.book().lines()[0].fields[0], "1N4007");
    EXPECT_TRUE(bom.file.save(bom.messages));
    EXPECT_EQ(bom.dir.read(kUserBookFile), "2@1N4007@1000@1 A@5@-@1@\r\n");

    // A character code page 1251 lacks: refused by name, the file left alone, changes refused.
    Folder cjk;
    const std::string text = "2@Д9Б@12 В@90 мА@250@100@3@\n2@1N4148@100@漢@4@-@1@\n";
    cjk.dir.write(kUserBookFile, text);
    cjk.open();
    ASSERT_EQ(cjk.said().size(), 1u);
    EXPECT_EQ(cjk.messages.entries[0].kind, RecordingMessages::Entry::Error);
    EXPECT_TRUE(has(cjk.said()[0], "UTF-8") && has(cjk.said()[0], "строке 2") && has(cjk.said()[0], "нет в кодировке Windows-1251")) << cjk.said()[0];
    EXPECT_TRUE(cjk.file.book().lines().empty());
    EXPECT_FALSE(cjk.file.changeRefusal().empty());
    EXPECT_TRUE(cjk.file.save(cjk.messages));
    EXPECT_EQ(cjk.dir.read(kUserBookFile), text);

    // Code page 1251 that is not UTF-8 stays as it was read, silently.
    Folder plain;
    plain.dir.write(kUserBookFile, c("2@Д9Б@12 В@90 мА@250@100@3@\r\n"));
    plain.open();
    EXPECT_TRUE(plain.said().empty());
    EXPECT_EQ(plain.file.book().lines()[0].fields[1], c("12 В"));
    EXPECT_FALSE(plain.file.needsSaving());
}

TEST(UserBookFile, AFileThatCannotBeReadIsSaidOnceAndNeverWritten)
{
    Folder f;
    std::string huge(kUserBookMax + 1, 'x');
    f.dir.write(kUserBookFile, huge);
    f.open();
    ASSERT_EQ(f.said().size(), 1u);
    const std::string said = f.said()[0];
    EXPECT_TRUE(has(said, "не прочитан") && has(said, "больше 1 МБ") && has(said, "оставлен как есть")) << said;
    EXPECT_FALSE(has(said, "прочитано только начало")) << said;
    EXPECT_TRUE(f.file.book().lines().empty());
    EXPECT_TRUE(has(utf8From1251(f.file.changeRefusal()), "не был прочитан"));
    EXPECT_TRUE(f.file.save(f.messages)); // nothing changed: nothing more to say
    EXPECT_EQ(f.said().size(), 1u);
    EXPECT_EQ(f.dir.read(kUserBookFile).size(), huge.size());

    // Over twenty unreadable lines: the list ends in an ellipsis of code page 1251.
    Folder junk;
    std::string lines;
    for (int i = 0; i < 21; ++i)
        lines += "junk\r\n";
    junk.dir.write(kUserBookFile, lines);
    junk.open();
    ASSERT_EQ(junk.said().size(), 1u);
    EXPECT_TRUE(has(junk.said()[0], "(строки 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, …)"))
        << junk.said()[0];
    EXPECT_FALSE(junk.file.needsSaving());
}
