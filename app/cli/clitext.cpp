#include "clitext.h"

#include <cstdlib>
#include <string_view>

namespace vosk::cli {

bool russianLocale()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *v = std::getenv(name);
        if (v && *v)
            return std::string_view(v).substr(0, 2) == "ru";
    }
    return false;
}

std::string helpText(bool russian)
{
    if (russian)
        return R"(voskbase-cli — склад деталей Voskbase из терминала

Использование: voskbase-cli [--folder ПАПКА] КОМАНДА [ПАРАМЕТРЫ]

Команды:
  list [--category N|РАЗДЕЛ] [--find ТЕКСТ] [--exact] [--value НОМИНАЛ]
        записи склада: все, одного раздела (0 — всех, как в окне), с текстом в названии
        (--exact: название целиком) или с номиналом в любом написании («4,7k», «4К7»,
        «4700» — одни и те же резисторы)
  add РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ]
        добавить детали, как кнопка «Добавить»: номинал приводится к виду склада,
        количество прибавляется к записи с тем же разделом, названием и описанием
  take РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ]
        забрать детали (без описания — из единственной записи с этим названием)
  export [--all] ФАЙЛ|-
        записи, которые показал бы list с теми же параметрами (--all: все), в CSV
        (UTF-8, заголовок category,category_name,name,quantity,description); «-» — в вывод
  import [--dry-run] [--skip-refused] ФАЙЛ
        добавить детали из CSV (UTF-8 или Windows-1251, «,» или «;»). Сначала проверяется
        весь файл: что добавится, что дополнится, какие строки не подходят и почему.
        --dry-run только показывает это; при отказанных строках ничего не меняется,
        если не указано --skip-refused
  bom [--boards N] [--shopping ФАЙЛ] ФАЙЛ
        список деталей из KiCad (CSV): каждая деталь — зеленая (хватает), желтая (мало),
        красная (нет) или problem (строка без пригодного номинала), как в корзине;
        строки одной детали складываются. --boards: на N плат; в итоге — сколько плат
        можно собрать. --shopping: записать CSV того, что надо купить
  check
        прочитать три файла базы и назвать нечитаемые строки с их номерами; ничего не пишет

Параметры:
  --folder ПАПКА   папка базы; без него — из /etc/xdg/Ferrowind/Vosk.conf (path=),
                   а без этого файла — текущая папка, как у программы
  -h, --help       эта справка (на английском — при LANG не ru_*)

Коды выхода: 0 — выполнено (bom: всего хватает); 1 — отказ, чего-то не хватает или есть
неверные строки; 2 — неверные параметры или файл не читается.
Пока программа открыта с этой папкой (voskbase.lock) или в папке есть непустой журнал
main.jnl (программа закрылась не как следует — запустите ее снова), add, take и import
ничего не записывают.
)";
    return R"(voskbase-cli — the Voskbase parts stock from a terminal

Usage: voskbase-cli [--folder DIR] COMMAND [OPTIONS]

Commands:
  list [--category N|NAME] [--find TEXT] [--exact] [--value VALUE]
        records: all, of one category (0: all, as in the window), with TEXT in the name
        (--exact: the whole name), or holding a value whatever its spelling («4,7k», «4К7»,
        «4700»: the same resistors)
  add CATEGORY NAME QTY [DESCRIPTION]
        add parts as the "Добавить" button does: values are written as the stock writes
        them, the quantity is added to the record of the same category, name, description
  take CATEGORY NAME QTY [DESCRIPTION]
        take parts away (without a description: from the only record with that name)
  export [--all] FILE|-
        the records list would show with the same options (--all: every record) as CSV
        (UTF-8, header category,category_name,name,quantity,description); "-" is stdout
  import [--dry-run] [--skip-refused] FILE
        add parts from CSV (UTF-8 or Windows-1251, "," or ";"). The whole file is checked
        first: what is added, what is merged, which rows are refused and why. --dry-run only
        shows that; with refused rows nothing changes unless --skip-refused is given
  bom [--boards N] [--shopping FILE] FILE
        a KiCad bill of materials (CSV) against the stock: every part green (enough), yellow
        (too few), red (none) or problem (a row without a usable value), as in the bin;
        rows of one part are summed. --boards: for N boards; the summary says how many
        boards can be built. --shopping: write CSV of what to buy
  check
        read the three data files and name unreadable lines by number; never writes

Options:
  --folder DIR     the installation folder; without it the one in
                   /etc/xdg/Ferrowind/Vosk.conf (path=), without that file the current folder
  -h, --help       this help (in Russian with LANG=ru_*)

Exit status: 0 done (bom: everything in stock); 1 refused, something short or bad rows;
2 bad arguments or an unreadable file.
While the program has the folder open (voskbase.lock), or a non-empty journal main.jnl lies
there (the program did not close normally: start it again first), add, take and import write
nothing.
)";
}

} // namespace vosk::cli
