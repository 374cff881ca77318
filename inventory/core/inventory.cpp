#include "inventory.h"

#include "cp1251.h"
#include "folderlock.h"
#include "messages.h"
#include "names.h"
#include "nominal.h"
#include "slotsort.h"
#include "stock.h"
#include "valuetext.h"

#include <algorithm>

namespace vosk {

void Outcome::then(Outcome later)
{
    notes.insert(notes.end(), std::make_move_iterator(later.notes.begin()), std::make_move_iterator(later.notes.end()));
    if (later.list != ListChange::None) {
        // Rows appended to a list that is then replaced are simply part of the new list.
        if (list == ListChange::None || later.list == ListChange::Reset) {
            list = later.list;
            appendedFrom = later.appendedFrom;
        }
    }
    if (later.status)
        status = std::move(later.status);
    if (later.understand)
        understand = std::move(later.understand);
    if (later.lookup)
        lookup = std::move(later.lookup);
    if (later.list == ListChange::Reset)
        sortLater = later.sortLater; // a new list drops an ordering asked for the old one
    else if (later.sortLater)
        sortLater = later.sortLater;
    refused = refused || later.refused;
}

Inventory::Inventory(std::string datapath, Messages &messages)
    : datapath_(std::move(datapath)), messages_(messages),
      folder_(std::make_unique<DataFolder>(datapath_, messages_))
{
}

Inventory::Inventory(std::string datapath, Messages &messages, std::unique_ptr<StockStore> shared)
    : datapath_(std::move(datapath)), messages_(messages),
      folder_(std::make_unique<DataFolder>(datapath_, messages_, shared != nullptr)), shared_(std::move(shared))
{
}

Inventory::~Inventory() = default;

Outcome Inventory::open()
{
    Outcome out;
    if (shared_) {
        if (!loadShared(out))
            messages_.error(out.notes.empty() ? std::string() : out.notes.back().text);
        out.notes.clear();
        out.then(selectCategory(0));
        return out;
    }
    auto loaded = folder_->loadbase(store_, [&out](const std::string &text) { out.status = text; });
    dictionary_ = std::move(loaded.dictionary);
    categories_ = std::move(loaded.categories);
    names_.rebuild(store_);
    values_.rebuild(store_);
    // The list starts with every record, in the order chosen for every category change.
    out.then(selectCategory(0));
    if (const size_t shortages = belowMinimumCount(); shortages > 0 && out.status)
        *out.status += cp1251("; ниже минимума: ") + std::to_string(shortages);
    return out;
}

bool Inventory::save()
{
    bool saved = folder_->savebase(store_);
    if (std::string failure; companion_ && !companion_->save(failure)) {
        messages_.error(failure);
        saved = false;
    }
    return saved;
}

CloseDecision Inventory::close(Messages &messages) { return closeInventory(*folder_, store_, messages, companion_); }

void Inventory::record(const StockChange &done)
{
    // On the disk before the window shows the change; a journal that cannot be written is
    // reported by the folder itself, at the first failure (the change stays in memory and is
    // saved at closing as before). A stock on a server made the change already; it keeps no
    // history of its own yet.
    if (shared_) {
        (void)shared_->record(done);
        return;
    }
    ViewList &view = changeView_;
    findRecords(store_, &names_, done.key, view);
    const uint32_t after = view.viewcount > 0 ? store_.quantity[view.viewlist[1]] : 0;
    (void)folder_->record(done, {after, changeNote_, undoing_});
    lastHistoryLine_ = folder_->readOnly() ? 0 : folder_->history().lastMade();
}

std::string Inventory::categoryName(int category) const
{
    return category >= 0 && static_cast<std::size_t>(category) < categories_.size()
               ? categories_[static_cast<std::size_t>(category)]
               : std::string();
}

// --- the list

void Inventory::filter()
{
    ViewList view;
    const std::optional<ValueQuery> value = lastfilter_.byValue ? readValueQuery(lastfilter_.name) : std::nullopt;
    if (value)
        filterByValue(store_, lastfilter_, exact_, *value, view);
    else if (!lastfilter_.byValue)
        vosk::filterbase(store_, names_, lastfilter_, exact_, view);
    rows_.assign(view.viewlist.begin() + 1, view.viewlist.begin() + 1 + view.viewcount);
    if (lastAttributes_.any())
        std::erase_if(rows_, [this](uint16_t slot) {
            return !attributesFit(attributes(), lastAttributes_, exact_, store_.category[slot], store_.name[slot],
                                  store_.description[slot], store_.quantity[slot]);
        });
    listChanged();
}

Outcome Inventory::showlist()
{
    Outcome out;
    out.list = ListChange::Reset;
    uint32_t sum = 0;
    for (const uint16_t slot : rows_)
        sum += store_.quantity[slot];
    out.status = listSummary(static_cast<uint32_t>(rows_.size()), sum);
    return out;
}

Outcome Inventory::refresh()
{
    filter();
    return showlist();
}

Outcome Inventory::selectCategory(int category)
{
    lastfilter_.category = category <= 0 ? -1 : category;
    Outcome out = refresh();
    if (autoSort_)
        out.then(sortRows(*autoSort_));
    return out;
}

Outcome Inventory::reset(int category)
{
    lastfilter_ = {};
    lastAttributes_ = {};
    return selectCategory(category);
}

std::string Inventory::valueWordRefusal(std::string_view word) { return valueRefusal(word); }

Outcome Inventory::search(const FilterCriteria &given, const AttributeCriteria &attributes)
{
    FilterCriteria criteria = given;
    // «по номиналу» qualifies the name criterion: with no name but another criterion
    // (a quantity, a description) there is nothing to read as a value, and the search is
    // made by the others.
    if (criteria.byValue && criteria.name.empty() &&
        (criteria.quantity != 0 || !criteria.description.empty() || attributes.any()))
        criteria.byValue = false;
    if (criteria.byValue && !readValueQuery(criteria.name)) {
        Outcome out;
        out.refuse(criteria.name.empty()
                       ? cp1251("Для поиска по номиналу введите номинал, например 4,7К, 4k7, 100нф или 0,1мкф.")
                       : valueRefusal(criteria.name) + cp1251(" Или снимите флажок «по номиналу»."));
        return out;
    }
    lastfilter_ = criteria;
    lastAttributes_ = attributes;
    return refresh();
}

std::vector<ListRow> Inventory::listRows() const
{
    std::vector<ListRow> rows;
    rows.reserve(rows_.size());
    for (const uint16_t slot : rows_)
        rows.push_back({store_.category[slot], std::string(store_.name[slot]), std::to_string(store_.quantity[slot]),
                        std::string(store_.description[slot])});
    return rows;
}

namespace {
// Below this many rows every ordering takes less than a frame: it runs at once.
constexpr std::size_t kRowsSortedAtOnce = 2048;
} // namespace

Outcome Inventory::sortRows(ListColumn column)
{
    Outcome out;
    const int key = static_cast<int>(column);
    // The exchange, and the ordering of long texts (descriptions compared byte by byte), take
    // more than a frame on a long list: they run aside.
    if (rows_.size() > kRowsSortedAtOnce &&
        (column == ListColumn::Description || needsExchange(store_, values_, rows_, key))) {
        out.sortLater = column;
        return out;
    }
    const SortResult result = sortSlots(store_, values_, rows_, key);
    listChanged();
    out.list = ListChange::Reset;
    if (result.stopped)
        out.error(result.errorMessage);
    return out;
}

Inventory::SortJob Inventory::sortJob(ListColumn column) const
{
    return SortJob{column, rows_, listGeneration_, {}};
}

void Inventory::runSortJob(SortJob &job, const SortControl *control) const
{
    job.result = sortSlots(store_, values_, job.order, static_cast<int>(job.column), control);
}

Outcome Inventory::finishSortJob(SortJob job)
{
    Outcome out;
    if (job.listGeneration != listGeneration_ || job.result.cancelled)
        return out; // the list changed meanwhile: the ordering is for a list no longer shown
    rows_ = std::move(job.order);
    listChanged();
    out.list = ListChange::Reset;
    if (job.result.stopped)
        out.error(job.result.errorMessage);
    return out;
}

Outcome Inventory::sort(ListColumn column) { return sortRows(column); }

// --- the changing tab

int Inventory::guessCategory(const std::string &name) const
{
    const int guessed = guesstype(name, dictionary_);
    return guessed >= 0 && static_cast<std::size_t>(guessed) < categories_.size() ? guessed : -1;
}

Outcome Inventory::understand(int category, const std::string &name) const
{
    Outcome out;
    try {
        out.understand = generalFormat(readnominal(category, name));
    } catch (const NumberConversionError &e) {
        out.error(e.message());
    }
    return out;
}

Outcome Inventory::change(const StockChange &edit)
{
    Outcome out;
    lastMoved_ = 0;
    sharedRefused_ = false;
    lastDone_ = {};
    const int category = edit.key.category;
    if (category < 0 || static_cast<std::size_t>(category) >= categories_.size()) {
        out.refuse(cp1251("Выберите тип детали в списке разделов: без него деталь некуда записать."));
        return out;
    }
    StockKey key = makeStockKey(category, edit.key.name, edit.key.description);
    CanonicalName stored = canonicalName(category, edit.key.name);
    if ((!stored.ok() && edit.take && !stored.conversionError) || undoing_ != 0) {
        // A record stored under such a name before it was refused can still be taken out;
        // an undo puts parts back under the name they were stored by.
        stored = {edit.key.name, {}, false};
    }
    if (!stored.ok()) {
        if (!stored.conversionError)
            out.understand = shownominal(0); // «повторите ввод», as the label says of such a name
        out.refuse(stored.refusal, true);
        return out;
    }
    key.name = stored.name;

    if (readOnly()) {
        out.refuse(stock().connected() ? cp1251("База открыта только для просмотра: изменения не сохраняются.")
                                       : cp1251("Нет связи с сервером базы данных: пока она не восстановится, склад "
                                                "только для просмотра. Изменение не сделано."));
        return out;
    }
    ViewList &view = changeView_;
    StoreIndexes indexes{names_, values_};
    StockChange done{std::move(key), edit.amount, edit.take, edit.source};
    if (stock().shared() && !changeShared(done, out))
        return out;
    const StockResult r = changeStock(store_, view, done, &indexes);
    if (const std::optional<int> there = std::exchange(sharedQuantity_, std::nullopt))
        followShared(done.key, *there);
    for (const std::string &text : r.messages)
        out.inform(text);
    if (r.refused) {
        out.refused = true;
        return out;
    }
    lastMoved_ = r.moved;
    done.amount = static_cast<int>(r.moved);
    lastDone_ = std::move(done);
    if (r.moved)
        record(lastDone_);
    if (r.moved || r.createdSlot)
        listChanged();
    if (r.createdSlot) {
        // The new record shows at the end of the list at once (and stays there while the
        // bin works through its takes, when the list is not refilled).
        out.list = ListChange::Appended;
        out.appendedFrom = static_cast<int>(rows_.size());
        rows_.push_back(static_cast<uint16_t>(r.createdSlot));
    }
    if (r.moved || r.createdSlot)
        out.status = std::to_string(store_.totalqty) + cp1251(" деталей");
    if (!batchmode_)
        out.then(refresh());
    return out;
}

Outcome Inventory::move(const StockChange &source, int target)
{
    Outcome out;
    lastMoved_ = 0;
    // Checked before anything changes: a name the target category cannot read as a value
    // would otherwise arrive there as «повторите ввод» and be lost.
    const CanonicalName there = canonicalName(target, source.key.name);
    if (!there.ok()) {
        out.refuse(cp1251("Перевести в раздел «") + categoryName(target) + cp1251("» нельзя: ") + there.refusal, true);
        return out;
    }
    const bool batch = batchmode_;
    batchmode_ = true; // the list is shown once, by the caller, for the target
    JournalGroup group(*this, ChangeSource::Move);
    const std::optional<StockKey> from = storedKey(source.key.category, source.key.name, source.key.description);
    StockChange take = source;
    take.take = true;
    take.source = ChangeSource::Move;
    out.then(change(take));
    const uint32_t taken = lastMoved_;
    if (!out.refused && taken > 0) {
        StockChange arrive = take;
        arrive.take = false;
        arrive.key.category = target;
        arrive.amount = static_cast<int>(taken);
        out.then(change(arrive));
        if (out.refused) {
            // The target would not take them: they go back where they came from.
            StockChange back = take;
            back.take = false;
            back.amount = static_cast<int>(taken);
            Outcome returned = change(back);
            out.notes.insert(out.notes.end(), returned.notes.begin(), returned.notes.end());
            lastMoved_ = 0;
        } else {
            lastMoved_ = taken;
            if (from)
                carryAttributes(*from, makeStockKey(target, there.name, source.key.description), out);
        }
    }
    batchmode_ = batch;
    out.list = ListChange::None;
    out.appendedFrom = 0;
    if (!batchmode_)
        out.then(refresh());
    return out;
}

std::optional<PickedRow> Inventory::pick(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        return std::nullopt;
    const uint16_t slot = rows_[static_cast<std::size_t>(row)];
    const AttributeValues *values = attributes().find(store_.category[slot], store_.name[slot], store_.description[slot]);
    return PickedRow{store_.category[slot], std::string(store_.name[slot]), store_.quantity[slot],
                     std::string(store_.description[slot]), values ? *values : AttributeValues{}};
}

// --- the bin

Outcome Inventory::binAdd(int category, const std::string &name, const std::string &needed,
                          const std::string &description)
{
    Outcome out;
    if (name.empty()) {
        out.refuse(cp1251("Введите название детали"));
        return out;
    }
    bin_.push_back(addbinrow(BinStatus::Ready, category, categories_, name, needed, description, 0, {}));
    return out;
}

void Inventory::binRemove(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= bin_.size())
        return;
    bin_.erase(bin_.begin() + row);
    // The offers would no longer line up with the bin: the pass ends, nothing applied.
    passAbandon();
}

