#include "journal.h"

#include "cp1251.h"
#include "crc32.h"
#include "filebytes.h"
#include "filter.h"
#include "folderlock.h"
#include "messages.h"
#include "stock.h"
#include "syserror.h"

#include <cerrno>
#include <charconv>
#include <cstring>
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

bool parseEntry(std::string_view body, JournalEntry &e)
{
    std::string_view kind, category, name, amount;
    if (!field(body, kind) || !field(body, category) || !field(body, name) || !field(body, amount))
        return false;
    if (kind.size() != 1 || (kind[0] != '+' && kind[0] != '-' && kind[0] != '0'))
        return false;
    if (body.empty() || body.back() != sep)
        return false;
    body.remove_suffix(1); // the description is what remains before the CRC's separator
    e.kind = static_cast<JournalEntry::Kind>(kind[0]);
    if (!decimal(category, e.category) || e.category > 0xFFFF || !decimal(amount, e.amount) || e.amount > 0xFFFF)
        return false;
    e.name.assign(name);
    e.description.assign(body);
    return true;
}

std::string describe(const JournalEntry &e)
{
    std::string what = e.kind == JournalEntry::Kind::Add    ? cp1251("добавить ")
                       : e.kind == JournalEntry::Kind::Take ? cp1251("взять ")
                                                            : cp1251("убрать пустую запись ");
    if (e.kind != JournalEntry::Kind::Drop)
        what += std::to_string(e.amount) + " ";
    return what + e.name + " " + e.description + cp1251(" (раздел ") + std::to_string(e.category) + ")";
}

} // namespace

BaseStamp stampOf(std::string_view mainFileBytes) { return {mainFileBytes.size(), crcOf(mainFileBytes)}; }

std::string journalHeaderLine(const BaseStamp &base)
{
    return sealed(std::string("J") + sep + "1" + sep + std::to_string(base.size) + sep + hex8(base.crc) + sep);
}

std::string journalEntryLine(const JournalEntry &e)
{
    std::string body;
    body.reserve(e.name.size() + e.description.size() + 32);
    body += static_cast<char>(e.kind);
    body += sep;
    body += std::to_string(e.category);
    body += sep;
    body += e.name;
    body += sep;
    body += std::to_string(e.amount);
    body += sep;
    body += e.description;
    body += sep;
    return sealed(std::move(body));
}

JournalContents parseJournal(std::string_view bytes)
{
    JournalContents out;
    size_t pos = 0;
    int lineNo = 0;
    while (pos < bytes.size()) {
        ++lineNo;
        const size_t end = bytes.find("\r\n", pos);
        bool ok = end != std::string_view::npos;
        if (ok) {
            const std::string_view line = bytes.substr(pos, end - pos);
            uint32_t crc = 0;
            ok = line.size() >= 9 && line[line.size() - 9] == sep && parseHex8(line.substr(line.size() - 8), crc) &&
                 crcOf(line.substr(0, line.size() - 8)) == crc;
            const std::string_view body = ok ? line.substr(0, line.size() - 8) : std::string_view();
            if (ok && lineNo == 1) {
                ok = out.hasHeader = parseHeader(body, out.base);
            } else if (ok) {
                JournalEntry e;
                ok = parseEntry(body, e);
                if (ok)
                    out.entries.push_back(std::move(e));
            }
        }
        if (!ok) {
            out.damagedLine = lineNo;
            out.ignoredBytes = bytes.size() - pos;
            break;
        }
        pos = end + 2;
    }
    return out;
}

