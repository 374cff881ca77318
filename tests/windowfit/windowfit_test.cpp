#include "Unit1.h"
#include "boxmessages.h"
#include "cp1251.h"
#include "controls.h"
#include "imagery.h"
#include "params.h"
#include "placement.h"
#include "recordingmessages.h"
#include "tempfolder.h"
#include "windowlinks.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QToolTip>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QGuiApplication>
#include <QtTest>
#include <memory>
#include <tuple>

using namespace vosk;
using vosk::test::RecordingMessages;
using vosk::test::TempFolder;

namespace {

// A control of a window, found by its name.
template <class T>
T *control(QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

// A copy of the bundled installation folder (its longest category names are the ones to fit),
// with its category icons.
void copyBundledData(const TempFolder &dir)
{
    QStringList names{QStringLiteral("main.dat"), QStringLiteral("strings.dat"), QStringLiteral("components.lst")};
    QVERIFY(QDir().mkpath(QString::fromStdString(dir.file("bmp"))));
    for (const QString &icon : QDir(QString::fromUtf8(VOSK_SOURCE_DATA "/bmp")).entryList(QDir::Files))
        names << QStringLiteral("bmp/") + icon;
    for (const QString &name : names) {
        QFile f(QString::fromUtf8(VOSK_SOURCE_DATA) + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        dir.write(name.toStdString(), std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
}

QString where(const QWidget *w, const QString &text)
{
    return QStringLiteral("%1 \"%2\" (%3 wide)").arg(w->objectName(), text).arg(w->width());
}

// A combo box ends inside its parent (its page), its drop-down arrow whole within it; a text
// wider than its edit field is allowed only in a box that reaches its page's edge, and then
// the whole text is its tip (items in the list, the current text over the box).
void checkCombo(QComboBox *combo, const QFontMetrics &fm, QStringList &misfits)
{
    const QWidget *page = combo->parentWidget();
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    const QRect arrow = combo->style()
                            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, combo)
                            .translated(combo->pos());
    if (!page->rect().contains(arrow) || !combo->geometry().contains(arrow) || combo->geometry().right() >= page->width())
        misfits << QStringLiteral("arrow outside %1 (%2 wide): ").arg(page->objectName()).arg(page->width()) +
                       where(combo, combo->currentText());
    const int room = combo->lineEdit()->width() - 4; // 2 pixels of margin on each side
    const bool atTheEdge = combo->geometry().right() >= page->width() - 8;
    for (int i = 0; i < combo->count(); ++i)
        if (fm.horizontalAdvance(combo->itemText(i)) > room &&
            (!atTheEdge || combo->itemData(i, Qt::ToolTipRole).toString() != combo->itemText(i)))
            misfits << QStringLiteral("combo box item ") + where(combo, combo->itemText(i));
    if (fm.horizontalAdvance(combo->currentText()) > room) {
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), combo->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(combo, &tip);
        if (!atTheEdge || !QToolTip::isVisible() || !QToolTip::text().startsWith(combo->currentText()))
            misfits << QStringLiteral("combo box text ") + where(combo, combo->currentText());
        QToolTip::hideText();
    }
}

// Every line of a memo shows whole, from the top: not scrolled, no scroll bar across it,
// the last line's bottom within the view.
void checkMemo(QPlainTextEdit *memo, QStringList &misfits)
{
    const QRect last = memo->cursorRect(QTextCursor(memo->document()->lastBlock()));
    if (memo->verticalScrollBar()->value() > 0 || memo->horizontalScrollBar()->isVisible() ||
        last.bottom() >= memo->viewport()->height())
        misfits << QStringLiteral("memo %1: its last line \"%2\" ends at %3 of %4")
                       .arg(memo->objectName(), memo->document()->lastBlock().text())
                       .arg(last.bottom() + 1)
                       .arg(memo->viewport()->height());
}

// Column titles (and, where asked, every cell) as wide as their texts in this face.
void checkColumns(QTableView *view, bool cells, QStringList &misfits)
{
    const QHeaderView *header = view->horizontalHeader();
    const QFontMetrics fm(header->font());
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int c = 0; c < header->count(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const QString title = view->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        if (fm.horizontalAdvance(title) + margins > header->sectionSize(c))
            misfits << QStringLiteral("column title \"%1\" of %2 (%3 wide)").arg(title, view->objectName()).arg(header->sectionSize(c));
        for (int r = 0; cells && r < view->model()->rowCount(); ++r) {
            const QModelIndex index = view->model()->index(r, c);
            QStyleOptionViewItem option;
            option.initFrom(view->viewport());
            option.font = view->font();
            option.features = QStyleOptionViewItem::HasDisplay;
            const int needed = view->itemDelegate()->sizeHint(option, index).width();
            if (needed > header->sectionSize(c))
                misfits << QStringLiteral("cell \"%1\" of %2 (%3 wide, needs %4)")
                               .arg(index.data().toString(), view->objectName())
                               .arg(header->sectionSize(c))
                               .arg(needed);
        }
    }
}

// Every text of every control that shows one, with the room it has; a complaint per text
// that does not fit. Hidden controls (shown only while some action runs) are left out.
void collectMisfits(QWidget *window, QStringList &misfits)
{
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (w->isHidden() || w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const QFontMetrics fm(w->font());
        // A control widened for its text still lies within its window or page.
        if (!w->isWindow() && w->parentWidget() && w->x() + w->width() > w->parentWidget()->width())
            misfits << QStringLiteral("past the right edge of %1: ").arg(w->parentWidget()->objectName()) +
                           where(w, {});
        if (auto *memo = qobject_cast<QPlainTextEdit *>(w);
            memo && memo->isVisible() && memo->isReadOnly() && !memo->document()->isEmpty())
            checkMemo(memo, misfits);
        if (auto *table = qobject_cast<QTableView *>(w))
            checkColumns(table, false, misfits);
        if (auto *label = qobject_cast<QLabel *>(w); label && !label->text().isEmpty() && !label->wordWrap()) {
            const QStringList lines = label->text().split(QLatin1Char('\n'));
            for (const QString &line : lines)
                if (fm.horizontalAdvance(line) > label->contentsRect().width())
                    misfits << QStringLiteral("label ") + where(label, line);
            // Nothing drawn above the label's text: a control placed later over it hides it.
            const int textWidth = fm.horizontalAdvance(lines.value(0));
            const QRect textRect(label->geometry().topLeft(), QSize(textWidth, fm.height()));
            const auto siblings = label->parentWidget()->children();
            for (qsizetype i = siblings.indexOf(label) + 1; i < siblings.size(); ++i) {
                auto *above = qobject_cast<QWidget *>(siblings[i]);
                if (above && !above->isHidden() &&
                    (qobject_cast<QAbstractSpinBox *>(above) || qobject_cast<QLineEdit *>(above) ||
                     qobject_cast<QComboBox *>(above) || qobject_cast<QAbstractButton *>(above)) &&
                    above->geometry().intersects(textRect))
                    misfits << QStringLiteral("label ") + where(label, lines.value(0)) + QStringLiteral(" under ") +
                                   above->objectName();
                // A picture drawn over one of the label's words hides it (the gaps between
                // words of a column caption may hold one).
                auto *picture = qobject_cast<QLabel *>(above);
                if (!picture || picture->isHidden() || picture->pixmap().isNull())
                    continue;
                const QRect drawn =
                    QStyle::alignedRect(picture->layoutDirection(), picture->alignment(),
                                        picture->pixmap().deviceIndependentSize().toSize(), picture->contentsRect())
                        .translated(picture->pos());
                const QString &line = lines.value(0);
                for (qsizetype start = 0; start < line.size();) {
                    const qsizetype end = line.indexOf(QLatin1Char(' '), start) < 0 ? line.size() : line.indexOf(QLatin1Char(' '), start);
                    if (end > start) {
                        const QRect word(label->x() + label->contentsRect().x() + fm.horizontalAdvance(line.left(start)),
                                         label->y(), fm.horizontalAdvance(line.mid(start, end - start)), label->height());
                        if (drawn.intersects(word))
                            misfits << QStringLiteral("word \"%1\" of label ").arg(line.mid(start, end - start)) +
                                           where(label, line) + QStringLiteral(" under the picture of ") +
                                           picture->objectName();
                    }
                    start = end + 1;
                }
            }
        } else if (auto *check = qobject_cast<QCheckBox *>(w); check && check->sizeHint().width() > check->width()) {
            misfits << QStringLiteral("check box ") + where(check, check->text());
        } else if (auto *radio = qobject_cast<QRadioButton *>(w); radio && radio->sizeHint().width() > radio->width()) {
            misfits << QStringLiteral("radio button ") + where(radio, radio->text());
        } else if (auto *button = qobject_cast<QPushButton *>(w);
                   button && fm.horizontalAdvance(button->text()) + 8 > button->contentsRect().width()) {
            misfits << QStringLiteral("button ") + where(button, button->text());
        } else if (auto *combo = qobject_cast<QComboBox *>(w); combo && combo->lineEdit()) {
            checkCombo(combo, fm, misfits);
        } else if (auto *group = qobject_cast<QGroupBox *>(w);
                   group && fm.horizontalAdvance(group->title()) + 16 > group->width()) {
            misfits << QStringLiteral("group ") + where(group, group->title());
        }
    }
}

// The three working windows on a copy of the bundled folder, linked as the program links them.
struct BundledWindows {
    TempFolder dir;
    RecordingMessages messages;
    TImages images;
    Tmain main{&images};
    std::unique_ptr<Tbase> base;
    BundledWindows()
    {
        copyBundledData(dir);
        base = std::make_unique<Tbase>(messages, dir.datapath());
        linkWindows(*base, main, images, messages);
    }
    std::tuple<Tmain &, Tbase &, TImages &> windows() { return {main, *base, images}; }
};

} // namespace

class WindowFitTest : public QObject {
    Q_OBJECT
private slots:
    void framesAreMovedAndShrunkIntoTheAvailableArea();
    void windowsArePlacedAtTheirFrames();
    void everyTextFitsItsControl();
    void everyPageFitsOnThisScreen();
    void quantityBeyondTheLargestIsClampedNotDropped();
    void aLongConfirmationScrollsInsideTheScreen();
};

void WindowFitTest::framesAreMovedAndShrunkIntoTheAvailableArea()
{
    const QRect screen(0, 0, 1024, 768);
    // Already inside: unchanged, to the last pixel.
    QCOMPARE(fitFrame(QRect(5, 1, 609, 688), screen), QRect(5, 1, 609, 688));
    QCOMPARE(fitFrame(QRect(0, 0, 1024, 768), screen), QRect(0, 0, 1024, 768));
    QCOMPARE(fitFrame(QRect(415, 80, 609, 688), screen), QRect(415, 80, 609, 688));
    // A caption above the top edge comes down; a window left of the screen comes right.
    QCOMPARE(fitFrame(QRect(4, -19, 609, 713), screen), QRect(4, 0, 609, 713));
    QCOMPARE(fitFrame(QRect(-30, 10, 200, 100), screen), QRect(0, 10, 200, 100));
    // Past the right or bottom edge: moved back by the excess, size kept.
    QCOMPARE(fitFrame(QRect(900, 700, 200, 100), screen), QRect(824, 668, 200, 100));
    // Taller than the area: as tall as the area, from its top.
    QCOMPARE(fitFrame(QRect(5, 1, 609, 944), screen), QRect(5, 0, 609, 768));
    // An area that does not start at 0 (a panel on top and on the left).
    const QRect work(60, 30, 964, 708);
    QCOMPARE(fitFrame(QRect(5, 1, 609, 688), work), QRect(60, 30, 609, 688));
    QCOMPARE(fitFrame(QRect(500, 100, 609, 800), work), QRect(415, 30, 609, 708));
}

void WindowFitTest::windowsArePlacedAtTheirFrames()
{
    // Offscreen windows have no frame: outer and client coincide, and the placement shows.
    const QRect available = availableArea(nullptr);
    BundledWindows w;
    auto [main, base, images] = w.windows();
    base.show();
    QVERIFY(QTest::qWaitForWindowExposed(&base));
    const QRect inventory = base.frameGeometry();
    QCOMPARE(inventory.topLeft(), fitFrame(QRect(5, 1, 10, 10), available).topLeft());
    QCOMPARE(inventory.height(), std::min(screenArea(&base).height() - 80, available.height()));
    QVERIFY(available.contains(inventory));

    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(main.frameGeometry().topLeft(), QPoint(102, 118));
    QCOMPARE(main.frameGeometry().size(), QSize(611, 213));
    // The picture window below the reference window, and a picture window that would hang
    // below the screen is lifted into it.
    QCOMPARE(images.frameGeometry().top(), main.frameGeometry().bottom() + 1);
    moveFrame(&images, QPoint(available.right() - 10, available.bottom() - 10));
    QVERIFY2(available.contains(images.frameGeometry()), "picture window past the screen");
    QCOMPARE(images.frameGeometry().bottomRight(), available.bottomRight());
    // Growing past the edge keeps the window inside: it moves back rather than reach out.
    resizeFrame(&images, QSize(300, 250));
    QVERIFY(available.contains(images.frameGeometry()));
    QCOMPARE(images.frameGeometry().size(), QSize(300, 250));
    // The client is never made smaller than asked for.
    resizeFrame(&images, QSize(50, 40), QSize(120, 90));
    QCOMPARE(images.size(), QSize(120, 90));
}

void WindowFitTest::everyTextFitsItsControl()
{
    BundledWindows w;
    auto [main, base, images] = w.windows();
    base.show();
    main.show(); // fills the type list and the drawing chooser
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QStringList misfits;
    collectMisfits(&main, misfits);
    auto *combo = control<QComboBox>(base, "ComboBox");
    // Every category selected in turn: the captions that name it must hold the longest.
    QVERIFY(combo->count() > 10);
    for (int i = 0; i < combo->count(); ++i) {
        combo->setCurrentIndex(i);
        control<QPushButton>(base, "resetparams")->click();
        collectMisfits(&base, misfits);
    }
    misfits.removeDuplicates();
    QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QLatin1Char('\n'))));
    // The places the window layout gives stay where the controls fit anyway.
    QCOMPARE(combo->pos(), QPoint(168, 160));
    QCOMPARE(control<QSpinBox>(base, "kolvo")->y(), 40);
    QCOMPARE(main.combopic->pos(), QPoint(472, 0));
    // The category box grew; its icon square still follows it, before "Справочник".
    QCOMPARE(control<QLabel>(base, "comboicon")->pos(), QPoint(combo->x() + combo->width(), combo->y()));
    QVERIFY(control<QLabel>(base, "comboicon")->x() + control<QLabel>(base, "comboicon")->width() < control<QPushButton>(base, "getparams")->x());
}

