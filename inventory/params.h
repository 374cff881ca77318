#pragma once
#include "compstore.h"
#include "datafiles.h"
#include "dictionary.h"
#include "filter.h"
#include "takepass.h"

#include <QMainWindow>
#include <QColor>
#include <QPixmap>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;

namespace vosk {

class BinList;
class InventoryList;
class Messages;
class Tmain;
class TImages;

// The inventory window: the program's main window. It owns the record store and every
// piece of inventory state for the program's lifetime; the logic lives in the inventory
// core, and this class binds it to the controls.
class Tbase : public QMainWindow {
    Q_OBJECT
public:
    // `datapath` is read by the window itself (readpath) unless given, as tests do.
    explicit Tbase(Messages &messages, std::optional<std::string> datapath = std::nullopt, QWidget *parent = nullptr);
    ~Tbase() override;

    // The reference and picture windows, created after this one.
    void setReferenceWindows(Tmain *main, TImages *images);

    void setstatus(const std::string &text);
    QString statusText() const;

    const CompStore &store() const { return store_; }
    const std::vector<std::string> &categories() const { return categories_; }
    const Dictionary &dictionary() const { return dictionary_; }
    const std::string &datapath() const { return datapath_; }
    const FilterCriteria &lastfilter() const { return lastfilter_; }
    InventoryList &listRows() const { return *listModel_; }
    bool batchmode() const { return batchmode_; }

    // Writes main.dat; false (message shown, nothing lost) when that is not possible.
    bool savebtnClick();

    // --- list display
    void filterbase(const FilterCriteria &criteria);
    void addrow(int category, const std::string &name, uint16_t quantity, const std::string &description);
    void showlist();
    void refreshlist();
    void selectcategory();
    void loadicons();

    // --- handlers (public so that tests and the other windows can run them as a user would)
    void ComboBoxChange();
    void resetparamsClick();
    void resClick();
    void getparamsClick();
    void pagecontrolMouseDown();
    void addClick();
    void removeClick();
    void delayTimer();
    void nameClick();
    void nameKeyUp();
    void pickrow();
    void movecompClick();
    void listColumnClick(int column);
    void snameClick();
    void skolvoClick();
    void sdescClick();
    void finditClick();
    void searchShow();
    // options
    void timedelayChange();
    void showgridClick();
    void flatsrbClick();
    void usecolorsClick();
    void fcolorClick();
    // help
    void TreeViewChange();
    void showhelp(const std::string &file);
    void helpShow();
    void helpHide(int next);
    // bin
    void binaddClick();
    void findlistClick();
    void findbin();
    void resetlistClick();
    void listtofindDblClick();
    void binnameKeyUp();
    void binShow();
    void binHide();
    void binMouseMove();
    void endtake();
    void removecompClick();
    void takeprompt();
    void takeClick();
    void applytakes(const std::vector<Take> &takes);
    const std::vector<BinRow> &binRows() const;
    const TakePass &takePass() const { return pass_; }

    // The input highlight: the background of the highlighted control that has the focus.
    QColor highlight = QColor(245, 245, 255);
    QColor windowBackground() const;
    // The colour chooser; tests put their own in place of the platform dialog.
    std::function<std::optional<QColor>(const QColor &initial)> chooseColor;
    void sortlist(int key);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFrame();
    void buildSearchPage(QWidget *page);
    void connectSearchPage();
    void buildOptionsControls(QWidget *page);
    void buildHelpPage(QWidget *page);
    void buildAboutPage(QWidget *page);
    void watchHighlightedControls();
    std::vector<QWidget *> highlightedControls() const;
    static void paintInput(QWidget *w, const QColor &colour);
    bool highlightEvent(QObject *watched, QEvent *event);
    int helpNumber(const QTreeWidgetItem *item) const;
    std::optional<QColor> chosenColour_;
    void buildBinList();
    void endPassOnBinChange();
    void placeBelowPages(int buttonsTop, int listTop);
    void finishPass();
    BinList *binModel_ = nullptr;
    BinFind lastFind_;
    TakePass pass_;
    // Tab pages report their showing and hiding through here.
    void pageChanged(int index);
    int currentPage_ = 0;
    void buildChangingPage(QWidget *page);
    void buildOptionsPage(QWidget *page);
    void buildBinPage(QWidget *page);
    void FormCreate(std::optional<std::string> datapath);
    void FormShow();
    void FormResize();
    void recognisename(const QString &text);
    // The selected category of ComboBox, or -1 when the box holds typed text or nothing.
    int categoryIndex() const;
    QString categoryName(int index) const;
    // Text typed by the user, in code page 1251; nothing (and a message) when it cannot be
    // written in that code page.
    std::optional<std::string> typedText(const QString &text);
    void showIcon(int index);
    // addClick with a given amount: the parts actually added or taken, nothing when the
    // change was refused before anything changed.
    std::optional<uint32_t> changeStockFromFields(int amount);

