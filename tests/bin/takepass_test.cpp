#include "binfixture.h"
#include "takepass.h"

#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::BinBench;
using vosk::test::T;

namespace {

// A take the pass records: parts of the record as the list shows it, taken once confirmed.
StockChange taken(int category, std::string name, std::string description, int amount)
{
    return {category, std::move(name), std::move(description), amount, true, ChangeSource::Pass};
}

const std::string kRule(33, '_');
const std::string kQuestion = T("OK - взять детели,  Отмена - оставить детали");

// Starts a pass on the bench's last find, as "Забрать детали" does right after "Найти детали".
bool startPass(TakePass &pass, BinBench &b)
{
    return pass.start(b.bin, b.find.list, b.find, b.cats);
}

} // namespace

TEST(TakePass, EveryOfferRefusedTakesNothing)
{
    BinBench b;
    b.rec(8, "КТ315", 5, "npn");
    b.rec(8, "КТ315", 3, "pnp?");
    b.rec(1, "10К", 2, "");
    b.row(8, "КТ315", 2);
    b.row(1, "10К", 1);
    b.runFind();
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    int offers = 0;
    while (auto o = pass.offer()) {
        EXPECT_GT(o->maximum, 0);
        pass.take(0);
        ++offers;
    }
    EXPECT_EQ(offers, 3);
    ASSERT_TRUE(pass.finished());
    EXPECT_FALSE(pass.nothingToApply());
    EXPECT_TRUE(pass.takes().empty());
    EXPECT_EQ(pass.report(), kRule + T("\r1. Транзисторы КТ315  \r[0\u00A0из\u00A02]\r") + kRule +
                                 T("\r2. Резисторы 10К  \r[0\u00A0из\u00A01]\r") + kQuestion);

    ViewList view;
    EXPECT_TRUE(test::applyTakes(b.store, view, pass.takes()).empty());
    EXPECT_EQ(b.store.compcount, 3);
    EXPECT_EQ(b.store.totalqty, 10u);
}

TEST(TakePass, ThreeOfAStockOfFiveLeaveTwoAndTheRowTurnsYellow)
{
    BinBench b;
    b.rec(8, "КТ361", 9, "pnp");
    b.rec(8, "КТ315", 5, "npn");
    b.row(8, "КТ315", 3, "npn");
    b.runFind();
    EXPECT_EQ(b.bin[0].status, BinStatus::Green);
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    ASSERT_TRUE(pass.active());
    const auto o = pass.offer();
    ASSERT_TRUE(o);
    EXPECT_EQ(o->prompt, T("N1 КТ315 npn взять: КТ315 npn еще надо 3"));
    EXPECT_EQ(o->maximum, 3);
    EXPECT_EQ(o->lookupName, T("КТ315"));
    EXPECT_EQ(pass.lastOffered(), T("КТ315"));
    EXPECT_EQ(o->binRow, 0);
    EXPECT_EQ(o->listRow, 0);

    pass.take(3);
    EXPECT_TRUE(pass.finished());
    EXPECT_FALSE(pass.active());
    EXPECT_FALSE(pass.offer());
    EXPECT_EQ(pass.takes(), (std::vector<StockChange>{taken(8, T("КТ315"), "npn", 3)}));
    EXPECT_EQ(pass.report(), kRule + T("\r1. Транзисторы КТ315 npn \rТранзисторы КТ315 npn взято: 3;   [3\u00A0из\u00A03]\r") +
                                 kQuestion);

    ViewList view;
    EXPECT_TRUE(test::applyTakes(b.store, view, pass.takes()).empty());
    EXPECT_EQ(b.store.quantity[2], 2);
    EXPECT_EQ(b.store.quantity[1], 9);
    EXPECT_EQ(b.store.totalqty, 11u);
    b.runFind();
    EXPECT_EQ(b.bin[0].status, BinStatus::Yellow);
    EXPECT_EQ(b.bin[0].shortage, "1");
}

