// The inventory window on the server's stock: another workstation's change appears within a
// second and leaves the user's place alone; a lost connection is shown and mended.
#include "cp1251.h"
#include "inventoryload.h"
#include "params.h"
#include "pgtestdb.h"
#include "recordingmessages.h"
#include "serverstock.h"
#include "tempfolder.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

#include <functional>

using namespace vosk;

namespace {

// Runs the event loop until `done` or `ms` passed; whether it came.
bool within(int ms, const std::function<bool()> &done)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

struct ServerWindow : ::testing::Test {
    void SetUp() override
    {
        ASSERT_FALSE(db.conninfo().empty()) << "no test server: run through ctest (VOSK_TEST_PG)";
        std::string main;
        for (int i = 0; i < 300; ++i)
            main += "9\x01" + cp1251("КТ") + std::to_string(1000 + i) + "\x01" + "10\x01npn\r\n";
        dir.write("main.dat", main);
        dir.write("components.lst", cp1251("Все\r\nР\r\nР\r\nР\r\nК\r\nК\r\nК\r\nК\r\nД\r\nТранзисторы\r\n"));
        dir.write("strings.dat", cp1251("0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\nКТ\r\n"));
        server::Connection c(db.conninfo());
        ASSERT_TRUE(server::initSchema(c) && server::importFolder(c, dir.path())) << c.error();
        base = std::make_unique<Tbase>(messages, [this] {
            OpenedInventory opened;
            opened.inventory = std::make_unique<Inventory>(dir.datapath(), messages,
                                                           std::make_unique<server::ServerStock>(db.conninfo()));
            opened.opened = opened.inventory->open();
            return opened;
        });
        base->show();
        list = base->findChild<QTableView *>("list");
        name = base->findChild<QLineEdit *>("name");
        add = base->findChild<QPushButton *>("add");
        ASSERT_TRUE(list && name && add);
    }
    QString cell(int row, int column) const { return list->model()->index(row, column).data().toString(); }

    server::test::ScratchDatabase db;
    test::TempFolder dir;
    test::RecordingMessages messages;
    std::unique_ptr<Tbase> base;
    QTableView *list = nullptr;
    QLineEdit *name = nullptr;
    QPushButton *add = nullptr;
};

TEST_F(ServerWindow, OthersChangeAppearsWithinASecondKeepingTheUsersPlace)
{
    EXPECT_TRUE(base->windowTitle().contains(QString::fromUtf8("сервер"))) << base->windowTitle().toStdString();
    const QLabel *store = base->findChild<QLabel *>("storeName");
    ASSERT_TRUE(store);
    EXPECT_TRUE(store->text().startsWith(QString::fromUtf8("сервер")));
    ASSERT_EQ(list->model()->rowCount(), 300);
    // The user chose row 150, scrolled so that row 140 is at the top, and is typing a name.
    list->selectRow(150);
    list->scrollTo(list->model()->index(140, 0), QAbstractItemView::PositionAtTop);
    const int top = list->rowAt(0);
    ASSERT_GT(top, 100);
    const QString chosen = cell(150, 1), atTop = cell(top, 1);
    name->setText(QString::fromUtf8("КТ3"));

    // Another workstation takes 3 of the chosen record.
    server::Connection other(db.conninfo());
    ASSERT_EQ(server::changeRecord(other, 9, cp1251(chosen.toStdString()), "npn", -3).kind, server::ChangeResult::Done);
    const int quantity = static_cast<int>(ListColumn::Quantity);
    ASSERT_TRUE(within(1000, [&] { return cell(list->currentIndex().row(), quantity) == "7"; }))
        << "the change did not appear within a second";
    EXPECT_EQ(cell(list->currentIndex().row(), 1), chosen);
    EXPECT_TRUE(list->selectionModel()->isRowSelected(list->currentIndex().row(), {}));
    EXPECT_EQ(cell(list->rowAt(0), 1), atTop);
    EXPECT_EQ(name->text(), QString::fromUtf8("КТ3"));
}

TEST_F(ServerWindow, LostConnectionIsShownReadOnlyAndMendedByItself)
{
    ASSERT_TRUE(add->isEnabled());
    server::Connection admin(db.conninfo());
    ASSERT_TRUE(admin.command("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = "
                              "current_database() AND pid <> pg_backend_pid()"));
    const QLabel *store = base->findChild<QLabel *>("storeName");
    bool sawLost = false;
    ASSERT_TRUE(within(3000, [&] {
        sawLost = sawLost || (!add->isEnabled() && store->text().contains(QString::fromUtf8("Нет связи")));
        return sawLost && add->isEnabled();
    })) << "lost shown: " << sawLost << ", label now: " << store->text().toStdString();
    EXPECT_TRUE(store->text().startsWith(QString::fromUtf8("сервер")));
    // Changes work again.
    server::Connection other(db.conninfo());
    ASSERT_EQ(server::changeRecord(other, 9, cp1251("КТ1000"), "npn", 5).kind, server::ChangeResult::Done);
    EXPECT_TRUE(within(1000, [&] { return cell(0, static_cast<int>(ListColumn::Quantity)) == "15"; }));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
