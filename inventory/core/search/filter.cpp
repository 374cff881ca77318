#include "filter.h"

namespace vosk {

bool matchpart(std::string_view text, std::string_view pattern)
{
    return pattern.size() <= text.size() && text.find(pattern) != std::string_view::npos;
}

namespace {

bool fits(bool exact, std::string_view text, std::string_view pattern)
{
    return exact ? text == pattern : matchpart(text, pattern);
}

} // namespace

void filterbase(const CompStore &store, const NameIndex &names, const FilterCriteria &criteria, bool exact,
                ViewList &view)
{
    if (criteria.name.empty()) {
        filterbase(store, criteria, exact, view);
        return;
    }
    thread_local std::vector<uint16_t> candidates;
    if (exact)
        names.find(store, criteria.name, candidates);
    else
        names.findPart(store, criteria.name, candidates);
    const bool byCategory = criteria.category >= 0;
    const bool byQuantity = criteria.quantity != 0;
    const bool byDescription = !criteria.description.empty();
    uint16_t count = 0;
    for (const uint16_t i : candidates) {
        if (byCategory && store.category[i] != criteria.category)
            continue;
        if (byQuantity && store.quantity[i] != criteria.quantity)
            continue;
        if (byDescription && !fits(exact, store.description[i], criteria.description))
            continue;
        view.viewlist[++count] = i;
    }
    view.viewcount = count;
}

void filterbase(const CompStore &store, const FilterCriteria &criteria, bool exact, ViewList &view)
{
    const bool byCategory = criteria.category >= 0;
    const bool byName = !criteria.name.empty();
    const bool byQuantity = criteria.quantity != 0;
    const bool byDescription = !criteria.description.empty();
    uint16_t count = 0;
    if (!byName && !byQuantity && !byDescription) {
        // A refill by category alone (the usual one): nothing but the category to look at.
        for (int i = 1; i <= store.compcount; ++i) {
            view.viewlist[count + 1] = static_cast<uint16_t>(i);
            count = static_cast<uint16_t>(count + (!byCategory || store.category[i] == criteria.category));
        }
        view.viewcount = count;
        return;
    }
    for (int i = 1; i <= store.compcount; ++i) {
        if (byCategory && store.category[i] != criteria.category)
            continue;
        if (byName && !fits(exact, store.name[i], criteria.name))
            continue;
        if (byQuantity && store.quantity[i] != criteria.quantity)
            continue;
        if (byDescription && !fits(exact, store.description[i], criteria.description))
            continue;
        view.viewlist[++count] = static_cast<uint16_t>(i);
    }
    view.viewcount = count;
}

} // namespace vosk
