// voskbase-cli: list, add, take, export, import, check the stock and a KiCad bill of materials
// against it, on the installation folder the program uses. An Inventory owns the folder here as
// in the window: its lock, its reading, every change (recorded and saved) and every search.
#include "cliconv.h"
#include "clitext.h"
#include "dbcommands.h"
#include "historycommands.h"
#include "cp1251.h"
#include "filebytes.h"
#include "inventory.h"
#include "messages.h"
#include "serverstock.h"
#include "settingsstore.h"
#include "standardfds.h"

#include <algorithm>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

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

// Vosk.conf's server= when no --folder names a folder: the commands work on the server's stock.
std::string serverConninfo;
std::unique_ptr<StockStore> serverStock()
{
    if (serverConninfo.empty())
        return nullptr;
    return std::make_unique<server::ServerStock>(serverConninfo); // not ready: the read says why
}

std::string folderName(const std::string &datapath) { return datapath.empty() ? std::string(".") : datapath; }

// A command's changes saved, or given up whole: main.dat as it was and no journal left for the
// program to replay later (exit 2 then).
bool saveOrGiveUp(Inventory &inventory)
{
    std::string failure;
    if (inventory.trySave(failure))
        return true;
    inventory.discardChanges();
    errLine(failure + t("; ничего не изменено."));
    return false;
}

// Notes on stderr, one after another; the status last when asked.
void say(const Outcome &o, bool status = true)
{
    for (const Note &n : o.notes)
        errLine(n.text);
    if (status && o.status)
        errLine(*o.status);
}

// --note: what the changes of this command are for, written into the history.
std::string commandNote;

