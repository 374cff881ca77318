#pragma once
#include "params.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <QString>
#include <memory>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;
class QTreeWidget;
class QWidget;

namespace vosk::test {

// An installation folder with ten categories (1-3 resistors, 4-7 capacitors, 8 diodes,
// 9 transistors, 10 the rest), a dictionary that recognises them, and the window on it.
struct WindowFixture {
    TempFolder dir;
    RecordingMessages messages;
    std::unique_ptr<Tbase> base;

    // Records as "category|name|quantity|description" lines (UTF-8).
    explicit WindowFixture(const std::string &records = {}, bool withCategories = true);
    void open();

    // The window's controls, found by their names as a user's tool would find them.
    QComboBox *ComboBox = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPlainTextEdit *Memo2 = nullptr;
    QTreeWidget *TreeView = nullptr;
    QPushButton *add = nullptr;
    QPushButton *binadd = nullptr;
    QLineEdit *bindesc = nullptr;
    QSpinBox *binkolvo = nullptr;
    QLineEdit *binname = nullptr;
    QLabel *comboicon = nullptr;
    QTimer *delay = nullptr;
    QLineEdit *description = nullptr;
    QLabel *dtype = nullptr;
    QCheckBox *exactfind = nullptr;
    QCheckBox *exactsearch = nullptr;
    QPushButton *fcolor = nullptr;
    QLineEdit *finddesc = nullptr;
    QPushButton *findit = nullptr;
    QSpinBox *findkolvo = nullptr;
    QPushButton *findlist = nullptr;
    QLineEdit *findname = nullptr;
    QCheckBox *flatsrb = nullptr;
    QPushButton *getparams = nullptr;
    QLabel *image1 = nullptr;
    QLabel *image2 = nullptr;
    QLabel *image3 = nullptr;
    QSpinBox *kolvo = nullptr;
    QLabel *labelchange = nullptr;
    QLabel *labelf = nullptr;
    QTableView *list = nullptr;
    QTableView *listtofind = nullptr;
    QPushButton *movecomp = nullptr;
    QLineEdit *name = nullptr;
    QLabel *output = nullptr;
    QTabWidget *pagecontrol = nullptr;
    QCheckBox *remove = nullptr;
    QPushButton *removecomp = nullptr;
    QPushButton *res = nullptr;
    QPushButton *resetlist = nullptr;
    QPushButton *resetparams = nullptr;
    QCheckBox *sdesc = nullptr;
    QCheckBox *showgrid = nullptr;
    QCheckBox *skolvo = nullptr;
    QCheckBox *sname = nullptr;
    QGroupBox *sortgroup = nullptr;
    QButtonGroup *sortitems = nullptr;
    QPushButton *take = nullptr;
    QSpinBox *takecomp = nullptr;
    QLineEdit *test = nullptr;
    QPlainTextEdit *text = nullptr;
    QSpinBox *timedelay = nullptr;
    QComboBox *tomove = nullptr;
    QLabel *typetofind = nullptr;
    QLabel *understand = nullptr;
    QCheckBox *usecolors = nullptr;


    // Message texts shown so far, as UTF-8, and forgets them.
    std::vector<std::string> takeMessages();
    // A record of the store as "category|name|quantity|description" (UTF-8).
    std::string record(int slot) const;
    std::vector<std::string> records() const;
    std::vector<std::string> listNames() const;
};

// Types text into a widget one character at a time (Qt 6.4 refuses non-ASCII keyClicks).
void typeText(QWidget *w, const QString &text);
QString u(const char *utf8);

} // namespace vosk::test
