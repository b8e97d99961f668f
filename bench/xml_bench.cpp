// XML parsing speed: the engine's DOM parser, pugixml (default parse) and
// tinyxml2 (XMLDocument::Parse) on the same model document held in memory, in
// megabytes per second. The document is generated at start-up in the engine's
// model format: materials and objects with thousands of vertex and face
// elements, each a run of numeric attributes, about 12 MB in all. After the
// runs it prints how the engine's parser compares with each.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <iomanip>
#include <iostream>
#include <string>

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

const std::string& document() {
    static const std::string doc = makeModelDocument(12u << 20);
    return doc;
}

void setBytes(benchmark::State& state) {
    state.counters["MB/s"] = benchmark::Counter(
        double(document().size()) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void parseOurs(benchmark::State& state) {
    const std::string& doc = document();
    for (auto _ : state) {
        ParseResult result;
        DomNode root = DomNode::parseText(doc.c_str(), "VarnoModelFormat", &result);
        if (result.error != ErrorNone) {
            state.SkipWithError(errorText(result.error));
            return;
        }
        benchmark::DoNotOptimize(root.childCount());
    }
    setBytes(state);
}

void parsePugi(benchmark::State& state) {
    const std::string& doc = document();
    for (auto _ : state) {
        pugi::xml_document xml;
        const pugi::xml_parse_result result = xml.load_buffer(doc.data(), doc.size());
        if (!result) {
            state.SkipWithError(result.description());
            return;
        }
        benchmark::DoNotOptimize(xml.first_child());
    }
    setBytes(state);
}

void parseTiny(benchmark::State& state) {
    const std::string& doc = document();
    for (auto _ : state) {
        tinyxml2::XMLDocument xml;
        if (xml.Parse(doc.data(), doc.size()) != tinyxml2::XML_SUCCESS) {
            state.SkipWithError(xml.ErrorStr());
            return;
        }
        benchmark::DoNotOptimize(xml.RootElement());
    }
    setBytes(state);
}

}  // namespace

int main(int argc, char** argv) {
    std::cout << "model document: " << document().size() << " bytes\n";
    benchmark::RegisterBenchmark("ours", parseOurs)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("pugixml", parsePugi)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("tinyxml2", parseTiny)->Unit(benchmark::kMillisecond);

    KeptReporter reporter("MB/s");
    if (!runBenchmarks(argc, argv, reporter)) {
        return 1;
    }

    const double ours = reporter.value("ours");
    const double pugi = reporter.value("pugixml");
    const double tiny = reporter.value("tinyxml2");
    std::cout << "\n"
              << std::right << std::setw(10) << "ours MB/s" << std::setw(14) << "pugixml MB/s"
              << std::setw(15) << "tinyxml2 MB/s" << std::setw(14) << "ours/pugixml"
              << std::setw(15) << "ours/tinyxml2"
              << "\n"
              << std::fixed << std::setprecision(1) << std::setw(10) << ours << std::setw(14)
              << pugi << std::setw(15) << tiny << std::setprecision(2) << std::setw(14)
              << (pugi > 0 ? ours / pugi : 0) << std::setw(15) << (tiny > 0 ? ours / tiny : 0)
              << "\n";
    return 0;
}
