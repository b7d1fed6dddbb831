#include "file_names.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "cp1250.h"
#include "error.h"

namespace lumiro::engine {
namespace {

std::optional<std::vector<char32_t>> decodeUtf8(std::string_view s) {
    std::vector<char32_t> out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c = std::uint8_t(s[i]);
        int extra = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + std::size_t(extra) >= s.size() && extra > 0) return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            const auto n = std::uint8_t(s[i + std::size_t(k)]);
            if ((n & 0xC0) != 0x80) return std::nullopt;
            cp = cp << 6 | (n & 0x3F);
        }
        static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        out.push_back(cp);
        i += std::size_t(extra) + 1;
    }
    return out;
}

// Lower case of the Latin, Greek and Cyrillic letters, which covers every name a Polish
// office meets.
char32_t lower(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
    if (c >= 0x100 && c <= 0x137) return c | 1;
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177) return c | 1;
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    return c;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string fileNameKey(std::string_view name) {
    auto points = decodeUtf8(name);
    if (!points) points = decodeUtf8(cp1250ToUtf8(name));
    std::string key;
    key.reserve(name.size());
    if (points)
        for (char32_t c : *points) appendUtf8(key, lower(c));
    return key;
}

bool sameFileName(std::string_view a, std::string_view b) {
    return a == b || fileNameKey(a) == fileNameKey(b);
}

PathResolution resolveExisting(Env& env, const std::string& path) {
    PathResolution r;
    if (path.empty()) return r;
    std::string resolved = path[0] == '/' ? "/" : "";
    std::size_t pos = resolved.size();
    bool missing = false;
    while (pos <= path.size()) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        const std::string comp = path.substr(pos, next - pos);
        pos = next + 1;
        if (comp.empty() || comp == ".") {
            if (next >= path.size()) break;
            continue;
        }
        std::string candidate = resolved.empty() ? comp : joinPath(resolved, comp);
        if (!missing && comp != ".." && !env.exists(candidate)) {
            std::string found;
            try {
                const std::string key = fileNameKey(comp);
                for (const auto& name : env.listDir(resolved.empty() ? "." : resolved))
                    if (fileNameKey(name) == key) {
                        found = name;
                        break;
                    }
            } catch (const EngineError&) {
            }
            if (!found.empty())
                candidate = resolved.empty() ? found : joinPath(resolved, found);
            else
                missing = true;
        }
        resolved = candidate;
        if (next >= path.size()) break;
    }
    r.path = resolved;
    r.complete = !missing;
    return r;
}

}  // namespace lumiro::engine