void WindowFitTest::everyPageFitsOnThisScreen()
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    qInfo("screen %dx%d", screen.width(), screen.height());
    BundledWindows w;
    auto [main, base, images] = w.windows();
    base.show();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&base) && QTest::qWaitForWindowExposed(&main));
    // The bin holds a part of every category, found: its list shows every category name.
    auto *combo = control<QComboBox>(base, "ComboBox");
    for (int i = 1; i < combo->count(); ++i) {
        combo->setCurrentIndex(i);
        control<QLineEdit>(base, "binname")->setText(i <= 3 ? QStringLiteral("4,7K") : QStringLiteral("X%1").arg(i));
        control<QPushButton>(base, "binadd")->click();
    }
    control<QPushButton>(base, "findlist")->click();
    auto *bin = control<QTableView>(base, "listtofind");
    QVERIFY(bin->model()->rowCount() >= combo->count() - 1);

    QStringList misfits;
    auto *pages = control<QTabWidget>(base, "pagecontrol");
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QCoreApplication::processEvents();
        QWidget *page = pages->widget(i);
        QStringList found;
        collectMisfits(page, found);
        const auto combos = page->findChildren<QComboBox *>();
        for (QComboBox *c : combos)
            qInfo("  %s: %s at %d,%d, %d wide, ends at %d of %d", qPrintable(page->objectName()), qPrintable(c->objectName()),
                  c->x(), c->y(), c->width(), c->x() + c->width(), page->width());
        qInfo("page %-9s %d wide: %lld controls, %lld misfits", qPrintable(page->objectName()), page->width(),
              static_cast<long long>(page->findChildren<QWidget *>().size()), static_cast<long long>(found.size()));
        misfits << found;
    }
    // The bin's every cell, the help tree's every topic.
    pages->setCurrentIndex(static_cast<int>(Page::Bin));
    checkColumns(bin, true, misfits);
    pages->setCurrentIndex(static_cast<int>(Page::Help));
    auto *tree = control<QTreeWidget>(base, "TreeView");
    tree->expandAll();
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        const QModelIndex index = tree->indexFromItem(*it);
        const int needed = static_cast<QAbstractItemView *>(tree)->sizeHintForIndex(index).width();
        if (tree->visualRect(index).x() + needed > tree->viewport()->width())
            misfits << QStringLiteral("help topic \"%1\" (needs %2 from %3, the tree has %4)")
                           .arg((*it)->text(0))
                           .arg(needed)
                           .arg(tree->visualRect(index).x())
                           .arg(tree->viewport()->width());
    }
    tree->collapseAll();
    QStringList reference;
    collectMisfits(&main, reference);
    qInfo("reference window %d wide: %lld misfits", main.width(), static_cast<long long>(reference.size()));
    misfits << reference;
    misfits.removeDuplicates();
    QVERIFY2(misfits.isEmpty(), qPrintable(misfits.join(QLatin1Char('\n'))));
    // The case seen: the target category box, at its place, still the widest category's
    // length where there is room.
    auto *tomove = control<QComboBox>(base, "tomove");
    QCOMPARE(tomove->pos(), QPoint(376, 88));
}

