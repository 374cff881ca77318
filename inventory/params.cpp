// params: the inventory window `Tbase` (`base`): building the frame, start-up, closing, and
// showing what the inventory returns.
#include "params.h"

#include "batchworker.h"
#include "closing.h"
#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "messages.h"
#include "pictures.h"
#include "placement.h"
#include "settingsstore.h"
#include "sortworker.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace vosk {

namespace {
constexpr int kPageWidth = 577;
constexpr int kPageHeight = 153;
} // namespace

Tbase::Tbase(Messages &messages, std::optional<std::string> datapath, QWidget *parent)
    : Tbase(
          messages,
          [&messages, path = datapath ? std::move(*datapath) : readpath()] { return openInventory(path, messages); },
          parent)
{
}

Tbase::Tbase(Messages &messages, const InventorySource &open, QWidget *parent)
    : QMainWindow(parent), messages_(messages)
{
    setObjectName(QStringLiteral("base"));
    setWindowTitle(QStringLiteral("Voskbase v2.0"));
    setWindowIcon(QIcon(builtInPicture(QStringLiteral(":/images/voskbase.png"))));
    // The layout is laid out in pixels for a small sans-serif face 11 pixels high.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    buildFrame();
    OpenedInventory opened = open();
    heldMessages_ = std::move(opened.held);
    inventory_ = std::move(opened.inventory);
    attachLists();
    FormCreate(opened.opened);
}

Tbase::~Tbase() { cancelSort(); }

void Tbase::buildFrame()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("client"));
    setCentralWidget(central);

    pagecontrol = new QTabWidget(central);
    pagecontrol->setObjectName(QStringLiteral("pagecontrol"));
    pagecontrol->setGeometry(0, 0, kPageWidth, kPageHeight);
    pagecontrol->tabBar()->setExpanding(false);
    pagecontrol->installEventFilter(this);
    pagecontrol->tabBar()->installEventFilter(this);
    const char *pages[][2] = {{"search", "Поиск по базе"}, {"changing", "Изменение"}, {"options", "Настройки"},
                              {"bin", "Корзина"},          {"help", "Справка"},      {"about", "О программе"}};
    for (const auto &page : pages) {
        auto *sheet = new QWidget;
        sheet->setObjectName(QString::fromLatin1(page[0]));
        pagecontrol->addTab(sheet, QString::fromUtf8(page[1]));
    }
    buildSearchPage(pagecontrol->widget(0));
    buildChangingPage(pagecontrol->widget(1));
    buildOptionsPage(pagecontrol->widget(2));
    buildBinPage(pagecontrol->widget(3));
    buildHelpPage(pagecontrol->widget(4));
    buildAboutPage(pagecontrol->widget(5));
    connect(pagecontrol, &QTabWidget::currentChanged, this, &Tbase::pageChanged);

    resetparams = placeButton(central, "resetparams", tr8("Обновить"), 8, 160, 75, 25);
    resetparams->setToolTip(tr8("Показать детали данного типа"));
    connect(resetparams, &QPushButton::clicked, this, &Tbase::resetparamsClick);
    res = placeButton(central, "res", tr8("Сброс"), 88, 160, 57, 25);
    connect(res, &QPushButton::clicked, this, &Tbase::resClick);
    ComboBox = placeCombo(central, "ComboBox", tr8("Компоненты"), 168, 160, 161, 21);
    ComboBox->setToolTip(tr8("Тип детали"));
    // Only a change the user makes re-filters the list; selections made from code do not.
    connect(ComboBox, &QComboBox::activated, this, &Tbase::ComboBoxChange);
    comboicon = placeLabel(central, "comboicon", {}, 168 + 161, 160, 16, 16);
    getparams = placeButton(central, "getparams", tr8("Справочник"), 472, 160, 75, 25);
    connect(getparams, &QPushButton::clicked, this, &Tbase::getparamsClick);

    buildList(central);
    buildIoControls();
    buildHistoryControls();
    buildLabelControls();

    output = placeLabel(central, "output", {}, 24, 352, 41, 41);
    output->setAutoFillBackground(true);
    output->setStyleSheet(QStringLiteral("background: white"));
    output->hide();
    takecomp = placeSpin(central, "takecomp", 0, 0, 0, 403, 248, 49, 22);
    takecomp->hide();
    take = placeButton(central, "take", QStringLiteral("OK"), 456, 248, 25, 22);
    take->hide();
    connect(take, &QPushButton::clicked, this, &Tbase::takeClick);

    delay = new QTimer(this);
    delay->setObjectName(QStringLiteral("delay"));
    delay->setInterval(1500);
    connect(delay, &QTimer::timeout, this, &Tbase::delayTimer);

    watchHighlightedControls();
    // The help tab grows the page control over the list: it must lie above the rest.
    pagecontrol->raise();

    statusPanel_ = new QLabel;
    statusPanel_->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(statusPanel_, 1);
    statusBar()->setFixedHeight(19);
    // How far a batch run away from the window got; shown only while one runs.
    batchProgress_ = new QProgressBar;
    batchProgress_->setObjectName(QStringLiteral("batchprogress"));
    batchProgress_->setFixedSize(160, 14);
    batchProgress_->setTextVisible(false);
    batchProgress_->hide();
    statusBar()->addPermanentWidget(batchProgress_);
}

