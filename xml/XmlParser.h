/// \file
/// The engine's XML DOM parser. One pass turns a whole text into a tree of
/// reference-counted nodes; each node keeps its name, its attributes, and its
/// children, texts and clear sections (CDATA, comments, DOCTYPE, PRE and
/// Script blocks kept verbatim) in document order. It decodes the five
/// predefined character entities, numeric references and the text entities a
/// DOCTYPE declares, trims texts, reports the first error with its line and
/// column, reads UTF-8, single-byte and UTF-16 files, writes a tree back as
/// XML text or into a file, and carries a Base64 coder. A tree written back
/// reads as the same tree.
///
/// Options are process-wide and the parser is single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

/// Result codes. 1 is a warning (the tree is still returned); everything
/// above 1 discards the tree. 3, 6 and 10 are never reported.
enum ParseError : int {
    ErrorNone = 0,                   ///< "No error"
    WarningUnmatchedEndTag = 1,      ///< an end tag not matching its element, or one left open
    ErrorNoXmlData = 2,              ///< the file is empty
    ErrorFirstNotStartTag = 3,       ///< never reported
    ErrorMissingStartTagName = 4,    ///< '<' or "<?" not followed by a name
    ErrorMissingEndTagName = 5,      ///< "</" not followed by a name and '>'
    ErrorUnmatchedQuote = 6,         ///< never reported
    ErrorUnmatchedEndTag = 7,        ///< an end tag that reaches the unnamed top node
    ErrorUnmatchedClearTagEnd = 8,   ///< a CDATA, comment, DOCTYPE, PRE or Script never closed
    ErrorUnexpectedToken = 9,        ///< a token out of place in a start tag
    ErrorInvalidTag = 10,            ///< never reported
    ErrorNoElements = 11,            ///< parseText() given no text
    ErrorFileNotFound = 12,          ///< the file cannot be opened or read
    ErrorFirstTagNotFound = 13,      ///< the element asked for is not in the document
    ErrorUnknownEntity = 14,         ///< a malformed reference, or one to an unknown entity
    ErrorCharConversion = 15,        ///< UTF-16 text with an unpaired surrogate
    ErrorCannotOpenForWriting = 16,  ///< writeFile() cannot create the file
    ErrorCannotWriteFile = 17,       ///< writeFile() cannot write or close the file
    WarningBase64Length = 18,        ///< Base64 text whose length is not a multiple of 4
    ErrorBase64IllegalChar = 19,     ///< Base64 text with a character outside the alphabet
    WarningBase64Truncated = 20,     ///< Base64 text that ends early
    ErrorBase64BufferTooSmall = 21,  ///< Base64 text that decodes to more than the buffer holds
    /// Elements nested deeper than kXmlMaxDepth: the parse stops instead of
    /// running out of stack.
    ErrorNestingTooDeep = 22,
    /// An entity declared in the DOCTYPE whose text refers back to itself.
    ErrorEntityLoop = 23,
    /// Declared entities that expand past kXmlMaxEntityExpansion bytes (or ten
    /// times the document, when that is more) or nest deeper than
    /// kXmlMaxEntityDepth.
    ErrorEntityExpansion = 24,
};

/// How deep elements may nest (the unnamed top node is level 0).
constexpr int kXmlMaxDepth = 4096;
/// How many bytes the entities a DOCTYPE declares may expand to in one
/// document: this, or ten times the document's length when that is more.
constexpr size_t kXmlMaxEntityExpansion = size_t(1) << 20;
/// How deep references inside declared entities may nest.
constexpr int kXmlMaxEntityDepth = 32;

/// What a parse reports: its result code and where the error was found.
struct ParseResult {
    ParseError error = ErrorNone;  ///< the code; ErrorNone on success
    int line = 0;                  ///< 1-based where an error position exists, else 0
    int column = 0;                ///< counted in characters, 1-based like the line
};

/// The text of a result code; "Unknown" for any other value.
const char* errorText(ParseError code);

/// Whether parses take their fast paths (the default), or read every token
/// through the plain tokenizer. Both give the same results; tests and the
/// fuzzer compare them. Process-wide, like the parser options.
void setXmlFastPaths(bool on);

// The strings below, like name(), attributeValue() and textAt(), belong to
// the node data: they never move and live as long as it does, whatever is
// added to the node later.

