#include "cp1251.h"
#include "mainfile.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>

using namespace vosk;

namespace {

std::string rec(const std::string &cat, const std::string &name, const std::string &qty, const std::string &desc)
{
    return cat + '\x01' + name + '\x01' + qty + '\x01' + desc;
}

} // namespace

TEST(MainFile, RecordLineFormatMatchesTheFileLayout)
{
    CompStore store;
    store.append(3, "100", 25, " ");
    EXPECT_EQ(writeMainFile(store), "3\x01" "100\x01" "25\x01 \r\n");
    CompStore empty;
    EXPECT_EQ(writeMainFile(empty), "");
}

TEST(MainFile, LoadThenSaveGivesTheSameBytes)
{
    const std::string bytes = rec("2", cp1251("4,7К"), "10", cp1251("МЛТ-0,25")) + "\r\n" +
                              rec("0", "x", "1", "a\x01" "b\x01") + "\r\n" + // separators inside the description
                              rec("12", cp1251("КТ315Б"), "0", "") + "\r\n";  // empty description, quantity 0
    CompStore store;
    const auto report = readMainFile(bytes, store);
    EXPECT_TRUE(report.unreadable.empty());
    ASSERT_EQ(store.compcount, 3);
    EXPECT_EQ(store.totalqty, 11u);
    EXPECT_EQ(store.name[1], cp1251("4,7К"));
    EXPECT_EQ(store.description[2], "a\x01" "b\x01");
    EXPECT_EQ(store.description[3], "");
    EXPECT_EQ(store.category[3], 12);
    EXPECT_EQ(writeMainFile(store), bytes);
}

TEST(MainFile, ShortLinesAreSkippedAndLineEndsFollowTheTextRules)
{
    // 6 characters: skipped; 7: a record with an empty name.
    const std::string six = rec("0", "", "1", " ");
    const std::string seven = rec("0", "", "12", " ");
    ASSERT_EQ(six.size(), 6u);
    ASSERT_EQ(seven.size(), 7u);
    CompStore store;
    readMainFile(six + "\r\n" + seven + "\r\n\r\n" + rec("1", "a", "2", "d"), store); // last line without CR LF
    ASSERT_EQ(store.compcount, 2);
    EXPECT_EQ(store.quantity[1], 12);
    EXPECT_EQ(store.name[2], "a");
    EXPECT_EQ(store.description[2], "d");

    // LF-only line ends do not end lines: the whole file is one record whose description
    // runs to the end.
    readMainFile(rec("1", "a", "2", "d") + "\n" + rec("1", "b", "3", "e") + "\n", store);
    ASSERT_EQ(store.compcount, 1);
    EXPECT_EQ(store.description[1], "d\n1\x01" "b\x01" "3\x01" "e\n");

    // 0x1A at the start of a line ends reading; what follows is written back after the records.
    const std::string withEof = rec("1", "a", "2", "d") + "\r\n\x1A" + rec("1", "b", "3", "e") + "\r\n";
    readMainFile(withEof, store);
    EXPECT_EQ(store.compcount, 1);
    EXPECT_EQ(writeMainFile(store), withEof);
}

TEST(MainFile, ARecordTooShortForAReaderIsPaddedNotLost)
{
    CompStore store;
    store.append(8, "", 5, " ");  // 6 characters as written plainly
    store.append(8, "D", 5, "");  // likewise
    store.append(12, "", 5, " "); // already 7
    const std::string bytes = writeMainFile(store);
    EXPECT_EQ(bytes, "08\x01\x01" "5\x01 \r\n" "08\x01" "D\x01" "5\x01\r\n" "12\x01\x01" "5\x01 \r\n");
    CompStore again;
    readMainFile(bytes, again);
    ASSERT_EQ(again.compcount, 3);
    EXPECT_EQ(again.category[1], 8);
    EXPECT_EQ(again.name[2], "D");
    EXPECT_EQ(writeMainFile(again), bytes);
}

TEST(MainFile, NumbersKeepTheirLow16Bits)
{
    CompStore store;
    readMainFile(rec("65536", "a", "65537", " ") + "\r\n" + rec("65535", "b", "65535", " "), store);
    ASSERT_EQ(store.compcount, 2);
    EXPECT_EQ(store.category[1], 0);
    EXPECT_EQ(store.quantity[1], 1);
    EXPECT_EQ(store.category[2], 65535);
    EXPECT_EQ(store.totalqty, 65536u);
}

TEST(MainFile, UnreadableLinesAreReportedAndWrittenBackInPlace)
{
    const std::string good1 = rec("1", "a", "2", "d");
    const std::string noSeps = "just some text here";
    const std::string badCat = rec("x1", "b", "2", "d");
    const std::string badQty = rec("1", "b", "2a", "d");
    const std::string good2 = rec("2", "c", "5", "e");
    const std::string bytes = good1 + "\r\n" + noSeps + "\r\n" + badCat + "\r\n" + good2 + "\r\n" + badQty + "\r\n";
    CompStore store;
    const auto report = readMainFile(bytes, store);
    EXPECT_EQ(report.unreadable, (std::vector<int>{2, 3, 5}));
    ASSERT_EQ(store.compcount, 2);
    EXPECT_EQ(store.totalqty, 7u);
    EXPECT_EQ(writeMainFile(store), bytes);

    // Records removed meanwhile: the kept lines still all come back, none lost.
    store.compcount = 0;
    const std::string after = writeMainFile(store);
    EXPECT_EQ(after, noSeps + "\r\n" + badCat + "\r\n" + badQty + "\r\n");
}

