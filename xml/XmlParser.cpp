// The engine's XML DOM parser and its Base64 coder, in one source file.
//
// The parser runs once over a NUL-terminated buffer: a tokenizer hands out
// markup tokens and words, and one call per element builds the node, first
// reading its attributes, then its content. The common cases (a text run up
// to its '<', the markup that starts with '<', name="value" attributes,
// plain tag names, an end tag that repeats its element's name) are read
// directly and everything else by the tokenizer; setXmlFastPaths(false)
// leaves it all to the tokenizer, which tests compare with. Text runs are
// remembered as spans of the buffer and only copied when closed, 16 or 32
// bytes at a time while their references are looked for. A tree's nodes,
// arrays and strings live in one arena that goes with its last node.

#include "xml/XmlParser.h"

#include "base/FileBytes.h"

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VARNO_XML_AVX2 1
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>

namespace {

// Copies n bytes, sizeof(Word) <= n <= 2 * sizeof(Word), as two overlapping
// words: both are read before either is written.
template <typename Word>
inline void copyEnds(char* to, const char* from, size_t n) {
    Word a, b;
    std::memcpy(&a, from, sizeof a);
    std::memcpy(&b, from + n - sizeof b, sizeof b);
    std::memcpy(to, &a, sizeof a);
    std::memcpy(to + n - sizeof b, &b, sizeof b);
}

// memcpy for the short names and values that make up most of a document,
// without a call: two overlapping moves of a power of two cover any length
// up to twice it.
inline void copyBytes(char* to, const char* from, size_t n) {
    if (n > 16) {
#if defined(__SSE2__)
        // Up to 64 bytes in two or four overlapping moves of 16.
        if (n <= 64) {
            const auto load = [from](size_t at) {
                return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
            };
            const auto store = [to](size_t at, __m128i v) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), v);
            };
            const __m128i a = load(0), b = load(n - 16);
            if (n > 32) {
                const __m128i c = load(16), d = load(n - 32);
                store(16, c);
                store(n - 32, d);
            }
            store(0, a);
            store(n - 16, b);
            return;
        }
#endif
        std::memcpy(to, from, n);
    } else if (n >= 8) {
        copyEnds<uint64_t>(to, from, n);
    } else if (n >= 4) {
        copyEnds<uint32_t>(to, from, n);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

// Large buffers are mapped on their own, in huge pages where the system
// offers them: filling one then costs a few page faults instead of one per
// 4 KiB. Smaller ones come from malloc. `mapped` is set to the mapping's
// length, or 0 for malloc's.
constexpr size_t kHugePage = size_t(2) << 20;

// Large buffers given back, kept for the next ones of the same length: a
// document read after another then writes into memory already in place
// instead of faulting in and clearing fresh pages. A few at most are kept.
// The first kResident bytes of them stay as they are; the kernel may take
// back the pages of the rest while they wait (MADV_FREE). Giving pages up
// that way is not free either: it breaks huge pages into small ones and
// flushes their mappings, which costs a large document's parse more than a
// tenth of its time when it comes back at once.
class BufferCache {
public:
    static BufferCache& instance() {
        static BufferCache cache;
        return cache;
    }
    void* take(size_t length) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int i = 0; i < count_; ++i) {
            if (entries_[i].length == length) {
                void* p = entries_[i].p;
                resident_ -= entries_[i].resident ? length : 0;
                entries_[i] = entries_[--count_];
                return p;
            }
        }
        return nullptr;
    }
    bool keep(void* p, size_t length) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_ == kEntries) {
            return false;
        }
        const bool resident = resident_ + length <= kResident;
        if (resident) {
            resident_ += length;
        } else {
#if defined(MADV_FREE)
            madvise(p, length, MADV_FREE);
#endif
        }
        entries_[count_++] = Entry{p, length, resident};
        return true;
    }

private:
    static constexpr int kEntries = 8;
    static constexpr size_t kResident = size_t(32) << 20;
    struct Entry {
        void* p;
        size_t length;
        bool resident;
    };
    size_t resident_ = 0;  // bytes of the entries kept as they are
    std::mutex mutex_;
    Entry entries_[kEntries] = {};
    int count_ = 0;
};

void* allocateBuffer(size_t n, size_t& mapped) {
    mapped = 0;
    if (n >= kHugePage) {
        const size_t length = (n + kHugePage - 1) & ~(kHugePage - 1);
        if (void* kept = BufferCache::instance().take(length)) {
            mapped = length;
            return kept;
        }
        void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            madvise(p, length, MADV_HUGEPAGE);
            mapped = length;
            return p;
        }
    }
    return std::malloc(n);
}

void freeBuffer(void* p, size_t mapped) {
    if (mapped != 0) {
        if (!BufferCache::instance().keep(p, mapped)) {
            munmap(p, mapped);
        }
    } else {
        std::free(p);
    }
}

// The storage of one tree: its nodes, their arrays and their strings, carved
// from large blocks that never move, so that pointers handed out stay valid
// while more is added. Every node made in it holds a count on it, and the
// blocks go when the last node does; nothing is freed before. A parse then
// costs a handful of allocations instead of several per element.
class Arena {
public:
    static Arena* create(size_t firstBlock) {
        Arena* arena = new Arena;
        arena->nextBlock_ = firstBlock;
        return arena;
    }
    // Counts of the nodes made in it: the arena goes with the last of them.
    void retain() { ++refs_; }
    void release() {
        if (--refs_ == 0) {
            delete this;
        }
    }
    // Counts of the handles on its nodes. When the last goes, no node of the
    // tree can be reached any more, and the arena goes at once, its nodes
    // with it, without visiting them.
    void addHandle() { ++handles_; }
    bool dropHandle() { return --handles_ == 0; }
    void discard() { delete this; }

    // n bytes of stable storage, aligned for any of the node's records.
    void* allocate(size_t n) {
        const uintptr_t at = (uintptr_t(next_) + kAlign - 1) & ~uintptr_t(kAlign - 1);
        if (at + n > uintptr_t(end_)) {
            grow(n);
            return bytes(n);
        }
        next_ = reinterpret_cast<char*>(at + n);
        return reinterpret_cast<char*>(at);
    }
    // n bytes for characters, unaligned.
    char* bytes(size_t n) {
        if (size_t(end_ - next_) < n) {
            grow(n);
        }
        char* p = next_;
        next_ += n;
        return p;
    }
    const char* copy(const char* s, size_t n) {
        char* p = bytes(n + 1);
        copyBytes(p, s, n);
        p[n] = '\0';
        return p;
    }
    const char* copy(const char* s) { return copy(s, std::strlen(s)); }
    // Takes back the end of the last bytes handed out, from `end` on.
    void giveBack(char* end) { next_ = end; }
    // Bytes handed out so far.
    size_t used() const { return blockBytes_ - size_t(end_ - next_); }

private:
    static constexpr size_t kAlign = alignof(void*);
    // Blocks double up to this size.
    static constexpr size_t kLargestBlock = size_t(4) << 20;
    struct Block {
        Block* next;
        size_t bytes;  // the whole mapping, for a mapped block; 0 for malloc's
    };
    Arena() = default;
    ~Arena() {
        while (head_ != nullptr) {
            Block* next = head_->next;
            freeBuffer(head_, head_->bytes);
            head_ = next;
        }
    }
    __attribute__((noinline)) void grow(size_t n) {
        const size_t size = n > nextBlock_ ? n : nextBlock_;
        size_t mapped = 0;
        Block* block = static_cast<Block*>(allocateBuffer(sizeof(Block) + size, mapped));
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        block->next = head_;
        block->bytes = mapped;
        head_ = block;
        blockBytes_ -= size_t(end_ - next_);  // what the last block leaves unused
        next_ = reinterpret_cast<char*>(block + 1);
        end_ = mapped != 0 ? reinterpret_cast<char*>(block) + mapped : next_ + size;
        blockBytes_ += size_t(end_ - next_);
        nextBlock_ = nextBlock_ * 2 > kLargestBlock ? kLargestBlock : nextBlock_ * 2;
    }

    Block* head_ = nullptr;
    char* next_ = nullptr;
    char* end_ = nullptr;
    size_t nextBlock_ = 0;
    size_t blockBytes_ = 0;  // in the blocks, less what earlier ones left unused
    int refs_ = 0;
    int handles_ = 0;
};

// A growable array of plain records kept in an arena. Growing leaves the old
// storage behind in the arena.
template <typename T>
struct Array {
    T* items = nullptr;
    uint32_t count = 0;
    uint32_t capacity = 0;

    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    T& operator[](size_t i) { return items[i]; }
    const T& operator[](size_t i) const { return items[i]; }
    T* begin() { return items; }
    T* end() { return items + count; }
    const T* begin() const { return items; }
    const T* end() const { return items + count; }

    void push(Arena& arena, const T& value) {
        if (count == capacity) {
            grow(arena, count + 1);
        }
        items[count++] = value;
    }
    void insert(Arena& arena, size_t i, const T& value) {
        if (count == capacity) {
            grow(arena, count + 1);
        }
        std::memmove(items + i + 1, items + i, (count - i) * sizeof(T));
        items[i] = value;
        ++count;
    }
    void erase(size_t i) {
        std::memmove(items + i, items + i + 1, (count - i - 1) * sizeof(T));
        --count;
    }
    // Exactly n records copied from `source`, in place of what was there.
    void assign(Arena& arena, const T* source, size_t n) {
        items = static_cast<T*>(arena.allocate(n * sizeof(T)));
        std::memcpy(items, source, n * sizeof(T));
        count = capacity = uint32_t(n);
    }

private:
    void grow(Arena& arena, size_t needed) {
        size_t wanted = capacity < 4 ? 4 : size_t(capacity) * 2;
        wanted = wanted < needed ? needed : wanted;
        T* bigger = static_cast<T*>(arena.allocate(wanted * sizeof(T)));
        if (count > 0) {
            copyBytes(reinterpret_cast<char*>(bigger), reinterpret_cast<const char*>(items),
                      count * sizeof(T));
        }
        items = bigger;
        capacity = uint32_t(wanted);
    }
};

}  // namespace

// The shared data behind DomNode handles, kept in the arena of its tree.
struct DomNodeData {
    Arena* arena = nullptr;
    const char* name = nullptr;  // null for an unnamed node
    uint32_t nameLength = 0;
    bool isDeclaration = false;
    int refCount = 1;
    DomNodeData* parent = nullptr;
    Array<DomNodeData*> children;  // each holds one count on its child
    Array<const char*> texts;      // entity-decoded
    Array<ClearSection> clears;
    Array<DomAttribute> attributes;
    Array<int32_t> order;  // index * 4 + DomItemKind, in document order

    // childByName(name, index) called with index 0, 1, 2 ... resumes from the
    // previous match instead of rescanning from the first child. The name is
    // that of the child last found, which equals the one asked for.
    mutable const char* lookupName = nullptr;
    mutable int lookupIndex = -1;
    mutable int lookupPosition = -1;

    bool hasName() const { return name != nullptr; }
    int elementCount() const {
        return int(children.size() + texts.size() + clears.size() + attributes.size());
    }
    void forgetLookup() { lookupIndex = -1; }
};

const ClearTag kClearTags[5] = {
    {"<![CDATA[", 9, "]]>"}, {"<PRE>", 5, "</PRE>"}, {"<Script>", 8, "</Script>"},
    {"<!--", 4, "-->"},      {"<!DOCTYPE", 9, ">"},
};

