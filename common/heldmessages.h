#pragma once
#include "messages.h"

#include <string>
#include <vector>

namespace vosk {

// Messages said where no box can be shown yet (the data files read on a second thread while
// the windows are made): kept in order until `release`, which says them to the real
// messages, and from then on everything is passed straight on.
class HeldMessages final : public Messages {
public:
    // Says what was kept to `to`, in the order it was said; `to` hears everything after.
    // Call it on the thread that may show boxes, once the holding thread has finished.
    void release(Messages &to);

    void inform(const std::string &text) override;
    void error(const std::string &text) override;
    // Nobody can answer before the release: a question then gets the answer of a user who
    // cancels (false, the last button, no folder). Reading the data files asks nothing.
    bool confirm(const std::string &text) override;
    int choose(const std::string &text, const std::vector<std::string> &buttons) override;
    std::optional<std::string> chooseFolder(const std::string &caption) override;

private:
    struct Kept {
        bool isError = false;
        std::string text;
    };
    std::vector<Kept> kept_;
    Messages *to_ = nullptr;
};

} // namespace vosk
