#include "journal.h"
#include "attributes.h"

#include "cp1251.h"
#include "crc32.h"
#include "filebytes.h"
#include "filter.h"
#include "folderlock.h"
#include "history.h"
#include "messages.h"
#include "nameindex.h"
#include "stock.h"
#include "syserror.h"
#include "valuecache.h"

#include <algorithm>
#include <utility>
#include <cerrno>
#include <climits>
#include <charconv>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vosk {
namespace {

constexpr char sep = '\x01';

uint32_t crcOf(std::string_view bytes) { return crc32Of(bytes); }

std::string hex8(uint32_t v)
{
    char buf[9];
    for (int i = 7; i >= 0; --i) {
        buf[i] = "0123456789abcdef"[v & 15];
        v >>= 4;
    }
    buf[8] = '\0';
    return buf;
}

std::string sealed(std::string body)
{
    body += hex8(crcOf(body));
    body += "\r\n";
    return body;
}

template <class T>
bool decimal(std::string_view s, T &out)
{
    // Written without leading zeros; anything else is not a line this program wrote.
    if (s.empty() || s.size() > 20 || (s.size() > 1 && s[0] == '0'))
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool parseHex8(std::string_view s, uint32_t &out)
{
    if (s.size() != 8)
        return false;
    out = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        out = out << 4 | static_cast<uint32_t>(d);
    }
    return true;
}

// Splits off the leading field up to the next separator; false when there is none.
bool field(std::string_view &rest, std::string_view &out)
{
    const size_t at = rest.find(sep);
    if (at == std::string_view::npos)
        return false;
    out = rest.substr(0, at);
    rest.remove_prefix(at + 1);
    return true;
}

bool parseHeader(std::string_view body, BaseStamp &base)
{
    std::string_view tag, version, size, crc;
    if (!field(body, tag) || !field(body, version) || !field(body, size) || !field(body, crc) || !body.empty())
        return false;
    return tag == "J" && version == "1" && decimal(size, base.size) && parseHex8(crc, base.crc);
}

// The kind of an entry line: parts added, taken, or an empty record removed (a take of nothing).
constexpr char kAdd = '+', kTake = '-', kDrop = '0';

// Fills the key, amount and direction of `e` from an entry line's body (its source is its group's).
bool parseEntry(std::string_view body, StockChange &e)
{
    std::string_view kind, category, name, amount;
    if (!field(body, kind) || !field(body, category) || !field(body, name) || !field(body, amount))
        return false;
    if (kind.size() != 1 || (kind[0] != kAdd && kind[0] != kTake && kind[0] != kDrop))
        return false;
    if (body.empty() || body.back() != sep)
        return false;
    body.remove_suffix(1); // the description is what remains before the CRC's separator
    uint32_t parts = 0;
    if (!decimal(category, e.key.category) || e.key.category > 0xFFFF || !decimal(amount, parts) || parts > 0xFFFF)
        return false;
    e.take = kind[0] != kAdd;
    e.amount = kind[0] == kDrop ? 0 : static_cast<int>(parts); // a removal takes nothing
    e.key.name.assign(name);
    e.key.description.assign(body);
    return true;
}

bool parseAttribute(std::string_view body, AttributeChange &c)
{
    std::string_view kind, category, name, attribute, value;
    if (!field(body, kind) || !field(body, category) || !field(body, name) || !field(body, attribute) ||
        !field(body, value) || kind != "A" || body.empty() || body.back() != sep)
        return false;
    body.remove_suffix(1); // the description is what remains before the CRC's separator
    if (!decimal(category, c.category) || c.category > 0xFFFF || attribute.empty())
        return false;
    c.name.assign(name);
    c.attribute.assign(attribute);
    c.value.assign(value);
    c.description.assign(body);
    return true;
}

bool isDrop(const StockChange &c) { return c.take && c.amount == 0; }

std::string groupText(std::string_view what)
{
    if (what == journalgroup::kMove)
        return cp1251("перевод деталей в другой раздел");
    if (what == journalgroup::kImport)
        return cp1251("импорт");
    if (what == journalgroup::kPass)
        return cp1251("выдача деталей из корзины");
    if (what == journalgroup::kUndoImport)
        return cp1251("отмена импорта");
    if (what == journalgroup::kStocktake)
        return cp1251("инвентаризация");
    if (what == journalgroup::kPlaces)
        return cp1251("переименование места");
    return cp1251("групповое изменение «") + std::string(what) + cp1251("»");
}

// A change as the replay's report names it, with the operation it was part of.
std::string describe(const StockChange &c)
{
    std::string what = isDrop(c) ? cp1251("убрать пустую запись ") : c.take ? cp1251("взять ") : cp1251("добавить ");
    if (!isDrop(c))
        what += std::to_string(c.amount) + " ";
    what += c.key.name + " " + c.key.description + cp1251(" (раздел ") + std::to_string(c.key.category);
    if (c.source != ChangeSource::Typing && c.source != ChangeSource::CommandLine && c.source != ChangeSource::Replay)
        what += "; " + groupText(journalGroupWord(c.source));
    return what + ")";
}

} // namespace

