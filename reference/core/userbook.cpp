#include "userbook.h"

#include "cp1251.h"
#include "filebytes.h"
#include "messages.h"

#include <algorithm>
#include <map>
#include <set>
#include <sys/stat.h>

namespace vosk {
namespace {

// Pieces up to each separator; text after the last one would be a piece too.
std::vector<std::string> splitFields(std::string_view record)
{
    std::vector<std::string> out;
    while (!record.empty()) {
        const size_t sep = record.find(fieldsep);
        out.emplace_back(record.substr(0, sep));
        record = sep == std::string_view::npos ? std::string_view() : record.substr(sep + 1);
    }
    return out;
}

std::string joinFields(const std::vector<std::string> &fields)
{
    std::string out;
    for (const std::string &f : fields) {
        out += f;
        out += fieldsep;
    }
    return out;
}

std::string lineOf(const UserLine &line)
{
    return line.readable ? std::string(1, static_cast<char>('0' + line.table)) + fieldsep + joinFields(line.fields)
                         : line.raw;
}

bool validTable(int t) { return t >= 1 && t <= 3; }

bool isKey(std::string_view key) { return !key.empty() && key != " "; }

std::string tableName(int t)
{
    return cp1251(t == kMarking ? "маркировки" : t == kParams ? "диодов" : "стабилитронов");
}

// A line of the file as a record, or nothing when it cannot be one.
std::optional<UserLine> readLine(std::string_view raw, const RefTables &book)
{
    if (raw.size() < 3 || raw[0] < '1' || raw[0] > '3' || raw[1] != fieldsep || raw.back() != fieldsep)
        return std::nullopt;
    UserLine line;
    line.readable = true;
    line.table = raw[0] - '0';
    line.fields = splitFields(raw.substr(2));
    const size_t n = line.fields.size();
    if (n < 2 || n > static_cast<size_t>(RefTables::firstRecord[line.table]) || !isKey(line.fields[0]))
        return std::nullopt;
    for (const std::string &f : line.fields)
        if (!refuseField(f).empty())
            return std::nullopt;
    // A change of a book record keeps that record's number of fields.
    const int bookLine = bookLineOf(book, line.table, line.fields[0]);
    if (bookLine >= 0 && splitFields(book.table(line.table).line(bookLine)).size() != n)
        return std::nullopt;
    return line;
}

// Lines end at CR LF, a lone CR or a lone LF; a last line needs no line end.
std::vector<std::string_view> fileLines(std::string_view bytes)
{
    std::vector<std::string_view> out;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        out.push_back(bytes.substr(pos, end - pos));
        pos = end;
        if (pos < bytes.size())
            pos += bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n' ? 2 : 1;
    }
    return out;
}

} // namespace

std::string refuseField(std::string_view text)
{
    const std::string prefix = cp1251("Текст не сохранён: ");
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F)
            return prefix + cp1251("в нём управляющие символы.");
        if (c == static_cast<unsigned char>(fieldsep))
            return prefix + cp1251("знак «@» разделяет поля записи и в тексте стоять не может.");
        if (c == 0x98)
            return prefix + cp1251("в нём знак, которого нет в кодовой странице 1251.");
    }
    if (text.size() > kUserFieldMax)
        return prefix + cp1251("поле длиннее ") + std::to_string(kUserFieldMax) + cp1251(" знаков.");
    return {};
}

int bookLineOf(const RefTables &book, int t, std::string_view key)
{
    if (!validTable(t))
        return -1;
    const RefTable &table = book.table(t);
    for (int i = RefTables::firstRecord[t]; i < book.firstUserLine(t); ++i)
        if (linekey(table.line(i)) == key)
            return i;
    return -1;
}

UserBook UserBook::parse(std::string_view bytes, const RefTables &book)
{
    UserBook out;
    std::set<std::pair<int, std::string>> seen;
    for (const std::string_view raw : fileLines(bytes)) {
        auto line = readLine(raw, book);
        // A second record of the same key is kept, unread, like any line that cannot be read.
        if (line && !seen.insert({line->table, line->fields[0]}).second)
            line.reset();
        if (line) {
            out.lines_.push_back(std::move(*line));
        } else {
            UserLine kept;
            kept.raw.assign(raw);
            out.lines_.push_back(std::move(kept));
        }
    }
    return out;
}

