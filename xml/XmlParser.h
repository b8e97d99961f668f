// The engine's XML DOM parser. One pass turns a whole text into a tree of
// reference-counted nodes; each node keeps its name, its attributes, and its
// children, texts and clear sections (CDATA, comments, DOCTYPE, PRE and Script
// blocks kept verbatim) in document order. It decodes the five predefined
// character entities, numeric references and the text entities a DOCTYPE
// declares, trims texts, reports the first error with its line and column,
// reads UTF-8, single-byte and UTF-16 files, writes a tree back as XML text or
// into a file, and carries a Base64 coder. A tree written back reads as the
// same tree.
//
// Options are process-wide and the parser is single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Result codes. 1 is a warning (the tree is still returned); everything above
// 1 discards the tree. 3, 6 and 10 are never reported.
enum ParseError : int {
    ErrorNone = 0,
    WarningUnmatchedEndTag = 1,
    ErrorNoXmlData = 2,
    ErrorFirstNotStartTag = 3,
    ErrorMissingStartTagName = 4,
    ErrorMissingEndTagName = 5,
    ErrorUnmatchedQuote = 6,
    ErrorUnmatchedEndTag = 7,
    ErrorUnmatchedClearTagEnd = 8,
    ErrorUnexpectedToken = 9,
    ErrorInvalidTag = 10,
    ErrorNoElements = 11,
    ErrorFileNotFound = 12,
    ErrorFirstTagNotFound = 13,
    ErrorUnknownEntity = 14,
    ErrorCharConversion = 15,
    ErrorCannotOpenForWriting = 16,
    ErrorCannotWriteFile = 17,
    WarningBase64Length = 18,
    ErrorBase64IllegalChar = 19,
    WarningBase64Truncated = 20,
    ErrorBase64BufferTooSmall = 21,
    // Elements nested deeper than kXmlMaxDepth: the parse stops instead of
    // running out of stack.
    ErrorNestingTooDeep = 22,
    // An entity declared in the DOCTYPE whose text refers back to itself.
    ErrorEntityLoop = 23,
    // Declared entities that expand past kXmlMaxEntityExpansion bytes (or ten
    // times the document, when that is more) or nest deeper than
    // kXmlMaxEntityDepth.
    ErrorEntityExpansion = 24,
};

// How deep elements may nest (the unnamed top node is level 0).
constexpr int kXmlMaxDepth = 4096;
// Limits on the entities a document declares in its DOCTYPE.
constexpr size_t kXmlMaxEntityExpansion = size_t(1) << 20;
constexpr int kXmlMaxEntityDepth = 32;

struct ParseResult {
    ParseError error = ErrorNone;
    int line = 0;    // 1-based where an error position exists, else 0
    int column = 0;  // counted in characters
};

// The text of a result code; "Unknown" for any other value.
const char* errorText(ParseError code);

// Whether parses take their fast paths (the default), or read every token
// through the plain tokenizer. Both give the same results; tests and the
// fuzzer compare them. Process-wide, like the parser options.
void setXmlFastPaths(bool on);

// The strings below, like name(), attributeValue() and textAt(), belong to
// the node data: they never move and live as long as it does, whatever is
// added to the node later.

// A block kept verbatim: the raw bytes between its opening and its closing.
struct ClearSection {
    const char* value = nullptr;
    const char* openTag = nullptr;   // e.g. "<![CDATA["
    const char* closeTag = nullptr;  // e.g. "]]>"
};

struct DomAttribute {
    const char* name = nullptr;
    const char* value = nullptr;  // entity-decoded; null when written without '=' and value
};

// The openings tried by the tokenizer, in order, with their closings.
struct ClearTag {
    const char* open;
    int openLength;
    const char* close;
};
extern const ClearTag kClearTags[5];

// Kinds in the document-order list: entry = index * 4 + kind.
enum DomItemKind : int { ItemChild = 0, ItemText = 2, ItemClear = 3 };

struct DomNodeData;

// A handle to shared node data. Copies share the data; the last handle to go
// frees the node and its subtree. An empty handle is the empty node: every
// failed lookup returns one and every query on it answers 0 / null.
class DomNode {
public:
    DomNode() noexcept = default;
    DomNode(const DomNode& other) noexcept;
    DomNode(DomNode&& other) noexcept;
    DomNode& operator=(const DomNode& other) noexcept;
    DomNode& operator=(DomNode&& other) noexcept;
    ~DomNode();

    // Parses a NUL-terminated text. With `tag` given, returns the element of
    // that name (searched through the top children and into declarations).
    // `results` may be null.
    static DomNode parseText(const char* xml, const char* tag = nullptr,
                             ParseResult* results = nullptr);
    // Reads a whole file (UTF-8, single-byte or UTF-16) and parses it.
    static DomNode parseXmlFile(const char* path, const char* tag = nullptr,
                                ParseResult* results = nullptr);
    // Guesses the file's encoding, parses it, and on any non-zero result code
    // (the warning included) prints the error on standard error and ends the
    // process with status 255.
    static DomNode openXmlFile(const char* path, const char* tag);
    // A new detached node to build a tree from; `name` null gives an unnamed
    // node that writes only its content.
    static DomNode create(const char* name, bool isDeclaration = false);

