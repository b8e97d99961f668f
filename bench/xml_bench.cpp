// XML parsing speed: the engine's DOM parser, pugixml (default parse) and
// tinyxml2 (XMLDocument::Parse) on the same documents held in memory, in
// megabytes per second. Three documents of about 12 MB are generated at
// start-up: one in the engine's model format (materials and objects with
// thousands of vertex and face elements, each a run of numeric attributes),
// one of records with many attributes each (words, numbers, a few entities),
// and a text-heavy one (paragraphs of prose with inline markup and some
// non-ASCII characters). After the runs it prints how the engine's parser
// compares with each, per document.
//
// `xml_bench --write DIR` writes the three documents as model.xml,
// attributes.xml and text.xml in DIR instead, for whole-process timings.

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include <pugixml.hpp>
#include <tinyxml2.h>

#include "bench/KeptReporter.h"
#include "xml/XmlParser.h"

namespace {

// A deterministic pseudo-random number in [0, 1) for the coordinates.
double nextUnit(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return double(state >> 8) / double(1u << 24);
}

std::string makeModelDocument(size_t targetBytes) {
    std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<VarnoModelFormat>\n";
    const int objects = 40;
    const int materials = 8;
    // A vertex line and a face line take about 225 bytes together, and each
    // object has as many faces as vertices: size the objects by that.
    const int vertices = int(targetBytes / objects / 225) + 1;
    char line[512];
    std::snprintf(line, sizeof line,
                  "\t<model name=\"benchmark\" numsubobjects=\"%d\" nummaterials=\"%d\">\n",
                  objects, materials);
    doc += line;
    uint32_t state = 12345;
    for (int m = 0; m < materials; ++m) {
        std::snprintf(line, sizeof line,
                      "\t\t<material name=\"material%d\" shininess=\"%.3f\">\n"
                      "\t\t\t<ambient r=\"%.4f\" g=\"%.4f\" b=\"%.4f\" a=\"1\"/>\n"
                      "\t\t\t<diffuse r=\"%.4f\" g=\"%.4f\" b=\"%.4f\" a=\"1\"/>\n"
                      "\t\t\t<texture file=\"Data/Model/texture%d.bmp\"/>\n"
                      "\t\t</material>\n",
                      m, 100 * nextUnit(state), nextUnit(state), nextUnit(state), nextUnit(state),
                      nextUnit(state), nextUnit(state), nextUnit(state), m);
        doc += line;
    }
    for (int o = 0; o < objects; ++o) {
        std::snprintf(line, sizeof line,
                      "\t\t<object name=\"object%d\" numvertices=\"%d\" numfaces=\"%d\">\n"
                      "\t\t\t<position x=\"%.4f\" y=\"%.4f\" z=\"%.4f\"/>\n"
                      "\t\t\t<orientation angle=\"%.2f\" x=\"0\" y=\"1\" z=\"0\"/>\n",
                      o, vertices, vertices, 10 * nextUnit(state), 10 * nextUnit(state),
                      10 * nextUnit(state), 360 * nextUnit(state));
        doc += line;
        for (int v = 0; v < vertices; ++v) {
            std::snprintf(line, sizeof line,
                          "\t\t\t<vertex x=\"%.5f\" y=\"%.5f\" z=\"%.5f\" u0=\"%.4f\" v0=\"%.4f\" "
                          "u1=\"%.4f\" v1=\"%.4f\" u2=\"0\" v2=\"0\" u3=\"0\" v3=\"0\" "
                          "r=\"%.3f\" g=\"%.3f\" b=\"%.3f\" a=\"1\"/>\n",
                          nextUnit(state) - 0.5, nextUnit(state) - 0.5, nextUnit(state) - 0.5,
                          nextUnit(state), nextUnit(state), nextUnit(state), nextUnit(state),
                          nextUnit(state), nextUnit(state), nextUnit(state));
            doc += line;
        }
        for (int f = 0; f < vertices; ++f) {
            std::snprintf(line, sizeof line,
                          "\t\t\t<face a=\"%d\" b=\"%d\" c=\"%d\" materialindex=\"%d\"/>\n", f,
                          (f + 1) % vertices, (f + 2) % vertices, f % materials);
            doc += line;
        }
        doc += "\t\t</object>\n";
    }
    doc += "\t</model>\n</VarnoModelFormat>\n";
    return doc;
}

// Records with 24 attributes each: identifiers, words, numbers and dates,
// a few values with entities.
std::string makeAttributeDocument(size_t targetBytes) {
    static const char* const kWords[] = {"alpha",   "bravo", "charlie", "delta",    "echo",
                                         "foxtrot", "golf",  "hotel",   "india",    "juliet",
                                         "kilo",    "lima",  "mike",    "november", "oscar"};
    std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<catalog>\n";
    uint32_t state = 777;
    char value[64];
    for (int record = 0; doc.size() < targetBytes; ++record) {
        doc += "  <record id=\"r" + std::to_string(record) + "\"";
        for (int a = 0; a < 24; ++a) {
            const double x = nextUnit(state);
            switch (a % 4) {
                case 0:
                    std::snprintf(value, sizeof value, "%s %s", kWords[int(x * 15)],
                                  kWords[(record + a) % 15]);
                    break;
                case 1:
                    std::snprintf(value, sizeof value, "%.6f", 1000 * x - 500);
                    break;
                case 2:
                    std::snprintf(value, sizeof value, "20%02d-%02d-%02d", int(x * 30),
                                  1 + record % 12, 1 + a);
                    break;
                default:
                    std::snprintf(value, sizeof value, x < 0.1 ? "a &amp; b &lt; %d" : "%d",
                                  int(x * 100000));
                    break;
            }
            doc += " attr" + std::to_string(a) + "=\"" + value + "\"";
        }
        doc += "/>\n";
    }
    doc += "</catalog>\n";
    return doc;
}

// Chapters of paragraphs: prose with inline emphasis and links, an entity now
// and then, and some accented and typographic characters.
std::string makeTextDocument(size_t targetBytes) {
    static const char* const kWords[] = {
        "the",          "engine",      "draws",  "a",      "knight",      "between",
        "two",          "columns",     "under",  "moving", "light",       "while",
        "shadows",      "fall",        "across", "ground", "caf\xC3\xA9", "na\xC3\xAFve",
        "\xE2\x80\x94", "r\xC3\xB4le", "&amp;",  "frame",  "time",        "and",
        "every",        "texture",     "loads",  "from",   "its",         "file"};
    std::string doc = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<book>\n";
    uint32_t state = 4242;
    for (int chapter = 0; doc.size() < targetBytes; ++chapter) {
        doc += "<chapter n=\"" + std::to_string(chapter) + "\">\n<title>Chapter " +
               std::to_string(chapter) + "</title>\n";
        for (int paragraph = 0; paragraph < 40; ++paragraph) {
            doc += "<p>";
            for (int word = 0; word < 120; ++word) {
                const double x = nextUnit(state);
                if (x < 0.01) {
                    doc += "<em>emphasis</em> ";
                } else if (x < 0.015) {
                    doc += "<a href=\"#c" + std::to_string(chapter) + "\">see here</a> ";
                } else {
                    doc += kWords[int(x * 30)];
                    doc += word % 17 == 16 ? ".\n" : " ";
                }
            }
            doc += "</p>\n";
        }
        doc += "</chapter>\n";
    }
    doc += "</book>\n";
    return doc;
}

struct Document {
    const char* name;
    std::string text;
};

std::vector<Document>& documents() {
    static std::vector<Document> docs = {
        {"model", makeModelDocument(12u << 20)},
        {"attributes", makeAttributeDocument(12u << 20)},
        {"text", makeTextDocument(12u << 20)},
    };
    return docs;
}

void setBytes(benchmark::State& state, const std::string& doc) {
    state.counters["MB/s"] = benchmark::Counter(
        double(doc.size()) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// One parse of `doc` into a tree that is then freed, as each library does it;
// the error text, or null when the document parsed.
const char* parseOurs(const std::string& doc) {
    ParseResult result;
    DomNode root = DomNode::parseText(doc.c_str(), nullptr, &result);
    benchmark::DoNotOptimize(root.childCount());
    return result.error != ErrorNone ? errorText(result.error) : nullptr;
}

const char* parsePugi(const std::string& doc) {
    pugi::xml_document xml;
    const pugi::xml_parse_result result = xml.load_buffer(doc.data(), doc.size());
    benchmark::DoNotOptimize(xml.first_child());
    // The description is a static string: it outlives the document.
    return result ? nullptr : result.description();
}

const char* parseTiny(const std::string& doc) {
    tinyxml2::XMLDocument xml;
    const bool ok = xml.Parse(doc.data(), doc.size()) == tinyxml2::XML_SUCCESS;
    benchmark::DoNotOptimize(xml.RootElement());
    return ok ? nullptr : "tinyxml2 could not parse the document";
}

template <const char* (*Parse)(const std::string&)>
void timeParse(benchmark::State& state, const std::string* doc) {
    for (auto _ : state) {
        if (const char* error = Parse(*doc)) {
            state.SkipWithError(error);
            return;
        }
    }
    setBytes(state, *doc);
}

bool writeDocuments(const std::string& dir) {
    for (const Document& doc : documents()) {
        const std::string path = dir + "/" + doc.name + ".xml";
        std::ofstream out(path, std::ios::binary);
        out << doc.text;
        if (!out) {
            std::cerr << "cannot write " << path << "\n";
            return false;
        }
        std::cout << path << ": " << doc.text.size() << " bytes\n";
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write") {
        return writeDocuments(argv[2]) ? 0 : 1;
    }
    // Every parser gets the memory the allocator keeps between iterations, as
    // in a program that reads one document after another. Left to its
    // defaults, glibc gives large freed heaps back to the system, and whichever
    // parser runs after that pays the page faults of fresh memory on every
    // iteration, depending on what ran before it.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    for (const Document& doc : documents()) {
        std::cout << doc.name << " document: " << doc.text.size() << " bytes\n";
        const std::string prefix = std::string(doc.name) + "/";
        benchmark::RegisterBenchmark((prefix + "ours").c_str(), timeParse<parseOurs>, &doc.text)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "pugixml").c_str(), timeParse<parsePugi>, &doc.text)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "tinyxml2").c_str(), timeParse<parseTiny>, &doc.text)
            ->Unit(benchmark::kMillisecond);
    }

    KeptReporter reporter("MB/s");
    if (!runBenchmarks(argc, argv, reporter)) {
        return 1;
    }

    std::cout << "\n"
              << std::left << std::setw(12) << "document" << std::right << std::setw(10)
              << "ours MB/s" << std::setw(14) << "pugixml MB/s" << std::setw(15) << "tinyxml2 MB/s"
              << std::setw(14) << "ours/pugixml" << std::setw(15) << "ours/tinyxml2"
              << "\n";
    for (const Document& doc : documents()) {
        const std::string prefix = std::string(doc.name) + "/";
        const double ours = reporter.value(prefix + "ours");
        const double pugi = reporter.value(prefix + "pugixml");
        const double tiny = reporter.value(prefix + "tinyxml2");
        if (ours == 0 && pugi == 0 && tiny == 0) {
            continue;  // filtered out
        }
        std::cout << std::left << std::setw(12) << doc.name << std::right << std::fixed
                  << std::setprecision(1) << std::setw(10) << ours << std::setw(14) << pugi
                  << std::setw(15) << tiny << std::setprecision(2) << std::setw(14)
                  << (pugi > 0 ? ours / pugi : 0) << std::setw(15) << (tiny > 0 ? ours / tiny : 0)
                  << "\n";
    }
    return 0;
}