// Opens the folder for a command: read-only unless it changes the stock (then its lock is
// taken and the change saved). Never creates a file: a terminal command run in the wrong
// folder must not leave empty data files behind. `quiet` leaves out what a read tells besides
// (the waiting journal, lines that are no records): check tells them as findings.
// nullopt with the exit status when the folder cannot be had.
std::optional<int> open(Inventory &inventory, Inventory::CommandRead &read, bool write, bool quiet = false)
{
    read = inventory.openForCommand(write);
    inventory.setChangeNote(commandNote);
    switch (read.result) {
    case Inventory::CommandRead::Result::Read:
        break;
    case Inventory::CommandRead::Result::Refused:
        return kRefused;
    case Inventory::CommandRead::Result::NoFiles:
        errLine(t("В папке ") + pathForMessage(folderName(inventory.datapath())) +
                t(" нет файлов базы (main.dat, strings.dat, components.lst). Укажите папку: --folder ПАПКА."));
        return kBadInput;
    case Inventory::CommandRead::Result::Unreadable:
        for (const auto &f : read.files)
            if (!f.failure.empty()) {
                errLine(f.failure);
                break;
            }
        return kBadInput;
    }
    // A program holding the folder keeps its changes in the journal until it saves: a read
    // shows them too (in memory only).
    if (!quiet && read.waiting.present)
        errLine(read.waiting.note());
    if (!quiet && !read.report.unreadable.empty())
        errLine(t("В main.dat строк, которые не читаются как записи: ") + std::to_string(read.report.unreadable.size()) +
                t(" (подробнее: voskbase-cli check); они сохраняются без изменений."));
    return std::nullopt;
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

std::optional<int> categoryArg(const QString &arg, const Inventory &inventory)
{
    const auto text = argText(arg);
    if (!text)
        return std::nullopt;
    const std::vector<std::string> &categories = inventory.categories();
    bool isNumber = !text->empty() && text->find_first_not_of("0123456789") == std::string::npos;
    int c = -1;
    if (isNumber && text->size() < 7)
        c = std::stoi(*text);
    else if (!isNumber)
        c = inventory.categoryOf(*text);
    if (c < 0 || c >= static_cast<int>(categories.size())) {
        errLine(t("Нет раздела «") + *text + t("». Разделы (номер и название):"));
        for (size_t k = 0; k < categories.size(); ++k)
            errLine("  " + std::to_string(k) + " " + categories[k]);
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

// The list the records list and export show: every criterion given narrows it, as the search
// tab's criteria do. The list summary, or nullopt when refused (said).
std::optional<std::string> choose(const QCommandLineParser &p, Inventory &inventory, bool all)
{
    FilterCriteria criteria;
    criteria.category = -1; // every category
    if (!all && p.isSet("category")) {
        const auto c = categoryArg(p.value("category"), inventory);
        if (!c)
            return std::nullopt;
        // The first category stands for all of them, as in the window's category selector.
        criteria.category = *c == 0 ? -1 : *c;
    }
    if (!all && (p.isSet("value") || p.isSet("find"))) {
        const auto text = argText(p.value(p.isSet("value") ? "value" : "find"));
        if (!text)
            return std::nullopt;
        criteria.name = *text;
        criteria.byValue = p.isSet("value");
    }
    // What records carry beside main.dat narrows the list too.
    AttributeCriteria attributes;
    if (!all) {
        attributes.belowMinimum = p.isSet("below-minimum");
        if (p.isSet("place")) {
            const auto text = argText(p.value("place"));
            if (!text)
                return std::nullopt;
            attributes.place = *text;
        }
    }
    inventory.setExact(p.isSet("exact"));
    const Outcome found = inventory.search(criteria, attributes);
    if (found.refused) {
        // The search tab's refusal names its check box; here the option is the value itself.
        if (criteria.byValue)
            errLine(Inventory::valueWordRefusal(criteria.name));
        else
            say(found, false);
        return std::nullopt;
    }
    return found.status.value_or(std::string());
}

int list(const QCommandLineParser &p, const std::string &datapath)
{
    ConsoleMessages messages;
    Inventory inventory(datapath, messages, serverStock());
    Inventory::CommandRead read;
    if (const auto failed = open(inventory, read, false))
        return *failed;
    const auto summary = choose(p, inventory, false);
    if (!summary)
        return kBadInput;
    const bool json = p.isSet("json");
    if (p.isSet("tsv"))
        std::fputs("category\tcategory_name\tname\tquantity\tdescription\n", stdout);
    for (int k = 0; k < static_cast<int>(inventory.rows().size()); ++k) {
        const PickedRow r = *inventory.pick(k);
        if (json)
            std::fputs(JsonLine()
                           .number("category", r.category)
                           .text("category_name", inventory.categoryName(r.category))
                           .text("name", r.name)
                           .number("quantity", r.quantity)
                           .text("description", r.description)
                           .done()
                           .c_str(),
                       stdout);
        else
            outLine(std::to_string(r.category) + "\t" + inventory.categoryName(r.category) + "\t" + r.name + "\t" +
                    std::to_string(r.quantity) + "\t" + r.description);
    }
    errLine(*summary);
    return kDone;
}

int exportCommand(const QCommandLineParser &p, const QStringList &args, const std::string &datapath)
{
    if (args.size() != 2) {
        errLine(t("export: нужен один файл (или «-» для вывода)."));
        return kBadInput;
    }
    ConsoleMessages messages;
    Inventory inventory(datapath, messages, serverStock());
    Inventory::CommandRead read;
    if (const auto failed = open(inventory, read, false))
        return *failed;
    const bool all = p.isSet("all");
    if (!choose(p, inventory, all))
        return kBadInput;
    if (args[1] == "-") {
        const std::string csv = inventory.exportText(all, p.isSet("excel"));
        std::fwrite(csv.data(), 1, csv.size(), stdout);
        return kDone;
    }
    const Outcome written = inventory.exportCsv(QFile::encodeName(args[1]).toStdString(), all, p.isSet("excel"));
    say(written);
    return written.refused ? kBadInput : kDone;
}

// A change made: said, saved (or given up whole), and what moved told once it is saved. A
// note said beside the change makes the exit status 1 unless `notesAreNews` (a rename onto a
// place in use says the two became one; that is what was asked).
int finishChange(Inventory &inventory, const Outcome &done, bool notesAreNews = false)
{
    say(done, false);
    if (done.refused)
        return kRefused;
    if (!saveOrGiveUp(inventory))
        return kBadInput;
    if (done.status)
        errLine(*done.status); // what moved, once it is saved
    return done.notes.empty() || notesAreNews ? kDone : kRefused;
}

int change(const QStringList &args, const std::string &datapath, bool take, bool partial)
{
    if (args.size() < 4 || args.size() > 5) {
        errLine(take ? t("take: нужны РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ].")
                     : t("add: нужны РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ]."));
        return kBadInput;
    }
    ConsoleMessages messages;
    Inventory inventory(datapath, messages, serverStock());
    Inventory::CommandRead read;
    if (const auto failed = open(inventory, read, true))
        return *failed;
    const auto category = categoryArg(args[1], inventory);
    const auto name = argText(args[2]);
    const auto quantity = quantityArg(args[3]);
    const auto description = args.size() == 5 ? argText(args[4]) : std::optional<std::string>(std::string());
    if (!category || !name || !quantity || !description)
        return kBadInput;
    const Outcome done = inventory.changeNamed({*category, *name, *description, *quantity, take}, args.size() == 5, partial);
    return finishChange(inventory, done);
}

// take --code CODE QTY: the record a label's code names (as a scanner typed it).
int takeByCode(const QString &code, const QString &quantityText, const std::string &datapath, bool partial)
{
    const auto typed = argText(code);
    const auto quantity = quantityArg(quantityText);
    if (!typed || !quantity)
        return kBadInput;
    ConsoleMessages messages;
    Inventory inventory(datapath, messages, serverStock());
    Inventory::CommandRead read;
    if (const auto failed = open(inventory, read, true))
        return *failed;
    const CodeFind found = inventory.findCode(*typed);
    if (found.slot == 0) {
        say(found.outcome, false);
        return found.code ? kRefused : kBadInput;
    }
    const Outcome done = inventory.changeNamed({found.key, *quantity, true, ChangeSource::CommandLine}, true, partial);
    return finishChange(inventory, done);
}

// shopping FILE|-: what the records below their minimum need to reach it, as the window's
// «Список покупок…» writes it.
int shopping(const QString &file, const std::string &datapath)
{
    ConsoleMessages messages;
    Inventory inventory(datapath, messages, serverStock());
    Inventory::CommandRead read;
    if (const auto failed = open(inventory, read, false))
        return *failed;
    if (file == "-") {
        const std::string csv = inventory.minimumShoppingCsv();
        std::fwrite(csv.data(), 1, csv.size(), stdout);
        return kDone;
    }
    const Outcome written = inventory.writeMinimumShopping(QFile::encodeName(file).toStdString());
    say(written);
    return written.refused ? kBadInput : kDone;
}

// places [--rename OLD NEW]: the places in use with their records, or one renamed on all of
// them through the window's own operation (a merge is said, and is no refusal).
int places(const QStringList &args, const std::string &datapath, bool rename)
{
    ConsoleMessages messages;
    Inventory inventory(datapath, messages);
    Inventory::CommandRead read;
    if (const auto failed = open(inventory, read, rename))
        return *failed;
    if (!rename) {
        for (const PlaceCount &place : inventory.places())
            outLine(place.place + "\t" + std::to_string(place.records));
        return kDone;
    }
    const auto from = argText(args[1]);
    const auto to = argText(args[2]);
    if (!from || !to)
        return kBadInput;
    return finishChange(inventory, inventory.renamePlace(*from, *to), true);
}

// undo ID [--group]: a line of the history (or its whole step) taken back.
int undoCommand(const QString &idText, bool wholeStep, const std::string &datapath)
{
    bool ok = false;
    const qulonglong id = idText.toULongLong(&ok);
    if (!ok || id == 0) {
        errLine(t("undo: нужен номер изменения из истории (voskbase-cli history)."));
        return kBadInput;
    }
    ConsoleMessages messages;
    Inventory inventory(datapath, messages);
    Inventory::CommandRead read;
    if (const auto failed = open(inventory, read, true))
        return *failed;
    return finishChange(inventory, inventory.undoHistory(id, wholeStep));
}

void printPlan(const ImportPlan &plan, bool zeroAbsent);
void printPlanJson(const Inventory &inventory, const ImportPlan &plan, bool zeroAbsent);

// An import or a stocktake applied through the inventory, record by record as the window
// applies one, then saved. One that stops half way (a record refused: the stock is no longer
// what the plan was made for; said as an error) is given up whole. `said`: a note told already.
int applyPlan(Inventory &inventory, const ImportPlan &plan, bool stocktake, bool zeroAbsent, const std::string &said)
{
    const Outcome done = stocktake ? inventory.stocktake(plan, zeroAbsent) : inventory.import(plan);
    bool stopped = done.refused;
    for (const Note &n : done.notes) {
        stopped = stopped || n.kind == Note::Kind::Error;
        if (n.text != said)
            errLine(n.text);
    }
    if (stopped) {
        inventory.discardChanges();
        errLine(t("Ничего не изменено."));
        return kRefused;
    }
    if (!saveOrGiveUp(inventory))
        return kBadInput;
    errLine(done.status.value_or(std::string()) + t("; на складе ") + std::to_string(inventory.store().totalqty) +
            t(" деталей."));
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
    ConsoleMessages messages;
    Inventory inventory(datapath, messages, serverStock());
    Inventory::CommandRead read;
    if (const auto failed = open(inventory, read, !dryRun))
        return *failed;
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
    const bool stocktake = p.isSet("set-quantities");
    const bool zeroAbsent = p.isSet("zero-absent");
    if (zeroAbsent && !stocktake) {
        errLine(t("--zero-absent бывает только с --set-quantities."));
        return kBadInput;
    }
    // "-" is the standard input, read piece by piece as a file is, and bounded as a file is;
    // a file is read only when it is a regular one, to its end within the bound.
    std::optional<ImportPlan> planned;
    if (args[1] == "-")
        planned = inventory.planImport(
            [](const std::function<void(std::string_view)> &piece) {
                return readStandardInput(readlimit::kImport, t("ничего не изменено."), piece);
            },
            std::move(columns), stocktake);
    else
        planned = inventory.planImportFile(QFile::encodeName(args[1]).toStdString(), std::move(columns), stocktake);
    if (!planned)
        return kBadInput;
    const ImportPlan &plan = *planned;
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
        printPlanJson(inventory, plan, zeroAbsent);
    else
        printPlan(plan, zeroAbsent);
    const std::string doubles = importDoublesText(plan, inventory.categories());
    if (!doubles.empty())
        errLine(doubles);
    if (stocktake)
        errLine(t("Строк: ") + std::to_string(plan.rowsRead) + t("; записей в файле: ") +
                std::to_string(plan.entries.size()) + t(", количество изменится у ") + std::to_string(plan.changes()) +
                t("; нет в файле записей: ") + std::to_string(plan.absent.size()) +
                (zeroAbsent ? t(" (будут обнулены)") : t(" (останутся как есть)")) + t("; не принято строк: ") +
                std::to_string(plan.refusedCount) + (plan.skippedCount() ? "; " + plan.skippedSummary() : std::string()) +
                ".");
    else
        errLine(t("Строк: ") + std::to_string(plan.rowsRead) + t("; новых записей: ") + std::to_string(plan.adds()) +
                t(", дополнить записей: ") + std::to_string(plan.merges()) + t(", деталей: ") +
                std::to_string(plan.parts()) + t("; не принято строк: ") + std::to_string(plan.refusedCount) +
                (plan.skippedCount() ? "; " + plan.skippedSummary() : std::string()) + ".");
    if (dryRun)
        return plan.refusedCount ? kRefused : kDone;
    if (plan.refusedCount && !p.isSet("skip-refused")) {
        errLine(stocktake ? t("Ничего не изменено: исправьте эти строки или повторите с --skip-refused, чтобы учесть "
                              "остальные.")
                          : t("Ничего не изменено: исправьте эти строки или повторите с --skip-refused, чтобы добавить "
                              "остальные."));
        return kRefused;
    }
    return applyPlan(inventory, plan, stocktake, zeroAbsent, doubles);
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
void printPlanJson(const Inventory &inventory, const ImportPlan &plan, bool zeroAbsent)
{
    for (const ImportEntry &e : plan.entries)
        std::fputs(JsonLine()
                       .number("line", e.line)
                       .text("action", plan.setQuantities ? "set" : e.slot ? "merge" : "add")
                       .number("category", e.key.category)
                       .text("category_name", inventory.categoryName(e.key.category))
                       .text("name", e.key.name)
                       .text("description", shownDescription(e.key.description))
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
                       .text("category_name", inventory.categoryName(e.key.category))
                       .text("name", e.key.name)
                       .text("description", shownDescription(e.key.description))
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
    ConsoleMessages messages;
    Inventory inventory(datapath, messages, serverStock());
    Inventory::CommandRead folder;
    if (const auto failed = open(inventory, folder, false))
        return *failed;
    for (const auto &f : folder.files)
        if (f.missing) {
            errLine(t("В папке ") + pathForMessage(folderName(datapath)) + t(" нет файла ") + f.name + ".");
            return kBadInput;
        }
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
                           .text("place", r.place)
                           .number("line", l.line)
                           .text("problem", l.problem)
                           .done()
                           .c_str(),
                       stdout);
            continue;
        }
        std::string line = std::string(problem ? "problem" : statusWord(r.status)) + "\t" + r.caption + "\t" + r.name + t("\tнадо ") + r.needed + t("\tне хватает ") +
                           r.shortage + t("\tнайдено ") + r.found + t("\tна складе ") + r.stock + "\t" + l.references;
        if (!r.place.empty())
            line += t("\tместо: ") + r.place;
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
        const std::string path = QFile::encodeName(p.value("shopping")).toStdString();
        const Outcome written = p.isSet("minimums") ? inventory.writeMinimumShopping(path) : inventory.writeShopping(path);
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
    ConsoleMessages messages;
    Inventory inventory(datapath, messages, serverStock());
    Inventory::CommandRead read;
    const auto failed = open(inventory, read, false, true);
    int status = kDone;
    for (const auto &f : read.files) {
        if (f.missing) {
            finding(json, f.name, 0, "missing", t("Нет файла ") + f.name + t(" (программа создаст его пустым при запуске)."));
            status = std::max(status, int(kRefused));
        } else if (!f.failure.empty()) {
            finding(json, f.name, 0, "unreadable", t("Файл ") + f.name + t(" не читается: ") + f.reason);
            status = kBadInput;
        }
    }
    if (failed)
        return kBadInput;
    for (int line : read.report.unreadable) {
        finding(json, "main.dat", line, "unreadable_line",
                t("main.dat, строка ") + std::to_string(line) + t(": не читается как запись (сохраняется как есть)"));
        status = std::max(status, int(kRefused));
    }
    if (!read.report.overflow.empty()) {
        finding(json, "main.dat", read.report.overflow.front(), "too_many_records",
                t("main.dat: записей больше 65535, со строки ") + std::to_string(read.report.overflow.front()) +
                    t(" они не загружаются"));
        status = std::max(status, int(kRefused));
    }
    const CompStore &store = inventory.store();
    const Dictionary &dict = inventory.dictionary();
    int foreign = 0;
    for (int i = 1; i <= store.compcount; ++i)
        foreign += store.category[i] >= inventory.categories().size();
    if (foreign) {
        finding(json, "main.dat", 0, "unknown_category",
                t("main.dat: записей в разделах, которых нет в components.lst: ") + std::to_string(foreign));
        status = std::max(status, int(kRefused));
    }
    for (const std::string &problem : read.problems) {
        outLine(problem);
        status = std::max(status, int(kRefused));
    }
    if (dict.dictcount > Dictionary::kLines)
        finding(json, "strings.dat", Dictionary::kLines + 1, "too_many_lines", t("strings.dat: строк больше 100, лишние не читаются"));
    // main.dat alone is not the stock while changes wait in the journal.
    if (read.waiting.present) {
        finding(json, "main.jnl", 0, read.waiting.stale ? "journal_not_applicable" : "journal_waiting", read.waiting.note());
        status = std::max(status, int(kRefused));
    }
    errLine(t("Записей: ") + std::to_string(store.compcount) + t(", деталей: ") + std::to_string(store.totalqty) +
            t(", разделов: ") + std::to_string(inventory.categories().size()) + t(", строк словаря: ") +
            std::to_string(std::min(dict.dictcount, Dictionary::kLines)) + ".");
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
    p.addOption({"minimums", tr("bom: покупки и до минимумов", "bom: buy up to the minimums too")});
    p.addOption({"json", tr("JSON, объект на строку", "JSON, an object a line")});
    p.addOption({"tsv", tr("TSV с заголовком", "TSV with a header")});
    p.addOption({"partial", tr("забрать, сколько есть", "take what there is")});
    p.addOption({"code", tr("take: код этикетки", "take: a label's code"), tr("КОД", "CODE")});
    p.addOption({"set-quantities", tr("инвентаризация: заменить количества", "stocktake: set the quantities")});
    p.addOption({"zero-absent", tr("обнулить записи, которых нет в файле", "empty the records the file lacks")});
    p.addOption({"excel", tr("CSV для Excel: UTF-8 с BOM и «;»", "CSV for Excel: UTF-8 with a BOM and \";\"")});
    p.addOption({"columns", tr("поля столбцов по порядку", "the columns' fields in order"), tr("ПОЛЯ", "FIELDS")});
    p.addOption({"rename", tr("places: переименовать место", "places: rename a place")});
    p.addOption({"note", tr("примечание к изменению (в историю)", "a note on the change (into the history)"),
                 tr("ТЕКСТ", "TEXT")});
    p.addOption({"since", tr("history: с даты ГГГГ-ММ-ДД", "history: since the date YYYY-MM-DD"), tr("ДАТА", "DATE")});
    p.addOption({"group", tr("undo: весь шаг (выдачу, импорт, перевод)", "undo: the whole step (a pass, an import, a move)")});
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
        return usage(tr("нужна команда: list, add, take, export, import, bom, check или places.",
                        "a command is needed: list, add, take, export, import, bom, check or places."));
    std::string datapath = p.isSet("folder") ? QFile::encodeName(p.value("folder")).toStdString() + "/" : readpath();
    if (!p.isSet("folder"))
        serverConninfo = readserver();

    const QString command = args[0];
    // The options each command takes; --folder, --help and --version go with all of them.
    static const std::map<QString, QStringList> takes = {
        {"list", {"category", "find", "exact", "value", "json", "tsv", "place", "below-minimum"}},
        {"export", {"category", "find", "exact", "value", "all", "excel"}},
        {"add", {"note"}},
        {"take", {"partial", "code", "note"}},
        {"import", {"dry-run", "skip-refused", "json", "columns", "set-quantities", "zero-absent", "note"}},
        {"history", {"since", "find", "json"}},
        {"undo", {"group", "note"}},
        {"bom", {"json", "boards", "shopping", "minimums"}},
        {"check", {"json"}},
        {"places", {"rename"}},
        {"shopping", {}},
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
    if (p.isSet("minimums") && !p.isSet("shopping"))
        return usage(tr("--minimums меняет список покупок: только вместе с --shopping.",
                        "--minimums changes the shopping list: only with --shopping."),
                     command);
    if (p.isSet("json") && p.isSet("tsv"))
        return usage(tr("--json и --tsv вместе не выводятся.", "--json and --tsv do not go together."), command);
    if (p.isSet("all") && filters)
        return usage(tr("--all и условия отбора вместе не бывают.", "--all and the filters do not go together."), command);
    if (command == "import" && p.isSet("json") && !p.isSet("dry-run"))
        return usage(tr("--json выводит план импорта: только вместе с --dry-run.",
                        "--json prints the import's plan: only with --dry-run."),
                     command);
    if (p.isSet("note")) {
        const auto note = argText(p.value("note"));
        if (!note)
            return kBadInput;
        commandNote = *note;
    }
    const int operands = static_cast<int>(args.size()) - 1;
    if (command == "history") {
        const auto since = argText(p.value("since"));
        const auto find = argText(p.value("find"));
        if (!since || !find)
            return kBadInput;
        if (operands != 0)
            return usage(tr("%1 не принимает аргументов.", "%1 takes no arguments.").arg(command), command);
        if (!since->empty() && !historyDateText(*since))
            return usage(tr("--since: дата в виде ГГГГ-ММ-ДД (можно с временем ЧЧ:ММ).",
                            "--since: a date as YYYY-MM-DD (a time HH:MM may follow)."),
                         command);
        return historyCommand(datapath, *since, *find, p.isSet("json"));
    }
    if (command == "undo") {
        if (operands != 1)
            return usage(tr("undo: нужен один номер изменения.", "undo: one change number is needed."), command);
        return undoCommand(args[1], p.isSet("group"), datapath);
    }
    if (command == "list" || command == "check") {
        if (operands != 0)
            return usage(tr("%1 не принимает аргументов.", "%1 takes no arguments.").arg(command), command);
        return command == "list" ? list(p, datapath) : check(datapath, p.isSet("json"));
    }
    if (command == "shopping") {
        if (operands != 1)
            return usage(tr("%1: нужен один файл (или «-»).", "%1: one file is needed (or \"-\").").arg(command), command);
        return shopping(args[1], datapath);
    }
    if (command == "places") {
        if (operands != (p.isSet("rename") ? 2 : 0))
            return usage(tr("places: без аргументов или --rename СТАРОЕ НОВОЕ.", "places: no arguments, or --rename OLD NEW."),
                         command);
        return places(args, datapath, p.isSet("rename"));
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
