#pragma once
#include "heldmessages.h"
#include "inventory.h"

#include <exception>
#include <memory>
#include <string>
#include <thread>

namespace vosk {

// An inventory with its data files read (`Inventory::open`), and what opening it returned.
struct OpenedInventory {
    // What the inventory says when it was opened away from the window's thread; it must
    // outlive the inventory, which keeps saying things through it. Empty otherwise.
    std::unique_ptr<HeldMessages> held;
    std::unique_ptr<Inventory> inventory;
    Outcome opened;
};

// Opens the inventory of a folder here and now: its messages go straight to `messages`.
OpenedInventory openInventory(std::string datapath, Messages &messages);

// Opens the inventory of a folder on a thread of its own, so that reading a full store (the
// records, their name index and values) overlaps the making of the windows. Only for a
// folder this program may write (its lock taken); the messages of the opening are held
// until `take`.
class InventoryLoad final {
public:
    explicit InventoryLoad(std::string datapath);
    // Waits for the thread if nobody took the inventory.
    ~InventoryLoad();
    InventoryLoad(const InventoryLoad &) = delete;
    InventoryLoad &operator=(const InventoryLoad &) = delete;

    // Waits until the inventory is open, then says what the opening said to `messages`,
    // which hear everything the inventory says from now on. Once only.
    OpenedInventory take(Messages &messages);

private:
    OpenedInventory result_;
    std::exception_ptr failure_;
    std::thread thread_;
};

} // namespace vosk