namespace {

constexpr int kDoctype = 4;  // the DOCTYPE's place in kClearTags

struct Entity {
    const char* text;
    int length;
    char character;
};
constexpr Entity kEntities[5] = {
    {"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'}, {"&quot;", 6, '"'}, {"&apos;", 6, '\''},
};

// Bytes per character, indexed by the first byte. 0 only for NUL.
struct WidthTable {
    uint8_t width[256];
    constexpr explicit WidthTable(bool utf8) : width() {
        for (int b = 0; b < 256; ++b) {
            uint8_t w = 1;
            if (b == 0) {
                w = 0;
            } else if (utf8 && b >= 0xC2 && b <= 0xDF) {
                w = 2;
            } else if (utf8 && b >= 0xE0 && b <= 0xEF) {
                w = 3;
            } else if (utf8 && b >= 0xF0 && b <= 0xF4) {
                w = 4;
            }
            width[b] = w;
        }
    }
};
constexpr WidthTable kUtf8Widths(true);
constexpr WidthTable kSingleByteWidths(false);

// What the writer looks at: the characters it writes as entities (their
// place in kEntities, plus one) and, in UTF-8 mode, the lead bytes of
// multi-byte characters; 0 for bytes copied as they are.
struct EscapeTable {
    static constexpr uint8_t kLead = 8;
    uint8_t kind[256];
    constexpr explicit EscapeTable(bool utf8) : kind() {
        for (int b = 0; b < 256; ++b) {
            kind[b] = b == '&' ? 1 : b == '<' ? 2 : b == '>' ? 3 : b == '"' ? 4 : b == '\'' ? 5 : 0;
            if (utf8 && b >= 0xC2 && b <= 0xF4) {
                kind[b] = kLead;
            }
        }
    }
};
constexpr EscapeTable kUtf8Escapes(true);
constexpr EscapeTable kSingleByteEscapes(false);

// Process-wide options.
bool g_guessUnicode = true;
bool g_utf8 = true;

const uint8_t* currentWidths() {
    return g_utf8 ? kUtf8Widths.width : kSingleByteWidths.width;
}

inline bool isXmlSpace(char c) {
    return c == '\n' || c == ' ' || c == '\t' || c == '\r';
}

inline char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// Case-insensitive (ASCII) comparison of two NUL-terminated strings.
bool equalsIgnoringCase(const char* a, const char* b) {
    while (*a != '\0' && lowerAscii(*a) == lowerAscii(*b)) {
        ++a;
        ++b;
    }
    return lowerAscii(*a) == lowerAscii(*b);
}

// Whether `text` starts with the n bytes of `prefix`, ignoring case. Stops at
// a NUL in `text`, which never matches.
bool startsWithIgnoringCase(const char* text, const char* prefix, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c != prefix[i] && (c == '\0' || lowerAscii(c) != lowerAscii(prefix[i]))) {
            return false;
        }
    }
    return true;
}

// The predefined entity that [p, end) starts with, its name in any case.
const Entity* predefinedEntity(const char* p, const char* end) {
    const ptrdiff_t left = end - p;
    for (const Entity& entity : kEntities) {  // as the table spells it, the usual case
        if (left >= entity.length && std::memcmp(p, entity.text, size_t(entity.length)) == 0) {
            return &entity;
        }
    }
    for (const Entity& entity : kEntities) {
        if (left >= entity.length &&
            startsWithIgnoringCase(p, entity.text, size_t(entity.length))) {
            return &entity;
        }
    }
    return nullptr;
}

// The next character of a NUL-terminated text: a multi-byte character is
// stepped over whole but never past a NUL.
inline const char* stepChar(const char* p, const uint8_t* widths) {
    const unsigned w = widths[uint8_t(*p)];
    if (w <= 1) {
        return p + 1;
    }
    for (unsigned k = 1; k < w; ++k) {
        if (p[k] == '\0') {
            return p + k;
        }
    }
    return p + w;
}

// Width of the character at p inside [p, end), clamped to the end.
inline size_t charWidthWithin(const char* p, const char* end, const uint8_t* widths) {
    size_t w = widths[uint8_t(*p)];
    if (w == 0) {
        w = 1;
    }
    const size_t left = size_t(end - p);
    return w < left ? w : left;
}

#if defined(VARNO_XML_AVX2)
// Whether the processor runs AVX2 code, asked once (false, and the SSE2 code
// used, for a parse run by a static constructor before this is set).
const bool g_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));

// CharWriter::copyUntil() 32 bytes at a time, for [s, end) of 32 bytes or
// more.
__attribute__((target("avx2"))) const char* copyUntilAvx2(char*& to, const char* s, const char* end,
                                                          char c) {
    const __m256i target = _mm256_set1_epi8(c);
    const char* const last = end - 32;
    for (;;) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), v);
        const unsigned hits = unsigned(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, target)));
        if (hits != 0) {
            const int n = __builtin_ctz(hits);
            to += n;
            return s + n;
        }
        if (s == last) {
            to += 32;
            return end;
        }
        // The last piece overlaps bytes already seen to hold no `c`.
        const ptrdiff_t step = last - s < 32 ? last - s : 32;
        s += step;
        to += step;
    }
}
#endif

// Decoded bytes written straight into storage known to be large enough, in
// place of a std::string: decoding only shrinks a text unless it refers to a
// declared entity.
struct CharWriter {
    char* p;
    bool sawNul = false;  // only references give one: the source has none
    void push_back(char c) {
        sawNul = sawNul || c == '\0';
        *p++ = c;
    }
    void append(const char* s, size_t n) {
        copyBytes(p, s, n);
        p += n;
    }
    // Copies [s, end) up to the first `c`, and returns where that is (end
    // when there is none): 16 or 32 bytes at a time where the processor has
    // SSE2 or AVX2, never writing past what the whole of [s, end) would take.
    const char* copyUntil(const char* s, const char* end, char c) {
        // A local pointer: stores through `p` itself could change it.
        char* to = p;
#if defined(VARNO_XML_AVX2)
        if (end - s >= 32 && g_avx2) {
            s = copyUntilAvx2(to, s, end, c);
            p = to;
            return s;
        }
#endif
#if defined(__SSE2__)
        if (end - s >= 16) {
            const __m128i target = _mm_set1_epi8(c);
            const char* const last = end - 16;
            for (;;) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v);
                const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(v, target));
                if (hits != 0) {
                    const int n = __builtin_ctz(unsigned(hits));
                    p = to + n;
                    return s + n;
                }
                if (s == last) {
                    p = to + 16;
                    return end;
                }
                // The last piece is the last 16 bytes, overlapping bytes
                // already seen to hold no `c`.
                const ptrdiff_t step = last - s < 16 ? last - s : 16;
                s += step;
                to += step;
            }
        }
#endif
        while (s < end && *s != c) {
            *to++ = *s++;
        }
        p = to;
        return s;
    }
};

