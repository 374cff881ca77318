#pragma once
#include "messages.h"

class QWidget;

namespace vosk {

// Messages shown as real message boxes, captioned with the program's title. Said on another
// thread (a batch run away from the window), a box is shown by the thread of the windows
// while the caller waits for its answer.
class BoxMessages : public Messages {
public:
    explicit BoxMessages(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }
    // No boxes any more (the session is ending, or the display is gone): texts go to the
    // standard error stream, confirm() answers Cancel, choose() the last button.
    void setSilent(bool silent) { silent_ = silent; }
    void inform(const std::string &text) override;
    void error(const std::string &text) override;
    bool confirm(const std::string &text) override;
    int choose(const std::string &text, const std::vector<std::string> &buttons) override;
    std::optional<std::string> chooseFolder(const std::string &caption) override;

private:
    QWidget *parent_;
    bool silent_ = false;
};

} // namespace vosk
