#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The stock in a PostgreSQL database, through libpq. Plain C++, no Qt.
//
// Texts are kept as bytea: the exact code page 1251 bytes of the files, whatever the
// database's encoding (a WIN1251 database would refuse byte 0x98 and the client's encoding
// would convert on the way; bytea passes every byte, NUL included, untouched). A line of
// main.dat that reads back to the same bytes is a record with its own columns; any other
// line (unreadable, a quantity written "007") is kept whole in its place. Lines are cut as the
// folder's readers cut them, so a record's number is its line number there.

typedef struct pg_conn PGconn;

namespace vosk::server {

// One connection. Messages are code page 1251, like the rest of the core's.
class Connection {
public:
    // A libpq connection string or service ("service=voskbase", "host=/run/postgresql
    // dbname=voskbase"); empty takes libpq's defaults (PGHOST, PGDATABASE, PGSERVICE...).
    explicit Connection(const std::string &conninfo);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool ok() const;
    const std::string &error() const { return error_; }
    PGconn *raw() const { return conn_; }
    // Runs a statement without parameters (transaction control, schema); false with error().
    bool command(const char *sql);
    void setError(const std::string &cp) { error_ = cp; }

private:
    PGconn *conn_ = nullptr;
    std::string error_;
};

// The schema's version this program writes, and the one the database has (0: none).
int schemaVersionWanted();
std::optional<int> schemaVersion(Connection &c);
// Creates the schema in an empty database; false (error() says why) when one is there.
bool initSchema(Connection &c);
// Applies the missing steps, each in its own transaction; the version reached, or nothing.
std::optional<int> upgradeSchema(Connection &c);

// What an import put in or an export wrote.
struct FolderCounts {
    long records = 0;
    long keptLines = 0;
    long categories = 0;
    long dictionaryLines = 0;
};

// A folder's main.dat, strings.dat and components.lst into the database, lines in their
// file order, in one transaction. Refused when the database already holds a stock.
std::optional<FolderCounts> importFolder(Connection &c, const std::string &folder);
// The three files back from the database into the folder, each replaced atomically.
// Refused when the folder already has one of them (an export never overwrites a stock).
std::optional<FolderCounts> exportFolder(Connection &c, const std::string &folder);

// The three files as a folder holds them (main.dat, strings.dat, components.lst; nothing
// for one the stock came without), read in one snapshot; `counts` says what they hold.
using StockFiles = std::array<std::optional<std::string>, 3>;
std::optional<StockFiles> stockFiles(Connection &c, FolderCounts *counts = nullptr);

// One change of a record's quantity by `delta`, checked against 0...65,535 in the statement
// that makes it. The record is its line number in main.dat (1-based).
struct ChangeResult {
    enum Kind { Done, OutOfBounds, NoRecord, Failed } kind = Failed;
    int quantity = 0; // the new quantity when Done, the current one when OutOfBounds
};
ChangeResult changeQuantity(Connection &c, long record, int delta);
// The same for the record a key names (its first line when it is there twice): a record
// emptied is removed, and an add to a record that is not there makes it, after the last
// line. In the caller's transaction when one is open, else in one of its own.
ChangeResult changeRecord(Connection &c, int category, std::string_view name, std::string_view description, int delta);

// A taking pass: every take or none, in one transaction. nullopt when all were taken;
// otherwise the index of the first take refused (and its result), nothing changed.
struct Take {
    long record = 0;
    int quantity = 0;
};
struct PassRefusal {
    std::size_t index = 0;
    ChangeResult result;
};
std::optional<PassRefusal> takePass(Connection &c, const std::vector<Take> &takes);

// The quantities by record, in file order (for checks and the list).
std::optional<std::vector<std::pair<long, int>>> quantities(Connection &c);

} // namespace vosk::server
