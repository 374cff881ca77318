#include "closing.h"

#include "cp1251.h"
#include "datafiles.h"
#include "messages.h"
#include "syserror.h"

#include <filesystem>

namespace vosk {

namespace {

std::string withSeparator(const std::string &folder)
{
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

} // namespace

FoldersCopied copyInstallationFolders(const std::string &from, const std::string &to)
{
    namespace fs = std::filesystem;
    FoldersCopied out;
    for (const char *sub : {"bmp", "txt"}) {
        const std::string name = std::string(sub) + "/";
        const fs::path source = (from.empty() ? std::string("./") : withSeparator(from)) + sub;
        std::error_code ec;
        if (!fs::is_directory(source, ec)) {
            out.failure += (out.failure.empty() ? "" : "\r") + cp1251("Папки ") + name + cp1251(" в ") +
                           pathForMessage(from.empty() ? std::string("./") : from) + cp1251(" нет: она не скопирована.");
            continue;
        }
        const fs::path target = (to.empty() ? std::string("./") : withSeparator(to)) + sub;
        fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
        if (ec) {
            out.failure += (out.failure.empty() ? "" : "\r") + cp1251("Папка ") + name + cp1251(" скопирована не вся: ") +
                           systemErrorText(ec.value()) + ".";
            continue;
        }
        out.copied.push_back(name);
    }
    return out;
}

CloseDecision closeInventory(DataFolder &folder, const CompStore &store, Messages &messages, FolderCompanion *companion)
{
    // Without changes of this run, the records may still exist only here: main.dat was
    // removed or replaced by a folder meanwhile, or another file was put in its place.
    const bool changed = folder.hasChanges(store);
    const DataFolder::MainFileNow was = changed ? DataFolder::MainFileNow::AsRead : folder.mainFileNow();
    const std::string mainName = pathForMessage(folder.pathOf("main.dat"));
    // main.dat still has to be written for nothing of this run to be lost.
    bool mainPending = true;
    if (!changed) {
        // Nothing to lose: written back when possible (a deleted file comes back), never asked;
        // another file put in its place is written over only when the user says so (below).
        std::string failure;
        if (was != DataFolder::MainFileNow::Replaced && folder.trySave(store, failure))
            mainPending = false;
        else if (was == DataFolder::MainFileNow::AsRead)
            mainPending = false; // nothing of this run would be lost: no question
    }
    // The companion's file is written with main.dat; it asks only when changes of its own
    // would be lost.
    const auto saveAll = [&](std::string &failure) {
        bool saved = true;
        if (mainPending) {
            if (folder.trySave(store, failure))
                mainPending = false;
            else
                saved = false;
        }
        std::string companionFailure;
        if (companion && !companion->save(companionFailure) && companion->unsavedChanges() > 0) {
            failure += (failure.empty() ? "" : "\r") + companionFailure;
            saved = false;
        }
        return saved;
    };
    if (!mainPending) {
        std::string failure;
        if (saveAll(failure))
            return CloseDecision::Close;
    }
    const std::string lead =
        was == DataFolder::MainFileNow::Gone
            ? cp1251("Файл ") + mainName + cp1251(" пропал, пока программа работала (удалён или заменён папкой). ")
        : was == DataFolder::MainFileNow::Replaced
            ? cp1251("Файл ") + mainName +
                  cp1251(" заменён другим, пока программа работала. «Повторить» запишет в него записи, показанные "
                         "программой; «Закрыть без сохранения» оставит новый файл как есть.")
            : std::string();
    const std::vector<std::string> buttons = {cp1251("Повторить"), cp1251("Сохранить в другую папку…"),
                                              cp1251("Закрыть без сохранения"), cp1251("Отмена")};
    // A replaced file is written over only when the user says so.
    bool askFirst = mainPending && was == DataFolder::MainFileNow::Replaced;
    for (;;) {
        std::string failure;
        if (!askFirst && saveAll(failure))
            return CloseDecision::Close;
        const std::string text = askFirst ? lead
                                 : mainPending && was == DataFolder::MainFileNow::Gone
                                     ? lead + failure + cp1251("\rЗаписи базы сейчас есть только в памяти программы.")
                                     : failure + cp1251("\rИзменения пока хранятся только в памяти программы.");
        askFirst = false;
        switch (messages.choose(text, buttons)) {
        case 0:
            continue;
        case 1: {
            const auto chosen = messages.chooseFolder(cp1251("Папка, в которую сохранить базу"));
            if (!chosen || !folder.saveCopyTo(*chosen, store))
                continue;
            std::string files = "main.dat, strings.dat, components.lst";
            if (companion) {
                std::string written, why;
                if (!companion->saveCopyTo(withSeparator(*chosen), written, why)) {
                    messages.error(why);
                    continue;
                }
                if (!written.empty())
                    files += ", " + written;
            }
            const FoldersCopied copies = copyInstallationFolders(folder.datapath(), withSeparator(*chosen));
            std::string folders;
            for (const std::string &name : copies.copied)
                folders += (folders.empty() ? cp1251("; папки ") : ", ") + name;
            messages.inform(cp1251("База сохранена в папку ") + pathForMessage(*chosen) + cp1251(" (файлы ") + files +
                            folders +
                            cp1251("). Чтобы работать с ней, укажите эту папку в файле настроек или запускайте "
                                   "программу в ней.") +
                            (copies.failure.empty() ? std::string() : "\r" + copies.failure));
            return CloseDecision::Close;
        }
        case 2: {
            const int n = folder.unsavedChanges();
            std::string lost =
                !mainPending ? std::string()
                : was == DataFolder::MainFileNow::Gone
                    ? cp1251("Записи базы (") + std::to_string(store.compcount) +
                          cp1251(") будут потеряны: файла main.dat больше нет.")
                : was == DataFolder::MainFileNow::Replaced
                    ? cp1251("Файл main.dat останется таким, каким его заменили.")
                : n > 0 ? cp1251("Будут потеряны изменения, сделанные после запуска программы:\u00A0") + std::to_string(n) + "."
                        : cp1251("Будут потеряны все изменения, сделанные после запуска программы.");
            if (const int own = companion ? companion->unsavedChanges() : 0; own > 0)
                lost += (lost.empty() ? "" : "\r") +
                        cp1251("Будут потеряны изменения ваших данных справочника (refbook.dat):\u00A0") +
                        std::to_string(own) + ".";
            if (!messages.confirm(lost + cp1251("\rЗакрыть без сохранения?")))
                continue;
            folder.discardChanges();
            return CloseDecision::Close;
        }
        default:
            return CloseDecision::StayOpen;
        }
    }
}

} // namespace vosk