template <typename Out>
void appendUtf8(Out& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// The largest code point; a reference above it stands for its low byte.
constexpr uint32_t kMaxCodePoint = 0x10FFFF;

// A numeric reference from just after "&#" to the ';' at `semicolon`, appended
// to `out`: the character's UTF-8 bytes in UTF-8 mode, else (or above
// U+10FFFF) the value's low byte. No digits give the value 0. False for a
// character that is not a digit.
template <typename Out>
bool appendReference(const char* q, const char* semicolon, bool utf8, Out& out) {
    const bool hex = q < semicolon && (*q == 'x' || *q == 'X');
    if (hex) {
        ++q;
    }
    // Unsigned arithmetic wraps at 2^32, a multiple of 256, so the low byte
    // is that of the full value however long the reference.
    uint32_t value = 0;
    bool beyond = false;  // past the last code point
    for (; q < semicolon; ++q) {
        const char c = *q;
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = uint32_t(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = uint32_t(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = uint32_t(c - 'A' + 10);
        } else {
            return false;
        }
        value = value * (hex ? 16u : 10u) + digit;
        beyond = beyond || value > kMaxCodePoint;
    }
    if (utf8 && !beyond) {
        appendUtf8(out, value);
    } else {
        out.push_back(char(value & 0xFFu));
    }
    return true;
}

// Copies [p, end) with its character references expanded, as an entity's
// text is when it is declared; anything else, a malformed reference too, is
// kept as written.
std::string expandCharacterReferences(const char* p, const char* end, bool utf8) {
    std::string out;
    while (p < end) {
        const char* amp = static_cast<const char*>(std::memchr(p, '&', size_t(end - p)));
        if (amp == nullptr) {
            break;
        }
        out.append(p, size_t(amp - p));
        p = amp + 1;
        const char* semicolon = static_cast<const char*>(std::memchr(p, ';', size_t(end - p)));
        const size_t mark = out.size();
        if (*p != '#' || semicolon == nullptr || !appendReference(p + 1, semicolon, utf8, out)) {
            out.resize(mark);
            out.push_back('&');
            continue;
        }
        p = semicolon + 1;
    }
    out.append(p, size_t(end - p));
    return out;
}

// Entity-encodes n bytes (no NUL among them) for `sink(const char*, size_t)`.
// A multi-byte character is copied whole, as the tokenizer will read it back;
// the bytes of one cut short by the end of the string are written as
// references, since its lead byte would otherwise swallow the markup that
// follows it. Each is a reference past U+10FFFF, which reads back as its low
// byte alone.
template <typename Sink>
void encodeEntities(const char* s, size_t n, const uint8_t* widths, Sink&& sink) {
    const uint8_t* kinds =
        widths == kUtf8Widths.width ? kUtf8Escapes.kind : kSingleByteEscapes.kind;
    const char* p = s;
    const char* end = s + n;
    const char* run = p;  // start of bytes copied unchanged
    while (p < end) {
        while (p < end && kinds[uint8_t(*p)] == 0) {
            ++p;
        }
        if (p == end) {
            break;
        }
        const uint8_t kind = kinds[uint8_t(*p)];
        if (kind != EscapeTable::kLead) {
            const Entity& entity = kEntities[kind - 1];
            sink(run, size_t(p - run));
            sink(entity.text, size_t(entity.length));
            run = ++p;
            continue;
        }
        const size_t w = widths[uint8_t(*p)];
        if (w <= size_t(end - p)) {
            p += w;
        } else {
            sink(run, size_t(p - run));
            for (; p < end; ++p) {
                char reference[12];
                const int length = std::snprintf(reference, sizeof reference, "&#x%X;",
                                                 unsigned(kMaxCodePoint + 1 + uint8_t(*p)));
                sink(reference, size_t(length));
            }
            run = p;
        }
    }
    sink(run, size_t(p - run));
}

// Out of line: Writer::node recurses once per level of nesting.
__attribute__((noinline)) void appendEscaped(std::string& out, const char* text,
                                             const uint8_t* widths) {
    encodeEntities(text, std::strlen(text), widths,
                   [&out](const char* s, size_t n) { out.append(s, n); });
}

void appendSpaceReferences(std::string& out, const char* p, const char* end) {
    for (; p < end; ++p) {
        out += *p == ' ' ? "&#32;" : *p == '\t' ? "&#9;" : *p == '\n' ? "&#10;" : "&#13;";
    }
}

// A text as the reader will take it back: the white space it would trim at
// either end is written as references.
__attribute__((noinline)) void appendText(std::string& out, const char* text,
                                          const uint8_t* widths) {
    const char* end = text + std::strlen(text);
    const char* first = text;
    while (first < end && isXmlSpace(*first)) {
        ++first;
    }
    const char* last = end;
    while (last > first && isXmlSpace(last[-1])) {
        --last;
    }
    appendSpaceReferences(out, text, first);
    encodeEntities(first, size_t(last - first), widths,
                   [&out](const char* s, size_t n) { out.append(s, n); });
    appendSpaceReferences(out, last, end);
}

bool sameString(const char* a, const char* b) {
    return a == b || (a != nullptr && b != nullptr && std::strcmp(a, b) == 0);
}

}  // namespace

// First block sizes: a node built by hand, and a parsed document.
constexpr size_t kSmallArena = 1024;
constexpr size_t kParseArena = 64 * 1024;

// Reference counting and the node-level edits shared by the parser and the
// public operations.
struct DomNodeAccess {
    static DomNodeData* data(const DomNode& node) { return node.data_; }
    // A handle's count: on the node, and on its arena's handles.
    static void hold(DomNodeData* d) {
        ++d->refCount;
        d->arena->addHandle();
    }
    // A new handle on node data, counted.
    static DomNode share(DomNodeData* d) {
        hold(d);
        return DomNode(d);
    }
    // A handle for new node data, whose first count becomes the handle's.
    static DomNode adopt(DomNodeData* d) {
        d->arena->addHandle();
        return DomNode(d);
    }

    // What a handle gives up.
    static void releaseHandle(DomNodeData* d) {
        if (d == nullptr) {
            return;
        }
        Arena* arena = d->arena;
        const bool lastHandle = arena->dropHandle();
        if (lastHandle && d->refCount == 1 && d->parent == nullptr) {
            arena->discard();  // a whole tree nothing else reaches
            return;
        }
        release(d);
    }

    // New node data in `arena`, counted once for its first holder.
    static DomNodeData* newNode(Arena* arena) {
        DomNodeData* d = new (arena->allocate(sizeof(DomNodeData))) DomNodeData;
        d->arena = arena;
        arena->retain();
        return d;
    }

    // One count on node data: a handle's, after releaseHandle, or a parent's
    // on its child.
    static void release(DomNodeData* d) {
        if (d == nullptr || --d->refCount > 0) {
            return;
        }
        if (d->parent != nullptr) {
            detachFromParent(d);
        }
        for (DomNodeData* child : d->children) {
            child->parent = nullptr;
            release(child);
        }
        Arena* arena = d->arena;
        d->~DomNodeData();
        arena->release();
    }

    // Takes node data nobody counts any more out of its parent's arrays.
    static void detachFromParent(DomNodeData* d) {
        DomNodeData* parent = d->parent;
        d->parent = nullptr;
        for (size_t i = 0; i < parent->children.size(); ++i) {
            if (parent->children[i] == d) {
                parent->children.erase(i);
                removeOrderEntry(parent, ItemChild, int(i));
                parent->forgetLookup();
                return;
            }
        }
    }

    static void removeOrderEntry(DomNodeData* d, int kind, int index) {
        Array<int32_t>& order = d->order;
        const int32_t entry = index * 4 + kind;
        for (size_t i = 0; i < order.size(); ++i) {
            if (order[i] == entry) {
                order.erase(i);
                break;
            }
        }
        for (int32_t& e : order) {
            if ((e & 3) == kind && (e >> 2) > index) {
                e -= 4;
            }
        }
    }

    // Where an item of `kind` asked for at order `position` goes: before the
    // first entry of that kind at or after the position, else at the end.
    // Returns the order slot and sets the array index.
    static size_t placeFor(const DomNodeData* d, int kind, int position, size_t arraySize,
                           size_t& arrayIndex) {
        const Array<int32_t>& order = d->order;
        if (position >= 0 && size_t(position) < order.size()) {
            for (size_t j = size_t(position); j < order.size(); ++j) {
                if ((order[j] & 3) == kind) {
                    arrayIndex = size_t(order[j] >> 2);
                    return j;
                }
            }
        }
        arrayIndex = arraySize;
        return order.size();
    }

    static void insertOrderEntry(DomNodeData* d, int kind, size_t slot, size_t arrayIndex) {
        for (int32_t& e : d->order) {
            if ((e & 3) == kind && size_t(e >> 2) >= arrayIndex) {
                e += 4;
            }
        }
        d->order.insert(*d->arena, slot, int32_t(arrayIndex) * 4 + kind);
    }

    static DomNodeData* newChild(DomNodeData* parent, const char* name, size_t length,
                                 bool isDeclaration) {
        DomNodeData* child = newNode(parent->arena);
        child->name = parent->arena->copy(name, length);
        child->nameLength = uint32_t(length);
        child->isDeclaration = isDeclaration;
        child->parent = parent;
        parent->order.push(*parent->arena, int32_t(parent->children.size()) * 4 + ItemChild);
        parent->children.push(*parent->arena, child);
        return child;
    }

    static bool sameTree(const DomNodeData* a, const DomNodeData* b) {
        if (a == b) {
            return true;
        }
        if (a == nullptr || b == nullptr || !sameString(a->name, b->name) ||
            a->isDeclaration != b->isDeclaration || a->order.size() != b->order.size() ||
            a->texts.size() != b->texts.size() || a->attributes.size() != b->attributes.size() ||
            a->clears.size() != b->clears.size() || a->children.size() != b->children.size()) {
            return false;
        }
        if (!a->order.empty() && std::memcmp(a->order.begin(), b->order.begin(),
                                             a->order.size() * sizeof(int32_t)) != 0) {
            return false;
        }
        for (size_t i = 0; i < a->texts.size(); ++i) {
            if (!sameString(a->texts[i], b->texts[i])) {
                return false;
            }
        }
        for (size_t i = 0; i < a->attributes.size(); ++i) {
            const DomAttribute& x = a->attributes[i];
            const DomAttribute& y = b->attributes[i];
            if (!sameString(x.name, y.name) || !sameString(x.value, y.value)) {
                return false;
            }
        }
        for (size_t i = 0; i < a->clears.size(); ++i) {
            const ClearSection& x = a->clears[i];
            const ClearSection& y = b->clears[i];
            if (!sameString(x.value, y.value) || !sameString(x.openTag, y.openTag) ||
                !sameString(x.closeTag, y.closeTag)) {
                return false;
            }
        }
        for (size_t i = 0; i < a->children.size(); ++i) {
            if (!sameTree(a->children[i], b->children[i])) {
                return false;
            }
        }
        return true;
    }
};

namespace {

// ---------------------------------------------------------------------------
// The tokenizer and the element parse.

enum class Tok : uint8_t {
    End,
    ClearStart,
    Quoted,
    TagStart,
    EndTagStart,
    DeclarationStart,
    ShortClose,
    Equals,
    TagClose,
    Word,
};

// Tokens that content mode takes as text.
inline bool isTextToken(Tok type) {
    return type == Tok::Word || type == Tok::Quoted || type == Tok::TagClose ||
           type == Tok::Equals || type == Tok::ShortClose;
}

struct Token {
    Tok type;
    const char* start;
    const char* end;
    int clear;          // index into kClearTags for ClearStart
    bool hasAmpersand;  // for words and quoted tokens: whether '&' may occur
};

// Bytes the word and quoted scans must look at; every other byte is one
// character of the token. Lead bytes of multi-byte characters are among them
// in UTF-8 mode, and so is '&' so that values without entities skip decoding.
// The text scan looks only at what can end a text run, '<' and NUL, and at
// the lead bytes that may hide a '<' inside a character.
struct ScanTable {
    bool word[256];
    bool quoted[256];
    bool text[256];
    bool reference[256];  // '&' and lead bytes, for finding references
    constexpr explicit ScanTable(bool utf8) : word(), quoted(), text(), reference() {
        for (int b = 0; b < 256; ++b) {
            const bool lead = utf8 && b >= 0xC2 && b <= 0xF4;
            const bool common = b == 0 || b == '&' || lead;
            word[b] = common || b == '\n' || b == ' ' || b == '\t' || b == '\r' || b == '<' ||
                      b == '>' || b == '=' || b == '/';
            quoted[b] = common || b == '"' || b == '\'' || b == '<';
            text[b] = b == 0 || b == '<' || lead;
            reference[b] = b == '&' || lead;
        }
    }
};

// Whether the parser takes its fast paths; off, every token goes through the
// tokenizer, which the fast paths must agree with.
bool g_fastPaths = true;
constexpr ScanTable kUtf8Scan(true);
constexpr ScanTable kSingleByteScan(false);

// A general entity declared in the DOCTYPE: its text, with character
// references expanded as at declaration, or no text for an external one
// (never read: referring to it is an unknown entity).
struct DeclaredEntity {
    std::string text;
    bool external = false;
    bool expanding = false;  // being expanded: a reference to it now is a loop
};

class Parser {
public:
    explicit Parser(const char* text)
        : text_(text),
          pos_(text),
          widths_(currentWidths()),
          scan_(g_utf8 ? &kUtf8Scan : &kSingleByteScan),
          utf8_(g_utf8),
          fast_(g_fastPaths) {}

    // Content mode of `node` (the top node, or an element whose start tag was
    // closed with '>'). False when the parse failed.
    bool parseContent(DomNodeData* node, int depth);

    ParseError error() const { return error_; }
    // Where the error happened: the remembered place for the warning, the
    // parse position for an error.
    const char* errorPosition() const { return error_ == WarningUnmatchedEndTag ? warnAt_ : pos_; }

private:
    Token next();
    Token markup(const char* p);
    Token nextName();
    const char* scanWord(const char* p, bool& hasAmpersand) const;
    const char* textRunEnd(const char* p) const;
    const char* nextReference(const char* p, const char* end) const;
    bool startsChar(const char* p, const char* q) const;
    __attribute__((noinline)) bool startsCharAfterLead(const char* p, const char* q) const;
    void plainAttributes(Arena& arena);
    bool fail(ParseError code) {
        error_ = code;
        return false;
    }
    void warn(const char* at) {
        if (error_ == ErrorNone) {
            error_ = WarningUnmatchedEndTag;
            warnAt_ = at;
        }
    }
    // The steps of the content parse are kept out of line so that their
    // locals do not add to the frame parseContent keeps per level of nesting.
    __attribute__((noinline)) DomNodeData* startChild(DomNodeData* node, bool isDeclaration,
                                                      int depth, bool& complete);
    __attribute__((noinline)) bool endTag(const DomNodeData* node);
    __attribute__((noinline)) bool clearSection(DomNodeData* node, int clear);
    __attribute__((noinline)) bool closeText(DomNodeData* node, const char* start, const char* end);
    // Attribute mode of a new element: false on failure; `complete` tells a
    // short-closed element from one whose content follows.
    bool parseAttributes(DomNodeData* node, bool& complete);
    bool endStartTag(DomNodeData* node, bool shortClose, bool& complete);
    // Appends the entity-decoded bytes of [p, end) to `out`; the reasons it
    // fails are ErrorUnknownEntity, ErrorEntityLoop and ErrorEntityExpansion.
    template <typename Out>
    ParseError decodeRun(const char* p, const char* end, Out& out, int depth);
    // [start, end) decoded into the arena: null with no text (the references
    // gave nothing) or on failure.
    const char* decodeInto(Arena& arena, const char* start, const char* end);
    void declareEntities(const char* p, const char* end);
    bool matchesName(const DomNodeData* node, const char* word) const;
    // `hasAmpersand` false: the value holds no entity and is copied as it is.
    bool addAttribute(Arena& arena, const char* name, const char* nameEnd, const char* value,
                      const char* valueEnd, bool hasValue, bool hasAmpersand);

    const char* text_;
    const char* pos_;
    const uint8_t* widths_;
    const ScanTable* scan_;
    bool utf8_;
    bool fast_;
    ParseError error_ = ErrorNone;
    const char* warnAt_ = nullptr;
    const char* pendingEnd_ = nullptr;  // an end tag that closed none of the open elements yet
    // An end tag met inside a declaration, which has none: the first element
    // around it that the tag does not close records the warning.
    bool pendingUnwarned_ = false;
    const char* pendingAt_ = nullptr;
    std::unordered_map<std::string, DeclaredEntity> entities_;
    // Bytes of entity text that expansions may still copy, set when the first
    // entity is declared.
    size_t expansionBudget_ = 0;
    // The attributes of the element being read, their strings already in
    // the tree's arena; the records go there too when the start tag ends.
    std::vector<DomAttribute> attributes_;
    std::string textBytes_;  // a text being decoded
};

// A word runs until whitespace, '<', '>', '=', "/>" or NUL.
const char* Parser::scanWord(const char* p, bool& hasAmpersand) const {
    for (;;) {
        while (!scan_->word[uint8_t(*p)]) {
            ++p;
        }
        const char c = *p;
        if (c == '&') {
            hasAmpersand = true;
            ++p;
        } else if (c == '/' && p[1] != '>') {
            ++p;
        } else if (widths_[uint8_t(c)] > 1) {
            p = stepChar(p, widths_);
        } else {
            return p;
        }
    }
}

// Where the markup after a text run starts: the tokens of content mode up
// to there would all be text. `p` is inside the run, at a character's start.
const char* Parser::textRunEnd(const char* p) const {
    if (fast_) {
        const char* q = strchrnul(p, '<');
        if (startsChar(p, q)) {
            return q;
        }
    }
    for (;;) {
        while (!scan_->text[uint8_t(*p)]) {
            ++p;
        }
        if (*p == '<' || *p == '\0') {
            return p;
        }
        p = stepChar(p, widths_);
    }
}

// Whether stepping character by character from p (where one starts) lands
// on q rather than inside a character, a NUL counting as one byte like any
// other. Only a lead byte in the three bytes before q can reach it; when
// there is one, the step is taken from the nearest place known to start a
// character: p, or one with no lead byte in the three bytes before it.
bool Parser::startsChar(const char* p, const char* q) const {
    if (!utf8_ || (q - p >= 3 && ((q[-1] | q[-2] | q[-3]) & 0x80) == 0)) {
        return true;  // no byte that could lead a character
    }
    return startsCharAfterLead(p, q);
}

bool Parser::startsCharAfterLead(const char* p, const char* q) const {
    const auto leadIn = [this](const char* from, const char* to) {
        for (; from < to; ++from) {
            if (widths_[uint8_t(*from)] > 1) {
                return true;
            }
        }
        return false;
    };
    if (!leadIn(q - 3 > p ? q - 3 : p, q)) {
        return true;
    }
    const char* from = q - 3 > p ? q - 3 : p;
    while (from > p && leadIn(from - 3 > p ? from - 3 : p, from)) {
        --from;
    }
    while (from < q) {
        const unsigned w = widths_[uint8_t(*from)];
        from += w > 1 ? w : 1;
    }
    return from == q;
}

// The next '&' in [p, end) that is not inside a multi-byte character, or end.
const char* Parser::nextReference(const char* p, const char* end) const {
    if (fast_) {
        const char* q = static_cast<const char*>(std::memchr(p, '&', size_t(end - p)));
        if (q == nullptr) {
            return end;
        }
        if (startsChar(p, q)) {
            return q;
        }
    }
    for (;;) {
        while (p < end && !scan_->reference[uint8_t(*p)]) {
            ++p;
        }
        if (p == end || *p == '&') {
            return p;
        }
        p += charWidthWithin(p, end, widths_);
    }
}

// The common run of attributes in a start tag, name="value" or name='value'
// with no entity, no multi-byte character and nothing unusual, read without
// the tokenizer: it stops before anything else, which the tokenizer reads.
void Parser::plainAttributes(Arena& arena) {
    for (;;) {
        const char* name = pos_;
        while (isXmlSpace(*name)) {
            ++name;
        }
        const char* nameEnd = name;
        while (!scan_->word[uint8_t(*nameEnd)]) {
            ++nameEnd;
        }
        if (nameEnd == name || *nameEnd != '=' || *name == '"' || *name == '\'') {
            return;
        }
        const char* open = nameEnd + 1;
        while (isXmlSpace(*open)) {
            ++open;
        }
        const char quote = *open;
        if (quote != '"' && quote != '\'') {
            return;
        }
        const char* close = open + 1;
        while (!scan_->quoted[uint8_t(*close)]) {
            ++close;
        }
        if (*close != quote) {
            return;
        }
        DomAttribute& attribute = attributes_.emplace_back();
        attribute.name = arena.copy(name, size_t(nameEnd - name));
        attribute.value = arena.copy(open + 1, size_t(close - open - 1));
        pos_ = close + 1;
    }
}

// The token after "<", "<?" or "</": a name that starts right there and ends
// at a plain delimiter is read directly, anything else by the tokenizer.
Token Parser::nextName() {
    if (fast_) {
        const char* name = pos_;
        const char* end = name;
        while (!scan_->word[uint8_t(*end)]) {
            ++end;
        }
        const char c = *end;
        if (end > name && *name != '"' && *name != '\'' && c != '&' && widths_[uint8_t(c)] <= 1 &&
            (c != '/' || end[1] == '>')) {
            pos_ = end;
            return Token{Tok::Word, name, end, -1, false};
        }
    }
    return next();
}

// The token of markup that starts with '<' at p.
inline Token Parser::markup(const char* p) {
    Token t{Tok::TagStart, p, p + 1, -1, false};
    const char n = p[1];
    if (n == '/') {
        t.type = Tok::EndTagStart;
        t.end = p + 2;
    } else if (n == '?') {
        t.type = Tok::DeclarationStart;
        t.end = p + 2;
    } else {
        // The clear tags in table order, each only where its second
        // character is: CDATA, comment and DOCTYPE after '!', PRE after 'P',
        // Script after 'S'.
        const auto opens = [&t, p](int i) {
            const ClearTag& tag = kClearTags[i];
            if (!startsWithIgnoringCase(p, tag.open, size_t(tag.openLength))) {
                return false;
            }
            t.type = Tok::ClearStart;
            t.end = p + tag.openLength;
            t.clear = i;
            return true;
        };
        const char second = lowerAscii(n);
        if (second == '!') {
            opens(0) || opens(3) || opens(4);
        } else if (second == 'p') {
            opens(1);
        } else if (second == 's') {
            opens(2);
        }
    }
    pos_ = t.end;
    return t;
}

Token Parser::next() {
    const char* p = pos_;
    while (isXmlSpace(*p)) {
        ++p;
    }
    Token t{Tok::Word, p, p, -1, false};
    switch (*p) {
        case '\0':
            t.type = Tok::End;
            break;
        case '<':
            return markup(p);
        case '"':
        case '\'': {
            const char quote = *p;
            const char* q = p + 1;
            for (;;) {
                while (!scan_->quoted[uint8_t(*q)]) {
                    ++q;
                }
                const char c = *q;
                if (c == quote) {
                    t.type = Tok::Quoted;
                    t.end = q + 1;
                    break;
                }
                if (c == '<' || c == '\0') {
                    // No closing quote before the markup: a word that starts
                    // with the quote character.
                    t.hasAmpersand = false;
                    t.end = scanWord(p + 1, t.hasAmpersand);
                    break;
                }
                t.hasAmpersand = t.hasAmpersand || c == '&';
                q = stepChar(q, widths_);
            }
            break;
        }
        case '/':
            if (p[1] == '>') {
                t.type = Tok::ShortClose;
                t.end = p + 2;
            } else {
                t.end = scanWord(p + 1, t.hasAmpersand);
            }
            break;
        case '=':
            t.type = Tok::Equals;
            t.end = p + 1;
            break;
        case '>':
            t.type = Tok::TagClose;
            t.end = p + 1;
            break;
        default:
            t.end = scanWord(p, t.hasAmpersand);
            break;
    }
    pos_ = t.end;
    return t;
}

// End-tag name matching: the element's name, ignoring case, then a character
// that can end a word. An unnamed element never matches, nor does a
// declaration, which has no end tag.
bool Parser::matchesName(const DomNodeData* node, const char* word) const {
    if (!node->hasName() || node->isDeclaration) {
        return false;
    }
    const size_t n = node->nameLength;
    if (!startsWithIgnoringCase(word, node->name, n)) {
        return false;
    }
    const char after = word[n];
    return isXmlSpace(after) || after == '/' || after == '<' || after == '>' || after == '=';
}

template <typename Out>
ParseError Parser::decodeRun(const char* p, const char* end, Out& out, int depth) {
    while (p < end) {
        const char* amp = nullptr;
        if constexpr (std::is_same<Out, CharWriter>::value) {
            if (fast_) {
                // Copied while the reference is looked for.
                amp = out.copyUntil(p, end, '&');
                while (amp != end && !startsChar(p, amp)) {
                    out.push_back('&');  // inside a character
                    amp = out.copyUntil(amp + 1, end, '&');
                }
            }
        }
        if (amp == nullptr) {
            amp = nextReference(p, end);
            out.append(p, size_t(amp - p));
        }
        if (amp == end) {
            break;
        }
        p = amp;
        if (p + 1 < end && p[1] == '#') {
            const char* semicolon = static_cast<const char*>(std::memchr(p, ';', size_t(end - p)));
            if (semicolon == nullptr || !appendReference(p + 2, semicolon, utf8_, out)) {
                return ErrorUnknownEntity;
            }
            p = semicolon + 1;
            continue;
        }
        if (const Entity* entity = predefinedEntity(p, end)) {
            out.push_back(entity->character);
            p += entity->length;
            continue;
        }
        const char* semicolon =
            static_cast<const char*>(std::memchr(p + 1, ';', size_t(end - p - 1)));
        if (semicolon == nullptr || entities_.empty()) {
            return ErrorUnknownEntity;
        }
        const auto found = entities_.find(std::string(p + 1, semicolon));
        if (found == entities_.end() || found->second.external) {
            return ErrorUnknownEntity;
        }
        DeclaredEntity& entity = found->second;
        if (entity.expanding) {
            return ErrorEntityLoop;
        }
        // Every expansion is charged its whole text, so that neither the bytes
        // copied nor the references followed can grow without bound.
        const size_t cost = entity.text.size() + 1;
        if (depth >= kXmlMaxEntityDepth || cost > expansionBudget_) {
            return ErrorEntityExpansion;
        }
        expansionBudget_ -= cost;
        entity.expanding = true;
        const ParseError error =
            decodeRun(entity.text.data(), entity.text.data() + entity.text.size(), out, depth + 1);
        entity.expanding = false;
        if (error != ErrorNone) {
            return error;
        }
        p = semicolon + 1;
    }
    return ErrorNone;
}

namespace {

bool startsWithAt(const char* p, const char* end, const char* prefix, size_t n) {
    return size_t(end - p) >= n && std::memcmp(p, prefix, n) == 0;
}

// Past the next `close` (n bytes) in [p, end), or null.
const char* pastClose(const char* p, const char* end, const char* close, size_t n) {
    for (; size_t(end - p) >= n; ++p) {
        if (std::memcmp(p, close, n) == 0) {
            return p + n;
        }
    }
    return nullptr;
}

// What follows "<!DOCTYPE": the declaration ends at the first '>', unless a
// '[' outside quotes comes first. Then the internal subset runs to its ']'
// (quoted literals, comments and processing instructions in it may hold ']'
// and '>') and the declaration ends at the next '>'. Null when it never ends;
// otherwise the '>' and, when there is one, the subset's bounds.
const char* doctypeEnd(const char* p, const char*& subset, const char*& subsetEnd) {
    subset = subsetEnd = nullptr;
    char quote = 0;
    for (;; ++p) {
        const char c = *p;
        if (c == '\0' || c == '>') {
            return c == '>' ? p : nullptr;
        }
        if (quote != 0) {
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            break;
        }
    }
    subset = ++p;
    const char* end = p + std::strlen(p);
    while (p < end && *p != ']') {
        if (startsWithAt(p, end, "<!--", 4)) {
            p = pastClose(p + 4, end, "-->", 3);
        } else if (startsWithAt(p, end, "<?", 2)) {
            p = pastClose(p + 2, end, "?>", 2);
        } else if (*p == '"' || *p == '\'') {
            p = static_cast<const char*>(std::memchr(p + 1, *p, size_t(end - p - 1)));
            p = p != nullptr ? p + 1 : nullptr;
        } else {
            ++p;
        }
        if (p == nullptr) {
            return nullptr;
        }
    }
    if (p == end) {
        return nullptr;
    }
    subsetEnd = p;
    return std::strchr(p, '>');
}

const char* skipSpace(const char* p, const char* end) {
    while (p < end && isXmlSpace(*p)) {
        ++p;
    }
    return p;
}

}  // namespace

// The general entities an internal subset declares, the first declaration of
// a name winning. Parameter entities and everything else are passed over.
void Parser::declareEntities(const char* p, const char* end) {
    if (expansionBudget_ == 0) {
        const size_t tenTimes = 10 * std::strlen(text_);
        expansionBudget_ = tenTimes > kXmlMaxEntityExpansion ? tenTimes : kXmlMaxEntityExpansion;
    }
    // The subset's comments and literals were found to end when the DOCTYPE
    // was scanned; a null step is only a guard.
    while (p != nullptr && p < end) {
        if (startsWithAt(p, end, "<!--", 4)) {
            p = pastClose(p + 4, end, "-->", 3);
            continue;
        }
        if (startsWithAt(p, end, "<?", 2)) {
            p = pastClose(p + 2, end, "?>", 2);
            continue;
        }
        if (*p == '"' || *p == '\'') {
            p = static_cast<const char*>(std::memchr(p + 1, *p, size_t(end - p - 1)));
            p = p != nullptr ? p + 1 : nullptr;
            continue;
        }
        if (!startsWithAt(p, end, "<!ENTITY", 8)) {
            ++p;
            continue;
        }
        p = skipSpace(p + 8, end);
        const bool parameter = p < end && *p == '%';
        if (parameter) {
            p = skipSpace(p + 1, end);
        }
        const char* name = p;
        while (p < end && !isXmlSpace(*p) && *p != '"' && *p != '\'' && *p != '>') {
            ++p;
        }
        const std::string key(name, p);
        p = skipSpace(p, end);
        DeclaredEntity entity;
        if (p < end && (*p == '"' || *p == '\'')) {
            const char* close =
                static_cast<const char*>(std::memchr(p + 1, *p, size_t(end - p - 1)));
            if (close == nullptr) {
                return;
            }
            entity.text = expandCharacterReferences(p + 1, close, utf8_);
            p = close + 1;
        } else {
            entity.external = true;  // SYSTEM or PUBLIC: never fetched
        }
        if (!parameter && !key.empty()) {
            entities_.emplace(key, std::move(entity));
        }
    }
}

bool Parser::closeText(DomNodeData* node, const char* start, const char* end) {
    while (end > start && isXmlSpace(end[-1])) {
        --end;
    }
    Arena& arena = *node->arena;
    const char* text = nullptr;
    // The fast path copies and looks for references in one go.
    if (!fast_ && std::memchr(start, '&', size_t(end - start)) == nullptr) {
        text = arena.copy(start, size_t(end - start));
    } else {
        text = decodeInto(arena, start, end);
        if (text == nullptr) {
            return error_ <= WarningUnmatchedEndTag;  // references to nothing leave no text
        }
    }
    node->texts.push(arena, text);
    node->order.push(arena, int32_t(node->texts.size() - 1) * 4 + ItemText);
    return true;
}

const char* Parser::decodeInto(Arena& arena, const char* start, const char* end) {
    size_t n = 0;
    char* text = nullptr;
    if (entities_.empty()) {
        text = arena.bytes(size_t(end - start) + 1);
        CharWriter out{text};
        if (const ParseError error = decodeRun(start, end, out, 0)) {
            fail(error);
            return nullptr;
        }
        n = size_t(out.p - text);
        arena.giveBack(text + n + 1);
        if (!out.sawNul) {
            text[n] = '\0';
            return n > 0 ? text : nullptr;
        }
    } else {
        textBytes_.clear();
        if (const ParseError error = decodeRun(start, end, textBytes_, 0)) {
            fail(error);
            return nullptr;
        }
        n = textBytes_.size();
        text = arena.bytes(n + 1);
        std::memcpy(text, textBytes_.data(), n);
    }
    text[n] = '\0';
    // A reference to 0 ends the string there, as it would a C string.
    const size_t length = std::strlen(text);
    return length > 0 ? text : nullptr;
}

bool Parser::addAttribute(Arena& arena, const char* name, const char* nameEnd, const char* value,
                          const char* valueEnd, bool hasValue, bool hasAmpersand) {
    const char* storedName = arena.copy(name, size_t(nameEnd - name));
    const char* storedValue = nullptr;
    if (hasValue && !hasAmpersand) {
        storedValue = arena.copy(value, size_t(valueEnd - value));
    } else if (hasValue) {
        storedValue = decodeInto(arena, value, valueEnd);
        if (storedValue == nullptr) {
            if (error_ > WarningUnmatchedEndTag) {
                return false;
            }
            storedValue = arena.copy("", 0);
        }
    }
    DomAttribute& attribute = attributes_.emplace_back();
    attribute.name = storedName;
    attribute.value = storedValue;
    return true;
}

bool Parser::parseAttributes(DomNodeData* node, bool& complete) {
    if (fast_ && *pos_ == '>' && !node->isDeclaration) {
        ++pos_;  // no attributes, and content follows
        complete = false;
        return true;
    }
    enum class State { AfterName, Name, Value } state = State::AfterName;
    const char* name = nullptr;
    const char* nameEnd = nullptr;
    attributes_.clear();
    Arena& arena = *node->arena;
    for (;;) {
        if (state == State::AfterName && fast_ && !node->isDeclaration) {
            plainAttributes(arena);
            // The usual end of the start tag, read directly.
            const char* p = pos_;
            while (isXmlSpace(*p)) {
                ++p;
            }
            if (*p == '>' || (*p == '/' && p[1] == '>')) {
                pos_ = p + (*p == '>' ? 1 : 2);
                return endStartTag(node, *p == '/', complete);
            }
        }
        const Token t = next();
        switch (state) {
            case State::AfterName:
                if (t.type == Tok::Word) {
                    name = t.start;
                    nameEnd = t.end;
                    state = State::Name;
                    continue;
                }
                if (t.type != Tok::TagClose && t.type != Tok::ShortClose) {
                    return fail(ErrorUnexpectedToken);
                }
                break;
            case State::Name:
                if (t.type == Tok::Word) {
                    if (!addAttribute(arena, name, nameEnd, nullptr, nullptr, false, false)) {
                        return false;
                    }
                    name = t.start;
                    nameEnd = t.end;
                    continue;
                }
                if (t.type == Tok::Equals) {
                    state = State::Value;
                    continue;
                }
                if (t.type != Tok::TagClose && t.type != Tok::ShortClose) {
                    return fail(ErrorUnexpectedToken);
                }
                if (node->isDeclaration && nameEnd[-1] == '?') {
                    --nameEnd;
                }
                if ((!node->isDeclaration || nameEnd > name) &&
                    !addAttribute(arena, name, nameEnd, nullptr, nullptr, false, false)) {
                    return false;
                }
                break;
            case State::Value: {
                if (t.type != Tok::Word && t.type != Tok::Quoted) {
                    return fail(ErrorUnexpectedToken);
                }
                const char* value = t.start;
                const char* valueEnd = t.end;
                if (t.type == Tok::Quoted) {
                    ++value;
                    --valueEnd;
                }
                if (node->isDeclaration && valueEnd > value && valueEnd[-1] == '?') {
                    --valueEnd;
                }
                if (nameEnd > name &&
                    !addAttribute(arena, name, nameEnd, value, valueEnd, true, t.hasAmpersand)) {
                    return false;
                }
                state = State::AfterName;
                continue;
            }
        }
        return endStartTag(node, t.type == Tok::ShortClose, complete);
    }
}

// The start tag ended with '>' or, `shortClose`, "/>".
bool Parser::endStartTag(DomNodeData* node, bool shortClose, bool& complete) {
    if (!attributes_.empty()) {
        node->attributes.assign(*node->arena, attributes_.data(), attributes_.size());
    }
    complete = shortClose;
    return true;
}

// The start tag after '<' or "<?": the child with its attributes, or null
// when the parse failed. `complete` is set for a short-closed element.
DomNodeData* Parser::startChild(DomNodeData* node, bool isDeclaration, int depth, bool& complete) {
    const Token name = nextName();
    if (name.type != Tok::Word) {
        fail(ErrorMissingStartTagName);
        return nullptr;
    }
    if (depth >= kXmlMaxDepth) {
        fail(ErrorNestingTooDeep);
        return nullptr;
    }
    // "<?pi?>": the '?' before the '>' (or "/>") closes the declaration.
    const char* nameEnd = name.end;
    if (isDeclaration && (*nameEnd == '>' || *nameEnd == '/') && nameEnd - name.start > 1 &&
        nameEnd[-1] == '?') {
        --nameEnd;
    }
    DomNodeData* child =
        DomNodeAccess::newChild(node, name.start, size_t(nameEnd - name.start), isDeclaration);
    return parseAttributes(child, complete) ? child : nullptr;
}

// The rest of an end tag after "</": whether it closes `node` or stays
// pending for the elements around it.
bool Parser::endTag(const DomNodeData* node) {
    if (fast_ && node->hasName() && !node->isDeclaration && node->name[0] != '"' &&
        node->name[0] != '\'') {
        // The usual end tag: the element's own name as it was written, then
        // '>'. The name's characters end where they ended in the start tag.
        const char* p = pos_;
        const char* name = node->name;
        const char* const nameEnd = name + node->nameLength;
        while (name < nameEnd && *p == *name) {
            ++p;
            ++name;
        }
        if (name == nameEnd && *p == '>') {
            pos_ = p + 1;
            return true;
        }
    }
    const Token word = nextName();
    if (word.type != Tok::Word) {
        return fail(ErrorMissingEndTagName);
    }
    if (fast_ && *pos_ == '>') {
        ++pos_;
    } else if (next().type != Tok::TagClose) {
        return fail(ErrorMissingEndTagName);
    }
    if (!matchesName(node, word.start)) {
        if (node->isDeclaration) {
            pendingUnwarned_ = true;
            pendingAt_ = pos_;
        } else {
            warn(pos_);
        }
        pendingEnd_ = word.start;
    }
    return true;
}

// A clear section after its opening: the raw bytes up to the closing.
bool Parser::clearSection(DomNodeData* node, int clear) {
    const ClearTag& tag = kClearTags[clear];
    const char* close = nullptr;
    if (clear == kDoctype) {
        const char* subset = nullptr;
        const char* subsetEnd = nullptr;
        close = doctypeEnd(pos_, subset, subsetEnd);
        if (subset != nullptr && close != nullptr) {
            declareEntities(subset, subsetEnd);
        }
    } else {
        close = std::strstr(pos_, tag.close);
    }
    if (close == nullptr) {
        return fail(ErrorUnmatchedClearTagEnd);
    }
    Arena& arena = *node->arena;
    node->clears.push(arena,
                      ClearSection{arena.copy(pos_, size_t(close - pos_)), tag.open, tag.close});
    node->order.push(arena, int32_t(node->clears.size() - 1) * 4 + ItemClear);
    pos_ = close + std::strlen(tag.close);
    return true;
}

bool Parser::parseContent(DomNodeData* node, int depth) {
    const char* textStart = nullptr;
    for (;;) {
        if (fast_ && textStart == nullptr) {
            // Anything but markup or the end starts a text token: the run
            // goes on to the next '<'.
            const char* p = pos_;
            while (isXmlSpace(*p)) {
                ++p;
            }
            if (*p != '<' && *p != '\0') {
                textStart = p;
                p = textRunEnd(p);
            }
            pos_ = p;
        }
        const Token t = fast_ && *pos_ == '<' ? markup(pos_) : next();
        if (isTextToken(t.type)) {
            if (textStart == nullptr) {
                textStart = t.start;
                if (fast_) {
                    pos_ = textRunEnd(t.end);
                }
            }
            continue;
        }
        if (t.type == Tok::End) {
            if (!node->isDeclaration && node->parent != nullptr) {
                warn(pos_);
            }
            return true;
        }
        // Markup: the open text run ends before it.
        if (textStart != nullptr && !closeText(node, textStart, t.start)) {
            return false;
        }
        textStart = nullptr;
        if (t.type == Tok::EndTagStart) {
            return endTag(node);
        }
        if (t.type == Tok::ClearStart) {
            if (!clearSection(node, t.clear)) {
                return false;
            }
            continue;
        }
        // '<' or "<?": a child element.
        bool complete = false;
        DomNodeData* child = startChild(node, t.type == Tok::DeclarationStart, depth, complete);
        if (child == nullptr || (!complete && !parseContent(child, depth + 1))) {
            return false;
        }
        if (pendingEnd_ != nullptr) {
            // An end tag that did not close the child: it closes this element
            // too, and is consumed here if it names it.
            if (!node->hasName()) {
                return fail(ErrorUnmatchedEndTag);
            }
            if (matchesName(node, pendingEnd_)) {
                pendingEnd_ = nullptr;
                pendingUnwarned_ = false;
            } else if (pendingUnwarned_ && !node->isDeclaration) {
                warn(pendingAt_);
                pendingUnwarned_ = false;
            }
            return true;
        }
    }
}

void lineAndColumn(const char* text, const char* position, int& line, int& column) {
    const uint8_t* widths = currentWidths();
    line = 1;
    column = 1;
    for (const char* p = text; p < position && *p != '\0'; p = stepChar(p, widths)) {
        if (*p == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
}

// ---------------------------------------------------------------------------
// Files: UTF-16 detection and conversion.

enum class Utf16 { None, LittleEndian, BigEndian };

// UTF-16 by its byte-order mark, or without one by the NUL bytes that ASCII
// characters leave in every second byte.
Utf16 detectUtf16(const uint8_t* b, size_t n, size_t& header) {
    header = 0;
    if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        header = 2;
        return Utf16::LittleEndian;
    }
    if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        header = 2;
        return Utf16::BigEndian;
    }
    const size_t pairs = (n < 512 ? n : 512) / 2;
    size_t evenZeros = 0;
    size_t oddZeros = 0;
    for (size_t i = 0; i < pairs; ++i) {
        evenZeros += b[2 * i] == 0;
        oddZeros += b[2 * i + 1] == 0;
    }
    if (oddZeros * 2 > pairs && evenZeros * 4 < oddZeros) {
        return Utf16::LittleEndian;
    }
    if (evenZeros * 2 > pairs && oddZeros * 4 < evenZeros) {
        return Utf16::BigEndian;
    }
    return Utf16::None;
}

// UTF-16 to UTF-8; false for an unpaired surrogate. A trailing odd byte is
// ignored.
bool utf16ToUtf8(const uint8_t* b, size_t n, bool bigEndian, std::string& out) {
    const size_t units = n / 2;
    auto unit = [b, bigEndian](size_t i) -> uint32_t {
        return bigEndian ? uint32_t(b[2 * i] << 8 | b[2 * i + 1])
                         : uint32_t(b[2 * i + 1] << 8 | b[2 * i]);
    };
    out.clear();
    out.reserve(units + units / 2);
    for (size_t i = 0; i < units; ++i) {
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= units) {
                return false;
            }
            const uint32_t low = unit(i + 1);
            if (low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return false;
        }
        appendUtf8(out, cp);
    }
    return true;
}

// A tag given by a caller: the table's own string when it is one of them
// (CDATA's for none), else a copy kept with the node.
const char* keepTag(Arena& strings, const char* tag, bool open) {
    if (tag == nullptr) {
        return open ? kClearTags[0].open : kClearTags[0].close;
    }
    for (const ClearTag& entry : kClearTags) {
        const char* own = open ? entry.open : entry.close;
        if (std::strcmp(tag, own) == 0) {
            return own;
        }
    }
    return strings.copy(tag);
}

void writeTabs(std::string& out, int count) {
    if (count > 0) {
        out.append(size_t(count), '\t');
    }
}

// The writer's state: the text so far and the layout. With a file, the
// text goes out in pieces of about kSpill bytes.
struct Writer {
    std::string& out;
    bool format;
    const uint8_t* widths;
    FILE* file = nullptr;
    bool failed = false;

    static constexpr size_t kSpill = 64 * 1024;
    void spill(size_t atLeast) {
        if (file != nullptr && out.size() >= atLeast) {
            failed = failed || std::fwrite(out.data(), 1, out.size(), file) != out.size();
            out.clear();
        }
    }

    void line(int tabs) {
        if (format) {
            writeTabs(out, tabs);
        }
    }
    void endLine() {
        if (format) {
            out.push_back('\n');
        }
    }

    // Start tag: '<', '?' for a declaration, the name and the attributes, then
    // "?>", '>' or "/>". A declaration's content runs to the end of its
    // parent, so one that has none but is followed by more is closed with
    // "?/>".
    __attribute__((noinline)) void opening(const DomNodeData* d, int level, bool hasContent,
                                           bool last) {
        line(level);
        out.push_back('<');
        if (d->isDeclaration) {
            out.push_back('?');
        }
        out.append(d->name, d->nameLength);
        for (const DomAttribute& attribute : d->attributes) {
            out.push_back(' ');
            out += attribute.name;
            if (attribute.value != nullptr) {
                out += "=\"";
                const size_t n = std::strlen(attribute.value);
                if (d->isDeclaration && n > 0 && attribute.value[n - 1] == '?') {
                    // The reader drops a '?' that ends a declaration's value.
                    const std::string kept(attribute.value, n - 1);
                    appendEscaped(out, kept.c_str(), widths);
                    out += "&#63;";
                } else {
                    appendEscaped(out, attribute.value, widths);
                }
                out.push_back('"');
            }
        }
        out += d->isDeclaration ? (hasContent || last ? "?>" : "?/>") : hasContent ? ">" : "/>";
        endLine();
        spill(kSpill);
    }

    __attribute__((noinline)) void item(const DomNodeData* d, int32_t entry, int indent) {
        const size_t index = size_t(entry >> 2);
        line(indent);
        if ((entry & 3) == ItemText) {
            appendText(out, d->texts[index], widths);
        } else {
            const ClearSection& clear = d->clears[index];
            out += clear.openTag;
            out += clear.value;
            out += clear.closeTag;
        }
        endLine();
        spill(kSpill);
    }

    __attribute__((noinline)) void closing(const DomNodeData* d, int level) {
        line(level);
        out += "</";
        out.append(d->name, d->nameLength);
        out.push_back('>');
        endLine();
        spill(kSpill);
    }

    // One node at `level` (-1 when not formatted). An unnamed node writes
    // only its content, at its own level; a declaration's children stay at
    // its level.
    // `last`: nothing follows the node in its parent.
    void node(const DomNodeData* d, int level, bool last) {
        const bool hasContent = !d->children.empty() || !d->texts.empty() || !d->clears.empty();
        int childLevel = level;
        int textIndent = level;
        if (d->hasName()) {
            opening(d, level, hasContent, last);
            childLevel = format ? (d->isDeclaration ? level : level + 1) : -1;
            textIndent = level + 1;
        }
        const size_t n = d->order.size();
        for (size_t i = 0; i < n; ++i) {
            const int32_t entry = d->order[i];
            if ((entry & 3) == ItemChild) {
                node(d->children[size_t(entry >> 2)], childLevel, i + 1 == n);
            } else {
                item(d, entry, textIndent);
            }
        }
        if (d->hasName() && hasContent && !d->isDeclaration) {
            closing(d, level);
        }
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// DomNode

const char* errorText(ParseError code) {
    switch (code) {
        case ErrorNone:
            return "No error";
        case WarningUnmatchedEndTag:
            return "Warning: Unmatched end tag";
        case ErrorNoXmlData:
            return "Error: No XML data";
        case ErrorFirstNotStartTag:
            return "Error: First token not start tag";
        case ErrorMissingStartTagName:
            return "Error: Missing start tag name";
        case ErrorMissingEndTagName:
            return "Error: Missing end tag name";
        case ErrorUnmatchedQuote:
            return "Error: Unmatched quote";
        case ErrorUnmatchedEndTag:
            return "Error: Unmatched end tag";
        case ErrorUnmatchedClearTagEnd:
            return "Error: Unmatched clear tag end";
        case ErrorUnexpectedToken:
            return "Error: Unexpected token found";
        case ErrorInvalidTag:
            return "Error: Invalid tag found";
        case ErrorNoElements:
            return "Error: No elements found";
        case ErrorFileNotFound:
            return "Error: File not found";
        case ErrorFirstTagNotFound:
            return "Error: First Tag not found";
        case ErrorUnknownEntity:
            return "Error: Unknown character entity";
        case ErrorCharConversion:
            return "Error: unable to convert between UNICODE and MultiByte chars";
        case ErrorCannotOpenForWriting:
            return "Error: unable to open file for writing";
        case ErrorCannotWriteFile:
            return "Error: cannot write into file";
        case WarningBase64Length:
            return "Warning: Base64-string length is not a multiple of 4";
        case ErrorBase64IllegalChar:
            return "Error: Base64-string contains an illegal character";
        case WarningBase64Truncated:
            return "Warning: Base64-string is truncated";
        case ErrorBase64BufferTooSmall:
            return "Error: Base64 decode output buffer is too small";
        case ErrorNestingTooDeep:
            return "Error: Elements nested too deeply";
        case ErrorEntityLoop:
            return "Error: Entity refers to itself";
        case ErrorEntityExpansion:
            return "Error: Entity expansion too large";
    }
    return "Unknown";
}

DomNode::DomNode(const DomNode& other) noexcept : data_(other.data_) {
    if (data_ != nullptr) {
        DomNodeAccess::hold(data_);
    }
}

DomNode::DomNode(DomNode&& other) noexcept : data_(other.data_) {
    other.data_ = nullptr;
}

DomNode& DomNode::operator=(const DomNode& other) noexcept {
    if (data_ != other.data_) {
        if (other.data_ != nullptr) {
            DomNodeAccess::hold(other.data_);
        }
        DomNodeData* old = data_;
        data_ = other.data_;
        DomNodeAccess::releaseHandle(old);
    }
    return *this;
}

DomNode& DomNode::operator=(DomNode&& other) noexcept {
    if (this != &other) {
        DomNodeData* old = data_;
        data_ = other.data_;
        other.data_ = nullptr;
        if (old != data_) {
            DomNodeAccess::releaseHandle(old);
        } else if (old != nullptr) {
            --old->refCount;  // both handles held it: one count goes
            old->arena->dropHandle();
        }
    }
    return *this;
}

DomNode::~DomNode() {
    DomNodeAccess::releaseHandle(data_);
}

DomNode DomNode::create(const char* name, bool isDeclaration) {
    DomNodeData* d = DomNodeAccess::newNode(Arena::create(kSmallArena));
    if (name != nullptr) {
        d->name = d->arena->copy(name);
        d->nameLength = uint32_t(std::strlen(name));
    }
    d->isDeclaration = isDeclaration;
    return DomNodeAccess::adopt(d);
}

DomNode DomNode::parseText(const char* xml, const char* tag, ParseResult* results) {
    if (xml == nullptr) {
        if (results != nullptr) {
            *results = ParseResult{ErrorNoElements, 0, 0};
        }
        return DomNode();
    }
    DomNode top = DomNodeAccess::adopt(DomNodeAccess::newNode(Arena::create(kParseArena)));
    Parser parser(xml);
    parser.parseContent(top.data_, 0);
    ParseError error = parser.error();

    DomNode result = top;
    if (top.data_->children.size() == 1 && top.data_->elementCount() == 1) {
        result = DomNodeAccess::share(top.data_->children[0]);
    }
    if (error > WarningUnmatchedEndTag) {
        result = DomNode();
    } else if (tag != nullptr && *tag != '\0' &&
               (!result.data_->hasName() || !equalsIgnoringCase(result.data_->name, tag))) {
        // Search the children, entering a declaration that does not match.
        const DomNodeData* scope = result.data_;
        DomNode found;
        size_t i = 0;
        while (i < scope->children.size()) {
            DomNodeData* child = scope->children[i];
            if (child->hasName() && equalsIgnoringCase(child->name, tag)) {
                found = DomNodeAccess::share(child);
                break;
            }
            if (child->isDeclaration) {
                scope = child;
                i = 0;
                continue;
            }
            ++i;
        }
        result = found;
        if (found.isEmpty()) {
            error = ErrorFirstTagNotFound;
        }
    }
    if (results != nullptr) {
        results->error = error;
        results->line = 0;
        results->column = 0;
        if (error != ErrorNone && error != ErrorFirstTagNotFound) {
            lineAndColumn(xml, parser.errorPosition(), results->line, results->column);
        }
    }
    return result;
}

DomNode DomNode::parseXmlFile(const char* path, const char* tag, ParseResult* results) {
    auto failWith = [results](ParseError code) {
        if (results != nullptr) {
            *results = ParseResult{code, 0, 0};
        }
        return DomNode();
    };
    std::string bytes;  // its c_str() is the NUL-terminated text
    if (path == nullptr || !readFileBytes(path, bytes)) {
        return failWith(ErrorFileNotFound);
    }
    if (bytes.empty()) {
        return failWith(ErrorNoXmlData);
    }
    const uint8_t* b = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t header = 0;
    const Utf16 utf16 = g_guessUnicode ? detectUtf16(b, bytes.size(), header) : Utf16::None;
    if (utf16 != Utf16::None) {
        std::string converted;
        if (!utf16ToUtf8(b + header, bytes.size() - header, utf16 == Utf16::BigEndian, converted)) {
            return failWith(ErrorCharConversion);
        }
        return parseText(converted.c_str(), tag, results);
    }
    const size_t skip = bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF ? 3 : 0;
    return parseText(bytes.c_str() + skip, tag, results);
}

DomNode DomNode::openXmlFile(const char* path, const char* tag) {
    if (FILE* file = std::fopen(path, "rb")) {
        uint8_t head[200];
        const size_t got = std::fread(head, 1, sizeof head, file);
        std::fclose(file);
        setParserOptions(true, guessEncoding(head, got, true));
    }
    ParseResult results;
    DomNode node = parseXmlFile(path, tag, &results);
    if (results.error == ErrorNone) {
        return node;
    }
    const bool noTag = results.error == ErrorFirstTagNotFound;
    char message[2000];
    std::snprintf(message, sizeof message,
                  "XML Parsing error inside file '%s'.\n%s\nAt line %i, column %i.\n%s%s%s", path,
                  errorText(results.error), results.line, results.column,
                  noTag ? "First Tag should be '" : "", noTag && tag != nullptr ? tag : "",
                  noTag ? "'.\n" : "");
    std::fputs("XML Parsing error\n", stderr);
    std::fputs(message, stderr);
    std::fflush(stderr);
    std::exit(255);
}

void setXmlFastPaths(bool on) {
    g_fastPaths = on;
}

void DomNode::setParserOptions(bool guessUnicode, bool utf8) {
    g_guessUnicode = guessUnicode;
    g_utf8 = utf8;
}

bool DomNode::guessEncoding(const void* buffer, size_t length, bool useDeclaration) {
    const uint8_t* b = static_cast<const uint8_t*>(buffer);
    size_t header = 0;
    if (b == nullptr || length < 25 || detectUtf16(b, length, header) != Utf16::None) {
        return false;
    }
    if (b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        return true;
    }
    for (size_t i = 0; i < length && b[i] != 0;) {
        const size_t w = kUtf8Widths.width[b[i]];
        for (size_t k = 1; k < w && i + k < length; ++k) {
            if (b[i + k] < 0x80 || b[i + k] > 0xBF) {
                return false;
            }
        }
        i += w;
    }
    if (!useDeclaration) {
        return true;
    }
    const size_t window = length < 200 ? length : 200;
    static const char kKey[] = "encoding";
    const size_t keyLength = sizeof kKey - 1;
    size_t at = window;
    for (size_t i = 0; i + keyLength <= window; ++i) {
        if (std::memcmp(b + i, kKey, keyLength) == 0) {
            at = i + keyLength;
            break;
        }
    }
    if (at == window) {
        return true;
    }
    auto skipSpace = [&] {
        while (at < length && isXmlSpace(char(b[at]))) {
            ++at;
        }
    };
    skipSpace();
    if (at >= length || b[at] != '=') {
        return true;
    }
    ++at;
    skipSpace();
    if (at >= length || (b[at] != '"' && b[at] != '\'')) {
        return true;
    }
    ++at;
    skipSpace();
    auto valueIs = [&](const char* name) {
        const size_t n = std::strlen(name);
        if (length - at < n) {
            return false;
        }
        for (size_t k = 0; k < n; ++k) {
            if (lowerAscii(char(b[at + k])) != name[k]) {
                return false;
            }
        }
        return true;
    };
    return valueIs("utf-8") || valueIs("utf8");
}

const char* DomNode::name() const {
    return data_ != nullptr ? data_->name : nullptr;
}

bool DomNode::isDeclaration() const {
    return data_ != nullptr && data_->isDeclaration;
}

int DomNode::childCount() const {
    return data_ != nullptr ? int(data_->children.size()) : 0;
}

int DomNode::textCount() const {
    return data_ != nullptr ? int(data_->texts.size()) : 0;
}

int DomNode::clearCount() const {
    return data_ != nullptr ? int(data_->clears.size()) : 0;
}

int DomNode::attributeCount() const {
    return data_ != nullptr ? int(data_->attributes.size()) : 0;
}

int DomNode::elementCount() const {
    return data_ != nullptr ? data_->elementCount() : 0;
}

DomNode DomNode::parent() const {
    if (data_ == nullptr || data_->parent == nullptr) {
        return DomNode();
    }
    return DomNodeAccess::share(data_->parent);
}

DomNode DomNode::childAt(int i) const {
    if (data_ == nullptr || i < 0 || size_t(i) >= data_->children.size()) {
        return DomNode();
    }
    return DomNodeAccess::share(data_->children[size_t(i)]);
}

const char* DomNode::textAt(int i) const {
    if (data_ == nullptr || i < 0 || size_t(i) >= data_->texts.size()) {
        return nullptr;
    }
    return data_->texts[size_t(i)];
}

ClearSection DomNode::clearAt(int i) const {
    if (data_ == nullptr || i < 0 || size_t(i) >= data_->clears.size()) {
        return ClearSection();
    }
    return data_->clears[size_t(i)];
}

DomAttribute DomNode::attributeAt(int i) const {
    if (data_ == nullptr || i < 0 || size_t(i) >= data_->attributes.size()) {
        return DomAttribute();
    }
    return data_->attributes[size_t(i)];
}

int DomNode::orderCount() const {
    return data_ != nullptr ? int(data_->order.size()) : 0;
}

int DomNode::orderEntry(int i) const {
    if (data_ == nullptr || i < 0 || size_t(i) >= data_->order.size()) {
        return -1;
    }
    return data_->order[size_t(i)];
}

DomNode DomNode::childByName(const char* name, int* iterator) const {
    if (data_ == nullptr || name == nullptr) {
        return DomNode();
    }
    const Array<DomNodeData*>& children = data_->children;
    for (size_t i = iterator != nullptr && *iterator > 0 ? size_t(*iterator) : 0;
         i < children.size(); ++i) {
        DomNodeData* child = children[i];
        if (child->hasName() && equalsIgnoringCase(child->name, name)) {
            if (iterator != nullptr) {
                *iterator = int(i + 1);
            }
            return DomNodeAccess::share(child);
        }
    }
    return DomNode();
}

DomNode DomNode::childByName(const char* name, int index) const {
    if (data_ == nullptr || name == nullptr) {
        return DomNode();
    }
    // Same answer as index discarded iterator calls and one more, but a walk
    // over indices 0, 1, 2 ... resumes where the previous call matched.
    int iterator = 0;
    int skip = index > 0 ? index : 0;
    if (data_->lookupIndex >= 0 && data_->lookupIndex < skip &&
        equalsIgnoringCase(data_->lookupName, name)) {
        iterator = data_->lookupPosition + 1;
        skip -= data_->lookupIndex + 1;
    }
    DomNode found;
    for (int k = 0; k <= skip; ++k) {
        found = childByName(name, &iterator);
        if (found.isEmpty()) {
            return found;
        }
    }
    data_->lookupName = found.data_->name;
    data_->lookupIndex = index > 0 ? index : 0;
    data_->lookupPosition = iterator - 1;
    return found;
}

const char* DomNode::attributeValue(const char* name, int* iterator) const {
    if (data_ == nullptr || name == nullptr) {
        return nullptr;
    }
    const Array<DomAttribute>& attributes = data_->attributes;
    for (size_t i = iterator != nullptr && *iterator > 0 ? size_t(*iterator) : 0;
         i < attributes.size(); ++i) {
        if (equalsIgnoringCase(attributes[i].name, name)) {
            if (iterator != nullptr) {
                *iterator = int(i + 1);
            }
            return attributes[i].value;
        }
    }
    return nullptr;
}

DomNode DomNode::addChild(const char* name, bool isDeclaration, int position) {
    if (data_ == nullptr || name == nullptr) {
        return DomNode();
    }
    size_t index = 0;
    const size_t slot =
        DomNodeAccess::placeFor(data_, ItemChild, position, data_->children.size(), index);
    DomNodeData* child = DomNodeAccess::newNode(data_->arena);
    child->name = data_->arena->copy(name);
    child->nameLength = uint32_t(std::strlen(name));
    child->isDeclaration = isDeclaration;
    child->parent = data_;
    data_->children.insert(*data_->arena, index, child);
    DomNodeAccess::insertOrderEntry(data_, ItemChild, slot, index);
    data_->forgetLookup();
    return DomNodeAccess::share(child);
}

const char* DomNode::addText(const char* text, int position) {
    if (data_ == nullptr || text == nullptr) {
        return nullptr;
    }
    size_t index = 0;
    const size_t slot =
        DomNodeAccess::placeFor(data_, ItemText, position, data_->texts.size(), index);
    const char* copy = data_->arena->copy(text);
    data_->texts.insert(*data_->arena, index, copy);
    DomNodeAccess::insertOrderEntry(data_, ItemText, slot, index);
    return copy;
}

ClearSection DomNode::addClear(const char* value, const char* openTag, const char* closeTag,
                               int position) {
    if (data_ == nullptr || value == nullptr) {
        return ClearSection();
    }
    size_t index = 0;
    const size_t slot =
        DomNodeAccess::placeFor(data_, ItemClear, position, data_->clears.size(), index);
    Arena& arena = *data_->arena;
    const ClearSection section{arena.copy(value), keepTag(arena, openTag, true),
                               keepTag(arena, closeTag, false)};
    data_->clears.insert(arena, index, section);
    DomNodeAccess::insertOrderEntry(data_, ItemClear, slot, index);
    return section;
}

DomAttribute DomNode::addAttribute(const char* name, const char* value) {
    if (data_ == nullptr || name == nullptr) {
        return DomAttribute();
    }
    Arena& arena = *data_->arena;
    const DomAttribute attribute{arena.copy(name), value != nullptr ? arena.copy(value) : nullptr};
    data_->attributes.push(arena, attribute);
    return attribute;
}

std::string DomNode::createText(bool format, int* length) const {
    std::string out;
    if (data_ != nullptr) {
        // A whole tree's text is about as long as what its arena holds: room
        // reserved and never written costs nothing, and growing a large
        // string step by step would copy it several times.
        if (data_->parent == nullptr) {
            out.reserve(data_->arena->used());
        }
        Writer{out, format, currentWidths()}.node(data_, format ? 0 : -1, true);
    }
    if (length != nullptr) {
        *length = int(out.size());
    }
    return out;
}

bool DomNode::printText(FILE* file, bool format) const {
    if (data_ == nullptr) {
        return true;
    }
    std::string buffer;
    buffer.reserve(Writer::kSpill * 2);
    Writer writer{buffer, format, currentWidths(), file};
    writer.node(data_, format ? 0 : -1, true);
    writer.spill(1);
    return !writer.failed;
}

ParseError DomNode::writeFile(const char* path, const char* encoding, bool format) const {
    const std::string text = createText(format);
    FILE* file = path != nullptr ? std::fopen(path, "wb") : nullptr;
    if (file == nullptr) {
        return ErrorCannotOpenForWriting;
    }
    static const char kBom[] = "\xEF\xBB\xBF";
    static const char kUtf8Header[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    bool ok = true;
    auto put = [&](const char* s, size_t n) {
        ok = ok && (n == 0 || std::fwrite(s, 1, n, file) == n);
    };
    if (isDeclaration()) {
        if (g_utf8) {
            put(kBom, 3);
        }
    } else if (encoding == nullptr || g_utf8) {
        put(kBom, 3);
        put(kUtf8Header, sizeof kUtf8Header - 1);
    } else {
        ok = std::fprintf(file, "<?xml version=\"1.0\" encoding=\"%s\"?>\n", encoding) >= 0;
    }
    put(text.data(), text.size());
    if (std::fclose(file) != 0) {
        ok = false;
    }
    return ok ? ErrorNone : ErrorCannotWriteFile;
}

bool DomNode::sameTree(const DomNode& other) const {
    return DomNodeAccess::sameTree(data_, other.data_);
}

size_t escapedLength(const char* text) {
    size_t length = 0;
    if (text != nullptr) {
        encodeEntities(text, std::strlen(text), currentWidths(),
                       [&length](const char*, size_t n) { length += n; });
    }
    return length;
}

std::string escapeText(const char* text) {
    std::string out;
    if (text != nullptr) {
        out.reserve(escapedLength(text));
        encodeEntities(text, std::strlen(text), currentWidths(),
                       [&out](const char* s, size_t n) { out.append(s, n); });
    }
    return out;
}

// ---------------------------------------------------------------------------
// Base64

namespace {

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// 0-63 for alphabet characters, 64 for '=', 65 for skipped whitespace, 66
// for NUL, 255 for anything else.
enum : uint8_t { kPad = 64, kSkip = 65, kNul = 66, kIllegal = 255 };

struct Base64Table {
    uint8_t value[256];
    constexpr Base64Table() : value() {
        for (int b = 0; b < 256; ++b) {
            value[b] = kIllegal;
        }
        for (int i = 0; i < 64; ++i) {
            value[uint8_t(kBase64Alphabet[i])] = uint8_t(i);
        }
        value[uint8_t('=')] = kPad;
        value[uint8_t(' ')] = value[uint8_t('\t')] = value[uint8_t('\r')] = value[uint8_t('\n')] =
            kSkip;
        value[0] = kNul;
    }
};
constexpr Base64Table kBase64;

void setError(ParseError* error, ParseError code) {
    if (error != nullptr) {
        *error = code;
    }
}

}  // namespace

size_t Base64Coder::encodedSize(size_t n, bool formatted) {
    const size_t groups = n > 0 ? (n - 1) / 3 : 0;
    return 4 * groups + 5 + (formatted ? n / 54 : 0);
}

const char* Base64Coder::encode(const void* data, size_t n, bool formatted) {
    const size_t capacity = encodedSize(n, formatted);
    if (buffer_.size() < capacity) {
        buffer_.resize(capacity);
    }
    const uint8_t* in = static_cast<const uint8_t*>(data);
    char* out = reinterpret_cast<char*>(buffer_.data());
    size_t groups = 0;
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
        *out++ = kBase64Alphabet[v >> 18];
        *out++ = kBase64Alphabet[(v >> 12) & 63];
        *out++ = kBase64Alphabet[(v >> 6) & 63];
        *out++ = kBase64Alphabet[v & 63];
        if (formatted && ++groups % 18 == 0) {
            *out++ = '\n';
        }
    }
    if (n - i == 1) {
        const uint32_t v = uint32_t(in[i]) << 16;
        *out++ = kBase64Alphabet[v >> 18];
        *out++ = kBase64Alphabet[(v >> 12) & 63];
        *out++ = '=';
        *out++ = '=';
    } else if (n - i == 2) {
        const uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8;
        *out++ = kBase64Alphabet[v >> 18];
        *out++ = kBase64Alphabet[(v >> 12) & 63];
        *out++ = kBase64Alphabet[(v >> 6) & 63];
        *out++ = '=';
    }
    *out = '\0';
    return reinterpret_cast<const char*>(buffer_.data());
}

size_t Base64Coder::decodedSize(const char* text, ParseError* error) {
    setError(error, ErrorNone);
    if (text == nullptr) {
        return 0;
    }
    size_t count = 0;
    size_t trailingPads = 0;  // '=' at the end, whitespace after them ignored
    for (const char* p = text; *p != '\0'; ++p) {
        const uint8_t v = kBase64.value[uint8_t(*p)];
        if (v == kSkip) {
            continue;
        }
        if (v == kIllegal) {
            setError(error, ErrorBase64IllegalChar);
            return 0;
        }
        ++count;
        trailingPads = v == kPad ? trailingPads + 1 : 0;
    }
    if (count % 4 != 0) {
        setError(error, WarningBase64Length);
    }
    return 3 * (count - trailingPads) / 4;
}

Base64Coder::Result Base64Coder::decodeInto(const char* text, uint8_t* buffer, size_t size,
                                            ParseError* error) {
    setError(error, ErrorNone);
    if (text == nullptr) {
        return Result::Success;
    }
    const char* p = text;
    size_t written = 0;
    auto nextValue = [&p]() {
        for (;;) {
            const uint8_t v = kBase64.value[uint8_t(*p)];
            if (v != kNul) {
                ++p;
            }
            if (v != kSkip) {
                return v;
            }
        }
    };
    auto put = [&](const uint8_t* bytes, size_t n) {
        if (size - written < n) {
            return false;
        }
        std::memcpy(buffer + written, bytes, n);
        written += n;
        return true;
    };
    auto truncated = [&]() {
        setError(error, WarningBase64Truncated);
        return Result::SuccessWithWarning;
    };
    auto illegal = [&]() {
        setError(error, ErrorBase64IllegalChar);
        return Result::Failure;
    };
    auto tooSmall = [&]() {
        setError(error, ErrorBase64BufferTooSmall);
        return Result::Failure;
    };
    for (;;) {
        uint8_t v[4];
        v[0] = nextValue();
        if (v[0] == kNul) {
            return Result::Success;
        }
        if (v[0] == kPad) {
            return written == size ? Result::Success : truncated();
        }
        if (v[0] == kIllegal) {
            return illegal();
        }
        v[1] = nextValue();
        if (v[1] == kIllegal) {
            return illegal();
        }
        if (v[1] == kNul || v[1] == kPad) {
            return truncated();
        }
        int got = 2;  // significant characters of this group
        for (; got < 4; ++got) {
            v[got] = nextValue();
            if (v[got] == kIllegal) {
                return illegal();
            }
            if (v[got] == kNul || v[got] == kPad) {
                break;
            }
        }
        uint32_t bits = uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12;
        if (got > 2) {
            bits |= uint32_t(v[2]) << 6;
        }
        if (got > 3) {
            bits |= v[3];
        }
        const uint8_t bytes[3] = {uint8_t(bits >> 16), uint8_t(bits >> 8), uint8_t(bits)};
        if (!put(bytes, size_t(got - 1))) {
            return tooSmall();
        }
        if (got < 4) {
            // A short group: padding ends the data, the text's end cuts it.
            if (v[got] == kNul) {
                return truncated();
            }
            return written == size ? Result::Success : truncated();
        }
    }
}

const uint8_t* Base64Coder::decode(const char* text, size_t* length, ParseError* error) {
    ParseError sizeError = ErrorNone;
    const size_t size = decodedSize(text, &sizeError);
    if (length != nullptr) {
        *length = size;
    }
    setError(error, sizeError);
    if (size == 0) {
        return nullptr;
    }
    if (buffer_.size() < size + 1) {
        buffer_.resize(size + 1);
    }
    std::memset(buffer_.data(), 0, size + 1);
    ParseError decodeError = ErrorNone;
    const Result result = decodeInto(text, buffer_.data(), size, &decodeError);
    setError(error, decodeError != ErrorNone ? decodeError : sizeError);
    return result == Result::Failure ? nullptr : buffer_.data();
}
