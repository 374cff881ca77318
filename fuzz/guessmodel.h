#pragma once
// The category guess from strings.dat read apart from the program: the words of each stored
// line, and the last line that has one of the name's letter groups among them.
#include "dictionary.h"
#include "fuzzcheck.h"
#include "nominal.h"

namespace vosk::fuzz {

inline std::vector<std::string_view> wordsOf(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t start = 0;
    for (size_t i = 0; i < line.size(); ++i)
        if (line[i] == ' ') {
            words.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    return words; // text after the last blank is no word
}

inline void checkGuess(std::string_view name, const Dictionary &dict)
{
    const int guess = guesstype(name, dict);
    FUZZ_CHECK(guess >= -1 && guess < Dictionary::kLines);
    NominalRuns runs;
    splitnominal(name, runs);
    int expected = dict.dictdefault - 1;
    for (int k = std::min(dict.dictcount, Dictionary::kLines); k >= 1 && expected == dict.dictdefault - 1; --k) {
        bool hit = false;
        for (std::string_view word : wordsOf(dict.dictlines[static_cast<size_t>(k)]))
            for (int s = 0; s <= runs.last; ++s)
                hit = hit || word == runs.slots[static_cast<size_t>(s)];
        if (hit) {
            expected = k - 1;
            break;
        }
    }
    FUZZ_CHECK(guess == expected);
}

} // namespace vosk::fuzz
