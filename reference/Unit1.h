// Unit1: the reference window `Tmain` (`main`): a diode type looked up and drawn as tables.
#pragma once
#include "boxmessages.h"
#include "lookup.h"
#include "refbook.h"

#include <QWidget>
#include <functional>
#include <optional>

class QAction;
class QComboBox;
class QMenu;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vosk {

class TImages;

// A type the user adds: its table (1 marking, 2 diodes, 3 zener diodes), its designation and
// its package drawing number (0 for none).
struct NewType {
    int table = 2;
    QString key;
    int drawing = 0;
};

// The reference window: a diode type looked up in the marking table and in the diode or
// zener parameter table, drawn as wrapped tables, with its drawings in the picture window.
class Tmain : public QWidget {
    Q_OBJECT
public:
    explicit Tmain(TImages *images, QWidget *parent = nullptr);

    // A part chosen elsewhere (the inventory list, an offer of the taking pass): its name goes
    // into the type box and is looked up, without showing this window.
    void lookupFrom(const QString &text);

    // Handlers, named after their controls and events.
    void FindClick();
    void imgfindClick();
    void allcompsChange();
    void combopicChange();

    // The installation folder (with its trailing separator): the user's own records are read
    // from its refbook.dat now and written there by saveUserBook(). A folder opened only for
    // viewing is never written: every change of the user's records is refused with the reason.
    void setDataFolder(std::string datapath, Messages &messages, bool readOnly = false);
    // A figure still in its edit box goes into the book, as Enter keeps it; false (after the
    // message why, the box staying open) when it cannot.
    bool keepTypedFigure();
    // Keeps a typed figure, then writes refbook.dat when the user's records changed; false
    // (after a message) when that failed. The window calls it when it closes.
    bool saveUserBook();
    // The book this window shows: the folder's owner saves it with the data files.
    ReferenceBook &book() { return book_; }
    const ReferenceBook &book() const { return book_; }

    // The user's own figures: the field of a shown record opens in an edit box in its place.
    void editCell(const CellBox &cell);
    void cellEditKeep();
    void cellEditCancel();
    void resetfieldClick();
    void removetypeClick();
    void addtypeClick();
    void exportbookClick();
    void importbookClick();

    // Test seams: the dialog that asks for a new type (nothing when cancelled), and the file
    // dialog of export (save true) and import (an empty name when cancelled).
    std::function<std::optional<NewType>(const NewType &suggested)> askNewType;
    std::function<QString(bool save)> chooseFile;

    const LookupResult &lastLookup() const { return last_; }
    const RefTables &tables() const { return book_.tables(); }
    bool listsbuilt() const { return listsbuilt_; }
    // Places the picture window directly below this one, right edges aligned.
    void placeImages();

    QLineEdit *Edit1 = nullptr;
    QLabel *imgfind = nullptr;
    QComboBox *allcomps = nullptr;
    QComboBox *combopic = nullptr;
    QPushButton *find = nullptr;
    QLineEdit *celledit = nullptr;
    QMenu *cellmenu = nullptr;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void buildLists();
    void fillTypes();
    // The lookup of the text in the type box, drawn: what FindClick runs once a typed figure
    // is kept.
    void showLookup();
    // After a change of the user's records: the type list, and a new lookup.
    void userBookChanged();
    const CellBox *cellAt(const QPoint &pos) const;
    std::string cellKey(const CellBox &cell) const;
    // A figure typed into the open edit box and not yet kept.
    bool figureTyped() const;
    // The text of the edit box into the book (the box closes); false after saying why not.
    bool storeFigure();
    // False, after saying why, when the user's records cannot change now.
    bool changesAllowed();
    // Shows a refusal or a note; true when there was none.
    bool said(const std::string &refusal);
    void say(const BookNote &note);
    Messages &messages();
    std::optional<NewType> askNewTypeDialog(const NewType &suggested);
    QString chooseFileDialog(bool save);

    TImages *images_;
    ReferenceBook book_;
    Messages *messages_ = nullptr;
    BoxMessages boxes_;
    std::optional<CellBox> editing_;
    std::optional<CellBox> menuCell_;
    QAction *resetfield_ = nullptr;
    QAction *removetype_ = nullptr;
    Fields fields_;
    LookupResult last_;
    QString lastText_;
    bool looked_ = false;
    bool listsbuilt_ = false;
};

} // namespace vosk
