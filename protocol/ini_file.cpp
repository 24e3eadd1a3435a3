#include "protocol/ini_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

std::string fold(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return folded;
}

std::string_view trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The section name of a header line "[name]", or false when the line is no header.
bool sectionName(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.empty() || line.front() != '[') {
        return false;
    }
    line.remove_prefix(1);
    const size_t close = line.find(']');
    name = trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

std::string oneLine(std::string_view value) {
    std::string clean(value);
    for (char& c : clean) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return clean;
}

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

IniFile IniFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    // Read in pieces, so that a small file does not cost a buffer of the whole limit.
    std::array<char, 4096> piece;
    while (in && text.size() < kMaxIniFileBytes) {
        const size_t wanted = std::min(piece.size(), kMaxIniFileBytes - text.size());
        in.read(piece.data(), static_cast<std::streamsize>(wanted));
        text.append(piece.data(), static_cast<size_t>(in.gcount()));
    }
    return fromText(text);
}

IniFile IniFile::fromText(std::string_view text) {
    IniFile file;
    file.parse(text);
    return file;
}

void IniFile::parse(std::string_view text) {
    // Editors on other systems may save a UTF-8 byte-order mark; read as text it would make the
    // first line "\xEF\xBB\xBF[section]", which is no header, and hide that whole section. It is
    // dropped here and so never written back.
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark) {
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    sections_.clear();
    sectionIndex_.clear();
    sections_.push_back(Section{});
    const size_t firstLf = text.find('\n');
    lineEnd_ = (firstLf == std::string_view::npos || (firstLf > 0 && text[firstLf - 1] == '\r'))
                   ? "\r\n"
                   : "\n";
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        // Every carriage return before the line feed: a file converted to CR LF twice ends its
        // lines in CR CR LF, and a header or value must not keep one, or a save would change
        // what the line means when it is read back.
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        start = end + 1;
        std::string_view name;
        if (sectionName(line, name)) {
            sections_.push_back(Section{std::string(line), {}, {}});
            sectionIndex_.try_emplace(fold(name), sections_.size() - 1);
        } else {
            sections_.back().lines.push_back(Line{std::string(line), {}});
        }
    }
    for (size_t i = 0; i < sections_.size(); ++i) {
        indexSection(i);
    }
}

void IniFile::indexSection(size_t sectionIndex) {
    Section& section = sections_[sectionIndex];
    section.keyIndex.clear();
    for (size_t i = 0; i < section.lines.size(); ++i) {
        Line& line = section.lines[i];
        const size_t equals = line.text.find('=');
        line.keyFolded.clear();
        if (equals != std::string::npos) {
            const std::string_view key = trim(std::string_view(line.text).substr(0, equals));
            if (!key.empty()) {
                line.keyFolded = fold(key);
                section.keyIndex.try_emplace(line.keyFolded, i);
            }
        }
    }
}

const IniFile::Line* IniFile::find(std::string_view section, std::string_view key) const {
    const auto s = sectionIndex_.find(fold(trim(section)));
    if (s == sectionIndex_.end()) {
        return nullptr;
    }
    const Section& found = sections_[s->second];
    const auto k = found.keyIndex.find(fold(trim(key)));
    return k == found.keyIndex.end() ? nullptr : &found.lines[k->second];
}

std::string IniFile::value(std::string_view section, std::string_view key,
                           std::string_view fallback, size_t limit) const {
    const Line* line = find(section, key);
    std::string_view result = fallback;
    if (line != nullptr) {
        result = trim(std::string_view(line->text).substr(line->text.find('=') + 1));
    }
    return std::string(result.substr(0, limit));
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
    return find(section, key) != nullptr;
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string line = std::string(trim(key)) + "=" + oneLine(value);
    const std::string sectionFolded = fold(trim(section));
    auto s = sectionIndex_.find(sectionFolded);
    if (s == sectionIndex_.end()) {
        sections_.push_back(Section{"[" + std::string(trim(section)) + "]", {}, {}});
        s = sectionIndex_.emplace(sectionFolded, sections_.size() - 1).first;
    }
    Section& target = sections_[s->second];
    const auto k = target.keyIndex.find(fold(trim(key)));
    if (k != target.keyIndex.end()) {
        target.lines[k->second].text = line;
        return;
    }
    // A new key goes after the section's last key, ahead of the blank lines that separate it
    // from the next section.
    size_t insertAt = 0;
    for (size_t i = 0; i < target.lines.size(); ++i) {
        if (!trim(target.lines[i].text).empty()) {
            insertAt = i + 1;
        }
    }
    target.lines.insert(target.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                        Line{line, {}});
    indexSection(static_cast<size_t>(s->second));
}

std::string IniFile::text() const {
    std::string out;
    for (const Section& section : sections_) {
        if (!section.headerText.empty()) {
            out += section.headerText;
            out += lineEnd_;
        }
        for (const Line& line : section.lines) {
            out += line.text;
            out += lineEnd_;
        }
    }
    return out;
}

bool IniFile::save(const std::string& path, std::string* error) const {
    std::string target = path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
        target = resolved; // replace what a link points to, not the link
    }
    const size_t slash = target.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    std::string tempPath = (slash == std::string::npos ? std::string() : directory) + ".";
    tempPath += (slash == std::string::npos ? target : target.substr(slash + 1)) + ".XXXXXX";

    const int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        if (error) {
            *error = errnoText("cannot create a file beside it");
        }
        return false;
    }
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    const std::string content = text();
    size_t written = 0;
    bool ok = true;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        written += static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
    }
    if (ok) {
        if (error) {
            error->clear();
        }
    } else if (error) {
        *error = errnoText("cannot write");
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        if (error) {
            *error = errnoText("cannot write");
        }
    }
    if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        ok = false;
        if (error) {
            *error = errnoText("cannot replace the file");
        }
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
    }
    return ok;
}

} // namespace tessaly
