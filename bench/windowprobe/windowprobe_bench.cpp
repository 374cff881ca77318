// The inventory window (`Tbase`) on a full store of 65,535 records (the records of
// bench/inventorylist), offscreen: for each user action of the list, the longest time the event
// loop is kept from running while the action goes to its end.
//
//   windowprobe_bench [--runs=N]      (default 5 runs of each action)
//   windowprobe_bench --write-main=FILE   (only writes those records as a main.dat, for
//                                          tools/startupprobe.sh)
//
// A 1-ms precise timer stamps every turn of the event loop; the action is started from the
// loop (as a click would be) and the figure is the largest gap between two consecutive stamps
// from its start until the list has been reset and 250 ms more have passed (the repaint of the
// new rows falls in that time). Meanwhile a 16-ms timer asks the list's viewport to repaint,
// as a screen would, and every paint of the viewport is stamped: the longest gap between two
// paints is the longest the list stood still on screen. For the ordering that runs in a worker
// (the names with all categories shown) the total from the click to the list reset is given
// as well. Controls are found by their objectName.
#include "silentmessages.h"
#include "codec.h"
#include "cp1251.h"
#include "inventorylist.h"
#include "mainfile.h"
#include "messages.h"
#include "params.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using vosk::bench::SilentMessages;

// The records of bench/inventorylist: 65,535 of them, categories 0..15, value-like names.
vosk::CompStore fullStore()
{
    vosk::CompStore s;
    std::mt19937 rng(7);
    const char *units[] = {"\xCA", "\xE5", "\xCC", "\xEF\xF4", "\xED\xF4", "\xEC\xEA\xF4"};
    for (int i = 0; i < vosk::CompStore::kMaxRecords; ++i)
        s.append(static_cast<uint16_t>(rng() % 16),
                 std::to_string(rng() % 1000) + "," + std::to_string(rng() % 10) + units[rng() % 6],
                 static_cast<uint16_t>(rng() % 500), "\xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5 " + std::to_string(rng()));
    return s;
}

std::string writeFolder(const vosk::CompStore &store)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vosk-windowprobe";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "main.dat", std::ios::binary) << vosk::writeMainFile(store);
    // Sixteen categories: the first is every category, 1..3 resistors, 4..7 capacitors.
    std::string categories = vosk::cp1251("Все\r\nРез1\r\nРез2\r\nРез3\r\nКонд4\r\nКонд5\r\nКонд6\r\nКонд7\r\n"
                                          "Диоды\r\nТранзисторы\r\n");
    for (int c = 10; c < 16; ++c)
        categories += vosk::cp1251("Прочее") + std::to_string(c) + "\r\n";
    std::ofstream(folder / "components.lst", std::ios::binary) << categories;
    std::ofstream(folder / "strings.dat", std::ios::binary)
        << vosk::cp1251("0\r\n0\r\nK k M m E e К к М м Е е\r\n0\r\n0\r\nпф нф мкф\r\n0\r\n0\r\nКД Д\r\nКТ\r\n\r\n");
    return folder.string() + "/";
}

using Clock = std::chrono::steady_clock;
double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Run {
    double longestBlock = 0; // ms between two turns of the event loop
    double total = 0;        // ms from the start to the list reset
    double longestStill = 0; // ms between two paints of the list's viewport
    int rows = 0;
};

template <class T>
T *control(QObject *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "windowprobe_bench: no control %s\n", name);
        std::exit(1);
    }
    return found;
}

class Probe : public QObject {
public:
    Probe(QTableView *list) : list_(list)
    {
        list_->viewport()->installEventFilter(this);
        tick_.setTimerType(Qt::PreciseTimer);
        tick_.setInterval(1);
        QObject::connect(&tick_, &QTimer::timeout, [this] { stamps_.push_back(Clock::now()); });
        frame_.setTimerType(Qt::PreciseTimer);
        frame_.setInterval(16);
        QObject::connect(&frame_, &QTimer::timeout, [this] { list_->viewport()->update(); });
        QObject::connect(list_->model(), &QAbstractItemModel::modelReset, [this] {
            if (!resetAt_)
                resetAt_ = Clock::now();
        });
    }

    // Lets the window run for `msecs` (layout, repaints, nothing measured).
    static void settle(int msecs)
    {
        QEventLoop loop;
        QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
        loop.exec();
    }

    Run measure(const std::function<void()> &action)
    {
        stamps_.clear();
        paints_.clear();
        resetAt_.reset();
        bool returned = false;
        std::optional<Clock::time_point> endAt;
        QEventLoop loop;
        QTimer watch;
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!endAt && returned && resetAt_)
                endAt = Clock::now();
            if (endAt && Clock::now() - *endAt > std::chrono::milliseconds(250))
                loop.quit();
            if (Clock::now() - start_ > std::chrono::seconds(60)) {
                std::fprintf(stderr, "windowprobe_bench: the list was not reset within 60 s\n");
                std::exit(1);
            }
        });
        tick_.start();
        frame_.start();
        watch.start();
        QTimer::singleShot(0, [&] {
            start_ = Clock::now();
            stamps_.push_back(start_);
            paints_.push_back(start_);
            action();
            returned = true;
        });
        loop.exec();
        tick_.stop();
        frame_.stop();
        Run r;
        auto from = std::find(stamps_.begin(), stamps_.end(), start_);
        for (auto it = from; it != stamps_.end() && std::next(it) != stamps_.end(); ++it)
            r.longestBlock = std::max(r.longestBlock, ms(*std::next(it) - *it));
        for (std::size_t k = 1; k < paints_.size(); ++k)
            r.longestStill = std::max(r.longestStill, ms(paints_[k] - paints_[k - 1]));
        r.total = ms(*resetAt_ - start_);
        r.rows = list_->model()->rowCount();
        return r;
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !paints_.empty())
            paints_.push_back(Clock::now());
        return false;
    }

