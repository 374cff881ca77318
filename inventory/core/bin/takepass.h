#pragma once
#include "bin.h"
#include "compstore.h"
#include "filter.h"
#include "listsort.h"
#include "stock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vosk {

// What the pass asks the user now: how many of one inventory row to take for one bin row.
struct Offer {
    // "N1 КТ315 npn взять: КТ315 npn еще надо 5"; a record with a place names it last, so
    // that a narrow prompt loses the place's end rather than the amount:
    // "N1 КТ315 npn взять: КТ315 npn еще надо 5 — ящик 3"
    std::string prompt;
    int maximum = 0;        // the amount offered: the smaller of the remaining need and the stock
    std::string lookupName; // the inventory row's name, for the reference window
    int binRow = 0;         // index of the bin row among the rows the pass works on
    int listRow = 0;        // index of the inventory row in the find's list
    friend bool operator==(const Offer &, const Offer &) = default;
};

// The taking pass ("Забрать детали"): walks the inventory rows of the last find bin row by
// bin row, asks how many to take from each, and writes the report the user confirms. It
// changes nothing itself; the window applies takes() after the confirmation, the same way
// as parts are taken by hand.
//
// The window's part:
//   - with an empty inventory list, "Забрать детали" does nothing (start is not called);
//   - start(); when it refuses, find afresh and start again with the new find;
//   - while offer() has a value: show its prompt, let the user choose 0..maximum, take();
//     after start() and every take() the reference window follows lastOffered();
//   - once finished(): show report() with OK and Cancel; on OK apply takes() unless
//     nothingToApply(); then leave take mode (abandon()).
class TakePass {
public:
    // True when the inventory list holds exactly what the last find put there for the bin
    // as it now stands: the same rows in the same order, and for every row as many list
    // entries as its found text says. Anything else (a list refilled by a category change
    // or a search, a row added, removed or cleared since) would pair offers with the wrong
    // rows.
    static bool linesUp(const std::vector<BinRow> &bin, const std::vector<ListRow> &list, const BinFind &lastFind);

    // Starts a pass afresh (any earlier one is dropped). Returns false, changing nothing,
    // when the list does not line up with the bin (linesUp). Otherwise the rows nothing was
    // found for leave `bin` (the window shows the remaining ones) with a "Нет: " line in the
    // report each, and the first offer is made; with no row left the pass is finished at
    // once. Offers of nothing (need met, or no stock) are passed over at once, so offer()
    // always asks for something.
    bool start(std::vector<BinRow> &bin, const std::vector<ListRow> &list, const BinFind &lastFind,
               const std::vector<std::string> &categories);

    // The user's answer to the current offer: v parts (held within 0..maximum). Does nothing
    // when there is no offer.
    void take(int v);

    // Back to no pass (take mode left, confirmed or not).
    void abandon();

    std::optional<Offer> offer() const;
    // Name of the last inventory row offered, passed-over offers included; empty before the
    // first offer.
    const std::string &lastOffered() const { return lastOffered_; }
    bool active() const { return state_ == State::Offering; }
    bool finished() const { return state_ == State::Finished; }
    // The report so far; when finished it ends with the confirmation question.
    const std::string &report() const { return report_; }
    // Every take the report lists, in recording order: parts of a record as the list shows
    // it, to take once the pass is confirmed (source Pass).
    const std::vector<StockChange> &takes() const { return takes_; }
    // Finished without any row to offer: the report is shown, but nothing may be applied.
    bool nothingToApply() const { return finished() && rows_.empty(); }

private:
    enum class State { Idle, Offering, Finished };

    void prompt();
    void answer(int v);
    void passOverEmptyOffers();
    std::string heading() const;
    // « — ящик 3 / ячейка 12» for a list entry; empty without a place.
    std::string placeText(std::size_t entry) const;

    State state_ = State::Idle;
    std::vector<BinRow> rows_;
    std::vector<ListRow> list_;
    std::vector<int> listCategories_;
    std::vector<std::string> listPlaces_;
    std::vector<std::string> categories_;
    std::string report_;
    std::vector<StockChange> takes_;
    std::string lastOffered_;
    std::size_t takerow_ = 0;  // bin row worked on
    std::size_t takeseen_ = 0; // list entries offered for it so far
    std::size_t takerec_ = 0;  // list entry offered now
    long long taken_ = 0;      // parts taken for the bin row so far
    Offer offer_;
};

} // namespace vosk
