#include "serverstock.h"

#include "cp1251.h"

#include "filebytes.h"

#include <libpq-fe.h>

#include <chrono>
#include <filesystem>

namespace vosk::server {

bool conninfoHasPassword(const std::string &conninfo)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.c_str(), &error);
    PQfreemem(error);
    bool has = false;
    for (PQconninfoOption *o = options; o && o->keyword; ++o)
        if (std::string_view(o->keyword) == "password" && o->val && *o->val)
            has = true;
    PQconninfoFree(options);
    return has;
}

ServerStock::ServerStock(std::string conninfo) : conninfo_(std::move(conninfo))
{
    if (conninfoHasPassword(conninfo_)) {
        error_ = cp1251("В строке server= файла Vosk.conf есть пароль: там он виден всем. Уберите его оттуда и "
                        "запишите в ~/.pgpass (или в файл служб ~/.pg_service.conf).");
        return;
    }
    connection_ = std::make_unique<Connection>(conninfo_);
    if (!connection_->ok()) {
        error_ = connection_->error();
        return;
    }
    const auto version = schemaVersion(*connection_);
    if (!version) {
        error_ = connection_->error();
        return;
    }
    if (*version != schemaVersionWanted()) {
        error_ = *version == 0 ? cp1251("В базе нет склада: voskbase-cli db init, затем voskbase-cli db import.")
                 : *version < schemaVersionWanted()
                     ? cp1251("Схема базы старее этой программы: voskbase-cli db upgrade.")
                     : cp1251("Схема базы новее этой программы: обновите программу.");
        return;
    }
    // A role that may only read (see the README's roles) opens the stock for viewing.
    PGresult *r = PQexec(connection_->raw(), "SELECT has_table_privilege('main_line', 'UPDATE') "
                                             "AND has_table_privilege('main_line', 'INSERT') "
                                             "AND has_table_privilege('main_line', 'DELETE')");
    // Every change of the stock is announced (see changeRecord); this one hears the others'.
    if (!connection_->command("LISTEN voskbase_stock")) {
        error_ = connection_->error();
        PQclear(r);
        return;
    }
    readOnly_ = !(PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1 && PQgetvalue(r, 0, 0)[0] == 't');
    PQclear(r);
    ready_ = true;
}

ServerStock::~ServerStock() = default;

std::string ServerStock::storeName() const
{
    std::string where;
    if (connection_ && connection_->ok()) {
        const char *db = PQdb(connection_->raw());
        const char *host = PQhost(connection_->raw());
        where = std::string(db ? db : "") + (host && *host ? std::string(" @ ") + host : std::string());
    } else {
        where = conninfo_;
    }
    return cp1251("сервер ") + cp1251FromUtf8(where).value_or(where);
}

void ServerStock::beginGroup(ChangeSource)
{
    if (depth_++ > 0 || !connection_)
        return;
    abandoned_ = !connection_->command("BEGIN");
}

bool ServerStock::endGroup()
{
    if (depth_ == 0 || --depth_ > 0 || !connection_)
        return true;
    if (abandoned_) {
        abandoned_ = false;
        return false;
    }
    // COMMIT of a transaction a failed statement aborted answers ROLLBACK: that is no success.
    PGresult *r = PQexec(connection_->raw(), "COMMIT");
    const bool committed = PQresultStatus(r) == PGRES_COMMAND_OK && std::string_view(PQcmdStatus(r)) == "COMMIT";
    PQclear(r);
    if (!committed)
        error_ = cp1251("Изменения не сохранены на сервере: ") + connection_->error();
    return committed;
}

void ServerStock::abandonGroup()
{
    if (depth_ == 0 || abandoned_ || !connection_)
        return;
    (void)connection_->command("ROLLBACK");
    abandoned_ = true;
}

StockStore::Applied ServerStock::apply(const StockKey &key, int delta)
{
    if (!connection_ || !connection_->ok())
        return {Applied::Failed, 0, cp1251("Нет связи с сервером базы данных: изменение не сделано.")};
    if (abandoned_)
        return {Applied::Failed, 0, cp1251("Изменения этой группы уже отменены на сервере.")};
    const ChangeResult r = changeRecord(*connection_, key.category, key.name, key.description, delta);
    switch (r.kind) {
    case ChangeResult::Done:
        return {Applied::Done, r.quantity, {}};
    case ChangeResult::OutOfBounds:
        return {Applied::Refused, r.quantity, {}};
    case ChangeResult::NoRecord:
        return {Applied::Refused, 0, {}};
    case ChangeResult::Failed:
        break;
    }
    return {Applied::Failed, 0, connection_->error()};
}

std::optional<StockStore::Files> ServerStock::files(std::string &message)
{
    if (!ready_) {
        message = error_;
        return std::nullopt;
    }
    const auto f = stockFiles(*connection_);
    if (!f) {
        message = connection_->error();
        return std::nullopt;
    }
    Files out{(*f)[0].value_or(""), (*f)[1].value_or(""), (*f)[2].value_or("")};
    if (!snapshot_.empty()) {
        // Best effort: a snapshot that cannot be written only leaves the last one in place.
        std::error_code ec;
        std::filesystem::create_directories(snapshot_, ec);
        const char *names[] = {"main.dat", "strings.dat", "components.lst"};
        for (size_t i = 0; i < 3; ++i)
            if ((*f)[i])
                (void)replaceFileAtomically(snapshot_ + "/" + names[i], *(*f)[i]);
    }
    return out;
}

int ServerStock::changesSocket() const { return ready_ ? PQsocket(connection_->raw()) : -1; }

bool ServerStock::connected() const { return ready_ && PQstatus(connection_->raw()) == CONNECTION_OK; }

bool ServerStock::reconnect()
{
    const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
    if (depth_ > 0 || now - lastReconnect_ < 1000)
        return false;
    lastReconnect_ = now;
    PQreset(connection_->raw());
    if (PQstatus(connection_->raw()) != CONNECTION_OK)
        return false;
    PQsetClientEncoding(connection_->raw(), "UTF8");
    return connection_->command("SET client_min_messages = warning") && connection_->command("LISTEN voskbase_stock");
}

bool ServerStock::othersChanged()
{
    if (!ready_)
        return false;
    if (!connected())
        return reconnect(); // back: whatever changed meanwhile is read again
    if (PQconsumeInput(connection_->raw()) != 1)
        return false; // lost: connected() says so now
    bool others = false;
    const int own = PQbackendPID(connection_->raw());
    while (PGnotify *n = PQnotifies(connection_->raw())) {
        others = others || n->be_pid != own;
        PQfreemem(n);
    }
    return others;
}

} // namespace vosk::server
