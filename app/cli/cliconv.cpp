#include "cliconv.h"

#include "clitext.h"
#include "cp1251.h"

#include <cstdio>

namespace vosk::cli {

void JsonLine::key(const char *name)
{
    if (body_.size() > 1)
        body_ += ',';
    body_ += '"';
    body_ += name;
    body_ += "\":";
}

JsonLine &JsonLine::text(const char *name, std::string_view cp1251Text)
{
    key(name);
    body_ += '"';
    for (char c : utf8From1251(std::string(cp1251Text))) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            body_ += '\\';
            body_ += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            body_ += escaped;
        } else {
            body_ += c;
        }
    }
    body_ += '"';
    return *this;
}

JsonLine &JsonLine::number(const char *name, int64_t value)
{
    key(name);
    body_ += std::to_string(value);
    return *this;
}

JsonLine &JsonLine::flag(const char *name, bool value)
{
    key(name);
    body_ += value ? "true" : "false";
    return *this;
}

JsonLine &JsonLine::decimal(const char *name, std::string_view digits)
{
    key(name);
    const bool ok = !digits.empty() && digits.size() < 19 && digits.find_first_not_of("0123456789") == std::string_view::npos;
    body_ += ok ? std::string(digits) : std::string("null");
    return *this;
}

std::string commandHelp(const std::string &command, bool russian)
{
    // The command's lines of the whole help: its own line ("  list [...]") and the lines
    // indented under it.
    const std::string all = helpText(russian);
    const std::string head = "\n  " + command;
    size_t at = all.find(head + " ");
    if (at == std::string::npos)
        at = all.find(head + "\n");
    if (at == std::string::npos || command.empty())
        return {};
    size_t end = all.find('\n', at + 1);
    while (end != std::string::npos && all.compare(end + 1, 8, "        ") == 0)
        end = all.find('\n', end + 1);
    const std::string lines = all.substr(at + 1, end == std::string::npos ? std::string::npos : end - at);
    return (russian ? "Использование: voskbase-cli [--folder ПАПКА] " : "Usage: voskbase-cli [--folder DIR] ") +
           lines.substr(2) + (russian ? "\nВсе команды и параметры: voskbase-cli --help\n"
                                      : "\nEvery command and option: voskbase-cli --help\n");
}

} // namespace vosk::cli
