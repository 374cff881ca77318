#include "closing.h"

#include "cp1251.h"
#include "datafiles.h"
#include "messages.h"

namespace vosk {

CloseDecision closeInventory(DataFolder &folder, const CompStore &store, Messages &messages)
{
    // Without changes of this run, the records may still exist only here: main.dat was
    // removed or replaced by a folder meanwhile, or another file was put in its place.
    const bool changed = folder.hasChanges(store);
    const DataFolder::MainFileNow was = changed ? DataFolder::MainFileNow::AsRead : folder.mainFileNow();
    const std::string mainName = pathForMessage(folder.pathOf("main.dat"));
    if (!changed) {
        // Nothing to lose: written back when possible (a deleted file comes back), never asked;
        // another file put in its place is written over only when the user says so (below).
        std::string failure;
        if (was != DataFolder::MainFileNow::Replaced && folder.trySave(store, failure))
            return CloseDecision::Close;
        if (was == DataFolder::MainFileNow::AsRead)
            return CloseDecision::Close; // nothing of this run would be lost: no question
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
    bool askFirst = was == DataFolder::MainFileNow::Replaced;
    for (;;) {
        std::string failure;
        if (!askFirst && folder.trySave(store, failure))
            return CloseDecision::Close;
        const std::string text = askFirst ? lead
                                 : was == DataFolder::MainFileNow::Gone
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
            messages.inform(cp1251("База сохранена в папку ") + pathForMessage(*chosen) +
                            cp1251(" (файлы main.dat, strings.dat, components.lst). Чтобы работать с ней, укажите эту "
                                   "папку в файле настроек или запускайте программу в ней."));
            return CloseDecision::Close;
        }
        case 2: {
            const int n = folder.unsavedChanges();
            const std::string lost =
                was == DataFolder::MainFileNow::Gone
                    ? cp1251("Записи базы (") + std::to_string(store.compcount) +
                          cp1251(") будут потеряны: файла main.dat больше нет.")
                : was == DataFolder::MainFileNow::Replaced
                    ? cp1251("Файл main.dat останется таким, каким его заменили.")
                : n > 0 ? cp1251("Будут потеряны изменения, сделанные после запуска программы:\u00A0") + std::to_string(n) + "."
                        : cp1251("Будут потеряны все изменения, сделанные после запуска программы.");
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
