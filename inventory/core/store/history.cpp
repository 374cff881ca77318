#include "history.h"

#include "folderlock.h"

#include "cp1251.h"
#include "filebytes.h"
#include "messages.h"
#include "syserror.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace vosk {
namespace {

constexpr std::pair<ChangeSource, const char *> kSourceWords[] = {
    {ChangeSource::Typing, "окно"},         {ChangeSource::CommandLine, "командная строка"},
    {ChangeSource::Import, "импорт"},       {ChangeSource::Pass, "выдача"},
    {ChangeSource::Stocktake, "инвентаризация"}, {ChangeSource::Move, "перевод"},
    {ChangeSource::Replay, "восстановление"}, {ChangeSource::Undo, "отмена"},
};

constexpr size_t kColumns = 12;
// A line longer than this is no line of this program (a record's text is far shorter).
constexpr size_t kMaxLine = 256 * 1024;

void escapeInto(std::string &out, std::string_view text)
{
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += "0123456789abcdef"[b >> 4];
            out += "0123456789abcdef"[b & 15];
        } else {
            out += c;
        }
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool unescape(std::string_view text, std::string &out)
{
    out.clear();
    if (text.find_first_of(std::string_view("\\\x7f", 2)) == std::string_view::npos &&
        std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        out.assign(text);
        return true;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x20 || b == 0x7F)
            return false;
        if (text[i] != '\\') {
            out += text[i];
        } else if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < text.size() && text[i + 1] == 'x' && hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3]));
            i += 3;
        } else {
            return false;
        }
    }
    return true;
}

