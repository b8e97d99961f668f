#include "xml/XmlParser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Every test starts from the default options (openXmlFile changes them).
class XmlTest : public ::testing::Test {
protected:
    void SetUp() override { DomNode::setParserOptions(true, true); }
    void TearDown() override { DomNode::setParserOptions(true, true); }
};

class XmlFileTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        DomNode::setParserOptions(true, true);
    }
    void TearDown() override {
        DomNode::setParserOptions(true, true);
        TempDirTest::TearDown();
    }
    static void writeBytes(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
};

DomNode parse(const std::string& text, ParseResult* result = nullptr, const char* tag = nullptr) {
    return DomNode::parseText(text.c_str(), tag, result);
}

std::string utf16(const std::u16string& text, bool bigEndian, bool bom) {
    std::string out;
    if (bom) {
        out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    }
    for (char16_t c : text) {
        const char high = char(c >> 8), low = char(c & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

// ---------------------------------------------------------------------------
// Parsing: result codes with their positions, and what the tree writes back.

struct ParseCase {
    const char* name;
    std::string input;
    ParseError error;
    int line, column;
    const char* written;  // createText(false) of the result, null when no tree
};

TEST_F(XmlTest, ResultCodesPositionsAndTrees) {
    std::string nested;
    for (int i = 0; i < 100000; ++i) {
        nested += "<a>";
    }
    const ParseCase cases[] = {
        {"entity text", "<a>x &amp; y</a>", ErrorNone, 0, 0, "<a>x &amp; y</a>"},
        {"attributes", "<a x=1 y='2' z/>", ErrorNone, 0, 0, "<a x=\"1\" y=\"2\" z/>"},
        {"unclosed child", "<a><b></a>", WarningUnmatchedEndTag, 1, 11, "<a><b/></a>"},
        {"end tag reaches top", "<a></b>", ErrorUnmatchedEndTag, 1, 8, nullptr},
        {"lone end tag", "</a>", WarningUnmatchedEndTag, 1, 5, ""},
        {"lone '<'", "<a><", ErrorMissingStartTagName, 1, 5, nullptr},
        {"end tag without '>'", "<a></a", ErrorMissingEndTagName, 1, 7, nullptr},
        {"end tag without name", "<a></>", ErrorMissingEndTagName, 1, 7, nullptr},
        {"unknown entity", "<a>&foo;</a>", ErrorUnknownEntity, 1, 11, nullptr},
        {"unterminated reference", "<a x='&#65'/>", ErrorUnknownEntity, 1, 12, nullptr},
        {"bad hex digit", "<a>&#x4G;</a>", ErrorUnknownEntity, 1, 12, nullptr},
        {"open CDATA", "<a>\n<![CDATA[x", ErrorUnmatchedClearTagEnd, 2, 10, nullptr},
        {"equals first", "<a =1/>", ErrorUnexpectedToken, 1, 5, nullptr},
        {"text ends the tag", "<a", ErrorUnexpectedToken, 1, 3, nullptr},
        {"unclosed at end", "<r>\n  <b>\n", WarningUnmatchedEndTag, 3, 1, "<r><b/></r>"},
        {"columns count characters", "<\xC3\xA9><b></\xC3\xA9>", WarningUnmatchedEndTag, 1, 11,
         "<\xC3\xA9><b/></\xC3\xA9>"},
        {"numeric references", "<a>&#65;&#x41;&#X61;&AMP;&#;</a>", ErrorNone, 0, 0,
         "<a>AAa&amp;</a>"},
        {"huge reference keeps its low byte", "<a>&#99999999999;</a>", ErrorNone, 0, 0,
         "<a>\xFF</a>"},
        {"text trimmed at its end", "<a>  x \t y \r\n </a>", ErrorNone, 0, 0, "<a>x \t y</a>"},
        {"trailing top-level text dropped", "<a/>tail", ErrorNone, 0, 0, "<a/>"},
        {"several top elements", "<a/> t <b/>", ErrorNone, 0, 0, "<a/>t<b/>"},
        {"clear openings ignore case", "<a><pre> x </PRE><!-- c --></a>", ErrorNone, 0, 0,
         "<a><PRE> x </PRE><!-- c --></a>"},
        {"doctype", "<!DOCTYPE r [x]><r/>", ErrorNone, 0, 0, "<!DOCTYPE r [x]><r/>"},
        {"declaration keeps what follows", "<?xml version=\"1.0\"?>\n<r>t</r>", ErrorNone, 0, 0,
         "<?xml version=\"1.0\"?><r>t</r>"},
        {"declaration drops '?'", "<?xml version=1.0?><r/>", ErrorNone, 0, 0,
         "<?xml version=\"1.0\"?><r/>"},
        {"unmatched quote is a word", "<a x=\"1/>", ErrorNone, 0, 0, "<a x=\"&quot;1\"/>"},
        {"end tag with attributes-like tail", "<a></a/b>", ErrorNone, 0, 0, "<a/>"},
        {"lead byte hides markup", "<a>\xC2<b/></a>", ErrorNone, 0, 0, "<a>\xC2<b/&gt;</a>"},
        {"lead byte clamped at the end", "<a>\xE2", WarningUnmatchedEndTag, 1, 5, "<a/>"},
        {"too deep", nested, ErrorNestingTooDeep, 1, 3 * kXmlMaxDepth + 3, nullptr},
        {"subset ends at its own ']>'",
         "<!DOCTYPE r [ <!ELEMENT r ANY> <!-- ]> --> <?p ]>?> <!ENTITY e \"]>\"> ]><r>&e;</r>",
         ErrorNone, 0, 0,
         "<!DOCTYPE r [ <!ELEMENT r ANY> <!-- ]> --> <?p ]>?> <!ENTITY e \"]>\"> ]><r>]&gt;</r>"},
        {"unterminated subset", "<!DOCTYPE r [ <!ELEMENT r ANY>", ErrorUnmatchedClearTagEnd, 1, 10,
         nullptr},
        {"processing instruction in content", "<d><?pi?>t</d>", ErrorNone, 0, 0, "<d><?pi?>t</d>"},
        {"declarations close no element", "<b><?b?></b><?c/><d/>", ErrorNone, 0, 0,
         "<b><?b?></b><?c?/><d/>"},
        {"references past U+FFFF", "<d>&#x10000;&#x10FFFD;&#163;</d>", ErrorNone, 0, 0,
         "<d>\xF0\x90\x80\x80\xF4\x8F\xBF\xBD\xC2\xA3</d>"},
        {"declared entities nest",
         "<!DOCTYPE r [<!ENTITY a '&b; &amp; &b;'><!ENTITY b \"&#60;x\">]><r k='&a;'>&a;</r>",
         ErrorNone, 0, 0,
         "<!DOCTYPE r [<!ENTITY a '&b; &amp; &b;'><!ENTITY b \"&#60;x\">]><r k=\"&lt;x &amp; "
         "&lt;x\">&lt;x &amp; &lt;x</r>"},
        {"entity refers to itself", "<!DOCTYPE r [<!ENTITY a 'x&a;'>]><r>&a;</r>", ErrorEntityLoop,
         1, 42, nullptr},
        {"external entity is never read",
         "<!DOCTYPE r [<!ENTITY e SYSTEM '/etc/hostname'>]><r>&e;</r>", ErrorUnknownEntity, 1, 58,
         nullptr},
        {"an entity's text is characters, markup included",
         "<!DOCTYPE r [<!ENTITY e '<x/>'>]><r>&e;</r>", ErrorNone, 0, 0,
         "<!DOCTYPE r [<!ENTITY e '<x/>'>]><r>&lt;x/&gt;</r>"},
        {"white space kept by references", "<a>&#9;x&#x20;<b/> &#13;</a>", ErrorNone, 0, 0,
         "<a>&#9;x&#32;<b/>&#13;</a>"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        ParseResult result;
        const DomNode node = parse(c.input, &result);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.line, c.line);
        EXPECT_EQ(result.column, c.column);
        ASSERT_EQ(node.isEmpty(), c.written == nullptr);
        if (c.written != nullptr) {
            EXPECT_EQ(node.createText(false), c.written);
        }
    }
}

TEST_F(XmlTest, DeepestTreeWritesReadsAndCompares) {
    std::string text;
    for (int i = 0; i < kXmlMaxDepth; ++i) {
        text += "<a>";
    }
    ParseResult result;
    const DomNode deep = parse(text, &result);
    EXPECT_EQ(result.error, WarningUnmatchedEndTag);
    const DomNode again = parse(deep.createText(true), &result);
    EXPECT_EQ(result.error, ErrorNone);
    EXPECT_TRUE(again.sameTree(deep));
}

TEST_F(XmlTest, EntityExpansionIsBounded) {
    // Ten levels of ten references each: 10^10 expansions, whether they
    // produce bytes or nothing.
    for (const char* leaf : {"lol", ""}) {
        std::string doc = "<!DOCTYPE r [<!ENTITY e0 '" + std::string(leaf) + "'>";
        for (int level = 1; level <= 10; ++level) {
            doc += "<!ENTITY e" + std::to_string(level) + " '";
            for (int i = 0; i < 10; ++i) {
                doc += "&e" + std::to_string(level - 1) + ";";
            }
            doc += "'>";
        }
        ParseResult result;
        EXPECT_TRUE(parse(doc + "]><r a='&e10;'/>", &result).isEmpty());
        EXPECT_EQ(result.error, ErrorEntityExpansion);
        // Three levels (1000 copies) stay within the budget.
        const DomNode fine = parse(doc + "]><r>&e3;</r>", &result);
        EXPECT_EQ(result.error, ErrorNone);
        const char* text = fine.childByName("r").textAt(0);
        EXPECT_EQ(std::string(text != nullptr ? text : "").size(), 1000 * std::strlen(leaf));
    }
    std::string chain = "<!DOCTYPE r [<!ENTITY e0 'x'>";
    for (int i = 1; i <= kXmlMaxEntityDepth; ++i) {
        chain += "<!ENTITY e" + std::to_string(i) + " '&e" + std::to_string(i - 1) + ";'>";
    }
    ParseResult result;
    parse(chain + "]><r>&e" + std::to_string(kXmlMaxEntityDepth - 1) + ";</r>", &result);
    EXPECT_EQ(result.error, ErrorNone);
    parse(chain + "]><r>&e" + std::to_string(kXmlMaxEntityDepth) + ";</r>", &result);
    EXPECT_EQ(result.error, ErrorEntityExpansion);
}

TEST_F(XmlTest, SingleByteModeStepsOneByteAtATime) {
    DomNode::setParserOptions(true, false);
    const DomNode node = parse("<a>\xC2<b/></a>");
    EXPECT_EQ(node.childCount(), 1);
    ASSERT_EQ(node.textCount(), 1);
    EXPECT_STREQ(node.textAt(0), "\xC2");
}

TEST_F(XmlTest, NullTextAndTagSearch) {
    ParseResult result;
    EXPECT_TRUE(DomNode::parseText(nullptr, nullptr, &result).isEmpty());
    EXPECT_EQ(result.error, ErrorNoElements);

    // The tag is found inside the declaration node.
    DomNode node = parse("<?xml version=\"1.0\"?><VarnoModelFormat/>", &result, "VarnoModelFormat");
    EXPECT_EQ(result.error, ErrorNone);
    EXPECT_STREQ(node.name(), "VarnoModelFormat");
    EXPECT_TRUE(node.parent().isEmpty());  // the rest of the tree is gone

    node = parse("<a><c><b/></c></a>", &result, "b");  // grandchildren are not searched
    EXPECT_TRUE(node.isEmpty());
    EXPECT_EQ(result.error, ErrorFirstTagNotFound);
    EXPECT_EQ(result.line, 0);
    EXPECT_EQ(result.column, 0);

    node = parse("<x/><a/>", &result, "A");
    EXPECT_STREQ(node.name(), "a");
}

TEST_F(XmlTest, ElementsTextsAndClearsKeepDocumentOrder) {
    const DomNode a = parse("<a>one<b/><!-- c -->two<c/></a>");
    ASSERT_EQ(a.orderCount(), 5);
    const int expected[] = {0 * 4 + ItemText, 0 * 4 + ItemChild, 0 * 4 + ItemClear,
                            1 * 4 + ItemText, 1 * 4 + ItemChild};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(a.orderEntry(i), expected[i]);
    }
    EXPECT_EQ(a.elementCount(), 5);
    EXPECT_STREQ(a.clearAt(0).value, " c ");
    EXPECT_STREQ(a.clearAt(0).openTag, "<!--");
    EXPECT_EQ(a.clearAt(1).value, nullptr);
    EXPECT_EQ(a.createText(false), "<a>one<b/><!-- c -->two<c/></a>");
}

// ---------------------------------------------------------------------------
// Lookups and handles.

TEST_F(XmlTest, LookupsIgnoreCase) {
    const DomNode model =
        parse("<model><material n='1'/><object/><MATERIAL n='2' Flag/><x A='1' a='2'/></model>");
    EXPECT_STREQ(model.childByName("Material").attributeValue("n"), "1");
    EXPECT_STREQ(model.childByName("material", 1).attributeValue("N"), "2");
    EXPECT_TRUE(model.childByName("material", 2).isEmpty());
    EXPECT_TRUE(model.childByName("missing").isEmpty());

    int iterator = 0;
    EXPECT_STREQ(model.childByName("material", &iterator).attributeValue("n"), "1");
    EXPECT_EQ(iterator, 1);
    EXPECT_STREQ(model.childByName("material", &iterator).attributeValue("n"), "2");
    EXPECT_EQ(iterator, 3);
    EXPECT_TRUE(model.childByName("material", &iterator).isEmpty());
    EXPECT_EQ(iterator, 3);

    // Walking by index, forwards and back, with another name in between.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i : {0, 1, 0, 2, 1}) {
            const DomNode m = model.childByName("material", i);
            if (i < 2) {
                EXPECT_STREQ(m.attributeValue("n"), i == 0 ? "1" : "2");
            } else {
                EXPECT_TRUE(m.isEmpty());
            }
            EXPECT_FALSE(model.childByName("object", 0).isEmpty());
        }
    }

    const DomNode m2 = model.childAt(2);
    EXPECT_EQ(m2.attributeValue("flag"), nullptr);  // present but without value
    EXPECT_EQ(m2.attributeCount(), 2);
    const DomNode x = model.childAt(3);
    iterator = 0;
    EXPECT_STREQ(x.attributeValue("a", &iterator), "1");
    EXPECT_STREQ(x.attributeValue("a", &iterator), "2");
    EXPECT_EQ(x.attributeValue("a", &iterator), nullptr);
    EXPECT_TRUE(model.childAt(4).isEmpty());
}

