#include "serverstore.h"

#include "cp1251.h"
#include "filebytes.h"
#include "mainfile.h"

#include <libpq-fe.h>

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace vosk::server {

namespace {

std::string t(const char *utf8) { return cp1251(utf8); }

// libpq's and the server's texts are UTF-8 (the client encoding is set so).
std::string serverText(const char *utf8)
{
    std::string s;
    // One line: libpq breaks its messages and indents their second line with a tab.
    for (const char *p = utf8 ? utf8 : ""; *p; ++p)
        if (*p != '\n' && *p != '\t')
            s += *p;
        else if (!s.empty() && s.back() != ' ')
            s += ' ';
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return cp1251FromUtf8(s).value_or(s);
}

struct Result {
    PGresult *r = nullptr;
    explicit Result(PGresult *res) : r(res) {}
    ~Result() { PQclear(r); }
    Result(const Result &) = delete;
    Result &operator=(const Result &) = delete;
    bool ok() const
    {
        const ExecStatusType s = PQresultStatus(r);
        return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
    }
    int rows() const { return PQntuples(r); }
    bool null(int row, int col) const { return PQgetisnull(r, row, col); }
    std::string_view text(int row, int col) const
    {
        return {PQgetvalue(r, row, col), size_t(PQgetlength(r, row, col))};
    }
    long number(int row, int col) const { return std::stol(std::string(text(row, col))); }
    // A bytea column, sent by the server as hex text.
    std::string bytes(int row, int col) const
    {
        size_t n = 0;
        unsigned char *b = PQunescapeBytea(reinterpret_cast<const unsigned char *>(PQgetvalue(r, row, col)), &n);
        std::string s(reinterpret_cast<const char *>(b), n);
        PQfreemem(b);
        return s;
    }
};

// A parameter: text (numbers), or binary (bytea, every byte as it is); nullopt is SQL NULL.
struct Param {
    std::optional<std::string> value;
    bool binary = false;
};
Param num(long v) { return {std::to_string(v), false}; }
Param bytes(std::string_view b) { return {std::string(b), true}; }

// The values of a statement as libpq takes them (pointers into `params`, which must outlive it).
struct Params {
    std::vector<const char *> values;
    std::vector<int> lengths, formats;
    explicit Params(const std::vector<Param> &params)
    {
        for (const Param &p : params) {
            values.push_back(p.value ? p.value->data() : nullptr);
            lengths.push_back(p.value ? int(p.value->size()) : 0);
            formats.push_back(p.binary ? 1 : 0);
        }
    }
};

// Every statement with values goes through here: the values travel apart from the SQL.
std::unique_ptr<Result> exec(Connection &c, const char *sql, const std::vector<Param> &params = {})
{
    const Params p(params);
    auto r = std::make_unique<Result>(
        PQexecParams(c.raw(), sql, int(params.size()), nullptr, p.values.data(), p.lengths.data(), p.formats.data(), 0));
    if (!r->ok())
        c.setError(t("Ошибка базы данных: ") + serverText(PQerrorMessage(c.raw())));
    return r;
}

// Many statements sent without waiting for each answer (libpq's pipeline mode), inside the
// caller's transaction: an import of a full store then takes seconds instead of a round trip
// per line. The answers are read every kBatch statements, so neither side's buffer fills up.
class Pipeline {
public:
    explicit Pipeline(Connection &c) : c_(c) { ok_ = PQenterPipelineMode(c.raw()) == 1; }
    ~Pipeline()
    {
        if (pending_)
            drain();
        PQexitPipelineMode(c_.raw());
    }
    void send(const char *sql, const std::vector<Param> &params)
    {
        if (!ok_)
            return;
        const Params p(params);
        if (PQsendQueryParams(c_.raw(), sql, int(params.size()), nullptr, p.values.data(), p.lengths.data(),
                              p.formats.data(), 0) != 1) {
            fail();
            return;
        }
        if (++pending_ == kBatch)
            drain();
    }
    // Reads every answer sent for; false (the connection's error set) when one failed.
    bool finish()
    {
        if (pending_)
            drain();
        return ok_;
    }

private:
    static constexpr int kBatch = 1000;
    void fail()
    {
        if (ok_)
            c_.setError(t("Ошибка базы данных: ") + serverText(PQerrorMessage(c_.raw())));
        ok_ = false;
    }
    void drain()
    {
        if (PQpipelineSync(c_.raw()) != 1) {
            fail();
            pending_ = 0;
            return;
        }
        // Each statement's answer ends with a null result; the sync point comes last.
        for (; pending_ > 0; --pending_)
            while (PGresult *r = PQgetResult(c_.raw())) {
                const ExecStatusType st = PQresultStatus(r);
                if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
                    if (ok_ && st == PGRES_FATAL_ERROR)
                        c_.setError(t("Ошибка базы данных: ") + serverText(PQresultErrorMessage(r)));
                    ok_ = ok_ && st != PGRES_FATAL_ERROR && st != PGRES_PIPELINE_ABORTED;
                }
                PQclear(r);
            }
        PGresult *sync = PQgetResult(c_.raw());
        if (PQresultStatus(sync) != PGRES_PIPELINE_SYNC)
            fail();
        PQclear(sync);
    }
    Connection &c_;
    bool ok_ = false;
    int pending_ = 0;
};

// Rolls back an open transaction unless committed.
class Transaction {
public:
    explicit Transaction(Connection &c) : c_(c) { open_ = c.command("BEGIN"); }
    ~Transaction()
    {
        if (open_) {
            const std::string kept = c_.error();
            c_.command("ROLLBACK");
            c_.setError(kept);
        }
    }
    bool open() const { return open_; }
    bool commit()
    {
        open_ = false;
        return c_.command("COMMIT");
    }

private:
    Connection &c_;
    bool open_ = false;
};

// Each step brings the schema from the version before it to its own number.
const char *const kSteps[] = {
    // 1: the three files of a folder. Line numbers are 1-based and keep the file's order;
    // `line_end` is the line's own end (CR LF, a lone CR, or nothing on a last line); `tail`
    // is what follows the 0x1A that ends a file's text (usually nothing).
    R"(CREATE TABLE schema_version (version integer NOT NULL);
       INSERT INTO schema_version VALUES (0);
       CREATE TABLE stock_file (name text PRIMARY KEY, tail bytea NOT NULL);
       CREATE TABLE main_line (
         line integer PRIMARY KEY CHECK (line > 0),
         line_end bytea NOT NULL,
         kept bytea,
         category integer CHECK (category BETWEEN 0 AND 65535),
         name bytea,
         quantity integer CHECK (quantity BETWEEN 0 AND 65535),
         description bytea,
         CHECK (CASE WHEN kept IS NULL
                     THEN category IS NOT NULL AND name IS NOT NULL AND quantity IS NOT NULL AND description IS NOT NULL
                     ELSE category IS NULL AND name IS NULL AND quantity IS NULL AND description IS NULL END));
       CREATE TABLE category (line integer PRIMARY KEY CHECK (line > 0), line_end bytea NOT NULL, name bytea NOT NULL);
       CREATE TABLE dictionary_line (line integer PRIMARY KEY CHECK (line > 0), line_end bytea NOT NULL,
                                     text bytea NOT NULL);)",
};
constexpr int kWanted = int(sizeof kSteps / sizeof kSteps[0]);
// Held by whoever changes the schema, so that two upgrades at once run one after the other.
constexpr const char *kSchemaLock = "SELECT pg_advisory_xact_lock(7164031)";