void Inventory::binClear()
{
    bin_.clear();
    passAbandon();
}

Outcome Inventory::findBin(bool exact)
{
    Outcome out;
    exact_ = exact; // and the search tab keeps it so
    lastFind_ = vosk::findbin(store_, names_, categories_, bin_, exact, true, &attributes());
    rows_ = lastFind_.listSlots;
    bin_ = lastFind_.rows;
    lastFindSlots_ = rows_;
    listIsLastFind_ = true;
    out.list = ListChange::Reset;
    if (!lastFind_.rows.empty())
        out.status = binSummary();
    return out;
}

// --- the taking pass

std::optional<Outcome> Inventory::passStart(bool exactFind)
{
    if (rows_.empty())
        return std::nullopt;
    Outcome out;
    // The pass walks the list as the last find left it; anything else (a refill, a row
    // added since) would offer the wrong parts, so the find runs afresh first.
    const bool linedUp = listIsLastFind_ && rows_ == lastFindSlots_ && TakePass::linesUp(bin_, listRows(), lastFind_);
    if (!linedUp) {
        out.then(findBin(exactFind));
        out.status = cp1251("Список деталей изменился после поиска: корзина проверена заново");
        if (rows_.empty())
            return out;
    }
    batchmode_ = true;
    pass_ = TakePass();
    if (!pass_.start(bin_, listRows(), lastFind_, categories_)) {
        batchmode_ = false;
        return out;
    }
    if (!pass_.lastOffered().empty())
        out.lookup = pass_.lastOffered();
    return out;
}

