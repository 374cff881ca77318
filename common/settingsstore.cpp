#include "settingsstore.h"

#include "filebytes.h"

#include <cstdlib>

namespace vosk {
namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string unquoted(std::string_view v)
{
    if (v.size() < 2 || v.front() != '"' || v.back() != '"')
        return std::string(v);
    std::string out;
    v = v.substr(1, v.size() - 2);
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size() && (v[i + 1] == '"' || v[i + 1] == '\\'))
            ++i;
        out += v[i];
    }
    return out;
}

} // namespace

std::string parseSettingsValue(std::string_view bytes, std::string_view key, bool &found)
{
    found = false;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    bool general = true;
    std::string value;
    while (!bytes.empty()) {
        const size_t nl = bytes.find('\n');
        const std::string_view line = trimmed(bytes.substr(0, nl));
        bytes.remove_prefix(nl == std::string_view::npos ? bytes.size() : nl + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            general = line == "[General]" || line == "[general]";
            continue;
        }
        const size_t eq = line.find('=');
        if (!general || eq == std::string_view::npos || trimmed(line.substr(0, eq)) != key)
            continue;
        value = unquoted(trimmed(line.substr(eq + 1)));
        found = true; // a later line wins, as in any INI reader
    }
    return value;
}

std::string parseSettingsPath(std::string_view bytes, bool &found) { return parseSettingsValue(bytes, "path", found); }

std::string settingsFilePath()
{
    // Where QSettings looks for the machine-wide file: the first folder of XDG_CONFIG_DIRS,
    // else /etc/xdg. Worked out here because QSettings opens the file as soon as it is made,
    // and a FIFO in its place would stop the program there.
    std::string folder = "/etc/xdg";
    if (const char *dirs = std::getenv("XDG_CONFIG_DIRS"); dirs && *dirs && *dirs != ':') {
        const std::string_view all(dirs);
        folder = std::string(all.substr(0, all.find(':')));
    }
    return folder + "/Ferrowind/Vosk.conf";
}

std::string readpath()
{
    // Read by hand rather than through QSettings: its INI reader splits a value at commas and
    // misreads letters outside Latin-1 that a user types in UTF-8.
    const ReadResult file = readFileBytes(settingsFilePath(), readlimit::kSettings);
    if (file.status != ReadStatus::Ok)
        return {};
    bool found = false;
    return parseSettingsPath(file.bytes, found) + "/";
}

std::string readserver()
{
    const ReadResult file = readFileBytes(settingsFilePath(), readlimit::kSettings);
    if (file.status != ReadStatus::Ok)
        return {};
    bool found = false;
    return parseSettingsValue(file.bytes, "server", found);
}

} // namespace vosk
