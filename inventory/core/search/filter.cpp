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

// The criteria a record must meet, read once for a whole refill.
class Criteria {
public:
    Criteria(const FilterCriteria &c, bool exact)
        : c_(c), exact_(exact), byCategory_(c.category >= 0), byName_(!c.name.empty()), byQuantity_(c.quantity != 0),
          byDescription_(!c.description.empty())
    {
    }
    bool byCategoryAlone() const { return !byName_ && !byQuantity_ && !byDescription_; }
    bool inCategory(const CompStore &store, int i) const { return !byCategory_ || store.category[i] == c_.category; }
    // True when record i meets them all; `nameMet`: its name is known to match already.
    bool met(const CompStore &store, int i, bool nameMet) const
    {
        return inCategory(store, i) && (nameMet || !byName_ || fits(exact_, store.name[i], c_.name)) &&
               (!byQuantity_ || store.quantity[i] == c_.quantity) &&
               (!byDescription_ || fits(exact_, store.description[i], c_.description));
    }

private:
    const FilterCriteria &c_;
    bool exact_, byCategory_, byName_, byQuantity_, byDescription_;
};

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
    const Criteria meets(criteria, exact);
    uint16_t count = 0;
    for (const uint16_t i : candidates)
        if (meets.met(store, i, true))
            view.viewlist[++count] = i;
    view.viewcount = count;
}

void filterbase(const CompStore &store, const FilterCriteria &criteria, bool exact, ViewList &view)
{
    const Criteria meets(criteria, exact);
    uint16_t count = 0;
    if (meets.byCategoryAlone()) {
        // A refill by category alone (the usual one): nothing but the category to look at.
        for (int i = 1; i <= store.compcount; ++i) {
            view.viewlist[count + 1] = static_cast<uint16_t>(i);
            count = static_cast<uint16_t>(count + meets.inCategory(store, i));
        }
        view.viewcount = count;
        return;
    }
    for (int i = 1; i <= store.compcount; ++i)
        if (meets.met(store, i, false))
            view.viewlist[++count] = static_cast<uint16_t>(i);
    view.viewcount = count;
}

} // namespace vosk
