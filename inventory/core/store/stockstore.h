#pragma once
#include "stock.h"

#include <optional>
#include <string>

namespace vosk {

// Where the stock is kept: the installation folder (DataFolder) or a database server shared
// by several workstations. The inventory keeps its copy of the records in memory either way;
// this is what it asks of the place they are kept.
class StockStore {
public:
    virtual ~StockStore() = default;

    // Nothing is changed or written in this run.
    virtual bool readOnly() const = 0;
    // What the window's caption and status bar name (code page 1251): the folder or the server.
    virtual std::string storeName() const = 0;

    // Records a change already made to the copy in memory (the folder's journal).
    [[nodiscard]] virtual bool record(const StockChange &change) = 0;
    // The changes made between these two are one: replayed whole (the folder), or made in one
    // transaction (the server).
    virtual void beginGroup(ChangeSource source) = 0;
    [[nodiscard]] virtual bool endGroup() = 0;

    // --- a stock others change at the same time (the server)
    // When true, every change is made where the stock is kept first (apply), and the copy in
    // memory follows what that answered.
    virtual bool shared() const { return false; }
    struct Applied {
        enum Kind {
            Done,    // made: `quantity` is the record's count now (0: the record is gone)
            Refused, // not made: the bounds would be crossed; `quantity` is the count now
            Failed,  // not made: `message` says why (the connection, the database)
        } kind = Failed;
        int quantity = 0;
        std::string message;
    };
    // Changes the count of the record with this key by `delta` (a new record when there is
    // none and delta > 0); within a group, part of its transaction.
    virtual Applied apply(const StockKey &key, int delta)
    {
        (void)key;
        (void)delta;
        return {Applied::Failed, 0, {}};
    }
    // The socket on which other workstations' changes are announced (-1: none), for the window
    // to watch; othersChanged reads what came and is true when another workstation changed
    // the stock since it was last asked.
    // While the connection is lost the stock is read-only; othersChanged tries to connect
    // again now and then, and is true once it did (what changed meanwhile is to be read).
    virtual int changesSocket() const { return -1; }
    virtual bool othersChanged() { return false; }
    virtual bool connected() const { return true; }
    // Gives up the changes of the open group (the copy in memory must then be read again).
    virtual void abandonGroup() {}
    // The stock as the three files of a folder would hold it (main.dat, strings.dat,
    // components.lst), read in one snapshot; nullopt with `message` set when it cannot be had.
    struct Files {
        std::string main, strings, components;
    };
    virtual std::optional<Files> files(std::string &message)
    {
        (void)message;
        return std::nullopt;
    }
};

} // namespace vosk
