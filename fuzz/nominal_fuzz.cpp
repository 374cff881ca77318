// Names read as values. The first byte picks the category (-6..9, so that the scales and
// the categories without one all come up), the rest up to a NUL is the name; after the NUL
// come the bytes of a strings.dat for the category guess (the bundled one when there is no
// NUL). readnominal may refuse a name with NumberConversionError only, and exactly when the
// name's number text holds more than one comma.
#include "dictionary.h"
#include "fuzzcheck.h"
#include "guessmodel.h"
#include "nominal.h"
#include "nominalmodel.h"

#include <algorithm>
#include <cmath>

using namespace vosk;
using namespace vosk::fuzz;

namespace {

Dictionary bundled;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void checkSplit(std::string_view text, const NominalRuns &runs, const std::string &number)
{
    std::string digitsAndCommas, withoutDigits, suffix;
    int digitRuns = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            digitsAndCommas += c;
            if (i == 0 || !isDigit(text[i - 1]))
                ++digitRuns;
            suffix.clear();
        } else {
            if (c == ',')
                digitsAndCommas += c;
            withoutDigits += c;
            suffix += c;
        }
    }
    const bool nothing = digitsAndCommas.empty() || digitsAndCommas == ",";
    FUZZ_CHECK(number == (nothing ? std::string("0") : digitsAndCommas));
    FUZZ_CHECK(runs.last == std::min(digitRuns, NominalRuns::kSlots - 1));
    FUZZ_CHECK(runs.slots[static_cast<size_t>(runs.last)] == suffix);
    for (int s = runs.last + 1; s < NominalRuns::kSlots; ++s)
        FUZZ_CHECK(runs.slots[static_cast<size_t>(s)].empty());
    if (digitRuns < NominalRuns::kSlots) {
        std::string joined;
        for (int s = 0; s <= runs.last; ++s)
            joined += runs.slots[static_cast<size_t>(s)];
        FUZZ_CHECK(joined == withoutDigits);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    bundled = readDictionary(readWholeFile(VOSK_SOURCE_DATA "/strings.dat"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int category = static_cast<int>(data[0] % 16) - 6;
    std::string_view rest = bytesOf(data + 1, size - 1);
    const size_t nul = rest.find('\0');
    const std::string_view text = rest.substr(0, nul);

    NominalRuns runs;
    const std::string number = splitnominal(text, runs);
    checkSplit(text, runs, number);

    const bool tooManyCommas = std::count(number.begin(), number.end(), ',') > 1;
    bool refused = false;
    double value = 0;
    try {
        value = readnominal(category, text);
    } catch (const NumberConversionError &e) {
        refused = true;
        FUZZ_CHECK(e.numberText() == number);
        FUZZ_CHECK(e.message() == "'" + number + "' is not a valid floating point value");
    }
    FUZZ_CHECK(refused == (hasValueScale(category) && tooManyCommas));
    if (!refused) {
        FUZZ_CHECK(!std::isnan(value) && value >= 0);
        if (!hasValueScale(category))
            FUZZ_CHECK(value == 0);
        // Twenty leading zeros change neither the number nor the suffix, but send the name
        // past the quick reading of usual names: both readings must agree.
        FUZZ_CHECK(readnominal(category, std::string(20, '0') + std::string(text)) == value);
        // The name that value is shown under, and it read back.
        checkCanonicalStable(value);
        const std::string shown = generalFormat(value);
        FUZZ_CHECK(!shown.empty());
    }

    const Dictionary dict = nul == std::string_view::npos ? bundled : readDictionary(rest.substr(nul + 1));
    checkGuess(text, dict);
    return 0;
}