/// A block kept verbatim: the raw bytes between its opening and its closing.
struct ClearSection {
    const char* value = nullptr;     ///< the bytes between the markers, NUL-terminated
    const char* openTag = nullptr;   ///< the opening written back, e.g. "<![CDATA["
    const char* closeTag = nullptr;  ///< the closing written back, e.g. "]]>"
};

/// One attribute of an element, as read or added.
struct DomAttribute {
    const char* name = nullptr;   ///< the name as written
    const char* value = nullptr;  ///< entity-decoded; null when written without '=' and value
};

/// One of the openings the tokenizer tries, with its closing.
struct ClearTag {
    const char* open;   ///< the opening, compared ignoring case
    int openLength;     ///< bytes in the opening
    const char* close;  ///< the closing
};
/// The clear tags in the order they are tried: CDATA, PRE, Script, comment,
/// DOCTYPE.
extern const ClearTag kClearTags[5];

/// Kinds in the document-order list: entry = index * 4 + kind.
enum DomItemKind : int {
    ItemChild = 0,  ///< an element, in childAt()
    ItemText = 2,   ///< a text, in textAt()
    ItemClear = 3,  ///< a clear section, in clearAt()
};

struct DomNodeData;

/// A handle to shared node data. Copies share the data; the last handle to go
/// frees the node and its subtree. An empty handle is the empty node: every
/// failed lookup returns one and every query on it answers 0 / null.
class DomNode {
public:
    /// The empty node.
    DomNode() noexcept = default;
    /// Another handle on the same node data.
    DomNode(const DomNode& other) noexcept;
    /// Takes over the other's node data, leaving it empty.
    DomNode(DomNode&& other) noexcept;
    /// Lets go of the data held and shares the other's.
    DomNode& operator=(const DomNode& other) noexcept;
    /// Lets go of the data held and takes over the other's.
    DomNode& operator=(DomNode&& other) noexcept;
    /// Lets go of the data: the last handle on a tree frees it.
    ~DomNode();

    /// Parses a NUL-terminated text. With `tag` given, returns the element of
    /// that name (searched through the top children and into declarations).
    /// `results` may be null.
    static DomNode parseText(const char* xml, const char* tag = nullptr,
                             ParseResult* results = nullptr);
    /// Reads a whole file (UTF-8, single-byte or UTF-16) and parses it.
    static DomNode parseXmlFile(const char* path, const char* tag = nullptr,
                                ParseResult* results = nullptr);
    /// Guesses the file's encoding, parses it, and on any non-zero result code
    /// (the warning included) prints the error on standard error and ends the
    /// process with status 255.
    static DomNode openXmlFile(const char* path, const char* tag);
    /// A new detached node to build a tree from; `name` null gives an unnamed
    /// node that writes only its content.
    static DomNode create(const char* name, bool isDeclaration = false);

    /// Process-wide options: test files for UTF-16 when reading, and whether
    /// text is UTF-8 (multi-byte characters stepped over whole) or single-byte.
    static void setParserOptions(bool guessUnicode, bool utf8);
    /// Whether the first `length` bytes of a file look like UTF-8; with
    /// `useDeclaration` an encoding other than utf-8 named in the XML
    /// declaration says no.
    static bool guessEncoding(const void* buffer, size_t length, bool useDeclaration);

    /// Whether this is the empty node.
    bool isEmpty() const { return data_ == nullptr; }
    /// The element's name; null for the empty node and an unnamed node.
    const char* name() const;
    /// Whether the element was opened with "<?".
    bool isDeclaration() const;
    /// How many child elements it has.
    int childCount() const;
    /// How many texts it has.
    int textCount() const;
    /// How many clear sections it has.
    int clearCount() const;
    /// How many attributes it has.
    int attributeCount() const;
    /// childCount + textCount + clearCount + attributeCount.
    int elementCount() const;
    /// The element it lies in; the empty node at the top.
    DomNode parent() const;