TEST_F(XmlTest, EmptyNodeAnswersNothing) {
    const DomNode empty;
    EXPECT_EQ(empty.name(), nullptr);
    EXPECT_EQ(empty.childCount() + empty.elementCount() + empty.orderCount(), 0);
    EXPECT_FALSE(empty.isDeclaration());
    EXPECT_TRUE(empty.childAt(0).isEmpty());
    EXPECT_TRUE(empty.childByName("a").isEmpty());
    EXPECT_EQ(empty.attributeValue("a"), nullptr);
    int length = 7;
    EXPECT_EQ(empty.createText(true, &length), "");
    EXPECT_EQ(length, 0);
}

TEST_F(XmlTest, HandlesShareAndChildrenOutliveTheirTree) {
    DomNode child;
    {
        DomNode root = parse("<r><c k='v'/><d/></r>");
        DomNode copy = root;
        child = copy.childAt(0);
        EXPECT_STREQ(child.parent().name(), "r");
        root = DomNode();
        EXPECT_EQ(copy.childCount(), 2);  // the copy still holds the tree
    }
    EXPECT_TRUE(child.parent().isEmpty());
    EXPECT_STREQ(child.attributeValue("k"), "v");
    const DomNode& same = child;
    child = same;  // assigning a node to itself keeps it
    EXPECT_STREQ(child.name(), "c");
}