void Tbase::buildList(QWidget *central)
{
    list = new QTableView(central);
    list->setObjectName(QStringLiteral("list"));
    list->setGeometry(8, 192, 561, 289);
    list->setToolTip(tr8("Щелкайте по названию столбца для сортировки"));
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection); // labels for several rows
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    list->verticalHeader()->hide();
    list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list->verticalHeader()->setDefaultSectionSize(18);
    list->horizontalHeader()->setSectionsClickable(true);
    list->horizontalHeader()->setSortIndicatorShown(false);
    list->horizontalHeader()->setStretchLastSection(false);
    connect(list->horizontalHeader(), &QHeaderView::sectionClicked, this, &Tbase::listColumnClick);
    list->viewport()->installEventFilter(this);
    list->installEventFilter(this);
}

void Tbase::attachLists()
{
    // After the rows' height and mode are set, so that a full store's rows are made with
    // them at the first reset, not made and then changed one by one.
    listModel_ = new InventoryList(*inventory_, this);
    list->setModel(listModel_);
    const int widths[] = {30, 100, 40, 115};
    for (int c = 0; c < kListColumns; ++c)
        list->setColumnWidth(c, widths[c]);
    // The place column, while there is one, takes the room left of the list's width, so a
    // long place is cut only when it must be.
    const auto fitPlaces = [this] { list->horizontalHeader()->setStretchLastSection(listModel_->columnCount() > kListColumns); };
    connect(listModel_, &QAbstractItemModel::modelReset, this, fitPlaces);
    fitPlaces();
    attachBinList();
}

void Tbase::FormCreate(const Outcome &opened)
{
    highlight = QColor(245, 245, 255);
    Memo2->setPlainText(windowTitle() + QLatin1Char(' ') + Memo2->toPlainText());
    placeWindow(this, QRect(5, 1, kPageWidth, screenArea(this).height() - 80));
    delay->setInterval(timedelay->value());

    for (const std::string &c : inventory_->categories()) {
        ComboBox->addItem(fromCp1251(c));
        tomove->addItem(fromCp1251(c));
    }
    ComboBox->setCurrentIndex(inventory_->categories().empty() ? -1 : 0);
    tomove->setEditText(tr8("Компоненты"));
    tomove->setCurrentIndex(-1);
    tomove->setEditText(tr8("Компоненты"));

    loadicons();
    apply(opened);
    showCategory(categoryIndex());
    if (inventory_->sharedStock())
        showSharedStock();
    if (inventory_->readOnly())
        showReadOnly();
    pagecontrol->setCurrentIndex(0);
}

void Tbase::showReadOnly()
{
    setWindowTitle(windowTitle() + tr8(" — только просмотр"));
    // Nothing that would change the stock can be pressed; looking, searching and the bin's
    // check still work.
    for (QWidget *w : std::initializer_list<QWidget *>{add, remove, movecomp, tomove, removecomp, take, takecomp})
        w->setEnabled(false);
    add->setToolTip(tr8("База открыта только для просмотра"));
}

void Tbase::setstatus(const std::string &text) { statusPanel_->setText(fromCp1251(text)); }

QString Tbase::statusText() const { return statusPanel_->text(); }

bool Tbase::savebtnClick()
{
    cancelSort();
    Q_EMIT saving();
    return inventory_->save();
}