BaseStamp stampOf(std::string_view mainFileBytes) { return {mainFileBytes.size(), crcOf(mainFileBytes)}; }

std::string journalHeaderLine(const BaseStamp &base)
{
    return sealed(std::string("J") + sep + "1" + sep + std::to_string(base.size) + sep + hex8(base.crc) + sep);
}

std::string journalEntryLine(const StockChange &c)
{
    std::string body;
    body.reserve(c.key.name.size() + c.key.description.size() + 32);
    body += isDrop(c) ? kDrop : c.take ? kTake : kAdd;
    body += sep;
    body += std::to_string(c.key.category);
    body += sep;
    body += c.key.name;
    body += sep;
    body += std::to_string(c.amount);
    body += sep;
    body += c.key.description;
    body += sep;
    return sealed(std::move(body));
}

std::string journalAttributeLine(const AttributeChange &c)
{
    std::string body = std::string("A") + sep + std::to_string(c.category) + sep + c.name + sep + c.attribute + sep +
                       c.value + sep + c.description + sep;
    return sealed(std::move(body));
}

namespace {
constexpr std::pair<ChangeSource, std::string_view> kGroupWords[] = {
    {ChangeSource::Move, journalgroup::kMove},        {ChangeSource::Import, journalgroup::kImport},
    {ChangeSource::Pass, journalgroup::kPass},        {ChangeSource::Undo, journalgroup::kUndoImport},
    {ChangeSource::Stocktake, journalgroup::kStocktake}, {ChangeSource::Typing, "typing"},
    {ChangeSource::CommandLine, "cli"},               {ChangeSource::Replay, "replay"},
    {ChangeSource::Places, journalgroup::kPlaces},
};
} // namespace

std::string_view journalGroupWord(ChangeSource source)
{
    for (const auto &[s, word] : kGroupWords)
        if (s == source)
            return word;
    return "replay";
}

ChangeSource sourceOfGroupWord(std::string_view word)
{
    for (const auto &[s, w] : kGroupWords)
        if (w == word)
            return s;
    return ChangeSource::Replay;
}

std::string journalBeginLine(std::string_view what) { return sealed(std::string("B") + sep + std::string(what) + sep); }

std::string journalEndLine(size_t entries) { return sealed(std::string("E") + sep + std::to_string(entries) + sep); }

std::string journalNoteLine(const EntryNote &n)
{
    std::string note = n.note;
    for (char &c : note)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return sealed(std::string("N") + sep + std::to_string(n.id) + sep + std::to_string(n.group) + sep + n.time + sep +
                  std::string(journalGroupWord(n.source)) + sep + std::to_string(n.undoes) + sep + note + sep);
}

