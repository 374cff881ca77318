// params (`Tbase`): the controls of the tab pages, at their places.
#include "params.h"

#include "controls.h"

#include <algorithm>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>

namespace vosk {
namespace {

QFrame *placeBevel(QWidget *parent, const char *name, int x, int y, int w, int h, QFrame::Shadow shadow)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QString::fromLatin1(name));
    frame->setFrameStyle(QFrame::Panel | shadow);
    frame->setGeometry(x, y, w, h);
    frame->lower();
    return frame;
}

const char *const kNameHint = "Вводить название нужно с учетом алфавита и индекса букв (К, к, k - не одно и тоже)";

} // namespace

void Tbase::buildSearchPage(QWidget *page)
{
    findname = placeEdit(page, "findname", {}, 8, 6, 73, 21);
    findname->setToolTip(tr8(kNameHint));
    sname = placeCheck(page, "sname", tr8("Искать по имени"), true, 88, 8, 113, 17);
    exactsearch = placeCheck(page, "exactsearch", tr8("Точный поиск"), false, 216, 8, 97, 17);
    exactsearch->setToolTip(tr8("Строка ищется целиком"));
    byvalue = placeCheck(page, "byvalue", tr8("по номиналу"), false, 330, 8, 97, 17);
    byvalue->setToolTip(tr8("Имя читается как номинал: 4,7К, 4k7, 4700 и 4К7 находят одни и те же резисторы"));
    findkolvo = placeSpin(page, "findkolvo", 1, 65536, 1, 8, 29, 73, 22);
    findkolvo->setEnabled(false);
    skolvo = placeCheck(page, "skolvo", tr8("Искать по количеству"), false, 88, 32, 137, 17);
    findit = placeButton(page, "findit", tr8("Найти"), 240, 40, 57, 33);
    findit->setToolTip(tr8("А ты указал тип детали?"));
    finddesc = placeEdit(page, "finddesc", QStringLiteral("?"), 8, 54, 73, 21);
    finddesc->setEnabled(false);
    sdesc = placeCheck(page, "sdesc", tr8("Искать по описанию"), false, 88, 56, 137, 17);
    labelf = placeLabel(page, "labelf", tr8(" Искать в"), 12, 80, 141, 25);
    placeLabel(page, "Label7", {}, 11, 80);
    image1 = placeLabel(page, "image1", {}, 176, 80, 19, 19);
    connect(sname, &QCheckBox::toggled, this, &Tbase::snameClick);
    connect(skolvo, &QCheckBox::toggled, this, &Tbase::skolvoClick);
    connect(sdesc, &QCheckBox::toggled, this, &Tbase::sdescClick);
    connect(exactsearch, &QCheckBox::toggled, this, [this](bool on) { changing().setExact(on); });
    connect(findit, &QPushButton::clicked, this, &Tbase::finditClick);
    buildAttributeCriteria(page);
}

void Tbase::buildChangingPage(QWidget *page)
{
    placeBevel(page, "Bevel1", 0, 0, 363, 124, QFrame::Raised);
    placeBevel(page, "Bevel2", 368, 0, 201, 124, QFrame::Raised);
    placeLabel(page, "Label2", tr8("Номинал\n(название)"), 8, 8, 54, 26);
    name = placeEdit(page, "name", {}, 71, 8, 154, 21);
    name->setToolTip(tr8("Для изменения количества этой детали, необходимо ввести ее имя правильно, "
                         "или щелкнуть по ней в списке"));
    name->installEventFilter(this);
    understand = placeLabel(page, "understand", QStringLiteral("0"), 240, 8, 110, 17);
    const QLabel *label3 = placeLabel(page, "Label3", tr8("Количество"), 8, 40);
    const int kolvoLeft = std::max(71, label3->x() + label3->width() + 2); // the caption stays whole
    kolvo = placeSpin(page, "kolvo", 1, 65536, 1, kolvoLeft, 40, 160 - kolvoLeft, 22);
    remove = placeCheck(page, "remove", tr8("Убрать"), false, 160, 40, 65, 17);
    remove->setToolTip(tr8("Установите флажок, чтобы забрать указанное число деталей"));
    connect(remove, &QCheckBox::toggled, this, &Tbase::removeClick);
    placeLabel(page, "label5", tr8("Тип:"), 8, 64);
    dtype = placeLabel(page, "dtype", {}, 71, 68, 190, 15);
    placeLabel(page, "nameToadd", {}, 59, 72);
    placeLabel(page, "Label4", tr8("Описание"), 8, 96);
    description = placeEdit(page, "description", {}, 71, 96, 154, 21);
    add = placeButton(page, "add", tr8("Добавить"), 232, 96, 75, 25);
    add->setToolTip(tr8("А ты указал тип детали?"));
    connect(add, &QPushButton::clicked, this, &Tbase::addClick);
    image2 = placeLabel(page, "image2", {}, 272, 32, 36, 29);
    placeLabel(page, "Label6", tr8("Из раздела"), 376, 16);
    labelchange = placeLabel(page, "labelchange", {}, 376, 32, 190, 26);
    movecomp = placeButton(page, "movecomp", tr8("Перевести в"), 376, 56, 75, 25);
    movecomp->setToolTip(tr8("Изменить тип этой детали"));
    connect(movecomp, &QPushButton::clicked, this, &Tbase::movecompClick);
    tomove = placeCombo(page, "tomove", tr8("Компоненты"), 376, 88, 185, 21);
    tomove->setToolTip(tr8("Изменить тип этой детали"));
    buildAttributeInputs(page);
}

