#pragma once
#include <string>

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
};

} // namespace vosk
