#include "textcodec.h"

namespace vosk {

bool hasHighBytes(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

} // namespace vosk
