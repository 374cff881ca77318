// params: the inventory window `Tbase` (`base`). Binds the controls of its six tab pages,
// the list and the status bar to the inventory core object; the rules live there.
#pragma once
#include "inventory.h"
#include "inventoryload.h"
#include "labelprint.h"

#include <QColor>
#include <QImage>
#include <QMainWindow>
#include <QPixmap>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPoint;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

class QSocketNotifier;

namespace vosk {

class BinList;
class InventoryList;
class Messages;
class ScanCatcher;

// The tab pages, left to right.
enum class Page : int { Search = 0, Changing = 1, Options = 2, Bin = 3, Help = 4, About = 5 };

// The inventory window: the program's main window. It owns the inventory for the program's
// lifetime and shows it; the reference window is reached only through its signals.
class Tbase final : public QMainWindow {
    Q_OBJECT
public:
    // `datapath` is read by the window itself (readpath) unless given, as tests do; the
    // window opens the inventory of that folder once its controls are made.
    explicit Tbase(Messages &messages, std::optional<std::string> datapath = std::nullopt, QWidget *parent = nullptr);
    // The inventory comes from `open`, called once the controls are made: at start-up it
    // waits for the data files read on another thread meanwhile.
    using InventorySource = std::function<OpenedInventory()>;
    Tbase(Messages &messages, const InventorySource &open, QWidget *parent = nullptr);
    ~Tbase() override;

    const Inventory &inventory() const { return *inventory_; }
    const CompStore &store() const { return inventory_->store(); }
    const std::vector<std::string> &categories() const { return inventory_->categories(); }
    const FilterCriteria &lastfilter() const { return inventory_->lastfilter(); }
    const std::vector<BinRow> &binRows() const { return inventory_->binRows(); }
    const TakePass &takePass() const { return inventory_->pass(); }
    bool batchmode() const { return inventory_->batchmode(); }
    InventoryList &listRows() const { return *listModel_; }
    QString statusText() const;

    // Writes main.dat (and the companion's file); false (message shown, nothing lost) when
    // that is not possible.
    bool savebtnClick();
    // Another file kept in the installation folder, saved and closed with the data files.
    void setCompanion(FolderCompanion *companion) { inventory_->setCompanion(companion); }

    // The input highlight: the background of the highlighted control that has the focus.
    QColor highlight = QColor(245, 245, 255);
    QColor windowBackground() const;
    // The colour chooser; tests put their own in place of the platform dialog.
    std::function<std::optional<QColor>(const QColor &initial)> chooseColor;
    // The files of the list's menu and the bin's bill of materials, and the import preview
    // (true: import); tests put their own in place of the dialogs. An empty path is cancelled.
    enum class FileUse { ExportList, ExportAll, ImportCsv, LoadBom, Shopping, ExportListExcel, ExportAllExcel };
    std::function<QString(FileUse use)> chooseFile;
    // The folder the bill of materials and shopping list dialogs open in: the last one a
    // bill was loaded from, at first the installation folder's kicad/ (or the folder itself).
    QString bomFolder() const;
    std::function<bool(const ImportPlan &plan)> previewImport;
    // The preview of a stocktake: nothing when cancelled, else whether the records the file
    // does not name are to be emptied («обнулить отсутствующие»).
    std::function<std::optional<bool>(const ImportPlan &plan)> previewStocktake;
    // What each column of a table holds, asked when its header does not say (the plan holds
    // the header and the first rows); nothing when cancelled.
    std::function<std::optional<std::vector<ImportField>>(const ImportPlan &plan)> chooseColumns;
    // «Печать этикеток…»: the sheet and where to (labelDialog); tests put their own in place
    // of the dialog. Nothing is cancelled.
    std::function<std::optional<LabelJob>(int count)> chooseLabels;
    // «История…»: a record's changes (oldest first) shown newest first (historyDialog); the
    // line to take back when the user chose «Отменить это изменение», else nothing. Tests put
    // their own in place of the dialog.
    std::function<std::optional<uint64_t>(const std::string &record, const std::vector<HistoryLine> &lines)> showHistory;

