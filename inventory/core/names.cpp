#include "names.h"

#include "cp1251.h"
#include "nominal.h"

#include <cmath>

namespace vosk {

StoredName storedName(int category, std::string_view text, std::string_view categoryName)
{
    StoredName out;
    if (!hasCanonicalNames(category)) {
        out.ok = true;
        out.name.assign(text);
        return out;
    }
    double value = 0;
    try {
        value = readnominal(category, text);
    } catch (const NumberConversionError &e) {
        out.message = e.message();
        out.conversionError = true;
        return out;
    }
    // shownominal writes «повторите ввод» for anything not above 1e-15 (0, a suffix the
    // scale does not know) and «INF…» past the largest double.
    if (!std::isfinite(value) || !(value > 1e-15)) {
        std::string where = categoryName.empty() ? std::string() : cp1251(" раздела «") + std::string(categoryName) + cp1251("»");
        out.message = cp1251("«") + std::string(text) + cp1251("» не читается как номинал") + where +
                      cp1251(": повторите ввод (число и единица, например 4,7К или 100нф).");
        return out;
    }
    out.ok = true;
    out.name = shownominal(value);
    return out;
}

} // namespace vosk
