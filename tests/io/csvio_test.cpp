#include "csvio.h"
#include "iofixture.h"
#include "mainfile.h"
#include "valuetext.h"

using namespace vosk;

namespace {

std::string u8(const std::string &s) { return utf8From1251(s); }

std::string refusals(const ImportPlan &p)
{
    std::string out;
    for (const ImportRefusal &r : p.refused)
        out += std::to_string(r.line) + ": " + u8(r.reason) + "\n";
    return out;
}

// Line numbers of the refused rows.
std::vector<int64_t> refusedLines(const ImportPlan &p)
{
    std::vector<int64_t> out;
    for (const ImportRefusal &r : p.refused)
        out.push_back(r.line);
    return out;
}

} // namespace

TEST(CsvExport, RoundTripOfTheBundledStockGivesMainDatByteForByte)
{
    test::Bundled data;
    const std::string csv = exportCsv(data.store, data.categories, allSlots(data.store));
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "category,category_name,name,quantity,description");
    // The first record of main.dat, quoted where a comma stands.
    EXPECT_NE(csv.find("1,\"Резисторы 0,125 Вт\",\"1,2К\",15,\"МЛТ-0,125\"\r\n"), std::string::npos);

    CompStore empty;
    const ImportPlan plan = planImport(empty, data.categories, csv);
    ASSERT_TRUE(plan.usable()) << u8(plan.fileError);
    EXPECT_EQ(plan.refusedCount, 0u) << refusals(plan);
    EXPECT_EQ(plan.rowsRead, data.store.compcount);
    EXPECT_EQ(plan.adds(), data.store.compcount);
    EXPECT_TRUE(plan.utf8);
    EXPECT_FALSE(plan.cp1251);
    EXPECT_EQ(empty.compcount, 0); // planning changes nothing

    const ImportOutcome done = applyImport(empty, plan);
    EXPECT_TRUE(done.complete);
    EXPECT_EQ(done.added, data.store.compcount);
    EXPECT_EQ(empty.totalqty, data.store.totalqty);
    EXPECT_EQ(writeMainFile(empty), data.mainBytes);
}

TEST(CsvExport, RoundTripOfAwkwardTextsAndTheSameFileImportedTwiceDoublesTheStock)
{
    const auto cats = test::smallCategories();
    CompStore store;
    store.append(8, cp1251("КД \"522\", А"), 3, cp1251("описание, с запятой; и \"кавычками\""));
    store.append(8, cp1251("  отступ"), 1, cp1251("хвост  "));
    store.append(8, cp1251("Ёё №"), 65535, " ");
    store.append(2, cp1251("4,7К"), 2, cp1251("МЛТ"));
    store.append(0, "x", 7, "\x01\x01"); // a description may hold the separator when read from main.dat
    store.append(5, cp1251("0,1мкф"), 1, cp1251("К73"));
    const std::string csv = exportCsv(store, cats, allSlots(store));

    CompStore copy;
    ImportPlan plan = planImport(copy, cats, csv);
    // The separator in a description cannot be stored by an add: refused, with its line.
    ASSERT_EQ(plan.refusedCount, 1u) << refusals(plan);
    EXPECT_EQ(plan.refused[0].line, 6);
    applyImport(copy, plan);
    store.movelast(5); // the same store without that record
    store.compcount = 5;
    store.totalqty -= 7;
    EXPECT_EQ(writeMainFile(copy), writeMainFile(store));

    // The same file again merges into every record: but 65535 + 65535 is refused.
    plan = planImport(copy, cats, csv);
    EXPECT_EQ(plan.adds(), 0u);
    EXPECT_EQ(plan.merges(), 4u);
    EXPECT_EQ(refusedLines(plan), (std::vector<int64_t>{4, 6})) << refusals(plan);
    applyImport(copy, plan);
    EXPECT_EQ(copy.quantity[1], 6);
    EXPECT_EQ(copy.quantity[3], 65535);
}