    Messages &messages_;
    std::string datapath_;
    std::unique_ptr<DataFolder> folder_;
    CompStore store_;
    Dictionary dictionary_;
    std::vector<std::string> categories_;
    ViewList view_;
    FilterCriteria lastfilter_;
    bool batchmode_ = false;
    std::vector<QPixmap> icons_;

    Tmain *main_ = nullptr;
    TImages *images_ = nullptr;

public:
    // Controls, named as everywhere in the program (objectName is the same).
    QTabWidget *pagecontrol = nullptr;
    QPushButton *resetparams = nullptr;
    QPushButton *res = nullptr;
    QComboBox *ComboBox = nullptr;
    QLabel *comboicon = nullptr;
    QPushButton *getparams = nullptr;
    QTableView *list = nullptr;
    QLabel *output = nullptr;
    QSpinBox *takecomp = nullptr;
    QPushButton *take = nullptr;
    QTimer *delay = nullptr;
    // search page
    QLineEdit *findname = nullptr;
    QCheckBox *sname = nullptr;
    QSpinBox *findkolvo = nullptr;
    QCheckBox *skolvo = nullptr;
    QLineEdit *finddesc = nullptr;
    QCheckBox *sdesc = nullptr;
    QCheckBox *exactsearch = nullptr;
    QPushButton *findit = nullptr;
    QLabel *labelf = nullptr;
    QLabel *image1 = nullptr;
    // changing page
    QLineEdit *name = nullptr;
    QLabel *understand = nullptr;
    QSpinBox *kolvo = nullptr;
    QCheckBox *remove = nullptr;
    QLabel *dtype = nullptr;
    QLineEdit *description = nullptr;
    QPushButton *add = nullptr;
    QLabel *image2 = nullptr;
    QLabel *labelchange = nullptr;
    QPushButton *movecomp = nullptr;
    QComboBox *tomove = nullptr;
    // options page
    QSpinBox *timedelay = nullptr;
    QGroupBox *sortgroup = nullptr;
    QButtonGroup *sortitems = nullptr;
    QCheckBox *showgrid = nullptr;
    QCheckBox *flatsrb = nullptr;
    QCheckBox *usecolors = nullptr;
    QPushButton *fcolor = nullptr;
    QLineEdit *test = nullptr;
    // bin page
    QLineEdit *binname = nullptr;
    QSpinBox *binkolvo = nullptr;
    QLineEdit *bindesc = nullptr;
    QPushButton *binadd = nullptr;
    QPushButton *findlist = nullptr;
    QPushButton *resetlist = nullptr;
    QPushButton *removecomp = nullptr;
    QLabel *typetofind = nullptr;
    QLabel *image3 = nullptr;
    QCheckBox *exactfind = nullptr;
    QTableView *listtofind = nullptr;
    // help and about pages
    QTreeWidget *TreeView = nullptr;
    QPlainTextEdit *text = nullptr;
    QPlainTextEdit *Memo2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;

private:
    QLabel *statusPanel_ = nullptr;
    InventoryList *listModel_ = nullptr;
};

} // namespace vosk