namespace {

enum class LineKind { Header, Entry, Attribute, Begin, End, Note, Bad };

// The attribute line and the "N" line last read by readLine.
thread_local AttributeChange lastAttribute;
thread_local EntryNote lastNote;

bool parseNote(std::string_view body, EntryNote &n)
{
    std::string_view kind, id, group, time, source, undoes;
    if (!field(body, kind) || !field(body, id) || !field(body, group) || !field(body, time) || !field(body, source) ||
        !field(body, undoes) || kind != "N" || body.empty() || body.back() != sep)
        return false;
    body.remove_suffix(1);
    if (!decimal(id, n.id) || !decimal(group, n.group) || !decimal(undoes, n.undoes))
        return false;
    n.time.assign(time);
    n.source = sourceOfGroupWord(source);
    n.note.assign(body);
    return true;
}

// The line at `pos` (the `lineNo`th): its kind, checked whole (CRC and fields); `entry` is
// filled for an entry, `word` holds a group's name or count. `next` is where the next
// line starts.
LineKind readLine(std::string_view bytes, size_t pos, int lineNo, size_t &next, StockChange &entry, BaseStamp &base,
                  std::string_view &word)
{
    const size_t end = bytes.find("\r\n", pos);
    if (end == std::string_view::npos)
        return LineKind::Bad;
    next = end + 2;
    const std::string_view line = bytes.substr(pos, end - pos);
    uint32_t crc = 0;
    if (line.size() < 9 || line[line.size() - 9] != sep || !parseHex8(line.substr(line.size() - 8), crc) ||
        crcOf(line.substr(0, line.size() - 8)) != crc)
        return LineKind::Bad;
    std::string_view body = line.substr(0, line.size() - 8);
    if (lineNo == 1)
        return parseHeader(body, base) ? LineKind::Header : LineKind::Bad;
    if (body.size() >= 2 && (body[0] == 'B' || body[0] == 'E') && body[1] == sep) {
        const bool begin = body[0] == 'B';
        body.remove_prefix(2);
        std::string_view rest = body;
        if (!field(rest, word) || !rest.empty() || word.empty())
            return LineKind::Bad;
        if (begin) {
            for (char c : word)
                if (c < 'a' || c > 'z')
                    return LineKind::Bad;
            return LineKind::Begin;
        }
        size_t count = 0;
        return decimal(word, count) ? LineKind::End : LineKind::Bad;
    }
    if (body.size() >= 2 && body[0] == 'A' && body[1] == sep)
        return parseAttribute(body, lastAttribute) ? LineKind::Attribute : LineKind::Bad;
    if (body.size() >= 2 && body[0] == 'N' && body[1] == sep)
        return parseNote(body, lastNote) ? LineKind::Note : LineKind::Bad;
    return parseEntry(body, entry) ? LineKind::Entry : LineKind::Bad;
}

} // namespace

JournalScan scanJournal(std::string_view bytes)
{
    JournalScan out;
    size_t pos = 0, next = 0;
    int lineNo = 0;
    StockChange entry;
    std::string_view word;
    bool inGroup = false;
    std::string_view groupWhat;
    size_t groupEntries = 0;
    while (pos < bytes.size()) {
        ++lineNo;
        LineKind kind = readLine(bytes, pos, lineNo, next, entry, out.base, word);
        if (kind == LineKind::Header) {
            out.hasHeader = true;
        } else if (kind == LineKind::Note) {
            // said of the entry that follows; no entry itself
        } else if (kind == LineKind::Entry || kind == LineKind::Attribute) {
            if (inGroup) {
                ++groupEntries;
            } else {
                ++out.entryCount;
                out.replayEnd = next;
            }
        } else if (kind == LineKind::Begin && !inGroup) {
            inGroup = true;
            groupWhat = word;
            groupEntries = 0;
        } else if (kind == LineKind::End && inGroup && word == std::to_string(groupEntries)) {
            inGroup = false;
            out.entryCount += groupEntries;
            out.replayEnd = next;
        } else {
            out.damagedLine = lineNo;
            out.ignoredBytes = bytes.size() - pos;
            break;
        }
        if (lineNo == 1)
            out.replayEnd = next;
        pos = next;
    }
    if (inGroup) {
        out.cutGroup = true;
        out.cutGroupWhat.assign(groupWhat);
        out.cutGroupEntries = groupEntries;
    }
    return out;
}

