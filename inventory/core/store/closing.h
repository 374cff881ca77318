#pragma once
#include "compstore.h"

#include <string>
#include <vector>

namespace vosk {

class DataFolder;
class Messages;

enum class CloseDecision { Close, StayOpen };

// A file the program keeps in the installation folder beside the three data files (the
// reference book's refbook.dat), saved, copied and given up together with them. The inventory
// knows it only through this.
class FolderCompanion {
public:
    virtual ~FolderCompanion() = default;
    // Changes of this run not yet written (0: nothing would be lost).
    virtual int unsavedChanges() const = 0;
    // Writes the file in place when it needs it; true when written or nothing needed writing,
    // false with `failure` saying why.
    virtual bool save(std::string &failure) = 0;
    // Writes the file into another folder (with its trailing separator); `written` names it
    // (empty when there was nothing to write). False with `failure` saying why.
    virtual bool saveCopyTo(const std::string &folder, std::string &written, std::string &failure) = 0;
};

// What closing the inventory window does with the store. Nothing changed since the start
// (or a read-only folder): it closes without asking (main.dat is written back when that is
// possible, never in a read-only folder) — unless main.dat is no longer the file it read:
// when one that went cannot be written again (a folder in its place), or another file took
// its place, the user chooses as below. Otherwise main.dat
// is saved; when that is impossible (a missing or read-only folder, a full disk) the user
// chooses: «Повторить», «Сохранить в другую папку…» (all three files go to a folder chosen
// in a dialog, with bmp/ and txt/ copied beside them, and the user is told where),
// «Закрыть без сохранения» (told how many changes are lost, asked again; the journal goes
// too) or «Отмена» (the window stays open). A companion's file is saved with main.dat, its
// unsaved changes ask the same choices when it cannot be, it goes along to the other folder,
// and its changes are counted among those lost.
CloseDecision closeInventory(DataFolder &folder, const CompStore &store, Messages &messages,
                             FolderCompanion *companion = nullptr);

// The folder's icons and help texts (bmp/, txt/) copied into another folder (both with their
// trailing separators; empty for the current folder), whatever is there already kept.
struct FoldersCopied {
    std::vector<std::string> copied; // "bmp/", "txt/"
    std::string failure;             // what was not, and why (code page 1251); empty when all were
};
FoldersCopied copyInstallationFolders(const std::string &from, const std::string &to);

} // namespace vosk