template <class T>
bool number(std::string_view s, T &out)
{
    if (s.empty() || s.size() > 19 || (s.size() > 1 && s[0] == '0'))
        return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool timeText(std::string_view t)
{
    // YYYY-MM-DD HH:MM:SS
    if (t.size() != 19)
        return false;
    for (size_t i = 0; i < t.size(); ++i) {
        const char want = i == 4 || i == 7 ? '-' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : '0';
        if (want == '0' ? (t[i] < '0' || t[i] > '9') : t[i] != want)
            return false;
    }
    return true;
}

std::string timeOf(std::time_t when)
{
    std::tm tm{};
    localtime_r(&when, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

// A take a user made to use the parts (not a move, a stocktake or an undo).
bool usedTake(const HistoryLine &l)
{
    return l.take && (l.source == ChangeSource::Typing || l.source == ChangeSource::CommandLine ||
                      l.source == ChangeSource::Pass || l.source == ChangeSource::Replay);
}

} // namespace

namespace {
// The words in code page 1251, made once: every line read compares one.
const std::vector<std::pair<ChangeSource, std::string>> &sourceWords()
{
    static const auto words = [] {
        std::vector<std::pair<ChangeSource, std::string>> out;
        for (const auto &[s, word] : kSourceWords)
            out.emplace_back(s, cp1251(word));
        return out;
    }();
    return words;
}
} // namespace

std::string historySourceWord(ChangeSource source)
{
    for (const auto &[s, word] : sourceWords())
        if (s == source)
            return word;
    return sourceWords()[6].second;
}

bool historySourceOfWord(std::string_view word, ChangeSource &source)
{
    for (const auto &[s, w] : sourceWords())
        if (w == word) {
            source = s;
            return true;
        }
    return false;
}

std::string historyHeaderLine()
{
    return cp1251("№\tШаг\tДата и время\tОткуда\tРаздел\tНазвание раздела\tНазвание\tОписание\tКоличество\tОсталось\t"
                  "Примечание\tОтменяет\r\n");
}

std::string historyLineText(const HistoryLine &l, std::string_view categoryName)
{
    std::string out;
    out.reserve(96 + l.key.name.size() + l.key.description.size() + l.note.size());
    out += std::to_string(l.id) + '\t' + std::to_string(l.group) + '\t' + l.time + '\t' + historySourceWord(l.source) +
           '\t' + std::to_string(l.key.category) + '\t';
    escapeInto(out, categoryName);
    out += '\t';
    escapeInto(out, l.key.name);
    out += '\t';
    escapeInto(out, l.key.description);
    out += '\t';
    out += (l.take ? "-" : "+") + std::to_string(l.amount) + '\t' + std::to_string(l.after) + '\t';
    escapeInto(out, l.note);
    out += '\t';
    if (l.undoes)
        out += std::to_string(l.undoes);
    out += "\r\n";
    return out;
}

bool parseHistoryLine(std::string_view text, HistoryLine &l)
{
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    std::string_view f[kColumns];
    size_t n = 0;
    for (size_t at = 0;; ++n) {
        const size_t tab = text.find('\t', at);
        if (n == kColumns)
            return false;
        f[n] = text.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at);
        if (tab == std::string_view::npos)
            break;
        at = tab + 1;
    }
    if (n + 1 != kColumns)
        return false;
    std::string category;
    int amount = 0;
    if (!number(f[0], l.id) || l.id == 0 || !number(f[1], l.group) || l.group == 0 || l.group > l.id ||
        !timeText(f[2]) || !historySourceOfWord(f[3], l.source) || !number(f[4], l.key.category) ||
        l.key.category > 0xFFFF || !unescape(f[5], category) || !unescape(f[6], l.key.name) ||
        !unescape(f[7], l.key.description) || f[8].size() < 2 || (f[8][0] != '+' && f[8][0] != '-') ||
        (f[8] != "-0" && !number(f[8].substr(1), amount)) || amount > 0xFFFF || !number(f[9], l.after) ||
        l.after > 0xFFFF || !unescape(f[10], l.note))
        return false;
    l.time.assign(f[2]);
    l.take = f[8][0] == '-';
    l.amount = amount;
    l.undoes = 0;
    return f[11].empty() || (number(f[11], l.undoes) && l.undoes > 0);
}

std::string cleanNote(std::string_view note)
{
    std::string out;
    for (const char c : note) {
        const auto b = static_cast<unsigned char>(c);
        out += b < 0x20 || b == 0x7F ? ' ' : c;
    }
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    out.erase(0, first);
    out.erase(out.find_last_not_of(' ') + 1);
    if (out.size() > kMaxNote)
        out.resize(kMaxNote);
    return out;
}

std::string historyTimeNow() { return timeOf(std::time(nullptr)); }
std::string historyTimeDaysAgo(int days) { return timeOf(std::time(nullptr) - std::time_t(days) * 86400); }

std::string HistoryRead::problem(const std::string &fileName) const
{
    if (!failure.empty())
        return failure + cp1251("\rИстория изменений не показана; склад это не затрагивает.");
    std::string text;
    if (olderCut)
        text = cp1251("Файл ") + fileName + cp1251(" очень велик: прочитаны только последние ") +
               std::to_string(kHistoryRead >> 20) + cp1251(" МБ, более старые изменения пропущены.");
    if (skipped)
        text += (text.empty() ? "" : "\r") + cp1251("В файле ") + fileName + cp1251(" пропущены нечитаемые строки: ") +
                std::to_string(skipped) + cp1251(" (первая — строка ") + std::to_string(firstSkipped) +
                cp1251("). Остальные изменения показаны.");
    return text;
}

HistoryRead readHistoryBytes(std::string_view bytes, bool firstLineWhole)
{
    HistoryRead out;
    size_t pos = 0;
    int lineNo = 0;
    if (!firstLineWhole) {
        // The bytes begin inside a line: it starts after the first line end.
        const size_t nl = bytes.find('\n');
        pos = nl == std::string_view::npos ? bytes.size() : nl + 1;
    }
    out.lines.reserve(bytes.size() / 96);
    HistoryLine line;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        const bool whole = end != std::string_view::npos;
        if (!whole)
            end = bytes.size();
        const std::string_view text = bytes.substr(pos, end - pos);
        ++lineNo;
        pos = whole ? end + 1 : end;
        if (lineNo == 1 && firstLineWhole && text.rfind("\xB9\t", 0) == 0) // "№", the column names
            continue; // the column names
        if (text == "\r" || text.empty())
            continue;
        if (whole && text.size() <= kMaxLine && parseHistoryLine(text, line)) {
            out.lines.push_back(std::move(line));
            line = {};
            continue;
        }
        if (out.skipped++ == 0)
            out.firstSkipped = lineNo;
    }
    return out;
}

HistoryRead readHistoryFile(const std::string &path, size_t limit)
{
    HistoryRead out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0 && errno == ENOENT) {
        out.missing = true;
        return out;
    }
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        out.failure = cp1251("Не удалось прочитать файл ") + pathForMessage(path) + ": " +
                      (fd >= 0 ? cp1251("это не обычный файл (канал, устройство или папка)") : systemErrorText(err));
        if (fd >= 0)
            ::close(fd);
        return out;
    }
    const auto size = static_cast<size_t>(st.st_size);
    const size_t from = size > limit ? size - limit : 0;
    std::string bytes(size - from, '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(from + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            out.failure = cp1251("Не удалось прочитать файл ") + pathForMessage(path) + ": " + systemErrorText(errno);
            ::close(fd);
            return out;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);
    HistoryRead read = readHistoryBytes(bytes, from == 0);
    read.olderCut = from > 0;
    return read;
}

