#pragma once
// The conventions scripts rely on: machine-readable rows (JSON Lines, TSV), the help of one
// command, and the changes a running program keeps in its journal applied to a read.
#include "compstore.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vosk::cli {

// One JSON object on one line, built field by field; texts are given in code page 1251 and
// written as UTF-8.
class JsonLine {
public:
    JsonLine &text(const char *key, std::string_view cp1251Text);
    JsonLine &number(const char *key, int64_t value);
    JsonLine &flag(const char *key, bool value);
    // A decimal text as a number; null when it is empty or no number.
    JsonLine &decimal(const char *key, std::string_view text);
    std::string done() const { return body_ + "}\n"; }

private:
    void key(const char *name);
    std::string body_ = "{";
};

// The help of one command (its lines of the whole help, under a usage line); empty when
// there is no such command.
std::string commandHelp(const std::string &command, bool russian);

// The journal main.jnl a program keeps while it has the folder open (or left behind when it
// did not close normally) holds changes main.dat does not hold yet. A read applies them to
// its copy of the store in memory, never writing anything.
struct WaitingJournal {
    bool present = false;  // a non-empty main.jnl
    int applied = 0;       // changes applied in memory
    int notApplied = 0;    // changes that no longer apply
    bool stale = false;    // it belongs to another main.dat: not applied
    bool damaged = false;  // a damaged tail was ignored
    // What to tell the user (code page 1251), empty when no journal waits.
    std::string note() const;
};
WaitingJournal applyWaitingJournal(const std::string &datapath, std::string_view mainBytes, CompStore &store);

} // namespace vosk::cli
