#include "Unit1.h"
#include "cp1251.h"
#include "imagery.h"
#include "params.h"
#include "datafiles.h"
#include "windowlinks.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <filesystem>
#include <sys/stat.h>

using namespace vosk;
using namespace vosk::test;

namespace {
QString u(const char *s) { return QString::fromUtf8(s); }
}

class ReferenceWindowTest : public QObject {
    Q_OBJECT
private slots:
    void listsAreFilledOnceOnTheFirstShowing();
    void choosingATypeLooksItUp();
    void lookupsThroughEnterThePictureAndTheWindowState();
    void drawingChooserSizesThePictureWindow();
    void pictureWindowHangsBelowAndFollowsResizesOnly();
    void inventoryWindowShowsAndHidesTheReference();
    void pictureWindowLooksLikeItsDescription();
    void everyLookupCaseThroughTheWindow();
    void editingACellAndAddingAType();
    void aTypedFigureIsKeptWhenAnotherLookupRuns();
    void aReadOnlyFolderRefusesEveryChangeAndWritesNothing();
    void aTypedFigureSurvivesEveryWayOfClosingTheFolder();
};

void ReferenceWindowTest::listsAreFilledOnceOnTheFirstShowing()
{
    TImages images;
    Tmain main(&images);
    QVERIFY(!main.listsbuilt());
    QCOMPARE(main.allcomps->count(), 0);
    main.show();
    QVERIFY(main.listsbuilt());
    QCOMPARE(main.allcomps->count(), 298);
    QCOMPARE(main.allcomps->itemText(0), u("Д9Б"));
    QCOMPARE(main.allcomps->itemText(1), u("Д9В"));
    int kd208 = 0;
    for (int i = 0; i < main.allcomps->count(); ++i)
        kd208 += main.allcomps->itemText(i) == u("КД208А");
    QCOMPARE(kd208, 2);
    QCOMPARE(main.allcomps->currentText(), u("Компоненты"));
    QCOMPARE(main.combopic->count(), 32);
    QCOMPARE(main.combopic->itemText(0), u("Д1"));
    QCOMPARE(main.combopic->itemText(31), u("Д32"));
    QCOMPARE(main.combopic->currentText(), u("рис."));
    QVERIFY(images.isVisible());
    main.close();
    QVERIFY(!images.isVisible());
    main.show();
    QCOMPARE(main.allcomps->count(), 298);
    QCOMPARE(main.combopic->count(), 32);
}

void ReferenceWindowTest::choosingATypeLooksItUp()
{
    TImages images;
    Tmain main(&images);
    main.show();
    const int i = main.allcomps->findText(u("КС191Ж"));
    QVERIFY(i >= 0);
    main.allcomps->setCurrentIndex(i);
    emit main.allcomps->activated(i);
    QCOMPARE(main.Edit1->text(), u("КС191Ж"));
    QCOMPARE(main.lastLookup().paramsTable, 3);
    QCOMPARE(images.figFrame(), 37);
    QCOMPARE(images.picFrame(), 0);
    QVERIFY(!images.fig->isHidden());
    QCOMPARE(images.fig->pixmap().size(), QSize(images.fig->width(), images.fig->height()));
    QCOMPARE(images.windowTitle(), u("КС191Ж"));
    // Text typed into the chooser that names no item: the empty text, i.e. the first records.
    main.allcomps->setEditText("zz");
    main.allcompsChange();
    QCOMPARE(main.Edit1->text(), QString());
    QCOMPARE(main.lastLookup().markingLine, 5);
}