// ---------------------------------------------------------------------------
// Building and writing.

TEST_F(XmlTest, AddItemsAtPositions) {
    DomNode a = DomNode::create("a");
    a.addText("t0");
    a.addChild("c0");
    a.addText("t1");
    a.addText("t-first", 0);            // before t0
    a.addChild("c-first", false, 0);    // before c0, the first child at or after 0
    a.addClear("x", "<!--", "-->", 1);  // no clear after position 1: appended
    EXPECT_EQ(a.addChild(nullptr).isEmpty(), true);
    EXPECT_EQ(a.addText(nullptr), nullptr);
    a.addAttribute("k", "<&>");
    a.addAttribute("bare", nullptr);
    EXPECT_EQ(a.createText(false),
              "<a k=\"&lt;&amp;&gt;\" bare>t-firstt0<c-first/><c0/>t1<!--x--></a>");
    EXPECT_STREQ(a.childAt(1).name(), "c0");
    EXPECT_STREQ(a.textAt(1), "t0");
    EXPECT_STREQ(a.attributeAt(1).name, "bare");
    EXPECT_EQ(a.attributeAt(1).value, nullptr);
}

TEST_F(XmlTest, StringsStayPutWhileTheNodeGrows) {
    DomNode node = parse("<a k='value'>text</a>");
    const char* value = node.attributeValue("k");
    const char* text = node.textAt(0);
    const char* name = node.name();
    for (int i = 0; i < 200; ++i) {
        const std::string s = "item" + std::to_string(i);
        node.addAttribute(s.c_str(), s.c_str());
        node.addText(s.c_str(), 0);
        node.addChild(s.c_str());
    }
    EXPECT_EQ(node.attributeValue("k"), value);
    EXPECT_STREQ(value, "value");
    EXPECT_STREQ(text, "text");
    EXPECT_EQ(node.textAt(200), text);
    EXPECT_EQ(node.name(), name);
}