void forEachJournalEntry(std::string_view bytes, const JournalScan &scan, const std::function<void(const StockChange &)> &apply,
                         const std::function<void(const AttributeChange &)> &applyAttribute,
                         const std::function<void(const EntryNote &)> &noteOf)
{
    size_t pos = 0, next = 0;
    int lineNo = 0;
    StockChange entry;
    BaseStamp base;
    std::string_view word;
    ChangeSource source = ChangeSource::Typing; // a single entry's
    while (pos < scan.replayEnd) {
        ++lineNo;
        switch (readLine(bytes, pos, lineNo, next, entry, base, word)) {
        case LineKind::Entry:
            entry.source = source;
            apply(entry);
            break;
        case LineKind::Attribute:
            if (applyAttribute)
                applyAttribute(lastAttribute);
            break;
        case LineKind::Begin:
            source = sourceOfGroupWord(word);
            break;
        case LineKind::Note:
            if (noteOf)
                noteOf(lastNote);
            break;
        case LineKind::End:
            source = ChangeSource::Typing;
            break;
        default:
            break;
        }
        pos = next;
    }
}

JournalContents parseJournal(std::string_view bytes)
{
    JournalContents out;
    static_cast<JournalScan &>(out) = scanJournal(bytes);
    out.entries.reserve(out.entryCount);
    forEachJournalEntry(bytes, out, [&out](const StockChange &e) { out.entries.push_back(e); });
    return out;
}

struct JournalReplay::Indexes {
    NameIndex names;
    ValueCache values;
    ViewList view;
};

JournalReplay::JournalReplay(CompStore &store, RecordAttributes *attributes)
    : store_(store), attributes_(attributes), indexes_(std::make_unique<Indexes>())
{
    indexes_->names.rebuild(store_);
    indexes_->values.rebuild(store_);
}

JournalReplay::~JournalReplay() = default;

void JournalReplay::apply(const StockChange &e)
{
    const StockKey &key = e.key;
    ViewList &view = indexes_->view;
    StoreIndexes indexes{indexes_->names, indexes_->values};
    std::string why;
    if (!e.take && store_.full() && (findRecords(store_, &indexes_->names, key, view), view.viewcount == 0)) {
        // Said once per entry of a long journal of new records: the text is made once.
        static const std::string full = cp1251("в базе уже 65535 записей");
        why = full;
    } else if (!e.take) {
        const StockResult r = changeStock(store_, view, e, &indexes);
        if (r.refused)
            why = r.messages.back();
    } else {
        // A take or a removal applies only to the record as the journal saw it: the
        // record must be there and hold what was taken (nothing, for a removal).
        findRecords(store_, &indexes_->names, key, view);
        const int slot = view.viewcount > 0 ? view.viewlist[1] : 0;
        if (!isDrop(e)) {
            if (slot == 0)
                why = cp1251("такой записи нет");
            else if (store_.quantity[slot] < e.amount)
                why = cp1251("в записи только ") + std::to_string(store_.quantity[slot]);
            else if (const StockResult r = changeStock(store_, view, e, &indexes); r.refused)
                why = r.messages.back();
        } else {
            int empty = 0;
            for (uint16_t i = 1; i <= view.viewcount && !empty; ++i)
                if (store_.quantity[view.viewlist[i]] == 0)
                    empty = view.viewlist[i];
            if (empty == 0)
                why = cp1251("пустой записи с такими данными нет");
            else
                removeIndexed(store_, indexes_->names, indexes_->values, empty);
        }
    }
    if (why.empty()) {
        ++report_.applied;
    } else {
        if (report_.notApplied.size() < ReplayReport::kListed)
            report_.notApplied.push_back(describe(e) + ": " + why);
        ++report_.notAppliedCount;
    }
}

