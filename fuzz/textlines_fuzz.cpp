// The line reading of the text files: a help text goes from its file through readFileBytes
// and forEachTextLine into the help page line by line, components.lst through splitTextLines.
// Both are held against a byte-at-a-time reading; the lines written back with CR LF must read
// the same again; and every line must convert from code page 1251 and back.
#include "cp1251.h"
#include "filebytes.h"
#include "fuzzcheck.h"
#include "textlines.h"

#include <cstdlib>
#include <stdexcept>
#include <fcntl.h>
#include <unistd.h>

using namespace vosk;
using namespace vosk::fuzz;

namespace {

std::string helpFile;

void removeHelpFile() { ::unlink(helpFile.c_str()); }

// Well-formed UTF-8 and the number of characters in it; -1 when it is not UTF-8.
long utf8Characters(std::string_view s)
{
    long n = 0;
    for (size_t i = 0; i < s.size(); ++n) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return -1;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return -1;
        i += len;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/vosk-fuzz-help-XXXXXX";
    const int fd = ::mkstemp(templ.data());
    FUZZ_CHECK(fd >= 0);
    ::close(fd);
    helpFile = templ;
    std::atexit(removeHelpFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes = bytesOf(data, size);
    const ModelLines model = modelLines(bytes);

    // The help page's way: the file's bytes, then one call per line.
    {
        const int fd = ::open(helpFile.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        FUZZ_CHECK(fd >= 0);
        FUZZ_CHECK(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }
    const ReadResult read = readFileBytes(helpFile);
    FUZZ_CHECK(read.status == ReadStatus::Ok);
    FUZZ_CHECK(read.bytes == bytes);
    std::vector<std::string> shown;
    const std::string_view tail = forEachTextLine(read.bytes, [&](std::string_view line) { shown.emplace_back(line); });
    FUZZ_CHECK(shown == model.lines);
    FUZZ_CHECK(tail == model.tail);

    // components.lst's way, and the lines written back as a file of their own.
    const TextLines split = splitTextLines(bytes);
    FUZZ_CHECK(split.lines == model.lines);
    FUZZ_CHECK(split.tail == model.tail);
    std::string rejoined;
    for (const std::string &line : split.lines) {
        FUZZ_CHECK(line.find('\r') == std::string::npos && line.find('\x1A') == std::string::npos);
        rejoined += line;
        rejoined += "\r\n";
    }
    rejoined += split.tail;
    const TextLines again = splitTextLines(rejoined);
    FUZZ_CHECK(again.lines == split.lines);
    FUZZ_CHECK(again.tail == split.tail);

    // Code page 1251 to UTF-8 never fails and gives one character a byte; back again it is the
    // same bytes, unless the line holds 0x98, the one byte without a character.
    for (const std::string &line : split.lines) {
        const std::string utf8 = utf8From1251(line);
        FUZZ_CHECK(utf8Characters(utf8) == static_cast<long>(line.size()));
        if (line.find('\x98') == std::string::npos)
            FUZZ_CHECK(cp1251(utf8) == line);
        else
            FUZZ_CHECK(utf8.find("\xEF\xBF\xBD") != std::string::npos);
        // The line taken as UTF-8: strict conversion refuses with invalid_argument alone,
        // the lenient one for paths in messages never refuses.
        try {
            cp1251(line);
        } catch (const std::invalid_argument &) {
        }
        FUZZ_CHECK(pathForMessage(line).size() <= line.size());
    }
    return 0;
}
