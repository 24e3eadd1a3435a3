#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tessaly {

// Reads at most this much of a file; the rest is ignored, so a huge file cannot exhaust memory.
constexpr size_t kMaxIniFileBytes = 16 * 1024 * 1024;

// A private-profile (INI) file in memory. Section and key names match without regard to case;
// a value is the text after the first '=' with surrounding blanks removed. Writing replaces a
// key in place, appends a new key to its section and a new section to the file, and never
// deletes anything, so lines the program does not know survive a save.
class IniFile {
public:
    // A missing or unreadable file loads as an empty one.
    static IniFile load(const std::string& path);
    static IniFile fromText(std::string_view text);

    // The value cut after `limit` characters, or `fallback` when the section or key is absent.
    std::string value(std::string_view section, std::string_view key, std::string_view fallback,
                      size_t limit) const;
    bool hasKey(std::string_view section, std::string_view key) const;

    // CR, LF and NUL in a value become blanks: a value is one line and must not add keys.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;

    // Writes the whole text to a temporary file beside `path` and renames it over `path`, so a
    // crash or a full disk leaves either the old or the new file, never a mix. On failure the
    // old file is untouched and `error` says why.
    bool save(const std::string& path, std::string* error = nullptr) const;

private:
    struct Line {
        std::string text;
        std::string keyFolded; // empty when the line holds no key
    };
    struct Section {
        std::string headerText; // empty for the lines before the first section
        std::vector<Line> lines;
        std::unordered_map<std::string, size_t> keyIndex; // first occurrence of each key
    };

    void parse(std::string_view text);
    void indexSection(size_t sectionIndex);
    const Line* find(std::string_view section, std::string_view key) const;

    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> sectionIndex_; // first occurrence of each section
    std::string lineEnd_ = "\r\n";
};

} // namespace tessaly