std::string UserBook::bytes() const
{
    std::string out;
    for (const UserLine &line : lines_)
        out += lineOf(line) + "\r\n";
    return out;
}

std::string UserBook::exportBytes() const
{
    std::string out;
    for (const UserLine &line : lines_)
        if (line.readable)
            out += lineOf(line) + "\r\n";
    return out;
}

std::vector<int> UserBook::unreadable() const
{
    std::vector<int> out;
    for (size_t i = 0; i < lines_.size(); ++i)
        if (!lines_[i].readable && !lines_[i].raw.empty())
            out.push_back(static_cast<int>(i + 1));
    return out;
}

const UserLine *UserBook::find(int t, std::string_view key) const
{
    for (const UserLine &line : lines_)
        if (line.readable && line.table == t && line.fields[0] == key)
            return &line;
    return nullptr;
}

UserLine *UserBook::findMutable(int t, std::string_view key) { return const_cast<UserLine *>(find(t, key)); }

std::string UserBook::setField(const RefTables &book, int t, std::string_view key, int k, std::string_view text)
{
    if (k < 2)
        return cp1251("Тип в записи не меняется: добавьте запись нового типа («Добавить тип…»).");
    if (std::string why = refuseField(text); !why.empty())
        return why;
    const int bookLine = bookLineOf(book, t, key);
    const std::vector<std::string> bookFields =
        bookLine >= 0 ? splitFields(book.table(t).line(bookLine)) : std::vector<std::string>();
    UserLine *line = findMutable(t, key);
    if (!line) {
        if (bookLine < 0)
            return cp1251("Такой записи нет.");
        UserLine added;
        added.readable = true;
        added.table = t;
        added.fields = bookFields;
        lines_.push_back(std::move(added));
        line = &lines_.back();
    }
    if (static_cast<size_t>(k) > line->fields.size())
        return cp1251("В этой записи нет такого поля.");
    if (line->fields[static_cast<size_t>(k - 1)] != text)
        ++changes_; // the same text kept again is no change
    line->fields[static_cast<size_t>(k - 1)].assign(text);
    // A changed record that reads as the book's again is no change any more.
    if (bookLine >= 0 && line->fields == bookFields)
        lines_.erase(lines_.begin() + (line - lines_.data()));
    return {};
}

void UserBook::resetField(const RefTables &book, int t, std::string_view key, int k)
{
    const int bookLine = bookLineOf(book, t, key);
    if (bookLine < 0 || !find(t, key))
        return;
    const std::vector<std::string> bookFields = splitFields(book.table(t).line(bookLine));
    if (k >= 2 && static_cast<size_t>(k) <= bookFields.size())
        setField(book, t, key, k, bookFields[static_cast<size_t>(k - 1)]);
}

std::string UserBook::addType(const RefTables &book, int t, std::string_view key, std::string_view drawing)
{
    if (!validTable(t))
        return cp1251("Выберите таблицу.");
    if (!isKey(key))
        return cp1251("Введите тип.");
    if (std::string why = refuseField(key); !why.empty())
        return why;
    if (std::string why = refuseField(drawing); !why.empty())
        return why;
    if (bookLineOf(book, t, key) >= 0)
        return cp1251("Тип ") + std::string(key) + cp1251(" уже есть в таблице ") + tableName(t) +
               cp1251(": его поля можно изменить двойным щелчком.");
    if (find(t, key))
        return cp1251("Тип ") + std::string(key) + cp1251(" уже есть среди ваших типов в таблице ") + tableName(t) + ".";
    UserLine line;
    line.readable = true;
    line.table = t;
    line.fields.assign(static_cast<size_t>(RefTables::firstRecord[t]), cp1251("н/д"));
    line.fields.front().assign(key);
    if (!drawing.empty())
        line.fields.back().assign(drawing);
    lines_.push_back(std::move(line));
    ++changes_;
    return {};
}

bool UserBook::removeType(int t, std::string_view key)
{
    const UserLine *line = find(t, key);
    if (!line)
        return false;
    lines_.erase(lines_.begin() + (line - lines_.data()));
    ++changes_;
    return true;
}

