#pragma once
#include "params.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <QString>
#include <memory>
#include <string>

class QWidget;

namespace vosk::test {

// An installation folder with ten categories (1-3 resistors, 4-7 capacitors, 8 diodes,
// 9 transistors, 10 the rest), a dictionary that recognises them, and the window on it.
struct WindowFixture {
    TempFolder dir;
    RecordingMessages messages;
    std::unique_ptr<Tbase> base;

    // Records as "category|name|quantity|description" lines (UTF-8).
    explicit WindowFixture(const std::string &records = {}, bool withCategories = true);
    void open();

    // Message texts shown so far, as UTF-8, and forgets them.
    std::vector<std::string> takeMessages();
    // A record of the store as "category|name|quantity|description" (UTF-8).
    std::string record(int slot) const;
    std::vector<std::string> records() const;
    std::vector<std::string> listNames() const;
};

// Types text into a widget one character at a time (Qt 6.4 refuses non-ASCII keyClicks).
void typeText(QWidget *w, const QString &text);
QString u(const char *utf8);

} // namespace vosk::test