TEST(TakePass, AmountIsHeldWithinTheOffer)
{
    BinBench b;
    b.rec(8, "КТ315", 5, "npn");
    b.rec(8, "КТ315", 5, "npn2");
    b.row(8, "КТ315", 4);
    b.runFind();
    TakePass pass;
    pass.take(3); // no pass yet: nothing happens
    EXPECT_TRUE(pass.takes().empty());
    EXPECT_FALSE(pass.finished());
    ASSERT_TRUE(startPass(pass, b));
    pass.take(99); // more than offered: the offer
    ASSERT_EQ(pass.takes().size(), 1u);
    EXPECT_EQ(pass.takes()[0].amount, 4);
    EXPECT_TRUE(pass.finished()); // the need is met: the second record is passed over
    ASSERT_TRUE(startPass(pass, b));
    pass.take(-5);
    ASSERT_TRUE(pass.offer());
    EXPECT_EQ(pass.offer()->maximum, 4);
    pass.take(1);
    EXPECT_EQ(pass.takes(), (std::vector<StockChange>{taken(8, T("КТ315"), "npn2", 1)}));
    EXPECT_EQ(pass.report(),
              kRule + T("\r1. Транзисторы КТ315  \rТранзисторы КТ315 npn2 взято: 1;   [1\u00A0из\u00A04]\r") + kQuestion);
}

TEST(TakePass, NeedMetEarlyPassesOverTheRestOfTheRow)
{
    BinBench b;
    b.rec(8, "КТ315", 7, "a");
    b.rec(8, "КТ3102", 4, "b");
    b.rec(8, "КТ312", 2, "c");
    b.rec(9, "КД522", 3, "");
    b.row(8, "КТ31", 5);
    b.row(9, "КД522", 1);
    b.runFind(false);
    ASSERT_EQ(b.bin[0].found, "3");
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    EXPECT_EQ(pass.offer()->maximum, 5);
    pass.take(5);
    // The next stop is the second row's record; the last record of the first row was
    // offered on the way, for the reference window.
    ASSERT_TRUE(pass.offer());
    EXPECT_EQ(pass.offer()->binRow, 1);
    EXPECT_EQ(pass.offer()->listRow, 3);
    EXPECT_EQ(pass.offer()->prompt, T("N2 КД522  взять: КД522  еще надо 1"));
    pass.take(1);
    EXPECT_TRUE(pass.finished());
    EXPECT_EQ(pass.report(), kRule + T("\r1. Транзисторы КТ31  \rТранзисторы КТ315 a взято: 5;   [5\u00A0из\u00A05]\r") + kRule +
                                 T("\r2. Диоды КД522  \rДиоды КД522  взято: 1;   [1\u00A0из\u00A01]\r") + kQuestion);

    // Taking less first: the second record is offered the rest, the third is passed over
    // and is the last one the reference window was given.
    BinBench c;
    c.rec(8, "КТ315", 7, "a");
    c.rec(8, "КТ3102", 4, "b");
    c.rec(8, "КТ312", 2, "c");
    c.row(8, "КТ31", 5);
    c.runFind(false);
    ASSERT_TRUE(startPass(pass, c));
    pass.take(3);
    ASSERT_TRUE(pass.offer());
    EXPECT_EQ(pass.offer()->prompt, T("N1 КТ31  взять: КТ3102 b еще надо 2"));
    EXPECT_EQ(pass.offer()->maximum, 2);
    pass.take(2);
    EXPECT_TRUE(pass.finished());
    EXPECT_EQ(pass.lastOffered(), T("КТ312"));
    EXPECT_EQ(pass.takes().size(), 2u);
    EXPECT_EQ(pass.report(), kRule + T("\r1. Транзисторы КТ31  \rТранзисторы КТ315 a взято: 3;   Транзисторы КТ3102 b "
                                       "взято: 2;   [5\u00A0из\u00A05]\r") +
                                 kQuestion);

    // A record holding nothing is passed over even as the very first offer.
    BinBench d;
    d.rec(8, "КТ315", 0, "a");
    d.rec(8, "КТ315", 3, "b");
    d.row(8, "КТ315", 2);
    d.runFind();
    ASSERT_TRUE(startPass(pass, d));
    ASSERT_TRUE(pass.offer());
    EXPECT_EQ(pass.offer()->listRow, 1);
    EXPECT_EQ(pass.offer()->maximum, 2);
    pass.take(2);
    EXPECT_EQ(pass.report(), kRule + T("\r1. Транзисторы КТ315  \rТранзисторы КТ315 b взято: 2;   [2\u00A0из\u00A02]\r") + kQuestion);
}