UserImportPlan UserBook::planImport(std::string_view bytes, const RefTables &book) const
{
    UserImportPlan plan;
    const UserBook other = parse(bytes, book);
    // Each of the other file's records is looked up among ours: by key, not one by one.
    std::map<std::pair<int, std::string_view>, const UserLine *> ours;
    for (const UserLine &line : lines_)
        if (line.readable)
            ours.emplace(std::pair<int, std::string_view>(line.table, line.fields[0]), &line);
    for (const UserLine &line : other.lines_) {
        if (!line.readable) {
            plan.unreadable += !line.raw.empty();
            continue;
        }
        const auto found = ours.find({line.table, line.fields[0]});
        const UserLine *mine = found == ours.end() ? nullptr : found->second;
        if (mine) {
            if (mine->fields != line.fields)
                plan.changes.push_back(line);
            continue;
        }
        const int bookLine = bookLineOf(book, line.table, line.fields[0]);
        if (bookLine < 0 || splitFields(book.table(line.table).line(bookLine)) != line.fields)
            plan.adds.push_back(line);
    }
    return plan;
}

void UserBook::applyImport(const UserImportPlan &plan)
{
    std::map<std::pair<int, std::string>, size_t> ours;
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].readable)
            ours.emplace(std::pair(lines_[i].table, lines_[i].fields[0]), i);
    for (const UserLine &line : plan.changes)
        if (const auto found = ours.find({line.table, line.fields[0]}); found != ours.end())
            lines_[found->second].fields = line.fields;
    for (const UserLine &line : plan.adds)
        if (ours.emplace(std::pair(line.table, line.fields[0]), lines_.size()).second)
            lines_.push_back(line);
    changes_ += static_cast<int>(plan.adds.size() + plan.changes.size());
}

namespace {

std::string tableTitle(int t)
{
    return cp1251(t == kMarking ? "маркировка" : t == kParams ? "диоды" : "стабилитроны");
}

// The column title of field k (from 1) of table t, without its trailing blanks.
std::string fieldTitle(const RefTables &book, int t, size_t k)
{
    if (k < 1 || k > static_cast<size_t>(RefTables::firstRecord[t]))
        return cp1251("поле ") + std::to_string(k);
    std::string title = book.table(t).line(static_cast<int>(k - 1));
    while (!title.empty() && (title.back() == ' ' || title.back() == '\t' || title.back() == '\r'))
        title.pop_back();
    return title;
}

} // namespace

std::string UserBook::describeImport(const UserImportPlan &plan, const RefTables &book) const
{
    constexpr size_t kListed = 12; // records named; the rest are counted
    std::vector<const UserLine *> types;
    std::vector<std::pair<const UserLine *, std::vector<std::string>>> changed; // the record, its fields now
    for (const UserLine &line : plan.adds) {
        const int bookLine = bookLineOf(book, line.table, line.fields[0]);
        if (bookLine < 0)
            types.push_back(&line);
        else
            changed.emplace_back(&line, splitFields(book.table(line.table).line(bookLine)));
    }
    for (const UserLine &line : plan.changes) {
        const UserLine *mine = find(line.table, line.fields[0]);
        changed.emplace_back(&line, mine ? mine->fields : std::vector<std::string>());
    }
    std::string out;
    if (!types.empty()) {
        out += cp1251("\rдобавятся ваши типы (") + std::to_string(types.size()) + "): ";
        for (size_t i = 0; i < types.size() && i < kListed; ++i)
            out += (i ? ", " : "") + types[i]->fields[0] + " (" + tableTitle(types[i]->table) + ")";
        if (types.size() > kListed)
            out += cp1251(" и ещё ") + std::to_string(types.size() - kListed);
    }
    if (!changed.empty()) {
        out += cp1251("\rизменятся данные (") + std::to_string(changed.size()) + "):";
        for (size_t i = 0; i < changed.size() && i < kListed; ++i) {
            const UserLine &line = *changed[i].first;
            const std::vector<std::string> &now = changed[i].second;
            out += "\r" + line.fields[0] + " (" + tableTitle(line.table) + "): ";
            bool first = true;
            for (size_t k = 1; k < std::max(now.size(), line.fields.size()); ++k) {
                const std::string before = k < now.size() ? now[k] : std::string();
                const std::string after = k < line.fields.size() ? line.fields[k] : std::string();
                if (before == after)
                    continue;
                out += (first ? "" : "; ") + fieldTitle(book, line.table, k + 1) + cp1251(" — с «") + before +
                       cp1251("» на «") + after + cp1251("»");
                first = false;
            }
        }
        if (changed.size() > kListed)
            out += cp1251("\rи ещё записей: ") + std::to_string(changed.size() - kListed);
    }
    return out;
}