TEST(CsvImport, QuotedFieldsSeparatorsEncodingsAndLineNumbers)
{
    const auto cats = test::smallCategories();
    CompStore store;
    store.append(2, cp1251("4,7К"), 10, cp1251("МЛТ"));

    // Quoted commas and a quoted line break: the break is refused (it cannot be stored), and
    // the rows after it keep the spreadsheet's row numbers (a cell of two lines is one row, an
    // empty line is a blank row, skipped).
    const std::string csv = "category,category_name,name,quantity,description\r\n"
                            "2,,\"4,7k\",5,МЛТ\r\n"
                            "8,,\"КД522, Б\",2,\"две\r\nстроки\"\r\n"
                            "8,,\"КД522 \"\"А\"\"\",1,\"запятая, внутри\"\n"
                            "\r\n"
                            "8,,КД510А,x,\r\n";
    ImportPlan plan = planImport(store, cats, csv);
    ASSERT_TRUE(plan.usable());
    EXPECT_EQ(plan.rowsRead, 5u);
    EXPECT_EQ(plan.skippedBlank, 1u);
    EXPECT_EQ(refusedLines(plan), (std::vector<int64_t>{3, 6})) << refusals(plan);
    ASSERT_EQ(plan.entries.size(), 2u);
    EXPECT_EQ(plan.entries[0].slot, 1); // «4,7k» is the stored «4,7К»
    EXPECT_EQ(plan.entries[0].before, 10);
    EXPECT_EQ(plan.entries[0].line, 2);
    EXPECT_EQ(u8(plan.entries[1].key.name), "КД522 \"А\"");
    EXPECT_EQ(u8(plan.entries[1].key.description), "запятая, внутри");
    EXPECT_EQ(plan.entries[1].line, 4);

    // What a spreadsheet on a Russian system writes: `;`, code page 1251, Russian headers in
    // another order, the category by name, an empty description.
    const std::string ru = cp1251("Количество;Название;Раздел;Описание\r\n"
                                  "3;4K7;x;\r\n"
                                  "3;4,7к;резисторы 0,25;\r\n"
                                  "1;1N4148;Диоды;\r\n");
    plan = planImport(store, cats, ru);
    ASSERT_TRUE(plan.usable()) << u8(plan.fileError);
    EXPECT_EQ(plan.separator, ';');
    EXPECT_TRUE(plan.cp1251);
    EXPECT_EQ(refusedLines(plan), (std::vector<int64_t>{2})) << refusals(plan); // no category «x»
    ASSERT_EQ(plan.entries.size(), 2u);
    EXPECT_EQ(plan.entries[0].key.category, 2);
    EXPECT_EQ(u8(plan.entries[0].key.name), "4,7К");
    EXPECT_EQ(plan.entries[0].key.description, " "); // not the record «МЛТ»: a new one
    EXPECT_EQ(plan.entries[0].slot, 0);
    EXPECT_EQ(plan.entries[1].key.category, 8);

    // Mixed encodings without a BOM: each row is read in its own; both rows are one record.
    const std::string mixed = "category,name,quantity\r\n8,Д9Б,1\r\n" + cp1251("8,Д9Б,2\r\n");
    plan = planImport(store, cats, mixed);
    ASSERT_EQ(plan.entries.size(), 1u) << refusals(plan);
    EXPECT_EQ(u8(plan.entries[0].key.name), "Д9Б");
    EXPECT_EQ(plan.entries[0].quantity, 3u);
    EXPECT_EQ(plan.entries[0].rows, 2);
    EXPECT_TRUE(plan.utf8 && plan.cp1251);

    // With a BOM the file is UTF-8: a code page 1251 row and a character the code page lacks
    // are refused.
    const std::string bom = "\xEF\xBB\xBF" "category,name,quantity\r\n8,Д9Б,1\r\n" + cp1251("8,Д9Б,2\r\n") +
                            "8,Ω-диод,1\r\n";
    plan = planImport(store, cats, bom);
    EXPECT_EQ(refusedLines(plan), (std::vector<int64_t>{3, 4})) << refusals(plan);
    EXPECT_EQ(plan.entries.size(), 1u);

    // Without a header: the columns of an export.
    plan = planImport(store, cats, "8,Диоды,Д9Б,4,германий\r\n");
    ASSERT_EQ(plan.entries.size(), 1u) << u8(plan.fileError) << refusals(plan);
    EXPECT_EQ(plan.entries[0].quantity, 4u);
}

