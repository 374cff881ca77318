#pragma once
#include "lookup.h"
#include "tables.h"
#include "userbook.h"

#include <string>
#include <string_view>

namespace vosk {

class Messages;

// A message the reference window shows after an operation (code page 1251); none when empty.
struct BookNote {
    enum class Kind { None, Inform, Error };
    Kind kind = Kind::None;
    std::string text;
};

// What loading another's file of figures offers: refused (`note` says why), nothing new (`note`
// says so), or a plan to be asked about with `question`.
struct ImportOffer {
    BookNote note;
    UserImportPlan plan;
    std::string question;
    bool offered() const { return note.kind == BookNote::Kind::None; }
};

// The reference book: the tables as they come with the program, the user's own records of the
// installation folder's refbook.dat, and the two merged as the lookup reads them. It holds
// every rule of the user's figures; the reference window turns the user's actions into calls
// and draws what tables() hold. Every change that is made refreshes tables().
class ReferenceBook {
public:
    ReferenceBook() = default;
    // The book's tables, from their embedded bytes.
    explicit ReferenceBook(RefTables book);

    // The book alone, and with the user's records.
    const RefTables &book() const { return book_; }
    const RefTables &tables() const { return tables_; }
    const UserBook &user() const { return file_.book(); }

    // The installation folder (with its trailing separator): refbook.dat is read now (what there
    // is to say about it goes to `messages`) and written by save(). A folder opened only for
    // viewing is never written, and the user's records then do not change.
    void open(std::string datapath, bool readOnly, Messages &messages);
    const std::string &datapath() const { return file_.datapath(); }
    // Why the user's records cannot change now (code page 1251), or empty when they can.
    const std::string &changeRefusal() const { return file_.changeRefusal(); }

    // The lookup of a designation in the merged tables (it rewrites titles of their marking
    // table, as lookup() does).
    LookupResult lookup(Fields &fields, std::string_view text, const TextMeasure &measure, const FrameSizes &frames,
                        int windowWidth, int windowHeight, PictureState picture)
    {
        return vosk::lookup(tables_, fields, text, measure, frames, windowWidth, windowHeight, picture);
    }

    // --- records as the merged tables hold them
    // The key of line `line` of table t (empty for a filler line).
    std::string keyAt(int t, int line) const;
    // A type of the user's own, not of the book.
    bool isOwnType(int t, int line) const;
    // Field k (from 1) of the line holds the user's text.
    bool isUserField(int t, int line, int k) const;
    // Some table holds a record of exactly this key.
    bool knows(std::string_view key) const;

    // --- changes: an empty result when done, otherwise the message why not
    // Field k (from 2) of the record of this key in table t becomes `text`.
    std::string setFigure(int t, std::string_view key, int k, std::string_view text);
    // Field k of a changed book record goes back to the book's value.
    std::string restoreFigure(int t, std::string_view key, int k);
    // A new type for table t with every figure «н/д» but the drawing number given (0: none;
    // a marking record takes its drawing number as a figure typed in place).
    std::string addType(int t, std::string_view key, int drawing);
    std::string removeType(int t, std::string_view key);

    // --- sharing
    // Before a file is chosen: a note when there is nothing of the user's to write.
    BookNote exportCheck() const;
    // The user's records written to a file of their own, with the message to show.
    BookNote exportTo(const std::string &path) const;
    // Another's file read and compared with the user's records; nothing changes yet.
    ImportOffer offerImport(const std::string &path) const;
    std::string applyImport(const UserImportPlan &plan);

    // --- the file
    // Changes not yet written to refbook.dat.
    int unsavedChanges() const { return file_.book().changes(); }
    bool needsSaving() const { return file_.needsSaving(); }
    // Writes refbook.dat when it needs it; false after a message (or, for trySave, with `failure`).
    bool save(Messages &messages);
    bool trySave(std::string &failure);
    // refbook.dat written into another folder as it would be here (UserBookFile::saveCopyTo).
    bool saveCopyTo(const std::string &folder, std::string &written, std::string &failure) const
    {
        return file_.saveCopyTo(folder, written, failure);
    }

private:
    void changed();

    RefTables book_;
    RefTables tables_;
    UserBookFile file_;
};

} // namespace vosk