uint32_t JournalReplay::quantityOf(const StockKey &key)
{
    findRecords(store_, &indexes_->names, key, indexes_->view);
    return indexes_->view.viewcount > 0 ? store_.quantity[indexes_->view.viewlist[1]] : 0;
}

void JournalReplay::apply(const AttributeChange &c)
{
    // Applied whether or not the record is in the store now: attributes outlive its parts.
    const std::optional<Attribute> a = attributeOfKey(c.attribute);
    std::string value = c.value;
    std::string why;
    if (!attributes_)
        why = cp1251("файл attrs.dat не прочитан целиком");
    else if (!a || !normalizeAttribute(*a, value).empty())
        why = cp1251("такого свойства записи эта версия программы не знает");
    else
        attributes_->set({c.category, c.name, c.description}, *a, value);
    if (why.empty()) {
        ++report_.applied;
        return;
    }
    if (report_.notApplied.size() < ReplayReport::kListed)
        report_.notApplied.push_back(cp1251("задать ") + c.attribute + " \xAB" + c.value + "\xBB " + c.name + " " +
                                     c.description + cp1251(" (раздел ") + std::to_string(c.category) + "): " + why);
    ++report_.notAppliedCount;
}

ReplayReport replayJournal(CompStore &store, const std::vector<StockChange> &entries)
{
    JournalReplay replay(store);
    for (const StockChange &e : entries)
        replay.apply(e);
    return replay.report();
}

Journal::Journal(std::string datapath, Messages &messages) : datapath_(std::move(datapath)), messages_(messages) {}

Journal::~Journal() { closeFile(); }

void Journal::closeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

void Journal::setBase(std::string_view mainFileBytes)
{
    base_ = stampOf(mainFileBytes);
    unstamped_.reset();
    continueFile_ = false;
}

void Journal::setBase(std::shared_ptr<const std::string> mainFileBytes)
{
    unstamped_ = std::move(mainFileBytes);
    continueFile_ = false;
}

const BaseStamp &Journal::base() const
{
    if (unstamped_) {
        base_ = stampOf(*unstamped_);
        unstamped_.reset();
    }
    return base_;
}

bool Journal::recover(CompStore &store, std::string_view loadedMainBytes)
{
    return recover(store, std::make_shared<const std::string>(loadedMainBytes));
}

