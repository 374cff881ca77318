#include "Unit1.h"
#include "cp1251.h"
#include "imagery.h"
#include "jpegdecode.h"
#include "params.h"
#include "pictureformats.h"
#include "recordingmessages.h"
#include "resourcebytes.h"
#include "settingsstore.h"
#include "folderlock.h"
#include "splash.h"
#include "splashopen.h"
#include "compstore.h"
#include "journal.h"
#include "mainfile.h"
#include "startup.h"
#include "tempfolder.h"
#include "windowlinks.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>
#include <QElapsedTimer>
#include <QTimer>
#include <ctime>
#include <map>
#include <random>
#include <tuple>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vosk;
using vosk::test::RecordingMessages;
using vosk::test::TempFolder;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void splashIsCentredWithHalvesRoundedToEven();
    void splashPictureDecodesThroughTheRegisteredJpegFormat();
    void badJpegBytesAreRefusedNotFatal();
    void readpathFollowsTheSettingsFile();
    void settingsFileAsUsersWriteIt();
    void oneWriterPerFolder();
    void inventoryWindowInAnEmptyFolderCreatesTheThreeFiles();
    void closingWritesMainDatAndAFailedWriteKeepsTheWindowOpen();
    void anUnreachableFolderIsToldOnce();
    void windowFrameAndTheMinimumWidth();
    void qtOwnButtonsSpeakRussian();
    void aLongRecoveryRunsBesideTheSplash();
};

void StartupTest::splashIsCentredWithHalvesRoundedToEven()
{
    QCOMPARE(centredOrigin(1024, 768, 307, 266), QPoint(358, 251));
    QCOMPARE(centredOrigin(800, 600, 307, 266), QPoint(246, 167));
    QCOMPARE(centredOrigin(1026, 768, 307, 266).x(), 360);
    QCOMPARE(centredOrigin(1023, 768, 307, 266).x(), 358);
    QCOMPARE(centredOrigin(1024, 1023, 307, 266).y(), 378);
}

void StartupTest::splashPictureDecodesThroughTheRegisteredJpegFormat()
{
    QVERIFY(PictureFormats::instance().decoderFor("jpg") == nullptr);
    {
        JpegFormatRegistration jpeg;
        for (const char *ext : {"jpeg", "jpg", "JPG"}) {
            QVERIFY(PictureFormats::instance().decoderFor(ext) != nullptr);
            QCOMPARE(PictureFormats::instance().descriptionOf(ext), QStringLiteral("JPEG Image File"));
        }
        const auto bytes = resourceBytes(":/images/splash.jpg");
        QVERIFY2(bytes.has_value(), "splash picture not embedded");
        JpegPicture picture;
        std::string error;
        QVERIFY(decodeJpeg(*bytes, picture, error));
        QCOMPARE(picture.width, 306);
        QCOMPARE(picture.height, 265);
        QCOMPARE(picture.components, 3);

        Tflash flash;
        QCOMPARE(flash.size(), QSize(307, 266));
        QVERIFY(flash.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(flash.Image1->pixmap().size(), QSize(306, 265));
    }
    QVERIFY(PictureFormats::instance().decoderFor("jpeg") == nullptr);
}

void StartupTest::badJpegBytesAreRefusedNotFatal()
{
    const auto bytes = resourceBytes(":/images/splash.jpg");
    QVERIFY(bytes.has_value());
    JpegPicture picture;
    std::string error;
    QVERIFY(!decodeJpeg("not a picture", picture, error));
    QVERIFY(!error.empty());
    QVERIFY(!decodeJpeg(bytes->substr(0, 200), picture, error) || picture.width == 306);
    QVERIFY(decodeJpegImage("\xFF\xD8\xFF").isNull());
}

void StartupTest::readpathFollowsTheSettingsFile()
{
    TempFolder config;
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(config.path() + ":/etc/xdg"));
    // No file: no folder, the current folder is used.
    QCOMPARE(readpath(), std::string());
    QDir().mkpath(QString::fromStdString(config.file("Ferrowind")));
    // A file without `path`: the root folder.
    config.write("Ferrowind/Vosk.conf", "[General]\nother=1\n");
    QCOMPARE(readpath(), std::string("/"));
    // The separator is appended even when the value ends in one.
    config.write("Ferrowind/Vosk.conf", "path=/opt/vosk/\n");
    QCOMPARE(readpath(), std::string("/opt/vosk//"));
    config.write("Ferrowind/Vosk.conf", "path=/home/user/Склад\n");
    QCOMPARE(readpath(), std::string("/home/user/Склад/"));
    QCOMPARE(readserver(), std::string()); // no server: the folder is the stock
    config.write("Ferrowind/Vosk.conf", "path=/srv/lab\n[General]\nserver = \"host=/run/postgresql dbname=voskbase\"\n");
    QCOMPARE(readserver(), std::string("host=/run/postgresql dbname=voskbase"));
    QCOMPARE(readpath(), std::string("/srv/lab/"));
}

