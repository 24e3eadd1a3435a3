#pragma once

#include <cstdint>
#include <string_view>

namespace tessaly {

// Answer kinds of a command item.
constexpr int32_t kAnswerNone = 1; // send the next item at once
constexpr int32_t kAnswerLine = 2; // exactly one answer line expected

constexpr int kCommandTextSize = 256; // including the terminator

// The unit the engines queue and send: one command line with its "\r\n".
struct CommandItem {
    int32_t id = 0;
    int32_t answerKind = kAnswerNone;
    int32_t length = 0; // characters of text, "\r\n" included
    char text[kCommandTextSize] = {};

    // Makes the item from a command text without "\r\n". Fails, leaving the item untouched,
    // when the line with its "\r\n" would not fit in 255 characters: a cut set command would
    // send a wrong value, so such a command is refused instead.
    bool assign(int32_t itemId, int32_t kind, std::string_view commandText);

    std::string_view line() const { return std::string_view(text, static_cast<size_t>(length)); }
};

} // namespace tessaly
