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
  list [--category N|РАЗДЕЛ] [--find ТЕКСТ] [--exact] [--value НОМИНАЛ] [--place ТЕКСТ]
       [--below-minimum] [--json|--tsv]
        записи склада: все, одного раздела (0 — всех, как в окне), с текстом в названии
        (--exact: название целиком) или с номиналом в любом написании («4,7k», «4К7»,
        «4700» — одни и те же резисторы), с текстом в месте хранения, ниже своего
        минимума; --tsv: с заголовком, --json: объект на строку
  add РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ]
        добавить детали, как кнопка «Добавить»: номинал приводится к виду склада,
        количество прибавляется к записи с тем же разделом, названием и описанием
  take [--partial] РАЗДЕЛ НАЗВАНИЕ КОЛИЧЕСТВО [ОПИСАНИЕ]
        забрать детали (без описания — из единственной записи с этим названием); если
        столько нет, ничего не забирается (код 1), а с --partial забирается, сколько есть
        take [--partial] --code КОД КОЛИЧЕСТВО: из записи с этим кодом этикетки (VB-…,
        как его вводит сканер, в любой раскладке)
  export [--all] [--excel] ФАЙЛ|-
        записи, которые показал бы list с теми же параметрами (--all: все), в CSV
        (UTF-8, заголовок category,category_name,name,quantity,description); «-» — в вывод;
        --excel: для Excel — с меткой UTF-8 (BOM) и «;»
  import [--dry-run [--json]] [--skip-refused] [--set-quantities [--zero-absent]] [--columns ПОЛЯ] ФАЙЛ|-
        добавить детали из CSV (UTF-8 или Windows-1251, «,» или «;»). Сначала проверяется
        весь файл: что добавится, что дополнится, какие строки не подходят и почему.
        --dry-run только показывает это; при отказанных строках ничего не меняется,
        если не указано --skip-refused; --json: план объектами; «-» — стандартный ввод.
        --set-quantities: инвентаризация — количество из файла заменяет количество записи
        (было -> станет); записи, которых нет в файле, остаются, а с --zero-absent обнуляются.
        --columns: поля столбцов по порядку (name, quantity, description, category,
        category_name, ignore), когда заголовок их не называет
  bom [--boards N] [--shopping ФАЙЛ [--minimums]] [--json] ФАЙЛ|-
        список деталей из KiCad (CSV): каждая деталь — зеленая (хватает), желтая (мало),
        красная (нет) или problem (строка без пригодного номинала), как в корзине;
        строки одной детали складываются. --boards: на N плат; в итоге — сколько плат
        можно собрать. --shopping: записать CSV того, что надо купить; с --minimums — и до
        минимумов (платы + минимум - склад на деталь); «-» — стандартный ввод
  check [--json]
        прочитать три файла базы и назвать нечитаемые строки с их номерами; ничего не пишет
  shopping ФАЙЛ|-
        список покупок до минимума (CSV, как «Список покупок…» в окне): что докупить
        записям, в которых деталей меньше их минимума
  places [--rename СТАРОЕ НОВОЕ]
        места хранения, заданные записям, и число записей в каждом (место, табуляция,
        число; по порядку, в котором «ящик 2» идет перед «ящик 10»); --rename: переименовать
        место у всех его записей сразу (на место, которое уже есть, — объединить их)
  history [--since ДАТА] [--find ТЕКСТ] [--json]
        история изменений (history.dat), новые первыми: номер, время, ±количество, запись,
        сколько осталось, откуда, примечание; --since ГГГГ-ММ-ДД: с этой даты, --find: текст
        в названии, описании или примечании
  undo [--group] НОМЕР
        отменить изменение с этим номером из истории (--group: весь его шаг — выдачу,
        импорт, перевод) обратным изменением по тем же правилам; отказ, если деталей уже нет
  add, take и import принимают --note ТЕКСТ — примечание в историю (для чего); у импорта
  без него примечанием становится имя файла
  db КОМАНДА ...
        склад на сервере PostgreSQL (init, upgrade, import, export, add, take): db --help

Параметры:
  --folder ПАПКА   папка базы; без него — из /etc/xdg/Ferrowind/Vosk.conf (path=),
                   а без этого файла — текущая папка, как у программы
  -h, --help       эта справка (на английском — при LANG не ru_*); КОМАНДА --help — одной команды
  --version        версия

Данные идут в стандартный вывод, сообщения и итоги — в стандартный поток ошибок.

