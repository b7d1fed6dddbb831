#include "btree.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "error.h"
#include "little_endian.h"

namespace lumiro::engine {

namespace {

// Layout: docs/index-files.md.
constexpr char kMagic[6] = {'L', 'M', 'R', 'I', 'D', 'X'};
constexpr std::uint16_t kVersion = 1;
constexpr std::size_t kNodeHeader = 16;
constexpr std::size_t kTrailer = 4;
constexpr std::size_t kMetaStart = 64;
constexpr std::uint8_t kLeaf = 1;
constexpr std::uint8_t kInner = 2;
constexpr std::uint8_t kFree = 3;
constexpr std::uint32_t kMaxHeight = 32;
constexpr std::size_t kMinPageSize = 256;
constexpr std::size_t kMaxPageSize = 65536;
constexpr std::uint32_t kMinCapacity = 4;  // a split must leave two entries on each side

constexpr std::uint8_t kFlagPrimary = 1;
constexpr std::uint8_t kFlagUnique = 2;
constexpr std::uint8_t kFlagCaseInsensitive = 4;

std::uint32_t pageCrc(std::uint32_t n, const std::byte* p, std::size_t ps) {
    // Seeded with the page number, so that an image written to the wrong place is caught.
    std::array<std::byte, 4> no{};
    le::put32(no.data(), n);
    return le::crc32(le::crc32(0, no.data(), no.size()), p, ps - kTrailer);
}

void sealPage(std::uint32_t n, std::byte* p, std::size_t ps) {
    le::put32(p + ps - kTrailer, pageCrc(n, p, ps));
}

bool crcMatches(std::uint32_t n, const std::byte* p, std::size_t ps) {
    return le::get32(p + ps - kTrailer) == pageCrc(n, p, ps);
}

std::string corruptMessage(const std::string& path, const std::string& detail) {
    return "Plik indeksu " + path + " jest uszkodzony (" + detail + ").";
}

std::string pageText(std::uint32_t n) {
    return "strona " + std::to_string(n);
}

std::uint8_t typeOf(const std::byte* p) {
    return std::uint8_t(p[0]);
}
std::uint16_t countOf(const std::byte* p) {
    return le::get16(p + 2);
}
std::uint32_t link1(const std::byte* p) {
    return le::get32(p + 4);
}
std::uint32_t link2(const std::byte* p) {
    return le::get32(p + 8);
}
void setCount(std::byte* p, std::uint32_t c) {
    le::put16(p + 2, std::uint16_t(c));
}
void setLink1(std::byte* p, std::uint32_t v) {
    le::put32(p + 4, v);
}
void setLink2(std::byte* p, std::uint32_t v) {
    le::put32(p + 8, v);
}

void initNode(std::byte* p, std::size_t ps, std::uint8_t type) {
    std::memset(p, 0, ps);
    p[0] = std::byte(type);
}

struct Sizes {
    std::size_t ps;
    std::size_t key;
    std::size_t value;
    std::size_t leafEntry() const { return key + value; }
    std::size_t innerEntry() const { return key + 4; }
    std::uint32_t leafCap() const {
        return std::uint32_t((ps - kNodeHeader - kTrailer) / std::max<std::size_t>(leafEntry(), 1));
    }
    std::uint32_t innerCap() const {
        return std::uint32_t((ps - kNodeHeader - kTrailer) / innerEntry());
    }
    const std::byte* leafKey(const std::byte* p, std::size_t i) const {
        return p + kNodeHeader + i * leafEntry();
    }
    std::byte* leafKey(std::byte* p, std::size_t i) const {
        return p + kNodeHeader + i * leafEntry();
    }
    const std::byte* innerKey(const std::byte* p, std::size_t i) const {
        return p + kNodeHeader + i * innerEntry();
    }
    std::byte* innerKey(std::byte* p, std::size_t i) const {
        return p + kNodeHeader + i * innerEntry();
    }
    // Child i of an internal node: 0 is the leftmost, i > 0 follows separator i - 1.
    std::uint32_t child(const std::byte* p, std::size_t i) const {
        return i == 0 ? link1(p) : le::get32(innerKey(p, i - 1) + key);
    }
    // How many of the `count` keys laid out from `first` at `stride` bytes sort before k, or
    // before or equal to k when `orEqual`: the one binary search of leaves and inner nodes.
    std::uint32_t rank(const std::byte* first, std::size_t stride, std::uint32_t count,
                       const std::byte* k, bool orEqual) const {
        std::uint32_t lo = 0, hi = count;
        while (lo < hi) {
            std::uint32_t mid = (lo + hi) / 2;
            int c = std::memcmp(first + mid * stride, k, key);
            if (c < 0 || (orEqual && c == 0))
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }
    // First leaf entry with key >= k (> k when `pastEqual`).
    std::uint32_t leafRank(const std::byte* p, std::uint32_t count, const std::byte* k,
                           bool pastEqual = false) const {
        return rank(leafKey(p, 0), leafEntry(), count, k, pastEqual);
    }
    // Child to follow for k: the number of separators <= k.
    std::uint32_t route(const std::byte* p, std::uint32_t count, const std::byte* k) const {
        return rank(innerKey(p, 0), innerEntry(), count, k, true);
    }
};

std::size_t metaBytes(const IndexMeta& m) {
    std::size_t n = m.name.size() + 2 * m.fieldNumbers.size();
    for (const auto& s : m.secondaryNames) n += 1 + s.size();
    return n;
}

void validateMeta(const IndexMeta& m, std::size_t ps) {
    auto bad = [](const std::string& why) {
        fail(ErrorCode::InvalidArgument, "Nieprawidłowa definicja indeksu: " + why + ".");
    };
    if (ps < kMinPageSize || ps > kMaxPageSize) bad("nieobsługiwany rozmiar strony");
    if (m.keySize == 0) bad("klucz nie może być pusty");
    Sizes s{ps, m.keySize, m.valueSize};
    if (s.leafEntry() > ps || s.innerEntry() > ps || s.leafCap() < kMinCapacity ||
        s.innerCap() < kMinCapacity)
        bad("klucz jest zbyt długi");
    if (m.name.size() > 255 || m.fieldNumbers.size() > 0xFFFF || m.secondaryNames.size() > 0xFFFF)
        bad("zbyt długa nazwa lub zbyt wiele pól");
    for (const auto& n : m.secondaryNames)
        if (n.size() > 255) bad("zbyt długa nazwa indeksu");
    if (kMetaStart + metaBytes(m) > ps - kTrailer) bad("opis nie mieści się w nagłówku");
}

void encodeHeader(std::byte* p, std::size_t ps, const IndexMeta& m, std::uint32_t root,
                  std::uint32_t height, std::uint64_t count, std::uint32_t freeHead) {
    std::memset(p, 0, ps);
    std::memcpy(p, kMagic, sizeof kMagic);
    le::put16(p + 6, kVersion);
    le::put32(p + 8, std::uint32_t(ps));
    le::put16(p + 12, m.keySize);
    le::put16(p + 14, m.valueSize);
    p[16] = std::byte((m.primary ? kFlagPrimary : 0) | (m.unique ? kFlagUnique : 0) |
                      (m.caseInsensitive ? kFlagCaseInsensitive : 0));
    le::put32(p + 20, root);
    le::put32(p + 24, height);
    le::put32(p + 28, freeHead);
    le::put64(p + 32, count);
    le::put32(p + 40, m.dataGeneration);
    le::put32(p + 44, m.dataRecordCount);
    le::put16(p + 48, std::uint16_t(m.fieldNumbers.size()));
    le::put16(p + 50, std::uint16_t(m.secondaryNames.size()));
    p[52] = std::byte(m.name.size());
    std::byte* q = p + kMetaStart;
    std::memcpy(q, m.name.data(), m.name.size());
    q += m.name.size();
    for (std::uint16_t f : m.fieldNumbers) {
        le::put16(q, f);
        q += 2;
    }
    for (const auto& s : m.secondaryNames) {
        *q++ = std::byte(s.size());
        std::memcpy(q, s.data(), s.size());
        q += s.size();
    }
    sealPage(0, p, ps);
}

}  // namespace

void BTree::create(Pager& pager, const IndexMeta& meta) {
    build(pager, meta, {});
}

void BTree::build(Pager& pager, const IndexMeta& meta, const std::vector<IndexEntry>& sorted) {
    const std::size_t ps = pager.pageSize();
    validateMeta(meta, ps);
    if (pager.pageCount() != 0)
        fail(ErrorCode::InvalidArgument, "Indeks można zbudować tylko w pustym pliku.");
    const Sizes s{ps, meta.keySize, meta.valueSize};
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (sorted[i].key.size() != s.key || sorted[i].value.size() != s.value)
            fail(ErrorCode::InvalidArgument, "Nieprawidłowa długość klucza lub wartości indeksu.");
        if (i > 0 && std::memcmp(sorted[i - 1].key.data(), sorted[i].key.data(), s.key) >= 0)
            fail(ErrorCode::InvalidArgument, "Klucze budowanego indeksu nie są rosnące.");
    }

