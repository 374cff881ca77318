#pragma once
// An ordering of the inventory list running in a thread of its own (see Tbase::startSort).
#include "params.h"

#include <QTimer>
#include <atomic>
#include <thread>

namespace vosk {

struct Tbase::SortWorker {
    Inventory::SortJob job;
    std::atomic<bool> cancel{false};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> needed{0};
    std::thread thread;
    QTimer progress; // the status bar shows how far the passes got

    ~SortWorker()
    {
        cancel = true;
        if (thread.joinable())
            thread.join();
    }
};

} // namespace vosk
