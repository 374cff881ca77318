#pragma once
// A fresh database on the test server for each test (the server's connection string is in
// VOSK_TEST_PG), dropped afterwards.
#include "serverstore.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace vosk::server::test {

class ScratchDatabase {
public:
    ScratchDatabase()
    {
        const char *base = std::getenv("VOSK_TEST_PG");
        if (!base)
            return;
        static int counter = 0;
        name_ = "vosk_t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
        admin_ = base;
        Connection c(admin_);
        if (c.ok() && c.command(("DROP DATABASE IF EXISTS " + name_).c_str()) &&
            c.command(("CREATE DATABASE " + name_ + " TEMPLATE template0").c_str()))
            conninfo_ = admin_ + " dbname=" + name_;
    }
    ~ScratchDatabase()
    {
        if (!conninfo_.empty()) {
            Connection c(admin_);
            c.command(("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)").c_str());
        }
    }
    // Empty when there is no test server or the database could not be made.
    const std::string &conninfo() const { return conninfo_; }

private:
    std::string admin_, name_, conninfo_;
};

} // namespace vosk::server::test
