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

enum Column { kCategory, kCategoryName, kName, kQuantity, kDescription, kColumns };

// A header word with case, blanks and punctuation dropped: only the letters and digits of
// code page 1251, small («Кол-во» and «кол. во» are «колво»).
std::string headerKey(std::string_view text)
{
    std::string out;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c - 'A' + 'a');
        else if (c >= 0xC0 && c <= 0xDF)
            c = static_cast<unsigned char>(c + 0x20);
        else if (c == 0xA8)
            c = 0xB8; // Ё
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c >= 0xE0 || c == 0xB8)
            out += static_cast<char>(c);
    }
    return out;
}

// Header words (UTF-8, as headerKey leaves them) and the field they name. A word of rank 2
// gives way to one of rank 1 for the same field («Корпус» beside «Примечание»); two of one
// rank cannot be told apart («Наименование» and «Номинал»): the user says which is which.
struct HeaderWord {
    const char *word;
    Column column;
    int rank;
};
constexpr HeaderWord kHeaderWords[] = {
    {"category", kCategory, 1},          {"категория", kCategory, 1},      {"раздел", kCategory, 1},
    {"группа", kCategory, 1},            {"group", kCategory, 1},          {"тип", kCategory, 2},
    {"type", kCategory, 2},              {"categoryname", kCategoryName, 1}, {"названиераздела", kCategoryName, 1},
    {"name", kName, 1},                  {"название", kName, 1},           {"наименование", kName, 1},
    {"номинал", kName, 1},               {"value", kName, 1},              {"part", kName, 1},
    {"деталь", kName, 1},                {"компонент", kName, 1},          {"quantity", kQuantity, 1},
    {"qty", kQuantity, 1},               {"qnty", kQuantity, 1},           {"количество", kQuantity, 1},
    {"колво", kQuantity, 1},             {"кол", kQuantity, 1},            {"шт", kQuantity, 1},
    {"штук", kQuantity, 1},              {"count", kQuantity, 1},          {"amount", kQuantity, 1},
    {"description", kDescription, 1},    {"описание", kDescription, 1},    {"примечание", kDescription, 1},
    {"комментарий", kDescription, 1},    {"comment", kDescription, 1},     {"note", kDescription, 1},
    {"notes", kDescription, 1},          {"корпус", kDescription, 2},      {"package", kDescription, 2},
    {"footprint", kDescription, 2},
};

std::optional<HeaderWord> headerWord(std::string_view header)
{
    const std::string key = headerKey(header);
    for (const HeaderWord &w : kHeaderWords)
        if (key == cp1251(w.word))
            return w;
    return std::nullopt;
}

// Rows that sum a table up rather than hold a part.
bool isTotalWord(std::string_view text)
{
    const std::string key = headerKey(text);
    for (const char *w : {"итого", "итог", "всего", "total", "sum", "сумма", "totals"})
        if (key == cp1251(w))
            return true;
    return false;
}

// Russian counting: 1 строка, 2 строки, 5 строк.
const char *plural(uint64_t n, const char *one, const char *few, const char *many)
{
    const uint64_t tens = n % 100, units = n % 10;
    if (tens >= 11 && tens <= 14)
        return many;
    return units == 1 ? one : units >= 2 && units <= 4 ? few : many;
}

