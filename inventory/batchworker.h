#pragma once
// A batch (an import's plan, an import, an export) running in a thread of its own (see
// Tbase::runBatch).
#include "params.h"

#include <QTimer>
#include <QWidget>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace vosk {

struct Tbase::BatchWorker {
    // How far the work got, for the status bar's progress bar (no total: it only moves).
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    bool changesStore = false;
    std::function<void()> finish;
    std::exception_ptr failure;
    std::thread thread;
    QTimer progress;
    // The controls disabled meanwhile, with the state and tooltip they get back.
    struct Held {
        QWidget *widget = nullptr;
        bool enabled = true;
        QString tip;
    };
    std::vector<Held> held;

    Inventory::BatchProgress reporter()
    {
        return [this](std::size_t doneNow, std::size_t all) {
            total = all;
            done = doneNow;
        };
    }
    ~BatchWorker()
    {
        if (thread.joinable())
            thread.join();
    }
};

} // namespace vosk
