#pragma once
#include "tables.h"

#include <string>
#include <string_view>
#include <vector>

namespace vosk {

class Messages;

// The user's own figures and types: `refbook.dat` in the installation folder. Code page 1251,
// CR LF, one record a line: the table number, the separator, then the record in the tables'
// own format, e.g. "2@1N4007@1000@1@5@н/д@1@". A line holds either a changed book record (its
// key is a key of the book's table; the line replaces the book's first record of that key) or
// a type the book's table lacks. Only such records are stored. Lines that cannot be read are
// kept as they are and written back in their places.
constexpr const char *kUserBookFile = "refbook.dat";
// The longest field a user may store (the book's longest is 48 bytes).
constexpr size_t kUserFieldMax = 64;
// The largest refbook.dat (or file of another's records) read: thousands of records beyond
// the book's 300 types. A larger file is no file of the user's figures and is not read.
constexpr size_t kUserBookMax = size_t(1) << 20;

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
    bool dirty() const { return changes_ > 0; }
    // Changes made since the records were read or last written: figures set or brought back,
    // types added or removed, records taken from another's file.
    int changes() const { return changes_; }
    void markSaved() { changes_ = 0; }

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
    // What the plan does, for the question before it is done: the new types by name, and for
    // every record that changes, each figure that changes with its value now and after
    // (lines broken by character 13).
    std::string describeImport(const UserImportPlan &plan, const RefTables &book) const;

    // The book with the user's records in it: changed records in place of the book's, the
    // user's types after the book's records, and the marks of which fields are the user's.
    RefTables merged(const RefTables &book) const;

private:
    UserLine *findMutable(int t, std::string_view key);

    std::vector<UserLine> lines_;
    int changes_ = 0;
};

// The book's first record of exactly this key in table t (its line), or -1.
int bookLineOf(const RefTables &book, int t, std::string_view key);

// The bytes of a file of the user's records as code page 1251. A file saved as UTF-8 (as
// editors on Linux save it: a UTF-8 signature, or valid UTF-8 holding non-ASCII characters)
// is converted; one holding characters code page 1251 lacks cannot be.
struct UserBookText {
    enum class Encoding { Cp1251, Utf8, Utf8Unconvertible };
    Encoding encoding = Encoding::Cp1251;
    std::string bytes;   // code page 1251 (for Cp1251 and Utf8)
    int badLine = 0;     // Utf8Unconvertible: the first line (from 1) with such a character
};
UserBookText userBookText(std::string_view fileBytes);

// refbook.dat of the installation folder: read once when the folder is set, written back when
// the user's records change. What there is to say about the file is said once, when it is
// read; a file that could not be read, or a folder opened only for viewing, is never written,
// and the user's records then do not change at all (changeRefusal says why).
class UserBookFile {
public:
    // `datapath` is the folder with its trailing separator (empty for the current folder).
    void open(std::string datapath, bool readOnly, const RefTables &book, Messages &messages);
    bool isOpen() const { return open_; }
    std::string path() const { return datapath_ + kUserBookFile; }
    const std::string &datapath() const { return datapath_; }

    const UserBook &book() const { return user_; }
    // For changes, after changeRefusal() said they may be made.
    UserBook &book() { return user_; }
    // Why the user's records cannot change (code page 1251), or empty when they can.
    const std::string &changeRefusal() const { return refusal_; }

    // Writes the file when the records changed, or when it was read as UTF-8 and is due to be
    // written in code page 1251; true when nothing needed writing or it was written, false
    // after a message.
    bool save(Messages &messages);
    // The same, saying why not in `failure` instead.
    bool trySave(std::string &failure);
    // The user's records into refbook.dat of another folder (with its trailing separator), as
    // they would be written here; a file that could not be read is copied as it is. `written`
    // names the file, left empty when there was nothing to write. False with `failure` set.
    bool saveCopyTo(const std::string &folder, std::string &written, std::string &failure) const;
    bool needsSaving() const { return refusal_.empty() && (user_.dirty() || convert_); }

private:
    std::string datapath_;
    UserBook user_;
    std::string refusal_;
    bool open_ = false;
    bool convert_ = false; // read as UTF-8: written back in code page 1251
    bool unread_ = false;  // there, but could not be read
};

} // namespace vosk
