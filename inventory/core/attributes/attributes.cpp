#include "attributes.h"
#include "textlines.h"

#include "cp1251.h"
#include "filebytes.h"
#include "filter.h"

#include <charconv>

namespace vosk {
namespace {

constexpr char sep = '\x01';

const AttributeInfo kTable[kAttributes] = {
    {"place", "Место", false, 100, {"place", "location", "место", "местохранения", "ячейка", "ящик"}},
    {"min", "Мин.", true, 5, {"min", "minimum", "minstock", "мин", "минимум", "минимальныйзапас", "неснижать"}},
};

bool decimalCategory(std::string_view s, int &out)
{
    if (s.empty() || s.size() > 5 || (s.size() > 1 && s[0] == '0'))
        return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && out <= 0xFFFF;
}

// One "key=value" field of a line; false when it is none.
bool keyValue(std::string_view field, std::string_view &key, std::string_view &value)
{
    const size_t eq = field.find('=');
    if (eq == std::string_view::npos || eq == 0)
        return false;
    key = field.substr(0, eq);
    value = field.substr(eq + 1);
    for (char c : key)
        if (c < 'a' || c > 'z')
            return false;
    return true;
}

} // namespace

const AttributeInfo &attributeInfo(Attribute a) { return kTable[static_cast<size_t>(a)]; }

std::optional<Attribute> attributeOfKey(std::string_view key)
{
    for (Attribute a : kAllAttributes)
        if (key == attributeInfo(a).key)
            return a;
    return std::nullopt;
}

std::optional<Attribute> attributeOfHeaderKey(std::string_view headerKey)
{
    for (Attribute a : kAllAttributes)
        for (const char *word : attributeInfo(a).headerWords)
            if (headerKey == cp1251(word))
                return a;
    return std::nullopt;
}

std::string normalizeAttribute(Attribute a, std::string &value)
{
    const AttributeInfo &info = attributeInfo(a);
    value = std::string(trimField(value));
    if (info.count) {
        size_t zeros = 0;
        while (zeros + 1 < value.size() && value[zeros] == '0')
            ++zeros;
        value.erase(0, zeros);
        unsigned n = 0;
        const auto r = std::from_chars(value.data(), value.data() + value.size(), n);
        if (!value.empty() && (r.ec != std::errc() || r.ptr != value.data() + value.size() || n > 65535))
            return cp1251("«") + cp1251(info.title) + cp1251("» — целое число от 0 до 65535 (0 — не задан), а не «") +
                   value + cp1251("».");
        if (value == "0")
            value.clear();
        return {};
    }
    for (char c : value)
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            return cp1251("В поле «") + cp1251(info.title) + cp1251("» есть управляющие символы.");
    if (value.size() > info.limit)
        return cp1251("«") + cp1251(info.title) + cp1251("» длиннее ") + std::to_string(info.limit) +
               cp1251(" знаков: сократите его.");
    return {};
}

bool AttributeValues::empty() const
{
    for (const std::string &v : values)
        if (!v.empty())
            return false;
    return other.empty();
}

std::string RecordAttributes::identity(int category, std::string_view name, std::string_view description)
{
    std::string id = std::to_string(category);
    id += sep;
    id += name;
    id += sep;
    id += description;
    return id;
}

StockKey RecordAttributes::keyOf(const std::string &identity)
{
    StockKey key;
    const size_t a = identity.find(sep);
    const size_t b = identity.find(sep, a + 1);
    key.category = std::stoi(identity.substr(0, a));
    key.name = identity.substr(a + 1, b - a - 1);
    key.description = identity.substr(b + 1);
    return key;
}

const AttributeValues *RecordAttributes::find(int category, std::string_view name, std::string_view description) const
{
    if (byKey_.empty())
        return nullptr;
    const auto it = byKey_.find(identity(category, name, description));
    return it == byKey_.end() ? nullptr : &it->second;
}

std::string RecordAttributes::value(const StockKey &key, Attribute a) const
{
    const AttributeValues *v = find(key);
    return v ? (*v)[a] : std::string();
}

uint32_t RecordAttributes::minimum(int category, std::string_view name, std::string_view description) const
{
    const AttributeValues *v = find(category, name, description);
    if (!v || (*v)[Attribute::Minimum].empty())
        return 0;
    uint32_t n = 0;
    const std::string &text = (*v)[Attribute::Minimum];
    std::from_chars(text.data(), text.data() + text.size(), n);
    return n;
}

bool RecordAttributes::set(const StockKey &key, Attribute a, std::string_view value)
{
    const std::string id = identity(key.category, key.name, key.description);
    auto it = byKey_.find(id);
    if (it == byKey_.end()) {
        if (value.empty())
            return false;
        it = byKey_.emplace(id, AttributeValues{}).first;
    }
    std::string &slot = it->second.values[static_cast<size_t>(a)];
    if (slot == value)
        return false;
    slot.assign(value);
    if (it->second.empty())
        byKey_.erase(it);
    ++generation_;
    return true;
}

bool RecordAttributes::anyHas(Attribute a) const
{
    for (const auto &[id, values] : byKey_)
        if (!values[a].empty())
            return true;
    return false;
}

RecordAttributes::ReadReport RecordAttributes::read(std::string_view bytes)
{
    ReadReport report;
    byKey_.clear();
    kept_.clear();
    ++generation_;
    int lineNo = 0;
    while (!bytes.empty()) {
        ++lineNo;
        size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        // category, name, description, then one field per attribute
        std::string_view rest = line;
        std::string_view fields[3];
        bool ok = line.size() <= kLineLimit;
        for (std::string_view &f : fields) {
            const size_t at = rest.find(sep);
            if (!ok || at == std::string_view::npos) {
                ok = false;
                break;
            }
            f = rest.substr(0, at);
            rest.remove_prefix(at + 1);
        }
        int category = 0;
        ok = ok && decimalCategory(fields[0], category);
        AttributeValues values;
        while (ok && !rest.empty()) {
            const size_t at = rest.find(sep);
            const std::string_view field = rest.substr(0, at);
            rest.remove_prefix(at == std::string_view::npos ? rest.size() : at + 1);
            std::string_view key, text;
            if (!keyValue(field, key, text)) {
                ok = false;
                break;
            }
            if (const auto a = attributeOfKey(key)) {
                std::string v(text);
                ok = normalizeAttribute(*a, v).empty() && v == text;
                values.values[static_cast<size_t>(*a)] = std::move(v);
            } else {
                if (!values.other.empty())
                    values.other += sep;
                values.other += field;
            }
        }
        // The same record twice is kept as written rather than one of them lost.
        const std::string id = ok ? identity(category, fields[1], fields[2]) : std::string();
        if (!ok || values.empty() || byKey_.count(id)) {
            kept_.emplace_back(line);
            report.unreadable.push_back(lineNo);
            continue;
        }
        byKey_.emplace(id, std::move(values));
    }
    return report;
}

std::string RecordAttributes::write() const
{
    std::string out;
    for (const auto &[id, values] : byKey_) {
        out += id;
        for (Attribute a : kAllAttributes)
            if (!values[a].empty()) {
                out += sep;
                out += attributeInfo(a).key;
                out += '=';
                out += values[a];
            }
        if (!values.other.empty()) {
            out += sep;
            out += values.other;
        }
        out += "\r\n";
    }
    for (const std::string &line : kept_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

bool attributesFit(const RecordAttributes &attributes, const AttributeCriteria &criteria, bool exact, int category,
                   std::string_view name, std::string_view description, uint32_t quantity)
{
    if (!criteria.any())
        return true;
    const AttributeValues *v = attributes.find(category, name, description);
    if (!v)
        return false;
    if (!criteria.place.empty()) {
        const std::string &place = (*v)[Attribute::Place];
        if (exact ? place != criteria.place : !matchpart(place, criteria.place))
            return false;
    }
    return !criteria.belowMinimum || belowMinimum(quantity, attributes.minimum(category, name, description));
}

std::string belowMinimumText(uint32_t quantity, uint32_t minimum)
{
    if (!belowMinimum(quantity, minimum))
        return {};
    return cp1251("ниже минимума: ") + std::to_string(quantity) + cp1251(" из ") + std::to_string(minimum);
}

AttributeFileRead loadAttributeFile(const std::string &datapath, RecordAttributes &attributes)
{
    AttributeFileRead out;
    const std::string path = datapath + RecordAttributes::kFileName;
    ReadResult file = readFileBytes(path, RecordAttributes::kFileLimit);
    if (file.status == ReadStatus::Missing) {
        attributes.read({});
        return out;
    }
    if (file.status == ReadStatus::Failed) {
        out.writable = false;
        // A line cut by the bound is no line of the file.
        if (const size_t last = file.bytes.rfind('\n'); last != std::string::npos)
            file.bytes.resize(last + 1);
        else
            file.bytes.clear();
        out.messages.push_back(readFailureMessage(path, file) +
                               cp1251("\rМеста и минимумы записей, которые удалось прочитать, показаны; файл "
                                      "оставлен как есть и в этот раз не перезаписывается, а изменить места и "
                                      "минимумы нельзя."));
    }
    const RecordAttributes::ReadReport report = attributes.read(file.bytes);
    if (!report.unreadable.empty()) {
        std::string lines;
        for (size_t i = 0; i < report.unreadable.size() && i < 20; ++i)
            lines += (i ? ", " : "") + std::to_string(report.unreadable[i]);
        if (report.unreadable.size() > 20)
            lines += ", ...";
        out.messages.push_back(cp1251("В файле ") + pathForMessage(path) +
                               cp1251(" есть строки, которые не удалось прочитать как места и минимумы записей: ") +
                               std::to_string(report.unreadable.size()) + cp1251(" (строки ") + lines +
                               cp1251("). Они будут сохранены в файле без изменений."));
    }
    return out;
}

} // namespace vosk