bool historyLineShown(const HistoryLine &l, std::string_view since, std::string_view find)
{
    if (!since.empty() && std::string_view(l.time).substr(0, since.size()) < since)
        return false;
    if (find.empty())
        return true;
    for (const std::string *text : {&l.key.name, &l.key.description, &l.note})
        if (text->find(find) != std::string::npos)
            return true;
    return false;
}

bool historyDateText(std::string_view text)
{
    static const std::string_view sample = "2000-01-01 00:00:00";
    if (text.size() != 10 && text.size() != 16 && text.size() != 19)
        return false;
    std::string full(text);
    full += sample.substr(text.size());
    return timeText(full);
}

std::vector<HistoryLine> historyOf(const std::vector<HistoryLine> &lines, const StockKey &key)
{
    std::vector<HistoryLine> out;
    for (const HistoryLine &l : lines)
        if (l.key == key)
            out.push_back(l);
    return out;
}

RecordUse recordUse(const std::vector<HistoryLine> &lines, const StockKey &key, const std::string &now)
{
    RecordUse use;
    const std::string yearAgo = timeOf(std::time(nullptr) - std::time_t(365) * 86400);
    // The lines an undo took back count as never made, and the undo itself not at all.
    std::vector<uint64_t> undone;
    for (const HistoryLine &l : lines)
        if (l.undoes)
            undone.push_back(l.undoes);
    std::sort(undone.begin(), undone.end());
    int64_t used = 0;
    for (const HistoryLine &l : lines) {
        if (!(l.key == key) || l.source == ChangeSource::Undo || std::binary_search(undone.begin(), undone.end(), l.id))
            continue;
        if (usedTake(l)) {
            if (l.time >= yearAgo && l.time <= now)
                used += l.amount;
            use.lastTaken = std::max(use.lastTaken, l.time);
        } else if (!l.take && l.source != ChangeSource::Move && l.amount > 0) {
            use.lastAdded = std::max(use.lastAdded, l.time);
        }
    }
    use.usedLastYear = static_cast<uint32_t>(used);
    return use;
}

std::vector<StockKey> untouchedSince(const std::vector<HistoryLine> &lines, const std::vector<StockKey> &held,
                                     const std::string &yearAgo)
{
    std::vector<StockKey> out;
    if (lines.empty() || lines.front().time >= yearAgo)
        return out;
    std::map<StockKey, std::string> last;
    for (const HistoryLine &l : lines) {
        std::string &t = last[l.key];
        t = std::max(t, l.time);
    }
    for (const StockKey &k : held) {
        const auto it = last.find(k);
        if (it == last.end() || it->second < yearAgo)
            out.push_back(k);
    }
    return out;
}

// --- the file a program writes

History::History(std::string datapath, Messages &messages) : datapath_(std::move(datapath)), messages_(messages) {}

History::~History()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool History::openFile(std::string &reason)
{
    if (fd_ >= 0)
        return true;
    const int flags = O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    fd_ = ::open(path().c_str(), flags, 0644);
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno;
        reason = fd_ >= 0 || err == ENXIO || err == EISDIR || err == ELOOP
                     ? cp1251("это не обычный файл (канал, устройство, папка или ссылка)")
                     : systemErrorText(err);
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return false;
    }
    // Shared with the folder's group as the journal is: another member of it recovers the
    // journal after a crash, and with it appends to the history.
    shareWithFolderGroup(fd_, datapath_);
    return true;
}

