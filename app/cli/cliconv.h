#pragma once
// The conventions scripts rely on: machine-readable rows (JSON Lines, TSV) and the help of
// one command.
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

} // namespace vosk::cli