void WindowFitTest::quantityBeyondTheLargestIsClampedNotDropped()
{
    QWidget parent;
    QSpinBox *spin = placeSpin(&parent, "kolvo", 1, 65536, 1, 0, 0, 89, 22);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("70000"));
    QCOMPARE(spin->value(), 65536);
    QCOMPARE(spin->text(), QStringLiteral("65536"));
    // More digits still stay at the largest; a number in range is taken as typed.
    QTest::keyClicks(spin, QStringLiteral("9"));
    QCOMPARE(spin->value(), 65536);
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("6553"));
    QCOMPARE(spin->value(), 6553);
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("123456789"));
    QCOMPARE(spin->value(), 65536);
    // Below the least while typing is left to be completed (a "0" can start nothing but
    // the user may still be typing); on leaving the box the least is taken.
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_0);
    QTest::keyClick(spin, Qt::Key_Tab);
    spin->interpretText();
    QVERIFY(spin->value() >= 1);
    // A box with a larger range (the bin's) clamps at its own largest.
    QSpinBox *large = placeSpin(&parent, "binkolvo", 1, 99999999, 1, 0, 30, 73, 22);
    large->setFocus();
    large->selectAll();
    QTest::keyClicks(large, QStringLiteral("123456789"));
    QCOMPARE(large->value(), 99999999);
}