ReplayReport replayJournal(CompStore &store, const std::vector<JournalEntry> &entries)
{
    ReplayReport report;
    ViewList view;
    for (const JournalEntry &e : entries) {
        const StockKey key{e.category, e.name, e.description};
        std::string why;
        if (e.kind == JournalEntry::Kind::Add) {
            const StockResult r = changeStock(store, view, key, static_cast<int>(e.amount), false);
            if (r.refused)
                why = r.messages.back();
        } else {
            // A take or a removal applies only to the record as the journal saw it: the
            // record must be there and hold what was taken (nothing, for a removal).
            filterbase(store, {key.category, key.name, 0, key.description}, true, view);
            const int slot = view.viewcount > 0 ? view.viewlist[1] : 0;
            if (e.kind == JournalEntry::Kind::Take) {
                if (slot == 0)
                    why = cp1251("такой записи нет");
                else if (store.quantity[slot] < e.amount)
                    why = cp1251("в записи только ") + std::to_string(store.quantity[slot]);
                else if (const StockResult r = changeStock(store, view, key, static_cast<int>(e.amount), true); r.refused)
                    why = r.messages.back();
            } else {
                int empty = 0;
                for (uint16_t i = 1; i <= view.viewcount && !empty; ++i)
                    if (store.quantity[view.viewlist[i]] == 0)
                        empty = view.viewlist[i];
                if (empty == 0) {
                    why = cp1251("пустой записи с такими данными нет");
                } else {
                    if (empty != store.compcount)
                        store.movelast(empty);
                    --store.compcount;
                }
            }
        }
        if (why.empty())
            ++report.applied;
        else
            report.notApplied.push_back(describe(e) + ": " + why);
    }
    return report;
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
    const ReadResult file = readFileBytes(path(), readlimit::kJournal);
    if (file.status == ReadStatus::Missing)
        return false;
    if (file.status == ReadStatus::Failed && !file.tooLarge) {
        messages_.error(readFailureMessage(path(), file) +
                        cp1251("\rИзменения, записанные в нём, не восстановлены; файл оставлен как есть."));
        return false;
    }
    const JournalContents contents = parseJournal(file.bytes);
    const std::string name = pathForMessage(path());
    if (file.tooLarge)
        messages_.error(readFailureMessage(path(), file));
    if (!contents.hasHeader || !(contents.base == base())) {
        // Written before the last save of main.dat (the save succeeded, the emptying of the
        // journal did not happen), or not a journal at all: its changes are in main.dat or
        // do not belong to it.
        if (contents.hasHeader && !contents.entries.empty())
            messages_.inform(cp1251("Журнал изменений ") + name +
                             cp1251(" относится к другой версии main.dat (сохранённой позже) и не применяется."));
        else if (!file.bytes.empty() && !contents.hasHeader)
            messages_.error(cp1251("Файл ") + name + cp1251(" не является журналом изменений или повреждён в начале; он не применяется."));
        ::unlink(path().c_str());
        return false;
    }
    if (contents.damagedLine)
        messages_.error(cp1251("Конец журнала изменений ") + name + cp1251(" повреждён (со строки ") +
                        std::to_string(contents.damagedLine) + ", " + std::to_string(contents.ignoredBytes) +
                        cp1251(" байт) — вероятно, программа была остановлена во время записи. Эта часть пропущена."));
    if (contents.entries.empty()) {
        ::unlink(path().c_str());
        return false;
    }
    const ReplayReport report = replayJournal(store, contents.entries);
    std::string text = cp1251("Программа в прошлый раз не была закрыта как следует. Восстановлено изменений из журнала: ") +
                       std::to_string(report.applied) + ".";
    if (!report.notApplied.empty()) {
        text += cp1251("\rНе применены (") + std::to_string(report.notApplied.size()) + "):";
        const size_t shown = std::min<size_t>(report.notApplied.size(), 10);
        for (size_t i = 0; i < shown; ++i)
            text += "\r" + report.notApplied[i];
        if (shown < report.notApplied.size())
            text += "\r...";
    }
    messages_.inform(text);
    // Until the recovered store is saved, the journal on disk keeps it: later changes are
    // appended to it (when it was read whole) rather than starting it anew.
    continueFile_ = !contents.damagedLine && file.status == ReadStatus::Ok;
    changes_ = report.applied;
    if (!continueFile_) {
        // Rewrite it without the damaged part, so appends follow the last good line.
        std::string good = journalHeaderLine(base());
        for (const JournalEntry &e : contents.entries)
            good += journalEntryLine(e);
        const WriteResult written = replaceFileAtomically(path(), good);
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
    // The file's own name must reach the disk too.
    const std::string folder = datapath_.empty() ? "." : datapath_;
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

bool Journal::record(const JournalEntry &entry)
{
    std::string reason;
    bool ok = true;
    // The store never holds these (the changing rules refuse them), but a line must stay a line.
    if (entry.name.find_first_of(std::string_view("\r\x1A\x01", 3)) != std::string::npos ||
        entry.description.find_first_of(std::string_view("\r\x1A", 2)) != std::string::npos) {
        ok = false;
        reason = cp1251("название или описание содержит управляющие символы");
    }
    if (ok && fd_ < 0)
        ok = openForAppend(reason);
    if (ok) {
        const std::string line = journalEntryLine(entry);
        errno = 0;
        const ssize_t n = ::write(fd_, line.data(), line.size());
        if (n != static_cast<ssize_t>(line.size()) || ::fdatasync(fd_) != 0) {
            reason = (errno ? systemErrorText(errno) : cp1251("записано не всё"));
            ok = false;
            // A part of the line may have gone out: the reader ignores a torn last line, but
            // a later whole line after it would be lost with it. Start the next append anew.
            if (n > 0)
                if (::ftruncate(fd_, ::lseek(fd_, 0, SEEK_END) - n) != 0)
                    closeFile();
        }
    }
    if (!ok) {
        if (!failureShown_)
            messages_.error(cp1251("Не удалось записать изменение в журнал ") + pathForMessage(path()) + ": " + reason +
                            cp1251("\rИзменение сделано в памяти и будет сохранено при закрытии программы, но если "
                                   "программа завершится аварийно, оно пропадёт."));
        failureShown_ = true;
        ++changes_;
        return false;
    }
    failureShown_ = false;
    ++changes_;
    return true;
}

void Journal::saved(std::string_view mainFileBytes)
{
    closeFile();
    ::unlink(path().c_str());
    setBase(mainFileBytes);
    changes_ = 0;
}

void Journal::discard()
{
    closeFile();
    ::unlink(path().c_str());
    continueFile_ = false;
    changes_ = 0;
}

} // namespace vosk
