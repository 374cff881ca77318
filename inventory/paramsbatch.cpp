// params (`Tbase`): batches too long for the window thread (an import's plan, an import or
// stocktake, an export) run in a worker; the window keeps repainting and answering, and the
// controls that would read or change the store wait, disabled, until the batch is done.
#include "params.h"

#include "batchworker.h"
#include "controls.h"
#include "inventorylist.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>

namespace vosk {

void Tbase::runBatch(const QString &what, bool away, bool changesStore, std::function<void(BatchWorker &)> work,
                     std::function<void()> finish)
{
    if (!away) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        BatchWorker here;
        work(here);
        QApplication::restoreOverrideCursor();
        finish();
        return;
    }
    cancelSort(); // it reads the list and the store too
    auto worker = std::make_unique<BatchWorker>();
    worker->changesStore = changesStore;
    worker->finish = std::move(finish);
    BatchWorker *w = worker.get();
    batch_ = std::move(worker);
    if (changesStore)
        listModel_->hold();
    holdControls(tr8("Подождите: идет %1.").arg(what));
    QApplication::setOverrideCursor(Qt::BusyCursor);
    statusPanel_->setText(what.left(1).toUpper() + what.mid(1) + QStringLiteral("…"));
    batchProgress_->setRange(0, 0); // moving, until the work says how much there is
    batchProgress_->show();
    w->progress.setInterval(40);
    connect(&w->progress, &QTimer::timeout, this, [this, w] {
        const std::size_t total = w->total;
        if (total == 0)
            return;
        batchProgress_->setRange(0, static_cast<int>(std::min<std::size_t>(total, INT32_MAX)));
        batchProgress_->setValue(static_cast<int>(std::min<std::size_t>(w->done, total)));
    });
    w->progress.start();
    // Nothing else reads or changes the store meanwhile: its controls are disabled, the list
    // shows its copy, and closing waits for the batch.
    w->thread = std::thread([this, w, work = std::move(work)] {
        try {
            work(*w);
        } catch (...) {
            w->failure = std::current_exception();
        }
        QMetaObject::invokeMethod(this, [this] { batchFinished(); }, Qt::QueuedConnection);
    });
}

void Tbase::batchFinished()
{
    if (!batch_)
        return;
    batch_->thread.join();
    batch_->progress.stop();
    batchProgress_->hide();
    QApplication::restoreOverrideCursor();
    releaseControls();
    std::unique_ptr<BatchWorker> w = std::move(batch_);
    // The rows are the store's again; what the batch returns says how the list changed.
    listModel_->release();
    if (w->failure) {
        listModel_->reset();
        std::rethrow_exception(w->failure);
    }
    std::function<void()> finish = std::move(w->finish);
    const bool changed = w->changesStore;
    w.reset();
    // A batch that only read has nothing to show once the window closes.
    if (!closing_ || changed)
        finish();
}

void Tbase::holdControls(const QString &reason)
{
    // The controls above the list and every page; the list itself still scrolls.
    QWidget *const around[] = {resetparams, res, ComboBox, getparams, takecomp, take, pagecontrol};
    // The actions that change the store say why they wait.
    QWidget *const changing[] = {add, movecomp, binadd, findlist, resetlist, removecomp, loadbom, boards, findit};
    std::vector<BatchWorker::Held> &held = batch_->held;
    for (QWidget *c : around)
        held.push_back({c, c->isEnabled(), c->toolTip()});
    for (QWidget *c : changing)
        held.push_back({c, c->isEnabled(), c->toolTip()});
    for (QWidget *c : around) {
        c->setEnabled(false);
        c->setToolTip(reason);
    }
    for (QWidget *c : changing) {
        c->setEnabled(false);
        c->setToolTip(reason);
    }
}

void Tbase::releaseControls()
{
    for (const BatchWorker::Held &h : batch_->held) {
        h.widget->setEnabled(h.enabled);
        h.widget->setToolTip(h.tip);
    }
    batch_->held.clear();
}

} // namespace vosk
