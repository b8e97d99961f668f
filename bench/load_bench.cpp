// Load speed, from a file to what the engine uses: decoded pixels and a
// finished GL texture for every image format it reads (TGA, BMP, PCX, DDS,
// JPEG, and PNG through SDL_image) at 0.25, 2 and 12 megapixels; records and
// ready-to-draw models for its three model formats; and the demo's and the
// showcase's time from start to their first frame. Reference decoders run on
// the same files in the same run: libjpeg-turbo (TurboJPEG decoding into a
// buffer it is given, and djpeg as a whole process), stb_image, ImageMagick
// (convert as a whole process), pugixml and tinyxml2. The inputs are made
// from a sample photo with ImageMagick and cjpeg in a temporary folder when it
// starts, and removed at the end.
//
// The GL half needs an X display (Xvfb and Mesa here). Every benchmark runs
// five times unless the command line says otherwise; the table at the end
// quotes the medians. "before" is the same loader with every mipmap chain
// built by gluBuild2DMipmaps, as all were before GL built them itself.

#include <benchmark/benchmark.h>

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_image.h>
#include <fcntl.h>
#include <spawn.h>
#include <stb_image.h>
#include <sys/wait.h>
#include <tinyxml2.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "bench/KeptReporter.h"
#include "core/Engine.h"
#include "image/DdsDecoder.h"
#include "base/FileBytes.h"
#include "image/ImageFormat.h"
#include "image/SdlSurface.h"
#include "image/TextureUpload.h"
#include "image/TgaDecoder.h"
#include "image/TgaLoader.h"
#include "model/ModelLoaders.h"
#include "model/Reader3DS.h"
#include "model/ReaderMD2.h"
#include "model/ReaderXML.h"
#include "platform/Utils.h"
#include "xml/XmlParser.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const std::string kSource = VARNO_SOURCE_DIR;

