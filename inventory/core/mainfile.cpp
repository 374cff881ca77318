#include "mainfile.h"

#include "textlines.h"

#include <charconv>

namespace vosk {
namespace {

// A decimal number of digits only; like the 16-bit fields it lands in, it keeps the low
// 16 bits of a larger value.
bool decimal16(std::string_view text, uint16_t &out)
{
    if (text.empty())
        return false;
    uint32_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = (v * 10 + static_cast<uint32_t>(c - '0')) & 0xFFFFu;
    }
    out = static_cast<uint16_t>(v);
    return true;
}

void appendNumber(std::string &out, unsigned v)
{
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

} // namespace

bool parseline(std::string_view line, CompStore &store, int slot)
{
    // The first three fields are short: a plain scan beats a library search per field.
    const char *p = line.data();
    const char *const end = p + line.size();
    auto field = [&](const char *&from) -> const char * {
        from = p;
        while (p < end && *p != datasep)
            ++p;
        return p < end ? p++ : nullptr;
    };
    const char *catBegin, *nameBegin, *qtyBegin;
    const char *catEnd = field(catBegin);
    const char *nameEnd = catEnd ? field(nameBegin) : nullptr;
    const char *qtyEnd = nameEnd ? field(qtyBegin) : nullptr;
    if (!qtyEnd)
        return false;
    uint16_t cat = 0, qty = 0;
    if (!decimal16({catBegin, static_cast<size_t>(catEnd - catBegin)}, cat) ||
        !decimal16({qtyBegin, static_cast<size_t>(qtyEnd - qtyBegin)}, qty))
        return false;
    store.category[slot] = cat;
    store.name[slot].assign(nameBegin, nameEnd);
    store.quantity[slot] = qty;
    store.description[slot].assign(p, end);
    return true;
}

MainFileReport readMainFile(std::string_view bytes, CompStore &store)
{
    MainFileReport report;
    store.compcount = 0;
    store.totalqty = 0;
    store.kept.clear();
    int lineNo = 0;
    const std::string_view tail = forEachTextLine(bytes, [&](std::string_view line) {
        ++lineNo;
        if (line.size() < 7)
            return;
        if (store.full()) {
            report.overflow.push_back(lineNo);
            store.kept.push_back({store.compcount, std::string(line)});
            return;
        }
        const int slot = store.compcount + 1;
        if (!parseline(line, store, slot)) {
            report.unreadable.push_back(lineNo);
            store.kept.push_back({store.compcount, std::string(line)});
            return;
        }
        store.compcount = static_cast<uint16_t>(slot);
        store.totalqty += store.quantity[slot];
    });
    store.tail.assign(tail);
    return report;
}

std::string writeMainFile(const CompStore &store)
{
    std::string out;
    size_t size = store.tail.size();
    for (int s = 1; s <= store.compcount; ++s)
        size += store.name[s].size() + store.description[s].size() + 16;
    for (const auto &k : store.kept)
        size += k.text.size() + 2;
    out.reserve(size);

    size_t next = 0; // kept lines are ordered by `after`
    auto flushKept = [&](int upTo) {
        while (next < store.kept.size() && store.kept[next].after <= upTo) {
            out += store.kept[next].text;
            out += "\r\n";
            ++next;
        }
    };
    flushKept(0);
    for (int s = 1; s <= store.compcount; ++s) {
        appendNumber(out, store.category[s]);
        out += datasep;
        out += store.name[s];
        out += datasep;
        appendNumber(out, store.quantity[s]);
        out += datasep;
        out += store.description[s];
        out += "\r\n";
        flushKept(s);
    }
    flushKept(CompStore::kSlots); // lines that followed records since removed
    out += store.tail;
    return out;
}

} // namespace vosk