// The lines of a file as the folder's readers see them (a CR ends a line, an LF right after it
// belongs to that end, 0x1A ends the text), each with its own line end so that the file comes
// back byte for byte, and everything from the 0x1A on.
struct Line {
    std::string_view text, end;
};
struct Lines {
    std::vector<Line> lines;
    std::string_view tail;
};
Lines splitLines(std::string_view bytes)
{
    Lines l;
    const size_t eof = std::min(bytes.find('\x1A'), bytes.size());
    size_t pos = 0;
    while (pos < eof) {
        size_t cr = bytes.find('\r', pos);
        if (cr == std::string_view::npos || cr > eof)
            cr = eof;
        size_t next = cr;
        if (next < eof) {
            ++next;
            if (next < eof && bytes[next] == '\n')
                ++next;
        }
        l.lines.push_back({bytes.substr(pos, cr - pos), bytes.substr(cr, next - cr)});
        pos = next;
    }
    l.tail = bytes.substr(eof);
    return l;
}

// A decimal number as the program writes one: no sign, no leading zero, 0...65535.
std::optional<int> plainNumber(std::string_view s)
{
    if (s.empty() || s.size() > 5 || (s.size() > 1 && s[0] == '0'))
        return std::nullopt;
    int v = 0;
    for (char ch : s) {
        if (ch < '0' || ch > '9')
            return std::nullopt;
        v = v * 10 + (ch - '0');
    }
    return v <= 65535 ? std::optional<int>(v) : std::nullopt;
}