    // Process-wide options: test files for UTF-16 when reading, and whether
    // text is UTF-8 (multi-byte characters stepped over whole) or single-byte.
    static void setParserOptions(bool guessUnicode, bool utf8);
    // Whether the first `length` bytes of a file look like UTF-8; with
    // `useDeclaration` an encoding other than utf-8 named in the XML
    // declaration says no.
    static bool guessEncoding(const void* buffer, size_t length, bool useDeclaration);

    bool isEmpty() const { return data_ == nullptr; }
    const char* name() const;  // null for the empty node and an unnamed node
    bool isDeclaration() const;
    int childCount() const;
    int textCount() const;
    int clearCount() const;
    int attributeCount() const;
    // childCount + textCount + clearCount + attributeCount.
    int elementCount() const;
    DomNode parent() const;

    DomNode childAt(int i) const;
    const char* textAt(int i) const;        // null when out of range
    ClearSection clearAt(int i) const;      // all null when out of range
    DomAttribute attributeAt(int i) const;  // all null when out of range
    int orderCount() const;
    int orderEntry(int i) const;  // index * 4 + DomItemKind, -1 when out of range

    // The first child from position *iterator (0 when null) whose name equals
    // `name` ignoring case; stores the position after it in *iterator.
    DomNode childByName(const char* name, int* iterator = nullptr) const;
    // The index-th (0-based) child with that name.
    DomNode childByName(const char* name, int index) const;
    // The value of the first attribute from *iterator (0 when null) named
    // `name` ignoring case, storing the position after it. Null when absent or
    // for an attribute without value. The string lives as long as the node.
    const char* attributeValue(const char* name, int* iterator = nullptr) const;

    // Appending. A position inside the document-order list inserts before the
    // first entry of the same kind at or after it; otherwise the item goes at
    // the end. A null name or text adds nothing (an empty handle / null).
    DomNode addChild(const char* name, bool isDeclaration = false, int position = -1);
    const char* addText(const char* text, int position = -1);
    ClearSection addClear(const char* value, const char* openTag = "<![CDATA[",
                          const char* closeTag = "]]>", int position = -1);
    // `value` null adds an attribute without value.
    DomAttribute addAttribute(const char* name, const char* value);

    // The subtree as XML text; with `format` one element per line indented by
    // tabs. "" (and *length 0) for the empty node.
    std::string createText(bool format = true, int* length = nullptr) const;
    // The same text written to an open file as it is made, without holding
    // all of it; false when a write fails.
    bool printText(std::FILE* file, bool format = true) const;
    // Writes the XML header and createText(format) into a file: ErrorNone,
    // ErrorCannotOpenForWriting or ErrorCannotWriteFile.
    ParseError writeFile(const char* path, const char* encoding = nullptr,
                         bool format = true) const;

    // Whether two subtrees hold the same names, flags, attributes, texts,
    // clear sections and document order (both empty counts as the same).
    bool sameTree(const DomNode& other) const;

private:
    friend struct DomNodeAccess;
    // Wraps node data already counted for this handle.
    explicit DomNode(DomNodeData* adopted) noexcept : data_(adopted) {}

    DomNodeData* data_ = nullptr;
};

// Entity encoding of & < > " ' (multi-byte characters copied whole).
size_t escapedLength(const char* text);
std::string escapeText(const char* text);

// Base64 with the RFC 4648 alphabet and '=' padding. The coder owns one output
// buffer that it reuses; results stay valid until the next call.
class Base64Coder {
public:
    enum class Result { Failure, SuccessWithWarning, Success };

    // Buffer size encode() needs for n bytes, the NUL included.
    static size_t encodedSize(size_t n, bool formatted);
    // NUL-terminated Base64 text; with `formatted` a newline after every 72
    // characters.
    const char* encode(const void* data, size_t n, bool formatted = false);
    // Bytes the text decodes to; 0 with ErrorBase64IllegalChar for a character
    // outside the alphabet, WarningBase64Length when the count of significant
    // characters is not a multiple of 4. Whitespace is skipped.
    static size_t decodedSize(const char* text, ParseError* error = nullptr);
    // Decodes into a caller's buffer of `size` bytes.
    static Result decodeInto(const char* text, uint8_t* buffer, size_t size,
                             ParseError* error = nullptr);
    // Decodes into the coder's buffer: null on failure or for no data.
    const uint8_t* decode(const char* text, size_t* length = nullptr, ParseError* error = nullptr);

private:
    std::vector<uint8_t> buffer_;
};
