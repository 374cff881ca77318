#pragma once
#include "messages.h"

#include <string>

namespace vosk::bench {

// Messages nobody reads: a benchmark times the work, not the boxes; every question is
// answered yes, as a user going on would.
struct SilentMessages : vosk::Messages {
    void inform(const std::string &) override {}
    void error(const std::string &) override {}
    bool confirm(const std::string &) override { return true; }
};

} // namespace vosk::bench