void History::readEnd()
{
    if (endRead_)
        return;
    endRead_ = true;
    std::string reason;
    if (!openFile(reason))
        return; // said at the first append
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return;
    const auto size = static_cast<size_t>(st.st_size);
    // The last ids are in the last lines: a bounded piece of the end is read, however large
    // the file is.
    constexpr size_t kEnd = 1 << 20;
    const size_t from = size > kEnd ? size - kEnd : 0;
    std::string bytes(size - from, '\0');
    const ssize_t n = ::pread(fd_, bytes.data(), bytes.size(), static_cast<off_t>(from));
    if (n < 0)
        return;
    bytes.resize(static_cast<size_t>(n));
    // A line of this program cut short by a kill in the middle of an append goes: the journal
    // still holds its change and writes it again. Anything else after the last line end stays,
    // ended, and is skipped when read.
    if (!bytes.empty() && bytes.back() != '\n') {
        const size_t nl = bytes.rfind('\n');
        const std::string_view cut = std::string_view(bytes).substr(nl == std::string::npos ? 0 : nl + 1);
        const bool ours = cut.size() < 65536 && cut[0] >= '0' && cut[0] <= '9' &&
                          std::none_of(cut.begin(), cut.end(), [](char c) {
                              return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r';
                          });
        if (ours && ::ftruncate(fd_, static_cast<off_t>(from + bytes.size() - cut.size())) == 0)
            bytes.resize(bytes.size() - cut.size());
        else if (::write(fd_, "\r\n", 2) == 2)
            bytes += "\r\n";
    }
    const HistoryRead read = readHistoryBytes(bytes, from == 0);
    for (const HistoryLine &l : read.lines)
        lastId_ = std::max(lastId_, l.id);
    nextId_ = std::max(nextId_, lastId_ + 1);
    if (savedSize_ < 0)
        savedSize_ = static_cast<long long>(from + bytes.size());
}

uint64_t History::lastId()
{
    readEnd();
    return lastId_;
}

HistoryLine History::make(const StockChange &change, uint32_t after, std::string note, uint64_t undoes)
{
    readEnd();
    HistoryLine l;
    l.id = nextId_++;
    if (groupDepth_ > 0 && group_ == 0)
        group_ = l.id;
    l.group = groupDepth_ > 0 ? group_ : l.id;
    l.time = historyTimeNow();
    l.source = change.source;
    l.key = change.key;
    l.take = change.take;
    l.amount = change.amount;
    l.after = after;
    l.note = cleanNote(note);
    l.undoes = undoes;
    return l;
}

void History::beginGroup()
{
    if (groupDepth_++ == 0)
        group_ = 0;
}

void History::endGroup()
{
    if (groupDepth_ > 0)
        --groupDepth_;
}

bool History::append(const std::vector<HistoryLine> &lines)
{
    readEnd();
    std::string text;
    std::string reason;
    const bool opened = openFile(reason);
    struct stat st {};
    if (opened && ::fstat(fd_, &st) == 0 && st.st_size == 0)
        text = historyHeaderLine();
    std::vector<HistoryLine> pending = std::move(unwritten_);
    unwritten_.clear();
    pending.insert(pending.end(), lines.begin(), lines.end());
    uint64_t last = lastId_;
    for (const HistoryLine &l : pending) {
        if (l.id <= last)
            continue; // the file holds it already
        const std::string name = static_cast<size_t>(l.key.category) < categories_.size() ? categories_[l.key.category] : std::string();
        text += historyLineText(l, name);
        last = l.id;
    }
    if (text.empty())
        return true;
    if (opened) {
        const off_t start = ::lseek(fd_, 0, SEEK_END);
        size_t written = 0;
        errno = 0;
        while (written < text.size()) {
            const ssize_t n = ::write(fd_, text.data() + written, text.size() - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            written += static_cast<size_t>(n);
        }
        if (written == text.size()) {
            lastId_ = last;
            failureShown_ = false;
            return true;
        }
        reason = errno ? systemErrorText(errno) : cp1251("записано не всё");
        if (start >= 0)
            (void)::ftruncate(fd_, start);
    }
    for (const HistoryLine &l : pending)
        if (l.id > lastId_)
            unwritten_.push_back(l);
    if (!failureShown_)
        messages_.error(cp1251("Не удалось дописать историю изменений в файл ") + pathForMessage(path()) + ": " + reason +
                        cp1251("\rСклад от этого не пострадал; программа попробует дописать её при следующем изменении."));
    failureShown_ = true;
    return false;
}

void History::sync()
{
    if (fd_ >= 0)
        ::fdatasync(fd_);
}

void History::markSaved()
{
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0)
        savedSize_ = st.st_size;
}

void History::giveUpSinceSave()
{
    unwritten_.clear();
    struct stat st {};
    if (fd_ < 0 || savedSize_ < 0 || ::fstat(fd_, &st) != 0 || st.st_size <= savedSize_)
        return;
    if (::ftruncate(fd_, static_cast<off_t>(savedSize_)) == 0) {
        ::fdatasync(fd_);
        endRead_ = false;
        lastId_ = 0;
        readEnd();
    }
}

} // namespace vosk
