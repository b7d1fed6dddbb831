#include "file_names.h"

#include <cstdint>

#include "cp1250.h"
#include "error.h"
#include "utf8.h"

namespace lumiro::engine {
namespace {

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
