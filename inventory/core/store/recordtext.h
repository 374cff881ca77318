#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// The bytes of the records' names and descriptions, kept side by side in a few large blocks
// instead of one heap block per field: loading a full store then writes about a third of
// the memory it would otherwise, and reading a field is one pointer away. The first block
// is usually the bytes of main.dat itself, the fields pointing into its lines.
//
// A block never moves or changes once bytes are in it, so a field stays valid until its
// slot is set again or the store compacts its text. Copies of a store share the blocks
// they hold; each writes its new text into blocks of its own.
class TextBlocks {
public:
    TextBlocks() = default;
    TextBlocks(const TextBlocks &other);
    TextBlocks &operator=(const TextBlocks &other);

    // Forgets every block (fields pointing into them must be cleared by the caller).
    void clear();
    // Keeps `bytes` as a block; fields may then point into it.
    void adopt(std::shared_ptr<const std::string> bytes);
    // A copy of `text` in a block of this store.
    std::string_view add(std::string_view text);
    // Bytes held in blocks, and bytes added since the last clear.
    std::size_t held() const { return held_; }
    std::size_t added() const { return added_; }

private:
    std::vector<std::shared_ptr<const void>> blocks_;
    char *free_ = nullptr; // the unused end of the newest block of this store's own
    std::size_t left_ = 0;
    std::size_t held_ = 0;
    std::size_t added_ = 0;
};

// One text field of every slot: a view of its bytes in the store's blocks.
class TextColumn {
public:
    explicit TextColumn(std::size_t count) : field_(count) {}

    // const, so that assigning to a field by mistake does not compile: setName and
    // setDescription of the store change one.
    const std::string_view operator[](std::size_t slot) const { return {field_[slot].data, field_[slot].size}; }

private:
    friend struct CompStore;
    friend class MainFileReader;
    struct Field {
        const char *data = nullptr;
        std::uint32_t size = 0;
    };
    void set(std::size_t slot, std::string_view text)
    {
        field_[slot] = {text.data(), static_cast<std::uint32_t>(text.size())};
    }
    std::vector<Field> field_;
};

} // namespace vosk