// Runs a program to its end with its output thrown away; its exit status, or
// -1 when it could not run or was killed.
int runProcess(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : env) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    for (char** entry = environ; *entry != nullptr; ++entry) {
        envp.push_back(*entry);
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// GL objects made by a timed load, released after each iteration with the
// clock stopped: the engine never releases them, a benchmark must.
struct GlTrash {
    std::vector<GLuint> textures;
    std::vector<GLuint> buffers;

    bool empty() const { return textures.empty() && buffers.empty(); }
    void release() {
        glDeleteTextures(GLsizei(textures.size()), textures.data());
        glDeleteBuffersARB(GLsizei(buffers.size()), buffers.data());
        textures.clear();
        buffers.clear();
    }
    void addMeshes(const std::vector<MeshRecord>& meshes) {
        for (const MeshRecord& mesh : meshes) {
            buffers.insert(buffers.end(), {mesh.vboVertices, mesh.vboNormals, mesh.vboTexCoords});
        }
    }
};

GlTrash trash;

using Work = std::function<bool()>;

void registerWork(const std::string& name, Work work) {
    benchmark::RegisterBenchmark(name.c_str(),
                                 [work](benchmark::State& state) {
                                     for (auto _ : state) {
                                         if (!work()) {
                                             state.SkipWithError("failed");
                                             break;
                                         }
                                         if (!trash.empty()) {
                                             state.PauseTiming();
                                             trash.release();
                                             state.ResumeTiming();
                                         }
                                     }
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

// One line of the table: our benchmark and, where there is one, a peer's.
struct Row {
    std::string item;
    std::string stage;
    std::string ours;
    std::string peerLabel;
    std::string peer;
};

std::vector<Row> rows;

void compare(const std::string& item, const std::string& stage, const std::string& ours,
             const std::string& peerLabel = "", const std::string& peer = "") {
    rows.push_back({item, stage, ours, peerLabel, peer});
}

// ---- Images ----

struct Size {
    int width;
    int height;
    const char* label;
};

const Size kSizes[] = {{512, 512, "0.25MP"}, {2048, 1024, "2MP"}, {4096, 3072, "12MP"}};

struct ImageKind {
    const char* format;
    const char* extension;
    bool stb;        // stb_image reads it
    bool mipmapped;  // the engine builds its mipmap chain (there is a "before")
};

const ImageKind kImageKinds[] = {
    {"tga", "tga", true, false},  {"bmp", "bmp", true, true},  {"pcx", "pcx", false, true},
    {"dds", "dds", false, false}, {"jpeg", "jpg", true, true}, {"png", "png", true, true},
};

bool makeInputs(const fs::path& folder, const Size& size) {
    const std::string base =
        (folder / ("photo-" + std::to_string(size.width) + "x" + std::to_string(size.height)))
            .string();
    const std::string geometry = std::to_string(size.width) + "x" + std::to_string(size.height);
    const std::string ppm = base + ".ppm";
    const std::string convert = VARNO_IMAGEMAGICK;
    return runProcess({convert, kSource + "/tests/corpus/jpeg/tacent_Landscape_1.jpg", "-resize",
                       geometry + "^", "-gravity", "center", "-extent", geometry, ppm}) == 0 &&
           runProcess({convert, ppm, "-type", "TrueColor", base + ".tga"}) == 0 &&
           runProcess({convert, ppm, "-type", "TrueColor", "BMP3:" + base + ".bmp"}) == 0 &&
           runProcess({convert, ppm, "-type", "TrueColor", base + ".pcx"}) == 0 &&
           runProcess({convert, ppm, "-define", "dds:compression=dxt1", base + ".dds"}) == 0 &&
           runProcess({convert, ppm, base + ".png"}) == 0 &&
           runProcess({VARNO_CJPEG, "-quality", "90", "-outfile", base + ".jpg", ppm}) == 0;
}

// The engine reads TGA files with its own decoder where it loads TGA (the
// font); by name they would go to SDL_image.
bool isTga(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".tga") == 0;
}

// File to pixels, as the engine decodes before uploading; `channels` tells
// what came out (0 for DDS, whose blocks stay compressed).
bool decodeOurs(const std::string& path, int& channels) {
    const char* name = path.c_str();
    channels = 0;
    const ImageFormat format = chooseImageFormat(name);
    if (format == ImageFormat::Sdl && !isTga(path)) {
        SDL_Surface* surface = toByteOrderSurface(IMG_Load(name));
        if (surface == nullptr) {
            return false;
        }
        channels = surface->format->BytesPerPixel;
        SDL_FreeSurface(surface);
        return true;
    }
    std::vector<uint8_t> bytes;
    std::string message;
    if (!readImageFile(name, bytes, message)) {
        return false;
    }
    if (format == ImageFormat::Sdl) {
        TgaDecoded tga;
        const bool ok = decodeTga(bytes.data(), bytes.size(), name, tga, message);
        channels = tga.image.channels;
        return ok;
    }
    if (format == ImageFormat::Dds) {
        DdsImage dds;
        return decodeDds(bytes.data(), bytes.size(), name, dds, message);
    }
    ImageData image;
    const bool ok =
        imageDecoderFor(format).decode(bytes.data(), bytes.size(), name, image, message);
    channels = image.channels;
    return ok;
}

bool decodeStb(const std::string& path, int channels) {
    int width = 0;
    int height = 0;
    int stored = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &stored, channels);
    stbi_image_free(pixels);
    return pixels != nullptr;
}

// TurboJPEG decoding the file's bytes into a buffer it is given, in the
// layout the engine's decoder delivers.
bool decodeTurbo(const std::string& path, int channels) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path.c_str(), bytes)) {
        return false;
    }
    tjhandle handle = tjInitDecompress();
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    bool ok = tjDecompressHeader3(handle, bytes.data(), static_cast<unsigned long>(bytes.size()),
                                  &width, &height, &subsampling, &colourspace) == 0;
    if (ok) {
        const int format = channels == 1 ? TJPF_GRAY : channels == 3 ? TJPF_RGB : TJPF_RGBA;
        std::unique_ptr<uint8_t[]> pixels(
            new uint8_t[size_t(width) * size_t(height) * size_t(tjPixelSize[format])]);
        ok = tjDecompress2(handle, bytes.data(), static_cast<unsigned long>(bytes.size()),
                           pixels.get(), width, 0, height, format, 0) == 0;
    }
    tjDestroy(handle);
    return ok;
}

// File to a finished texture, as the engine loads it: the font's TGA loader,
// or the loading by extension that the model objects use.
bool loadTexture(const std::string& path) {
    GLuint name = 0;
    if (isTga(path)) {
        TgaImage image;
        if (loadTga(&image, path.c_str())) {
            name = image.glName;
        }
    } else {
        name = Engine::utils->loadImageByExtension(path.c_str());
    }
    glFinish();
    trash.textures.push_back(name);
    return name != 0;
}