TEST(MainFile, RecordsBeyondCapacityAreKeptNotLost)
{
    std::string bytes;
    for (int i = 0; i < CompStore::kMaxRecords + 2; ++i)
        bytes += rec("1", std::to_string(i), "1", " ") + "\r\n";
    CompStore store;
    const auto report = readMainFile(bytes, store);
    EXPECT_EQ(store.compcount, CompStore::kMaxRecords);
    EXPECT_EQ(report.overflow.size(), 2u);
    EXPECT_FALSE(store.append(1, "z", 1, " "));
    EXPECT_EQ(writeMainFile(store), bytes);
}

TEST(CompStore, DropemptyRemovesTheFirstEmptyRecordByMovingTheLastOne)
{
    CompStore store;
    for (uint16_t q : {5, 0, 7, 0})
        store.append(1, "r" + std::to_string(q), q, " ");
    store.setName(4, "last");
    EXPECT_TRUE(store.dropempty());
    EXPECT_EQ(store.compcount, 3);
    EXPECT_EQ(store.name[2], "last"); // slot 4 (quantity 0) moved into slot 2
    EXPECT_EQ(store.quantity[2], 0);
    EXPECT_TRUE(store.dropempty());
    EXPECT_EQ(store.compcount, 2);
    EXPECT_EQ(store.quantity[2], 7);
    EXPECT_FALSE(store.dropempty());
    EXPECT_EQ(store.compcount, 2);

    CompStore tailOnly; // the only empty record is the last: nothing copied
    tailOnly.append(1, "a", 3, " ");
    tailOnly.append(1, "b", 0, " ");
    EXPECT_TRUE(tailOnly.dropempty());
    EXPECT_EQ(tailOnly.compcount, 1);
    EXPECT_EQ(tailOnly.name[1], "a");
}

TEST(CompStore, ZeropadGivesTwoDigitIconNumbers)
{
    EXPECT_EQ(zeropad(0) + "0", "00");
    EXPECT_EQ(zeropad(9), "0");
    EXPECT_EQ(zeropad(-3), "0");
    EXPECT_EQ(zeropad(10), "");
    EXPECT_EQ(zeropad(100), "");
}

TEST(MainFile, ALineTooLongForARecordIsKeptUnchangedButNotLoaded)
{
    std::string bytes = "1\x01" "a\x01" "3\x01 \r\n";
    std::string huge = "1\x01" "huge\x01" "5\x01";
    huge.append(kMaxRecordLine, 'x');
    bytes += huge + "\r\n" + "2\x01" "b\x01" "4\x01 \r\n";
    CompStore store;
    const MainFileReport report = readMainFile(bytes, store);
    EXPECT_EQ(store.compcount, 2);
    EXPECT_EQ(store.totalqty, 7u);
    EXPECT_EQ(report.unreadable, (std::vector<int>{2}));
    EXPECT_EQ(writeMainFile(store), bytes);
}

namespace {

struct Fields {
    uint16_t category = 0;
    std::string name;
    uint16_t quantity = 0;
    std::string description;
};

// The record layout read byte by byte: digits, separator, name, separator, digits,
// separator, description; numbers keep their low 16 bits.
std::optional<Fields> readByBytes(std::string_view line)
{
    std::size_t i = 0;
    auto number = [&](uint16_t &out) {
        const std::size_t begin = i;
        uint32_t v = 0;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9')
            v = (v * 10 + static_cast<uint32_t>(line[i++] - '0')) % 65536;
        if (i == begin || i == line.size() || line[i] != '\x01')
            return false;
        ++i;
        out = static_cast<uint16_t>(v);
        return true;
    };
    Fields f;
    if (!number(f.category))
        return std::nullopt;
    const std::size_t sep = line.find('\x01', i);
    if (sep == std::string_view::npos)
        return std::nullopt;
    f.name = std::string(line.substr(i, sep - i));
    i = sep + 1;
    if (!number(f.quantity))
        return std::nullopt;
    f.description = std::string(line.substr(i));
    return f;
}

} // namespace

