#pragma once
// SQLite's side of the comparisons: a table `comps(category, name, quantity, description,
// value)` holding the records in store order (rowid = slot), names and descriptions as the
// same code page 1251 bytes kept as BLOBs, so that instr() and = compare bytes as this
// program does, and `value` = readnominal of the name, computed at insert.
#include "compstore.h"

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vosk::bench {

struct CloseDb {
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct FinalizeStmt {
    void operator()(sqlite3_stmt *st) const { sqlite3_finalize(st); }
};
using Db = std::unique_ptr<sqlite3, CloseDb>;
using Stmt = std::unique_ptr<sqlite3_stmt, FinalizeStmt>;

Db openDb(const std::string &path, int flags);
Stmt prepare(sqlite3 *db, const std::string &sql);
void exec(sqlite3 *db, const char *sql);
// An empty text binds as an empty BLOB, not NULL.
void bindBytes(sqlite3_stmt *st, int index, std::string_view bytes);
// Steps a one-column rowid query to its end; the rowids land in `out` in result order.
void collectRowids(sqlite3_stmt *st, std::vector<std::uint16_t> &out);

// What a database-backed inventory does to take over main.dat: the file's lines cut at the
// separators, one prepared INSERT per record, all in one transaction. Returns the rows.
int insertFromMainDat(sqlite3 *db, std::string_view bytes);
// SELECT * into the same arrays the program keeps; the value column into its own.
void selectAllInto(sqlite3 *db, CompStore &store, std::vector<double> &value);

} // namespace vosk::bench
