#include "recordtext.h"

#include <algorithm>
#include <cstring>

namespace vosk {
namespace {

// A new block holds at least this much, so that typing and imports add few blocks.
constexpr std::size_t kBlockBytes = std::size_t(64) << 10;

} // namespace

TextBlocks::TextBlocks(const TextBlocks &other) : blocks_(other.blocks_), held_(other.held_), added_(other.added_)
{
    // The free end of the other's newest block stays the other's: new text goes elsewhere.
}

TextBlocks &TextBlocks::operator=(const TextBlocks &other)
{
    if (this != &other) {
        blocks_ = other.blocks_;
        free_ = nullptr;
        left_ = 0;
        held_ = other.held_;
        added_ = other.added_;
    }
    return *this;
}

void TextBlocks::clear()
{
    blocks_.clear();
    free_ = nullptr;
    left_ = 0;
    held_ = 0;
    added_ = 0;
}

void TextBlocks::adopt(std::shared_ptr<const std::string> bytes)
{
    held_ += bytes->size();
    blocks_.push_back(std::move(bytes));
}

std::string_view TextBlocks::add(std::string_view text)
{
    if (text.size() > left_) {
        const std::size_t size = std::max(kBlockBytes, text.size());
        std::shared_ptr<char[]> block(new char[size]);
        free_ = block.get();
        left_ = size;
        held_ += size;
        blocks_.push_back(std::move(block));
    }
    char *const at = free_;
    std::memcpy(at, text.data(), text.size());
    free_ += text.size();
    left_ -= text.size();
    added_ += text.size();
    return {at, text.size()};
}

} // namespace vosk