Outcome Inventory::passTake(int amount)
{
    Outcome out;
    if (!pass_.active())
        return out;
    pass_.take(amount);
    // Offers of nothing are passed over inside the pass; the reference window still follows
    // each of them, so it shows the last part offered.
    out.lookup = pass_.lastOffered();
    return out;
}

Outcome Inventory::passFinish(bool confirmed, bool exactFind)
{
    Outcome out;
    const std::vector<StockChange> takes = pass_.takes();
    const bool apply = confirmed && pass_.finished() && !pass_.nothingToApply();
    pass_ = TakePass();
    batchmode_ = false;
    if (apply)
        out = applyTakes(takes, exactFind);
    return out;
}

Outcome Inventory::applyTakes(const std::vector<StockChange> &takes, bool exactFind)
{
    Outcome out;
    batchmode_ = true;
    {
        JournalGroup group(*this, ChangeSource::Pass);
        for (const StockChange &t : takes) {
            out.then(change(t));
            if (sharedRefused_) {
                // On the server the pass is all or nothing: none of its takes is made.
                stock().abandonGroup();
                out.error(cp1251("Ни одна деталь не забрана: пока шел забор, склад изменился. Корзина проверена "
                                 "заново по складу на сервере."));
                break;
            }
            out.refused = false; // a take that cannot be made is reported; the others go on
        }
    }
    batchmode_ = false;
    // The bin checked again against the new stock.
    out.then(findBin(exactFind));
    return out;
}

void Inventory::passAbandon()
{
    batchmode_ = false;
    if (pass_.active() || pass_.finished())
        pass_.abandon();
}

} // namespace vosk