TEST(CsvImport, EveryRowPassesTheRulesOfTyping)
{
    const auto cats = test::smallCategories();
    CompStore store;
    store.append(8, cp1251("Д9Б"), 65000, " ");
    const std::string csv = "category,category_name,name,quantity,description\r\n"
                            "2,,abc,1,\r\n"           // 2 no value
                            "2,,\"1,2,3К\",1,\r\n"     // 3 two commas
                            "4,,4,7К,1,\r\n"          // 4 a resistance among capacitors (unquoted: 6 fields)
                            "4,,\"4,7К\",1,\r\n"      // 5 the same, quoted
                            "9,,Д9Б,1,\r\n"           // 6 no category 9
                            "8,Резисторы,Д9Б,1,\r\n"  // 7 category 8 has another name here
                            "8,,Д9Б,0,\r\n"           // 8 quantity 0
                            "8,,Д9Б,70000,\r\n"       // 9 too many
                            "8,,Д9Б,-1,\r\n"          // 10 negative
                            "8,,,1,\r\n"              // 11 empty name
                            "8,,Д9Б,500,\r\n"         // 12 fine: 65500
                            "8,,Д9Б,36,\r\n"          // 13 65536: refused
                            "8,,Д9Б,35,\r\n"          // 14 65535: fine
                            "8,,\"a\x1A\",1,\r\n"     // 15 end-of-file byte
                            ",диоды,Д9Б,1,лишний\r\n"; // 16 category by its name, letter case ignored
    const ImportPlan plan = planImport(store, cats, csv);
    ASSERT_TRUE(plan.usable());
    // Line 4 is unquoted: «4» and «7К» become two fields, and the quantity column holds «7К».
    EXPECT_EQ(refusedLines(plan), (std::vector<int64_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15})) << refusals(plan);
    ASSERT_EQ(plan.entries.size(), 2u);
    EXPECT_EQ(plan.entries[0].quantity, 535u);
    EXPECT_EQ(plan.entries[0].rows, 2);
    EXPECT_EQ(plan.entries[0].slot, 1);
    EXPECT_EQ(plan.entries[0].line, 12);
    EXPECT_EQ(plan.entries[1].slot, 0);
    EXPECT_EQ(plan.entries[1].key.category, 8);
    // In the words the value search and the bill of materials use for a word they cannot read.
    EXPECT_EQ(u8(plan.refused[1].reason), "«1,2,3К» не читается как номинал: нужно число и множитель или единица, "
                                          "например 4,7К, 4k7, 470R, 100нф, 0,1мкф или 100n.");

    CompStore after = store;
    const ImportOutcome done = applyImport(after, plan);
    EXPECT_EQ(done.merged, 1u);
    EXPECT_EQ(done.added, 1u);
    EXPECT_EQ(after.quantity[1], 65535);
    EXPECT_EQ(after.compcount, 2);
}

TEST(CsvImport, ASpreadsheetsDecimalPointIsADecimalMark)
{
    const auto cats = test::smallCategories();
    CompStore store;
    const ImportPlan plan = planImport(store, cats,
                                       "category,category_name,name,quantity,description\r\n"
                                       "2,,4.7k,1,\r\n"
                                       "4,,0.1uF,2,\r\n"
                                       "2,,\"4,7К\",3,\r\n");
    ASSERT_TRUE(plan.usable());
    ASSERT_EQ(plan.entries.size(), 2u) << refusals(plan); // «4.7k» is the same part as «4,7К»
    EXPECT_EQ(u8(plan.entries[0].key.name), "4,7К");
    EXPECT_EQ(plan.entries[0].quantity, 4u);
    EXPECT_EQ(u8(plan.entries[1].key.name), "0,1мкф"); // as «0,1мкф» typed by hand is stored
}

