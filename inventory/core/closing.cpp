#include "closing.h"

#include "cp1251.h"
#include "datafiles.h"
#include "messages.h"

namespace vosk {

CloseDecision closeInventory(DataFolder &folder, const CompStore &store, Messages &messages)
{
    if (!folder.hasChanges(store)) {
        // Nothing to lose: written back when possible (a deleted file comes back), never asked.
        std::string failure;
        if (!folder.trySave(store, failure)) {
            // Nothing of this run would be lost: closing goes on without a question.
        }
        return CloseDecision::Close;
    }
    const std::vector<std::string> buttons = {cp1251("Повторить"), cp1251("Сохранить в другую папку…"),
                                              cp1251("Закрыть без сохранения"), cp1251("Отмена")};
    for (;;) {
        std::string failure;
        if (folder.trySave(store, failure))
            return CloseDecision::Close;
        switch (messages.choose(failure + cp1251("\rИзменения пока хранятся только в памяти программы."), buttons)) {
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
            const std::string lost = n > 0 ? cp1251("Будут потеряны изменения, сделанные после запуска программы:\u00A0") +
                                                 std::to_string(n) + "."
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
