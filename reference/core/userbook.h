#pragma once
#include "tables.h"

#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// The user's own figures and types: `refbook.dat` in the installation folder. Code page 1251,
// CR LF, one record a line: the table number, the separator, then the record in the tables'
// own format, e.g. "2@1N4007@1000@1@5@н/д@1@". A line holds either a changed book record (its
// key is a key of the book's table; the line replaces the book's first record of that key) or
// a type the book's table lacks. Only such records are stored. Lines that cannot be read are
// kept as they are and written back in their places.
constexpr const char *kUserBookFile = "refbook.dat";
// The longest field a user may store (the book's longest is 48 bytes).
constexpr size_t kUserFieldMax = 64;

struct UserLine {
    bool readable = false;
    int table = 0;
    std::vector<std::string> fields; // the record's fields, key first (readable lines)
    std::string raw;                 // the line as read (unreadable lines)
};

// What an import would do to the user's records.
struct UserImportPlan {
    std::vector<UserLine> adds, changes;
    int unreadable = 0; // lines of the other file that cannot be read (left out)
};

// Why a text cannot be a field: control bytes, the separator, the byte code page 1251 leaves
// undefined, or more than kUserFieldMax bytes. Empty when it can. (Characters that code page
// 1251 lacks never reach here: the window refuses them when it converts the text.)
std::string refuseField(std::string_view text);

class UserBook {
public:
    UserBook() = default;
    // The book decides which keys are changes of its records and how many fields they have.
    static UserBook parse(std::string_view bytes, const RefTables &book);
    // The file as it would be written: every line in its place, CR LF after each.
    std::string bytes() const;
    // The same for the readable records only, for passing them to someone else.
    std::string exportBytes() const;

    const std::vector<UserLine> &lines() const { return lines_; }
    // Line numbers (from 1) of the lines that could not be read.
    std::vector<int> unreadable() const;
    bool dirty() const { return dirty_; }
    void markSaved() { dirty_ = false; }

    // The user's record of a key in table t, or null.
    const UserLine *find(int t, std::string_view key) const;

    // Field k (from 2: the key is not edited) of the record with this key in table t becomes
    // text: a change of the book's record, or of the user's own type. An empty result when
    // done; otherwise the message why not (code page 1251).
    std::string setField(const RefTables &book, int t, std::string_view key, int k, std::string_view text);
    // Field k of a changed book record goes back to the book's value; a record equal to the
    // book's again is dropped.
    void resetField(const RefTables &book, int t, std::string_view key, int k);
    // A new type for table t: its key and the table's number of fields, each «н/д» but the
    // drawing number given. The message why not, or empty.
    std::string addType(const RefTables &book, int t, std::string_view key, std::string_view drawing);
    // Removes a type of the user's own.
    bool removeType(int t, std::string_view key);

    // The records of another file that would be added or would change ours.
    UserImportPlan planImport(std::string_view bytes, const RefTables &book) const;
    void applyImport(const UserImportPlan &plan);

    // The book with the user's records in it: changed records in place of the book's, the
    // user's types after the book's records, and the marks of which fields are the user's.
    RefTables merged(const RefTables &book) const;

private:
    UserLine *findMutable(int t, std::string_view key);

    std::vector<UserLine> lines_;
    bool dirty_ = false;
};

// The book's first record of exactly this key in table t (its line), or -1.
int bookLineOf(const RefTables &book, int t, std::string_view key);

} // namespace vosk
