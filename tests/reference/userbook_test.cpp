#include "reffixture.h"
#include "userbook.h"

#include <gtest/gtest.h>

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
