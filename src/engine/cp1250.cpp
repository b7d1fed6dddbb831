#include "cp1250.h"

#include "utf8.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace lumiro::engine {

namespace {

constexpr char32_t kUndefined = 0xFFFD;

// Unicode code points of bytes 0x80..0xFF in Windows code page 1250.
constexpr std::array<char32_t, 128> kHigh = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Letters in Polish alphabet order. Each inner list is one base letter: the plain letter
// first, then its foreign accented variants, then the Polish letter that follows it in the
// alphabet (ą after a, ć after c, ...). A pair is {upper, lower}; 0 marks a letter that has
// no upper-case form in the code page (ß).
struct CasePair {
    std::uint8_t upper;
    std::uint8_t lower;
};
using Group = std::vector<CasePair>;

const std::vector<Group>& letterGroups() {
    static const std::vector<Group> groups = [] {
        std::vector<Group> g;
        auto ascii = [](char c) { return CasePair{std::uint8_t(c), std::uint8_t(c + 32)}; };
        for (char c = 'A'; c <= 'Z'; ++c) g.push_back({ascii(c)});
        auto add = [&](char base, std::initializer_list<CasePair> extra) {
            Group& grp = g[std::size_t(base - 'A')];
            grp.insert(grp.end(), extra);
        };
        add('A', {{0xC1, 0xE1}, {0xC2, 0xE2}, {0xC3, 0xE3}, {0xC4, 0xE4}, {0xA5, 0xB9}});
        add('C', {{0xC7, 0xE7}, {0xC8, 0xE8}, {0xC6, 0xE6}});
        add('D', {{0xCF, 0xEF}, {0xD0, 0xF0}});
        add('E', {{0xC9, 0xE9}, {0xCB, 0xEB}, {0xCC, 0xEC}, {0xCA, 0xEA}});
        add('I', {{0xCD, 0xED}, {0xCE, 0xEE}});
        add('L', {{0xC5, 0xE5}, {0xBC, 0xBE}, {0xA3, 0xB3}});
        add('N', {{0xD2, 0xF2}, {0xD1, 0xF1}});
        add('O', {{0xD4, 0xF4}, {0xD5, 0xF5}, {0xD6, 0xF6}, {0xD3, 0xF3}});
        add('R', {{0xC0, 0xE0}, {0xD8, 0xF8}});
        add('S', {{0x8A, 0x9A}, {0xAA, 0xBA}, {0x00, 0xDF}, {0x8C, 0x9C}});
        add('T', {{0x8D, 0x9D}, {0xDE, 0xFE}});
        add('U', {{0xDA, 0xFA}, {0xD9, 0xF9}, {0xDB, 0xFB}, {0xDC, 0xFC}});
        add('Y', {{0xDD, 0xFD}});
        add('Z', {{0x8E, 0x9E}, {0x8F, 0x9F}, {0xAF, 0xBF}});
        return g;
    }();
    return groups;
}

struct Tables {
    std::array<std::uint8_t, 256> sensitive{};
    std::array<std::uint8_t, 256> insensitive{};
    std::array<std::uint8_t, 256> upper{};
    std::array<std::uint8_t, 256> lower{};
};

const Tables& tables() {
    static const Tables t = [] {
        Tables r;
        std::array<bool, 256> isLetter{};
        for (int i = 0; i < 256; ++i) r.upper[i] = r.lower[i] = std::uint8_t(i);
        for (const Group& grp : letterGroups())
            for (CasePair p : grp) {
                isLetter[p.lower] = true;
                if (p.upper) {
                    isLetter[p.upper] = true;
                    r.upper[p.lower] = p.upper;
                    r.lower[p.upper] = p.lower;
                }
            }

        // Order: padding, control characters, space and no-break space, punctuation and
        // symbols (ASCII first, then the rest of the code page), digits, letters.
        std::vector<std::uint8_t> order;
        order.reserve(256);
        std::array<bool, 256> placed{};
        auto put = [&](int c) {
            if (!placed[c]) {
                placed[c] = true;
                order.push_back(std::uint8_t(c));
            }
        };
        for (int c = 0; c < 0x20; ++c) put(c);
        put(0x20);
        put(0xA0);
        auto isDigit = [](int c) { return c >= '0' && c <= '9'; };
        for (int c = 0x21; c < 256; ++c)
            if (!isLetter[c] && !isDigit(c)) put(c);
        for (int c = '0'; c <= '9'; ++c) put(c);
        for (const Group& grp : letterGroups())
            for (CasePair p : grp) {
                if (p.upper) put(p.upper);
                put(p.lower);
            }
        for (std::size_t w = 0; w < order.size(); ++w) r.sensitive[order[w]] = std::uint8_t(w);
        for (int c = 0; c < 256; ++c) r.insensitive[c] = r.sensitive[r.lower[c]];
        return r;
    }();
    return t;
}

// Decodes one UTF-8 sequence at text[i]; malformed input yields kUndefined and consumes
// one byte, so that a damaged string still converts (lossily) instead of failing.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    const auto b0 = std::uint8_t(text[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return kUndefined;
    }
    if (i + std::size_t(len) > text.size()) {
        ++i;
        return kUndefined;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = std::uint8_t(text[i + std::size_t(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kUndefined;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kUndefined;
    }
    i += std::size_t(len);
    return cp;
}

}  // namespace

std::string cp1250ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char ch : text) {
        const auto b = std::uint8_t(ch);
        appendUtf8(out, b < 0x80 ? char32_t(b) : kHigh[b - 0x80]);
    }
    return out;
}

std::string utf8ToCp1250(std::string_view text, bool* lossy) {
    static const std::vector<std::pair<char32_t, std::uint8_t>> reverse = [] {
        std::vector<std::pair<char32_t, std::uint8_t>> r;
        for (int i = 0; i < 128; ++i)
            if (kHigh[std::size_t(i)] != kUndefined)
                r.emplace_back(kHigh[std::size_t(i)], 0x80 + i);
        return r;
    }();
    std::string out;
    out.reserve(text.size());
    bool lost = false;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = nextCodePoint(text, i);
        if (cp < 0x80) {
            out += char(cp);
            continue;
        }
        char mapped = '?';
        bool found = false;
        for (const auto& [code, byte] : reverse)
            if (code == cp) {
                mapped = char(byte);
                found = true;
                break;
            }
        lost |= !found;
        out += mapped;
    }
    if (lossy) *lossy = lost;
    return out;
}

std::uint8_t caseSensitiveWeight(std::uint8_t c) {
    return tables().sensitive[c];
}
std::uint8_t caseInsensitiveWeight(std::uint8_t c) {
    return tables().insensitive[c];
}
std::uint8_t toUpper1250(std::uint8_t c) {
    return tables().upper[c];
}
std::uint8_t toLower1250(std::uint8_t c) {
    return tables().lower[c];
}

int comparePolish(std::string_view a, std::string_view b, bool caseInsensitive) {
    const auto& w = caseInsensitive ? tables().insensitive : tables().sensitive;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int d = int(w[std::uint8_t(a[i])]) - int(w[std::uint8_t(b[i])]);
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace lumiro::engine
