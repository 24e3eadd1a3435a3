#pragma once

#include "protocol/receiver_table.h"
#include "protocol/settings.h"

#include <string>

namespace tessaly {

constexpr int kEnvironmentValueLimit = 766; // characters of a value kept by the reader
constexpr const char* kEnvironmentFileFilter = "Environment File(*.ini)|*.ini|All Files(*.*)|*.*|";

// Reads an environment file into `target` (reset first, every record given the default
// frequency) and takes its display state into `display` at once. A missing file reads as an
// empty table. A layout mode outside 0 to 3 or an RF unit other than 0 or 1 keeps the current
// value of `display`; matrix pairs count only when both numbers lie in 1 to 60.
void readEnvironmentFile(const std::string& path, ReceiverTable& target, const Settings& settings,
                         DisplayState& display);

// Writes the display state and the table's first `count` records into the file, keeping every
// line the file already held (surplus recv sections included). The file is replaced whole, so a
// failed save leaves the old one untouched; `error` then says why.
bool writeEnvironmentFile(const std::string& path, const ReceiverTable& table,
                          const DisplayState& display, std::string* error = nullptr);

// The show end time of an environment file, "[show] end=HH:MM", as written; "" when the key is
// absent. The caller checks the form (show::parseShowEnd).
std::string readShowEnd(const std::string& path);
// Sets (or with "" empties) the show end, keeping every other line of the file.
bool writeShowEnd(const std::string& path, const std::string& hhmm, std::string* error = nullptr);

// The process-wide forms: program settings, display state and the remembered current path.
void readEnvironmentFile(const std::string& path, ReceiverTable& target);
bool writeEnvironmentFile(const std::string& path, std::string* error = nullptr);
std::string& currentEnvironmentPath();

// The comment as one line (line feeds become tabs, carriage returns are dropped) and back.
std::string encodeComment(const std::string& comment);
std::string decodeComment(const std::string& value);

} // namespace tessaly
