#include "syserror.h"

#include "cp1251.h"

#include <cerrno>
#include <cstring>

namespace vosk {
namespace {

// UTF-8 literals; converted once per message.
const char *russianReason(int err)
{
    switch (err) {
    case ENOSPC:
        return "на диске нет места";
    case EDQUOT:
        return "исчерпана дисковая квота";
    case EROFS:
        return "диск доступен только для чтения";
    case EACCES:
    case EPERM:
        return "нет прав доступа";
    case ENOENT:
        return "файл или папка не найдены";
    case ENOTDIR:
        return "в пути есть файл на месте папки";
    case EISDIR:
        return "это папка, а не файл";
    case EIO:
        return "ошибка ввода-вывода";
    case EMFILE:
    case ENFILE:
        return "открыто слишком много файлов";
    case EFBIG:
        return "файл слишком велик";
    case ENAMETOOLONG:
        return "слишком длинное имя файла";
    case ELOOP:
        return "символические ссылки указывают друг на друга";
    case EEXIST:
        return "файл уже существует";
    case EBUSY:
    case ETXTBSY:
        return "файл занят";
    case ENOMEM:
        return "не хватает памяти";
    case EAGAIN:
        return "файл временно недоступен";
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
        return "сетевой диск недоступен";
    case ENXIO:
    case ENODEV:
        return "устройство недоступно";
    default:
        return nullptr;
    }
}

} // namespace

std::string systemErrorText(int err)
{
    const char *reason = russianReason(err);
    const std::string own = reason ? cp1251(reason) : cp1251("ошибка системы, код ") + std::to_string(err);
    return own + " (" + pathForMessage(std::strerror(err)) + ")";
}

} // namespace vosk
