#include "filter.h"

namespace vosk {

bool matchpart(std::string_view text, std::string_view pattern)
{
    return pattern.size() <= text.size() && text.find(pattern) != std::string_view::npos;
}

void filterbase(const CompStore &store, const FilterCriteria &criteria, bool exact, ViewList &view)
{
    const bool byCategory = criteria.category >= 0;
    const bool byName = !criteria.name.empty();
    const bool byQuantity = criteria.quantity != 0;
    const bool byDescription = !criteria.description.empty();
    auto fits = [exact](const std::string &text, const std::string &pattern) {
        return exact ? text == pattern : matchpart(text, pattern);
    };
    uint16_t count = 0;
    for (int i = 1; i <= store.compcount; ++i) {
        if (byCategory && store.category[i] != criteria.category)
            continue;
        if (byName && !fits(store.name[i], criteria.name))
            continue;
        if (byQuantity && store.quantity[i] != criteria.quantity)
            continue;
        if (byDescription && !fits(store.description[i], criteria.description))
            continue;
        view.viewlist[++count] = static_cast<uint16_t>(i);
    }
    view.viewcount = count;
}

} // namespace vosk