private:
    QTableView *list_;
    QTimer tick_;
    QTimer frame_;
    std::vector<Clock::time_point> stamps_;
    std::vector<Clock::time_point> paints_;
    std::optional<Clock::time_point> resetAt_;
    Clock::time_point start_;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double largest(const std::vector<double> &v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

} // namespace

int main(int argc, char **argv)
{
    int runs = 5;
    for (int k = 1; k < argc; ++k) {
        if (std::strncmp(argv[k], "--write-main=", 13) == 0) {
            std::ofstream(argv[k] + 13, std::ios::binary) << vosk::writeMainFile(fullStore());
            return 0;
        }
        if (std::strncmp(argv[k], "--runs=", 7) == 0 && std::atoi(argv[k] + 7) > 0) {
            runs = std::atoi(argv[k] + 7);
        } else {
            std::fprintf(stderr, "usage: windowprobe_bench [--runs=N] | --write-main=FILE\n");
            return 2;
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const vosk::CompStore store = fullStore();
    const std::string folder = writeFolder(store);

    SilentMessages messages;
    vosk::Tbase base(messages, folder);
    base.resize(800, 600);
    base.show();
    Probe::settle(300);

    auto *combo = control<QComboBox>(&base, "ComboBox");
    auto *list = control<QTableView>(&base, "list");
    auto *findname = control<QLineEdit>(&base, "findname");
    auto *sname = control<QCheckBox>(&base, "sname");
    auto *exactsearch = control<QCheckBox>(&base, "exactsearch");
    auto *findit = control<QPushButton>(&base, "findit");
    auto *binname = control<QLineEdit>(&base, "binname");
    auto *binkolvo = control<QSpinBox>(&base, "binkolvo");
    auto *binadd = control<QPushButton>(&base, "binadd");
    auto *findlist = control<QPushButton>(&base, "findlist");
    auto *exactfind = control<QCheckBox>(&base, "exactfind");
    auto *resetparams = control<QPushButton>(&base, "resetparams");
    Probe probe(list);

    auto choose = [combo](int index) {
        combo->setCurrentIndex(index);
        Q_EMIT combo->activated(index);
    };
    auto allShown = [&] {
        choose(0);
        Probe::settle(100);
    };

    struct Action {
        std::string what;
        std::function<void()> before;
        std::function<void()> run;
    };
    std::vector<Action> actions;
    actions.push_back({"category change: all -> category 2", allShown, [&] { choose(2); }});
    actions.push_back({"category change: category 2 -> all",
                       [&] {
                           choose(2);
                           Probe::settle(100);
                       },
                       [&] { choose(0); }});
    actions.push_back({"\"Обновить\", all categories", allShown, [&] { resetparams->click(); }});
    const char *columns[] = {"category", "name (the exchange, in a worker)", "quantity", "description"};
    for (int c = 0; c < 4; ++c)
        actions.push_back({std::string("sort by ") + columns[c] + ", all rows", allShown,
                           [list, c] { Q_EMIT list->horizontalHeader()->sectionClicked(c); }});
    actions.push_back({"search: part \"4,7\"",
                       [&] {
                           allShown();
                           sname->setChecked(true);
                           exactsearch->setChecked(false);
                           findname->setText(QString::fromUtf8("4,7"));
                       },
                       [&] { findit->click(); }});
    actions.push_back({"search: whole name \"47,5К\"",
                       [&] {
                           allShown();
                           sname->setChecked(true);
                           exactsearch->setChecked(true);
                           findname->setText(QString::fromUtf8("47,5К"));
                       },
                       [&] { findit->click(); }});
    // A bin of 100 rows, names and categories of random records.
    {
        std::mt19937 rng(11);
        for (int k = 0; k < 100; ++k) {
            const int slot = 1 + static_cast<int>(rng() % static_cast<unsigned>(store.compcount));
            combo->setCurrentIndex(store.category[slot]);
            binname->setText(vosk::fromCp1251(store.name[slot]));
            binkolvo->setValue(1);
            binadd->click();
        }
    }
    actions.push_back({"bin find: 100 rows, exact", [&] { exactfind->setChecked(true); }, [&] { findlist->click(); }});

    std::printf("windowprobe_bench: %d records, %d runs of each action, offscreen, window 800x600\n", store.compcount,
                runs);
    std::printf("| action | rows after | longest event-loop block, median | max | click to list reset, median | "
                "longest gap between list repaints, median | max |\n");
    std::printf("| --- | ---: | ---: | ---: | ---: | ---: | ---: |\n");
    double worst = 0;
    for (const Action &a : actions) {
        std::vector<double> block, total, still;
        int rows = 0;
        for (int r = 0; r < runs; ++r) {
            a.before();
            const Run run = probe.measure(a.run);
            block.push_back(run.longestBlock);
            total.push_back(run.total);
            still.push_back(run.longestStill);
            rows = run.rows;
        }
        worst = std::max(worst, largest(block));
        std::printf("| %s | %d | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.1f ms |\n", a.what.c_str(), rows,
                    median(block), largest(block), median(total), median(still), largest(still));
        std::fflush(stdout);
    }
    std::printf("longest event-loop block of all runs: %.1f ms (goal: 50 ms)\n", worst);
    return 0;
}