void registerImages(const fs::path& folder, bool gl) {
    const std::string inspect = VARNO_INSPECT;
    const std::string convert = VARNO_IMAGEMAGICK;
    for (const Size& size : kSizes) {
        if (!makeInputs(folder, size)) {
            std::cerr << "could not make the " << size.label << " inputs\n";
            continue;
        }
        for (const ImageKind& kind : kImageKinds) {
            const std::string path = (folder / ("photo-" + std::to_string(size.width) + "x" +
                                                std::to_string(size.height) + "." + kind.extension))
                                         .string();
            int channels = 0;
            if (!decodeOurs(path, channels)) {
                std::cerr << "skipping " << path << ": the engine does not read it\n";
                continue;
            }
            const std::string item = std::string(kind.format) + " " + size.label;
            const std::string prefix = std::string(kind.format) + "/" + size.label + "/";
            registerWork(prefix + "pixels/ours", [path] {
                int ignored = 0;
                return decodeOurs(path, ignored);
            });
            if (kind.stb) {
                registerWork(prefix + "pixels/stb",
                             [path, channels] { return decodeStb(path, channels); });
                compare(item, "pixels", prefix + "pixels/ours", "stb_image", prefix + "pixels/stb");
            }
            if (std::string(kind.format) == "jpeg") {
                registerWork(prefix + "pixels/turbo",
                             [path, channels] { return decodeTurbo(path, channels); });
                compare(item, "pixels", prefix + "pixels/ours", "TurboJPEG",
                        prefix + "pixels/turbo");
            }
            if (!kind.stb && std::string(kind.format) != "jpeg") {
                compare(item, "pixels", prefix + "pixels/ours");
            }
            if (gl) {
                registerWork(prefix + "texture/ours", [path] { return loadTexture(path); });
                if (kind.mipmapped) {
                    registerWork(prefix + "texture/before", [path] {
                        setMipmapBuild(MipmapBuild::Glu);
                        const bool ok = loadTexture(path);
                        setMipmapBuild(MipmapBuild::Automatic);
                        return ok;
                    });
                    compare(item, "texture", prefix + "texture/ours", "before",
                            prefix + "texture/before");
                } else {
                    compare(item, "texture", prefix + "texture/ours");
                }
            }
            registerWork(prefix + "process/ours", [inspect, path] {
                return runProcess({inspect, "image", path, "--ppm", "/dev/null"}) == 0;
            });
            if (std::string(kind.format) == "jpeg") {
                registerWork(prefix + "process/djpeg", [path] {
                    return runProcess({VARNO_DJPEG, "-outfile", "/dev/null", path}) == 0;
                });
                compare(item, "process", prefix + "process/ours", "djpeg",
                        prefix + "process/djpeg");
            }
            registerWork(prefix + "process/convert", [convert, path] {
                return runProcess({convert, path, "ppm:/dev/null"}) == 0;
            });
            compare(item, "process", prefix + "process/ours", "ImageMagick",
                    prefix + "process/convert");
        }
    }
}

// ---- Models ----

// The benchmark's 3DS model again, in the engine's XML format, so that both
// formats carry the same geometry.
bool writeXmlModel(const std::string& from3ds, const std::string& path) {
    std::vector<uint8_t> bytes;
    ModelRecord model;
    std::string message;
    std::vector<std::string> warnings;
    if (!readFileBytes(from3ds.c_str(), bytes) ||
        !read3ds(bytes.data(), bytes.size(), "model.3ds", model, message, warnings)) {
        return false;
    }
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<VarnoModelFormat>\n"
        << "  <model name=\"terrain\" numsubobjects=\"" << model.meshes.size()
        << "\" nummaterials=\"1\">\n"
        << "    <material name=\"ground\" opacity=\"1\">\n"
        << "      <ambient r=\"0.4\" g=\"0.4\" b=\"0.4\" a=\"1\"/>\n"
        << "      <diffuse r=\"0.8\" g=\"0.7\" b=\"0.6\" a=\"1\"/>\n"
        << "      <specular r=\"0.1\" g=\"0.1\" b=\"0.1\" a=\"1\"/>\n"
        << "      <texture colormap=\"Data/Model/crate.bmp\"/>\n"
        << "    </material>\n";
    for (const MeshRecord& mesh : model.meshes) {
        out << "    <object name=\"" << mesh.name << "\" numvertices=\"" << mesh.vertices.size()
            << "\" numfaces=\"" << mesh.faces.size() << "\">\n"
            << "      <position x=\"0\" y=\"0\" z=\"0\"/>\n"
            << "      <orientation angle=\"0\" x=\"0\" y=\"1\" z=\"0\"/>\n";
        for (size_t v = 0; v < mesh.vertices.size(); ++v) {
            const Vector3& p = mesh.vertices[v];
            const Vector2 uv = v < mesh.texCoords.size() ? mesh.texCoords[v] : Vector2();
            out << "      <vertex x=\"" << p.x << "\" y=\"" << p.y << "\" z=\"" << p.z << "\" u0=\""
                << uv.u << "\" v0=\"" << uv.v
                << "\" u1=\"0\" v1=\"0\" u2=\"0\" v2=\"0\" u3=\"0\" v3=\"0\" r=\"1\" g=\"1\" "
                   "b=\"1\" a=\"1\"/>\n";
        }
        for (const FaceRecord& face : mesh.faces) {
            out << "      <face a=\"" << face.vertexIndex[0] << "\" b=\"" << face.vertexIndex[1]
                << "\" c=\"" << face.vertexIndex[2] << "\" materialindex=\"0\"/>\n";
        }
        out << "    </object>\n";
    }
    out << "  </model>\n</VarnoModelFormat>\n";
    return bool(out);
}

