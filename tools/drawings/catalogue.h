#pragma once
// The description table of the drawing sets: one row per frame, tab-separated, with a
// header row naming the columns. Either code page 1251 or UTF-8; kept as 1251 here.

#include <string>
#include <vector>

namespace drawings {

struct Entry {
    std::string set;      // "marking" or "package"
    int number = 0;       // drawing number, frame number + 1
    int width = 0;        // frame size in pixels
    int height = 0;
    std::string body;     // package kind in words
    double bodyLength = 0; // millimetres
    double bodyDiameter = 0;
    double leadLength = 0;
    double leadDiameter = 0;
    std::string marks;    // marks and their places in words
    std::string caption;
    int line = 0;         // row in the file, for messages
};

// Throws std::runtime_error naming the file and line on anything malformed.
std::vector<Entry> readCatalogue(const std::string &path);

// The rows of one set, checked to run 1, 2, ... without gaps and sorted by number.
std::vector<Entry> entriesOfSet(const std::vector<Entry> &all, const std::string &set);

} // namespace drawings
