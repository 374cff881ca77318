#include "datafiles.h"

#include "cp1251.h"
#include "filebytes.h"
#include "messages.h"
#include "textlines.h"

namespace vosk {
namespace {

std::string numberList(const std::vector<int> &numbers)
{
    std::string out;
    const size_t shown = std::min<size_t>(numbers.size(), 20);
    for (size_t i = 0; i < shown; ++i) {
        if (i)
            out += ", ";
        out += std::to_string(numbers[i]);
    }
    if (shown < numbers.size())
        out += ", ...";
    return out;
}

} // namespace

bool DataFolder::opendata(const std::string &name, std::string &bytes)
{
    const std::string path = pathOf(name);
    for (;;) {
        ReadResult r = readFileBytes(path);
        if (r.status == ReadStatus::Ok) {
            bytes = std::move(r.bytes);
            return true;
        }
        if (r.status == ReadStatus::Failed) {
            messages_.error(cp1251("Не удалось прочитать файл ") + pathForMessage(path) + ": " + r.reason);
            return false;
        }
        messages_.inform(cp1251("Файл с данными не найден: создаю новый файл"));
        std::string reason;
        if (!createEmptyFile(path, reason)) {
            // Someone may have created it meanwhile; read again rather than give up then.
            if (readFileBytes(path).status == ReadStatus::Missing) {
                messages_.error(cp1251("Не удалось создать файл ") + pathForMessage(path) + ": " + reason);
                return false;
            }
        }
    }
}

DataFolder::Loaded DataFolder::loadbase(CompStore &store, const std::function<void(const std::string &)> &setstatus)
{
    Loaded out;
    std::string bytes;
    store.compcount = 0;
    store.totalqty = 0;
    if (opendata("main.dat", bytes)) {
        out.report = readMainFile(bytes, store);
        if (setstatus)
            setstatus(cp1251("Количество деталей в базе: ") + std::to_string(store.totalqty));
        if (!out.report.unreadable.empty())
            messages_.error(cp1251("В файле main.dat есть строки, которые не удалось прочитать как записи: ") +
                            std::to_string(out.report.unreadable.size()) + cp1251(" (строки ") +
                            numberList(out.report.unreadable) +
                            cp1251("). Они не показаны в списке и будут сохранены в файле без изменений."));
        if (!out.report.overflow.empty())
            messages_.error(cp1251("В файле main.dat больше 65535 записей: записи со строки ") +
                            std::to_string(out.report.overflow.front()) +
                            cp1251(" не загружены и будут сохранены в файле без изменений."));
    }
    if (opendata("strings.dat", bytes))
        out.dictionary = readDictionary(bytes);
    if (opendata("components.lst", bytes))
        out.categories = splitTextLines(bytes).lines;
    return out;
}

bool DataFolder::savebase(const CompStore &store)
{
    const std::string path = pathOf("main.dat");
    std::string reason;
    if (replaceFileAtomically(path, writeMainFile(store), reason))
        return true;
    messages_.error(cp1251("Не удалось записать файл ") + pathForMessage(path) + ": " + reason +
                    cp1251("\rДанные остались в памяти; закрыть окно можно будет, когда запись станет возможной."));
    return false;
}

} // namespace vosk