TEST(TakePass, TwoRecordsOfOneForANeedOfFive)
{
    BinBench b;
    b.rec(8, "КТ315", 1, "a");
    b.rec(8, "КТ315", 1, "b");
    b.row(8, "КТ315", 5);
    b.runFind();
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    EXPECT_EQ(pass.offer()->maximum, 1);
    EXPECT_EQ(pass.offer()->prompt, T("N1 КТ315  взять: КТ315 a еще надо 5"));
    pass.take(1);
    EXPECT_EQ(pass.offer()->maximum, 1);
    EXPECT_EQ(pass.offer()->prompt, T("N1 КТ315  взять: КТ315 b еще надо 4"));
    pass.take(1);
    EXPECT_TRUE(pass.finished());
    EXPECT_EQ(pass.takes(), (std::vector<StockChange>{taken(8, T("КТ315"), "a", 1), taken(8, T("КТ315"), "b", 1)}));
    EXPECT_NE(pass.report().find(T("[2\u00A0из\u00A05]\r")), std::string::npos);

    ViewList view;
    EXPECT_TRUE(test::applyTakes(b.store, view, pass.takes()).empty());
    EXPECT_EQ(b.store.compcount, 0);
    EXPECT_EQ(b.store.totalqty, 0u);
}

TEST(TakePass, WholeReportOfAPassOverSeveralRows)
{
    BinBench b;
    b.rec(8, "КТ315", 5, "npn");
    b.rec(8, "КТ315", 2, "npn ТО-92");
    b.rec(1, "10К", 2, "МЛТ");
    b.rec(1, "10К", 1, "С2-23");
    b.rec(1, "10К", 3, " ");
    b.row(9, "КД522", 4);
    b.row(8, "КТ315", 6, "npn");
    b.row(1, "10К", 5);
    b.runFind(false);
    const std::vector<BinRow> found = b.bin;

    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    EXPECT_EQ(b.bin, (std::vector<BinRow>{found[1], found[2]}));
    EXPECT_EQ(pass.offer()->prompt, T("N1 КТ315 npn взять: КТ315 npn еще надо 6"));
    EXPECT_EQ(pass.offer()->maximum, 5);
    pass.take(4);
    EXPECT_EQ(pass.offer()->prompt, T("N1 КТ315 npn взять: КТ315 npn ТО-92 еще надо 2"));
    EXPECT_EQ(pass.offer()->maximum, 2);
    pass.take(1);
    EXPECT_EQ(pass.offer()->prompt, T("N2 10К  взять: 10К МЛТ еще надо 5"));
    EXPECT_EQ(pass.offer()->maximum, 2);
    pass.take(2);
    EXPECT_EQ(pass.offer()->maximum, 1);
    pass.take(0);
    EXPECT_EQ(pass.offer()->prompt, T("N2 10К  взять: 10К   еще надо 3"));
    EXPECT_EQ(pass.offer()->maximum, 3);
    pass.take(3);
    ASSERT_TRUE(pass.finished());

    const std::string expected = T("Нет: Диоды КД522 нужно: 4\r"
                                   "_________________________________\r"
                                   "1. Транзисторы КТ315 npn \r"
                                   "Транзисторы КТ315 npn взято: 4;   Транзисторы КТ315 npn ТО-92 взято: 1;   [5\u00A0из\u00A06]\r"
                                   "_________________________________\r"
                                   "2. Резисторы 10К  \r"
                                   "Резисторы 10К МЛТ взято: 2;   Резисторы 10К   взято: 3;   [5\u00A0из\u00A05]\r"
                                   "OK - взять детели,  Отмена - оставить детали");
    EXPECT_EQ(pass.report(), expected);
    EXPECT_EQ(pass.takes().size(), 4u);

    ViewList view;
    EXPECT_TRUE(test::applyTakes(b.store, view, pass.takes()).empty());
    EXPECT_EQ(b.store.compcount, 3);
    EXPECT_EQ(b.store.totalqty, 3u);
    b.runFind(false);
    EXPECT_EQ(b.bin[0].status, BinStatus::Yellow);
    EXPECT_EQ(b.bin[0].shortage, "4");
    EXPECT_EQ(b.bin[1].status, BinStatus::Yellow);
    EXPECT_EQ(b.bin[1].shortage, "4");
    EXPECT_EQ(b.find.list[2], (ListRow{1, T("10К"), "1", T("С2-23")}));
}