TEST_F(XmlTest, FormattedLayout) {
    EXPECT_EQ(parse("<a><b/></a>").createText(true), "<a>\n\t<b/>\n</a>\n");
    EXPECT_EQ(parse("<?xml v='1'?><r>t<![CDATA[c]]><e/></r>").createText(true),
              "<?xml v=\"1\"?>\n<r>\n\tt\n\t<![CDATA[c]]>\n\t<e/>\n</r>\n");
    EXPECT_EQ(parse("x<a/><b/>").createText(true), "x\n<a/>\n<b/>\n");
    int length = 0;
    EXPECT_EQ(parse("<a x='&apos;\"'/>").createText(false, &length), "<a x=\"&apos;&quot;\"/>");
    EXPECT_EQ(length, 21);
}

TEST_F(XmlTest, EscapeText) {
    EXPECT_EQ(escapeText("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(escapedLength("a<b>&\"c'"), 28u);
    EXPECT_EQ(escapeText("\xC2&"), "\xC2&");  // the '&' belongs to the character
    // A character cut short: each byte as a reference past U+10FFFF, which
    // reads back as that byte alone.
    EXPECT_EQ(escapeText("x\xE2\x82"), "x&#x1100E2;&#x110082;");
    EXPECT_STREQ(parse("<a>" + escapeText("x\xE2\x82") + "</a>").textAt(0), "x\xE2\x82");
    DomNode::setParserOptions(true, false);
    EXPECT_EQ(escapeText("\xC2&"), "\xC2&amp;");
}

