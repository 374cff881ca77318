#include "dictionary.h"

#include "textlines.h"

namespace vosk {

Dictionary readDictionary(std::string_view bytes)
{
    Dictionary d;
    forEachTextLine(bytes, [&](std::string_view line) {
        if (d.dictcount >= Dictionary::kLines)
            return;
        const int k = ++d.dictcount;
        std::string &slot = d.dictlines[k];
        if (line.size() > linelimit::kDictionary) {
            line = line.substr(0, linelimit::kDictionary);
            d.cut.push_back(k);
        }
        slot.assign(line);
        if (slot.empty())
            d.dictdefault = k;
        else if (slot.back() != ' ')
            slot += ' ';
    });
    return d;
}

} // namespace vosk