void ReferenceWindowTest::lookupsThroughEnterThePictureAndTheWindowState()
{
    TImages images;
    Tmain main(&images);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.Edit1->setFocus();
    main.Edit1->setText(u("1N4148"));
    QTest::keyClick(main.Edit1, Qt::Key_Return);
    QCOMPARE(main.lastLookup().paramsLine, -1);
    QVERIFY(main.lastLookup().markingLine > 5);
    QVERIFY(images.pic->isHidden());
    main.Edit1->setText(u("Д814А1"));
    QTest::mouseClick(main.imgfind, Qt::LeftButton);
    QCOMPARE(main.lastLookup().markingLine, 83);
    QCOMPARE(images.picFrame(), 26);
    QVERIFY(main.frameGeometry().width() >= 611);
    const QSize grown = main.size();
    main.Edit1->setText(u("Д9Б"));
    main.find->click();
    QCOMPARE(main.size(), grown); // never smaller
    main.Edit1->setText(u("нет такого"));
    main.find->click();
    QVERIFY(!main.lastLookup().foundAny);
    QVERIFY(images.fig->isHidden() && images.pic->isHidden());
    // A repaint after typing alone runs the lookup of the new text.
    main.Edit1->setText(u("КД906"));
    main.repaint();
    QTRY_COMPARE(main.lastLookup().paramsTable, 2);
}

void ReferenceWindowTest::drawingChooserSizesThePictureWindow()
{
    TImages images;
    Tmain main(&images);
    main.show();
    main.Edit1->setText(u("Д9Б"));
    main.find->click();
    QCOMPARE(images.fig->size(), QSize(20, 112));
    // 170 outside, but the frame may not cut the drawings (20 + 150 wide): 170 inside.
    QCOMPARE(images.width(), 170);
    QCOMPARE(images.frameGeometry().height(), 144);
    const int d5 = main.combopic->findText(u("Д5"));
    main.combopic->setCurrentIndex(d5);
    emit main.combopic->activated(d5);
    QCOMPARE(images.picFrame(), 4);
    QCOMPARE(images.pic->size(), QSize(105, 87));
    QCOMPARE(images.frameGeometry().height(), 127);
    QCOMPARE(images.width(), 20 + 105); // 128 outside, widened so that no drawing is cut
    // Typed text that marks no item, and frames outside the set, change nothing.
    main.combopic->setEditText("99");
    main.combopicChange();
    QVERIFY(!images.choosePackage(32));
    QVERIFY(!images.choosePackage(-1));
    QCOMPARE(images.picFrame(), 4);
    QCOMPARE(images.frameGeometry().height(), 127);
    QCOMPARE(images.width(), 20 + 105); // 128 outside, widened so that no drawing is cut
}

void ReferenceWindowTest::pictureWindowHangsBelowAndFollowsResizesOnly()
{
    {
        // The first showing places the picture window at the size the first lookup gives it:
        // right edges flush, below the reference window.
        TImages images;
        Tmain main(&images);
        QCOMPARE(images.width(), 177); // as created
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QCOMPARE(images.width(), 170); // the drawings of the type in the box
        const QRect outer = main.frameGeometry();
        QCOMPARE(images.frameGeometry().right(), outer.right());
        QCOMPARE(images.frameGeometry().top(), outer.bottom() + 1);
    }
    TImages images;
    Tmain main(&images);
    images.resize(170, 144); // as after the lookup of Д9Б
    main.placeImages();
    QCOMPARE(images.pos(), QPoint(543, 331));
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.Edit1->setText(u("Д9Б"));
    main.find->click();
    QCoreApplication::processEvents();
    QCOMPARE(images.width(), 170);
    const QPoint before = images.pos(); // the lookup may have grown the window and moved it
    main.move(200, 200);
    QCoreApplication::processEvents();
    QCOMPARE(images.pos(), before);
    main.resize(800, 400);
    QCoreApplication::processEvents();
    const QRect outer = main.frameGeometry();
    QVERIFY(outer.width() >= 800);
    const int imagesOuter = images.frameGeometry().width();
    QCOMPARE(images.pos(), QPoint(outer.x() + outer.width() - imagesOuter, outer.y() + outer.height()));
    // Shrunk, then grown by a lookup: every line drawn inside, the picture window below the new frame.
    main.resize(300, 100);
    main.Edit1->setText(u("КС191Ж"));
    main.find->click();
    QCoreApplication::processEvents();
    const int h = QFontMetrics(main.font()).height();
    for (const DrawnText &t : main.lastLookup().texts)
        QVERIFY2(t.y + h <= main.height(), t.text.c_str());
    const QRect grown = main.frameGeometry();
    QCOMPARE(images.pos(), QPoint(grown.x() + grown.width() - images.frameGeometry().width(), grown.y() + grown.height()));
}