// A random tree whose written form reads back as the same tree: texts never
// side by side (they would merge), never empty and never with whitespace at
// their ends.
void grow(DomNode node, std::mt19937& random, int depth) {
    static const char* const kNames[] = {"a", "model", "Vertex", "x-y", "n.s:t", "caf\xC3\xA9"};
    static const char* const kTexts[] = {"plain", "x & y < z > \"q\" 'a'", "\xE2\x82\xAC 5",
                                         "multi\nline\ttext"};
    const int attributes = int(random() % 4);
    for (int i = 0; i < attributes; ++i) {
        node.addAttribute(kNames[random() % 6], random() % 5 == 0 ? nullptr : kTexts[random() % 4]);
    }
    const int items = depth > 4 ? 0 : int(random() % 5);
    bool lastWasText = false;
    for (int i = 0; i < items; ++i) {
        const int kind = int(random() % 3);
        if (kind == 0 && !lastWasText) {
            node.addText(kTexts[random() % 4]);
            lastWasText = true;
            continue;
        }
        lastWasText = false;
        if (kind == 1) {
            const int tag = int(random() % 4);
            const ClearTag& clear = kClearTags[tag];
            node.addClear(tag == 0 ? " raw <&> " : " c ", clear.open, clear.close);
        } else {
            grow(node.addChild(kNames[random() % 6]), random, depth + 1);
        }
    }
}

TEST_F(XmlTest, GeneratedTreesRoundTrip) {
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        DomNode root = DomNode::create("root");
        grow(root, random, 0);
        for (bool format : {true, false}) {
            const std::string text = root.createText(format);
            ParseResult result;
            const DomNode again = parse(text, &result);
            ASSERT_EQ(result.error, ErrorNone) << text;
            ASSERT_TRUE(again.sameTree(root)) << text;
            EXPECT_EQ(again.createText(format), text);
            setXmlFastPaths(false);
            EXPECT_TRUE(parse(text).sameTree(root)) << text;
            setXmlFastPaths(true);
        }
    }
}

TEST_F(XmlTest, RepositoryXmlFilesRoundTrip) {
    const fs::path source = VARNO_SOURCE_DIR;
    int files = 0;
    for (const fs::path& dir : {source / "tests/data/xml", source / "Data/Model"}) {
        if (!fs::is_directory(dir)) {
            continue;
        }
        for (const auto& entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() != ".xml") {
                continue;
            }
            SCOPED_TRACE(entry.path().string());
            ++files;
            ParseResult result;
            const DomNode tree = DomNode::parseXmlFile(entry.path().c_str(), nullptr, &result);
            ASSERT_EQ(result.error, ErrorNone);
            for (bool format : {true, false}) {
                const DomNode again = parse(tree.createText(format), &result);
                EXPECT_EQ(result.error, ErrorNone);
                EXPECT_TRUE(again.sameTree(tree));
            }
        }
    }
    EXPECT_GE(files, 2);
}

// Small standalone documents in the forms valid XML takes (internal subsets,
// declarations, references, processing instructions).
std::vector<std::string> standaloneForms() {
    std::ifstream in(std::string(VARNO_TEST_DATA_DIR) + "/xml/standalone_forms.txt");
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> docs;
    for (size_t at = all.find("#### "); at != std::string::npos;) {
        const size_t body = all.find('\n', at) + 1;
        at = all.find("\n#### ", body);
        docs.push_back(all.substr(body, at == std::string::npos ? at : at - body));
    }
    return docs;
}

// The forms, and a real database with an internal subset where the system
// has it.
TEST_F(XmlTest, StandaloneFormsReadAndRoundTrip) {
    std::vector<std::string> docs = standaloneForms();
    EXPECT_EQ(docs.size(), 116u);
    std::ifstream mime("/usr/share/mime/packages/freedesktop.org.xml");
    if (mime) {
        docs.emplace_back(std::istreambuf_iterator<char>(mime), std::istreambuf_iterator<char>());
    }
    for (const std::string& doc : docs) {
        SCOPED_TRACE(doc.substr(0, 300));
        ParseResult result;
        const DomNode tree = parse(doc, &result);
        ASSERT_EQ(result.error, ErrorNone);
        for (bool format : {true, false}) {
            const DomNode again = parse(tree.createText(format), &result);
            EXPECT_EQ(result.error, ErrorNone);
            EXPECT_TRUE(again.sameTree(tree));
        }
    }
}