TEST(CsvImport, RefusedFilesAndAFullStore)
{
    const auto cats = test::smallCategories();
    CompStore store;
    for (const char *bytes : {"", "\xEF\xBB\xBF", "\r\n\r\n"})
        EXPECT_EQ(u8(planImport(store, cats, bytes).fileError), "Файл пуст.") << bytes;
    EXPECT_EQ(u8(planImport(store, cats, "category,name,quantity\r\n").fileError),
              "В файле только заголовок, строк с деталями нет.");
    EXPECT_FALSE(planImport(store, cats, "category,name,quantity\r\n8,\"open,1\r\n8,b,1\r\n").usable());
    EXPECT_FALSE(planImport(store, cats, "name,description\r\nx,y\r\n").usable());
    EXPECT_FALSE(planImport(store, cats, "just one field\r\n").usable());
    const ImportPlan bad = planImport(store, cats, "category,name,quantity\r\n8,\"open,1\r\n");
    EXPECT_TRUE(bad.entries.empty());
    EXPECT_EQ(applyImport(store, bad).added, 0u);
    EXPECT_EQ(store.compcount, 0);

    // A store with room for one more record.
    for (int i = 1; i < CompStore::kMaxRecords; ++i)
        store.append(8, "p" + std::to_string(i), 1, " ");
    const ImportPlan plan = planImport(store, cats, "category,name,quantity\r\n8,new1,1\r\n8,p7,1\r\n8,new2,1\r\n8,new1,4\r\n");
    EXPECT_EQ(refusedLines(plan), (std::vector<int64_t>{4})) << refusals(plan);
    ASSERT_EQ(plan.entries.size(), 2u);
    EXPECT_EQ(plan.entries[0].quantity, 5u);
    applyImport(store, plan);
    EXPECT_EQ(store.compcount, CompStore::kMaxRecords);
    EXPECT_EQ(store.quantity[7], 2);
}

TEST(CsvImport, AHundredMegabytesAreStreamedInBoundedMemory)
{
    const auto cats = test::smallCategories();
    CompStore store;
    CsvImporter importer(store, cats);
    importer.feed("category,name,quantity,description\r\n");
    // 70,000 different names over and over: the store fills at 65,535, every later new name
    // is refused, the rest merge. The file is made piece by piece and never held whole; long
    // descriptions keep the row count (and the test's time) modest.
    const std::string description = "\"" + std::string(180, 'x') + ", quoted\"";
    uint64_t rows = 0, fed = 0;
    std::string chunk;
    while (fed < (100u << 20)) {
        chunk.clear();
        while (chunk.size() < (64u << 10)) {
            chunk += "8,part" + std::to_string(rows % 70000) + ",1," + description + "\r\n";
            ++rows;
        }
        importer.feed(chunk);
        fed += chunk.size();
    }
    const ImportPlan plan = importer.finish();
    ASSERT_TRUE(plan.usable()) << u8(plan.fileError);
    EXPECT_EQ(plan.rowsRead, rows);
    EXPECT_EQ(plan.entries.size(), static_cast<size_t>(CompStore::kMaxRecords));
    const uint64_t passes = rows / 70000, rest = rows % 70000;
    const uint64_t refusedNew = passes * (70000 - 65535) + (rest > 65535 ? rest - 65535 : 0);
    EXPECT_EQ(plan.refusedCount, refusedNew);
    EXPECT_EQ(plan.refused.size(), ImportPlan::kListedRefusals);
    EXPECT_EQ(plan.refused.front().line, 2 + 65535); // after the header and the first 65,535 rows
    EXPECT_EQ(plan.parts(), rows - refusedNew);
}