    /// The i-th child element; the empty node when out of range.
    DomNode childAt(int i) const;
    /// The i-th text, entity-decoded; null when out of range.
    const char* textAt(int i) const;
    /// The i-th clear section; all null when out of range.
    ClearSection clearAt(int i) const;
    /// The i-th attribute; all null when out of range.
    DomAttribute attributeAt(int i) const;
    /// How many entries the document-order list has.
    int orderCount() const;
    /// The i-th entry of the document order: index * 4 + DomItemKind; -1 when
    /// out of range.
    int orderEntry(int i) const;

    /// The first child from position *iterator (0 when null) whose name equals
    /// `name` ignoring case; stores the position after it in *iterator.
    DomNode childByName(const char* name, int* iterator = nullptr) const;
    /// The index-th (0-based) child with that name.
    DomNode childByName(const char* name, int index) const;
    /// The value of the first attribute from *iterator (0 when null) named
    /// `name` ignoring case, storing the position after it. Null when absent or
    /// for an attribute without value. The string lives as long as the node.
    const char* attributeValue(const char* name, int* iterator = nullptr) const;

    // Appending. A position inside the document-order list inserts before the
    // first entry of the same kind at or after it; otherwise the item goes at
    // the end. A null name or text adds nothing (an empty handle / null).

    /// Adds a child element, before the first child at or after `position` in
    /// the document order, else at the end.
    DomNode addChild(const char* name, bool isDeclaration = false, int position = -1);
    /// Adds a copy of the text, placed like a child by `position`, and returns
    /// the copy.
    const char* addText(const char* text, int position = -1);
    /// Adds a clear section, written back between `openTag` and `closeTag` and
    /// placed like a child by `position`.
    ClearSection addClear(const char* value, const char* openTag = "<![CDATA[",
                          const char* closeTag = "]]>", int position = -1);
    /// Adds copies of the name and value as the last attribute; `value` null
    /// adds one without value.
    DomAttribute addAttribute(const char* name, const char* value);

    /// The subtree as XML text; with `format` one element per line indented by
    /// tabs. "" (and *length 0) for the empty node.
    std::string createText(bool format = true, int* length = nullptr) const;
    /// The same text written to an open file as it is made, without holding
    /// all of it; false when a write fails.
    bool printText(std::FILE* file, bool format = true) const;
    /// Writes the XML header and createText(format) into a file: ErrorNone,
    /// ErrorCannotOpenForWriting or ErrorCannotWriteFile.
    ParseError writeFile(const char* path, const char* encoding = nullptr,
                         bool format = true) const;

    /// Whether two subtrees hold the same names, flags, attributes, texts,
    /// clear sections and document order (both empty counts as the same).
    bool sameTree(const DomNode& other) const;

private:
    friend struct DomNodeAccess;
    // Wraps node data already counted for this handle.
    explicit DomNode(DomNodeData* adopted) noexcept : data_(adopted) {}

    DomNodeData* data_ = nullptr;
};

/// Length of the text with & < > " ' written as entities (multi-byte
/// characters copied whole).
size_t escapedLength(const char* text);
/// The text with & < > " ' written as entities.
std::string escapeText(const char* text);

/// Base64 with the RFC 4648 alphabet and '=' padding. The coder owns one output
/// buffer that it reuses; results stay valid until the next call.
class Base64Coder {
public:
    /// How a decoding went.
    enum class Result {
        Failure,             ///< nothing usable: see the error code
        SuccessWithWarning,  ///< decoded, but the text was cut short
        Success,             ///< decoded whole
    };

    /// Buffer size encode() needs for n bytes, the NUL included.
    static size_t encodedSize(size_t n, bool formatted);
    /// NUL-terminated Base64 text; with `formatted` a newline after every 72
    /// characters.
    const char* encode(const void* data, size_t n, bool formatted = false);
    /// Bytes the text decodes to; 0 with ErrorBase64IllegalChar for a character
    /// outside the alphabet, WarningBase64Length when the count of significant
    /// characters is not a multiple of 4. Whitespace is skipped.
    static size_t decodedSize(const char* text, ParseError* error = nullptr);
    /// Decodes into a caller's buffer of `size` bytes.
    static Result decodeInto(const char* text, uint8_t* buffer, size_t size,
                             ParseError* error = nullptr);
    /// Decodes into the coder's buffer: null on failure or for no data.
    const uint8_t* decode(const char* text, size_t* length = nullptr, ParseError* error = nullptr);

private:
    std::vector<uint8_t> buffer_;
};
