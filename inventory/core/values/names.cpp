#include "names.h"

#include "cp1251.h"
#include "nominal.h"

#include <cmath>

namespace vosk {

CanonicalName canonicalName(int category, std::string_view text)
{
    CanonicalName out;
    if (!hasCanonicalNames(category)) {
        out.name.assign(text);
        return out;
    }
    double value = 0;
    try {
        value = readnominal(category, text);
    } catch (const NumberConversionError &e) {
        out.refusal = e.message();
        out.conversionError = true;
        return out;
    }
    const std::string quoted = cp1251("«") + std::string(text) + cp1251("»");
    if (!std::isfinite(value) || !(value > 0)) {
        // The examples are of this category's scale only: the text refused may well be a
        // valid value of the other one (a resistor's «4,7К» moved to capacitors).
        out.refusal = cp1251("Номинал ") + quoted + cp1251(" не прочитан: нужно число и единица раздела (например ") +
                      cp1251(isResistanceCategory(category) ? "4,7К, 100е или 1М)." : "100нф, 0,1мкф или 22пф).");
        return out;
    }
    std::string name = shownominal(value);
    bool readsBack = false;
    try {
        readsBack = shownominal(readnominal(category, name)) == name && readnominal(category, name) > 0;
    } catch (const NumberConversionError &) {
        readsBack = false;
    }
    if (!readsBack) {
        out.refusal = cp1251("Номинал ") + quoted + cp1251(" записался бы как «") + name +
                      cp1251("», а это имя в этом разделе не читается как номинал.");
        return out;
    }
    out.name = std::move(name);
    return out;
}

} // namespace vosk
