// voskbase-cli db ...: the stock on a PostgreSQL server.
#include "dbcommands.h"

#include "cp1251.h"
#include "serverstore.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vosk::cli {

namespace {

void say(FILE *to, const std::string &cp) { std::fprintf(to, "%s\n", utf8From1251(cp).c_str()); }
std::string t(const char *utf8) { return cp1251(utf8); }

int usage(const char *utf8)
{
    std::fprintf(stderr, "voskbase-cli db: %s\n", utf8);
    std::fputs("Справка: voskbase-cli db --help\n", stderr);
    return 2;
}

const char kHelp[] = R"(voskbase-cli db КОМАНДА [--server СТРОКА] [...]: склад на сервере PostgreSQL.
  db init                     создать схему склада в пустой базе
  db upgrade                  довести схему до версии этой программы
  db import --folder ПАПКА    main.dat, strings.dat, components.lst папки — в пустую базу
  db export --folder ПАПКА    три файла из базы — в папку без файлов базы
  db add ЗАПИСЬ КОЛИЧЕСТВО    прибавить к количеству записи (номер её строки в main.dat)
  db take ЗАПИСЬ КОЛИЧЕСТВО   взять из записи
--server: строка подключения libpq или служба («service=voskbase»); без неё — PGHOST,
PGDATABASE, PGSERVICE и прочие переменные libpq. Пароль — только в ~/.pgpass или PGPASSWORD.
)";

std::optional<long> number(const std::string &s, long lo, long hi)
{
    if (s.empty() || s.size() > 9)
        return std::nullopt;
    size_t at = s[0] == '-' ? 1 : 0;
    if (at == s.size())
        return std::nullopt;
    for (size_t i = at; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return std::nullopt;
    const long v = std::stol(s);
    return v >= lo && v <= hi ? std::optional<long>(v) : std::nullopt;
}

std::string counts(const server::FolderCounts &n)
{
    return t("записей: ") + std::to_string(n.records) + t(", нечитаемых строк сохранено: ") +
        std::to_string(n.keptLines) + t(", разделов: ") + std::to_string(n.categories) + t(", строк словаря: ") +
        std::to_string(n.dictionaryLines);
}

} // namespace

int dbCommand(int argc, char **argv)
{
    std::string command, conninfo, folder;
    bool hasFolder = false;
    std::vector<std::string> operands;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--server" || a == "--folder") {
            if (i + 1 == argc)
                return usage(a == "--server" ? "после «--server» нужно значение." : "после «--folder» нужно значение.");
            (a == "--server" ? conninfo : folder) = argv[++i];
            hasFolder = hasFolder || a == "--folder";
        } else if (a.size() > 1 && a[0] == '-' && !number(a, -65535, 0)) {
            return usage(("нет параметра «" + a + "».").c_str());
        } else if (command.empty()) {
            command = a;
        } else {
            operands.push_back(a);
        }
    }
    const bool folderCommand = command == "import" || command == "export";
    const bool changeCommand = command == "add" || command == "take";
    if (!folderCommand && !changeCommand && command != "init" && command != "upgrade")
        return usage(command.empty() ? "нужна команда: init, upgrade, import, export, add или take."
                                     : ("нет команды «" + command + "».").c_str());
    if (folderCommand != hasFolder)
        return usage(folderCommand ? "нужна папка: --folder ПАПКА." : "--folder только для import и export.");
    if (operands.size() != (changeCommand ? 2u : 0u))
        return usage(changeCommand ? "нужны ЗАПИСЬ и КОЛИЧЕСТВО." : "лишние аргументы.");

    server::Connection c(conninfo);
    if (!c.ok()) {
        say(stderr, c.error());
        return 1;
    }
    if (command == "init" || command == "upgrade") {
        const auto before = server::schemaVersion(c);
        const bool done = before && (command == "init" ? server::initSchema(c) : server::upgradeSchema(c).has_value());
        if (!done) {
            say(stderr, c.error());
            return 1;
        }
        say(stdout,
            t("Схема склада: версия ") + std::to_string(server::schemaVersionWanted()) +
                (*before == server::schemaVersionWanted() ? t(" (уже была).")
                                                          : t(" (была ") + std::to_string(*before) + ")."));
        return 0;
    }
    if (folderCommand) {
        const auto n = command == "import" ? server::importFolder(c, folder) : server::exportFolder(c, folder);
        if (!n) {
            say(stderr, c.error());
            return 1;
        }
        say(stdout, (command == "import" ? t("В базу: ") : t("В папку: ")) + counts(*n) + ".");
        return 0;
    }
    const auto record = number(operands[0], 1, 1L << 30);
    const auto qty = number(operands[1], 1, 65535);
    if (!record)
        return usage("ЗАПИСЬ — номер строки записи в main.dat, от 1.");
    if (!qty)
        return usage("КОЛИЧЕСТВО — целое от 1 до 65535.");
    const int delta = int(command == "take" ? -*qty : *qty);
    const server::ChangeResult r = server::changeQuantity(c, *record, delta);
    switch (r.kind) {
    case server::ChangeResult::Done:
        say(stdout, t("Осталось: ") + std::to_string(r.quantity) + ".");
        return 0;
    case server::ChangeResult::OutOfBounds:
        say(stderr,
            delta < 0 ? t("Уже взяли: осталось ") + std::to_string(r.quantity) + "."
                      : t("Больше 65535 не бывает: сейчас ") + std::to_string(r.quantity) + ".");
        return 1;
    case server::ChangeResult::NoRecord:
        say(stderr, t("Нет записи в строке ") + std::to_string(*record) + ".");
        return 1;
    case server::ChangeResult::Failed:
        break;
    }
    say(stderr, c.error());
    return 1;
}

} // namespace vosk::cli