bool Journal::recover(CompStore &store, std::shared_ptr<const std::string> loadedMainBytes)
{
    setBase(std::move(loadedMainBytes));
    unreadable_ = false;
    ReadResult file = readFileBytes(path(), readlimit::kJournal);
    if (file.status == ReadStatus::Missing)
        return false;
    const std::string name = pathForMessage(path());
    if (file.status == ReadStatus::Failed) {
        // Whatever it holds is not known: it is neither replayed nor removed, and nothing is
        // written in this run, so that a new journal cannot take its place.
        unreadable_ = true;
        std::string text = readFailureMessage(path(), file) +
                           cp1251("\rИзменения, записанные в журнале, не восстановлены, и файл оставлен как есть. "
                                  "База открыта только для просмотра: изменения не сохраняются, а журнал не будет ни "
                                  "удалён, ни перезаписан.\r");
        if (file.tooLarge)
            text += cp1251("Журнал такого размера программа не восстанавливает. Если его изменения не нужны, удалите "
                           "файл ") + name + cp1251(" и запустите программу снова.");
        else
            text += cp1251("Чтобы восстановить изменения, сделайте файл ") + name +
                    cp1251(" обычным файлом, доступным вам для чтения и записи (например, верните себе права на "
                           "него), и запустите программу снова. Если эти изменения не нужны, удалите файл.");
        messages_.error(text);
        return false;
    }
    const JournalScan scan = scanJournal(file.bytes);
    if (!scan.hasHeader || !(scan.base == base())) {
        // Written before the last save of main.dat (the save succeeded, the emptying of the
        // journal did not happen), or not a journal at all: its changes are in main.dat or
        // do not belong to it.
        if (scan.hasHeader && (scan.entryCount || scan.cutGroup || scan.damagedLine))
            messages_.inform(cp1251("Журнал изменений ") + name +
                             cp1251(" относится к другой версии main.dat (сохранённой позже); он не применяется и удалён."));
        else if (!file.bytes.empty() && !scan.hasHeader)
            messages_.error(cp1251("Файл ") + name + cp1251(" не является журналом изменений или повреждён в начале; он не применяется и удалён."));
        ::unlink(path().c_str());
        return false;
    }
    if (scan.damagedLine)
        messages_.error(cp1251("Конец журнала изменений ") + name + cp1251(" повреждён (со строки ") +
                        std::to_string(scan.damagedLine) + ", " + std::to_string(scan.ignoredBytes) +
                        cp1251(" байт) — вероятно, программа была остановлена во время записи. Эта часть пропущена."));
    if (scan.cutGroup)
        messages_.error(cp1251("Последнее групповое изменение в журнале ") + name + " (" + groupText(scan.cutGroupWhat) +
                        cp1251(") записано не до конца — вероятно, программа была остановлена во время записи. "
                               "Оно не применено целиком (ни одно из ") +
                        std::to_string(scan.cutGroupEntries) +
                        cp1251(" прочитанных изменений): склад такой, каким был до него."));
    if (scan.entryCount == 0) {
        ::unlink(path().c_str());
        return false;
    }
    JournalReplay replay(store, attributes_);
    // The history lines of the changes replayed: those the history does not hold yet are
    // appended (the others were written before the program stopped).
    std::vector<HistoryLine> historyLines;
    std::optional<EntryNote> note;
    {
        // The share done is told at most a hundred times, by bytes of the journal.
        size_t done = 0, nextTell = 0;
        const size_t step = std::max<size_t>(scan.replayEnd / 100, 1);
        int lastPercent = -1;
        forEachJournalEntry(file.bytes, scan, [&](const StockChange &e) {
            const size_t appliedBefore = replay.report().applied;
            replay.apply(e);
            if (history_ && replay.report().applied > appliedBefore && !(e.take && e.amount == 0)) {
                const uint32_t after = replay.quantityOf(e.key);
                if (note && note->id > 0) {
                    HistoryLine l{note->id, note->group ? note->group : note->id, note->time, note->source, e.key,
                                  e.take, e.amount, after, note->note, note->undoes};
                    historyLines.push_back(std::move(l));
                } else {
                    // Written by a program without the history: what it was is all that is known.
                    StockChange replayed = e;
                    replayed.source = ChangeSource::Replay;
                    historyLines.push_back(history_->make(replayed, after, {}, 0));
                }
            }
            note.reset();
            done += e.key.name.size() + e.key.description.size() + 24;
            if (progress_ && done >= nextTell) {
                nextTell = done + step;
                const int percent = static_cast<int>(std::min<size_t>(done * 100 / std::max<size_t>(scan.replayEnd, 1), 99));
                if (percent != lastPercent)
                    progress_(lastPercent = percent);
            }
        }, [&replay](const AttributeChange &c) { replay.apply(c); }, [&note](const EntryNote &n) { note = n; });
        if (progress_)
            progress_(100);
    }
    if (history_ && !historyLines.empty())
        (void)history_->append(historyLines); // a failure is said by the history
    const ReplayReport &report = replay.report();
    std::string text = cp1251("Программа в прошлый раз не была закрыта как следует. Восстановлено изменений из журнала: ") +
                       std::to_string(report.applied) + ".";
    if (report.notAppliedCount) {
        text += cp1251("\rНе применены (") + std::to_string(report.notAppliedCount) + "):";
        for (const std::string &t : report.notApplied)
            text += "\r" + t;
        if (report.notApplied.size() < report.notAppliedCount)
            text += "\r...";
    }
    messages_.inform(text);
    // Until the recovered store is saved, the journal on disk keeps it: later changes are
    // appended to it (when every byte of it was replayed) rather than starting it anew.
    continueFile_ = scan.replayEnd == file.bytes.size();
    changes_ = static_cast<int>(std::min<size_t>(report.applied, INT_MAX));
    if (!continueFile_) {
        // Rewritten without the part left out, so that appends follow the last good line.
        file.bytes.resize(scan.replayEnd);
        const WriteResult written = replaceFileAtomically(path(), file.bytes);
        continueFile_ = written.ok;
    }
    return true;
}