TEST(TakePass, RowsFoundNowhereAreDroppedWithANoteWhateverHappensNext)
{
    BinBench b;
    b.rec(8, "КТ315", 5, "npn");
    b.row(1, "1М", 2, "МЛТ");
    b.row(8, "КТ315", 1);
    b.row(-1, "КД522", 3);
    b.runFind();
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    ASSERT_EQ(b.bin.size(), 1u);
    EXPECT_EQ(b.bin[0].name, T("КТ315"));
    EXPECT_EQ(pass.report(), T("Нет: Резисторы 1М МЛТнужно: 2\rНет:  КД522 нужно: 3\r") + kRule +
                                 T("\r1. Транзисторы КТ315  \r"));
    EXPECT_EQ(pass.offer()->binRow, 0);
    EXPECT_EQ(pass.offer()->prompt.substr(0, 3), "N1 ");
    pass.abandon(); // the bin tab left in the middle
    EXPECT_FALSE(pass.active());
    EXPECT_FALSE(pass.finished());
    EXPECT_TRUE(pass.takes().empty());
    EXPECT_TRUE(pass.report().empty());
    EXPECT_EQ(b.bin.size(), 1u); // dropped rows stay dropped
}

TEST(TakePass, NothingLeftToOfferFinishesAtOnceAndAppliesNothing)
{
    BinBench b;
    b.rec(8, "КТ315", 5, "npn");
    b.row(9, "КД522", 4);
    b.row(8, "КТ361", 1, "pnp");
    b.runFind();
    ASSERT_TRUE(b.find.list.empty());
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    EXPECT_TRUE(b.bin.empty());
    EXPECT_TRUE(pass.finished());
    EXPECT_TRUE(pass.nothingToApply());
    EXPECT_FALSE(pass.offer());
    EXPECT_TRUE(pass.takes().empty());
    EXPECT_EQ(pass.report(), T("Нет: Диоды КД522 нужно: 4\rНет: Транзисторы КТ361 pnpнужно: 1\r") + kRule + "\r" +
                                 kQuestion);

    // An empty bin after an empty find: only the rule and the question.
    ASSERT_TRUE(pass.start(b.bin, {}, findbin(b.store, b.cats, b.bin, true), b.cats));
    EXPECT_TRUE(pass.nothingToApply());
    EXPECT_EQ(pass.report(), kRule + "\r" + kQuestion);

    // A pass with rows to offer that ends without takes may still be applied (it changes nothing).
    b.row(8, "КТ315", 1);
    b.runFind();
    ASSERT_TRUE(startPass(pass, b));
    pass.take(0);
    EXPECT_TRUE(pass.finished());
    EXPECT_FALSE(pass.nothingToApply());
}

TEST(TakePass, OneRecordOfferedForTwoRowsRunsShortWhenApplied)
{
    BinBench b;
    b.rec(8, "КТ315", 5, "npn");
    b.rec(9, "КД522", 2, " ");
    b.row(8, "КТ315", 4);
    b.row(8, "КТ315", 3, "npn");
    b.runFind();
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    EXPECT_EQ(pass.offer()->maximum, 4);
    pass.take(4);
    // The pass does not subtract what an earlier row took: the record is offered whole.
    EXPECT_EQ(pass.offer()->maximum, 3);
    EXPECT_EQ(pass.offer()->listRow, 1);
    pass.take(3);
    ASSERT_TRUE(pass.finished());
    EXPECT_EQ(pass.takes(), (std::vector<StockChange>{taken(8, T("КТ315"), "npn", 4), taken(8, T("КТ315"), "npn", 3)}));

    ViewList view;
    const auto messages = test::applyTakes(b.store, view, pass.takes());
    EXPECT_EQ(messages, (std::vector<std::string>{T("Не хватает 2детали: КТ315 npn")}));
    EXPECT_EQ(b.store.compcount, 1);
    EXPECT_EQ(b.store.name[1], T("КД522"));
    EXPECT_EQ(b.store.totalqty, 2u);

    // Applied once more, the record is gone.
    EXPECT_EQ(test::applyTakes(b.store, view, {pass.takes()[0]}), (std::vector<std::string>{T("Нет такой детали")}));
    EXPECT_EQ(b.store.totalqty, 2u);
}