// The reader takes eight bytes at a time where it can: every length of every field, digits
// next to the bytes that are not digits ('/' and ':' on either side of them, bytes above 0x7F),
// numbers up to ten digits, separators missing or doubled, lines ending anywhere.
TEST(MainFile, LinesReadAsTheirBytesSayWhateverTheFieldLengths)
{
    std::mt19937 rng(20261208);
    const std::string alphabet = std::string("0123456789/:\x01 aZ") + "\xCA\xB9\x80\xFF\xB0\xB9";
    auto piece = [&](int maxLength, bool digitsOnly) {
        std::string s;
        const int n = static_cast<int>(rng() % static_cast<unsigned>(maxLength + 1));
        for (int k = 0; k < n; ++k)
            s += digitsOnly && rng() % 8 != 0 ? static_cast<char>('0' + rng() % 10) : alphabet[rng() % alphabet.size()];
        return s;
    };
    int readable = 0;
    CompStore store;
    for (int round = 0; round < 20000; ++round) {
        std::string line = piece(11, true) + '\x01' + piece(12, false) + '\x01' + piece(11, true) + '\x01' +
                           piece(20, false);
        if (rng() % 4 == 0)
            line.resize(rng() % (line.size() + 1)); // cut anywhere
        const bool read = parseline(line, store, 1);
        const std::optional<Fields> expected = readByBytes(line);
        ASSERT_EQ(read, expected.has_value()) << round;
        if (!read)
            continue;
        ++readable;
        ASSERT_EQ(store.category[1], expected->category) << round;
        ASSERT_EQ(store.name[1], expected->name) << round;
        ASSERT_EQ(store.quantity[1], expected->quantity) << round;
        ASSERT_EQ(store.description[1], expected->description) << round;
    }
    EXPECT_GT(readable, 2000); // both outcomes were tried many times
    EXPECT_LT(readable, 18000);
}

// The reader finds lines and separators 64 bytes at a time: a whole file of such lines, with
// every kind of line end and lines falling anywhere across those blocks, reads as its lines
// one by one do.
TEST(MainFile, AWholeFileReadsAsItsLinesOneByOne)
{
    std::mt19937 rng(7);
    const std::string alphabet = std::string("0123456789\x01\x01\n aZ") + "\xCA\xB9\xFF";
    for (int round = 0; round < 40; ++round) {
        std::string bytes;
        std::vector<std::string> lines;
        const int count = 1 + static_cast<int>(rng() % 200);
        for (int k = 0; k < count; ++k) {
            std::string line;
            if (rng() % 3 != 0)
                line = std::to_string(rng() % 70000) + '\x01' + std::string(rng() % 40, 'n') + '\x01' +
                       std::to_string(rng() % 999) + '\x01' + std::string(rng() % 90, 'd');
            for (int n = static_cast<int>(rng() % 12); n > 0; --n)
                line.insert(rng() % (line.size() + 1), 1, alphabet[rng() % alphabet.size()]);
            if (!line.empty() && line[0] == '\n')
                line[0] = ' '; // after a CR it would belong to the line end
            lines.push_back(line);
            bytes += line;
            if (k + 1 < count || rng() % 2)
                bytes += rng() % 2 ? "\r\n" : "\r";
        }
        const bool withTail = rng() % 4 == 0;
        if (withTail)
            bytes += "\x1A" "rest\r\n";
        CompStore store;
        const MainFileReport report = readMainFile(bytes, store);
        int slot = 0;
        std::vector<int> unreadable;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            if (lines[k].size() < 7)
                continue;
            const std::optional<Fields> f = readByBytes(lines[k]);
            if (!f) {
                unreadable.push_back(static_cast<int>(k + 1));
                continue;
            }
            ++slot;
            ASSERT_EQ(store.category[slot], f->category) << round << ' ' << k;
            ASSERT_EQ(store.name[slot], f->name) << round << ' ' << k;
            ASSERT_EQ(store.quantity[slot], f->quantity) << round << ' ' << k;
            ASSERT_EQ(store.description[slot], f->description) << round << ' ' << k;
        }
        EXPECT_EQ(store.compcount, slot) << round;
        EXPECT_EQ(report.unreadable, unreadable) << round;
        EXPECT_EQ(store.tail, withTail ? "\x1A" "rest\r\n" : "") << round;
    }
}

// Text of removed and renamed records is given back once it outweighs the rest; the records
// keep theirs, and a copy of the store keeps its own whatever the original does.
TEST(CompStore, TextOfGoneRecordsIsFreedAndRecordsKeepTheirs)
{
    CompStore store;
    readMainFile(rec("1", "first", "1", "from the file") + "\r\n" + rec("2", "second", "0", "") + "\r\n", store);
    const CompStore copy = store;
    const std::string longName(200, 'x');
    for (int round = 0; round < 20000; ++round) {
        store.append(3, longName + std::to_string(round), 0, "gone");
        ASSERT_TRUE(store.dropempty()); // the record of quantity 0 in slot 2 goes first...
        store.setName(2, std::to_string(round));
    }
    ASSERT_EQ(store.compcount, 2);
    EXPECT_EQ(store.name[1], "first");
    EXPECT_EQ(store.description[1], "from the file");
    EXPECT_EQ(store.name[2], "19999");
    EXPECT_EQ(store.description[2], "gone");
    EXPECT_EQ(writeMainFile(store), rec("1", "first", "1", "from the file") + "\r\n" + rec("3", "19999", "0", "gone") + "\r\n");
    EXPECT_EQ(copy.name[2], "second");
    EXPECT_EQ(copy.description[1], "from the file");
}
