#pragma once
#include "stock.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// What a record carries beside its four fields of main.dat: where its parts lie, the least
// stock to keep. Each is a short text of code page 1251, empty for none.
//
// Adding one: a value here and a row in the table of attributes.cpp give it a stored key, a
// file line, a journal line, CSV columns in and out, and a move and merge that carry it. Its
// input on the changing tab, its list column and its search criterion are one place each in
// the window.
enum class Attribute : int { Place = 0, Minimum = 1 };
constexpr int kAttributes = 2;
constexpr std::array<Attribute, kAttributes> kAllAttributes = {Attribute::Place, Attribute::Minimum};

struct AttributeInfo {
    const char *key;   // in attrs.dat, the journal and the CSV header: small Latin letters
    const char *title; // the column's title (UTF-8 source, shown through cp1251())
    bool count;        // a whole number 1 to 65535 (none: empty) instead of a text
    size_t limit;      // the longest text in bytes
    // Header words a CSV column of it may carry (UTF-8, as the import's header key leaves
    // them: small letters and digits only).
    std::vector<const char *> headerWords;
};
const AttributeInfo &attributeInfo(Attribute a);
std::optional<Attribute> attributeOfKey(std::string_view key);
// The attribute a CSV header cell (code page 1251, already reduced to letters and digits,
// small) names, if any.
std::optional<Attribute> attributeOfHeaderKey(std::string_view headerKey);

// A typed value made what is stored: blanks around it dropped; for a count, leading zeros
// dropped and 0 made none. Empty when it may be stored, else the refusal (code page 1251).
std::string normalizeAttribute(Attribute a, std::string &value);

// The values of one record, and what a newer program wrote there that this one does not
// know (kept as it was: "key=value" fields joined by 0x01).
struct AttributeValues {
    std::array<std::string, kAttributes> values;
    std::string other;
    const std::string &operator[](Attribute a) const { return values[static_cast<size_t>(a)]; }
    bool empty() const;
    bool sameValues(const AttributeValues &o) const { return values == o.values; }
};

// The records' attributes, kept in attrs.dat beside main.dat and keyed by the record's
// identity: its category, name and description as main.dat stores them. A record taken to
// nothing leaves main.dat but keeps its attributes, so that its place and minimum are there
// when parts of it come back (and its shortage is known meanwhile).
//
// attrs.dat is code page 1251 text, one record a line, CR LF after each:
//   <category> 0x01 <name> 0x01 <description> 0x01 <key>=<value> [0x01 <key>=<value> ...]
// Lines that cannot be read, and later lines for a record already read, are kept and written
// back unchanged after the others.
class RecordAttributes {
public:
    static constexpr const char *kFileName = "attrs.dat";
    // A place and a minimum for each of 65535 records is under 10 MB.
    static constexpr size_t kFileLimit = size_t(16) << 20;
    static constexpr size_t kLineLimit = size_t(64) << 10;

    const AttributeValues *find(int category, std::string_view name, std::string_view description) const;
    const AttributeValues *find(const StockKey &key) const { return find(key.category, key.name, key.description); }
    std::string value(const StockKey &key, Attribute a) const;
    // The minimum as a number, 0 for none.
    uint32_t minimum(int category, std::string_view name, std::string_view description) const;

    // Sets a value already normalized; true when it changed anything.
    bool set(const StockKey &key, Attribute a, std::string_view value);
    size_t records() const { return byKey_.size(); }
    bool empty() const { return byKey_.empty() && kept_.empty(); }
    // Whether any record has this attribute.
    bool anyHas(Attribute a) const;
    // Counts every change since it was made.
    uint64_t generation() const { return generation_; }

    // Calls fn(key, values) for each record, ordered by identity (as the file is written).
    template <class Fn>
    void forEach(Fn fn) const
    {
        for (const auto &[id, values] : byKey_)
            fn(keyOf(id), values);
    }

    struct ReadReport {
        std::vector<int> unreadable; // 1-based numbers of lines kept as they are
    };
    // Replaces what it holds by the file's bytes.
    ReadReport read(std::string_view bytes);
    std::string write() const;

    static std::string identity(int category, std::string_view name, std::string_view description);

private:
    static StockKey keyOf(const std::string &identity);
    std::map<std::string, AttributeValues> byKey_;
    std::vector<std::string> kept_;
    uint64_t generation_ = 0;
};

// Whether a record meets the search tab's criteria on attributes (AttributeCriteria).
// Below the minimum: a minimum is set and the record holds fewer parts.
inline bool belowMinimum(uint32_t quantity, uint32_t minimum) { return minimum > 0 && quantity < minimum; }
bool attributesFit(const RecordAttributes &attributes, const AttributeCriteria &criteria, bool exact, int category,
                   std::string_view name, std::string_view description, uint32_t quantity);

// «ниже минимума: 3 из 10», empty when the record is not below its minimum.
std::string belowMinimumText(uint32_t quantity, uint32_t minimum);

// What the file's reading found, said in the program's words; empty when it was read whole.
struct AttributeFileRead {
    bool writable = true; // false: it was not read whole and must not be written over
    std::vector<std::string> messages;
};
// Reads attrs.dat of a folder (`datapath` with its trailing '/'): a missing file is none yet;
// one that is no regular file, too large or unreadable is left alone for this run, what could
// be read of it kept.
AttributeFileRead loadAttributeFile(const std::string &datapath, RecordAttributes &attributes);

} // namespace vosk