TEST(CsvImport, ControlBytesMakeNoNewRecordButAnOldRecordHoldingThemStaysUsable)
{
    const auto cats = test::smallCategories();
    CompStore store;
    // An older main.dat may hold a tab in a record: it is still added to and taken from.
    store.append(8, "old\tone", 2, " ");
    std::string csv = "category,name,quantity,description\r\n";
    for (const char c : {'\x00', '\x07', '\x1B', '\t', '\b', '\x7F', '\x1F'})
        csv += "8,KT" + std::string(1, c) + "315,1,x\r\n";   // lines 2-8: in the name
    csv += std::string("8,KT315,1,d\x1B\r\n");               // 9: in the description
    csv += "8,\"old\tone\",3,\r\n8,KT315,1,\r\n";            // 10, 11: fine
    const ImportPlan plan = planImport(store, cats, csv);
    ASSERT_TRUE(plan.usable()) << u8(plan.fileError);
    EXPECT_EQ(refusedLines(plan), (std::vector<int64_t>{2, 3, 4, 5, 6, 7, 8, 9})) << refusals(plan);
    EXPECT_EQ(u8(plan.refused[3].reason), "В названии есть управляющий символ (код 9): в базу записываются только печатные символы.");
    EXPECT_NE(u8(plan.refused[7].reason).find("В описании есть управляющий символ (код 27)"), std::string::npos);
    ASSERT_EQ(plan.entries.size(), 2u);
    EXPECT_EQ(plan.entries[0].slot, 1);

    // The same rule on the path of typing and the command line: no new record, the old one
    // takes parts in and gives them out, and an empty description is stored as a blank.
    ViewList view;
    EXPECT_TRUE(changeStock(store, view, makeStockKey(8, "new\x07", ""), 1, false).refused);
    EXPECT_EQ(store.compcount, 1);
    EXPECT_FALSE(changeStock(store, view, makeStockKey(8, "old\tone", ""), 1, false).refused);
    EXPECT_EQ(changeStock(store, view, makeStockKey(8, "old\tone", ""), 3, true).moved, 3u);
    EXPECT_EQ(store.compcount, 0);
}

// A store holding records more than once: each entry that adds to such a record is counted
// and the first ones named, once for the whole import, not one "Detected double" per entry.
TEST(CsvImport, RecordsHeldMoreThanOnceAreCountedAndNamedOnce)
{
    const auto cats = test::smallCategories();
    CompStore store;
    for (int k = 0; k < 3; ++k)
        store.append(8, "KD1", 1, "a");
    store.append(8, "KD1", 1, "b"); // another description: no twin
    store.append(8, "KD2", 1, " ");
    store.append(8, "KD2", 1, " ");
    for (int k = 0; k < 30; ++k) { // many twins: only the first are named
        store.append(8, "T" + std::to_string(k), 1, " ");
        store.append(8, "T" + std::to_string(k), 1, " ");
    }
    std::string csv = "category,name,quantity,description\r\n8,KD1,2,a\r\n8,KD1,1,b\r\n8,KD2,5,\r\n8,KD3,1,\r\n8,KD1,1,a\r\n";
    for (int k = 0; k < 30; ++k)
        csv += "8,T" + std::to_string(k) + ",1,\r\n";
    const ImportPlan plan = planImport(store, cats, csv);
    ASSERT_TRUE(plan.usable());
    EXPECT_EQ(plan.doubles, 32u); // KD1 a (two rows, one entry), KD2, T0..T29
    ASSERT_EQ(plan.doubled.size(), ImportPlan::kListedDoubles);
    EXPECT_EQ(plan.entries[plan.doubled[0]].key.name, "KD1");
    EXPECT_EQ(plan.entries[plan.doubled[1]].key.name, "KD2");
    const std::string text = u8(importDoublesText(plan, cats));
    EXPECT_NE(text.find("строк таких: 32."), std::string::npos) << text;
    EXPECT_NE(text.find("«KD1» (Диоды, a)"), std::string::npos) << text;
    EXPECT_NE(text.find("«KD2» (Диоды)"), std::string::npos) << text;
    EXPECT_NE(text.find("и еще 22"), std::string::npos) << text;
    EXPECT_EQ(text.find("KD3"), std::string::npos) << text;

    const ImportOutcome done = applyImport(store, plan);
    EXPECT_TRUE(done.complete);
    EXPECT_EQ(done.doubles, 32u);
    EXPECT_TRUE(done.messages.empty()); // no "Detected double" per entry
    EXPECT_EQ(store.quantity[1], 4);    // the first twin gets the parts
    EXPECT_EQ(store.quantity[2], 1);
    EXPECT_EQ(store.quantity[5], 6);

    CompStore single;
    single.append(8, "KD1", 1, "a");
    EXPECT_EQ(importDoublesText(planImport(single, cats, csv), cats), "");
}