// The fast paths (whole text runs, plain attributes) against the plain
// tokenizer: the same trees and results, positions included, on the forms,
// the repository's documents and random edits of them.
TEST_F(XmlTest, FastPathsMatchThePlainTokenizer) {
    std::vector<std::string> docs = standaloneForms();
    for (const char* file : {"/xml/cube_model.xml", "/xml/mixed_content.xml"}) {
        std::ifstream in(std::string(VARNO_TEST_DATA_DIR) + file);
        docs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const auto compare = [](const std::string& doc) {
        for (bool utf8 : {true, false}) {
            DomNode::setParserOptions(true, utf8);
            ParseResult fast, plain;
            const DomNode a = parse(doc, &fast);
            setXmlFastPaths(false);
            const DomNode b = parse(doc, &plain);
            setXmlFastPaths(true);
            ASSERT_EQ(fast.error, plain.error) << doc;
            ASSERT_EQ(fast.line, plain.line) << doc;
            ASSERT_EQ(fast.column, plain.column) << doc;
            ASSERT_TRUE(a.sameTree(b)) << doc;
        }
    };
    static const char kPieces[] = "<>\"'=/&;#x? \n\t![]-aZ\xC3\xA9\xE2";
    std::mt19937 random(5);
    // Long texts and values, so that the scans that read 16 bytes at a time
    // meet references, characters and stray lead bytes at every offset; and
    // end tags that the direct reading must leave to the tokenizer.
    static const char* const kRunPieces[] = {
        "text", " ",    "\n", "&amp;", "&#x263A;", "\xC3\xA9", "\xE2\x80\x94",  "word", "\xF0\x9F",
        "\xC3", "\xE2", "&",  "x<y",   "<b/>",     "</A>",     "<\"q>t</\"q>\""};
    for (int i = 0; i < 400; ++i) {
        std::string run;
        for (size_t length = random() % 100; run.size() < length;) {
            run += kRunPieces[random() % (sizeof kRunPieces / sizeof *kRunPieces)];
        }
        docs.push_back("<a v=\"" + run + "\">" + run + "</a>");
    }
    for (const std::string& doc : docs) {
        compare(doc);
        for (int variant = 0; variant < 20; ++variant) {
            std::string edited = doc;
            for (int edit = int(random() % 4); edit >= 0; --edit) {
                const size_t at = random() % (edited.size() + 1);
                const char piece = kPieces[random() % (sizeof kPieces - 1)];
                if (random() % 2 == 0) {
                    edited.insert(at, 1, piece);
                } else {
                    edited.erase(at, 1 + random() % 3);
                }
            }
            compare(edited);
        }
    }
}

TEST_F(XmlTest, ModelFileReadsAsTheLoaderWalksIt) {
    ParseResult result;
    const std::string path = std::string(VARNO_TEST_DATA_DIR) + "/xml/cube_model.xml";
    const DomNode root = DomNode::parseXmlFile(path.c_str(), "VarnoModelFormat", &result);
    ASSERT_EQ(result.error, ErrorNone);
    const DomNode model = root.childByName("model");
    EXPECT_STREQ(model.attributeValue("name"), "cube");
    const DomNode material = model.childByName("material", 0);
    EXPECT_FALSE(material.childByName("texture").isEmpty());
    const DomNode object = model.childByName("object", 0);
    EXPECT_STREQ(object.childByName("vertex", 3).attributeValue("v0"), "1");
    EXPECT_STREQ(object.childByName("face", 1).attributeValue("c"), "3");
    EXPECT_TRUE(object.childByName("vertex", 4).isEmpty());
}

// ---------------------------------------------------------------------------
// Files.

TEST_F(XmlFileTest, ReadingFiles) {
    struct FileCase {
        const char* name;
        std::string bytes;
        ParseError error;
        const char* text;  // the root's first text on success
    };
    const std::u16string doc = u"<r a='1'>hi \u263A &#x41;</r>";
    const char* const text = "hi \xE2\x98\xBA A";
    const std::u16string lone = u"<r>" + std::u16string(1, char16_t(0xD83D)) + u"</r>";
    const FileCase cases[] = {
        {"empty", "", ErrorNoXmlData, nullptr},
        {"utf-8 bom", "\xEF\xBB\xBF<r>hi \xE2\x98\xBA &#x41;</r>", ErrorNone, text},
        {"utf-16le bom", utf16(doc, false, true), ErrorNone, text},
        {"utf-16be bom", utf16(doc, true, true), ErrorNone, text},
        {"utf-16le", utf16(doc, false, false), ErrorNone, text},
        {"utf-16be", utf16(doc, true, false), ErrorNone, text},
        {"surrogate pair", utf16(u"<r>\U0001F600</r>", false, true), ErrorNone, "\xF0\x9F\x98\x80"},
        {"lone surrogate", utf16(lone, false, true), ErrorCharConversion, nullptr},
        {"cut pair", utf16(lone.substr(0, 4), true, true), ErrorCharConversion, nullptr},
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes("in.xml", c.bytes);
        ParseResult result{ErrorNone, 9, 9};
        const DomNode node = DomNode::parseXmlFile("in.xml", nullptr, &result);
        EXPECT_EQ(result.error, c.error);
        if (c.text != nullptr) {
            EXPECT_STREQ(node.textAt(0), c.text);
        } else {
            EXPECT_TRUE(node.isEmpty());
            EXPECT_EQ(result.line, 0);
            EXPECT_EQ(result.column, 0);
        }
    }
    ParseResult result;
    EXPECT_TRUE(DomNode::parseXmlFile("missing.xml", nullptr, &result).isEmpty());
    EXPECT_EQ(result.error, ErrorFileNotFound);
}

TEST_F(XmlFileTest, GuessEncoding) {
    const std::string head = "<?xml version=\"1.0\" encoding";
    struct Guess {
        std::string bytes;
        bool useDeclaration, utf8;
    };
    const Guess guesses[] = {
        {"<a>short</a>", false, false},
        {head + "=\"utf-8\"?><r/>", true, true},
        {head + " = 'UTF8'?><r/>", true, true},
        {head + "=\"ISO-8859-1\"?><r/>", true, false},
        {head + "=\"ISO-8859-1\"?><r/>", false, true},
        {"<?xml version=\"1.0\"?><r>caf\xC3\xA9</r>", true, true},
        {"<?xml version=\"1.0\"?><r>caf\xE9 au lait</r>", true, false},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"latin1\"?>", true, true},
        {utf16(u"<?xml version=\"1.0\"?><r/>", false, false), true, false},
    };
    for (const Guess& g : guesses) {
        SCOPED_TRACE(g.bytes);
        EXPECT_EQ(DomNode::guessEncoding(g.bytes.data(), g.bytes.size(), g.useDeclaration), g.utf8);
    }
}