    // A batch long enough to stop the window for more than a frame (an import's plan, an
    // import or stocktake, an export) runs on a thread of its own: the status bar shows how
    // far it got, the controls that would read or change the store wait, disabled, with the
    // reason in their tooltip, and the list shows the rows it had.
    bool batchRunning() const { return batch_ != nullptr; }
    // From these sizes on a batch runs away from the window: a CSV file of this many bytes,
    // an import of this many entries, an export of this many rows.
    static constexpr std::uintmax_t kBatchFileBytes = 64 * 1024;
    static constexpr std::size_t kBatchEntries = 2000;
    static constexpr std::size_t kBatchRows = 8000;

public Q_SLOTS:
    // Handlers a user's action runs, named after their controls and events.
    void addClick();
    void listColumnClick(int column);
    void listtofindDblClick();

Q_SIGNALS:
    // A part chosen in the list or offered by the taking pass: the reference window looks it up.
    void partChosen(const QString &name);
    // "Справочник": the reference window shows itself.
    void referenceRequested();
    // The inventory window shows or closes: the reference and picture windows hide.
    void referenceDismissed();
    // main.dat is about to be written (saved or closing): what is still being typed elsewhere
    // goes where it is saved from.
    void saving();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // --- building
    void buildFrame();
    void buildList(QWidget *central);
    // The list models read the inventory: they come once it is there.
    void attachLists();
    void buildSearchPage(QWidget *page);
    void buildChangingPage(QWidget *page);
    void buildOptionsPage(QWidget *page);
    void buildOptionsControls(QWidget *page);
    void buildBinPage(QWidget *page);
    void buildBinList();
    void attachBinList();
    void buildHelpPage(QWidget *page);
    void buildAboutPage(QWidget *page);
    void FormCreate(const Outcome &opened);
    void FormShow();
    void FormResize();
    void showReadOnly();
    // --- a stock on a server (paramsshared.cpp): its name shown, the others' changes followed
    void showSharedStock();
    void followOthers();
    void watchAnnouncements();
    void showReachable(bool reachable);

    // --- showing what the inventory returned
    // Message boxes come before the list shows the change (a refused or reported change), or
    // after it (the ordering stopped at a name: the rows as far as it got, then why).
    enum class NotesAt { Before, After };
    void apply(const Outcome &outcome, NotesAt notesAt = NotesAt::Before);
    void setstatus(const std::string &text);
    void loadicons();
    std::optional<QImage> iconImage(int category);
    void showIcon(int category);
    // The labels and icons of a category.
    void showCategory(int category);
    // The labels and icons of the selected category, then its list.
    void selectcategory();
    // The selected category of ComboBox, or -1 when the box holds typed text or nothing.
    int categoryIndex() const;
    QString categoryName(int index) const;
    // Text typed by the user, in code page 1251; nothing (and a message) when it cannot be
    // written in that code page.
    std::optional<std::string> typedText(const QString &text);
    struct PickedText {
        std::string whole;
        QString shown;
    };
    // The text of an edit of the changing tab: the picked record's own while unchanged.
    std::optional<std::string> fieldText(const QLineEdit *edit, const PickedText &picked);
    std::optional<StockChange> editFromFields(bool take);
    void recognisename(const QString &text);

    // --- handlers
    void ComboBoxChange();
    void resetparamsClick();
    void resClick();
    void getparamsClick();
    void pagecontrolMouseDown();
    void pageChanged(int index);
    void removeClick();
    void delayTimer();
    void nameClick();
    void nameKeyUp();
    void pickrow();
    void movecompClick();
    void sortitemsClick();
    void sortlist(ListColumn column);
    // An ordering that takes long runs in a worker thread on a copy of the list; the window
    // keeps answering, the status bar shows how far it got, and any change first stops it.
    void startSort(ListColumn column);
    void sortFinished();
    void cancelSort();
    // The inventory for a change: a running ordering is stopped first, since it reads the
    // store while it runs.
    Inventory &changing()
    {
        cancelSort();
        return *inventory_;
    }
    void snameClick();
    void skolvoClick();
    void sdescClick();
    void finditClick();
    void searchShow();
    void timedelayChange();
    void showgridClick();
    void flatsrbClick();
    void usecolorsClick();
    void fcolorClick();
    void TreeViewChange();
    void showhelp(const std::string &file);
    void helpShow();
    void aboutShow();
    void helpHide(int next);
    int helpNumber(const QTreeWidgetItem *item) const;
    void binaddClick();
    void findlistClick();
    void resetlistClick();
    void binnameKeyUp();
    void binShow();
    void binHide();
    void binMouseMove();
    void placeBelowPages(int buttonsTop, int listTop);
    void removecompClick();
    void takeprompt();
    void takeClick();
    void finishPass();
    // Take mode: the prompt row stands where the category selector was, or leaves.
    void showTakeRow(bool shown);
    void endtake();
    void afterBinChange(bool passWasActive);
    // --- tables in and out (paramsio.cpp)
    void buildIoControls();
    void listMenuRequested(const QPoint &pos);
    void exportClick(bool all, bool forExcel = false);
    void importClick(bool setQuantities = false);
    void undoImportClick();
    // --- the history of changes (paramshistory.cpp)
    void buildHistoryControls();
    void historyClick();
    void undoLastClick();
    std::optional<uint64_t> historyDialog(const std::string &record, const std::vector<HistoryLine> &lines);
    void loadbomClick();
    void shoppingClick();
    void boardsChanged(int boards);
    QString fileDialog(FileUse use);
    bool importDialog(const ImportPlan &plan, bool *zeroAbsent = nullptr);
    // The steps of an import after its plan was read (paramsio.cpp).
    void importPlanned(const QString &path, bool setQuantities, ImportPlan plan, bool columnsAsked);
    void importConfirmed(ImportPlan plan, bool setQuantities, bool zeroAbsent);
    void planInBatch(const QString &path, std::vector<ImportField> columns, bool setQuantities,
                     std::function<void(ImportPlan)> then);