// The sheet of tests/io/spreadsheets as LibreOffice Calc saved it, against the bundled stock:
// every text form plans the same; the spreadsheet files themselves are refused by what they are.
TEST(CsvImport, TheSpreadsheetCorpusAsCalcSavedIt)
{
    const test::Bundled b;
    const std::string dir = VOSK_SOURCE_DIR "/tests/io/spreadsheets/";
    for (const char *name : {"sheet-semicolon-cp1251.csv", "sheet-comma-utf8.csv", "sheet-comma-utf8-bom.csv",
                             "sheet-tab-utf8.txt"}) {
        SCOPED_TRACE(name);
        const ReadResult file = readFileBytes(dir + name);
        ASSERT_EQ(file.status, ReadStatus::Ok);
        const ImportPlan plan = planImport(b.store, b.categories, file.bytes);
        ASSERT_TRUE(plan.usable()) << u8(plan.fileError);
        // «Раздел», «Наименование», «Кол-во», «Примечание».
        EXPECT_EQ(plan.columns, (std::vector<ImportField>{ImportField::Category, ImportField::Name,
                                                          ImportField::Quantity, ImportField::Description}));
        EXPECT_EQ(plan.rowsRead, 6u);
        EXPECT_EQ(u8(plan.skippedSummary()), "пропущено: 1 пустая строка, 1 строка «Итого»");
        // Spreadsheet rows: the cell of two lines (row 3, refused: a line break cannot be
        // stored) is one row. «2,2 кОм» is read as the value search reads it: the stock's «2,2К».
        EXPECT_EQ(refusedLines(plan), (std::vector<int64_t>{3})) << refusals(plan);
        ASSERT_EQ(plan.entries.size(), 3u);
        EXPECT_EQ(plan.entries[0].line, 2);
        EXPECT_EQ(plan.entries[0].slot, b.slot(2, "2,2К", "МЛТ-0,25"));
        EXPECT_EQ(plan.entries[1].line, 4);
        EXPECT_EQ(plan.entries[1].slot, b.slot(11, "КТ315Б", "npn"));
        EXPECT_EQ(plan.entries[2].line, 6);
        EXPECT_EQ(plan.entries[2].slot, b.slot(9, "КС156А", "5,6В"));
        EXPECT_EQ(plan.skipped.back().line, 7);
    }
    for (const auto &[name, kind] : {std::pair{"sheet.xlsx", "Это книга Excel (.xlsx), а не текст CSV."},
                                     std::pair{"sheet.ods", "Это таблица OpenDocument (.ods), а не текст CSV."},
                                     std::pair{"sheet.xls", "Это файл Excel 97–2003 (.xls), а не текст CSV."}}) {
        const ImportPlan plan = planImport(b.store, b.categories, readFileBytes(dir + name).bytes);
        EXPECT_EQ(u8(plan.fileError).rfind(kind, 0), 0u) << name << ": " << u8(plan.fileError);
        EXPECT_NE(u8(plan.fileError).find("Текст CSV (.csv)"), std::string::npos);
    }
}

