#include "inventoryload.h"

#include <pthread.h>
#include <utility>

namespace vosk {

OpenedInventory openInventory(std::string datapath, Messages &messages)
{
    OpenedInventory out;
    out.inventory = std::make_unique<Inventory>(std::move(datapath), messages);
    out.opened = out.inventory->open();
    return out;
}

InventoryLoad::InventoryLoad(std::string datapath)
{
    result_.held = std::make_unique<HeldMessages>();
    // The thread owns nothing but its work: everything it makes is read after join().
    thread_ = std::thread([this, path = std::move(datapath)]() mutable {
        pthread_setname_np(pthread_self(), "vosk-load"); // as ps and debuggers show it
        try {
            OpenedInventory opened = openInventory(std::move(path), *result_.held);
            result_.inventory = std::move(opened.inventory);
            result_.opened = std::move(opened.opened);
        } catch (...) {
            failure_ = std::current_exception();
        }
    });
}

InventoryLoad::~InventoryLoad()
{
    if (thread_.joinable())
        thread_.join();
}

OpenedInventory InventoryLoad::take(Messages &messages)
{
    if (thread_.joinable())
        thread_.join();
    if (failure_) // as if the opening had run here: bad_alloc and the like end the program alike
        std::rethrow_exception(std::exchange(failure_, nullptr));
    result_.held->release(messages);
    return std::move(result_);
}

} // namespace vosk