void ReferenceWindowTest::inventoryWindowShowsAndHidesTheReference()
{
    TempFolder dir;
    dir.write("components.lst", cp1251("Все\r\nДиоды\r\n"));
    dir.write("strings.dat", "");
    dir.write("main.dat", cp1251("1\x01КС191Ж\x01" "2\x01 \r\n"));
    RecordingMessages messages;
    TImages images;
    Tmain main(&images);
    Tbase base(messages, dir.datapath());
    linkWindows(base, main, images, messages);
    // As the program starts: the reference and picture windows are never shown before the
    // inventory window, whose showing leaves them hidden.
    base.show();
    QVERIFY(QTest::qWaitForWindowExposed(&base));
    QVERIFY(!main.isVisible());
    QVERIFY(!images.isVisible());
    // A row chosen in the list is looked up without showing the window.
    auto *list = base.findChild<QTableView *>(QStringLiteral("list"));
    const QRect cell = list->visualRect(list->model()->index(0, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(main.Edit1->text(), u("КС191Ж"));
    QCOMPARE(main.lastLookup().paramsTable, 3);
    QVERIFY(!main.isVisible());
    QVERIFY(!images.isVisible());
    QCOMPARE(images.windowTitle(), u("КС191Ж"));
    // Opened for the first time after that lookup: the lists are filled as on any first
    // showing, and the lookup shown is the part's.
    base.findChild<QPushButton *>(QStringLiteral("getparams"))->click();
    QVERIFY(main.isVisible());
    QVERIFY(images.isVisible());
    QCOMPARE(main.allcomps->count(), 298);
    QCOMPARE(main.allcomps->currentText(), u("Компоненты"));
    QCOMPARE(main.combopic->count(), 32);
    QCOMPARE(main.combopic->currentText(), u("рис."));
    QCOMPARE(main.Edit1->text(), u("КС191Ж"));
    QCOMPARE(images.windowTitle(), u("КС191Ж"));
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTRY_COMPARE(main.lastLookup().paramsTable, 3);
    QVERIFY(!main.lastLookup().texts.empty());
}

void ReferenceWindowTest::pictureWindowLooksLikeItsDescription()
{
    TImages images;
    QCOMPARE(images.windowTitle(), u("Images"));
    QCOMPARE(images.size(), QSize(177, 123));
    QCOMPARE(images.palette().color(QPalette::Window), QColor(240, 240, 240));
    QVERIFY(images.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(images.markingSet().count(), 47);
    QCOMPARE(images.packageSet().count(), 32);
    QCOMPARE(images.fig->geometry(), QRect(0, 0, 25, 122));
    QCOMPARE(images.pic->geometry(), QRect(24, 0, 145, 129));
    Tmain main(&images);
    QCOMPARE(main.geometry(), QRect(102, 118, 611, 213));
    QCOMPARE(main.Edit1->text(), u("Д9Б"));
    QVERIFY(main.find->isHidden());
}

void ReferenceWindowTest::everyLookupCaseThroughTheWindow()
{
    TImages images;
    Tmain main(&images);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    struct Case {
        const char *text;
        const char *markingKey; // "" for none
        int paramsTable;
        const char *paramsKey;
        int fig, pic; // shown frames, -1 hidden
    };
    const Case cases[] = {
        {"Д9Б", "Д9Б", 2, "Д9Б", 0, 2},
        {"", "Д9Б", 2, "Д9Б", 0, 2},
        {"Д9", "Д9Б", 2, "Д9Б", 0, 2},
        {"Д814А1", "Д814А1", 3, "Д814А1", 25, 26},
        {"КС191Ж", "КС191Ж", 3, "КС191Ж", 37, 0},
        {"1N4148", "1N4148", 0, "", -2, -1},
        {"КД906", "КД906", 2, "КД906А", -2, -2},
        {"КД503А", "", 2, "КД503А", -1, -2},
        {"ничего", "", 0, "", -1, -1},
        {"КД2997АБВГДЕЖЗИКЛМН", "", 0, "", -1, -1},
    };
    for (const Case &c : cases) {
        main.Edit1->setText(u(c.text));
        QTest::keyClick(main.Edit1, Qt::Key_Return);
        const LookupResult &r = main.lastLookup();
        const auto key = [&](int t, int line) {
            return line < 0 ? std::string() : std::string(*linekey(main.tables().table(t).line(line)));
        };
        QCOMPARE(utf8From1251(key(1, r.markingLine)), std::string(c.markingKey));
        QCOMPARE(r.paramsTable, c.paramsTable);
        QCOMPARE(utf8From1251(r.paramsTable ? key(r.paramsTable, r.paramsLine) : std::string()), std::string(c.paramsKey));
        QCOMPARE(r.foundAny, *c.markingKey || c.paramsTable);
        // -2: shown, whichever frame the record names; -1: hidden.
        QCOMPARE(!images.fig->isHidden(), c.fig != -1);
        QCOMPARE(!images.pic->isHidden(), c.pic != -1);
        if (c.fig >= 0)
            QCOMPARE(images.figFrame(), c.fig);
        if (c.pic >= 0)
            QCOMPARE(images.picFrame(), c.pic);
        if (!r.foundAny) {
            QCOMPARE(r.texts.size(), size_t(1));
            QCOMPARE(r.texts[0].x, 15);
            QCOMPARE(r.texts[0].y, 75);
        }
    }
}

namespace {

const CellBox *cellOf(const Tmain &main, int table, int field)
{
    for (const CellBox &c : main.lastLookup().cells)
        if (c.table == table && c.field == field)
            return &c;
    return nullptr;
}

QPoint centre(const CellBox &c) { return {c.x + c.width / 2, c.y + c.height / 2}; }

// Letters one by one: keyClicks cannot send Cyrillic.
void typeInto(QWidget *w, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void menuAt(Tmain &main, const QPoint &pos, const char *action)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, main.mapToGlobal(pos));
    QApplication::sendEvent(&main, &event);
    QAction *a = main.cellmenu->findChild<QAction *>(QString::fromLatin1(action));
    QVERIFY(a);
    QVERIFY(a->isEnabled());
    main.cellmenu->hide();
    a->trigger();
}

std::vector<std::string> userTexts(const LookupResult &r)
{
    std::vector<std::string> out;
    for (const auto &t : r.texts)
        if (t.user)
            out.push_back(utf8From1251(t.text));
    return out;
}

} // namespace

void ReferenceWindowTest::editingACellAndAddingAType()
{
    TempFolder dir;
    dir.write("refbook.dat", "junk\r\n");
    RecordingMessages messages;
    TImages images;
    Tmain main(&images);
    main.setDataFolder(dir.datapath(), messages);
    QCOMPARE(messages.texts(RecordingMessages::Entry::Error).size(), size_t(1)); // the unreadable line
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.Edit1->setText(u("Д9Б"));
    main.find->click();

    // Double-click on the diode table's second field, type, Enter: kept, drawn blue.
    const CellBox *cell = cellOf(main, 2, 2);
    QVERIFY(cell);
    QTest::mouseDClick(&main, Qt::LeftButton, {}, centre(*cell));
    QVERIFY(main.celledit->isVisible());
    QCOMPARE(main.celledit->text(), u("10"));
    typeInto(main.celledit, u("12 В"));
    QTest::keyClick(main.celledit, Qt::Key_Return);
    QVERIFY(main.celledit->isHidden());
    QCOMPARE(userTexts(main.lastLookup()), std::vector<std::string>{"12 В"});
    QCOMPARE(main.lastLookup().notes.size(), size_t(1));
    QCOMPARE(utf8From1251(main.lastLookup().notes[0]), std::string("синим — ваши данные"));

    // F2 opens the first figure; Escape leaves everything as it was.
    main.setFocus();
    QTest::keyClick(&main, Qt::Key_F2);
    QVERIFY(main.celledit->isVisible());
    QCOMPARE(main.celledit->text(), u("-")); // the marking record's second field
    typeInto(main.celledit, u("зелёный"));
    QTest::keyClick(main.celledit, Qt::Key_Escape);
    QVERIFY(main.celledit->isHidden());
    QCOMPARE(userTexts(main.lastLookup()).size(), size_t(1));

    // Refused texts: a message, the box stays for another try.
    QTest::mouseDClick(&main, Qt::LeftButton, {}, centre(*cellOf(main, 2, 3)));
    main.celledit->setText(QStringLiteral("1@2"));
    QTest::keyClick(main.celledit, Qt::Key_Return);
    main.celledit->setText(QString(QChar(0x2603)));
    QTest::keyClick(main.celledit, Qt::Key_Return);
    QVERIFY(main.celledit->isVisible());
    const auto errors = messages.texts(RecordingMessages::Entry::Error);
    QCOMPARE(errors.size(), size_t(3));
    QVERIFY(utf8From1251(errors[1]).find("«@»") != std::string::npos);
    QVERIFY(utf8From1251(errors[2]).find("1251") != std::string::npos);
    QTest::keyClick(main.celledit, Qt::Key_Escape);

    // Saved: the unreadable line in its place, then the change, CR LF.
    QVERIFY(main.saveUserBook());
    QCOMPARE(dir.read("refbook.dat"), "junk\r\n" + cp1251("2@Д9Б@12 В@90 мА@250@100@3@\r\n"));

    // A type the book lacks: said under the tables, and added with that name from the menu.
    main.Edit1->setText(u("Д226Б"));
    main.find->click();
    QCOMPARE(main.lastLookup().notes.size(), size_t(1));
    QVERIFY(utf8From1251(main.lastLookup().notes[0]).rfind("Д226Б нет в справочнике; показан КД226Б", 0) == 0);
    NewType asked;
    main.askNewType = [&](const NewType &suggested) {
        asked = suggested;
        NewType t = suggested;
        t.table = 2;
        t.drawing = 3;
        return std::optional<NewType>(t);
    };
    menuAt(main, QPoint(300, 15), "addtype");
    QCOMPARE(asked.key, u("Д226Б"));
    // The new record is shown, its first figure open for typing.
    QVERIFY(main.celledit->isVisible());
    QCOMPARE(main.celledit->text(), u("н/д"));
    main.celledit->selectAll();
    QTest::keyClicks(main.celledit, "400");
    QTest::keyClick(main.celledit, Qt::Key_Return);
    const LookupResult &r = main.lastLookup();
    QCOMPARE(utf8From1251(std::string(*linekey(main.tables().params.line(r.paramsLine)))), std::string("Д226Б"));
    QCOMPARE(userTexts(r).front(), std::string("Д226Б"));
    QCOMPARE(userTexts(r)[1], std::string("400"));
    QCOMPARE(images.picFrame(), 2);
    QCOMPARE(main.allcomps->itemText(main.allcomps->count() - 1), u("Д226Б"));

    // The change of Д9Б goes back to the book's value from the cell's menu.
    main.Edit1->setText(u("Д9Б"));
    main.find->click();
    menuAt(main, centre(*cellOf(main, 2, 2)), "resetfield");
    QVERIFY(userTexts(main.lastLookup()).empty());

    // Export, then import of another's file: what it adds is shown and asked.
    const QString exported = QString::fromStdString(dir.file("mine.dat"));
    main.chooseFile = [&](bool) { return exported; };
    menuAt(main, QPoint(300, 15), "exportbook");
    QCOMPARE(dir.read("mine.dat"), cp1251("2@Д226Б@400@н/д@н/д@н/д@3@\r\n"));
    // Saved by an editor as UTF-8: read as such.
    dir.write("theirs.dat", "3@BZX55C5V1@4,8@5,1@5,4@5@н/д@н/д@0,5@60@5@н/д@1@\r\n2@Д226Б@400@н/д@н/д@н/д@3@\r\n");
    main.chooseFile = [&](bool) { return QString::fromStdString(dir.file("theirs.dat")); };
    messages.answers.push_back(true);
    menuAt(main, QPoint(300, 15), "importbook");
    const auto asks = messages.texts(RecordingMessages::Entry::Confirm);
    QCOMPARE(asks.size(), size_t(1));
    QVERIFY(utf8From1251(asks[0]).find("добавятся ваши типы (1): BZX55C5V1 (стабилитроны)") != std::string::npos);
    QCOMPARE(main.allcomps->itemText(main.allcomps->count() - 1), QStringLiteral("BZX55C5V1"));

    // Closing writes the file: the reset record gone, the types kept.
    main.close();
    QCOMPARE(dir.read("refbook.dat"), "junk\r\n" + cp1251("2@Д226Б@400@н/д@н/д@н/д@3@\r\n3@BZX55C5V1@4,8@5,1@5,4@5@н/д@н/д@0,5@60@5@н/д@1@\r\n"));
}

void ReferenceWindowTest::aTypedFigureIsKeptWhenAnotherLookupRuns()
{
    TempFolder dir;
    RecordingMessages messages;
    TImages images;
    Tmain main(&images);
    main.setDataFolder(dir.datapath(), messages);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.lookupFrom(u("Д9Б"));
    QTest::mouseDClick(&main, Qt::LeftButton, {}, centre(*cellOf(main, 2, 2)));
    typeInto(main.celledit, u("12 В"));
    // Another type chosen (from the inventory, say) while the box is open: the figure stays.
    main.lookupFrom(u("Д9В"));
    QVERIFY(main.celledit->isHidden());
    QVERIFY(messages.texts(RecordingMessages::Entry::Error).empty());
    QCOMPARE(utf8From1251(std::string(*linekey(main.tables().params.line(main.lastLookup().paramsLine)))), std::string("Д9В"));
    main.lookupFrom(u("Д9Б"));
    QCOMPARE(userTexts(main.lastLookup()), std::vector<std::string>{"12 В"});

    // A figure that cannot be kept: said, its box stays open, and so does the window.
    QTest::mouseDClick(&main, Qt::LeftButton, {}, centre(*cellOf(main, 2, 3)));
    typeInto(main.celledit, u("1@2"));
    main.lookupFrom(u("Д9В"));
    QCOMPARE(messages.texts(RecordingMessages::Entry::Error).size(), size_t(1));
    QVERIFY(main.celledit->isVisible());
    QVERIFY(!main.close());
    QVERIFY(main.isVisible());
    QTest::keyClick(main.celledit, Qt::Key_Escape);
    QVERIFY(main.close());
    QCOMPARE(dir.read("refbook.dat"), cp1251("2@Д9Б@12 В@90 мА@250@100@3@\r\n"));

    // The inventory saving (the program ending) with a figure in its box: saved with it.
    main.show();
    main.lookupFrom(u("Д9Б"));
    QTest::mouseDClick(&main, Qt::LeftButton, {}, centre(*cellOf(main, 2, 3)));
    QVERIFY(main.celledit->isVisible());
    typeInto(main.celledit, u("80 мА"));
    QVERIFY(main.saveUserBook());
    QCOMPARE(dir.read("refbook.dat"), cp1251("2@Д9Б@12 В@80 мА@250@100@3@\r\n"));
}

void ReferenceWindowTest::aReadOnlyFolderRefusesEveryChangeAndWritesNothing()
{
    // Another program holds the folder: this one opens it only for viewing, as the program
    // starts, and its reference window gets that from the inventory.
    TempFolder dir;
    dir.write("components.lst", cp1251("Все\r\nДиоды\r\n"));
    dir.write("strings.dat", "");
    dir.write("main.dat", cp1251("1\x01КД103А\x01" "2\x01 \r\n"));
    const std::string mine = cp1251("2@КД103А@55@100 мА@н/д@н/д@2@\r\n");
    dir.write("refbook.dat", mine);
    struct stat before {};
    QCOMPARE(::stat(dir.file("refbook.dat").c_str(), &before), 0);
    RecordingMessages messages;
    TImages images;
    Tmain main(&images);
    setFoldersReadOnly(true);
    Tbase base(messages, dir.datapath());
    setFoldersReadOnly(false);
    QVERIFY(base.inventory().readOnly());
    linkWindows(base, main, images, messages);
    QVERIFY(messages.entries.empty());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QVERIFY(main.windowTitle().endsWith(u(" — только просмотр")));

    // The user's figure is shown; every way of changing one is refused with the reason.
    main.lookupFrom(u("КД103А"));
    QCOMPARE(userTexts(main.lastLookup()), std::vector<std::string>{"55"});
    main.lookupFrom(u("КД102А"));
    QTest::mouseDClick(&main, Qt::LeftButton, {}, centre(*cellOf(main, 2, 2)));
    QVERIFY(main.celledit->isHidden());
    main.setFocus();
    QTest::keyClick(&main, Qt::Key_F2);
    QVERIFY(main.celledit->isHidden());
    bool asked = false;
    main.askNewType = [&](const NewType &) {
        asked = true;
        return std::optional<NewType>();
    };
    dir.write("theirs.dat", cp1251("2@КД102А@77@100 мА@0,1@н/д@2@\r\n"));
    main.chooseFile = [&](bool) { return QString::fromStdString(dir.file("theirs.dat")); };
    menuAt(main, QPoint(300, 15), "addtype");
    menuAt(main, QPoint(300, 15), "importbook");
    QVERIFY(!asked);
    const auto refused = messages.texts(RecordingMessages::Entry::Error);
    QCOMPARE(refused.size(), size_t(4));
    for (const std::string &text : refused)
        QVERIFY(utf8From1251(text).rfind("База открыта только для просмотра", 0) == 0);
    QVERIFY(messages.texts(RecordingMessages::Entry::Confirm).empty());
    QVERIFY(userTexts(main.lastLookup()).empty());

    // Closing, and the inventory saving: the file is as it was, not even touched.
    main.close();
    base.savebtnClick();
    QCOMPARE(dir.read("refbook.dat"), mine);
    struct stat after {};
    QCOMPARE(::stat(dir.file("refbook.dat").c_str(), &after), 0);
    QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(messages.texts(RecordingMessages::Entry::Error).size(), size_t(4));
}

// Closing saves the four files of the folder together: a figure typed in the reference window
// is written with main.dat when the folder is back («Повторить»), and goes along to another
// folder («Сохранить в другую папку…»), which gets the icons and help texts too.
void ReferenceWindowTest::aTypedFigureSurvivesEveryWayOfClosingTheFolder()
{
    const std::string records = cp1251("1\x01Д9Б\x01" "2\x01 \r\n");
    const auto installation = [&](TempFolder &dir) {
        dir.write("components.lst", cp1251("Все\r\nДиоды\r\n"));
        dir.write("strings.dat", "");
        dir.write("main.dat", records);
        std::filesystem::create_directories(dir.file("bmp"));
        std::filesystem::create_directories(dir.file("txt"));
        dir.write("bmp/01.bmp", "icon");
        dir.write("txt/adding.txt", "help");
    };
    const auto typeFigure = [](Tmain &main, int field, const char *text) {
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.lookupFrom(u("Д9Б"));
        QTest::mouseDClick(&main, Qt::LeftButton, {}, centre(*cellOf(main, 2, field)));
        QVERIFY(main.celledit->isVisible());
        main.celledit->selectAll();
        typeInto(main.celledit, u(text)); // left in its box: closing keeps it
    };
    {
        // The whole folder gone while the program runs: back when the user retries.
        TempFolder dir;
        installation(dir);
        struct BringsTheFolderBack : RecordingMessages {
            std::string folder;
            int choose(const std::string &text, const std::vector<std::string> &buttons) override
            {
                std::filesystem::rename(folder + "-away", folder);
                return RecordingMessages::choose(text, buttons);
            }
        } messages;
        messages.folder = dir.path();
        TImages images;
        Tmain main(&images);
        Tbase base(messages, dir.datapath());
        linkWindows(base, main, images, messages);
        base.show();
        QVERIFY(QTest::qWaitForWindowExposed(&base));
        typeFigure(main, 2, "12 В");
        std::filesystem::rename(dir.path(), dir.path() + "-away");
        messages.choices = {0};
        QVERIFY(base.close());
        QCOMPARE(messages.texts(RecordingMessages::Entry::Choose).size(), size_t(1));
        QVERIFY(messages.texts(RecordingMessages::Entry::Error).empty());
        QCOMPARE(dir.read("refbook.dat"), cp1251("2@Д9Б@12 В@90 мА@250@100@3@\r\n"));
        QCOMPARE(dir.read("main.dat"), records);
    }
    // Neither main.dat nor refbook.dat can be written (folders in their places): the other
    // folder becomes a working installation folder with the user's figures.
    TempFolder dir;
    installation(dir);
    dir.write("refbook.dat", cp1251("2@1N4007@1000@1 А@5@н/д@1@\r\n"));
    RecordingMessages messages;
    TImages images;
    Tmain main(&images);
    Tbase base(messages, dir.datapath());
    linkWindows(base, main, images, messages);
    base.show();
    QVERIFY(QTest::qWaitForWindowExposed(&base));
    typeFigure(main, 3, "80 мА");
    QTest::keyClick(main.celledit, Qt::Key_Return);
    for (const char *name : {"main.dat", "refbook.dat"}) {
        std::filesystem::remove(dir.file(name));
        std::filesystem::create_directories(dir.file(name) + "/blocker");
    }
    TempFolder other;
    messages.choices = {2, 1};
    messages.answers = {false};
    messages.folders = {other.path()};
    QVERIFY(base.close());
    // «Закрыть без сохранения» first, declined: the reference changes are counted.
    const auto asked = messages.texts(RecordingMessages::Entry::Confirm);
    QCOMPARE(asked.size(), size_t(1));
    QVERIFY2(utf8From1251(asked[0]).find("справочника (refbook.dat):\u00A01.") != std::string::npos,
             utf8From1251(asked[0]).c_str());
    QCOMPARE(other.read("main.dat"), records);
    QCOMPARE(other.read("components.lst"), cp1251("Все\r\nДиоды\r\n"));
    QCOMPARE(other.read("refbook.dat"),
             cp1251("2@1N4007@1000@1 А@5@н/д@1@\r\n2@Д9Б@10@80 мА@250@100@3@\r\n"));
    QCOMPARE(other.read("bmp/01.bmp"), std::string("icon"));
    QCOMPARE(other.read("txt/adding.txt"), std::string("help"));
    QVERIFY(std::filesystem::is_directory(dir.file("refbook.dat")));
}

QTEST_MAIN(ReferenceWindowTest)
#include "referencewindow_test.moc"
