#include "splashopen.h"

#include "codec.h"
#include "cp1251.h"
#include "datafiles.h"
#include "splash.h"

#include <QEventLoop>
#include <QMetaObject>
#include <atomic>
#include <exception>
#include <pthread.h>
#include <thread>

namespace vosk {

std::string recoveryProgressText(int percent)
{
    return cp1251("Восстановление изменений из журнала: ") + std::to_string(percent) + " %";
}

OpenedInventory openBesideSplash(std::string datapath, Messages &messages, Tflash &splash)
{
    OpenedInventory opened;
    std::exception_ptr failure;
    QEventLoop loop;
    // The journal tells the share done at most about a hundred times. The latest share is
    // drawn by this thread, once for however many were told while it was busy, and the last
    // one before the end of the opening is.
    std::atomic<int> latest{0};
    std::atomic<bool> pending{false};
    setRecoveryProgress([&](int percent) {
        latest = percent;
        if (pending.exchange(true))
            return;
        QMetaObject::invokeMethod(
            &splash,
            [&] {
                pending = false;
                splash.showProgress(fromCp1251(recoveryProgressText(latest)));
            },
            Qt::QueuedConnection);
    });
    std::thread worker([&] {
        pthread_setname_np(pthread_self(), "vosk-recover");
        try {
            opened = openInventory(std::move(datapath), messages);
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    setRecoveryProgress(nullptr);
    if (failure) // as if the opening had run here
        std::rethrow_exception(failure);
    return opened;
}

} // namespace vosk
