#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vosk::bench {

// A benchmark whose two sides disagree, or whose set-up failed, stops: its figures would mean nothing.
[[noreturn]] inline void fail(const std::string &what)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, what.c_str());
    std::abort();
}

} // namespace vosk::bench