struct RecordLine {
    int category = 0;
    std::string_view name;
    int quantity = 0;
    std::string_view description;
};
// A record when the line reads as one and writes back to the same bytes.
std::optional<RecordLine> recordLine(std::string_view line)
{
    if (line.size() < 7 || line.size() > kMaxRecordLine)
        return std::nullopt;
    const size_t a = line.find(datasep);
    const size_t b = a == line.npos ? a : line.find(datasep, a + 1);
    const size_t c = b == line.npos ? b : line.find(datasep, b + 1);
    if (c == line.npos)
        return std::nullopt;
    const auto category = plainNumber(line.substr(0, a));
    const auto quantity = plainNumber(line.substr(b + 1, c - b - 1));
    if (!category || !quantity)
        return std::nullopt;
    return RecordLine{*category, line.substr(a + 1, b - a - 1), *quantity, line.substr(c + 1)};
}

const char *const kFiles[] = {"main.dat", "strings.dat", "components.lst"};

} // namespace

Connection::Connection(const std::string &conninfo)
{
    conn_ = PQconnectdb(conninfo.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) {
        error_ = t("Нет связи с сервером базы данных: ") + serverText(PQerrorMessage(conn_));
        return;
    }
    PQsetClientEncoding(conn_, "UTF8");
    command("SET client_min_messages = warning");
}

Connection::~Connection() { PQfinish(conn_); }

bool Connection::ok() const { return PQstatus(conn_) == CONNECTION_OK; }

// Statements without values only (transaction control, the schema's steps): these may hold
// several statements, which PQexecParams refuses.
bool Connection::command(const char *sql)
{
    Result r(PQexec(conn_, sql));
    if (!r.ok())
        error_ = t("Ошибка базы данных: ") + serverText(PQerrorMessage(conn_));
    return r.ok();
}

int schemaVersionWanted() { return kWanted; }

std::optional<int> schemaVersion(Connection &c)
{
    auto has = exec(c, "SELECT to_regclass('schema_version') IS NOT NULL");
    if (!has->ok())
        return std::nullopt;
    if (has->text(0, 0) != "t")
        return 0;
    auto v = exec(c, "SELECT version FROM schema_version");
    if (!v->ok() || v->rows() != 1)
        return std::nullopt;
    return int(v->number(0, 0));
}

bool initSchema(Connection &c)
{
    const auto v = schemaVersion(c);
    if (!v)
        return false;
    if (*v != 0) {
        c.setError(t("В базе уже есть склад (версия схемы ") + std::to_string(*v) +
                   t("). Для новой версии программы: voskbase-cli db upgrade."));
        return false;
    }
    return upgradeSchema(c).has_value();
}

std::optional<int> upgradeSchema(Connection &c)
{
    for (;;) {
        Transaction tx(c);
        if (!tx.open() || !c.command(kSchemaLock))
            return std::nullopt;
        const auto v = schemaVersion(c);
        if (!v)
            return std::nullopt;
        if (*v > kWanted) {
            c.setError(t("Схема базы новее этой программы (версия ") + std::to_string(*v) +
                       t("): обновите программу."));
            return std::nullopt;
        }
        if (*v == kWanted)
            return tx.commit() ? std::optional<int>(*v) : std::nullopt;
        if (!c.command(kSteps[*v]) ||
            !exec(c, "UPDATE schema_version SET version = $1::integer", {num(*v + 1)})->ok() || !tx.commit())
            return std::nullopt;
    }
}

