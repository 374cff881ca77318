#pragma once

namespace vosk {

class Tbase;
class Tmain;
class TImages;
class Messages;

// The inventory window knows nothing of the reference book: what it asks for reaches the
// reference and picture windows through these connections.
void linkWindows(Tbase &base, Tmain &main, TImages &images, Messages &messages);

} // namespace vosk
