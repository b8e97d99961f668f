// Feeds arbitrary bytes to the XML parser, in UTF-8 and in single-byte mode.
// Besides the sanitizers' checks it traps when a result breaks the parser's
// contract: a tree exactly when the code is 0 or the warning, a line and
// column for every code but 13, the same tree and result from the plain
// tokenizer as from the fast paths, and a tree written with createText that
// reads back without error as the same tree. Names are written as they are,
// so the last check is only made where every element and attribute name is an
// ordinary one (a name such as "t/" or "?x" would be read back as other
// markup, and so would an element named PRE or Script, whose start tag opens
// a clear section). The same bytes also go through the Base64 coder, whose
// encoding must decode to the bytes again. Inputs past kMaxInput bytes are
// skipped: what they would reach, smaller ones reach faster.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/FuzzContract.h"
#include "xml/XmlParser.h"

namespace {

bool keepsResultContract(const DomNode& node, const ParseResult& result) {
    if (result.error == ErrorNone || result.error == WarningUnmatchedEndTag) {
        if (node.isEmpty()) {
            return false;
        }
    } else if (!node.isEmpty()) {
        return false;
    }
    if (result.error == ErrorNone || result.error == ErrorFirstTagNotFound) {
        return result.line == 0 && result.column == 0;
    }
    return result.line >= 1 && result.column >= 1;
}

bool isOrdinaryName(const char* name) {
    if (name == nullptr || *name == '\0') {
        return false;
    }
    for (const char* p = name; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (!(std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == ':' || c >= 0x80)) {
            return false;
        }
    }
    return true;
}

bool equalsIgnoringCase(const char* a, const char* b) {
    while (*a != '\0' && std::tolower(static_cast<unsigned char>(*a)) ==
                             std::tolower(static_cast<unsigned char>(*b))) {
        ++a;
        ++b;
    }
    return *a == '\0' && *b == '\0';
}

// Also measures the depth of the tree below `node`.
bool hasOrdinaryNames(const DomNode& node, bool top, int& depth) {
    const char* name = node.name();
    if (!(top && name == nullptr) && (!isOrdinaryName(name) || equalsIgnoringCase(name, "pre") ||
                                      equalsIgnoringCase(name, "script"))) {
        return false;
    }
    for (int i = 0; i < node.attributeCount(); ++i) {
        if (!isOrdinaryName(node.attributeAt(i).name)) {
            return false;
        }
    }
    depth = 0;
    for (int i = 0; i < node.childCount(); ++i) {
        int below = 0;
        if (!hasOrdinaryNames(node.childAt(i), false, below)) {
            return false;
        }
        depth = below + 1 > depth ? below + 1 : depth;
    }
    return true;
}

// A text left last in the document: the reader drops a text that nothing
// follows, and only a stray end tag (the warning) can have closed it.
bool endsInText(const DomNode& node) {
    const int n = node.orderCount();
    return node.name() == nullptr && n > 0 && (node.orderEntry(n - 1) & 3) == ItemText;
}

void checkRoundTrip(const DomNode& node, bool format) {
    const std::string text = node.createText(format);
    ParseResult again;
    const DomNode reread = DomNode::parseText(text.c_str(), nullptr, &again);
    fuzzRequire(again.error == ErrorNone);
    fuzzRequire(reread.sameTree(node) || endsInText(node));
}

void checkParse(const std::string& text, bool utf8) {
    DomNode::setParserOptions(true, utf8);
    ParseResult result;
    const DomNode node = DomNode::parseText(text.c_str(), nullptr, &result);
    fuzzRequire(keepsResultContract(node, result));
    setXmlFastPaths(false);
    ParseResult plainResult;
    const DomNode plain = DomNode::parseText(text.c_str(), nullptr, &plainResult);
    setXmlFastPaths(true);
    fuzzRequire(plainResult.error == result.error && plainResult.line == result.line &&
                plainResult.column == result.column && plain.sameTree(node));
    int depth = 0;
    if (!node.isEmpty() && hasOrdinaryNames(node, true, depth)) {
        // The formatted text grows with the square of the depth (a tab per
        // level on every line): deep trees are only written without layout.
        if (depth <= 64) {
            checkRoundTrip(node, true);
        }
        checkRoundTrip(node, false);
    }
}

void checkBase64(const uint8_t* data, size_t size, const std::string& text) {
    Base64Coder coder;
    ParseError error = ErrorNone;
    size_t length = 0;
    coder.decode(text.c_str(), &length, &error);

    const std::string encoded = coder.encode(data, size, size % 2 == 0);
    const uint8_t* decoded = coder.decode(encoded.c_str(), &length, &error);
    fuzzRequire(length == size && error == ErrorNone);
    fuzzRequire(size == 0 || (decoded != nullptr && std::memcmp(decoded, data, size) == 0));
}

}  // namespace

constexpr size_t kMaxInput = 4096;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) {
        return 0;
    }
    const std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated
    checkParse(text, true);
    checkParse(text, false);
    checkBase64(data, size, text);
    DomNode::setParserOptions(true, true);
    return 0;
}