void Tbase::apply(const Outcome &outcome, NotesAt notesAt)
{
    auto notes = [&] {
        for (const Note &note : outcome.notes) {
            if (note.kind == Note::Kind::Error)
                messages_.error(note.text);
            else
                messages_.inform(note.text);
        }
    };
    if (notesAt == NotesAt::Before)
        notes();
    switch (outcome.list) {
    case ListChange::Reset:
        listModel_->reset();
        break;
    case ListChange::Appended:
        listModel_->appended(outcome.appendedFrom);
        break;
    case ListChange::None:
        listModel_->refreshTexts();
        break;
    }
    if (outcome.status)
        setstatus(*outcome.status);
    if (outcome.understand)
        understand->setText(fromCp1251(*outcome.understand));
    if (outcome.lookup)
        Q_EMIT partChosen(fromCp1251(*outcome.lookup));
    if (notesAt == NotesAt::After)
        notes();
    if (outcome.sortLater)
        startSort(*outcome.sortLater);
}

void Tbase::closeEvent(QCloseEvent *event)
{
    cancelSort();
    // A batch ends first (what it says meanwhile is still shown); one that only read shows
    // nothing more.
    closing_ = true;
    while (batch_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    closing_ = false;
    Q_EMIT saving();
    // A window that cannot write the store stays open unless the user chooses otherwise.
    if (inventory_->close(messages_) == CloseDecision::StayOpen) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT referenceDismissed();
    QCoreApplication::quit();
}

void Tbase::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Tbase::FormShow() { Q_EMIT referenceDismissed(); }

void Tbase::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void Tbase::FormResize()
{
    const int w = std::max(width(), kPageWidth + 30);
    if (w != width())
        resize(w, height());
    list->resize(w - 25, std::max(0, height() - list->y() - 50));
}

bool Tbase::eventFilter(QObject *watched, QEvent *event)
{
    highlightEvent(watched, event);
    if (binname && watched == binname && event->type() == QEvent::KeyRelease)
        binnameKeyUp();
    if (pagecontrol && watched == pagecontrol->widget(static_cast<int>(Page::Bin)) && event->type() == QEvent::MouseMove)
        binMouseMove();
    if ((watched == pagecontrol || watched == pagecontrol->tabBar()) && event->type() == QEvent::MouseButtonPress)
        pagecontrolMouseDown();
    if (list && !batch_ && ((watched == list->viewport() && event->type() == QEvent::MouseButtonRelease) ||
                 (watched == list && event->type() == QEvent::KeyRelease)))
        pickrow();
    if (name && watched == name && event->type() == QEvent::KeyRelease)
        nameKeyUp();
    if (name && watched == name && event->type() == QEvent::MouseButtonRelease)
        nameClick();
    return QMainWindow::eventFilter(watched, event);
}

void Tbase::pagecontrolMouseDown()
{
    const int h = height();
    if (pagecontrol->currentIndex() == static_cast<int>(Page::Help))
        pagecontrol->resize(pagecontrol->width(), h - 80);
    else if (pagecontrol->currentIndex() == static_cast<int>(Page::Bin))
        pagecontrol->resize(pagecontrol->width(), h / 2 - 50);
}

void Tbase::pageChanged(int index)
{
    // The page left hides first, then the page chosen shows.
    const int previous = currentPage_;
    currentPage_ = index;
    if (previous == static_cast<int>(Page::Bin))
        binHide();
    if (previous == static_cast<int>(Page::Help) || previous == static_cast<int>(Page::About))
        helpHide(index); // both grow the page control
    if (index == static_cast<int>(Page::Search))
        searchShow();
    if (index == static_cast<int>(Page::Bin))
        binShow();
    if (index == static_cast<int>(Page::Help))
        helpShow();
    if (index == static_cast<int>(Page::About))
        aboutShow();
}

int Tbase::categoryIndex() const
{
    const int n = ComboBox->currentIndex();
    if (n < 0 || ComboBox->currentText() != ComboBox->itemText(n))
        return -1;
    return n;
}

QString Tbase::categoryName(int index) const
{
    return index >= 0 && index < ComboBox->count() ? ComboBox->itemText(index) : QString();
}

std::optional<std::string> Tbase::typedText(const QString &text)
{
    auto bytes = toCp1251(text);
    if (!bytes)
        messages_.error(cp1251("Введенный текст содержит символы, которых нет в кодовой странице 1251: "
                               "такой текст нельзя сохранить в базе. Исправьте ввод."));
    return bytes;
}

} // namespace vosk
