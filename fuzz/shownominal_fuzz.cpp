// Values written as names and as numbers. The input gives a double two ways: its eight bytes
// as they are (any NaN, infinity or subnormal), and fifteen or so decimal digits with a power
// of ten from the following bytes, which lands on the values people keep (picofarads to
// megohms) far more often than random bits do.
#include "fuzzcheck.h"
#include "nominal.h"
#include "nominalmodel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

using namespace vosk;
using namespace vosk::fuzz;

namespace {

// The general format read back: the same value to 15 significant digits.
void checkGeneral(double v)
{
    const std::string s = generalFormat(v);
    if (std::isnan(v)) {
        FUZZ_CHECK(s == "NAN");
        return;
    }
    if (std::isinf(v)) {
        FUZZ_CHECK(s == (v < 0 ? "-INF" : "INF"));
        return;
    }
    FUZZ_CHECK(s.find('.') == std::string::npos && s.find('+') == std::string::npos);
    FUZZ_CHECK(std::count(s.begin(), s.end(), ',') <= 1);
    const size_t e = s.find('E');
    if (e != std::string::npos) {
        const double a = std::fabs(v);
        FUZZ_CHECK(a < 1.0001e-4 || a >= 0.9999e15);
        FUZZ_CHECK(s[e + 1] != '0' && (s[e + 1] != '-' || s[e + 2] != '0'));
    }
    // No trailing zeros after the comma, no comma at the end.
    const std::string mantissa = s.substr(0, e);
    if (mantissa.find(',') != std::string::npos)
        FUZZ_CHECK(mantissa.back() != '0' && mantissa.back() != ',');
    std::string c = s;
    std::replace(c.begin(), c.end(), ',', '.');
    double back = 0;
    const auto r = std::from_chars(c.data(), c.data() + c.size(), back);
    FUZZ_CHECK(r.ptr == c.data() + c.size());
    if (r.ec == std::errc::result_out_of_range) {
        // The largest doubles round up in 15 digits past the largest double: 1,79769313486232E308.
        FUZZ_CHECK(std::fabs(v) > 1.797693134862315e308);
        return;
    }
    FUZZ_CHECK(r.ec == std::errc());
    // Half a unit of the 15th digit (a tie, 1,000030517578125, is half a unit off), plus half
    // a unit of the last binary place from reading the digits back.
    FUZZ_CHECK(std::fabs(back - v) <= 5.2e-15 * std::fabs(v));
    size_t digits = 0;
    for (char ch : mantissa)
        digits += ch >= '0' && ch <= '9';
    FUZZ_CHECK(digits <= 15 + 4); // "0,000" in front of the 15 digits of a small fixed value
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 8)
        return 0;
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    checkGeneral(raw);
    checkCanonicalStable(raw);

    uint64_t bits;
    std::memcpy(&bits, data, sizeof bits);
    const int exponent = size > 8 ? static_cast<int>(data[8] % 48) - 32 : 0; // 1e-32 .. 1e15 times the digits
    const std::string text = std::to_string(bits % 100000000000000000ull) + "e" + std::to_string(exponent);
    double decimal = 0;
    std::from_chars(text.data(), text.data() + text.size(), decimal);
    checkGeneral(decimal);
    checkCanonicalStable(decimal);
    return 0;
}