std::optional<FolderCounts> importFolder(Connection &c, const std::string &folder)
{
    const auto v = schemaVersion(c);
    if (!v)
        return std::nullopt;
    if (*v != kWanted) {
        c.setError(*v == 0 ? t("В базе нет схемы склада: voskbase-cli db init.")
                           : t("Схема базы не той версии: voskbase-cli db upgrade."));
        return std::nullopt;
    }
    ReadResult files[3];
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        const std::string path = folder + "/" + kFiles[i];
        files[i] = readFileBytes(path, i == 0 ? readlimit::kMainFile : readlimit::kDictionary);
        if (files[i].status == ReadStatus::Failed) {
            c.setError(readFailureMessage(path, files[i]));
            return std::nullopt;
        }
        any = any || files[i].status == ReadStatus::Ok;
    }
    if (files[0].status != ReadStatus::Ok) {
        c.setError(t("В папке нет main.dat: ") + pathForMessage(folder));
        return std::nullopt;
    }
    Transaction tx(c);
    if (!tx.open() || !c.command("LOCK TABLE stock_file, main_line, category, dictionary_line IN EXCLUSIVE MODE"))
        return std::nullopt;
    auto held = exec(c, "SELECT (SELECT count(*) FROM stock_file) + (SELECT count(*) FROM main_line)");
    if (!held->ok())
        return std::nullopt;
    if (held->text(0, 0) != "0") {
        c.setError(t("В базе уже есть склад: импорт добавляет только в пустую базу."));
        return std::nullopt;
    }
    FolderCounts n;
    bool sent = false;
    {
        Pipeline batch(c);
        for (int i = 0; i < 3; ++i) {
            if (files[i].status != ReadStatus::Ok)
                continue;
            const Lines l = splitLines(files[i].bytes);
            batch.send("INSERT INTO stock_file (name, tail) VALUES ($1, $2)", {{kFiles[i], false}, bytes(l.tail)});
            long line = 0;
            for (const auto &[text, end] : l.lines) {
                ++line;
                if (i == 0) {
                    if (const auto r = recordLine(text)) {
                        batch.send("INSERT INTO main_line (line, line_end, category, name, quantity, description) "
                                   "VALUES ($1::integer, $6, $2::integer, $3, $4::integer, $5)",
                                   {num(line), num(r->category), bytes(r->name), num(r->quantity),
                                    bytes(r->description), bytes(end)});
                        ++n.records;
                    } else {
                        batch.send("INSERT INTO main_line (line, line_end, kept) VALUES ($1::integer, $3, $2)",
                                   {num(line), bytes(text), bytes(end)});
                        ++n.keptLines;
                    }
                } else {
                    batch.send(i == 1
                                   ? "INSERT INTO dictionary_line (line, line_end, text) VALUES ($1::integer, $3, $2)"
                                   : "INSERT INTO category (line, line_end, name) VALUES ($1::integer, $3, $2)",
                               {num(line), bytes(text), bytes(end)});
                    ++(i == 1 ? n.dictionaryLines : n.categories);
                }
            }
        }
        sent = batch.finish();
    }
    if (!sent || !tx.commit())
        return std::nullopt;
    return n;
}