RefTables UserBook::merged(const RefTables &book) const
{
    RefTables m = book;
    std::array<std::vector<const UserLine *>, 4> added;
    for (int t = 1; t <= 3; ++t)
        m.userMask[static_cast<size_t>(t)].assign(static_cast<size_t>(m.table(t).count()), 0);
    for (const UserLine &line : lines_) {
        if (!line.readable)
            continue;
        const int bookLine = bookLineOf(book, line.table, line.fields[0]);
        if (bookLine < 0) {
            added[static_cast<size_t>(line.table)].push_back(&line);
            continue;
        }
        const std::vector<std::string> bookFields = splitFields(book.table(line.table).line(bookLine));
        uint32_t mask = 0;
        for (size_t k = 0; k < line.fields.size() && k < bookFields.size(); ++k)
            if (line.fields[k] != bookFields[k])
                mask |= 1u << k;
        m.table(line.table).replaceLine(bookLine, joinFields(line.fields));
        m.userMask[static_cast<size_t>(line.table)][static_cast<size_t>(bookLine)] = mask;
    }
    for (int t = 1; t <= 3; ++t) {
        auto &masks = m.userMask[static_cast<size_t>(t)];
        m.userStart[static_cast<size_t>(t)] = m.table(t).count();
        for (const UserLine *line : added[static_cast<size_t>(t)]) {
            m.table(t).appendLine(joinFields(line->fields));
            masks.push_back((1u << line->fields.size()) - 1);
        }
    }
    return m;
}

UserBookText userBookText(std::string_view fileBytes)
{
    UserBookText out;
    constexpr std::string_view kSignature = "\xEF\xBB\xBF";
    const bool signed8 = fileBytes.substr(0, kSignature.size()) == kSignature;
    const std::string_view text = signed8 ? fileBytes.substr(kSignature.size()) : fileBytes;
    const bool nonAscii = std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    // Text in code page 1251 is hardly ever valid UTF-8 as well: its letters are not followed by
    // the bytes a UTF-8 sequence continues with.
    if (!isUtf8(text) || !(signed8 || nonAscii)) {
        out.bytes.assign(fileBytes);
        return out;
    }
    if (auto converted = cp1251FromUtf8(text)) {
        out.encoding = UserBookText::Encoding::Utf8;
        out.bytes = std::move(*converted);
        return out;
    }
    out.encoding = UserBookText::Encoding::Utf8Unconvertible;
    const std::vector<std::string_view> lines = fileLines(text);
    for (size_t i = 0; i < lines.size(); ++i)
        if (!cp1251FromUtf8(lines[i])) {
            out.badLine = static_cast<int>(i + 1);
            break;
        }
    return out;
}

