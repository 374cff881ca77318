#include "csvio.h"

#include "bin.h"
#include "cp1251.h"
#include "csvrecords.h"
#include "filebytes.h"
#include "nameindex.h"
#include "nominal.h"
#include "textcodec.h"
#include "valuecache.h"
#include "valuetext.h"

#include <csv.h>
#include <optional>
#include <unordered_map>

namespace vosk {
namespace {

void appendField(std::string &out, std::string_view field)
{
    bool quote = field.find_first_of(",;\"\r\n") != std::string_view::npos ||
                 (!field.empty() && (field.front() == ' ' || field.back() == ' ' || field.front() == '\t' ||
                                     field.back() == '\t'));
    if (!quote) {
        out += field;
        return;
    }
    const size_t at = out.size();
    out.resize(at + field.size() * 2 + 2);
    out.resize(at + csv_write(out.data() + at, out.size() - at, field.data(), field.size()));
}

std::string asciiLower(std::string_view s)
{
    std::string out(trimField(s));
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

enum Column { kCategory, kCategoryName, kName, kQuantity, kDescription, kColumns };

// Header words, compared with ASCII letters in lower case; the Russian ones in UTF-8 and in
// code page 1251 as spreadsheets write them.
std::optional<Column> columnOf(std::string_view header)
{
    static const std::pair<const char *, Column> words[] = {
        {"category", kCategory},        {"категория", kCategory},     {"раздел", kCategory},
        {"category_name", kCategoryName}, {"название раздела", kCategoryName},
        {"name", kName},                {"название", kName},          {"номинал", kName},
        {"quantity", kQuantity},        {"qty", kQuantity},           {"количество", kQuantity},
        {"description", kDescription},  {"описание", kDescription},
    };
    const std::string h = asciiLower(header);
    for (const auto &[word, column] : words) {
        if (h == word)
            return column;
        try {
            std::string w = cp1251(word);
            std::string lowerH = h;
            // Cyrillic capitals of the header in code page 1251 become small letters.
            for (char &c : lowerH)
                if (static_cast<unsigned char>(c) >= 0xC0 && static_cast<unsigned char>(c) <= 0xDF)
                    c = static_cast<char>(c + 0x20);
            if (lowerH == w)
                return column;
        } catch (const std::exception &) {
        }
    }
    return std::nullopt;
}

bool isNumber(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string quoteText(std::string_view s) { return cp1251("«") + std::string(s) + cp1251("»"); }

} // namespace

std::vector<uint16_t> allSlots(const CompStore &store)
{
    std::vector<uint16_t> slots;
    slots.reserve(store.compcount);
    for (int i = 1; i <= store.compcount; ++i)
        slots.push_back(static_cast<uint16_t>(i));
    return slots;
}

std::string exportCsv(const CompStore &store, const std::vector<std::string> &categories,
                      const std::vector<uint16_t> &slots)
{
    TextCodec codec;
    std::string out = "category,category_name,name,quantity,description\r\n";
    for (uint16_t slot : slots) {
        const int cat = store.category[slot];
        out += std::to_string(cat);
        out += ',';
        appendField(out, cat < static_cast<int>(categories.size()) ? codec.toUtf8(categories[cat]) : std::string());
        out += ',';
        appendField(out, codec.toUtf8(store.name[slot]));
        out += ',';
        out += std::to_string(store.quantity[slot]);
        out += ',';
        appendField(out, codec.toUtf8(store.description[slot]));
        out += "\r\n";
    }
    return out;
}

size_t ImportPlan::adds() const
{
    size_t n = 0;
    for (const ImportEntry &e : entries)
        n += e.slot == 0;
    return n;
}

size_t ImportPlan::merges() const { return entries.size() - adds(); }

uint64_t ImportPlan::parts() const
{
    uint64_t n = 0;
    for (const ImportEntry &e : entries)
        n += e.quantity;
    return n;
}

struct CsvImporter::State {
    const CompStore &store;
    const std::vector<std::string> &categories;
    TextCodec codec;
    ImportPlan plan;
    std::unordered_map<std::string, size_t> entryOf; // key -> index into plan.entries
    std::unordered_map<std::string, int> slotOf;     // key -> first record in store order
    std::unordered_map<int, int> twins;              // first record of a key held more than once -> records
    std::string head;                                // bytes held until the first line is complete
    std::unique_ptr<CsvRecordReader> reader;
    bool started = false;
    bool bom = false;
    bool headerSeen = false;
    int column[kColumns] = {-1, -1, -1, -1, -1};
    size_t newRecords = 0;

    State(const CompStore &s, const std::vector<std::string> &c) : store(s), categories(c)
    {
        slotOf.reserve(store.compcount);
        for (int i = store.compcount; i >= 1; --i) {
            int &first = slotOf[keyOf(store.category[i], store.name[i], store.description[i])];
            if (first != 0) {
                auto t = twins.try_emplace(i, 1).first;
                if (auto later = twins.find(first); later != twins.end()) {
                    t->second = later->second;
                    twins.erase(later);
                }
                ++t->second;
            }
            first = i;
        }
    }

    static std::string keyOf(int category, std::string_view name, std::string_view description)
    {
        std::string k = std::to_string(category);
        k += '\x01';
        k += name;
        k += '\x01';
        k += description;
        return k;
    }

    void refuse(int64_t line, std::string reason)
    {
        ++plan.refusedCount;
        if (plan.refused.size() < ImportPlan::kListedRefusals)
            plan.refused.push_back({line, std::move(reason)});
    }

    void start(std::string_view firstBytes)
    {
        started = true;
        plan.separator = guessSeparator(firstBytes, ",;");
        reader = std::make_unique<CsvRecordReader>(plan.separator, [this](int64_t line, std::vector<std::string> &f) {
            record(line, f);
        });
    }

    bool takeHeader(const std::vector<std::string> &fields)
    {
        int found = 0;
        for (size_t k = 0; k < fields.size(); ++k) {
            std::string text = fields[k];
            if (isUtf8(text))
                if (auto c = codec.toCp1251(text))
                    text = *c;
            if (auto col = columnOf(text); col && column[*col] < 0) {
                column[*col] = static_cast<int>(k);
                ++found;
            }
        }
        return found > 0;
    }

    void record(int64_t line, std::vector<std::string> &fields)
    {
        if (!plan.fileError.empty())
            return;
        if (!headerSeen) {
            headerSeen = true;
            if (takeHeader(fields)) {
                if (column[kName] < 0 || column[kQuantity] < 0 || (column[kCategory] < 0 && column[kCategoryName] < 0))
                    plan.fileError = cp1251("В заголовке файла нет нужных столбцов: нужны name, quantity и category "
                                            "или category_name (строка ") +
                                     std::to_string(line) + ").";
                return;
            }
            // No header: the columns of an export, or the same without the category's name.
            if (fields.size() >= 5) {
                column[kCategory] = 0, column[kCategoryName] = 1, column[kName] = 2, column[kQuantity] = 3,
                column[kDescription] = 4;
            } else if (fields.size() >= 3) {
                column[kCategory] = 0, column[kName] = 1, column[kQuantity] = 2;
                if (fields.size() == 4)
                    column[kDescription] = 3;
            } else {
                plan.fileError = cp1251("Первая строка файла не заголовок и не строка записи: столбцов ") +
                                 std::to_string(fields.size()) + ".";
                return;
            }
        }
        ++plan.rowsRead;
        row(line, fields);
    }

    void row(int64_t line, std::vector<std::string> &raw)
    {
        // The row's text: UTF-8 when the file has a BOM or every field of the row is UTF-8,
        // code page 1251 otherwise (spreadsheets on Russian systems write it).
        bool rowUtf8 = bom;
        if (!bom) {
            rowUtf8 = true;
            for (const std::string &f : raw)
                if (!isUtf8(f)) {
                    rowUtf8 = false;
                    break;
                }
        }
        std::string field[kColumns];
        bool high = false;
        for (int c = 0; c < kColumns; ++c) {
            if (column[c] < 0 || column[c] >= static_cast<int>(raw.size()))
                continue;
            std::string &f = raw[static_cast<size_t>(column[c])];
            const bool fieldHigh = hasHighBytes(f);
            high = high || fieldHigh;
            if (rowUtf8 && fieldHigh) {
                auto converted = codec.toCp1251(f);
                if (!converted) {
                    refuse(line, isUtf8(f) ? cp1251("В поле ") + std::to_string(column[c] + 1) +
                                                 cp1251(" есть символы, которых нет в кодировке Windows-1251.")
                                           : cp1251("Строка не в UTF-8, хотя файл начинается с метки UTF-8."));
                    return;
                }
                field[c] = std::move(*converted);
            } else {
                // 0x98 is the one byte of the code page that stands for no character.
                if (f.find('\x98') != std::string::npos) {
                    refuse(line, cp1251("В поле ") + std::to_string(column[c] + 1) +
                                     cp1251(" есть байт 0x98: в кодировке Windows-1251 это не символ."));
                    return;
                }
                field[c] = std::move(f);
            }
        }
        if (high)
            (rowUtf8 ? plan.utf8 : plan.cp1251) = true;

        // Category: a number, or a name in either category column.
        int category = -1;
        const std::string_view catText = trimField(field[kCategory]);
        const std::string_view catName = trimField(field[kCategoryName]);
        const int count = static_cast<int>(categories.size());
        if (isNumber(catText)) {
            category = catText.size() > 6 ? count : std::stoi(std::string(catText));
            if (category >= count) {
                refuse(line, cp1251("Раздела ") + std::string(catText) + cp1251(" нет: разделов ") +
                                 std::to_string(count) + ".");
                return;
            }
            if (!catName.empty() && !sameTextIgnoringCase(catName, categories[static_cast<size_t>(category)])) {
                refuse(line, cp1251("Раздел ") + std::string(catText) + cp1251(" здесь называется ") +
                                 quoteText(categories[static_cast<size_t>(category)]) + cp1251(", а в файле ") +
                                 quoteText(catName) + ".");
                return;
            }
        } else {
            const std::string_view byName = catText.empty() ? catName : catText;
            category = captionCategory(byName, categories);
            if (category < 0) {
                refuse(line, byName.empty() ? cp1251("Не указан раздел.")
                                            : cp1251("Раздела ") + quoteText(byName) + cp1251(" нет."));
                return;
            }
        }

        const std::string_view qtyText = trimField(field[kQuantity]);
        if (!isNumber(qtyText) || qtyText.size() > 5 || std::stoi(std::string(qtyText)) < 1 ||
            std::stoi(std::string(qtyText)) > 65535) {
            refuse(line, cp1251("Количество ") + quoteText(qtyText) + cp1251(" не целое число от 1 до 65535."));
            return;
        }
        const uint32_t quantity = static_cast<uint32_t>(std::stoi(std::string(qtyText)));

        std::string &name = field[kName];
        std::string &description = field[kDescription];
        if (name.empty()) {
            refuse(line, cp1251("Пустое название."));
            return;
        }
        for (const std::string *text : {&name, &description})
            if (std::string why = unstorableText(*text); !why.empty()) {
                refuse(line, why);
                return;
            }
        // A spreadsheet writes «4.7k» with a decimal point, which the typed-name reader does not
        // know as one («47К» would be a tenfold error): such a value is read as a value and
        // written canonically. The program's own names use the comma and never get here.
        std::string typed = name;
        if (hasCanonicalNames(category) && name.find('.') != std::string::npos)
            if (const auto v = readLooseValue(name, isResistanceCategory(category)))
                typed = shownominal(*v);
        CanonicalName canonical = canonicalName(category, typed);
        const StockKey stockKey = makeStockKey(category, canonical.ok() ? canonical.name : name, description);
        std::string key = keyOf(category, stockKey.name, stockKey.description);
        // A new record takes only what typing would store; a record already holding such
        // text (an older main.dat) may still be added to.
        if (!slotOf.count(key))
            if (std::string why = newRecordRefusal(stockKey); !why.empty()) {
                refuse(line, why);
                return;
            }
        if (!canonical.ok()) {
            refuse(line, canonical.refusal);
            return;
        }
        auto planned = entryOf.find(key);
        if (planned != entryOf.end()) {
            ImportEntry &e = plan.entries[planned->second];
            if (e.before + e.quantity + quantity > 65535) {
                refuse(line, cp1251("Нельзя хранить больше 65535 деталей одного наименования: вместе с этой строкой их "
                                    "было бы ") +
                                 std::to_string(e.before + e.quantity + quantity) + ".");
                return;
            }
            e.quantity += quantity;
            ++e.rows;
            return;
        }
        ImportEntry e;
        e.line = line;
        e.rows = 1;
        e.key = stockKey;
        e.quantity = quantity;
        if (auto existing = slotOf.find(key); existing != slotOf.end()) {
            e.slot = existing->second;
            e.before = store.quantity[static_cast<size_t>(e.slot)];
            if (e.before + quantity > 65535) {
                refuse(line, cp1251("Нельзя хранить больше 65535 деталей одного наименования: сейчас их ") +
                                 std::to_string(e.before) + cp1251(", добавить ") + std::to_string(quantity) +
                                 cp1251(" не получится."));
                return;
            }
        } else {
            if (store.compcount + newRecords >= static_cast<size_t>(CompStore::kMaxRecords)) {
                refuse(line, cp1251("В базе было бы больше 65535 записей: новую запись добавить нельзя."));
                return;
            }
            ++newRecords;
        }
        if (e.slot && twins.count(e.slot)) {
            if (plan.doubled.size() < ImportPlan::kListedDoubles)
                plan.doubled.push_back(plan.entries.size());
            ++plan.doubles;
        }
        entryOf.emplace(std::move(key), plan.entries.size());
        plan.entries.push_back(std::move(e));
    }
};

CsvImporter::CsvImporter(const CompStore &store, const std::vector<std::string> &categories)
    : s_(std::make_unique<State>(store, categories))
{
}

CsvImporter::~CsvImporter() = default;

void CsvImporter::feed(std::string_view bytes)
{
    State &s = *s_;
    if (!s.plan.fileError.empty())
        return;
    if (!s.started) {
        s.head.append(bytes);
        // The separator is guessed from the first line: wait for its end (or for enough bytes).
        if (!firstLineComplete(s.head))
            return;
        std::string head = std::move(s.head);
        s.head.clear();
        std::string_view view = head;
        if (view.substr(0, 3) == "\xEF\xBB\xBF") {
            s.bom = true;
            s.plan.utf8 = true;
            view.remove_prefix(3);
        }
        s.start(view);
        if (!s.reader->feed(view))
            s.plan.fileError = s.reader->error();
        return;
    }
    if (!s.reader->feed(bytes))
        s.plan.fileError = s.reader->error();
}

ImportPlan CsvImporter::finish()
{
    State &s = *s_;
    if (!s.started && s.plan.fileError.empty()) {
        std::string head = std::move(s.head);
        std::string_view view = head;
        if (view.substr(0, 3) == "\xEF\xBB\xBF") {
            s.bom = true;
            s.plan.utf8 = true;
            view.remove_prefix(3);
        }
        s.start(view);
        if (!s.reader->feed(view))
            s.plan.fileError = s.reader->error();
    }
    if (s.plan.fileError.empty() && !s.reader->finish())
        s.plan.fileError = s.reader->error();
    if (s.plan.fileError.empty() && s.plan.rowsRead == 0)
        s.plan.fileError = s.headerSeen ? cp1251("В файле только заголовок, строк с деталями нет.")
                                        : cp1251("Файл пуст.");
    if (!s.plan.fileError.empty()) {
        s.plan.entries.clear();
        s.plan.refused.clear();
        s.plan.refusedCount = 0;
        s.plan.doubles = 0;
        s.plan.doubled.clear();
    }
    return std::move(s.plan);
}

ImportPlan planImport(const CompStore &store, const std::vector<std::string> &categories, std::string_view bytes)
{
    CsvImporter importer(store, categories);
    importer.feed(bytes);
    return importer.finish();
}

ImportPlan planImportFile(const CompStore &store, const std::vector<std::string> &categories, const std::string &path)
{
    CsvImporter importer(store, categories);
    const ReadResult read =
        readFileChunks(path, readlimit::kImport, [&importer](std::string_view piece) { importer.feed(piece); });
    if (read.status != ReadStatus::Ok) {
        // Nothing of a file not read to its end is imported: its last rows are unknown.
        ImportPlan failed;
        failed.fileError = read.status == ReadStatus::Missing ? cp1251("Файл не найден: ") + pathForMessage(path)
                                                              : readFailureMessage(path, read) + ".";
        return failed;
    }
    return importer.finish();
}

std::string importDoublesText(const ImportPlan &plan, const std::vector<std::string> &categories)
{
    if (plan.doubles == 0)
        return {};
    std::string text = cp1251("В базе есть записи-двойники (одинаковые раздел, название и описание): импорт добавит "
                              "детали в первую из них, строк таких: ") +
                       std::to_string(plan.doubles) + ".";
    for (const size_t k : plan.doubled) {
        const StockKey &key = plan.entries[k].key;
        text += cp1251("\r«") + key.name + cp1251("» (") +
                (key.category >= 0 && static_cast<size_t>(key.category) < categories.size()
                     ? categories[static_cast<size_t>(key.category)]
                     : std::to_string(key.category));
        if (key.description != " ")
            text += ", " + key.description;
        text += ")";
    }
    if (plan.doubles > plan.doubled.size())
        text += cp1251("\rи еще ") + std::to_string(plan.doubles - plan.doubled.size());
    return text;
}

ImportOutcome applyImport(CompStore &store, const ImportPlan &plan, StoreIndexes *indexes)
{
    ImportOutcome out;
    if (!plan.usable())
        return out;
    // Every entry found through the name index: a lookup by looking at every record would
    // make an import of many new records quadratic.
    std::unique_ptr<NameIndex> ownNames;
    std::unique_ptr<ValueCache> ownValues;
    std::optional<StoreIndexes> own;
    if (!indexes) {
        ownNames = std::make_unique<NameIndex>();
        ownValues = std::make_unique<ValueCache>();
        ownNames->rebuild(store);
        ownValues->rebuild(store);
        indexes = &own.emplace(StoreIndexes{*ownNames, *ownValues});
    }
    ViewList view;
    for (const ImportEntry &e : plan.entries) {
        const StockResult r = changeStock(store, view, e.key, static_cast<int>(e.quantity), false, indexes);
        // A record held more than once is said once for the whole import (importDoublesText).
        out.doubles += r.doubled;
        out.messages.insert(out.messages.end(), r.messages.begin() + (r.doubled ? 1 : 0), r.messages.end());
        if (r.refused) {
            out.complete = false;
            return out;
        }
        (r.createdSlot ? out.added : out.merged) += 1;
        out.parts += r.moved;
    }
    return out;
}

} // namespace vosk
