#pragma once
#include "stock.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

class Messages;

// The history history.dat: every change of stock this program made in the folder, kept for
// good (the journal goes at every save, the history stays). A user may open it in a
// spreadsheet: code page 1251 text, one change a line, CR LF after each line, the fields
// separated by tabs, the first line naming the columns:
//
//   id  group  time  source  category  category name  name  description  amount  after  note  undoes
//
//   id          the line's number, 1, 2, 3 … in the order the lines were written;
//   group       the id of the first line of the step the line belongs to (a move, a taking
//               pass, an import, a stocktake, an undo of several lines): the lines of one
//               step share it; a single change has its own id here;
//   time        local time of the change, "YYYY-MM-DD HH:MM:SS";
//   source      where the change came from: «окно», «командная строка», «импорт»,
//               «выдача», «инвентаризация», «перевод», «восстановление» (a change replayed
//               from a journal that held no history of it), «отмена»;
//   category    the category's number (its line in components.lst, from 0), and its name;
//   name, description   the record as stored;
//   amount      "+N" parts added, "-N" parts taken;
//   after       what the record held after the change (0: it left the stock);
//   note        what the user wrote about the change, if anything;
//   undoes      the id of the line this change takes back, empty for none.
//
// In the text fields a backslash is written "\\" and a control byte (a tab, a line end) as
// "\xHH", so that a field never breaks its line. A line that does not read so (damaged,
// written by something else) is skipped when the history is read, and the others are kept.
//
// The journal is what survives a crash: each of its entries carries the history line it is
// to become (journalNoteLine), and the lines are appended here once the journal holds them.
// A start that replays a journal appends the lines of its entries whose ids the history
// does not hold yet, so a change is never in one without the other, and never twice here.
struct HistoryLine {
    uint64_t id = 0;
    uint64_t group = 0;
    std::string time;
    ChangeSource source = ChangeSource::Typing;
    StockKey key;
    bool take = false;
    int amount = 0;
    uint32_t after = 0;
    std::string note;
    uint64_t undoes = 0;
    friend bool operator==(const HistoryLine &, const HistoryLine &) = default;
};

// The words of the source column, and back (false for a word this version does not know).
std::string historySourceWord(ChangeSource source);
bool historySourceOfWord(std::string_view word, ChangeSource &source);

// The first line of the file.
std::string historyHeaderLine();
// One line with its CR LF; `categoryName` fills the column beside the category's number.
std::string historyLineText(const HistoryLine &line, std::string_view categoryName);
// Reads one line (without its line end); false when it is no history line.
bool parseHistoryLine(std::string_view text, HistoryLine &line);

// A note as stored: control bytes become blanks, blanks at both ends go, and at most
// kMaxNote bytes are kept.
constexpr size_t kMaxNote = 500;
std::string cleanNote(std::string_view note);

// Local time now, and as it was `days` ago, in the history's form.
std::string historyTimeNow();
std::string historyTimeDaysAgo(int days);

struct HistoryRead {
    std::vector<HistoryLine> lines; // in the file's order (oldest first)
    size_t skipped = 0;             // lines that did not read
    int firstSkipped = 0;           // 1-based line number of the first of them
    bool olderCut = false;          // the file is larger than the bound: only its end was read
    bool missing = false;
    std::string failure; // why the file could not be read (code page 1251), empty when it could
    // What to tell the user about what was skipped or not read, empty when nothing was.
    std::string problem(const std::string &fileName) const;
};
// The largest part of a history read: its last kHistoryRead bytes (some 700,000 changes).
constexpr size_t kHistoryRead = size_t(64) << 20;
HistoryRead readHistoryBytes(std::string_view bytes, bool firstLineWhole = true);
// Reads a history file: never blocks (a FIFO is refused), never more than `limit` bytes (the
// end of a larger file, from its first whole line).
HistoryRead readHistoryFile(const std::string &path, size_t limit = kHistoryRead);

// What a record's history says: parts taken for use in the last 365 days (taken by hand, from
// the command line or by a taking pass, less what was given back by an undo), the last time
// parts were taken so, and the last time parts arrived (an undo and a move do not count).
struct RecordUse {
    uint32_t usedLastYear = 0;
    std::string lastTaken;
    std::string lastAdded;
};
// A line a listing shows: made at `since` or later (a prefix of the time's form: "2026-12",
// "2026-12-08"; empty: any), with `find` in its name, description or note (empty: any).
bool historyLineShown(const HistoryLine &line, std::string_view since, std::string_view find);
// Reads a date the user gave for `since`: YYYY-MM-DD, optionally with " HH:MM" or " HH:MM:SS".
bool historyDateText(std::string_view text);

// The lines of one record, oldest first.
std::vector<HistoryLine> historyOf(const std::vector<HistoryLine> &lines, const StockKey &key);
RecordUse recordUse(const std::vector<HistoryLine> &lines, const StockKey &key, const std::string &now);
// The keys among `held` whose last line is older than `yearAgo` (or that have none), when the
// history reaches back that far; none when it does not (then nothing can be told).
std::vector<StockKey> untouchedSince(const std::vector<HistoryLine> &lines, const std::vector<StockKey> &held,
                                     const std::string &yearAgo);

// The history file of one folder as a program that writes it keeps it: the next id, the lines
// waiting to be written, and what was saved.
class History {
public:
    static constexpr const char *kFileName = "history.dat";
    History(std::string datapath, Messages &messages);
    ~History();
    History(const History &) = delete;
    History &operator=(const History &) = delete;
    std::string path() const { return datapath_ + kFileName; }

    // The category names for the column beside the number.
    void setCategories(std::vector<std::string> categories) { categories_ = std::move(categories); }

    // The id of the last line the file holds (read from its end the first time it is asked).
    uint64_t lastId();
    // A new line for a change made now: its id, its group (see beginGroup) and time.
    HistoryLine make(const StockChange &change, uint32_t after, std::string note, uint64_t undoes);
    // The lines made from beginGroup to the matching endGroup share the group of the first.
    void beginGroup();
    void endGroup();
    bool inGroup() const { return groupDepth_ > 0; }
    // The id of the last line made (0: none yet).
    uint64_t lastMade() const { return nextId_ - 1; }

    // Appends lines whose ids the file does not hold yet (the others are left out): false when
    // they could not be written; said to the user at the first failure. Lines that could not
    // be written are kept and written at the next append.
    bool append(const std::vector<HistoryLine> &lines);
    // Everything appended reaches the disk (before the journal that also holds it goes).
    void sync();
    // The size the file had at the last save (or start): changes given up are cut back to it.
    void markSaved();
    void giveUpSinceSave();

private:
    bool openFile(std::string &reason);
    void readEnd();
    std::string datapath_;
    Messages &messages_;
    std::vector<std::string> categories_;
    int fd_ = -1;
    bool endRead_ = false;
    uint64_t lastId_ = 0;  // the file's last id
    uint64_t nextId_ = 1;  // the id the next made line gets
    int groupDepth_ = 0;
    uint64_t group_ = 0;
    std::vector<HistoryLine> unwritten_;
    bool failureShown_ = false;
    long long savedSize_ = -1;
};

} // namespace vosk