std::optional<StockFiles> stockFiles(Connection &c, FolderCounts *counts)
{
    // One snapshot for all three files, even while others change the stock.
    Transaction tx(c);
    if (!tx.open() || !c.command("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"))
        return std::nullopt;
    auto filesHeld = exec(c, "SELECT name, tail FROM stock_file");
    if (!filesHeld->ok())
        return std::nullopt;
    if (filesHeld->rows() == 0) {
        c.setError(t("В базе нет склада: сначала voskbase-cli db import."));
        return std::nullopt;
    }
    FolderCounts n;
    StockFiles out;
    for (int f = 0; f < filesHeld->rows(); ++f) {
        const std::string_view name = filesHeld->text(f, 0);
        int i = 0;
        while (i < 3 && name != kFiles[i])
            ++i;
        if (i == 3)
            continue;
        std::string bytes;
        const char *sql = i == 0
            ? "SELECT kept, category, name, quantity, description, line_end FROM main_line ORDER BY line"
            : i == 1 ? "SELECT text, line_end FROM dictionary_line ORDER BY line"
                     : "SELECT name, line_end FROM category ORDER BY line";
        auto rows = exec(c, sql);
        if (!rows->ok())
            return std::nullopt;
        for (int r = 0; r < rows->rows(); ++r) {
            if (i == 0 && rows->null(r, 0)) {
                bytes += rows->text(r, 1);
                bytes += datasep;
                bytes += rows->bytes(r, 2);
                bytes += datasep;
                bytes += rows->text(r, 3);
                bytes += datasep;
                bytes += rows->bytes(r, 4);
                ++n.records;
            } else {
                bytes += rows->bytes(r, 0);
                ++(i == 0 ? n.keptLines : i == 1 ? n.dictionaryLines : n.categories);
            }
            bytes += rows->bytes(r, i == 0 ? 5 : 1);
        }
        bytes += filesHeld->bytes(f, 1);
        out[static_cast<size_t>(i)] = std::move(bytes);
    }
    tx.commit();
    if (counts)
        *counts = n;
    return out;
}

std::optional<FolderCounts> exportFolder(Connection &c, const std::string &folder)
{
    std::error_code ec;
    for (const char *name : kFiles)
        if (std::filesystem::exists(std::filesystem::symlink_status(folder + "/" + name, ec))) {
            c.setError(t("В папке уже есть ") + name + t(": выгрузка пишет только в папку без файлов базы."));
            return std::nullopt;
        }
    std::filesystem::create_directories(folder, ec);
    FolderCounts n;
    const auto files = stockFiles(c, &n);
    if (!files)
        return std::nullopt;
    for (size_t i = 0; i < 3; ++i) {
        if (!(*files)[i])
            continue;
        const std::string path = folder + "/" + kFiles[i];
        if (const WriteResult w = replaceFileAtomically(path, *(*files)[i]); !w) {
            c.setError(t("Не удалось записать ") + pathForMessage(path) + ": " + w.reason);
            return std::nullopt;
        }
    }
    return n;
}