void StartupTest::settingsFileAsUsersWriteIt()
{
    bool found = false;
    struct Case {
        const char *file;
        const char *folder;
    };
    for (const Case &c : {Case{"path=/home/user/Моя база\n", "/home/user/Моя база"},
                          Case{"path=\"/home/user/Моя база\"\n", "/home/user/Моя база"},
                          Case{"\xEF\xBB\xBF[General]\r\n  path =  /srv/lab, parts, 2024  \r\n", "/srv/lab, parts, 2024"},
                          Case{"path=\"/srv/a \\\"b\\\" \\\\c\"\n", "/srv/a \"b\" \\c"},
                          Case{"; comment\n[Other]\npath=/wrong\n[General]\npath=/right\n", "/right"}}) {
        QCOMPARE(parseSettingsPath(c.file, found), std::string(c.folder));
        QVERIFY(found);
    }
    parseSettingsPath("[Other]\npath=/x\n", found);
    QVERIFY(!found);
    QCOMPARE(parseSettingsValue("server=service=voskbase\npath=/x\n", "server", found), std::string("service=voskbase"));
    QVERIFY(found);
    parseSettingsValue("[Other]\nserver=service=voskbase\nservers=x\n", "server", found);
    QVERIFY(!found);

    // No readable settings file, whatever the reason, means the current folder.
    TempFolder config;
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(config.path()));
    QDir().mkpath(QString::fromStdString(config.file("Ferrowind")));
    const std::string conf = config.file("Ferrowind/Vosk.conf");
    QCOMPARE(settingsFilePath(), conf);
    QVERIFY(::mkfifo(conf.c_str(), 0644) == 0); // would hang a reader that waits for a writer
    QCOMPARE(readpath(), std::string());
    ::unlink(conf.c_str());
    QDir().mkpath(QString::fromStdString(conf)); // a folder of that name
    QCOMPARE(readpath(), std::string());
    QDir().rmdir(QString::fromStdString(conf));
    config.write("Ferrowind/Vosk.conf", "path=/home/user/Склад, новый\n");
    QCOMPARE(readpath(), std::string("/home/user/Склад, новый/"));
}