TEST(TakePass, ListsThatDoNotLineUpAreRefused)
{
    BinBench b;
    b.rec(8, "КТ315", 5, "npn");
    b.rec(8, "КТ361", 5, "pnp");
    b.rec(9, "КД522", 5, "");
    b.rec(8, "КТ3102", 2, "");
    b.row(8, "КТ315", 1);
    b.row(8, "КТ361", 1);
    b.row(1, "1М", 1);
    b.runFind();
    ASSERT_TRUE(TakePass::linesUp(b.bin, b.find.list, b.find));

    TakePass pass;
    auto refused = [&](std::vector<BinRow> bin, const std::vector<ListRow> &list, const BinFind &find) {
        const std::vector<BinRow> before = bin;
        EXPECT_FALSE(TakePass::linesUp(bin, list, find));
        const bool started = pass.start(bin, list, find, b.cats);
        EXPECT_EQ(bin, before); // nothing dropped
        EXPECT_FALSE(pass.active());
        EXPECT_FALSE(pass.finished());
        EXPECT_TRUE(pass.report().empty());
        return !started;
    };

    // The list refilled since the find (say, every record of the category).
    std::vector<ListRow> all = {{8, T("КТ315"), "5", "npn"}, {8, T("КТ361"), "5", "pnp"}, {8, T("КТ3102"), "2", ""}};
    EXPECT_TRUE(refused(b.bin, all, b.find));
    EXPECT_TRUE(refused(b.bin, {}, b.find));
    // The same number of rows, but one quantity changed since.
    std::vector<ListRow> changed = b.find.list;
    changed[1].quantity = "4";
    EXPECT_TRUE(refused(b.bin, changed, b.find));
    // A row added after the find (found text empty).
    std::vector<BinRow> added = b.bin;
    added.push_back(addbinrow(BinStatus::Ready, 9, b.cats, T("КД522"), "1", "", 0, ""));
    EXPECT_TRUE(refused(added, b.find.list, b.find));
    // A row deleted, or the rows in another order.
    std::vector<BinRow> fewer = b.bin;
    fewer.erase(fewer.begin());
    EXPECT_TRUE(refused(fewer, b.find.list, b.find));
    std::vector<BinRow> swapped = {b.bin[1], b.bin[0], b.bin[2]};
    EXPECT_TRUE(refused(swapped, b.find.list, b.find));
    EXPECT_TRUE(refused({}, b.find.list, b.find));
    // A find whose counts do not add up to its list.
    BinFind odd = b.find;
    odd.counts = {1, 0, 0};
    EXPECT_TRUE(refused(b.bin, b.find.list, odd));
    odd = b.find;
    odd.listCategories.pop_back();
    EXPECT_TRUE(refused(b.bin, b.find.list, odd));
    odd = b.find; // a list one entry short of what the rows found
    odd.list.pop_back();
    odd.listCategories.pop_back();
    EXPECT_TRUE(refused(b.bin, odd.list, odd));

    // A refused start leaves a running pass alone; a fresh find starts again from scratch.
    ASSERT_TRUE(startPass(pass, b));
    pass.take(1);
    EXPECT_FALSE(pass.start(added, b.find.list, b.find, b.cats));
    EXPECT_TRUE(pass.active());
    EXPECT_EQ(pass.takes().size(), 1u);
    b.runFind();
    ASSERT_TRUE(startPass(pass, b));
    EXPECT_TRUE(pass.takes().empty());
    EXPECT_EQ(pass.offer()->listRow, 0);
}

TEST(TakePass, EveryTakeIsKeptPastTwoHundredAndFiftySix)
{
    BinBench b;
    for (int i = 0; i < 300; ++i)
        b.rec(8, "КТ315", 1, ("d" + std::to_string(i)).c_str());
    b.row(8, "КТ315", 300);
    b.runFind();
    ASSERT_EQ(b.bin[0].found, "300");
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    int offers = 0;
    while (pass.offer()) {
        pass.take(1);
        ++offers;
    }
    EXPECT_EQ(offers, 300);
    ASSERT_EQ(pass.takes().size(), 300u);
    EXPECT_EQ(pass.takes()[299], (taken(8, T("КТ315"), "d299", 1)));
    EXPECT_NE(pass.report().find(T("[300\u00A0из\u00A0300]\r")), std::string::npos);

    ViewList view;
    EXPECT_TRUE(test::applyTakes(b.store, view, pass.takes()).empty());
    EXPECT_EQ(b.store.compcount, 0);
    EXPECT_EQ(b.store.totalqty, 0u);
}