// Reads a binary model file with `reader` (bytes, size, name, record, message,
// warnings), as the 3DS and MD2 readers take them.
template <typename Reader>
bool readModelFile(const std::string& path, Reader reader) {
    std::vector<uint8_t> bytes;
    ModelRecord model;
    std::string message;
    std::vector<std::string> warnings;
    return readFileBytes(path.c_str(), bytes) &&
           reader(bytes.data(), bytes.size(), path.c_str(), model, message, warnings);
}

bool read3dsFile(const std::string& path) {
    return readModelFile(path, read3ds);
}

bool readMd2File(const std::string& path) {
    return readModelFile(path,
                         [](const uint8_t* data, size_t size, const char* name, ModelRecord& model,
                            std::string& message, std::vector<std::string>& warnings) {
                             return readMd2(data, size, name, nullptr, model, message, warnings);
                         });
}

bool readXmlFile(const std::string& path) {
    ParseResult result;
    DomNode root = DomNode::parseXmlFile(path.c_str(), "VarnoModelFormat", &result);
    ModelXML model;
    return result.error == ErrorNone &&
           readXmlModel(root, model, TextureLoader(), [](const std::string&) {});
}

void registerModels(const fs::path& folder, bool gl) {
    const std::string model3ds = VARNO_BENCH_MODEL;
    const std::string md2 = kSource + "/tests/corpus/md2/assimp_faerie.md2";
    const std::string skin = kSource + "/tests/corpus/bmp/assimp_faerie2.bmp";
    const std::string xml = (folder / "terrain.xml").string();
    if (!writeXmlModel(model3ds, xml)) {
        std::cerr << "could not write the XML model\n";
    }

    registerWork("3ds/records/ours", [model3ds] { return read3dsFile(model3ds); });
    registerWork("md2/records/ours", [md2] { return readMd2File(md2); });
    registerWork("xml/records/ours", [xml] { return readXmlFile(xml); });
    registerWork("xml/records/pugixml", [xml] {
        pugi::xml_document document;
        return bool(document.load_file(xml.c_str()));
    });
    registerWork("xml/records/tinyxml2", [xml] {
        tinyxml2::XMLDocument document;
        return document.LoadFile(xml.c_str()) == tinyxml2::XML_SUCCESS;
    });
    compare("3ds 131k triangles", "records", "3ds/records/ours");
    compare("md2 all frames", "records", "md2/records/ours");
    compare("xml model", "records", "xml/records/ours", "pugixml parse", "xml/records/pugixml");
    compare("xml model", "records", "xml/records/ours", "tinyxml2 parse", "xml/records/tinyxml2");
    if (!gl) {
        return;
    }
    // Ready to draw: the records with their vertex buffers (3DS) and textures
    // (the MD2 skin, the XML colour map), as the model objects load them.
    registerWork("3ds/ready/ours", [model3ds] {
        ModelRecord model;
        load3ds(model, model3ds.c_str());
        glFinish();
        trash.addMeshes(model.meshes);
        return !model.meshes.empty();
    });
    registerWork("md2/ready/ours", [md2, skin] {
        ModelRecord model;
        loadMd2(model, md2.c_str(), skin.c_str());
        const GLuint texture = Engine::utils->loadImageByExtension(skin.c_str());
        glFinish();
        trash.textures.push_back(texture);
        return texture != 0;
    });
    registerWork("xml/ready/ours", [xml] {
        ModelXML model;
        loadXmlModel(model, xml.c_str());
        glFinish();
        for (const MaterialXML& material : model.materials) {
            trash.textures.push_back(GLuint(material.texture));
        }
        return !model.subObjects.empty();
    });
    compare("3ds 131k triangles", "ready", "3ds/ready/ours");
    compare("md2 all frames", "ready", "md2/ready/ours");
    compare("xml model", "ready", "xml/ready/ours");
}

