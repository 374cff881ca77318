#pragma once
#include "messages.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vosk::test {

// Records every message instead of showing a box; confirm() answers from a queue of
// prepared answers (OK when the queue is empty), choose() from a queue of button indexes
// (the first button when it is empty), chooseFolder() from a queue of folders (cancelled
// when it is empty).
class RecordingMessages : public Messages {
public:
    struct Entry {
        enum Kind { Inform, Error, Confirm, Choose, ChooseFolder } kind;
        std::string text;
        std::vector<std::string> buttons = {};
    };
    std::vector<Entry> entries;
    std::deque<bool> answers;
    std::deque<int> choices;
    std::deque<std::optional<std::string>> folders;

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
    int choose(const std::string &text, const std::vector<std::string> &buttons) override
    {
        entries.push_back({Entry::Choose, text, buttons});
        if (choices.empty())
            return 0;
        const int c = choices.front();
        choices.pop_front();
        return c;
    }
    std::optional<std::string> chooseFolder(const std::string &caption) override
    {
        entries.push_back({Entry::ChooseFolder, caption});
        if (folders.empty())
            return std::nullopt;
        auto f = folders.front();
        folders.pop_front();
        return f;
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