void UserBookFile::open(std::string datapath, bool readOnly, const RefTables &book, Messages &messages)
{
    datapath_ = std::move(datapath);
    user_ = UserBook();
    convert_ = false;
    unread_ = false;
    open_ = true;
    refusal_ = readOnly ? cp1251("База открыта только для просмотра: ваши данные справочника не изменяются "
                                 "(файл refbook.dat не записывается).")
                        : std::string();
    const std::string file = pathForMessage(path());
    const ReadResult r = readFileBytes(path(), kUserBookMax);
    if (r.status == ReadStatus::Missing)
        return;
    // A file that cannot be read is never written over: what it holds may be the user's work.
    const std::string leftAlone = cp1251("\rСправочник показан без ваших данных, а файл оставлен как есть: пока он "
                                         "такой, свои данные справочника изменить нельзя.");
    const std::string unread = cp1251("Файл ") + file + cp1251(" не был прочитан при запуске: свои данные "
                                                              "справочника изменить нельзя, чтобы не записать его поверх.");
    if (r.status == ReadStatus::Failed) {
        const std::string why = r.tooLarge ? cp1251("он больше ") + std::to_string(kUserBookMax >> 20) +
                                                 cp1251(" МБ, а своих данных справочника столько не бывает")
                                           : r.reason;
        // An installation folder that is no folder was told about by the inventory already.
        struct stat folder {};
        if (datapath_.empty() || (::stat(datapath_.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)))
            messages.error(cp1251("Файл ") + file + cp1251(" не прочитан: ") + why + "." + leftAlone);
        refusal_ = refusal_.empty() ? unread : refusal_;
        unread_ = true;
        return;
    }
    const UserBookText text = userBookText(r.bytes);
    if (text.encoding == UserBookText::Encoding::Utf8Unconvertible) {
        messages.error(cp1251("Файл ") + file + cp1251(" записан в кодировке UTF-8, и в его строке ") +
                       std::to_string(text.badLine) +
                       cp1251(" есть знаки, которых нет в кодировке Windows-1251, в которой программа хранит "
                              "текст. Файл не прочитан.") +
                       leftAlone + cp1251(" Сохраните его в кодировке Windows-1251 без этих знаков."));
        refusal_ = refusal_.empty() ? unread : refusal_;
        unread_ = true;
        return;
    }
    user_ = UserBook::parse(text.bytes, book);
    std::string said;
    if (text.encoding == UserBookText::Encoding::Utf8) {
        convert_ = refusal_.empty();
        said = cp1251("Файл ") + file + cp1251(" записан в кодировке UTF-8, а не в Windows-1251, в которой "
                                               "программа хранит текст: он прочитан как UTF-8") +
               (convert_ ? cp1251(" и при следующем сохранении будет записан в Windows-1251.")
                         : cp1251(" и останется как есть."));
    }
    const std::vector<int> bad = user_.unreadable();
    if (!bad.empty()) {
        std::string lines;
        for (size_t i = 0; i < bad.size() && i < 20; ++i)
            lines += (i ? ", " : "") + std::to_string(bad[i]);
        if (bad.size() > 20)
            lines += cp1251(", …");
        said += (said.empty() ? "" : "\r") + cp1251("В файле ") + file +
                cp1251(" есть строки, которые не удалось прочитать как записи: ") + std::to_string(bad.size()) +
                cp1251(" (строки ") + lines + cp1251("). Они не показаны и останутся в файле как есть.");
        messages.error(said);
    } else if (!said.empty()) {
        messages.inform(said);
    }
}

bool UserBookFile::save(Messages &messages)
{
    std::string failure;
    if (trySave(failure))
        return true;
    messages.error(failure);
    return false;
}

bool UserBookFile::trySave(std::string &failure)
{
    if (!user_.dirty() && !convert_)
        return true;
    // Changes are refused while this is so; should one have been made all the same, the file
    // still stays as it is.
    if (!refusal_.empty()) {
        if (user_.dirty())
            failure = cp1251("Ваши данные справочника не записаны. ") + refusal_;
        return !user_.dirty();
    }
    if (!open_) {
        failure = cp1251("Папка установки не задана: ваши данные справочника не записаны.");
        return false;
    }
    const WriteResult written = replaceFileAtomically(path(), user_.bytes());
    if (!written) {
        failure = cp1251("Не удалось записать файл ") + pathForMessage(path()) + ": " + written.reason;
        return false;
    }
    user_.markSaved();
    convert_ = false;
    return true;
}

bool UserBookFile::saveCopyTo(const std::string &folder, std::string &written, std::string &failure) const
{
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    const std::string target = base + kUserBookFile;
    written.clear();
    std::string bytes = user_.bytes();
    if (unread_) {
        // Not read, so not ours to rewrite: its bytes go along when they can be had at all.
        const ReadResult r = readFileBytes(path(), kUserBookMax);
        if (r.status != ReadStatus::Ok)
            return true;
        bytes = r.bytes;
    }
    if (bytes.empty())
        return true;
    const WriteResult result = replaceFileAtomically(target, bytes);
    if (!result) {
        failure = cp1251("Не удалось записать файл ") + pathForMessage(target) + ": " + result.reason;
        return false;
    }
    written = kUserBookFile;
    return true;
}

} // namespace vosk
