// Draws the two drawing sets of the reference book from their description table and
// writes them as GIF89a files:
//
//   vosk_drawings <catalogue.tsv> <output folder>
//
// The output is a pure function of the table: running the tool again gives the same
// bytes, which is how the committed files are checked.

#include "catalogue.h"
#include "figures.h"
#include "gifwrite.h"

#include <algorithm>
#include <exception>
#include <iostream>

namespace {

void writeSet(const std::vector<drawings::Entry> &all, const std::string &set,
              drawings::Canvas (*draw)(const drawings::Entry &), const std::string &path)
{
    const auto entries = drawings::entriesOfSet(all, set);
    if (entries.empty())
        throw std::runtime_error("no drawings of set " + set);
    std::vector<drawings::Canvas> frames;
    int screenWidth = 0;
    int screenHeight = 0;
    for (const auto &e : entries) {
        frames.push_back(draw(e));
        screenWidth = std::max(screenWidth, e.width);
        screenHeight = std::max(screenHeight, e.height);
    }
    // A quarter of a second per frame, as the sets have always carried.
    drawings::writeGif(path, screenWidth, screenHeight, frames, 25);
    std::cout << path << ": " << frames.size() << " frames, screen " << screenWidth << " x "
              << screenHeight << "\n";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " <catalogue.tsv> <output folder>\n";
        return 2;
    }
    try {
        const auto all = drawings::readCatalogue(argv[1]);
        const std::string out = argv[2];
        writeSet(all, "marking", drawings::drawMarkingFrame, out + "/marking.gif");
        writeSet(all, "package", drawings::drawPackageFrame, out + "/packages.gif");
    } catch (const std::exception &e) {
        std::cerr << argv[0] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
