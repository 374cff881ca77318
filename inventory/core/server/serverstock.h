#pragma once
#include "serverstore.h"
#include "stockstore.h"

#include <memory>
#include <utility>
#include <string>

namespace vosk::server {

// The stock on a database server as the inventory keeps it: every change made there first,
// by delta and in a transaction; a group of changes (a move, a taking pass, an import) one
// transaction, all or nothing.
class ServerStock final : public StockStore {
public:
    // `conninfo` as Vosk.conf's `server=` gives it. One that holds a password is refused
    // without connecting: passwords belong to libpq's own places (~/.pgpass, a service file).
    explicit ServerStock(std::string conninfo);
    ~ServerStock() override;

    // Connected to a database that holds a stock of this program's schema; else error() says why.
    bool ready() const { return ready_; }
    const std::string &error() const { return error_; }
    Connection *connection() { return connection_.get(); }

    bool readOnly() const override { return readOnly_ || !connected(); }
    std::string storeName() const override;
    bool record(const StockChange &) override { return true; }
    void beginGroup(ChangeSource source) override;
    bool endGroup() override;
    bool shared() const override { return true; }
    Applied apply(const StockKey &key, int delta) override;
    void abandonGroup() override;
    std::optional<Files> files(std::string &message) override;
    int changesSocket() const override;
    bool othersChanged() override;
    bool connected() const override;
    // Every reading of the stock also written into this folder as its three files (atomically
    // each): the snapshot a start without the server can open read-only.
    void setSnapshotFolder(std::string folder) { snapshot_ = std::move(folder); }

private:
    std::string conninfo_;
    std::unique_ptr<Connection> connection_;
    bool ready_ = false;
    bool readOnly_ = true;
    std::string error_;
    std::string snapshot_;
    long long lastReconnect_ = 0; // steady clock, ms: connecting again is tried once a second
    bool reconnect();
    int depth_ = 0;         // groups open
    bool abandoned_ = false; // the open group's transaction rolled back
};

// True when a connection string or URI names a password.
bool conninfoHasPassword(const std::string &conninfo);

} // namespace vosk::server
