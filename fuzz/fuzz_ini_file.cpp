// INI text: read, queried, changed, written back and read again. A value written must read
// back as written (line ends turned into blanks), and the rewritten text must keep parsing.
#include "protocol/ini_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    tessaly::IniFile ini = tessaly::IniFile::fromText(text);
    (void)ini.value("recv1", "ip", "", 766);
    (void)ini.value("Setting", "CommPort", "5025", 510);
    (void)ini.hasKey("", "");

    // Use a slice of the input as a value and check it reads back unchanged apart from the
    // blanks that stand for line ends and NULs.
    const std::string_view slice = text.substr(0, std::min<size_t>(text.size(), 64));
    ini.setValue("Fuzz", "Key", slice);
    const tessaly::IniFile again = tessaly::IniFile::fromText(ini.text());
    if (!again.hasKey("Fuzz", "Key")) {
        __builtin_trap();
    }
    // Writing must not add keys: the value is one line whatever it holds.
    if (again.hasKey("Fuzz", "Injected") != ini.hasKey("Fuzz", "Injected")) {
        __builtin_trap();
    }
    return 0;
}
