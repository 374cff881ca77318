#pragma once
#include "compstore.h"

namespace vosk {

class DataFolder;
class Messages;

enum class CloseDecision { Close, StayOpen };

// What closing the inventory window does with the store. Nothing changed since the start
// (or a read-only folder): it closes without asking (main.dat is written back when that is
// possible, never in a read-only folder) — unless main.dat is no longer the file it read:
// when one that went cannot be written again (a folder in its place), or another file took
// its place, the user chooses as below. Otherwise main.dat
// is saved; when that is impossible (a missing or read-only folder, a full disk) the user
// chooses: «Повторить», «Сохранить в другую папку…» (all three files go to a folder chosen
// in a dialog, and the user is told where), «Закрыть без сохранения» (told how many changes
// are lost, asked again; the journal goes too) or «Отмена» (the window stays open).
CloseDecision closeInventory(DataFolder &folder, const CompStore &store, Messages &messages);

} // namespace vosk
