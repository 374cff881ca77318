#include "heldmessages.h"

#include <utility>

namespace vosk {

void HeldMessages::release(Messages &to)
{
    // A message box runs an event loop: whatever is said while one is up is kept too, and
    // said after the ones before it.
    while (!kept_.empty()) {
        const std::vector<Kept> batch = std::exchange(kept_, {});
        for (const Kept &k : batch) {
            if (k.isError)
                to.error(k.text);
            else
                to.inform(k.text);
        }
    }
    to_ = &to;
}

void HeldMessages::inform(const std::string &text)
{
    if (to_)
        to_->inform(text);
    else
        kept_.push_back({false, text});
}

void HeldMessages::error(const std::string &text)
{
    if (to_)
        to_->error(text);
    else
        kept_.push_back({true, text});
}

bool HeldMessages::confirm(const std::string &text) { return to_ && to_->confirm(text); }

int HeldMessages::choose(const std::string &text, const std::vector<std::string> &buttons)
{
    if (to_)
        return to_->choose(text, buttons);
    return buttons.empty() ? -1 : static_cast<int>(buttons.size()) - 1;
}

std::optional<std::string> HeldMessages::chooseFolder(const std::string &caption)
{
    return to_ ? to_->chooseFolder(caption) : std::nullopt;
}

} // namespace vosk
