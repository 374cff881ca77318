#include "compstore.h"

namespace vosk {

bool CompStore::append(uint16_t cat, std::string nm, uint16_t qty, std::string desc)
{
    if (full())
        return false;
    const int slot = ++compcount;
    category[slot] = cat;
    name[slot] = std::move(nm);
    quantity[slot] = qty;
    description[slot] = std::move(desc);
    totalqty += qty;
    return true;
}

void CompStore::setQuantity(int slot, uint16_t qty)
{
    totalqty = totalqty - quantity[slot] + qty;
    quantity[slot] = qty;
}

void CompStore::movelast(int slot)
{
    category[slot] = category[compcount];
    name[slot] = name[compcount];
    quantity[slot] = quantity[compcount];
    description[slot] = description[compcount];
}

bool CompStore::dropempty()
{
    for (int s = 1; s <= compcount; ++s) {
        if (quantity[s] != 0)
            continue; // an empty record holds nothing of the total
        if (s != compcount)
            movelast(s);
        --compcount;
        return true;
    }
    return false;
}

std::string zeropad(int n) { return n < 10 ? "0" : ""; }

} // namespace vosk