bool Journal::openForAppend(std::string &reason)
{
    const std::string p = path();
    // O_NONBLOCK: a FIFO in its place must not stop the program; only a regular file is written.
    const int flags = O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    fd_ = ::open(p.c_str(), flags, 0644);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        const bool special = fd_ >= 0 ? !S_ISREG(st.st_mode) : err == ENXIO || err == EISDIR;
        reason = special ? cp1251("это не обычный файл (канал, устройство или папка)") : systemErrorText(err);
        closeFile();
        return false;
    }
    // Truncated only once known to be a regular file; shared with the folder's group, so
    // that another member can recover it after a crash.
    if (!continueFile_ && ::ftruncate(fd_, 0) != 0) {
        reason = systemErrorText(errno);
        closeFile();
        return false;
    }
    shareWithFolderGroup(fd_, datapath_);
    if (!continueFile_) {
        const std::string header = journalHeaderLine(base());
        if (::write(fd_, header.data(), header.size()) != static_cast<ssize_t>(header.size())) {
            reason = (errno ? systemErrorText(errno) : cp1251("записано не всё"));
            closeFile();
            ::unlink(p.c_str());
            return false;
        }
        continueFile_ = true;
    }
    // The file's own name must reach the disk too: after the first lines, whose flush of a
    // new file commits its name with it on most file systems, so that the folder's flush
    // then has little or nothing left to wait for (one wait for the disk instead of two).
    nameToSync_ = true;
    return true;
}

