// Several client processes change the same records at once, each through its own connection.
// Afterwards every record must hold its starting quantity plus the changes the server
// acknowledged, and none may be past 0...65,535. Prints the figures; exit 1 on any mismatch.
#include "pgtestdb.h"
#include "serverstore.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace vosk::server;

namespace {

constexpr int kClients = 4;
constexpr int kChanges = 1000;
constexpr int kRecords = 50;

// What one client saw: the acknowledged sum per record, and how many changes went which way.
struct Tally {
    long acknowledged[kRecords + 1] = {};
    long done = 0, refused = 0, failed = 0;
};

int startQuantity(int record) { return record % 2 ? 3 : 65530; } // half near each bound

Tally client(const std::string &conninfo, unsigned seed)
{
    Tally t;
    Connection c(conninfo);
    if (!c.ok()) {
        std::fprintf(stderr, "%s\n", c.error().c_str());
        t.failed = kChanges;
        return t;
    }
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> record(1, kRecords), size(1, 9), sign(0, 1);
    for (int i = 0; i < kChanges; ++i) {
        const int r = record(random);
        const int delta = sign(random) ? size(random) : -size(random);
        const ChangeResult res = changeQuantity(c, r, delta);
        if (res.kind == ChangeResult::Done) {
            t.acknowledged[r] += delta;
            ++t.done;
        } else if (res.kind == ChangeResult::OutOfBounds) {
            ++t.refused;
        } else {
            ++t.failed;
        }
    }
    return t;
}

} // namespace

int main()
{
    vosk::server::test::ScratchDatabase db;
    if (db.conninfo().empty()) {
        std::fprintf(stderr, "no test server: run through ctest (VOSK_TEST_PG)\n");
        return 1;
    }
    const auto dir = std::filesystem::temp_directory_path() / ("vosk-concurrency-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    {
        std::ofstream main(dir / "main.dat", std::ios::binary);
        for (int r = 1; r <= kRecords; ++r)
            main << "1\x01R" << r << "k\x01" << startQuantity(r) << "\x01\r\n";
    }
    {
        Connection c(db.conninfo());
        if (!initSchema(c) || !importFolder(c, dir.string())) {
            std::fprintf(stderr, "%s\n", c.error().c_str());
            return 1;
        }
    }
    std::filesystem::remove_all(dir);

    // Each client reports its tally through a pipe once all its changes are made.
    std::vector<std::pair<pid_t, int>> children;
    for (int k = 0; k < kClients; ++k) {
        int fd[2];
        if (pipe(fd) != 0)
            return 1;
        const pid_t pid = fork();
        if (pid == 0) {
            close(fd[0]);
            const Tally t = client(db.conninfo(), 1234u + unsigned(k));
            const bool sent = write(fd[1], &t, sizeof t) == ssize_t(sizeof t);
            _exit(sent ? 0 : 1);
        }
        close(fd[1]);
        children.emplace_back(pid, fd[0]);
    }
    Tally sum;
    bool lost = false;
    for (auto [pid, fd] : children) {
        Tally t;
        lost = lost || read(fd, &t, sizeof t) != ssize_t(sizeof t);
        close(fd);
        int status = 0;
        waitpid(pid, &status, 0);
        lost = lost || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        for (int r = 1; r <= kRecords; ++r)
            sum.acknowledged[r] += t.acknowledged[r];
        sum.done += t.done;
        sum.refused += t.refused;
        sum.failed += t.failed;
    }

    Connection c(db.conninfo());
    const auto final = quantities(c);
    if (lost || !final || final->size() != size_t(kRecords)) {
        std::fprintf(stderr, "a client or the final read failed\n");
        return 1;
    }
    int mismatches = 0, outside = 0;
    for (auto [record, quantity] : *final) {
        if (quantity < 0 || quantity > 65535)
            ++outside;
        if (quantity != startQuantity(int(record)) + sum.acknowledged[record]) {
            ++mismatches;
            std::fprintf(stderr, "record %ld: %d, expected %ld\n", record, quantity,
                         startQuantity(int(record)) + sum.acknowledged[record]);
        }
    }
    std::printf("clients %d, changes %d, acknowledged %ld, refused at a bound %ld, failed %ld, records %d, "
                "mismatches %d, outside 0...65535 %d\n",
                kClients, kClients * kChanges, sum.done, sum.refused, sum.failed, kRecords, mismatches, outside);
    // Both kinds of answer must have happened, or the run tested less than it claims.
    const bool bothSeen = sum.done > 0 && sum.refused > 0;
    return mismatches == 0 && outside == 0 && sum.failed == 0 && bothSeen ? 0 : 1;
}
