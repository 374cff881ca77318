// voskbase-cli: list, add, take, export, import, check the stock and a KiCad bill of materials
// against it, on the installation folder the program uses, through the same core operations.
#include "attributes.h"
#include "bin.h"
#include "cliconv.h"
#include "clitext.h"
#include "dbcommands.h"
#include "compstore.h"
#include "cp1251.h"
#include "csvio.h"
#include "datafiles.h"
#include "dictionary.h"
#include "filebytes.h"
#include "filter.h"
#include "folderlock.h"
#include "inventory.h"
#include "kicadbom.h"
#include "mainfile.h"
#include "nominal.h"
#include "recordcode.h"
#include "messages.h"
#include "settingsstore.h"
#include "standardfds.h"
#include "stock.h"
#include "textcodec.h"
#include "textlines.h"
#include "valuetext.h"

#include <algorithm>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <functional>
#include <map>
#include <iostream>
#include <optional>
#include <unistd.h>

namespace vosk::cli {
namespace {

enum Exit { kDone = 0, kRefused = 1, kBadInput = 2 };

// Everything the core says is code page 1251; the terminal reads UTF-8.
void out(const std::string &cp) { std::fputs(utf8From1251(cp).c_str(), stdout); }
void outLine(const std::string &cp) { out(cp + "\n"); }
void errLine(const std::string &cp)
{
    std::string text = utf8From1251(cp);
    for (char &c : text)
        if (c == '\r')
            c = '\n'; // message texts break lines with a lone CR
    std::fprintf(stderr, "%s\n", text.c_str());
}
std::string t(const char *utf8) { return cp1251(utf8); }

class ConsoleMessages : public Messages {
public:
    void inform(const std::string &text) override { errLine(text); }
    void error(const std::string &text) override { errLine(text); }
    bool confirm(const std::string &text) override
    {
        errLine(text);
        return false;
    }
};

struct Base {
    std::string datapath;
    CompStore store;
    Dictionary dict;
    std::vector<std::string> categories;
    MainFileReport report;
    std::vector<std::string> categoryProblems; // lines of components.lst cut or not read
    WaitingJournal journal;
};

std::string folderName(const std::string &datapath) { return datapath.empty() ? std::string(".") : datapath; }

// Reads the three files as the program does, but never creates one: a terminal command run in
// the wrong folder must not leave empty data files behind.
std::optional<Base> load(const std::string &datapath, bool quiet = false)
{
    Base b;
    b.datapath = datapath;
    const ReadResult main = readFileBytes(datapath + "main.dat", readlimit::kMainFile);
    const ReadResult strings = readFileBytes(datapath + "strings.dat", readlimit::kDictionary);
    const ReadResult comps = readFileBytes(datapath + "components.lst", readlimit::kCategories);
    for (const auto &[r, name] : {std::pair{&main, "main.dat"}, std::pair{&strings, "strings.dat"},
                                  std::pair{&comps, "components.lst"}})
        if (r->status == ReadStatus::Failed) {
            errLine(readFailureMessage(datapath + name, *r));
            return std::nullopt;
        }
    if (main.status == ReadStatus::Missing && strings.status == ReadStatus::Missing &&
        comps.status == ReadStatus::Missing) {
        errLine(t("В папке ") + pathForMessage(folderName(datapath)) +
                t(" нет файлов базы (main.dat, strings.dat, components.lst). Укажите папку: --folder ПАПКА."));
        return std::nullopt;
    }
    b.report = readMainFile(main.bytes, b.store);
    // A program holding the folder keeps its changes in the journal until it saves: a read
    // shows them too (in memory only).
    b.journal = applyWaitingJournal(datapath, main.bytes, b.store);
    if (!quiet && b.journal.present)
        errLine(b.journal.note());
    b.dict = readDictionary(strings.bytes);
    CategoryList categories = readCategoryList(comps.bytes);
    b.categories = std::move(categories.names);
    b.categoryProblems = std::move(categories.problems);
    if (!quiet && !b.report.unreadable.empty())
        errLine(t("В main.dat строк, которые не читаются как записи: ") + std::to_string(b.report.unreadable.size()) +
                t(" (подробнее: voskbase-cli check); они сохраняются без изменений."));
    return b;
}

// Held while a command changes the stock: the program holds the same lock while it runs, and
// a lock left behind is taken over by the same rule (only when its holder is provably gone).
bool takeFolder(FolderLock &lock, const std::string &datapath)
{
    switch (const FolderLock::State state = lock.tryAcquire()) {
    case FolderLock::State::Acquired:
        break;
    case FolderLock::State::Stale:
    case FolderLock::State::Abandoned:
        if (!lock.takeOver()) {
            errLine(t("Не удалось снять блокировку ") + pathForMessage(lock.path()) + ": " + lock.reason() +
                    t("; ничего не изменено."));
            return false;
        }
        errLine(folderTakenOverText(lock, state));
        break;
    case FolderLock::State::Held:
        errLine(folderHeldText(lock, state) + t(" Закройте программу и повторите; ничего не изменено."));
        return false;
    case FolderLock::State::Unknown:
        errLine(folderHeldText(lock, state) + t(" Ничего не изменено."));
        return false;
    case FolderLock::State::Failed:
        errLine(t("Не удалось занять папку базы (файл voskbase.lock) в ") + pathForMessage(folderName(datapath)) +
                ": " + lock.reason() + t("; ничего не изменено."));
        return false;
    }
    // Changes of a program that did not close normally wait in its journal; writing main.dat
    // now would put them on top of a stock they were not made on.
    const QFileInfo journal(QFile::decodeName((datapath + "main.jnl").c_str()));
    if (journal.exists() && !journal.isFile()) {
        // A FIFO, a device or a folder in its place: the program cannot read it either, and
        // leaves it alone; so does a save here.
        errLine(t("Файл main.jnl в папке базы — не обычный файл (канал, устройство или папка): программа не может "
                  "прочитать его журнал. Уберите его и повторите; ничего не изменено."));
        return false;
    }
    if (journal.exists() && journal.size() > 0) {
        errLine(t("В папке базы есть журнал main.jnl: программа закрылась не как следует, и ее изменения "
                  "еще не записаны. Запустите программу, чтобы она их восстановила, и повторите; ничего не "
                  "изменено."));
        return false;
    }
    return true;
}

bool save(const Base &b)
{
    ConsoleMessages messages;
    DataFolder folder(b.datapath, messages);
    return folder.savebase(b.store);
}

std::optional<std::string> argText(const QString &arg)
{
    try {
        return cp1251(arg.toStdString());
    } catch (const std::exception &) {
        errLine(t("В тексте «") + pathForMessage(arg.toStdString()) +
                t("» есть символы, которых нет в кодировке Windows-1251."));
        return std::nullopt;
    }
}

std::optional<int> categoryArg(const QString &arg, const Base &b)
{
    const auto text = argText(arg);
    if (!text)
        return std::nullopt;
    bool isNumber = !text->empty() && text->find_first_not_of("0123456789") == std::string::npos;
    int c = -1;
    if (isNumber && text->size() < 7)
        c = std::stoi(*text);
    else if (!isNumber)
        c = captionCategory(*text, b.categories);
    if (c < 0 || c >= static_cast<int>(b.categories.size())) {
        errLine(t("Нет раздела «") + *text + t("». Разделы (номер и название):"));
        for (size_t k = 0; k < b.categories.size(); ++k)
            errLine("  " + std::to_string(k) + " " + b.categories[k]);
        return std::nullopt;
    }
    return c;
}

std::optional<int> quantityArg(const QString &arg)
{
    bool ok = false;
    const int q = arg.toInt(&ok);
    if (!ok || q < 1 || q > 65535) {
        errLine(t("Количество «") + pathForMessage(arg.toStdString()) + t("» не целое число от 1 до 65535."));
        return std::nullopt;
    }
    return q;
}

std::string categoryName(const Base &b, int c)
{
    return c >= 0 && c < static_cast<int>(b.categories.size()) ? b.categories[static_cast<size_t>(c)] : std::string();
}

// The records list and export show: every criterion given narrows them.
std::optional<std::vector<uint16_t>> chosen(const QCommandLineParser &p, const Base &b, bool all)
{
    FilterCriteria criteria{-1, {}, 0, {}};
    if (!all && p.isSet("category")) {
        const auto c = categoryArg(p.value("category"), b);
        if (!c)
            return std::nullopt;
        // The first category stands for all of them, as in the window's category selector.
        criteria.category = *c == 0 ? -1 : *c;
    }
    ViewList view;
    if (!all && p.isSet("value")) {
        const auto text = argText(p.value("value"));
        if (!text)
            return std::nullopt;
        const auto query = readValueQuery(*text);
        if (!query) {
            errLine(t("«") + *text + t("» не читается как номинал (например 4,7К, 4k7, 100нф, 0.1uF)."));
            return std::nullopt;
        }
        filterByValue(b.store, criteria, p.isSet("exact"), *query, view);
    } else {
        if (!all && p.isSet("find")) {
            const auto text = argText(p.value("find"));
            if (!text)
                return std::nullopt;
            criteria.name = *text;
        }
        filterbase(b.store, criteria, p.isSet("exact"), view);
    }
    return std::vector<uint16_t>(view.viewlist.begin() + 1, view.viewlist.begin() + 1 + view.viewcount);
}

int list(const QCommandLineParser &p, const std::string &datapath)
{
    const auto b = load(datapath);
    if (!b)
        return kBadInput;
    auto slots = chosen(p, *b, false);
    if (!slots)
        return kBadInput;
    if (p.isSet("place") || p.isSet("below-minimum")) {
        // What records carry beside main.dat narrows the list too.
        RecordAttributes attributes;
        for (const std::string &message : loadAttributeFile(datapath, attributes).messages)
            errLine(message);
        AttributeCriteria criteria;
        criteria.belowMinimum = p.isSet("below-minimum");
        if (p.isSet("place")) {
            const auto text = argText(p.value("place"));
            if (!text)
                return kBadInput;
            criteria.place = *text;
        }
        std::erase_if(*slots, [&](uint16_t s) {
            return !attributesFit(attributes, criteria, p.isSet("exact"), b->store.category[s], b->store.name[s],
                                  b->store.description[s], b->store.quantity[s]);
        });
    }
    uint32_t total = 0;
    const bool json = p.isSet("json");
    if (p.isSet("tsv"))
        std::fputs("category\tcategory_name\tname\tquantity\tdescription\n", stdout);
    for (uint16_t s : *slots) {
        const int c = b->store.category[s];
        if (json)
            std::fputs(JsonLine()
                           .number("category", c)
                           .text("category_name", categoryName(*b, c))
                           .text("name", b->store.name[s])
                           .number("quantity", b->store.quantity[s])
                           .text("description", b->store.description[s])
                           .done()
                           .c_str(),
                       stdout);
        else
            outLine(std::to_string(c) + "\t" + categoryName(*b, c) + "\t" + std::string(b->store.name[s]) + "\t" +
                    std::to_string(b->store.quantity[s]) + "\t" + std::string(b->store.description[s]));
        total += b->store.quantity[s];
    }
    errLine(listSummary(static_cast<uint32_t>(slots->size()), total));
    return kDone;
}

int exportCommand(const QCommandLineParser &p, const QStringList &args, const std::string &datapath)
{
    if (args.size() != 2) {
        errLine(t("export: нужен один файл (или «-» для вывода)."));
        return kBadInput;
    }
    const auto b = load(datapath);
    if (!b)
        return kBadInput;
    const auto slots = chosen(p, *b, p.isSet("all"));
    if (!slots)
        return kBadInput;
    RecordAttributes attributes; // their columns follow when records carry any
    for (const std::string &message : loadAttributeFile(datapath, attributes).messages)
        errLine(message);
    const std::string csv = exportCsv(b->store, b->categories, *slots, p.isSet("excel"), &attributes);
    if (args[1] == "-") {
        std::fwrite(csv.data(), 1, csv.size(), stdout);
        return kDone;
    }
    const std::string path = QFile::encodeName(args[1]).toStdString();
    const WriteResult written = replaceFileAtomically(path, csv);
    if (!written) {
        errLine(t("Не удалось записать ") + pathForMessage(path) + ": " + written.reason);
        return kBadInput;
    }
    errLine(t("Записей выгружено: ") + std::to_string(slots->size()));
    return kDone;
}

int applyChange(Base &base, StockKey key, int quantity, bool take, bool partial);

// take --code CODE QTY: the record a label's code names (as a scanner typed it).
int takeByCode(const QString &code, const QString &quantityText, const std::string &datapath, bool partial)
{
    const auto typed = argText(code);
    const auto quantity = quantityArg(quantityText);
    if (!typed || !quantity)
        return kBadInput;
    const auto key = readRecordCode(*typed);
    if (!key) {
        errLine(t("Это не код этикетки: код начинается с «VB-» и пишется латинскими буквами, цифрами и дефисами."));
        return kBadInput;
    }
    FolderLock lock(datapath);
    if (!takeFolder(lock, datapath))
        return kRefused;
    auto b = load(datapath);
    if (!b)
        return kBadInput;
    return applyChange(*b, *key, *quantity, true, partial);
}

int change(const QStringList &args, const std::string &datapath, bool take, bool partial)
{
    if (args.size() < 4 || args.size() > 5) {
        errLine(take ? t("take: нужны РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ].")
                     : t("add: нужны РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ]."));
        return kBadInput;
    }
    FolderLock lock(datapath);
    if (!takeFolder(lock, datapath))
        return kRefused;
    auto b = load(datapath);
    if (!b)
        return kBadInput;
    const auto category = categoryArg(args[1], *b);
    const auto name = argText(args[2]);
    const auto quantity = quantityArg(args[3]);
    const auto description = args.size() == 5 ? argText(args[4]) : std::optional<std::string>(std::string());
    if (!category || !name || !quantity || !description)
        return kBadInput;
    const CanonicalName canonical = canonicalName(*category, *name);
    if (!canonical.ok()) {
        // The rule of typing holds here too, but a spelling the stock does not use can be named.
        std::string hint;
        if (const auto v = readLooseValue(*name, isResistanceCategory(*category)))
            if (CanonicalName c = canonicalName(*category, shownominal(*v)); c.ok())
                hint = t(" Может быть, «") + c.name + t("»?");
        errLine(canonical.refusal + hint);
        return kRefused;
    }
    StockKey key = makeStockKey(*category, canonical.name, *description);
    if (take && args.size() == 4) {
        // No description given: the record is the only one with this category and name.
        ViewList view;
        findNamed(b->store, nullptr, *category, key.name, view);
        if (view.viewcount == 1) {
            key.description = b->store.description[view.viewlist[1]];
        } else if (view.viewcount > 1) {
            errLine(t("Записей с таким названием несколько; укажите описание:"));
            for (int k = 1; k <= view.viewcount; ++k)
                errLine("  " + std::string(b->store.description[view.viewlist[k]]) + " (" +
                        std::to_string(b->store.quantity[view.viewlist[k]]) + ")");
            return kRefused;
        }
    }
    return applyChange(*b, std::move(key), *quantity, take, partial);
}

// The change of a record named whole (its key as stored), with the folder taken.
int applyChange(Base &base, StockKey key, int quantity, bool take, bool partial)
{
    // A take is all or nothing: a shortfall changes nothing unless --partial takes what there is.
    int amount = quantity;
    bool short_ = false;
    if (take) {
        ViewList found;
        findRecords(base.store, nullptr, key, found);
        const int have = found.viewcount ? base.store.quantity[found.viewlist[1]] : 0;
        if (found.viewcount == 0) {
            errLine(t("Нет такой детали: ") + key.name + " " + key.description + t(". Ничего не изменено."));
            return kRefused;
        }
        if (have < amount) {
            const std::string shortfall = t("Не хватает ") + std::to_string(amount - have) + t(" детали: ") + key.name +
                                          " " + key.description + t(" (есть ") + std::to_string(have) + t(", нужно ") +
                                          std::to_string(amount) + ")";
            if (!partial) {
                errLine(shortfall + t(". Ничего не изменено; --partial забирает, сколько есть."));
                return kRefused;
            }
            errLine(shortfall + t(": забираю ") + std::to_string(have) + ".");
            amount = have;
            short_ = true;
        }
    }
    ViewList view;
    const StockResult r = changeStock(base.store, view, key, amount, take);
    for (const std::string &m : r.messages)
        errLine(m);
    if (r.refused || r.moved == 0)
        return kRefused;
    if (!save(base))
        return kBadInput;
    errLine(key.name + " " + key.description + ": " + (take ? "-" : "+") + std::to_string(r.moved) + t("; на складе ") +
            std::to_string(base.store.totalqty) + t(" деталей"));
    return r.messages.empty() && !short_ ? kDone : kRefused;
}

void printPlan(const ImportPlan &plan, bool zeroAbsent);
void printPlanJson(const Base &b, const ImportPlan &plan, bool zeroAbsent);

// A stocktake's plan is printed; this tells what it does and applies it.
int applyStocktakeCommand(const QCommandLineParser &p, Base &b, const ImportPlan &plan, bool zeroAbsent)
{
    errLine(t("Строк: ") + std::to_string(plan.rowsRead) + t("; записей в файле: ") + std::to_string(plan.entries.size()) +
            t(", количество изменится у ") + std::to_string(plan.changes()) + t("; нет в файле записей: ") +
            std::to_string(plan.absent.size()) + (zeroAbsent ? t(" (будут обнулены)") : t(" (останутся как есть)")) +
            t("; не принято строк: ") + std::to_string(plan.refusedCount) +
            (plan.skippedCount() ? "; " + plan.skippedSummary() : std::string()) + ".");
    if (p.isSet("dry-run"))
        return plan.refusedCount ? kRefused : kDone;
    if (plan.refusedCount && !p.isSet("skip-refused")) {
        errLine(t("Ничего не изменено: исправьте эти строки или повторите с --skip-refused, чтобы учесть остальные."));
        return kRefused;
    }
    const StocktakeOutcome done = applyStocktake(b.store, plan, zeroAbsent);
    for (const std::string &m : done.messages)
        errLine(m);
    if (!done.complete) {
        errLine(t("Ничего не изменено: склад изменился во время проверки файла."));
        return kRefused;
    }
    if (!save(b))
        return kBadInput;
    errLine(t("Инвентаризация: изменено записей ") + std::to_string(done.changed) + t(", добавлено деталей ") +
            std::to_string(done.added) + t(", убрано ") + std::to_string(done.taken) + t("; на складе ") +
            std::to_string(b.store.totalqty) + t(" деталей."));
    return kDone;
}

// The standard input ("-" for import and bom), piece by piece, at most `limit` bytes: a larger
// input is refused (the message ends with `refused`), not read whole. False when refused.
bool readStandardInput(size_t limit, const std::string &refused, const std::function<void(std::string_view)> &piece)
{
    std::string chunk(1 << 20, '\0');
    size_t total = 0;
    while (std::cin) {
        std::cin.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<size_t>(std::cin.gcount());
        total += got;
        if (total > limit) {
            errLine(t("Ввод больше ") + std::to_string(limit >> 20) + t(" МБ: ") + refused);
            return false;
        }
        piece(std::string_view(chunk.data(), got));
    }
    if (std::cin.bad()) {
        errLine(t("Ошибка чтения стандартного ввода."));
        return false;
    }
    return true;
}

int importCommand(const QCommandLineParser &p, const QStringList &args, const std::string &datapath)
{
    if (args.size() != 2) {
        errLine(t("import: нужен один файл CSV."));
        return kBadInput;
    }
    const bool dryRun = p.isSet("dry-run");
    std::optional<FolderLock> lock;
    if (!dryRun) {
        lock.emplace(datapath);
        if (!takeFolder(*lock, datapath))
            return kRefused;
    }
    auto b = load(datapath);
    if (!b)
        return kBadInput;
    // "-" is the standard input, read piece by piece as a file is, and bounded as a file is.
    const bool fromStdin = args[1] == "-";
    const std::string path = fromStdin ? std::string("-") : QFile::encodeName(args[1]).toStdString();
    std::vector<ImportField> columns;
    if (p.isSet("columns"))
        for (const QString &word : p.value("columns").split(',')) {
            const auto field = importFieldOfWord(word.trimmed().toStdString());
            if (!field) {
                errLine(t("--columns: «") + pathForMessage(word.toStdString()) +
                        t("» не поле; поля: name, quantity, description, category, category_name, ignore."));
                return kBadInput;
            }
            columns.push_back(*field);
        }
    CsvImporter importer(b->store, b->categories, columns);
    const bool stocktake = p.isSet("set-quantities");
    const bool zeroAbsent = p.isSet("zero-absent");
    if (zeroAbsent && !stocktake) {
        errLine(t("--zero-absent бывает только с --set-quantities."));
        return kBadInput;
    }
    if (stocktake)
        importer.setQuantities();
    if (fromStdin) {
        if (!readStandardInput(readlimit::kImport, t("ничего не изменено."),
                               [&importer](std::string_view piece) { importer.feed(piece); }))
            return kBadInput;
    } else {
        // Only a regular file, read to its end within the bound: a FIFO, a device or a file
        // past the bound is refused whole.
        const ReadResult read =
            readFileChunks(path, readlimit::kImport, [&importer](std::string_view piece) { importer.feed(piece); });
        if (read.status != ReadStatus::Ok) {
            errLine((read.status == ReadStatus::Missing ? t("Файл не найден: ") + pathForMessage(path)
                                                        : readFailureMessage(path, read) + ".") +
                    t(" Ничего не изменено."));
            return kBadInput;
        }
    }
    const ImportPlan plan = importer.finish();
    if (!plan.usable()) {
        errLine(plan.fileError + t(" Ничего не изменено."));
        if (plan.needsColumns) {
            std::string header;
            for (size_t k = 0; k < plan.header.size(); ++k)
                header += (k ? ", " : "") + std::to_string(k + 1) + t(" «") + plan.header[k] + t("»");
            errLine(t("Столбцы: ") + header + t(". Укажите их по порядку, например --columns ") +
                    t("category,name,quantity,description (ignore — пропустить столбец)."));
        }
        return kBadInput;
    }
    if (p.isSet("json"))
        printPlanJson(*b, plan, zeroAbsent);
    else
        printPlan(plan, zeroAbsent);
    if (std::string doubles = importDoublesText(plan, b->categories); !doubles.empty()) {
        std::replace(doubles.begin(), doubles.end(), '\r', '\n');
        errLine(doubles);
    }
    if (stocktake)
        return applyStocktakeCommand(p, *b, plan, zeroAbsent);
    errLine(t("Строк: ") + std::to_string(plan.rowsRead) + t("; новых записей: ") + std::to_string(plan.adds()) +
            t(", дополнить записей: ") + std::to_string(plan.merges()) + t(", деталей: ") +
            std::to_string(plan.parts()) + t("; не принято строк: ") + std::to_string(plan.refusedCount) +
            (plan.skippedCount() ? "; " + plan.skippedSummary() : std::string()) + ".");
    if (dryRun)
        return plan.refusedCount ? kRefused : kDone;
    if (plan.refusedCount && !p.isSet("skip-refused")) {
        errLine(t("Ничего не изменено: исправьте эти строки или повторите с --skip-refused, чтобы добавить остальные."));
        return kRefused;
    }
    const ImportOutcome done = applyImport(b->store, plan);
    for (const std::string &m : done.messages)
        errLine(m);
    if (!done.complete) {
        errLine(t("Ничего не изменено: склад изменился во время проверки файла."));
        return kRefused;
    }
    if (!save(*b))
        return kBadInput;
    errLine(t("Добавлено: новых записей ") + std::to_string(done.added) + t(", дополнено ") +
            std::to_string(done.merged) + t(", деталей ") + std::to_string(done.parts) + t("; на складе ") +
            std::to_string(b->store.totalqty) + t(" деталей."));
    return kDone;
}

// The plan, a row of the file a line; the refused rows on stderr.
void printPlan(const ImportPlan &plan, bool zeroAbsent)
{
    for (const ImportEntry &e : plan.entries) {
        if (plan.setQuantities) {
            outLine(t("строка ") + std::to_string(e.line) + ": " + std::to_string(e.key.category) + " " + e.key.name + " " +
                    e.key.description + ": " + std::to_string(e.before) + " -> " + std::to_string(e.quantity) +
                    (e.slot ? std::string() : t(" (новая запись)")));
            continue;
        }
        std::string line = t("строка ") + std::to_string(e.line) + ": " + std::to_string(e.key.category) + " " +
                           e.key.name + " " + e.key.description + " +" + std::to_string(e.quantity);
        if (e.slot)
            line += t(" (было ") + std::to_string(e.before) + t(", станет ") + std::to_string(e.before + e.quantity) + ")";
        else
            line += t(" (новая запись)");
        if (e.rows > 1)
            line += t(", строк: ") + std::to_string(e.rows);
        outLine(line);
    }
    for (const ImportEntry &e : plan.absent)
        outLine(t("нет в файле: ") + std::to_string(e.key.category) + " " + e.key.name + " " + e.key.description + ": " +
                std::to_string(e.before) + " -> " + std::to_string(zeroAbsent ? 0 : e.before));
    for (const ImportRefusal &r : plan.refused)
        errLine(t("строка ") + std::to_string(r.line) + t(" не принята: ") + r.reason);
    if (plan.refusedCount > plan.refused.size())
        errLine(t("и еще не принятых строк: ") + std::to_string(plan.refusedCount - plan.refused.size()));
}

// The plan as JSON Lines on stdout: every planned entry and every refused row.
void printPlanJson(const Base &b, const ImportPlan &plan, bool zeroAbsent)
{
    for (const ImportEntry &e : plan.entries)
        std::fputs(JsonLine()
                       .number("line", e.line)
                       .text("action", plan.setQuantities ? "set" : e.slot ? "merge" : "add")
                       .number("category", e.key.category)
                       .text("category_name", categoryName(b, e.key.category))
                       .text("name", e.key.name)
                       .text("description", e.key.description == " " ? std::string() : e.key.description)
                       .number("quantity", e.quantity)
                       .number("before", e.before)
                       .number("after", e.after(plan.setQuantities))
                       .number("rows", e.rows)
                       .done()
                       .c_str(),
                   stdout);
    for (const ImportRefusal &r : plan.refused)
        std::fputs(JsonLine().number("line", r.line).text("action", "refused").text("reason", r.reason).done().c_str(),
                   stdout);
    for (const ImportEntry &e : plan.absent)
        std::fputs(JsonLine()
                       .number("line", 0)
                       .text("action", "absent")
                       .number("category", e.key.category)
                       .text("category_name", categoryName(b, e.key.category))
                       .text("name", e.key.name)
                       .text("description", e.key.description == " " ? std::string() : e.key.description)
                       .number("before", e.before)
                       .number("after", zeroAbsent ? 0 : e.before)
                       .done()
                       .c_str(),
                   stdout);
    for (const ImportRefusal &r : plan.skipped)
        std::fputs(JsonLine().number("line", r.line).text("action", "skipped").text("reason", r.reason).done().c_str(),
                   stdout);
}


int bom(const QCommandLineParser &p, const QStringList &args, const std::string &datapath)
{
    if (args.size() != 2) {
        errLine(t("bom: нужен один файл списка деталей."));
        return kBadInput;
    }
    // The window's own path: the folder read (never written) by an Inventory, the file read,
    // put into the bin and looked up by it.
    for (const char *name : {"main.dat", "strings.dat", "components.lst"})
        if (!QFileInfo::exists(QFile::decodeName((datapath + name).c_str()))) {
            if (load(datapath, true)) // says what is missing when the whole folder is
                errLine(t("В папке ") + pathForMessage(folderName(datapath)) + t(" нет файла ") + name + ".");
            return kBadInput;
        }
    setFoldersReadOnly(true);
    ConsoleMessages messages;
    Inventory inventory(datapath, messages);
    inventory.open();
    BomRead read;
    if (args[1] == "-") {
        std::string bytes;
        if (!readStandardInput(Inventory::kBomLimit, t("это не список деталей."),
                               [&bytes](std::string_view piece) { bytes += piece; }))
            return kBadInput;
        read = inventory.readBom(bytes);
    } else {
        read = inventory.readBomFile(QFile::encodeName(args[1]).toStdString());
    }
    if (!read.error.empty()) {
        errLine(read.error);
        return kBadInput;
    }
    int boards = 1;
    if (p.isSet("boards")) {
        bool ok = false;
        boards = p.value("boards").toInt(&ok);
        if (!ok || boards < 1 || boards > Inventory::kMaxBoards) {
            errLine(t("--boards: число плат от 1 до ") + std::to_string(Inventory::kMaxBoards) + ".");
            return kBadInput;
        }
    }
    inventory.binLoad(read);
    inventory.setBoards(boards, true);
    inventory.findBin(true);
    const std::vector<BinRow> &rows = inventory.binRows();
    const char *noColor = std::getenv("NO_COLOR");
    const char *term = std::getenv("TERM");
    const bool json = p.isSet("json");
    const bool colour = !json && isatty(fileno(stdout)) && !(noColor && *noColor) && !(term && std::string_view(term) == "dumb");
    int green = 0, yellow = 0, red = 0, problems = 0;
    for (size_t k = 0; k < rows.size(); ++k) {
        const BinRow &r = rows[k];
        const BomLine &l = read.lines[k];
        const bool problem = !l.problem.empty();
        const char *paint = problem ? "\x1b[35m" : r.status == BinStatus::Green ? "\x1b[32m" : r.status == BinStatus::Yellow ? "\x1b[33m" : "\x1b[31m";
        (problem ? problems : r.status == BinStatus::Green ? green : r.status == BinStatus::Yellow ? yellow : red) += 1;
        if (json) {
            std::fputs(JsonLine()
                           .text("status", problem ? "problem" : statusWord(r.status))
                           .text("category_name", r.caption)
                           .text("name", r.name)
                           .decimal("needed", r.needed)
                           .decimal("short", r.shortage)
                           .decimal("found", r.found)
                           .decimal("in_stock", r.stock)
                           .text("references", l.references)
                           .number("line", l.line)
                           .text("problem", l.problem)
                           .done()
                           .c_str(),
                       stdout);
            continue;
        }
        std::string line = std::string(problem ? "problem" : statusWord(r.status)) + "\t" + r.caption + "\t" + r.name + t("\tнадо ") + r.needed + t("\tне хватает ") +
                           r.shortage + t("\tнайдено ") + r.found + t("\tна складе ") + r.stock + "\t" + l.references;
        if (problem)
            line += t("\t(строка ") + std::to_string(l.line) + ": " + l.problem + ")";
        if (colour)
            std::fputs(paint, stdout);
        out(line);
        if (colour)
            std::fputs("\x1b[0m", stdout);
        std::fputs("\n", stdout);
    }
    errLine(t("Строк: ") + std::to_string(rows.size()) + t("; хватает: ") + std::to_string(green) +
            t(", мало: ") + std::to_string(yellow) + t(", нет: ") + std::to_string(red) + t("; не распознано: ") +
            std::to_string(problems) + t("; не ставятся (DNP): ") + std::to_string(read.notFitted) + ".");
    errLine(t("Плат: ") + std::to_string(boards) + "; " + inventory.boardsAnswer() + ".");
    if (p.isSet("shopping")) {
        const Outcome written = inventory.writeShopping(QFile::encodeName(p.value("shopping")).toStdString());
        for (const Note &n : written.notes)
            errLine(n.text);
        if (written.refused)
            return kBadInput;
        if (written.status)
            errLine(*written.status);
    }
    return green == static_cast<int>(rows.size()) ? kDone : kRefused;
}

// A finding of check: a line on stdout, or a JSON object with --json.
void finding(bool json, const char *file, int line, const char *problem, const std::string &text)
{
    if (json)
        std::fputs(JsonLine().text("file", file).number("line", line).text("problem", problem).text("text", text).done().c_str(),
                   stdout);
    else
        outLine(text);
}

int check(const std::string &datapath, bool json)
{
    int status = kDone;
    for (const auto &[name, limit] : {std::pair{"main.dat", readlimit::kMainFile},
                                      std::pair{"strings.dat", readlimit::kDictionary},
                                      std::pair{"components.lst", readlimit::kCategories}}) {
        const ReadResult r = readFileBytes(datapath + name, limit);
        if (r.status == ReadStatus::Missing) {
            finding(json, name, 0, "missing", t("Нет файла ") + name + t(" (программа создаст его пустым при запуске)."));
            status = std::max(status, int(kRefused));
        } else if (r.status == ReadStatus::Failed) {
            finding(json, name, 0, "unreadable", t("Файл ") + name + t(" не читается: ") + r.reason);
            status = kBadInput;
        }
    }
    if (status == kBadInput)
        return status;
    const auto b = load(datapath, true);
    if (!b)
        return kBadInput;
    for (int line : b->report.unreadable) {
        finding(json, "main.dat", line, "unreadable_line",
                t("main.dat, строка ") + std::to_string(line) + t(": не читается как запись (сохраняется как есть)"));
        status = std::max(status, int(kRefused));
    }
    if (!b->report.overflow.empty()) {
        finding(json, "main.dat", b->report.overflow.front(), "too_many_records",
                t("main.dat: записей больше 65535, со строки ") + std::to_string(b->report.overflow.front()) +
                    t(" они не загружаются"));
        status = std::max(status, int(kRefused));
    }
    int foreign = 0;
    for (int i = 1; i <= b->store.compcount; ++i)
        foreign += b->store.category[i] >= b->categories.size();
    if (foreign) {
        finding(json, "main.dat", 0, "unknown_category",
                t("main.dat: записей в разделах, которых нет в components.lst: ") + std::to_string(foreign));
        status = std::max(status, int(kRefused));
    }
    if (!b->dict.cut.empty() || !b->categoryProblems.empty()) {
        if (!b->dict.cut.empty())
            outLine(longLinesMessage("strings.dat", linelimit::kDictionary, b->dict.cut));
        for (const std::string &problem : b->categoryProblems)
            outLine(problem);
        status = std::max(status, int(kRefused));
    }
    if (b->dict.dictcount > Dictionary::kLines)
        finding(json, "strings.dat", Dictionary::kLines + 1, "too_many_lines", t("strings.dat: строк больше 100, лишние не читаются"));
    // main.dat alone is not the stock while changes wait in the journal.
    if (b->journal.present) {
        finding(json, "main.jnl", 0, b->journal.stale ? "journal_not_applicable" : "journal_waiting", b->journal.note());
        status = std::max(status, int(kRefused));
    }
    errLine(t("Записей: ") + std::to_string(b->store.compcount) + t(", деталей: ") + std::to_string(b->store.totalqty) +
            t(", разделов: ") + std::to_string(b->categories.size()) + t(", строк словаря: ") +
            std::to_string(std::min(b->dict.dictcount, Dictionary::kLines)) + ".");
    return status;
}

} // namespace

int run(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("voskbase-cli"));
    const bool ru = russianLocale();
    auto tr = [ru](const char *russian, const char *english) { return QString::fromUtf8(ru ? russian : english); };

    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, tr("эта справка", "this help"));
    p.addOption(help);
    p.addOption({"version", tr("версия", "version")});
    p.addOption({"folder", tr("папка базы", "installation folder"), tr("ПАПКА", "DIR")});
    p.addOption({"category", tr("раздел: номер или название", "category: number or name"), tr("РАЗДЕЛ", "CATEGORY")});
    p.addOption({"find", tr("текст в названии", "text in the name"), tr("ТЕКСТ", "TEXT")});
    p.addOption({"exact", tr("название и описание целиком", "whole names and descriptions")});
    p.addOption({"value", tr("номинал в любом написании", "value in any spelling"), tr("НОМИНАЛ", "VALUE")});
    p.addOption({"all", tr("все записи", "every record")});
    p.addOption({"place", tr("текст в месте хранения", "text in the place"), tr("ТЕКСТ", "TEXT")});
    p.addOption({"below-minimum", tr("записи ниже минимума", "records below their minimum")});
    p.addOption({"dry-run", tr("только показать, что будет", "only show what would happen")});
    p.addOption({"skip-refused", tr("добавить принятые строки", "import the accepted rows")});
    p.addOption({"boards", tr("bom: число плат", "bom: number of boards"), tr("N", "N")});
    p.addOption({"shopping", tr("bom: записать список покупок (CSV)", "bom: write a shopping list (CSV)"), tr("ФАЙЛ", "FILE")});
    p.addOption({"json", tr("JSON, объект на строку", "JSON, an object a line")});
    p.addOption({"tsv", tr("TSV с заголовком", "TSV with a header")});
    p.addOption({"partial", tr("забрать, сколько есть", "take what there is")});
    p.addOption({"code", tr("take: код этикетки", "take: a label's code"), tr("КОД", "CODE")});
    p.addOption({"set-quantities", tr("инвентаризация: заменить количества", "stocktake: set the quantities")});
    p.addOption({"zero-absent", tr("обнулить записи, которых нет в файле", "empty the records the file lacks")});
    p.addOption({"excel", tr("CSV для Excel: UTF-8 с BOM и «;»", "CSV for Excel: UTF-8 with a BOM and \";\"")});
    p.addOption({"columns", tr("поля столбцов по порядку", "the columns' fields in order"), tr("ПОЛЯ", "FIELDS")});
    p.addPositionalArgument("command", tr("команда", "command"));

    // A usage error: one line and where the help is, never the whole help.
    auto usage = [&](const QString &text, const QString &command = {}) {
        std::fprintf(stderr, "voskbase-cli: %s\n%s voskbase-cli%s --help\n", text.toStdString().c_str(),
                     ru ? "Справка:" : "Help:", command.isEmpty() ? "" : (" " + command).toStdString().c_str());
        return kBadInput;
    };
    if (!p.parse(QCoreApplication::arguments())) {
        // The parser's own texts are English: the two a user meets, said in the user's language.
        if (!p.unknownOptionNames().isEmpty())
            return usage(tr("нет параметра «%1».", "there is no option \"%1\".").arg(p.unknownOptionNames().first()));
        const QString missing = QStringLiteral("Missing value after '");
        if (ru && p.errorText().startsWith(missing))
            return usage(QStringLiteral("после «%1» нужно значение.")
                             .arg(p.errorText().mid(missing.size()).section(QLatin1Char('\''), 0, 0)));
        return usage(p.errorText());
    }
    const QStringList args = p.positionalArguments();
    if (p.isSet("version")) {
        std::printf("voskbase-cli %s\n", VOSK_VERSION);
        return kDone;
    }
    if (p.isSet(help)) {
        const std::string one = args.isEmpty() ? std::string() : commandHelp(args[0].toStdString(), ru);
        if (!args.isEmpty() && one.empty())
            return usage(tr("Нет команды «%1».", "There is no command \"%1\".").arg(args[0]));
        std::fputs((one.empty() ? helpText(ru) : one).c_str(), stdout);
        return kDone;
    }
    if (args.isEmpty())
        return usage(tr("нужна команда: list, add, take, export, import, bom или check.",
                        "a command is needed: list, add, take, export, import, bom or check."));
    std::string datapath = p.isSet("folder") ? QFile::encodeName(p.value("folder")).toStdString() + "/" : readpath();

    const QString command = args[0];
    // The options each command takes; --folder, --help and --version go with all of them.
    static const std::map<QString, QStringList> takes = {
        {"list", {"category", "find", "exact", "value", "json", "tsv", "place", "below-minimum"}},
        {"export", {"category", "find", "exact", "value", "all", "excel"}},
        {"add", {}},
        {"take", {"partial", "code"}},
        {"import", {"dry-run", "skip-refused", "json", "columns", "set-quantities", "zero-absent"}},
        {"bom", {"json", "boards", "shopping"}},
        {"check", {"json"}},
    };
    const auto known = takes.find(command);
    if (known == takes.end())
        return usage(tr("Нет команды «%1».", "There is no command \"%1\".").arg(command));
    for (const QString &name : p.optionNames()) {
        const QString option = name == "h" ? QString("help") : name;
        if (option != "folder" && !known->second.contains(option))
            return usage(tr("--%1 не подходит к команде %2.", "--%1 does not go with %2.").arg(option, command), command);
    }
    const bool filters = p.isSet("category") || p.isSet("find") || p.isSet("value") || p.isSet("exact");
    if (p.isSet("find") && p.isSet("value"))
        return usage(tr("--find и --value вместе не ищут.", "--find and --value do not go together."), command);
    if (p.isSet("json") && p.isSet("tsv"))
        return usage(tr("--json и --tsv вместе не выводятся.", "--json and --tsv do not go together."), command);
    if (p.isSet("all") && filters)
        return usage(tr("--all и условия отбора вместе не бывают.", "--all and the filters do not go together."), command);
    if (command == "import" && p.isSet("json") && !p.isSet("dry-run"))
        return usage(tr("--json выводит план импорта: только вместе с --dry-run.",
                        "--json prints the import's plan: only with --dry-run."),
                     command);
    const int operands = static_cast<int>(args.size()) - 1;
    if (command == "list" || command == "check") {
        if (operands != 0)
            return usage(tr("%1 не принимает аргументов.", "%1 takes no arguments.").arg(command), command);
        return command == "list" ? list(p, datapath) : check(datapath, p.isSet("json"));
    }
    if (command == "export" || command == "import" || command == "bom") {
        if (operands != 1)
            return usage(tr("%1: нужен один файл (или «-»).", "%1: one file is needed (or \"-\").").arg(command), command);
        if (command == "export")
            return exportCommand(p, args, datapath);
        return command == "import" ? importCommand(p, args, datapath) : bom(p, args, datapath);
    }
    if (p.isSet("code")) {
        if (operands != 1)
            return usage(tr("take --code: нужно одно КОЛИЧЕСТВО.", "take --code: one QTY is needed."), command);
        return takeByCode(p.value("code"), args[1], datapath, p.isSet("partial"));
    }
    if (operands < 3 || operands > 4)
        return usage(tr("%1: нужны РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ].", "%1: CATEGORY NAME QTY [DESCRIPTION] are needed.")
                         .arg(command),
                     command);
    return change(args, datapath, command == "take", p.isSet("partial"));
}

} // namespace vosk::cli

int main(int argc, char **argv)
{
    vosk::openClosedStandardDescriptors();
    if (argc > 1 && std::string_view(argv[1]) == "db")
        return vosk::cli::dbCommand(argc, argv);
    return vosk::cli::run(argc, argv);
}
