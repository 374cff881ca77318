#pragma once
#include <QObject>

#include <functional>

class QSocketNotifier;

namespace vosk {

// The ends of a session that do not go through the close box: SIGTERM (logout, shutdown,
// a service manager), SIGHUP (the terminal gone), SIGINT and SIGQUIT (Ctrl+C, Ctrl+\) are
// turned into a call of `onSignal` inside the event loop (through a pipe the handler writes
// to, so nothing but write() runs in the handler). SIGXFSZ is ignored, so that a write past
// the file-size limit fails with an error the save reports, like a full disk.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    explicit SessionEnd(std::function<void(int signal)> onSignal, QObject *parent = nullptr);
    ~SessionEnd() override;

private:
    void readSignals();
    std::function<void(int)> onSignal_;
    QSocketNotifier *notifier_ = nullptr;
};

// Ignores SIGXFSZ for the whole program (done first thing at start-up).
void ignoreFileSizeSignal();

} // namespace vosk
