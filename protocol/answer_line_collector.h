#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// Cuts the bytes a receiver sends into answer lines. A line feed ends a line (and is not part
// of it); carriage returns and NUL bytes are dropped wherever they are. A line is gathered in a
// buffer of 256 characters: when it fills without a line feed its contents are discarded and
// gathering starts again, so a line of 300 characters arrives as its last 44. Blocks of any
// size may be fed; a line may span blocks.
class AnswerLineCollector {
public:
    static constexpr size_t kBufferSize = 256;

    // Calls onLine for each line completed by these bytes, in order. The view is valid only
    // during the call.
    void feed(std::string_view bytes, const std::function<void(std::string_view)>& onLine);

    // The same, returning the completed lines.
    std::vector<std::string> feed(std::string_view bytes);

    // Forgets a partly gathered line, for a new connection.
    void reset() { size_ = 0; }

    // Characters gathered for the line not yet ended.
    size_t pendingSize() const { return size_; }

private:
    std::array<char, kBufferSize> buffer_{};
    size_t size_ = 0;
};

} // namespace tessaly
