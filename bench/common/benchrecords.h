#pragma once
// The records the comparisons run on, the same for every benchmark and every run (fixed
// seed): resistors mostly in category 2 and capacitors in 5 by E24 values («4,7К», «47k»,
// «470е», «100нф»), a few in the other value categories, the rest semiconductors and chips by
// type name («КТ315Б», «К155ЛА3») in 8..15; descriptions such as «керамический, коробка 12».
#include "compstore.h"

#include <random>
#include <string>

namespace vosk::bench {

// An E24 value in one of the ways users write it («4,7К», «47k», «470е», «100нф»), code page 1251.
std::string valueName(std::mt19937 &rng, bool capacitor);

void makeStore(CompStore &store, int records);

} // namespace vosk::bench