TEST(CsvImport, HeaderWordsAndRowsThatAreNoParts)
{
    const auto cats = test::smallCategories();
    CompStore store;
    // Case, blanks and punctuation free; a rank-2 word gives way («Корпус» to «Примечание»).
    ImportPlan plan = planImport(store, cats, cp1251("КАТЕГОРИЯ\tкол. во\t Название \tКорпус\tПримечание\r\n"
                                                     "8\t2\tКД522Б\tDO-35\tимпульсный\r\n"
                                                     "Диоды\t\t\t\t\r\n"           // a heading
                                                     "категория\tкол-во\tназвание\t\t\r\n" // the header again
                                                     "ВСЕГО:\t2\t\t\t\r\n"));
    ASSERT_TRUE(plan.usable()) << u8(plan.fileError);
    EXPECT_EQ(plan.separator, '\t');
    ASSERT_EQ(plan.entries.size(), 1u);
    EXPECT_EQ(u8(plan.entries[0].key.description), "импульсный");
    EXPECT_EQ(u8(plan.skippedSummary()), "пропущено: 1 строка «ВСЕГО:», 2 строки-заголовка");
    EXPECT_EQ(plan.acceptedRows(), 1u);

    // Two columns for the name cannot be told apart: the user chooses, given the first rows.
    const std::string both = cp1251("Раздел;Наименование;Номинал;Кол-во\r\n2;Резистор;4,7к;3\r\n");
    plan = planImport(store, cats, both);
    EXPECT_FALSE(plan.usable());
    EXPECT_TRUE(plan.needsColumns);
    EXPECT_NE(u8(plan.fileError).find("«Наименование» и «Номинал»"), std::string::npos) << u8(plan.fileError);
    ASSERT_EQ(plan.sample.size(), 1u);
    EXPECT_EQ(u8(plan.sample[0][2]), "4,7к");
    plan = planImport(store, cats, both,
                      {ImportField::Category, ImportField::Ignore, ImportField::Name, ImportField::Quantity});
    ASSERT_EQ(plan.entries.size(), 1u) << u8(plan.fileError) << refusals(plan);
    EXPECT_EQ(u8(plan.entries[0].key.name), "4,7К");
    // A needed column missing is asked for as well.
    EXPECT_TRUE(planImport(store, cats, "name,qty\r\nx,1\r\n").needsColumns);
}

// «Для Excel»: the byte order mark and `;`. What LibreOffice Calc made of the bundled stock's
// Excel export (tests/io/spreadsheets/stock-excel-calc.csv: opened as UTF-8 split on `;`, saved
// back as CSV) imports into an empty stock as main.dat byte for byte: every column landed whole.
TEST(CsvExport, ForExcelTheByteOrderMarkAndSemicolonsAsCalcReadsThem)
{
    test::Bundled data;
    const std::string excel = exportCsv(data.store, data.categories, allSlots(data.store), true);
    EXPECT_EQ(excel.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(excel.substr(3, excel.find("\r\n") - 3), "category;category_name;name;quantity;description");
    // Quoted where a comma or a semicolon stands, as in the plain export.
    EXPECT_NE(excel.find("\r\n1;\"Резисторы 0,125 Вт\";100е;13;\"МЛТ-0,125\"\r\n"), std::string::npos);
    for (const std::string &csv :
         {excel, readFileBytes(VOSK_SOURCE_DIR "/tests/io/spreadsheets/stock-excel-calc.csv").bytes}) {
        CompStore empty;
        const ImportPlan plan = planImport(empty, data.categories, csv);
        ASSERT_TRUE(plan.usable()) << u8(plan.fileError);
        EXPECT_EQ(plan.refusedCount, 0u) << refusals(plan);
        applyImport(empty, plan);
        EXPECT_EQ(writeMainFile(empty), data.mainBytes);
    }
}

// Values as people type them: what the value search reads, import reads as the same value.
TEST(CsvImport, ValuesAsTheValueSearchReadsThem)
{
    const auto cats = test::smallCategories();
    CompStore store;
    const std::pair<const char *, const char *> rows[] = {
        {"2;2,2 кОм", "2,2К"}, {"2;470 Ом", "470е"}, {"2;4k7", "4,7К"},     {"2;470R", "470е"},
        {"5;0,1 мкФ", "0,1мкф"}, {"5;100nF", "100нф"}, {"5;4.7uF", "4,7мкф"},
    };
    for (const auto &[row, stored] : rows) {
        const std::string typed = std::string(row).substr(2);
        const ImportPlan plan = planImport(store, cats, "category;name;quantity\r\n" + cp1251(row) + ";1\r\n");
        ASSERT_EQ(plan.entries.size(), 1u) << row << refusals(plan);
        EXPECT_EQ(u8(plan.entries[0].key.name), stored) << row;
        const auto query = readValueQuery(cp1251(typed.c_str()));
        ASSERT_TRUE(query) << row;
        EXPECT_TRUE(query->matches(plan.entries[0].key.category, plan.entries[0].key.name)) << row;
    }
    // A text no reader takes is refused, as before.
    EXPECT_EQ(planImport(store, cats, cp1251("category;name;quantity\r\n2;4ж7;1\r\n")).refusedCount, 1u);
}