ChangeResult changeRecord(Connection &c, int category, std::string_view name, std::string_view description, int delta)
{
    // A change of its own is a transaction of its own; inside the caller's, it is a part of it.
    std::optional<Transaction> own;
    if (PQtransactionStatus(c.raw()) == PQTRANS_IDLE) {
        own.emplace(c);
        if (!own->open())
            return {ChangeResult::Failed, 0};
    }
    const std::vector<Param> key = {num(category), bytes(name), bytes(description), num(delta)};
    // The first record of the key (as the folder changes the first of a doubled one); the
    // bounds checked on the row as it is when the change is made.
    const char *update = "UPDATE main_line SET quantity = quantity + $4::bigint "
                         "WHERE line = (SELECT min(line) FROM main_line WHERE kept IS NULL AND category = $1::integer "
                         "AND name = $2 AND description = $3) AND quantity + $4::bigint BETWEEN 0 AND 65535 "
                         "RETURNING line, quantity";
    auto r = exec(c, update, key);
    if (!r->ok())
        return {ChangeResult::Failed, 0};
    if (r->rows() == 0) {
        auto now = exec(c,
                        "SELECT quantity FROM main_line WHERE kept IS NULL AND category = $1::integer AND name = $2 "
                        "AND description = $3 ORDER BY line LIMIT 1",
                        {key[0], key[1], key[2]});
        if (!now->ok())
            return {ChangeResult::Failed, 0};
        if (now->rows() == 1)
            return {ChangeResult::OutOfBounds, int(now->number(0, 0))};
        if (delta <= 0)
            return {ChangeResult::NoRecord, 0};
        if (delta > 65535)
            return {ChangeResult::OutOfBounds, 0};
        // A new record goes after the last line, as the folder appends one. Two adds of the same
        // new record at once would make it twice: new records are made one at a time, and the
        // update is tried again under that lock.
        if (!c.command("SELECT pg_advisory_xact_lock(7164032)"))
            return {ChangeResult::Failed, 0};
        r = exec(c, update, key);
        if (!r->ok())
            return {ChangeResult::Failed, 0};
        if (r->rows() == 0) {
            // A last line without its line end (a file that ends without one) gets one first.
            if (!exec(c, "UPDATE main_line SET line_end = '\\x0d0a'::bytea WHERE line = (SELECT max(line) FROM main_line) "
                         "AND line_end = ''::bytea")->ok())
                return {ChangeResult::Failed, 0};
            r = exec(c,
                     "INSERT INTO main_line (line, line_end, category, name, quantity, description) "
                     "SELECT coalesce(max(line), 0) + 1, '\\x0d0a'::bytea, $1::integer, $2, $4::integer, $3 "
                     "FROM main_line RETURNING line, quantity",
                     key);
            if (!r->ok() || r->rows() != 1)
                return {ChangeResult::Failed, 0};
        }
    }
    const int quantity = int(r->number(0, 1));
    // A record emptied leaves the stock, as it leaves the folder's.
    if (quantity == 0 && !exec(c, "DELETE FROM main_line WHERE line = $1::integer AND quantity = 0", {num(r->number(0, 0))})->ok())
        return {ChangeResult::Failed, 0};
    // Heard by every workstation that listens once the change is committed (several in one
    // transaction are one announcement).
    if (!c.command("SELECT pg_notify('voskbase_stock', '')"))
        return {ChangeResult::Failed, 0};
    if (own && !own->commit())
        return {ChangeResult::Failed, 0};
    return {ChangeResult::Done, quantity};
}

ChangeResult changeQuantity(Connection &c, long record, int delta)
{
    // The bound is checked on the row as it is when the change is made: a change waiting for
    // another one on the same record sees that one's result, never a value read before.
    auto r = exec(c,
                  "UPDATE main_line SET quantity = quantity + $2::bigint "
                  "WHERE line = $1::integer AND kept IS NULL AND quantity + $2::bigint BETWEEN 0 AND 65535 "
                  "RETURNING quantity",
                  {num(record), num(delta)});
    if (!r->ok())
        return {ChangeResult::Failed, 0};
    if (r->rows() == 1)
        return {ChangeResult::Done, int(r->number(0, 0))};
    auto now = exec(c, "SELECT quantity FROM main_line WHERE line = $1::integer AND kept IS NULL", {num(record)});
    if (!now->ok())
        return {ChangeResult::Failed, 0};
    if (now->rows() == 0)
        return {ChangeResult::NoRecord, 0};
    return {ChangeResult::OutOfBounds, int(now->number(0, 0))};
}

std::optional<PassRefusal> takePass(Connection &c, const std::vector<Take> &takes)
{
    Transaction tx(c);
    if (!tx.open())
        return PassRefusal{0, {ChangeResult::Failed, 0}};
    for (std::size_t i = 0; i < takes.size(); ++i) {
        if (takes[i].quantity <= 0) {
            c.setError(t("Взять можно только больше нуля."));
            return PassRefusal{i, {ChangeResult::Failed, 0}};
        }
        const ChangeResult r = changeQuantity(c, takes[i].record, -takes[i].quantity);
        if (r.kind != ChangeResult::Done)
            return PassRefusal{i, r};
    }
    if (!tx.commit())
        return PassRefusal{takes.size(), {ChangeResult::Failed, 0}};
    return std::nullopt;
}

std::optional<std::vector<std::pair<long, int>>> quantities(Connection &c)
{
    auto r = exec(c, "SELECT line, quantity FROM main_line WHERE kept IS NULL ORDER BY line");
    if (!r->ok())
        return std::nullopt;
    std::vector<std::pair<long, int>> q;
    for (int i = 0; i < r->rows(); ++i)
        q.emplace_back(r->number(i, 0), int(r->number(i, 1)));
    return q;
}

} // namespace vosk::server