TEST_F(XmlFileTest, WriteFileAndReadBack) {
    const DomNode tree = parse("<r k='&amp;'><c>t</c></r>");
    ASSERT_EQ(tree.writeFile("out.xml"), ErrorNone);
    EXPECT_EQ(readFile("out.xml"),
              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
              "<r k=\"&amp;\">\n\t<c>\n\t\tt\n\t</c>\n</r>\n");
    EXPECT_TRUE(DomNode::parseXmlFile("out.xml", "r").sameTree(tree));

    const DomNode declared = parse("<?xml version=\"1.0\"?><r/>");
    ASSERT_EQ(declared.writeFile("decl.xml", "utf-8", false), ErrorNone);
    EXPECT_EQ(readFile("decl.xml"), "\xEF\xBB\xBF<?xml version=\"1.0\"?><r/>");

    DomNode::setParserOptions(true, false);
    ASSERT_EQ(tree.writeFile("latin.xml", "ISO-8859-1", false), ErrorNone);
    EXPECT_EQ(readFile("latin.xml"),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r k=\"&amp;\"><c>t</c></r>");

    EXPECT_EQ(tree.writeFile("no/such/dir/out.xml"), ErrorCannotOpenForWriting);

    // Printing to a file gives createText's text, here long enough to go out
    // in several pieces.
    std::string big = "<r>";
    for (int i = 0; i < 5000; ++i) {
        big += "<e i='" + std::to_string(i) + "'>t &amp; u</e>";
    }
    const DomNode bigTree = parse(big + "</r>");
    for (bool format : {true, false}) {
        FILE* file = std::fopen("print.xml", "wb");
        ASSERT_NE(file, nullptr);
        EXPECT_TRUE(bigTree.printText(file, format));
        std::fclose(file);
        EXPECT_EQ(readFile("print.xml"), bigTree.createText(format));
    }
}

TEST_F(XmlFileTest, OpenXmlFileReturnsTheTree) {
    writeBytes("ok.xml", "<?xml version=\"1.0\"?>\n<VarnoModelFormat><model/></VarnoModelFormat>");
    const DomNode root = DomNode::openXmlFile("ok.xml", "VarnoModelFormat");
    EXPECT_FALSE(root.childByName("model").isEmpty());
}

using XmlFileDeathTest = XmlFileTest;

