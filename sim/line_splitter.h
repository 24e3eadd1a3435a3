#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::sim {

// Cuts a byte stream into command lines at each line feed. Carriage returns and NUL bytes are
// dropped. A line that grows beyond the limit is thrown away up to its line feed, so a client
// sending endless bytes without a line end costs no more than the limit.
class LineSplitter {
public:
    explicit LineSplitter(size_t maxLineLength) : maxLineLength_(maxLineLength) {}

    // Appends the lines completed by `bytes` to `lines`.
    void feed(std::string_view bytes, std::vector<std::string>& lines);

    size_t discardedLines() const { return discardedLines_; }

private:
    size_t maxLineLength_;
    std::string partial_;
    bool discarding_ = false;
    size_t discardedLines_ = 0;
};

} // namespace tessaly::sim
