// The engine's layering, checked on the source text: every engine file belongs
// to exactly one layer (build/layers.txt, written by cmake/VarnoLayers.cmake),
// includes only files of its own layer or the layers below, and the folders'
// include graph has no circle. The kernel's registry header core/Engine.h
// counts as a folder of its own: every manager reads the registry, only the
// kernel's implementation includes every manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kEngineFolders[] = {"base", "core",  "render", "shader", "image",
                                      "math", "xml",   "model",  "scene",  "platform",
                                      "text", "sound", "gui",    "app"};

struct Layering {
    std::vector<std::string> order;            // bottom first
    std::map<std::string, std::string> layer;  // file -> layer
};

Layering readManifest() {
    Layering layering;
    std::ifstream in(VARNO_LAYER_MANIFEST);
    std::string name, file;
    while (in >> name >> file) {
        if (std::find(layering.order.begin(), layering.order.end(), name) == layering.order.end()) {
            layering.order.push_back(name);
        }
        layering.layer[file] = name;
    }
    return layering;
}

int rank(const Layering& layering, const std::string& file) {
    auto found = layering.layer.find(file);
    if (found == layering.layer.end()) {
        return static_cast<int>(layering.order.size());  // the application, above all
    }
    auto at = std::find(layering.order.begin(), layering.order.end(), found->second);
    return static_cast<int>(at - layering.order.begin());
}

std::vector<std::string> quotedIncludes(const std::string& file) {
    std::ifstream in(fs::path(VARNO_SOURCE_DIR) / file);
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> found;
    std::string line;
    std::smatch match;
    while (std::getline(in, line)) {
        if (std::regex_search(line, match, include)) {
            found.push_back(match[1]);
        }
    }
    return found;
}

std::string folderNode(const std::string& file) {
    if (file == "core/Engine.h") {
        return "core (registry)";
    }
    return file.substr(0, file.find('/'));
}

std::vector<std::string> engineFiles() {
    std::vector<std::string> files;
    for (const char* folder : kEngineFolders) {
        fs::path dir = fs::path(VARNO_SOURCE_DIR) / folder;
        if (!fs::is_directory(dir)) {
            continue;
        }
        for (const auto& entry : fs::directory_iterator(dir)) {
            std::string ext = entry.path().extension().string();
            if (ext == ".h" || ext == ".cpp") {
                files.push_back(std::string(folder) + "/" + entry.path().filename().string());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Finds one circle in the folder graph, as "a -> b -> a", or "".
std::string findCircle(const std::map<std::string, std::set<std::string>>& graph) {
    std::map<std::string, int> state;  // 0 unseen, 1 on the path, 2 done
    std::vector<std::string> path;
    std::string circle;
    std::function<bool(const std::string&)> visit = [&](const std::string& node) {
        state[node] = 1;
        path.push_back(node);
        auto edges = graph.find(node);
        if (edges != graph.end()) {
            for (const std::string& next : edges->second) {
                if (state[next] == 1) {
                    auto from = std::find(path.begin(), path.end(), next);
                    for (auto it = from; it != path.end(); ++it) {
                        circle += *it + " -> ";
                    }
                    circle += next;
                    return true;
                }
                if (state[next] == 0 && visit(next)) {
                    return true;
                }
            }
        }
        path.pop_back();
        state[node] = 2;
        return false;
    };
    for (const auto& [node, edges] : graph) {
        if (state[node] == 0 && visit(node)) {
            break;
        }
    }
    return circle;
}

}  // namespace

TEST(Layers, EveryFileHasALayerAndIncludesOnlyDownwards) {
    Layering layering = readManifest();
    ASSERT_GE(layering.order.size(), 2u) << "no layer list at " << VARNO_LAYER_MANIFEST;

    std::map<std::string, std::set<std::string>> graph;
    for (const std::string& file : engineFiles()) {
        // Only the demonstration program, in app/, stands outside the layers.
        if (layering.layer.count(file) == 0) {
            EXPECT_EQ(file.rfind("app/", 0), 0u) << file << " belongs to no layer";
        }
        for (const std::string& included : quotedIncludes(file)) {
            if (fs::exists((fs::path(VARNO_SOURCE_DIR) / file).parent_path() / included) &&
                included.find('/') == std::string::npos) {
                ADD_FAILURE() << file << " includes \"" << included
                              << "\" without its folder, past the layer include paths";
                continue;
            }
            if (!fs::exists(fs::path(VARNO_SOURCE_DIR) / included)) {
                continue;  // not an engine file
            }
            EXPECT_LE(rank(layering, included), rank(layering, file))
                << file << " (" << layering.layer[file] << ") includes " << included << " ("
                << layering.layer[included] << "), which lies above it";
            if (folderNode(file) != folderNode(included)) {
                graph[folderNode(file)].insert(folderNode(included));
            }
        }
    }

    std::ostringstream table;
    for (const auto& [node, edges] : graph) {
        table << "  " << node << " ->";
        for (const std::string& next : edges) {
            table << ' ' << next;
        }
        table << '\n';
    }
    std::cout << "Folder dependencies:\n" << table.str();
    EXPECT_EQ(findCircle(graph), "") << "a circle between folders";
}
