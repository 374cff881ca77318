#include "refbook.h"

#include "cp1251.h"
#include "filebytes.h"
#include "messages.h"

#include <algorithm>

namespace vosk {

ReferenceBook::ReferenceBook(RefTables book) : book_(std::move(book)) { changed(); }

void ReferenceBook::open(std::string datapath, bool readOnly, Messages &messages)
{
    file_.open(std::move(datapath), readOnly, book_, messages);
    changed();
}

void ReferenceBook::changed() { tables_ = file_.book().merged(book_); }

std::string ReferenceBook::keyAt(int t, int line) const
{
    if (t < 1 || t > 3 || line < 0 || line >= tables_.table(t).count())
        return {};
    const auto key = linekey(tables_.table(t).line(line));
    return key ? std::string(*key) : std::string();
}

bool ReferenceBook::isOwnType(int t, int line) const { return t >= 1 && t <= 3 && line >= tables_.firstUserLine(t); }

bool ReferenceBook::isUserField(int t, int line, int k) const
{
    return k >= 1 && k <= 32 && (tables_.userFields(t, line) >> (k - 1) & 1u);
}

bool ReferenceBook::knows(std::string_view key) const
{
    for (int t = 1; t <= 3; ++t)
        for (int i = RefTables::firstRecord[t]; i < tables_.table(t).count(); ++i)
            if (linekey(tables_.table(t).line(i)) == key)
                return true;
    return false;
}

std::string ReferenceBook::setFigure(int t, std::string_view key, int k, std::string_view text)
{
    if (!changeRefusal().empty())
        return changeRefusal();
    std::string why = file_.book().setField(book_, t, key, k, text);
    if (why.empty())
        changed();
    return why;
}

std::string ReferenceBook::restoreFigure(int t, std::string_view key, int k)
{
    if (!changeRefusal().empty())
        return changeRefusal();
    file_.book().resetField(book_, t, key, k);
    changed();
    return {};
}

std::string ReferenceBook::addType(int t, std::string_view key, int drawing)
{
    if (!changeRefusal().empty())
        return changeRefusal();
    const std::string number = t != kMarking && drawing > 0 ? std::to_string(drawing) : std::string();
    std::string why = file_.book().addType(book_, t, key, number);
    if (why.empty())
        changed();
    return why;
}

std::string ReferenceBook::removeType(int t, std::string_view key)
{
    if (!changeRefusal().empty())
        return changeRefusal();
    if (file_.book().removeType(t, key))
        changed();
    return {};
}

BookNote ReferenceBook::exportCheck() const
{
    if (!user().exportBytes().empty())
        return {};
    return {BookNote::Kind::Inform, cp1251("Своих данных в справочнике пока нет: сохранять нечего.")};
}

BookNote ReferenceBook::exportTo(const std::string &path) const
{
    if (BookNote nothing = exportCheck(); nothing.kind != BookNote::Kind::None)
        return nothing;
    const std::string bytes = user().exportBytes();
    const WriteResult written = replaceFileAtomically(path, bytes);
    if (!written)
        return {BookNote::Kind::Error, cp1251("Не удалось записать файл ") + pathForMessage(path) + ": " + written.reason};
    const auto count = std::count(bytes.begin(), bytes.end(), '\n');
    return {BookNote::Kind::Inform, cp1251("Записей сохранено: ") + std::to_string(count) + cp1251(", в файл ") +
                                        pathForMessage(path) + "."};
}

ImportOffer ReferenceBook::offerImport(const std::string &path) const
{
    ImportOffer offer;
    if (!changeRefusal().empty()) {
        offer.note = {BookNote::Kind::Error, changeRefusal()};
        return offer;
    }
    const ReadResult r = readFileBytes(path, kUserBookMax);
    if (r.status != ReadStatus::Ok) {
        offer.note = {BookNote::Kind::Error,
                      cp1251("Не удалось прочитать файл ") + pathForMessage(path) + ": " +
                          (r.status == ReadStatus::Missing ? cp1251("его нет")
                           : r.tooLarge ? cp1251("он больше ") + std::to_string(kUserBookMax >> 20) +
                                              cp1251(" МБ, а данных справочника столько не бывает; он не загружен")
                                        : r.reason)};
        return offer;
    }
    const UserBookText text = userBookText(r.bytes);
    if (text.encoding == UserBookText::Encoding::Utf8Unconvertible) {
        offer.note = {BookNote::Kind::Error, cp1251("Файл ") + pathForMessage(path) +
                                                 cp1251(" записан в кодировке UTF-8, и в его строке ") +
                                                 std::to_string(text.badLine) +
                                                 cp1251(" есть знаки, которых нет в кодировке Windows-1251: он не загружен.")};
        return offer;
    }
    offer.plan = user().planImport(text.bytes, book_);
    const std::string unread = offer.plan.unreadable ? cp1251("\rНе прочитано строк: ") +
                                                           std::to_string(offer.plan.unreadable) +
                                                           cp1251(" (они пропущены).")
                                                     : std::string();
    if (offer.plan.adds.empty() && offer.plan.changes.empty()) {
        offer.note = {BookNote::Kind::Inform,
                      cp1251("В файле ") + pathForMessage(path) + cp1251(" нет новых или изменённых записей.") + unread};
        return offer;
    }
    offer.question = cp1251("Из файла ") + pathForMessage(path) + ":" + user().describeImport(offer.plan, book_) + unread +
                     cp1251("\rЗагрузить?");
    return offer;
}

std::string ReferenceBook::applyImport(const UserImportPlan &plan)
{
    if (!changeRefusal().empty())
        return changeRefusal();
    file_.book().applyImport(plan);
    changed();
    return {};
}

bool ReferenceBook::save(Messages &messages) { return file_.save(messages); }

bool ReferenceBook::trySave(std::string &failure) { return file_.trySave(failure); }

} // namespace vosk
