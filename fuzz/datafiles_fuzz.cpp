// The three data files as loadbase reads them from an installation folder: strings.dat,
// components.lst and main.dat written to a temporary folder from one input (cut at the
// first two NUL bytes), loaded, and held against what each reader must give. The first
// records' names then go through the category guess with the dictionary just read.
#include "datafiles.h"
#include "fuzzcheck.h"
#include "guessmodel.h"
#include "messages.h"
#include "textlines.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace vosk;
using namespace vosk::fuzz;

namespace {

struct Recorded : Messages {
    std::vector<std::string> informed, errors;
    void inform(const std::string &text) override { informed.push_back(text); }
    void error(const std::string &text) override { errors.push_back(text); }
    bool confirm(const std::string &) override { return true; }
};

std::string folder;

void removeFolder()
{
    for (const char *name : {"main.dat", "strings.dat", "components.lst"})
        ::unlink((folder + name).c_str());
    if (!folder.empty())
        ::rmdir(folder.c_str());
}

void writeFile(const std::string &name, std::string_view bytes)
{
    const int fd = ::open((folder + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/vosk-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(templ.data()) != nullptr);
    folder = templ + "/";
    std::atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static CompStore &store = *new CompStore;
    static CompStore &direct = *new CompStore;
    const auto parts = splitAtNul(bytesOf(data, size), 3);
    writeFile("strings.dat", parts[0]);
    writeFile("components.lst", parts[1]);
    writeFile("main.dat", parts[2]);

    Recorded messages;
    DataFolder dataFolder(folder, messages);
    std::string status;
    const DataFolder::Loaded loaded = dataFolder.loadbase(store, [&](const std::string &s) { status = s; });

    // strings.dat: the first hundred lines, each cut to its bound and followed by a blank.
    const auto dictLines = modelLines(parts[0]);
    const Dictionary &d = loaded.dictionary;
    const size_t stored = std::min<size_t>(dictLines.lines.size(), Dictionary::kLines);
    FUZZ_CHECK(d.dictcount == static_cast<int>(stored));
    int lastEmpty = 0;
    std::vector<int> dictCut;
    for (size_t k = 1; k <= stored; ++k) {
        std::string line = dictLines.lines[k - 1];
        if (line.size() > linelimit::kDictionary) {
            line.resize(linelimit::kDictionary);
            dictCut.push_back(static_cast<int>(k));
        }
        if (line.empty())
            lastEmpty = static_cast<int>(k);
        FUZZ_CHECK(d.dictlines[k] == (line.empty() || line.back() == ' ' ? line : line + ' '));
    }
    for (size_t k = stored + 1; k <= Dictionary::kLines; ++k)
        FUZZ_CHECK(d.dictlines[k].empty());
    FUZZ_CHECK(d.dictdefault == lastEmpty);
    FUZZ_CHECK(d.cut == dictCut);

    // components.lst: every line is a category, empty ones too, each cut to its bound, and no
    // more of them than a record can name.
    std::vector<std::string> categories = modelLines(parts[1]).lines;
    bool categoryCut = false;
    for (std::string &line : categories)
        if (line.size() > linelimit::kCategory) {
            line.resize(linelimit::kCategory);
            categoryCut = true;
        }
    const bool tooMany = categories.size() > CategoryList::kMaxCategories;
    if (tooMany)
        categories.resize(CategoryList::kMaxCategories);
    FUZZ_CHECK(loaded.categories == categories);

    // main.dat: as read from memory, with one message per kind of trouble.
    const MainFileReport report = readMainFile(parts[2], direct);
    FUZZ_CHECK(loaded.report.unreadable == report.unreadable);
    FUZZ_CHECK(loaded.report.overflow == report.overflow);
    FUZZ_CHECK(store.compcount == direct.compcount && store.totalqty == direct.totalqty);
    FUZZ_CHECK(writeMainFile(store) == writeMainFile(direct));
    FUZZ_CHECK(status.size() > 0 && status.substr(status.rfind(' ') + 1) == std::to_string(store.totalqty));
    FUZZ_CHECK(messages.informed.empty()); // all three files exist
    FUZZ_CHECK(messages.errors.size() == size_t(!report.unreadable.empty()) + size_t(!report.overflow.empty()) +
                                             size_t(!dictCut.empty()) + size_t(categoryCut) + size_t(tooMany));
    if (!report.unreadable.empty())
        FUZZ_CHECK(messages.errors.front().find(": " + std::to_string(report.unreadable.size()) + " (") !=
                   std::string::npos);

    // A few names are enough here (the nominal target guesses with every kind of name); all
    // of a large file's names would slow the run tenfold.
    for (int s = 1; s <= std::min<int>(store.compcount, 8); ++s)
        checkGuess(store.name[s], d);
    return 0;
}
