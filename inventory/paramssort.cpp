// params (`Tbase`): orderings too long for the window thread, run in a worker on a copy of
// the list; the window keeps repainting and answering meanwhile.
#include "params.h"

#include "controls.h"
#include "cp1251.h"
#include "sortworker.h"

#include <QApplication>
#include <QLabel>

namespace vosk {

void Tbase::startSort(ListColumn column)
{
    cancelSort();
    auto worker = std::make_unique<SortWorker>();
    worker->job = inventory_->sortJob(column);
    SortWorker *w = worker.get();
    sortWorker_ = std::move(worker);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    setstatus(cp1251("Сортировка..."));
    w->progress.setInterval(40);
    connect(&w->progress, &QTimer::timeout, this, [this, w] {
        const std::size_t needed = w->needed;
        if (needed > 0)
            statusPanel_->setText(tr8("Сортировка: проходов %1 из %2").arg(w->done.load()).arg(needed));
    });
    w->progress.start();
    // The worker only reads the store and its indexes; every change goes through changing(),
    // which stops it first.
    w->thread = std::thread([this, w] {
        SortControl control;
        control.cancel = &w->cancel;
        control.progress = [w](std::size_t done, std::size_t needed) {
            w->done = done;
            w->needed = needed;
        };
        inventory_->runSortJob(w->job, &control);
        QMetaObject::invokeMethod(
            this, [this, w] {
                if (sortWorker_.get() == w) // not stopped and replaced meanwhile
                    sortFinished();
            },
            Qt::QueuedConnection);
    });
}

void Tbase::sortFinished()
{
    std::unique_ptr<SortWorker> w = std::move(sortWorker_);
    w->thread.join();
    w->progress.stop();
    QApplication::restoreOverrideCursor();
    Inventory::SortJob job = std::move(w->job);
    w.reset();
    apply(inventory_->finishSortJob(std::move(job)), NotesAt::After);
}

void Tbase::cancelSort()
{
    if (!sortWorker_)
        return;
    sortWorker_.reset(); // stops the passes and waits for the thread
    QApplication::restoreOverrideCursor();
}

} // namespace vosk