TEST_F(XmlFileDeathTest, OpenXmlFileReportsAndExits) {
    writeBytes("bad.xml", "<a>\n</b>");
    EXPECT_EXIT(DomNode::openXmlFile("bad.xml", "a"), ::testing::ExitedWithCode(255),
                "^XML Parsing error\nXML Parsing error inside file 'bad.xml'.\n"
                "Error: Unmatched end tag\nAt line 2, column 5.\n$");
    writeBytes("warn.xml", "<a><b></a>");
    EXPECT_EXIT(DomNode::openXmlFile("warn.xml", "a"), ::testing::ExitedWithCode(255),
                "Warning: Unmatched end tag\nAt line 1, column 11.\n$");
    writeBytes("other.xml", "<other/>");
    EXPECT_EXIT(DomNode::openXmlFile("other.xml", "VarnoModelFormat"),
                ::testing::ExitedWithCode(255),
                "Error: First Tag not found\nAt line 0, column 0.\n"
                "First Tag should be 'VarnoModelFormat'.\n$");
    EXPECT_EXIT(DomNode::openXmlFile("missing.xml", "a"), ::testing::ExitedWithCode(255),
                "Error: File not found");
}

// ---------------------------------------------------------------------------
// Base64.

TEST(Base64Test, EncodeAndDecode) {
    Base64Coder coder;
    const std::pair<std::string, std::string> pairs[] = {
        {"abc", "YWJj"}, {"ab", "YWI="}, {"a", "YQ=="}, {"", ""}, {"abcd", "YWJjZA=="}};
    for (const auto& [plain, encoded] : pairs) {
        EXPECT_STREQ(coder.encode(plain.data(), plain.size()), encoded.c_str());
        size_t length = 99;
        ParseError error = WarningBase64Length;
        const uint8_t* decoded = coder.decode(encoded.c_str(), &length, &error);
        EXPECT_EQ(length, plain.size());
        EXPECT_EQ(error, ErrorNone);
        if (!plain.empty()) {
            ASSERT_NE(decoded, nullptr);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(decoded), length), plain);
        }
    }
    // A space or line break anywhere is skipped.
    for (size_t at = 0; at <= 4; ++at) {
        std::string text = "YWJj";
        text.insert(at, at % 2 ? " " : "\r\n");
        size_t length = 0;
        const uint8_t* decoded = coder.decode(text.c_str(), &length);
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(decoded), length), "abc");
    }
}

TEST(Base64Test, FormattedLinesAndLongData) {
    Base64Coder coder;
    std::mt19937 random(3);
    for (size_t n : {0u, 1u, 53u, 54u, 55u, 200u}) {
        std::vector<uint8_t> data(n);
        for (uint8_t& b : data) {
            b = uint8_t(random());
        }
        const std::string text = coder.encode(data.data(), n, true);
        EXPECT_LE(text.size() + 1, Base64Coder::encodedSize(n, true));
        EXPECT_EQ(text.find('\n') == std::string::npos ? text.size() : text.find('\n'),
                  std::min<size_t>(text.size(), 72));
        size_t length = 0;
        const uint8_t* decoded = coder.decode(text.c_str(), &length);
        ASSERT_EQ(length, n);
        EXPECT_TRUE(n == 0 || std::equal(data.begin(), data.end(), decoded));
    }
}

TEST(Base64Test, WarningsAndErrors) {
    struct Case {
        const char* text;
        size_t bufferSize;  // for decodeInto
        Base64Coder::Result result;
        ParseError error;
        size_t decodedSize;
        ParseError sizeError;
    };
    using R = Base64Coder::Result;
    const Case cases[] = {
        {"YWJj", 3, R::Success, ErrorNone, 3, ErrorNone},
        {"YWJj", 2, R::Failure, ErrorBase64BufferTooSmall, 3, ErrorNone},
        {"YWJ", 2, R::SuccessWithWarning, WarningBase64Truncated, 2, WarningBase64Length},
        {"YWJjY", 4, R::SuccessWithWarning, WarningBase64Truncated, 3, WarningBase64Length},
        {"YW*j", 3, R::Failure, ErrorBase64IllegalChar, 0, ErrorBase64IllegalChar},
        {"YWJj=", 3, R::Success, ErrorNone, 3, WarningBase64Length},
        {"YWJj====", 4, R::SuccessWithWarning, WarningBase64Truncated, 3, ErrorNone},
        {"Y===", 1, R::SuccessWithWarning, WarningBase64Truncated, 0, ErrorNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ParseError error = ErrorNone;
        EXPECT_EQ(Base64Coder::decodedSize(c.text, &error), c.decodedSize);
        EXPECT_EQ(error, c.sizeError);
        std::vector<uint8_t> buffer(c.bufferSize);
        EXPECT_EQ(Base64Coder::decodeInto(c.text, buffer.data(), buffer.size(), &error), c.result);
        EXPECT_EQ(error, c.error);
    }
    Base64Coder coder;
    ParseError error = ErrorNone;
    EXPECT_EQ(coder.decode("YW*j", nullptr, &error), nullptr);
    EXPECT_EQ(error, ErrorBase64IllegalChar);
    EXPECT_NE(coder.decode("YWJ", nullptr, &error), nullptr);
    EXPECT_EQ(error, WarningBase64Truncated);
}

}  // namespace
