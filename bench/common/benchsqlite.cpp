#include "benchsqlite.h"

#include "benchfail.h"
#include "mainfile.h"
#include "nominal.h"
#include "textlines.h"

#include <charconv>

namespace vosk::bench {

Db openDb(const std::string &path, int flags)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Db db(raw);
    if (rc != SQLITE_OK)
        fail("open " + path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
    return db;
}

Stmt prepare(sqlite3 *db, const std::string &sql)
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        fail(sql + ": " + sqlite3_errmsg(db));
    return Stmt(raw);
}

void exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        fail(std::string(sql) + ": " + (error ? error : "?"));
}

void bindBytes(sqlite3_stmt *st, int index, std::string_view bytes)
{
    static const char empty = 0;
    sqlite3_bind_blob(st, index, bytes.empty() ? &empty : bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
}

void collectRowids(sqlite3_stmt *st, std::vector<std::uint16_t> &out)
{
    out.clear();
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        out.push_back(static_cast<std::uint16_t>(sqlite3_column_int(st, 0)));
    if (rc != SQLITE_DONE)
        fail(std::string("step: ") + sqlite3_errmsg(sqlite3_db_handle(st)));
    sqlite3_reset(st);
}

int insertFromMainDat(sqlite3 *db, std::string_view bytes)
{
    exec(db, "CREATE TABLE comps(category INTEGER, name BLOB, quantity INTEGER, description BLOB, value REAL)");
    Stmt insert = prepare(db, "INSERT INTO comps(category, name, quantity, description, value) VALUES (?1, ?2, ?3, ?4, ?5)");
    sqlite3_stmt *st = insert.get();
    exec(db, "BEGIN");
    int rows = 0;
    forEachTextLine(bytes, [&](std::string_view line) {
        if (line.size() < 7)
            return;
        const std::size_t a = line.find(datasep);
        const std::size_t b = a == line.npos ? a : line.find(datasep, a + 1);
        const std::size_t c = b == line.npos ? b : line.find(datasep, b + 1);
        if (c == line.npos)
            return;
        int category = 0, quantity = 0;
        std::from_chars(line.data(), line.data() + a, category);
        std::from_chars(line.data() + b + 1, line.data() + c, quantity);
        const std::string_view name = line.substr(a + 1, b - a - 1);
        sqlite3_bind_int(st, 1, category);
        bindBytes(st, 2, name);
        sqlite3_bind_int(st, 3, quantity);
        bindBytes(st, 4, line.substr(c + 1));
        double value = 0;
        try {
            value = readnominal(category, name);
        } catch (const NumberConversionError &) {
        }
        sqlite3_bind_double(st, 5, value);
        if (sqlite3_step(st) != SQLITE_DONE)
            fail(std::string("insert: ") + sqlite3_errmsg(db));
        sqlite3_reset(st);
        ++rows;
    });
    exec(db, "COMMIT");
    return rows;
}

void selectAllInto(sqlite3 *db, CompStore &store, std::vector<double> &value)
{
    store.clear();
    Stmt select = prepare(db, "SELECT * FROM comps");
    sqlite3_stmt *st = select.get();
    int n = 0;
    std::uint32_t total = 0;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW && n < CompStore::kMaxRecords) {
        ++n;
        store.category[n] = static_cast<std::uint16_t>(sqlite3_column_int(st, 0));
        const void *name = sqlite3_column_blob(st, 1);
        store.setName(n, {name ? static_cast<const char *>(name) : "", static_cast<std::size_t>(sqlite3_column_bytes(st, 1))});
        store.quantity[n] = static_cast<std::uint16_t>(sqlite3_column_int(st, 2));
        const void *desc = sqlite3_column_blob(st, 3);
        store.setDescription(n, {desc ? static_cast<const char *>(desc) : "", static_cast<std::size_t>(sqlite3_column_bytes(st, 3))});
        value[static_cast<std::size_t>(n)] = sqlite3_column_double(st, 4);
        total += store.quantity[n];
    }
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        fail(std::string("select: ") + sqlite3_errmsg(db));
    store.compcount = static_cast<std::uint16_t>(n);
    store.totalqty = total;
}

} // namespace vosk::bench