void StartupTest::oneWriterPerFolder()
{
    TempFolder dir;
    FolderLock first(dir.datapath());
    QCOMPARE(first.tryAcquire(), FolderLock::State::Acquired);
    FolderLock second(dir.datapath());
    QCOMPARE(second.tryAcquire(), FolderLock::State::Held);
    QCOMPARE(second.holder().pid, qint64(::getpid()));
    RecordingMessages messages;
    messages.choices = {0};
    QCOMPARE(decideFolderAccess(second, messages), FolderAccess::ReadOnly);
    QVERIFY(messages.entries.back().text.find(std::to_string(::getpid())) != std::string::npos);
    messages.choices = {1};
    QCOMPARE(decideFolderAccess(second, messages), FolderAccess::Quit);

    // A program killed while holding it leaves the lock behind: taken over after asking.
    TempFolder other;
    const pid_t child = ::fork();
    if (child == 0) {
        QLockFile lock(QString::fromStdString(other.file("voskbase.lock")));
        ::_exit(lock.tryLock(0) ? 0 : 1); // ends without unlocking, as a killed program would
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QVERIFY(other.exists("voskbase.lock"));
    FolderLock stale(other.datapath());
    messages.entries.clear();
    messages.choices = {1}; // first: not now, read-only
    QCOMPARE(decideFolderAccess(stale, messages), FolderAccess::ReadOnly);
    QVERIFY(messages.entries.back().text.find(std::to_string(child)) != std::string::npos);
    messages.choices = {0};
    QCOMPARE(decideFolderAccess(stale, messages), FolderAccess::Write);
    FolderLock after(other.datapath());
    QCOMPARE(after.tryAcquire(), FolderLock::State::Held);
}

void StartupTest::inventoryWindowInAnEmptyFolderCreatesTheThreeFiles()
{
    TempFolder dir;
    RecordingMessages messages;
    Tbase base(messages, dir.datapath());
    const std::string missing = cp1251("Файл с данными не найден: создаю новый файл");
    QCOMPARE(messages.texts(RecordingMessages::Entry::Inform), (std::vector<std::string>{missing, missing, missing}));
    QVERIFY(dir.exists("main.dat") && dir.exists("strings.dat") && dir.exists("components.lst"));
}

void StartupTest::closingWritesMainDatAndAFailedWriteKeepsTheWindowOpen()
{
    TempFolder dir;
    dir.write("main.dat", "1\x01" "a\x01" "3\x01 \r\n");
    dir.write("strings.dat", "");
    dir.write("components.lst", "");
    dir.write("components.lst", "A\r\nB\r\n");
    RecordingMessages messages;
    Tbase base(messages, dir.datapath());
    base.show();
    QVERIFY(QTest::qWaitForWindowExposed(&base));

    // Nothing changed, but main.dat became a folder: its records exist only here now, and
    // closing says so with its choices («Закрыть без сохранения», confirmed, gives them up).
    QFile::remove(QString::fromStdString(dir.file("main.dat")));
    QVERIFY(QDir().mkpath(QString::fromStdString(dir.file("main.dat/blocker"))));
    messages.choices = {2};
    messages.answers = {true};
    QVERIFY(base.close());
    QCOMPARE(messages.texts(RecordingMessages::Entry::Choose).size(), size_t(1));
    QVERIFY(messages.texts(RecordingMessages::Entry::Choose)[0].find(cp1251("только в памяти")) != std::string::npos);

    // One part added: a folder that cannot take the new file keeps the window open when
    // the user cancels the choice of what to do.
    QVERIFY(QDir(QString::fromStdString(dir.file("main.dat"))).removeRecursively());
    dir.write("main.dat", "1\x01" "a\x01" "3\x01 \r\n");
    Tbase changed(messages, dir.datapath());
    changed.show();
    QVERIFY(QTest::qWaitForWindowExposed(&changed));
    messages.entries.clear();
    changed.findChild<QComboBox *>(QStringLiteral("ComboBox"))->setCurrentIndex(0);
    changed.findChild<QLineEdit *>(QStringLiteral("name"))->setText(QStringLiteral("b"));
    changed.findChild<QSpinBox *>(QStringLiteral("kolvo"))->setValue(2);
    changed.addClick();
    QFile::remove(QString::fromStdString(dir.file("main.dat")));
    QVERIFY(QDir().mkpath(QString::fromStdString(dir.file("main.dat/blocker"))));
    messages.choices = {3};
    QVERIFY(!changed.close());
    QVERIFY(changed.isVisible());
    QCOMPARE(messages.texts(RecordingMessages::Entry::Choose).size(), size_t(1));

    QVERIFY(QDir(QString::fromStdString(dir.file("main.dat"))).removeRecursively());
    QVERIFY(changed.close());
    QCOMPARE(dir.read("main.dat"), std::string("1\x01" "a\x01" "3\x01 \r\n0\x01" "b\x01" "2\x01 \r\n"));
}

// An installation folder that is a file, an icons' folder that is a file, a path too long to
// open: one message each, never one per icon looked for.
void StartupTest::anUnreachableFolderIsToldOnce()
{
    TempFolder dir;
    dir.write("plain", "a file\n");
    dir.write("main.dat", "1\x01" "a\x01" "3\x01 \r\n");
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\nB\r\n");
    dir.write("bmp", "a file\n");
    const std::string longPath = dir.path() + "/" + std::string(5000, 'x') + "/";
    for (const std::string &datapath : {dir.file("plain") + "/", dir.datapath(), longPath}) {
        RecordingMessages messages;
        {
            Tbase base(messages, datapath);
            TImages images;
            Tmain main(&images);
            linkWindows(base, main, images, messages);
            base.show();
            QVERIFY(QTest::qWaitForWindowExposed(&base));
            for (int n = 0; n < 2; ++n)
                base.findChild<QComboBox *>(QStringLiteral("ComboBox"))->setCurrentIndex(n);
            QCOMPARE(messages.entries.size(), size_t(1));
            QVERIFY(base.close());
        }
        const std::string told = messages.entries.front().text;
        QVERIFY2(told.find(datapath == dir.datapath() ? "bmp" : "xxxx") != std::string::npos ||
                     told.find("plain") != std::string::npos,
                 utf8From1251(told).c_str());
    }
}

void StartupTest::windowFrameAndTheMinimumWidth()
{
    TempFolder dir;
    RecordingMessages messages;
    TImages images;
    Tmain main(&images);
    Tbase base(messages, dir.datapath());
    linkWindows(base, main, images, messages);
    QCOMPARE(base.windowTitle(), QStringLiteral("Voskbase v2.0"));
    QCOMPARE(base.windowIcon().pixmap(32, 32).size(), QSize(32, 32));
    auto *pages = base.findChild<QTabWidget *>("pagecontrol");
    QVERIFY(pages);
    QCOMPARE(pages->count(), 6);
    QCOMPARE(pages->tabText(0), QString::fromUtf8("Поиск по базе"));
    QCOMPARE(pages->tabText(5), QString::fromUtf8("О программе"));

    // Its caption until the first lookup, which runs when the reference window first shows.
    QCOMPARE(images.windowTitle(), QStringLiteral("Images"));
    main.show();
    images.show();
    base.show();
    QVERIFY(QTest::qWaitForWindowExposed(&base));
    QVERIFY(!main.isVisible());
    QVERIFY(!images.isVisible());
    base.resize(500, base.height());
    QCOMPARE(base.width(), 607);
    QCOMPARE(main.windowTitle(), QString::fromUtf8("Справочник по электрорнным компонентаам"));
}

void StartupTest::qtOwnButtonsSpeakRussian()
{
    QMessageBox english(QMessageBox::Question, QStringLiteral("Voskbase"), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(english.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
    {
        QTranslator russian;
        QVERIFY2(loadQtRussian(russian), "qtbase_ru not found in Qt's translations folder");
        QVERIFY(QCoreApplication::installTranslator(&russian));
        QMessageBox box(QMessageBox::Question, QStringLiteral("Voskbase"), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QString::fromUtf8("Отмена"));
        QMessageBox yesNo(QMessageBox::Question, QStringLiteral("Voskbase"), QStringLiteral("?"),
                          QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(yesNo.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QString::fromUtf8("Нет"));
        QCoreApplication::removeTranslator(&russian);
    }
}

namespace {
double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}
} // namespace

void StartupTest::aLongRecoveryRunsBesideTheSplash()
{
    // A store of 60,000 records and 12,000 journaled changes a killed program left: adds and
    // takes of random records and now and then a new record.
    using Key = std::tuple<int, std::string, std::string>;
    std::map<Key, int> expected;
    auto store = std::make_unique<CompStore>();
    constexpr int kRecords = 60000;
    for (int i = 1; i <= kRecords; ++i) {
        const Key key{i % 16, "P" + std::to_string(i / 7), "d" + std::to_string(i % 7)};
        QVERIFY(store->append(uint16_t(std::get<0>(key)), std::get<1>(key), 1000, std::get<2>(key)));
        expected[key] = 1000;
    }
    const std::string mainBytes = writeMainFile(*store);
    std::string journal = journalHeaderLine(stampOf(mainBytes));
    std::mt19937 rng(28);
    constexpr int kChanges = 12000;
    for (int k = 0; k < kChanges; ++k) {
        const int s = 1 + int(rng() % kRecords);
        StockChange e{store->category[s], std::string(store->name[s]), std::string(store->description[s]), 1 + int(rng() % 3),
                      k % 3 == 1};
        if (k % 40 == 0) {
            e.key.name = "N" + std::to_string(k);
            e.take = false;
        }
        auto &qty = expected[{e.key.category, e.key.name, e.key.description}];
        qty += e.take ? -e.amount : e.amount;
        journal += journalEntryLine(e);
    }
    TempFolder dir;
    dir.write("main.dat", mainBytes);
    dir.write("strings.dat", "");
    dir.write("components.lst", "a\r\n");
    dir.write("main.jnl", journal);

    Tflash splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    // The program has measured text before (the inventory window's controls): the first text's
    // cost (the fonts read) is not the opening's.
    splash.showProgress(QStringLiteral("…"));
    // The longest time between two ticks of a 10 ms timer of this thread during the opening,
    // on the clock and in this thread's processor time (which other work on the machine does
    // not stretch).
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    double lastCpu = threadCpuMs(), longestCpu = 0;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const double cpu = threadCpuMs();
        longest = std::max(longest, now - last);
        longestCpu = std::max(longestCpu, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
    });
    RecordingMessages messages;
    clock.start();
    ticks.start();
    const double cpuBefore = threadCpuMs();
    OpenedInventory opened = openBesideSplash(dir.datapath(), messages, splash);
    const double cpuOpening = threadCpuMs() - cpuBefore;
    const qint64 wall = clock.elapsed();
    ticks.stop();
    longest = std::max(longest, wall - last);
    longestCpu = std::max(longestCpu, threadCpuMs() - lastCpu);

    QVERIFY(opened.inventory);
    const CompStore &now = opened.inventory->store();
    QCOMPARE(size_t(now.compcount), expected.size());
    for (int s = 1; s <= now.compcount; ++s) {
        const auto it = expected.find({now.category[s], std::string(now.name[s]), std::string(now.description[s])});
        QVERIFY2(it != expected.end() && it->second == now.quantity[s], qPrintable(QString::number(s)));
    }
    QCOMPARE(messages.texts(RecordingMessages::Entry::Inform),
             std::vector<std::string>{cp1251("Программа в прошлый раз не была закрыта как следует. Восстановлено "
                                             "изменений из журнала: ") + std::to_string(kChanges) + "."});
    const auto *progress = splash.findChild<QLabel *>(QStringLiteral("progress"));
    QVERIFY(progress && progress->isVisible());
    QCOMPARE(progress->text(), QStringLiteral("Восстановление изменений из журнала: 100 %"));
    qInfo("opening with recovery: %lld ms, this thread busy %.1f ms of it; longest gap of a 10 ms timer %lld ms "
          "(this thread busy %.1f ms)",
          wall, cpuOpening, longest, longestCpu);
    // The replay on this thread, even with the event loop turned at each percent, blocked it
    // for 13-15 ms of processor time at once (reading and writing main.dat); beside it, 1-4.
    QVERIFY2(longestCpu <= 8, qPrintable(QString::number(longestCpu)));
    QVERIFY2(longest <= 250, qPrintable(QString::number(longest)));
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