TEST(TakePass, TakesKeepTheFullCategory)
{
    BinBench b;
    b.cats.clear();
    for (int i = 0; i < 301; ++i)
        b.cats.push_back("c" + std::to_string(i));
    b.rec(44, "x", 5, "d"); // category 300 in 8 bits
    b.rec(300, "x", 5, "d");
    b.row(300, "x", 2);
    b.runFind();
    ASSERT_EQ(b.find.list.size(), 1u);
    EXPECT_EQ(b.find.list[0].icon, 300);
    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    pass.take(2);
    EXPECT_EQ(pass.takes(), (std::vector<StockChange>{taken(300, "x", "d", 2)}));
    EXPECT_EQ(pass.report(), kRule + "\r1. c300 x  \rc300 x d " + T("взято: 2;   [2\u00A0из\u00A02]\r") + kQuestion);
    ViewList view;
    EXPECT_TRUE(test::applyTakes(b.store, view, pass.takes()).empty());
    EXPECT_EQ(b.store.quantity[1], 5); // category 44 untouched
    EXPECT_EQ(b.store.quantity[2], 3);
}

// The places kept beside the records go with the find to the bin's rows and to every offer
// and take of the pass, so that the report reads as a picking list.
TEST(TakePass, OffersAndTheReportNameEachRecordsPlace)
{
    BinBench b;
    b.rec(8, "КТ315", 1, "a");
    b.rec(8, "КТ315", 5, "b");
    b.rec(8, "КТ315", 2, "c");
    b.rec(9, "КД522", 4, "");
    b.row(8, "КТ315", 4);
    b.row(9, "КД522", 1);
    RecordAttributes attributes;
    attributes.set(makeStockKey(8, T("КТ315"), "a"), Attribute::Place, T("ящик 3 / ячейка 12"));
    attributes.set(makeStockKey(8, T("КТ315"), "c"), Attribute::Place, T("ящик 3 / ячейка 12"));
    attributes.set(makeStockKey(9, T("КД522"), ""), Attribute::Minimum, "5"); // no place: none named
    NameIndex names;
    names.rebuild(b.store);
    b.find = findbin(b.store, names, b.cats, b.bin, true, true, &attributes);
    b.bin = b.find.rows;
    EXPECT_EQ(b.find.listPlaces, (std::vector<std::string>{T("ящик 3 / ячейка 12"), "", T("ящик 3 / ячейка 12"), ""}));
    EXPECT_EQ(b.bin[0].place, T("ящик 3 / ячейка 12")); // each place once
    EXPECT_EQ(b.bin[1].place, "");

    TakePass pass;
    ASSERT_TRUE(startPass(pass, b));
    EXPECT_EQ(pass.offer()->prompt, T("N1 КТ315  взять: КТ315 a еще надо 4 — ящик 3 / ячейка 12"));
    pass.take(1);
    EXPECT_EQ(pass.offer()->prompt, T("N1 КТ315  взять: КТ315 b еще надо 3"));
    pass.take(3);
    pass.take(1);
    ASSERT_TRUE(pass.finished());
    EXPECT_EQ(pass.report(), kRule + T("\r1. Транзисторы КТ315  \rТранзисторы КТ315 a — ящик 3 / ячейка 12, взято: 1;   "
                                       "Транзисторы КТ315 b взято: 3;   [4\u00A0из\u00A04]\r") +
                                 kRule + T("\r2. Диоды КД522  \rДиоды КД522  взято: 1;   [1\u00A0из\u00A01]\r") + kQuestion);
}

TEST(TakePass, ARowOfManyPlacesNamesThreeAndCountsTheRest)
{
    EXPECT_EQ(joinPlaces({T("ящик 1"), "", T("ящик 2"), T("ящик 1")}), T("ящик 1; ящик 2"));
    EXPECT_EQ(joinPlaces({"1", "2", "3", "4", "5", "2"}), T("1; 2; 3 и еще 2"));
    EXPECT_EQ(joinPlaces({"", ""}), "");
}
