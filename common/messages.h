#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vosk {

// Everything the program says to the user in a box goes through this seam, so that tests
// read the words instead of facing a modal dialog. Texts are code page 1251; a line break
// inside a text is the single character 13.
class Messages {
public:
    virtual ~Messages() = default;
    // A plain message box with OK, captioned with the program's title.
    virtual void inform(const std::string &text) = 0;
    // An error box (failed file operations, the number-conversion error).
    virtual void error(const std::string &text) = 0;
    // OK and Cancel; true for OK.
    virtual bool confirm(const std::string &text) = 0;
    // A box with the named buttons, in this order; the index of the button pressed. Closing
    // the box without a button counts as the last one, so the last must be the harmless
    // choice. Without a box of its own, OK chooses the first button and Cancel the last.
    virtual int choose(const std::string &text, const std::vector<std::string> &buttons)
    {
        if (buttons.empty())
            return -1;
        return confirm(text) ? 0 : static_cast<int>(buttons.size()) - 1;
    }
    // A folder dialog with this caption: the folder chosen (a file system path), or nothing
    // when the user cancels. Without a dialog of its own, nothing is chosen.
    virtual std::optional<std::string> chooseFolder(const std::string &caption)
    {
        (void)caption;
        return std::nullopt;
    }
};

} // namespace vosk