    std::uint32_t header = pager.append();
    // Leaves packed full, chained left to right; then each level of internal nodes over the
    // one below until a single node remains.
    struct Node {
        std::uint32_t page;
        std::vector<std::byte> lowKey;
    };
    std::vector<Node> level;
    const std::uint32_t leafCap = s.leafCap();
    std::size_t next = 0;
    std::uint32_t prev = 0;
    do {
        std::uint32_t n = pager.append();
        std::byte* p = pager.write(n);
        initNode(p, ps, kLeaf);
        auto take = std::min<std::size_t>(leafCap, sorted.size() - next);
        for (std::size_t i = 0; i < take; ++i) {
            const auto& e = sorted[next + i];
            std::memcpy(s.leafKey(p, i), e.key.data(), s.key);
            if (s.value) std::memcpy(s.leafKey(p, i) + s.key, e.value.data(), s.value);
        }
        setCount(p, std::uint32_t(take));
        setLink1(p, prev);
        if (prev) setLink2(pager.write(prev), n);
        level.push_back({n, take ? sorted[next].key : std::vector<std::byte>{}});
        prev = n;
        next += take;
    } while (next < sorted.size());

    std::uint32_t height = 1;
    const std::uint32_t fanout = s.innerCap() + 1;
    while (level.size() > 1) {
        std::vector<Node> up;
        for (std::size_t first = 0; first < level.size(); first += fanout) {
            std::size_t last = std::min(level.size(), first + fanout);
            std::uint32_t n = pager.append();
            std::byte* p = pager.write(n);
            initNode(p, ps, kInner);
            setLink1(p, level[first].page);
            for (std::size_t c = first + 1; c < last; ++c) {
                std::byte* e = s.innerKey(p, c - first - 1);
                std::memcpy(e, level[c].lowKey.data(), s.key);
                le::put32(e + s.key, level[c].page);
            }
            setCount(p, std::uint32_t(last - first - 1));
            up.push_back({n, std::move(level[first].lowKey)});
        }
        level = std::move(up);
        ++height;
    }
    encodeHeader(pager.write(header), ps, meta, level[0].page, height, sorted.size(), 0);
    for (std::uint32_t n = 1; n < pager.pageCount(); ++n) sealPage(n, pager.write(n), ps);
}

BTree::BTree(Pager& pager, std::string path) : pager_(pager), path_(std::move(path)) {
    pageSize_ = pager_.pageSize();
    if (pageSize_ < kMinPageSize || pageSize_ > kMaxPageSize)
        fail(ErrorCode::InvalidArgument, "Nieobsługiwany rozmiar strony indeksu " + path_ + ".");
    // Pages are checked once as they come from the file; the ones this process wrote are
    // sealed by it.
    pager_.setPageCheck([path = path_, ps = pageSize_](std::uint32_t n, const std::byte* p) {
        if (!crcMatches(n, p, ps))
            fail(ErrorCode::Corrupt,
                 corruptMessage(path, pageText(n) + ": nieprawidłowa suma kontrolna"));
    });
    loadHeader();
}

void BTree::corrupt(const std::string& detail) const {
    fail(ErrorCode::Corrupt, corruptMessage(path_, detail));
}

void BTree::reload() {
    loadHeader();
}

void BTree::loadHeader() {
    const std::uint32_t pages = pager_.pageCount();
    if (pages < 2) corrupt("plik jest za krótki");
    const std::byte* p = pager_.read(0);
    const std::size_t ps = pageSize_;
    if (std::memcmp(p, kMagic, sizeof kMagic) != 0) corrupt("to nie jest plik indeksu");
    if (!crcMatches(0, p, ps)) corrupt("nagłówek: nieprawidłowa suma kontrolna");
    if (std::uint16_t v = le::get16(p + 6); v != kVersion)
        corrupt("nieobsługiwana wersja formatu " + std::to_string(v));
    if (le::get32(p + 8) != ps) corrupt("nieprawidłowy rozmiar strony");

    IndexMeta m;
    m.keySize = le::get16(p + 12);
    m.valueSize = le::get16(p + 14);
    std::uint8_t flags = std::uint8_t(p[16]);
    m.primary = flags & kFlagPrimary;
    m.unique = flags & kFlagUnique;
    m.caseInsensitive = flags & kFlagCaseInsensitive;
    std::uint32_t root = le::get32(p + 20);
    std::uint32_t height = le::get32(p + 24);
    std::uint32_t freeHead = le::get32(p + 28);
    std::uint64_t count = le::get64(p + 32);
    m.dataGeneration = le::get32(p + 40);
    m.dataRecordCount = le::get32(p + 44);
    std::size_t fields = le::get16(p + 48);
    std::size_t secondaries = le::get16(p + 50);
    std::size_t nameLen = std::size_t(p[52]);

    Sizes s{ps, m.keySize, m.valueSize};
    if (m.keySize == 0 || s.leafEntry() > ps || s.innerEntry() > ps || s.leafCap() < kMinCapacity ||
        s.innerCap() < kMinCapacity)
        corrupt("nieprawidłowa długość klucza");
    if (root == 0 || root >= pages) corrupt("nieprawidłowy korzeń drzewa");
    if (height == 0 || height > kMaxHeight) corrupt("nieprawidłowa wysokość drzewa");
    if (freeHead >= pages) corrupt("nieprawidłowa lista wolnych stron");
    if (count > std::uint64_t(pages) * s.leafCap()) corrupt("nieprawidłowa liczba wpisów");

    const std::byte* q = p + kMetaStart;
    const std::byte* end = p + ps - kTrailer;
    auto need = [&](std::size_t n) {
        if (std::size_t(end - q) < n) corrupt("nieprawidłowy opis indeksu");
    };
    need(nameLen + 2 * fields);
    m.name.assign(reinterpret_cast<const char*>(q), nameLen);
    q += nameLen;
    for (std::size_t i = 0; i < fields; ++i, q += 2) m.fieldNumbers.push_back(le::get16(q));
    for (std::size_t i = 0; i < secondaries; ++i) {
        need(1);
        std::size_t len = std::size_t(*q++);
        need(len);
        m.secondaryNames.emplace_back(reinterpret_cast<const char*>(q), len);
        q += len;
    }

    meta_ = std::move(m);
    root_ = root;
    height_ = height;
    count_ = count;
    freeHead_ = freeHead;
    leafCap_ = s.leafCap();
    innerCap_ = s.innerCap();
    touched_.clear();
    headerChanged_ = false;
}

void BTree::setMeta(const IndexMeta& meta) {
    if (meta.keySize != meta_.keySize || meta.valueSize != meta_.valueSize)
        fail(ErrorCode::InvalidArgument,
             "Nie można zmienić długości klucza istniejącego indeksu " + path_ + ".");
    validateMeta(meta, pageSize_);
    meta_ = meta;
    writeHeader();
    headerChanged_ = false;
}

void BTree::checkSizes(std::span<const std::byte> key,
                       const std::span<const std::byte>* value) const {
    if (key.size() != meta_.keySize || (value && value->size() != meta_.valueSize))
        fail(ErrorCode::InvalidArgument,
             "Nieprawidłowa długość klucza lub wartości indeksu " + path_ + ".");
}

const std::byte* BTree::readNode(std::uint32_t n, bool leaf) {
    if (n == 0 || n >= pager_.pageCount()) corrupt("odwołanie do strony spoza pliku");
    const std::byte* p = pager_.read(n);
    if (typeOf(p) != (leaf ? kLeaf : kInner)) corrupt(pageText(n) + ": nieoczekiwany typ strony");
    if (countOf(p) > (leaf ? leafCap_ : innerCap_)) corrupt(pageText(n) + ": zbyt wiele wpisów");
    return p;
}

std::byte* BTree::touch(std::uint32_t n) {
    touched_.insert(n);
    return pager_.write(n);
}

std::byte* BTree::writeNode(std::uint32_t n, bool leaf) {
    readNode(n, leaf);
    return touch(n);
}

void BTree::writeHeader() {
    encodeHeader(pager_.write(0), pageSize_, meta_, root_, height_, count_, freeHead_);
}

void BTree::seal() {
    if (headerChanged_) writeHeader();
    headerChanged_ = false;
    for (std::uint32_t n : touched_) sealPage(n, pager_.write(n), pageSize_);
    touched_.clear();
}

std::uint32_t BTree::descend(std::span<const std::byte> key, Step* path) {
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    std::uint32_t n = root_;
    for (std::uint32_t level = 0; level + 1 < height_; ++level) {
        const std::byte* p = readNode(n, false);
        std::uint32_t slot = s.route(p, countOf(p), key.data());
        path[level] = {n, slot};
        n = s.child(p, slot);
    }
    return n;
}

void BTree::walkFrom(std::uint32_t leaf, std::uint32_t i, const EntryVisitor& visit) {
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    // Emptied leaves are skipped; a chain longer than the file has pages is a cycle.
    for (std::uint32_t steps = 0; steps <= pager_.pageCount(); ++steps) {
        const std::byte* p = readNode(leaf, true);
        for (const std::uint32_t c = countOf(p); i < c; ++i) {
            const std::byte* e = s.leafKey(p, i);
            if (!visit({e, s.key}, {e + s.key, s.value})) return;
        }
        leaf = link2(p);
        if (leaf == 0) return;
        i = 0;
    }
    corrupt("pętla w łańcuchu liści");
}

std::optional<IndexEntry> BTree::forwardFrom(std::uint32_t leaf, std::uint32_t i) {
    std::optional<IndexEntry> found;
    walkFrom(leaf, i, [&](std::span<const std::byte> k, std::span<const std::byte> v) {
        found = IndexEntry{{k.begin(), k.end()}, {v.begin(), v.end()}};
        return false;
    });
    return found;
}

std::optional<IndexEntry> BTree::backwardFrom(std::uint32_t leaf, std::int64_t i) {
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    for (std::uint32_t steps = 0; steps <= pager_.pageCount(); ++steps) {
        const std::byte* p = readNode(leaf, true);
        if (i >= countOf(p)) i = std::int64_t(countOf(p)) - 1;
        if (i >= 0) {
            const std::byte* e = s.leafKey(p, std::size_t(i));
            return IndexEntry{{e, e + s.key}, {e + s.key, e + s.key + s.value}};
        }
        leaf = link1(p);
        if (leaf == 0) return std::nullopt;
        i = INT64_MAX;
    }
    corrupt("pętla w łańcuchu liści");
}

std::optional<IndexEntry> BTree::first() {
    std::uint32_t n = root_;
    for (std::uint32_t level = 0; level + 1 < height_; ++level) n = link1(readNode(n, false));
    return forwardFrom(n, 0);
}

std::optional<IndexEntry> BTree::last() {
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    std::uint32_t n = root_;
    for (std::uint32_t level = 0; level + 1 < height_; ++level) {
        const std::byte* p = readNode(n, false);
        n = s.child(p, countOf(p));
    }
    return backwardFrom(n, INT64_MAX);
}

BTree::Position BTree::position(std::span<const std::byte> key, bool pastEqual) {
    checkSizes(key, nullptr);
    std::array<Step, kMaxHeight> path;
    const std::uint32_t leaf = descend(key, path.data());
    const std::byte* p = readNode(leaf, true);
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    return {leaf, s.leafRank(p, countOf(p), key.data(), pastEqual)};
}

std::optional<IndexEntry> BTree::seek(std::span<const std::byte> key, Bound how) {
    // GE and LT part the keys before the first one >= key, GT and LE before the first > key.
    const Position at = position(key, how == Bound::GT || how == Bound::LE);
    if (how == Bound::GE || how == Bound::GT) return forwardFrom(at.leaf, at.slot);
    // Every key left of the leaf the descent reaches is below its separator, which is <= key,
    // so stepping back from that leaf is enough.
    return backwardFrom(at.leaf, std::int64_t(at.slot) - 1);
}

void BTree::walk(std::span<const std::byte> from, const EntryVisitor& visit) {
    const Position at = position(from, false);
    walkFrom(at.leaf, at.slot, visit);
}

std::optional<IndexEntry> BTree::find(std::span<const std::byte> key) {
    const Position at = position(key, false);
    const std::byte* p = readNode(at.leaf, true);
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    if (at.slot >= countOf(p) || std::memcmp(s.leafKey(p, at.slot), key.data(), s.key) != 0)
        return std::nullopt;
    const std::byte* e = s.leafKey(p, at.slot);
    return IndexEntry{{e, e + s.key}, {e + s.key, e + s.key + s.value}};
}

bool BTree::update(std::span<const std::byte> key, std::span<const std::byte> value) {
    checkSizes(key, &value);
    std::array<Step, kMaxHeight> path;
    std::uint32_t leaf = descend(key, path.data());
    const std::byte* p = readNode(leaf, true);
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    std::uint32_t i = s.leafRank(p, countOf(p), key.data());
    if (i >= countOf(p) || std::memcmp(s.leafKey(p, i), key.data(), s.key) != 0) return false;
    std::byte* w = touch(leaf);
    if (s.value) std::memcpy(s.leafKey(w, i) + s.key, value.data(), s.value);
    return true;
}

std::uint32_t BTree::allocPage() {
    std::uint32_t n;
    if (freeHead_ != 0) {
        n = freeHead_;
        if (n >= pager_.pageCount()) corrupt("nieprawidłowa lista wolnych stron");
        const std::byte* p = pager_.read(n);
        if (typeOf(p) != kFree) corrupt(pageText(n) + ": strona z listy wolnych jest zajęta");
        std::uint32_t next = link1(p);
        if (next >= pager_.pageCount() || next == n) corrupt("nieprawidłowa lista wolnych stron");
        freeHead_ = next;
    } else {
        n = pager_.append();
    }
    touch(n);
    return n;
}

void BTree::freePage(std::uint32_t n) {
    std::byte* p = touch(n);
    initNode(p, pageSize_, kFree);
    setLink1(p, freeHead_);
    freeHead_ = n;
}

bool BTree::insert(std::span<const std::byte> key, std::span<const std::byte> value) {
    checkSizes(key, &value);
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    std::array<Step, kMaxHeight> path;
    std::uint32_t leaf = descend(key, path.data());
    const std::byte* p = readNode(leaf, true);
    const std::uint32_t c = countOf(p);
    const std::uint32_t i = s.leafRank(p, c, key.data());
    if (i < c && std::memcmp(s.leafKey(p, i), key.data(), s.key) == 0) return false;

    const std::size_t e = s.leafEntry();
    std::byte* w = touch(leaf);
    if (c < leafCap_) {
        std::memmove(s.leafKey(w, i + 1), s.leafKey(w, i), (c - i) * e);
        std::memcpy(s.leafKey(w, i), key.data(), s.key);
        if (s.value) std::memcpy(s.leafKey(w, i) + s.key, value.data(), s.value);
        setCount(w, c + 1);
    } else {
        std::vector<std::byte> all((c + 1) * e);
        std::memcpy(all.data(), s.leafKey(w, 0), i * e);
        std::memcpy(all.data() + i * e, key.data(), s.key);
        if (s.value) std::memcpy(all.data() + i * e + s.key, value.data(), s.value);
        std::memcpy(all.data() + (i + 1) * e, s.leafKey(w, i), (c - i) * e);
        const std::uint32_t left = (c + 1) / 2;
        const std::uint32_t right = c + 1 - left;

        const std::uint32_t oldNext = link2(w);
        if (oldNext) writeNode(oldNext, true);  // checked before anything is allocated
        std::uint32_t r = allocPage();
        std::byte* rp = pager_.write(r);
        initNode(rp, pageSize_, kLeaf);
        std::memcpy(s.leafKey(rp, 0), all.data() + left * e, right * e);
        setCount(rp, right);
        setLink1(rp, leaf);
        setLink2(rp, oldNext);
        if (oldNext) setLink1(pager_.write(oldNext), r);

        std::memcpy(s.leafKey(w, 0), all.data(), left * e);
        std::memset(s.leafKey(w, left), 0, (leafCap_ - left) * e);
        setCount(w, left);
        setLink2(w, r);
        std::vector<std::byte> sep(all.data() + left * e, all.data() + left * e + s.key);
        insertIntoParent(path.data(), int(height_) - 2, std::move(sep), r);
    }
    ++count_;
    headerChanged_ = true;
    return true;
}

void BTree::insertIntoParent(const Step* path, int level, std::vector<std::byte> sep,
                             std::uint32_t right) {
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    const std::size_t e = s.innerEntry();
    for (;; --level) {
        if (level < 0) {
            if (height_ >= kMaxHeight) corrupt("drzewo jest zbyt wysokie");
            std::uint32_t n = allocPage();
            std::byte* p = pager_.write(n);
            initNode(p, pageSize_, kInner);
            setLink1(p, root_);
            std::memcpy(s.innerKey(p, 0), sep.data(), s.key);
            le::put32(s.innerKey(p, 0) + s.key, right);
            setCount(p, 1);
            root_ = n;
            ++height_;
            return;
        }
        const std::uint32_t n = path[level].page;
        const std::uint32_t slot = path[level].slot;
        std::byte* w = writeNode(n, false);
        const std::uint32_t c = countOf(w);
        if (slot > c) corrupt(pageText(n) + ": nieprawidłowy węzeł");
        if (c < innerCap_) {
            std::memmove(s.innerKey(w, slot + 1), s.innerKey(w, slot), (c - slot) * e);
            std::memcpy(s.innerKey(w, slot), sep.data(), s.key);
            le::put32(s.innerKey(w, slot) + s.key, right);
            setCount(w, c + 1);
            return;
        }
        // Split: of the c + 1 separators the middle one moves up; the child that followed
        // it becomes the new node's leftmost child.
        std::vector<std::byte> all((c + 1) * e);
        std::memcpy(all.data(), s.innerKey(w, 0), slot * e);
        std::memcpy(all.data() + slot * e, sep.data(), s.key);
        le::put32(all.data() + slot * e + s.key, right);
        std::memcpy(all.data() + (slot + 1) * e, s.innerKey(w, slot), (c - slot) * e);
        const std::uint32_t mid = (c + 1) / 2;

        std::uint32_t r = allocPage();
        std::byte* rp = pager_.write(r);
        initNode(rp, pageSize_, kInner);
        setLink1(rp, le::get32(all.data() + mid * e + s.key));
        const std::uint32_t rightCount = c - mid;
        std::memcpy(s.innerKey(rp, 0), all.data() + (mid + 1) * e, rightCount * e);
        setCount(rp, rightCount);

        std::memcpy(s.innerKey(w, 0), all.data(), mid * e);
        std::memset(s.innerKey(w, mid), 0, (innerCap_ - mid) * e);
        setCount(w, mid);

        sep.assign(all.data() + mid * e, all.data() + mid * e + s.key);
        right = r;
    }
}

bool BTree::erase(std::span<const std::byte> key) {
    checkSizes(key, nullptr);
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    std::array<Step, kMaxHeight> path;
    std::uint32_t leaf = descend(key, path.data());
    const std::byte* p = readNode(leaf, true);
    const std::uint32_t c = countOf(p);
    const std::uint32_t i = s.leafRank(p, c, key.data());
    if (i >= c || std::memcmp(s.leafKey(p, i), key.data(), s.key) != 0) return false;

    const std::size_t e = s.leafEntry();
    std::byte* w = touch(leaf);
    std::memmove(s.leafKey(w, i), s.leafKey(w, i + 1), (c - i - 1) * e);
    std::memset(s.leafKey(w, c - 1), 0, e);
    setCount(w, c - 1);
    if (c == 1 && height_ > 1) removeEmptyLeaf(leaf, path.data());
    --count_;
    headerChanged_ = true;
    return true;
}

void BTree::removeEmptyLeaf(std::uint32_t leaf, const Step* path) {
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    const std::size_t e = s.innerEntry();
    const std::byte* p = readNode(leaf, true);
    const std::uint32_t prev = link1(p);
    const std::uint32_t next = link2(p);
    if (prev) setLink2(writeNode(prev, true), next);
    if (next) setLink1(writeNode(next, true), prev);
    freePage(leaf);

    // Take the pointer out of the parent; a parent left without children goes as well.
    for (int level = int(height_) - 2; level >= 0; --level) {
        const std::uint32_t n = path[level].page;
        const std::uint32_t slot = path[level].slot;
        std::byte* w = writeNode(n, false);
        const std::uint32_t c = countOf(w);
        if (slot > c) corrupt(pageText(n) + ": nieprawidłowy węzeł");
        if (c == 0) {
            if (level == 0) {
                // The root lost its last child: the tree is empty again.
                initNode(w, pageSize_, kLeaf);
                height_ = 1;
                return;
            }
            freePage(n);
            continue;
        }
        if (slot == 0) {
            setLink1(w, le::get32(s.innerKey(w, 0) + s.key));
            std::memmove(s.innerKey(w, 0), s.innerKey(w, 1), (c - 1) * e);
        } else {
            std::memmove(s.innerKey(w, slot - 1), s.innerKey(w, slot), (c - slot) * e);
        }
        std::memset(s.innerKey(w, c - 1), 0, e);
        setCount(w, c - 1);
        break;
    }
    // A root with a single child is replaced by that child.
    while (height_ > 1) {
        const std::byte* r = readNode(root_, false);
        if (countOf(r) != 0) break;
        std::uint32_t only = link1(r);
        freePage(root_);
        root_ = only;
        --height_;
    }
}

void BTree::verify() {
    // A transaction in progress is checked as it will be written.
    seal();
    const std::byte* h = pager_.read(0);
    if (!crcMatches(0, h, pageSize_)) corrupt("nagłówek: nieprawidłowa suma kontrolna");
    if (le::get32(h + 20) != root_ || le::get32(h + 24) != height_ ||
        le::get32(h + 28) != freeHead_ || le::get64(h + 32) != count_)
        corrupt("nagłówek nie zgadza się z drzewem");

    const std::uint32_t pages = pager_.pageCount();
    std::vector<std::uint8_t> seen(pages, 0);
    seen[0] = 1;
    std::vector<std::uint32_t> leaves;
    std::uint64_t entries = 0;
    verifyNode(root_, 0, nullptr, nullptr, seen, leaves, entries);
    if (entries != count_) corrupt("liczba wpisów nie zgadza się z nagłówkiem");

    for (std::size_t i = 0; i < leaves.size(); ++i) {
        const std::byte* p = pager_.read(leaves[i]);
        std::uint32_t prev = i ? leaves[i - 1] : 0;
        std::uint32_t next = i + 1 < leaves.size() ? leaves[i + 1] : 0;
        if (link1(p) != prev || link2(p) != next)
            corrupt(pageText(leaves[i]) + ": błędne powiązanie liści");
    }
    for (std::uint32_t n = freeHead_; n != 0;) {
        if (n >= pages || seen[n]) corrupt("nieprawidłowa lista wolnych stron");
        seen[n] = 1;
        const std::byte* p = pager_.read(n);
        if (!crcMatches(n, p, pageSize_)) corrupt(pageText(n) + ": nieprawidłowa suma kontrolna");
        if (typeOf(p) != kFree) corrupt(pageText(n) + ": strona z listy wolnych jest zajęta");
        n = link1(p);
    }
    for (std::uint32_t n = 1; n < pages; ++n)
        if (!seen[n]) corrupt(pageText(n) + ": strona poza drzewem i listą wolnych");
}

void BTree::verifyNode(std::uint32_t n, std::uint32_t level, const std::byte* lo,
                       const std::byte* hi, std::vector<std::uint8_t>& seen,
                       std::vector<std::uint32_t>& leaves, std::uint64_t& entries) {
    const Sizes s{pageSize_, meta_.keySize, meta_.valueSize};
    if (n == 0 || n >= seen.size()) corrupt("odwołanie do strony spoza pliku");
    if (seen[n]) corrupt(pageText(n) + ": strona występuje w drzewie więcej niż raz");
    seen[n] = 1;
    const bool leaf = level + 1 == height_;
    readNode(n, leaf);
    // A private copy: the children's reads may evict the page from the cache.
    const std::byte* cached = pager_.read(n);
    std::vector<std::byte> page(cached, cached + pageSize_);
    const std::byte* p = page.data();
    if (!crcMatches(n, p, pageSize_)) corrupt(pageText(n) + ": nieprawidłowa suma kontrolna");

    // Keys strictly increasing within the page and inside [lo, hi) given by the parents.
    const std::uint32_t c = countOf(p);
    auto keyAt = [&](std::uint32_t i) { return leaf ? s.leafKey(p, i) : s.innerKey(p, i); };
    for (std::uint32_t i = 0; i < c; ++i) {
        const std::byte* k = keyAt(i);
        bool ordered = i == 0 ? (!lo || std::memcmp(lo, k, s.key) <= 0)
                              : std::memcmp(keyAt(i - 1), k, s.key) < 0;
        if (!ordered || (hi && std::memcmp(k, hi, s.key) >= 0))
            corrupt(pageText(n) + ": klucze w złej kolejności");
    }
    if (leaf) {
        if (c == 0 && n != root_) corrupt(pageText(n) + ": pusty liść");
        leaves.push_back(n);
        entries += c;
        return;
    }
    for (std::uint32_t i = 0; i <= c; ++i) {
        const std::byte* childLo = i ? s.innerKey(p, i - 1) : lo;
        const std::byte* childHi = i < c ? s.innerKey(p, i) : hi;
        verifyNode(s.child(p, i), level + 1, childLo, childHi, seen, leaves, entries);
    }
}

}  // namespace lumiro::engine