void Tbase::buildOptionsPage(QWidget *page)
{
    timedelay = placeSpin(page, "timedelay", 1, 99999, 1000, 224, 8, 49, 22);
    timedelay->setSingleStep(50);
    sortgroup = new QGroupBox(tr8("Авто сортировка списка по"), page);
    sortgroup->setObjectName(QStringLiteral("sortgroup"));
    sortgroup->setGeometry(336, 8, 193, 113);
    sortitems = new QButtonGroup(sortgroup);
    sortitems->setObjectName(QStringLiteral("sortitems"));
    const char *items[] = {"не сортировать", "компонентам", "названиям", "количеству", "описанию"};
    for (int i = 0; i < 5; ++i) {
        auto *item = new QRadioButton(tr8(items[i]), sortgroup);
        item->setObjectName(QStringLiteral("sortgroup%1").arg(i));
        item->setGeometry(8, 18 + i * 18, 170, 17);
        sortitems->addButton(item, i);
    }
    sortitems->button(0)->setChecked(true);
    connect(sortitems, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            sortitemsClick();
    });
    buildOptionsControls(page);
}

void Tbase::buildBinPage(QWidget *page)
{
    binname = placeEdit(page, "binname", {}, 0, 0, 89, 21);
    binname->setToolTip(tr8(kNameHint));
    binname->installEventFilter(this);
    binkolvo = placeSpin(page, "binkolvo", 1, 99999999, 1, 88, 0, 73, 22);
    bindesc = placeEdit(page, "bindesc", {}, 160, 0, 121, 21);
    binadd = placeButton(page, "binadd", tr8("Добавить"), 288, 0, 81, 25);
    binadd->setToolTip(tr8("А ты указал тип детали?"));
    findlist = placeButton(page, "findlist", tr8("Найти детали"), 288, 26, 81, 25);
    resetlist = placeButton(page, "resetlist", tr8("Сброс списка"), 424, 0, 97, 25);
    removecomp = placeButton(page, "removecomp", tr8("Забрать детали"), 424, 24, 97, 25);
    // Below "Забрать детали", right of "Найти детали", above the list: free on every size.
    loadbom = placeButton(page, "loadbom", tr8("Загрузить список деталей…"), 392, 50, 177, 21);
    loadbom->setToolTip(tr8("Список деталей (BOM) из KiCad в формате CSV"));
    // Boards and the shopping list: right of "Точный поиск" and the type label, below the
    // icon and "Найти детали", left of "Загрузить список деталей…", above the list.
    boardsLabel = placeLabel(page, "boardsLabel", tr8("плат"), 150, 56, 28, 15);
    boards = placeSpin(page, "boards", 1, Inventory::kMaxBoards, 1, 180, 54, 60, 18);
    boards->setToolTip(tr8("Сколько плат собрать: нужное количество умножается"));
    shopping = placeButton(page, "shopping", tr8("Список покупок…"), 246, 54, 140, 18);
    shopping->setToolTip(tr8("Записать CSV того, чего не хватает, для заказа"));
    QLabel *titles = placeLabel(page, "StaticText1", tr8("      Название       количество                описание"), 8, 24, 247, 17);
    typetofind = placeLabel(page, "typetofind", tr8("Тип"), 8, 40, 130, 15);
    // The category icon stands in the gap after «количество» of the column titles: at 144
    // when the font is narrow enough, further right when the title would reach under it.
    const int afterQuantity = titles->x() + titles->contentsRect().x() +
                              titles->fontMetrics().horizontalAdvance(tr8("      Название       количество")) + 2;
    image3 = placeLabel(page, "image3", {}, std::max(144, afterQuantity), 32, 24, 21);
    exactfind = placeCheck(page, "exactfind", tr8("Точный поиск"), true, 0, 56, 97, 17);
    exactfind->setToolTip(tr8("Строка ищется целиком"));
    listtofind = new QTableView(page);
    listtofind->setObjectName(QStringLiteral("listtofind"));
    listtofind->setGeometry(0, 72, 569, 150);
    listtofind->setToolTip(tr8("Двойной щелчок - уделение"));
    buildBinList();
}

} // namespace vosk
