#include "takepass.h"

#include "cp1251.h"

#include <algorithm>
#include <climits>

namespace vosk {

namespace {

constexpr char kCR = '\r';
const std::string kRule(33, '_');

} // namespace

bool TakePass::linesUp(const std::vector<BinRow> &bin, const std::vector<ListRow> &list, const BinFind &lastFind)
{
    if (bin != lastFind.rows || list != lastFind.list || lastFind.counts.size() != bin.size() ||
        lastFind.listCategories.size() != list.size())
        return false;
    std::size_t listed = 0;
    for (std::size_t i = 0; i < bin.size(); ++i) {
        if (lastFind.counts[i] < 0 || bin[i].found != std::to_string(lastFind.counts[i]))
            return false;
        listed += static_cast<std::size_t>(lastFind.counts[i]);
    }
    return listed == list.size();
}

bool TakePass::start(std::vector<BinRow> &bin, const std::vector<ListRow> &list, const BinFind &lastFind,
                     const std::vector<std::string> &categories)
{
    if (!linesUp(bin, list, lastFind))
        return false;
    abandon();
    list_ = list;
    listCategories_ = lastFind.listCategories;
    listPlaces_ = lastFind.listPlaces;
    categories_ = categories;

    // Rows nothing was found for have no entries in the list: dropping them keeps the rest
    // in line with it.
    for (std::size_t i = 0; i < bin.size();) {
        const BinRow &row = bin[i];
        if (row.found == "0") {
            report_ += cp1251("Нет: ") + row.caption + " " + row.name + " " + row.description + cp1251("нужно: ") +
                       row.needed + kCR;
            bin.erase(bin.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    rows_ = bin;
    report_ += kRule + kCR;

    if (rows_.empty()) {
        state_ = State::Finished;
        report_ += cp1251("OK - взять детели,  Отмена - оставить детали");
        return true;
    }
    report_ += heading();
    state_ = State::Offering;
    prompt();
    passOverEmptyOffers();
    return true;
}

void TakePass::abandon()
{
    state_ = State::Idle;
    rows_.clear();
    list_.clear();
    listCategories_.clear();
    listPlaces_.clear();
    report_.clear();
    takes_.clear();
    lastOffered_.clear();
    takerow_ = takeseen_ = takerec_ = 0;
    taken_ = 0;
    offer_ = {};
}

std::string TakePass::placeText(std::size_t entry) const
{
    if (entry >= listPlaces_.size() || listPlaces_[entry].empty())
        return {};
    return cp1251(" — ") + listPlaces_[entry];
}

std::string TakePass::heading() const
{
    const BinRow &row = rows_[takerow_];
    return std::to_string(takerow_ + 1) + ". " + row.caption + " " + row.name + " " + row.description + " " + kCR;
}

void TakePass::prompt()
{
    if (takerec_ >= list_.size()) { // cannot happen with a list that lined up; never apply a stray pass
        abandon();
        return;
    }
    const BinRow &row = rows_[takerow_];
    const ListRow &item = list_[takerec_];
    const long long rest = binNumber(row.needed) - taken_;
    offer_.prompt = "N" + std::to_string(takerow_ + 1) + " " + row.name + " " + row.description + cp1251(" взять: ") +
                    item.name + " " + item.description + cp1251(" еще надо ") + std::to_string(rest) + placeText(takerec_);
    offer_.maximum = static_cast<int>(std::clamp(std::min(rest, quantityValue(item.quantity)), 0LL,
                                                 static_cast<long long>(INT_MAX)));
    offer_.lookupName = item.name;
    offer_.binRow = static_cast<int>(takerow_);
    offer_.listRow = static_cast<int>(takerec_);
    lastOffered_ = item.name;
}

void TakePass::answer(int v)
{
    const BinRow &row = rows_[takerow_];
    if (v != 0) {
        const ListRow &item = list_[takerec_];
        const int category = listCategories_[takerec_];
        takes_.push_back({category, item.name, item.description, v, true, ChangeSource::Pass});
        const std::string categoryText =
            static_cast<std::size_t>(category) < categories_.size() ? categories_[static_cast<std::size_t>(category)]
                                                                      : std::string();
        const std::string place = placeText(takerec_);
        report_ += categoryText + " " + item.name + " " + item.description + place + (place.empty() ? " " : ", ") +
                   cp1251("взято: ") + std::to_string(v) + ";   ";
    }
    ++takerec_;
    ++takeseen_;
    taken_ += v;
    if (std::to_string(takeseen_) == row.found) {
        // No line break inside the bracket: no-break spaces (0xA0) around «из».
        report_ += "[" + std::to_string(taken_) + cp1251("\u00A0из\u00A0") + row.needed + "]" + kCR;
        ++takerow_;
        taken_ = 0;
        takeseen_ = 0;
        if (takerow_ < rows_.size()) {
            report_ += kRule + kCR + heading();
        } else {
            report_ += cp1251("OK - взять детели,  Отмена - оставить детали");
            state_ = State::Finished;
            return;
        }
    }
    prompt();
}

void TakePass::passOverEmptyOffers()
{
    while (state_ == State::Offering && offer_.maximum == 0)
        answer(0);
}

void TakePass::take(int v)
{
    if (state_ != State::Offering)
        return;
    answer(std::clamp(v, 0, offer_.maximum));
    passOverEmptyOffers();
}

std::optional<Offer> TakePass::offer() const
{
    if (state_ != State::Offering)
        return std::nullopt;
    return offer_;
}

} // namespace vosk