    // --- batches away from the window (paramsbatch.cpp)
    struct BatchWorker;
    // Runs `work` on a worker thread when `away`, then `finish` on the window's thread; else
    // both here and now. `changesStore`: the list holds a copy of its rows meanwhile.
    void runBatch(const QString &what, bool away, bool changesStore, std::function<void(BatchWorker &)> work,
                  std::function<void()> finish);
    void batchFinished();
    void holdControls(const QString &reason);
    void releaseControls();
    std::optional<std::vector<ImportField>> columnsDialog(const ImportPlan &plan);
    // --- what records carry beside main.dat (paramsattributes.cpp)
    void buildAttributeInputs(QWidget *page);
    void buildAttributeCriteria(QWidget *page);
    std::optional<AttributeCriteria> attributeCriteria();
    std::string attributeInput(Attribute a) const;
    // The inputs show what the record typed (or picked) carries.
    void showAttributes();
    // What the inputs hold, set on the record typed where it differs; false when refused.
    bool applyAttributes();
    void attributeEdited(Attribute a);
    void minimumShoppingClick();
    // «Места…» on the options tab and its dialog (paramsplaces.cpp).
    void buildPlacesButton(QWidget *page);
    void placesClick();
    void buildPlacesDialog();
    // The places in use listed again; `chosen` is selected when it is one of them.
    void showPlaces(const std::string &chosen = {});
    void renamePlaceClick();
    void undoPlaceClick();

    // --- labels and the scanner (paramslabels.cpp)
    void buildLabelControls();
    void printLabelsClick();
    // A record's code typed whole by a scanner (ScanCatcher): its record chosen in the list
    // and on the changing tab, ready to take.
    void scannedCode(const QString &code);

    // --- the highlight of the input controls
    void watchHighlightedControls();
    std::vector<QWidget *> highlightedControls() const;
    static void paintInput(QWidget *w, const QColor &colour);
    bool highlightEvent(QObject *watched, QEvent *event);

    Messages &messages_;
    // The inventory says things through this when it was opened on another thread.
    std::unique_ptr<HeldMessages> heldMessages_;
    std::unique_ptr<Inventory> inventory_;
    std::vector<QPixmap> icons_;
    std::set<int> refusedIcons_;
    // False once the icons' folder proved unreachable: no icon is looked for any more.
    bool iconFolderUsable_ = true;
    std::optional<QColor> chosenColour_;
    int currentPage_ = 0;
    InventoryList *listModel_ = nullptr;
    BinList *binModel_ = nullptr;
    QLabel *statusPanel_ = nullptr;
    struct SortWorker;
    std::unique_ptr<SortWorker> sortWorker_;
    std::unique_ptr<BatchWorker> batch_;
    // The stock on a server: its name in the status bar, the socket its changes come on, and
    // whether the connection is lost now.
    QLabel *storeLabel_ = nullptr;
    QSocketNotifier *announced_ = nullptr;
    bool sharedLost_ = false;
    QProgressBar *batchProgress_ = nullptr;
    // Closing waits for a batch and drops what a batch that only read would still show.
    bool closing_ = false;

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
    QLineEdit *findplace = nullptr;
    QCheckBox *splace = nullptr;
    QCheckBox *sminimum = nullptr;
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
    // The name and description of the record picked from the list as they are stored, and as
    // the edits show them (a long text only up to a bound): while an edit still shows the
    // picked text, the stored one is what the change uses.
    PickedText pickedName_, pickedDescription_;
    QPushButton *add = nullptr;
    QLabel *image2 = nullptr;
    QLabel *labelchange = nullptr;
    QPushButton *movecomp = nullptr;
    QComboBox *tomove = nullptr;
    QLineEdit *place = nullptr;
    QSpinBox *minimum = nullptr;
    // options page
    QSpinBox *timedelay = nullptr;
    QGroupBox *sortgroup = nullptr;
    QButtonGroup *sortitems = nullptr;
    QCheckBox *showgrid = nullptr;
    QCheckBox *flatsrb = nullptr;
    QCheckBox *usecolors = nullptr;
    QPushButton *fcolor = nullptr;
    QLineEdit *test = nullptr;
    QPushButton *placesbtn = nullptr;
    // the places dialog, made when first opened
    QDialog *placesDialog_ = nullptr;
    QTableWidget *placelist = nullptr;
    QLineEdit *newplace = nullptr;
    QPushButton *renameplace = nullptr;
    QPushButton *undoplace = nullptr;
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
    QPushButton *loadbom = nullptr;
    QLabel *boardsLabel = nullptr;
    QSpinBox *boards = nullptr;
    QPushButton *shopping = nullptr;
    QString lastBomFolder_;
    // the list's menu and the search page's value option
    QMenu *listmenu = nullptr;
    QAction *undoimport = nullptr;
    QAction *history = nullptr;
    QAction *printlabels = nullptr;
    ScanCatcher *scanCatcher_ = nullptr;
    QCheckBox *byvalue = nullptr;
    // help and about pages
    QTreeWidget *TreeView = nullptr;
    QPlainTextEdit *text = nullptr;
    QPlainTextEdit *Memo2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
};

} // namespace vosk