// What a spreadsheet program's own file is, told by its first bytes; empty for text.
std::string spreadsheetKind(std::string_view head)
{
    if (head.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
        return cp1251("файл Excel 97–2003 (.xls)");
    if (head.substr(0, 4) == std::string_view("PK\x03\x04", 4)) {
        if (head.find("opendocument.spreadsheet") != std::string_view::npos)
            return cp1251("таблица OpenDocument (.ods)");
        if (head.find("xl/") != std::string_view::npos || head.find("[Content_Types].xml") != std::string_view::npos)
            return cp1251("книга Excel (.xlsx)");
        return cp1251("архив ZIP (например, .xlsx или .ods)");
    }
    if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF")
        return cp1251("текст в кодировке UTF-16 («Юникод»)");
    return {};
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
                      const std::vector<uint16_t> &slots, bool forExcel)
{
    TextCodec codec;
    const char sep = forExcel ? ';' : ',';
    std::string out = forExcel ? "\xEF\xBB\xBF" "category;category_name;name;quantity;description\r\n"
                               : "category,category_name,name,quantity,description\r\n";
    for (uint16_t slot : slots) {
        const int cat = store.category[slot];
        out += std::to_string(cat);
        out += sep;
        appendField(out, cat < static_cast<int>(categories.size()) ? codec.toUtf8(categories[cat]) : std::string());
        out += sep;
        appendField(out, codec.toUtf8(store.name[slot]));
        out += sep;
        out += std::to_string(store.quantity[slot]);
        out += sep;
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

std::string ImportPlan::skippedSummary() const
{
    std::string parts;
    auto add = [&](uint64_t n, const std::string &what) {
        if (n)
            parts += (parts.empty() ? "" : ", ") + std::to_string(n) + " " + what;
    };
    add(skippedBlank, vosk::cp1251(plural(skippedBlank, "пустая строка", "пустые строки", "пустых строк")));
    add(skippedTotal, vosk::cp1251(plural(skippedTotal, "строка ", "строки ", "строк ")) + quoteText(totalText));
    add(skippedHeading, vosk::cp1251(plural(skippedHeading, "строка-заголовок", "строки-заголовка", "строк-заголовков")));
    return parts.empty() ? parts : vosk::cp1251("пропущено: ") + parts;
}

std::string ImportPlan::refusedQuestion() const
{
    if (refusedCount == 0)
        return {};
    const uint64_t rows = acceptedRows();
    return vosk::cp1251("Импортировать ") + std::to_string(rows) + " " +
           vosk::cp1251(plural(rows, "строку", "строки", "строк")) + vosk::cp1251(" без ") +
           std::to_string(refusedCount) + " " + vosk::cp1251(plural(refusedCount, "отклонённой", "отклонённых", "отклонённых")) +
           "?";
}

const char *importFieldWord(ImportField field)
{
    switch (field) {
    case ImportField::Category: return "category";
    case ImportField::CategoryName: return "category_name";
    case ImportField::Name: return "name";
    case ImportField::Quantity: return "quantity";
    case ImportField::Description: return "description";
    case ImportField::Ignore: break;
    }
    return "ignore";
}

std::optional<ImportField> importFieldOfWord(std::string_view word)
{
    for (ImportField f : {ImportField::Category, ImportField::CategoryName, ImportField::Name, ImportField::Quantity,
                          ImportField::Description, ImportField::Ignore})
        if (word == importFieldWord(f))
            return f;
    return std::nullopt;
}

size_t ImportPlan::changes() const
{
    size_t n = 0;
    for (const ImportEntry &e : entries)
        n += e.after(setQuantities) != e.before;
    return n;
}

int stocktakeDelta(const ImportEntry &e) { return static_cast<int>(e.quantity) - static_cast<int>(e.before); }

StocktakeOutcome applyStocktake(CompStore &store, const ImportPlan &plan, bool zeroAbsent)
{
    StocktakeOutcome out;
    if (!plan.usable() || !plan.setQuantities)
        return out;
    ViewList view;
    auto step = [&](const StockKey &key, int delta) {
        if (delta == 0)
            return true;
        const StockResult r = changeStock(store, view, key, delta > 0 ? delta : -delta, delta < 0);
        out.messages.insert(out.messages.end(), r.messages.begin(), r.messages.end());
        if (r.refused || r.moved != static_cast<uint32_t>(delta > 0 ? delta : -delta)) {
            out.complete = false;
            return false;
        }
        ++out.changed;
        (delta > 0 ? out.added : out.taken) += r.moved;
        return true;
    };
    for (const ImportEntry &e : plan.entries)
        if (!step(e.key, stocktakeDelta(e)))
            return out;
    if (zeroAbsent)
        for (const ImportEntry &e : plan.absent)
            if (!step(e.key, -static_cast<int>(e.before)))
                return out;
    return out;
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
    std::vector<ImportField> chosen; // the user's columns, empty for the header's
    std::vector<std::string> headerKeys;
    int64_t row = 0;     // the spreadsheet's row number of the last record
    int64_t lastEnd = 0; // the file's line the last record ended on

    State(const CompStore &s, const std::vector<std::string> &c, std::vector<ImportField> columns)
        : store(s), categories(c), chosen(std::move(columns))
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
        if (std::string kind = spreadsheetKind(firstBytes); !kind.empty()) {
            plan.fileError = cp1251("Это ") + kind + cp1251(", а не текст CSV. Откройте файл в LibreOffice Calc или "
                                                             "Excel и сохраните лист как CSV: в Calc «Файл > Сохранить "
                                                             "как…», тип «Текст CSV (.csv)», кодировка UTF-8 или "
                                                             "Windows-1251, разделитель «;» или «,»; в Excel «Сохранить "
                                                             "как», тип «CSV UTF-8» или «CSV (разделители — запятые)».");
            return;
        }
        plan.separator = guessSeparator(firstBytes, ",;\t");
        reader = std::make_unique<CsvRecordReader>(plan.separator, [this](int64_t line, std::vector<std::string> &f) {
            record(line, f);
        });
    }

    std::string asCp1251(const std::string &field)
    {
        if (isUtf8(field))
            if (auto c = codec.toCp1251(field))
                return *c;
        return field;
    }

    // Columns by the user's choice or by the header's words; false when the first row is no
    // header at all.
    bool takeHeader(int64_t line, const std::vector<std::string> &fields)
    {
        for (const std::string &f : fields) {
            plan.header.push_back(asCp1251(f));
            headerKeys.push_back(headerKey(plan.header.back()));
        }
        if (!chosen.empty()) {
            for (size_t k = 0; k < chosen.size() && k < fields.size(); ++k)
                if (chosen[k] != ImportField::Ignore && column[static_cast<int>(chosen[k])] < 0)
                    column[static_cast<int>(chosen[k])] = static_cast<int>(k);
            plan.columns.assign(fields.size(), ImportField::Ignore);
            for (size_t k = 0; k < chosen.size() && k < fields.size(); ++k)
                plan.columns[k] = chosen[k];
            missingColumns(line);
            return true;
        }
        int rank[kColumns] = {0, 0, 0, 0, 0};
        bool tie[kColumns] = {};
        int found = 0;
        for (size_t k = 0; k < fields.size(); ++k) {
            const auto w = headerWord(plan.header[k]);
            if (!w)
                continue;
            ++found;
            int &r = rank[w->column];
            if (r == 0 || w->rank < r) {
                r = w->rank;
                column[w->column] = static_cast<int>(k);
                tie[w->column] = false;
            } else if (w->rank == r) {
                tie[w->column] = true;
            }
        }
        if (found == 0) {
            plan.header.clear(); // the first row is a record
            headerKeys.clear();
            return false;
        }
        plan.columns.assign(fields.size(), ImportField::Ignore);
        for (int c = 0; c < kColumns; ++c)
            if (column[c] >= 0)
                plan.columns[static_cast<size_t>(column[c])] = static_cast<ImportField>(c);
        for (int c = 0; c < kColumns; ++c)
            if (tie[c]) {
                std::string names;
                for (size_t k = 0; k < fields.size(); ++k)
                    if (const auto w = headerWord(plan.header[k]); w && w->column == c && w->rank == rank[c])
                        names += (names.empty() ? "" : cp1251(" и ")) + quoteText(plan.header[k]);
                plan.needsColumns = true;
                plan.fileError = cp1251("По заголовку не понять, какой столбец что значит: ") + names +
                                 cp1251(" могут означать одно и то же. Укажите, что в каком столбце.");
                return true;
            }
        missingColumns(line);
        return true;
    }

    void missingColumns(int64_t line)
    {
        if (column[kName] < 0 || column[kQuantity] < 0 || (column[kCategory] < 0 && column[kCategoryName] < 0)) {
            plan.needsColumns = true;
            plan.fileError = cp1251("В заголовке (строка ") + std::to_string(line) +
                             cp1251(") не найдены нужные столбцы: название, количество и раздел (name, quantity, "
                                    "category или category_name). Укажите, что в каком столбце.");
        }
    }

    void skip(uint64_t &counter, std::string reason)
    {
        ++counter;
        if (plan.skipped.size() < ImportPlan::kListedRefusals)
            plan.skipped.push_back({row, std::move(reason)});
    }

    void record(int64_t line, std::vector<std::string> &fields)
    {
        // Spreadsheet rows: a record is one row however many lines its cells span, and every
        // empty line between records is a row too.
        const int64_t emptyLines = std::max<int64_t>(0, line - lastEnd - 1);
        lastEnd = reader->line();
        row += emptyLines + 1;
        if (plan.needsColumns) {
            if (plan.sample.size() < 5) {
                plan.sample.emplace_back();
                for (const std::string &f : fields)
                    plan.sample.back().push_back(asCp1251(f));
            }
            return;
        }
        if (!plan.fileError.empty())
            return;
        if (!headerSeen) {
            headerSeen = true;
            if (takeHeader(row, fields))
                return;
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
        } else {
            for (int64_t k = 0; k < emptyLines; ++k) {
                ++plan.rowsRead;
                const int64_t at = row;
                row = at - emptyLines + k;
                skip(plan.skippedBlank, cp1251("пустая строка"));
                row = at;
            }
        }
        ++plan.rowsRead;
        part(row, fields);
    }

    void part(int64_t line, std::vector<std::string> &raw)
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

        // Rows that hold no part are skipped and counted, not refused: a blank row, a total,
        // a heading inside the sheet (one cell filled and no quantity, or the header again).
        int filled = 0;
        bool repeatsHeader = true;
        for (int c = 0; c < kColumns; ++c) {
            const std::string_view text = trimField(field[c]);
            if (text.empty())
                continue;
            ++filled;
            if (isTotalWord(text)) {
                if (plan.totalText.empty())
                    plan.totalText = std::string(text);
                skip(plan.skippedTotal, cp1251("строка ") + quoteText(text));
                return;
            }
            if (static_cast<size_t>(column[c]) >= headerKeys.size() ||
                headerKey(text) != headerKeys[static_cast<size_t>(column[c])])
                repeatsHeader = false;
        }
        if (filled == 0) {
            skip(plan.skippedBlank, cp1251("пустая строка"));
            return;
        }
        if (repeatsHeader || (filled == 1 && trimField(field[kQuantity]).empty())) {
            skip(plan.skippedHeading, cp1251("заголовок внутри таблицы"));
            return;
        }

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
        const int least = plan.setQuantities ? 0 : 1;
        if (!isNumber(qtyText) || qtyText.size() > 5 || std::stoi(std::string(qtyText)) < least ||
            std::stoi(std::string(qtyText)) > 65535) {
            refuse(line, cp1251("Количество ") + quoteText(qtyText) + cp1251(" не целое число от ") +
                             std::to_string(least) + cp1251(" до 65535."));
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
        // What the value search reads is read here too («2,2 кОм», «470 Ом», «0,1 мкФ», «4k7»,
        // «470R», «100nF»): written as the stock writes that value.
        if (!canonical.ok() && hasCanonicalNames(category))
            if (const auto v = readLooseValue(name, isResistanceCategory(category)))
                if (CanonicalName read = canonicalName(category, shownominal(*v)); read.ok())
                    canonical = std::move(read);
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
            const uint32_t base = plan.setQuantities ? 0u : e.before;
            if (base + e.quantity + quantity > 65535) {
                refuse(line, cp1251("Нельзя хранить больше 65535 деталей одного наименования: вместе с этой строкой их "
                                    "было бы ") +
                                 std::to_string(base + e.quantity + quantity) + ".");
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
            if (!plan.setQuantities && e.before + quantity > 65535) {
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

CsvImporter::CsvImporter(const CompStore &store, const std::vector<std::string> &categories,
                         std::vector<ImportField> columns)
    : s_(std::make_unique<State>(store, categories, std::move(columns)))
{
}

CsvImporter::~CsvImporter() = default;

void CsvImporter::setQuantities() { s_->plan.setQuantities = true; }

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
        if (s.reader && !s.reader->feed(view))
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
        if (s.reader && !s.reader->feed(view))
            s.plan.fileError = s.reader->error();
    }
    if (s.plan.fileError.empty() && !s.reader->finish())
        s.plan.fileError = s.reader->error();
    if (s.plan.fileError.empty() && s.plan.rowsRead == 0)
        s.plan.fileError = s.headerSeen ? cp1251("В файле только заголовок, строк с деталями нет.")
                                        : cp1251("Файл пуст.");
    if (s.plan.needsColumns && s.reader)
        s.reader->finish(); // the sample's last row
    if (s.plan.fileError.empty() && s.plan.setQuantities)
        for (int i = 1; i <= s.store.compcount; ++i)
            if (!s.entryOf.contains(State::keyOf(s.store.category[i], s.store.name[i], s.store.description[i]))) {
                ImportEntry e;
                e.key = {s.store.category[i], std::string(s.store.name[i]), std::string(s.store.description[i])};
                e.slot = i;
                e.before = s.store.quantity[i];
                s.plan.absent.push_back(std::move(e));
            }
    if (!s.plan.fileError.empty()) {
        s.plan.entries.clear();
        s.plan.skipped.clear();
        s.plan.skippedBlank = s.plan.skippedTotal = s.plan.skippedHeading = 0;
        s.plan.refused.clear();
        s.plan.refusedCount = 0;
        s.plan.doubles = 0;
        s.plan.doubled.clear();
    }
    return std::move(s.plan);
}

ImportPlan planImport(const CompStore &store, const std::vector<std::string> &categories, std::string_view bytes,
                      std::vector<ImportField> columns)
{
    CsvImporter importer(store, categories, std::move(columns));
    importer.feed(bytes);
    return importer.finish();
}

ImportPlan planImportFile(const CompStore &store, const std::vector<std::string> &categories, const std::string &path,
                          std::vector<ImportField> columns, bool setQuantities)
{
    CsvImporter importer(store, categories, std::move(columns));
    if (setQuantities)
        importer.setQuantities();
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
        if (!shownDescription(key.description).empty())
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