void Journal::syncName()
{
    nameToSync_ = false;
    const std::string folder = datapath_.empty() ? "." : datapath_;
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool Journal::append(const std::string &lines, std::string &reason)
{
    if (fd_ < 0 && !openForAppend(reason))
        return false;
    const off_t start = ::lseek(fd_, 0, SEEK_END);
    size_t written = 0;
    errno = 0;
    while (written < lines.size()) {
        const ssize_t n = ::write(fd_, lines.data() + written, lines.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    if (written == lines.size() && ::fdatasync(fd_) == 0) {
        if (nameToSync_)
            syncName();
        return true;
    }
    reason = errno ? systemErrorText(errno) : cp1251("записано не всё");
    // A part of the lines may have gone out: the reader ignores a torn last line (and a group
    // without its end), but a later whole line after it would be lost with it. Start the
    // next append anew where these began.
    if (start < 0 || ::ftruncate(fd_, start) != 0)
        closeFile();
    return false;
}

void Journal::failed(const std::string &reason, int changes)
{
    if (!failureShown_)
        messages_.error(cp1251("Не удалось записать изменение в журнал ") + pathForMessage(path()) + ": " + reason +
                        cp1251("\rИзменение сделано в памяти и будет сохранено при закрытии программы, но если "
                               "программа завершится аварийно, оно пропадёт."));
    failureShown_ = true;
    changes_ += changes;
}

bool Journal::record(const AttributeChange &change)
{
    std::string reason;
    if (change.name.find_first_of(std::string_view("\r\x1A\x01", 3)) != std::string::npos ||
        change.description.find_first_of(std::string_view("\r\x1A", 2)) != std::string::npos ||
        (change.attribute + change.value).find_first_of(std::string_view("\r\n\x1A\x01", 4)) != std::string::npos)
        reason = cp1251("название, описание или значение содержит управляющие символы");
    return recordLine(journalAttributeLine(change), std::move(reason));
}

bool Journal::record(const StockChange &entry, const std::string &noteLine)
{
    std::string reason;
    // The store never holds these (the changing rules refuse them), but a line must stay a line.
    if (entry.key.name.find_first_of(std::string_view("\r\x1A\x01", 3)) != std::string::npos ||
        entry.key.description.find_first_of(std::string_view("\r\x1A", 2)) != std::string::npos)
        reason = cp1251("название или описание содержит управляющие символы");
    return recordLine(noteLine + journalEntryLine(entry), std::move(reason));
}

bool Journal::recordLine(std::string line, std::string reason)
{
    if (groupDepth_ > 0) {
        // Written with the rest of its group; one entry that cannot be written keeps the
        // whole group out, as a replay would leave out a group cut short.
        if (!reason.empty() && groupFailure_.empty())
            groupFailure_ = reason;
        group_ += line;
        ++groupEntries_;
        return reason.empty();
    }
    if (reason.empty() && append(line, reason)) {
        failureShown_ = false;
        ++changes_;
        return true;
    }
    failed(reason, 1);
    return false;
}

void Journal::beginGroup(ChangeSource source)
{
    if (groupDepth_++ > 0)
        return;
    group_ = journalBeginLine(journalGroupWord(source));
    groupEntries_ = 0;
    groupFailure_.clear();
}

bool Journal::endGroup()
{
    if (groupDepth_ == 0 || --groupDepth_ > 0)
        return true;
    std::string lines = std::move(group_);
    group_.clear();
    const int entries = groupEntries_;
    groupEntries_ = 0;
    if (entries == 0)
        return true; // nothing changed: nothing to write
    std::string reason = std::move(groupFailure_);
    groupFailure_.clear();
    if (reason.empty()) {
        lines += journalEndLine(static_cast<size_t>(entries));
        if (append(lines, reason)) {
            failureShown_ = false;
            changes_ += entries;
            return true;
        }
    }
    failed(reason, entries);
    return false;
}

void Journal::saved(std::string_view mainFileBytes)
{
    closeFile();
    ::unlink(path().c_str());
    setBase(mainFileBytes);
    changes_ = 0;
}

bool Journal::discard(std::string &reason)
{
    bool dropped = true;
    // Only a file this program wrote, or recovered and continued, is its to drop.
    if (fd_ >= 0 || continueFile_) {
        const std::string p = path();
        int fd = fd_;
        if (fd < 0)
            fd = ::open(p.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        const int openError = errno;
        const bool opened = fd >= 0;
        bool emptied = false;
        if (opened) {
            emptied = ::ftruncate(fd, 0) == 0 && ::fdatasync(fd) == 0;
            if (!emptied)
                reason = systemErrorText(errno);
            if (fd != fd_)
                ::close(fd);
        }
        closeFile();
        bool removed = ::unlink(p.c_str()) == 0;
        const int unlinkError = errno;
        if (!emptied && !removed) {
            // Not there by its name: gone, unless its folder cannot be reached either (then
            // it may come back with the folder).
            const std::string folder = datapath_.empty() ? "." : datapath_;
            if (!opened && unlinkError == ENOENT && ::access(folder.c_str(), F_OK) == 0)
                removed = true;
            else if (reason.empty())
                reason = systemErrorText(unlinkError == ENOENT && !opened ? openError : unlinkError);
        }
        dropped = emptied || removed;
    }
    continueFile_ = false;
    changes_ = 0;
    groupDepth_ = 0;
    group_.clear();
    return dropped;
}

} // namespace vosk
