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
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
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
            // The edit field keeps 2 pixels of margin on each side of its text.
            const int room = combo->lineEdit()->width() - 4;
            QStringList texts{combo->currentText()};
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
            for (const QString &text : texts)
                if (fm.horizontalAdvance(text) > room)
                    misfits << QStringLiteral("combo box ") + where(combo, text);
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
