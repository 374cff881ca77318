#pragma once
// Writes a drawing set: one GIF89a file, every frame a complete picture at the top-left
// corner with its own size.

#include "canvas.h"

#include <string>
#include <vector>

namespace drawings {

// Throws std::runtime_error when the file cannot be written.
void writeGif(const std::string &path, int screenWidth, int screenHeight,
              const std::vector<Canvas> &frames, int delayHundredths);

} // namespace drawings
