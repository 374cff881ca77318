// Draws the two drawing sets of the reference book from their description table and
// writes them as GIF89a files:
//
//   vosk_drawings <catalogue.tsv> <marking.txt> <output folder>
//
// The catalogue gives each frame's size and package, the reference book's marking table
// the marks of the marking set (a drawing whose marks are all unknown gets a column with the
// words «маркировка неизвестна» beside it, and is wider than its catalogue size). The output is a pure function of the two tables: running
// the tool again gives the same bytes, which is how the committed files are checked.

#include "catalogue.h"
#include "figures.h"
#include "gifwrite.h"
#include "markingtable.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <iostream>

namespace {

void writeSet(const std::vector<drawings::Entry> &all, const std::string &set,
              const std::function<drawings::Canvas(const drawings::Entry &)> &draw, const std::string &path)
{
    const auto entries = drawings::entriesOfSet(all, set);
    if (entries.empty())
        throw std::runtime_error("no drawings of set " + set);
    std::vector<drawings::Canvas> frames;
    int screenWidth = 0;
    int screenHeight = 0;
    for (const auto &e : entries) {
        frames.push_back(draw(e));
        // A frame may be wider than its entry (the words beside a drawing of unknown marks).
        screenWidth = std::max(screenWidth, frames.back().width());
        screenHeight = std::max(screenHeight, frames.back().height());
    }
    // A quarter of a second per frame, as the sets have always carried.
    drawings::writeGif(path, screenWidth, screenHeight, frames, 25);
    std::cout << path << ": " << frames.size() << " frames, screen " << screenWidth << " x "
              << screenHeight << "\n";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::cerr << "usage: " << argv[0] << " <catalogue.tsv> <marking.txt> <output folder>\n";
        return 2;
    }
    try {
        const auto all = drawings::readCatalogue(argv[1]);
        const auto marks = drawings::marksByDrawing(drawings::readMarkingTable(argv[2]));
        const std::string out = argv[3];
        const auto markingFrame = [&marks](const drawings::Entry &e) {
            // A drawing no record names has no marks anyone knows.
            const auto it = marks.find(e.number);
            return drawings::drawMarkingFrame(e, it == marks.end() ? drawings::TableMarks{} : it->second);
        };
        if (!marks.empty() && marks.rbegin()->first > static_cast<int>(drawings::entriesOfSet(all, "marking").size()))
            throw std::runtime_error("the marking table names drawing " + std::to_string(marks.rbegin()->first)
                                     + ", which the description table lacks");
        writeSet(all, "marking", markingFrame, out + "/marking.gif");
        writeSet(all, "package", drawings::drawPackageFrame, out + "/packages.gif");
    } catch (const std::exception &e) {
        std::cerr << argv[0] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
