#pragma once
#include "messages.h"

#include <deque>
#include <string>
#include <vector>

namespace vosk::test {

// Records every message instead of showing a box; confirm() answers from a queue of
// prepared answers (OK when the queue is empty).
class RecordingMessages : public Messages {
public:
    struct Entry {
        enum Kind { Inform, Error, Confirm } kind;
        std::string text;
    };
    std::vector<Entry> entries;
    std::deque<bool> answers;

    void inform(const std::string &text) override { entries.push_back({Entry::Inform, text}); }
    void error(const std::string &text) override { entries.push_back({Entry::Error, text}); }
    bool confirm(const std::string &text) override
    {
        entries.push_back({Entry::Confirm, text});
        if (answers.empty())
            return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<std::string> texts(Entry::Kind kind) const
    {
        std::vector<std::string> out;
        for (const auto &e : entries)
            if (e.kind == kind)
                out.push_back(e.text);
        return out;
    }
};

} // namespace vosk::test