Коды выхода: 0 — выполнено (bom: всего хватает); 1 — отказ, чего-то не хватает или есть
неверные строки; 2 — неверные параметры или файл не читается.
Пока программа открыта с этой папкой (voskbase.lock) или в папке есть непустой журнал
main.jnl (программа закрылась не как следует — запустите ее снова), add, take, import и
places --rename ничего не записывают; list, export, bom и check учитывают изменения из журнала (в памяти).
)";
    return R"(voskbase-cli — the Voskbase parts stock from a terminal

Usage: voskbase-cli [--folder DIR] COMMAND [OPTIONS]

Commands:
  list [--category N|NAME] [--find TEXT] [--exact] [--value VALUE] [--place TEXT]
       [--below-minimum] [--json|--tsv]
        records: all, of one category (0: all, as in the window), with TEXT in the name
        (--exact: the whole name), holding a value whatever its spelling («4,7k», «4К7»,
        «4700»: the same resistors), with TEXT in their place, below their minimum; --tsv:
        with a header, --json: an object a line
  add CATEGORY NAME QTY [DESCRIPTION]
        add parts as the "Добавить" button does: values are written as the stock writes
        them, the quantity is added to the record of the same category, name, description
  take [--partial] CATEGORY NAME QTY [DESCRIPTION]
        take parts away (without a description: from the only record with that name); when
        there are fewer, nothing is taken (exit 1); --partial takes what there is
        take [--partial] --code CODE QTY: from the record of a label's code (VB-..., as a
        scanner types it, in either keyboard layout)
  export [--all] [--excel] FILE|-
        the records list would show with the same options (--all: every record) as CSV
        (UTF-8, header category,category_name,name,quantity,description); "-" is stdout;
        --excel: for Excel, with the UTF-8 byte order mark and ";"
  import [--dry-run [--json]] [--skip-refused] [--set-quantities [--zero-absent]] [--columns FIELDS] FILE|-
        add parts from CSV (UTF-8 or Windows-1251, "," or ";"). The whole file is checked
        first: what is added, what is merged, which rows are refused and why. --dry-run only
        shows that; with refused rows nothing changes unless --skip-refused is given;
        --json: the plan as objects; "-" is the standard input. --set-quantities: a
        stocktake, each row's quantity replaces its record's (before -> after); records the
        file lacks stay as they are, with --zero-absent they are emptied. --columns: the
        fields of the columns in order (name, quantity, description, category,
        category_name, ignore) when the header does not name them
  bom [--boards N] [--shopping FILE [--minimums]] [--json] FILE|-
        a KiCad bill of materials (CSV) against the stock: every part green (enough), yellow
        (too few), red (none) or problem (a row without a usable value), as in the bin;
        rows of one part are summed. --boards: for N boards; the summary says how many
        boards can be built. --shopping: write CSV of what to buy; with --minimums also up
        to the minimums (boards + minimum - stock a part); "-" is the standard input
  check [--json]
        read the three data files and name unreadable lines by number; never writes
  shopping FILE|-
        the shopping list up to the minimums (CSV, as the window's «Список покупок…»): what
        to buy for the records holding fewer parts than their minimum
  places [--rename OLD NEW]
        the places records are kept in and how many records each holds (place, a tab, the
        number; «ящик 2» before «ящик 10»); --rename: rename a place on all its records at
        once (onto a place already in use: the two become one)
  history [--since DATE] [--find TEXT] [--json]
        the history of changes (history.dat), newest first: number, time, ±amount, record,
        quantity after, source, note; --since YYYY-MM-DD: from that date, --find: text in
        the name, description or note
  undo [--group] NUMBER
        take back the change with this number of the history (--group: its whole step, a
        pass, an import, a move) by the inverse change through the same rules; refused when
        the parts are no longer there
  add, take and import take --note TEXT, a note for the history (what for); an import
  without one is noted with its file name
  db COMMAND ...
        the stock on a PostgreSQL server (init, upgrade, import, export, add, take): db --help

Options:
  --folder DIR     the installation folder; without it the one in
                   /etc/xdg/Ferrowind/Vosk.conf (path=), without that file the current folder
  -h, --help       this help (in Russian with LANG=ru_*); COMMAND --help: one command's
  --version        the version

Data goes to the standard output, messages and summaries to the standard error.

Exit status: 0 done (bom: everything in stock); 1 refused, something short or bad rows;
2 bad arguments or an unreadable file.
While the program has the folder open (voskbase.lock), or a non-empty journal main.jnl lies
there (the program did not close normally: start it again first), add, take, import and
places --rename write nothing; list, export, bom and check apply the journal's changes (in memory).
)";
}

} // namespace vosk::cli