QTEST_MAIN(WindowFitTest)
void WindowFitTest::aLongConfirmationScrollsInsideTheScreen()
{
    // A taking pass of 25 rows: two lines a row and the question.
    std::string text;
    for (int row = 1; row <= 25; ++row)
        text += std::to_string(row) + ". " + cp1251("Резисторы 0,25 Вт 10К МЛТ-0,25 взято: 2") + "\r[2 " + cp1251("из") + " 2]\r";
    text += cp1251("Забрать детали?");
    BoxMessages messages;
    QString name, failure;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!box) {
            failure = QStringLiteral("no box");
            return;
        }
        name = box->objectName();
        const QRect area = box->screen()->availableGeometry();
        if (!area.contains(box->frameGeometry()))
            failure = QStringLiteral("the box leaves the screen");
        auto *view = box->findChild<QPlainTextEdit *>();
        if (!view || view->toPlainText().count(QLatin1Char('\n')) != 50)
            failure = QStringLiteral("the text is not in a scrolling view");
        QAbstractButton *cancel = nullptr;
        for (QAbstractButton *b : box->findChildren<QAbstractButton *>()) {
            if (!b->isVisible() || !area.contains(QRect(b->mapToGlobal(QPoint(0, 0)), b->size())))
                failure = QStringLiteral("a button off the screen: ") + b->text();
            if (b->text() == QStringLiteral("Отмена"))
                cancel = b;
        }
        if (cancel)
            cancel->click();
        else
            box->accept(); // the test fails below rather than waiting
    });
    QVERIFY(!messages.confirm(text)); // «Отмена» answers no
    QCOMPARE(name, QStringLiteral("longMessage"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

#include "windowfit_test.moc"
