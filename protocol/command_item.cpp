#include "protocol/command_item.h"

#include <cstring>

namespace tessaly {

bool CommandItem::assign(int32_t itemId, int32_t kind, std::string_view commandText) {
    if (commandText.size() + 2 > kCommandTextSize - 1) {
        return false;
    }
    id = itemId;
    answerKind = kind;
    std::memcpy(text, commandText.data(), commandText.size());
    text[commandText.size()] = '\r';
    text[commandText.size() + 1] = '\n';
    text[commandText.size() + 2] = '\0';
    length = static_cast<int32_t>(commandText.size() + 2);
    return true;
}

} // namespace tessaly