// ---- Start-up ----

void registerStartUp() {
    const std::string preload = std::string("LD_PRELOAD=") + VARNO_FIRST_FRAME;
    for (const auto& [name, program] :
         {std::pair<std::string, std::string>{"demo", VARNO_DEMO}, {"showcase", VARNO_SHOWCASE}}) {
        registerWork("start/" + name + "/ours", [program, preload] {
            return runProcess({program}, {preload, "SDL_AUDIODRIVER=dummy"}) == 0;
        });
        registerWork("start/" + name + "/before", [program, preload] {
            return runProcess({program},
                              {preload, "SDL_AUDIODRIVER=dummy", "VARNO_GLU_MIPMAPS=1"}) == 0;
        });
        compare(name + " to first frame", "process", "start/" + name + "/ours", "before",
                "start/" + name + "/before");
    }
}

void printTable(const KeptReporter& reporter) {
    std::cout << "\nmedian milliseconds; \"peer/ours\" above 1 means the engine is faster\n\n"
              << std::left << std::setw(24) << "input" << std::setw(9) << "stage" << std::right
              << std::setw(10) << "ours"
              << "   " << std::left << std::setw(15) << "peer" << std::right << std::setw(10)
              << "peer" << std::setw(11) << "peer/ours"
              << "\n";
    for (const Row& row : rows) {
        // Benchmarks timed by the wall clock carry that in their names.
        const double ours = reporter.value(row.ours + "/real_time");
        const double peer = row.peer.empty() ? 0 : reporter.value(row.peer + "/real_time");
        if (ours == 0 && peer == 0) {
            continue;  // filtered out, or failed
        }
        std::cout << std::left << std::setw(24) << row.item << std::setw(9) << row.stage
                  << std::right << std::fixed << std::setprecision(2) << std::setw(10) << ours
                  << "   " << std::left << std::setw(15) << (row.peer.empty() ? "-" : row.peerLabel)
                  << std::right << std::setw(10) << peer << std::setw(11)
                  << (ours > 0 && peer > 0 ? peer / ours : 0) << "\n";
    }
}

// A temporary folder whose own name selects no decoder (the engine looks for
// "bmp", "dds" and the others anywhere in a path), with the program's Data/
// and shaders/ linked in, so the engine and the programs start there.
fs::path makeWorkFolder() {
    for (;;) {
        std::string name = (fs::temp_directory_path() / "varno-load-XXXXXX").string();
        if (mkdtemp(&name[0]) == nullptr) {
            return {};
        }
        if (chooseImageFormat(name.c_str()) == ImageFormat::Sdl) {
            fs::create_directory_symlink(kSource + "/Data", fs::path(name) / "Data");
            fs::create_directory_symlink(kSource + "/shaders", fs::path(name) / "shaders");
            return name;
        }
        fs::remove(name);
    }
}

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "x11", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const fs::path folder = makeWorkFolder();
    if (folder.empty()) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    const fs::path home = fs::current_path();
    fs::current_path(folder);

    const bool gl = std::getenv("DISPLAY") != nullptr;
    std::unique_ptr<Engine> engine;
    if (gl) {
        engine = std::make_unique<Engine>();
        engine->startVideo(1024, 768, 24, false, false);
    } else {
        std::cerr << "no DISPLAY: only the pixels and whole-process benchmarks run\n";
    }
    std::cout << "making the inputs in " << folder << "\n" << std::flush;
    registerImages(folder, gl);
    registerModels(folder, gl);
    if (gl) {
        registerStartUp();
    }

    // Five runs of each unless the command line asks otherwise (later options win).
    std::vector<char*> args(argv, argv + argc);
    char repetitions[] = "--benchmark_repetitions=5";
    char aggregates[] = "--benchmark_report_aggregates_only=true";
    char minTime[] = "--benchmark_min_time=0.2";
    args.insert(args.begin() + 1, {repetitions, aggregates, minTime});
    int count = int(args.size());
    KeptReporter reporter;
    const bool ran = runBenchmarks(count, args.data(), reporter);
    if (ran) {
        printTable(reporter);
    }

    engine.reset();
    fs::current_path(home);
    fs::remove_all(folder);
    return ran ? 0 : 1;
}
