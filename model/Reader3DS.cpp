// Reading 3DS files: the chunk tree into a ModelRecord, then smooth vertex
// normals and bounding boxes.
//
// A 3DS file is a tree of chunks, each a 6-byte header (u16 id, u32 length
// counting the header) followed by its own data and then its children. Every
// chunk is read through a ByteReader bounded to that chunk, so a length that
// lies can cost the chunk's own data but never a read outside its parent or
// the file. Only what the engine draws is kept: vertices, triangles, texture
// coordinates, each mesh's material, and per material its name, diffuse colour
// and texture file. Everything else (lights, cameras, the keyframer) is
// skipped whole.

#include "model/Reader3DS.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "base/ByteReader.h"

namespace {

// The chunks this reader reads; every other chunk is skipped whole.
enum ChunkId : uint16_t {
    kPrimary = 0x4D4D,
    kFileVersion = 0x0002,
    kEditor = 0x3D3D,
    kMeshVersion = 0x3D3E,
    kObject = 0x4000,
    kTriangleMesh = 0x4100,
    kVertexList = 0x4110,
    kFaceList = 0x4120,
    kFaceMaterial = 0x4130,
    kTexCoords = 0x4140,
    kMaterial = 0xAFFF,
    kMaterialName = 0xA000,
    kDiffuse = 0xA020,
    kTextureMap = 0xA200,
    kMapFile = 0xA300,
};

constexpr size_t kHeaderSize = 6;
// Files this reader was written for are version 3 or older.
constexpr uint32_t kNewestVersion = 3;
// Real files nest five or six chunks deep; anything far deeper is hostile and
// is skipped instead of recursing without bound.
constexpr int kMaxDepth = 64;
// A damaged file can raise a warning per chunk; past this many the rest are
// counted into one line.
constexpr size_t kMaxWarnings = 100;

// The box every mesh (and the model) starts from before its vertices widen it.
constexpr float kBoxStart = 999999.0f;

// The normal given to a vertex no face lights: no triangle names it, or the
// faces around it have no area, so the sum of their normals is zero.
constexpr Vector3 kLooseVertexNormal(0.0f, 1.0f, 0.0f);

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(size_t(length) + 1);
        std::vsnprintf(&text[0], text.size(), fmt, again);
        text.resize(size_t(length));
    }
    va_end(again);
    return text;
}

float readFloat(const uint8_t* p) {
    const uint32_t bits =
        uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

uint16_t readU16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}

// Fills a fixed-size name field with the chunk's remaining bytes, cut to what
// the field holds with its terminator.
void readField(ByteReader& in, char* field) {
    std::memset(field, 0, kRecordNameSize);
    const size_t n = std::min(in.remaining(), kRecordNameSize - 1);
    in.bytes(field, n);
}

// Reads a NUL-terminated string up to and including its NUL (or the end of
// the chunk) into a fixed-size field; characters past the field are skipped.
void readCString(ByteReader& in, char* field) {
    std::memset(field, 0, kRecordNameSize);
    size_t stored = 0;
    while (!in.atEnd()) {
        const char c = char(in.u8());
        if (c == '\0') {
            break;
        }
        if (stored < kRecordNameSize - 1) {
            field[stored++] = c;
        }
    }
}

class Reader {
public:
    Reader(const char* name, ModelRecord& model, std::vector<std::string>& warnings)
        : name_(name), model_(model), warnings_(warnings) {}

    // The children of the primary chunk (and of the editor chunk).
    void readTopLevel(ByteReader& in, int depth) {
        forEachChild(in, depth, [&](uint16_t id, ByteReader& body) {
            switch (id) {
                case kFileVersion: {
                    if (readVersion(body) > kNewestVersion) {
                        warn("This 3DS file is over version 3 so it may load incorrectly");
                    }
                    break;
                }
                case kEditor: {
                    // The editor data usually opens with the mesh version chunk,
                    // whose value nothing here needs. Exporters that write none
                    // start with a material or an object instead: that chunk is
                    // read like the ones after it.
                    if (body.remaining() >= 2 && readU16(body.current()) == kMeshVersion) {
                        uint16_t versionId = 0;
                        ByteReader meshVersion;
                        nextChunk(body, versionId, meshVersion);
                    }
                    readTopLevel(body, depth + 1);
                    break;
                }
                case kObject:
                    readObject(body, depth + 1);
                    break;
                case kMaterial:
                    readMaterial(body, depth + 1);
                    break;
                default:
                    break;  // keyframer, lights, cameras, ...: skipped whole
            }
        });
    }

    // Drops what cannot be drawn, then derives normals, boxes and counts.
    void finish() {
        model_.boxMin = Vector3(kBoxStart, kBoxStart, kBoxStart);
        model_.boxMax = Vector3(-kBoxStart, -kBoxStart, -kBoxStart);
        int64_t totalVertices = 0;
        for (MeshRecord& mesh : model_.meshes) {
            dropBrokenFaces(mesh);
            // A mesh only names a material that exists, or none (-1); a mesh
            // with no material has no texture to bind.
            if (mesh.materialId >= model_.numMaterials) {
                mesh.materialId = -1;
            }
            if (mesh.materialId < 0) {
                mesh.hasTexture = false;
            }
            padTexCoords(mesh);
            computeNormals(mesh);
            computeBox(mesh, model_.boxMin, model_.boxMax);
            mesh.vboVertexCount = mesh.numFaces * 3;
            totalVertices += mesh.vboVertexCount;
        }
        model_.totalVertices =
            int32_t(std::min<int64_t>(totalVertices, std::numeric_limits<int32_t>::max()));
        if (warningsLeftOut_ > 0) {
            warnings_.push_back(
                format("%zu more warnings for %s left out", warningsLeftOut_, name_));
        }
    }

    // Reads the next child header from `parent` into `id` and a reader over
    // its body. A length shorter than a header ends the parent's children; a
    // length past the parent's end is cut to what the parent holds.
    bool nextChunk(ByteReader& parent, uint16_t& id, ByteReader& body) {
        if (parent.remaining() < kHeaderSize) {
            return false;
        }
        id = parent.u16le();
        const uint32_t length = parent.u32le();
        if (length < kHeaderSize) {
            parent.skip(parent.remaining());
            return false;
        }
        size_t bodySize = length - kHeaderSize;
        if (bodySize > parent.remaining()) {
            warn(format("3DS chunk 0x%04X in %s runs past its parent; cut short", id, name_));
            bodySize = parent.remaining();
        }
        body = parent.sub(bodySize);
        return true;
    }

private:
    // Hands each child chunk of `in` to `read` (id, body), unless the chunks
    // already nest deeper than the reader follows.
    template <typename Read>
    void forEachChild(ByteReader& in, int depth, Read read) {
        if (!enter(depth)) {
            return;
        }
        uint16_t id = 0;
        ByteReader body;
        while (nextChunk(in, id, body)) {
            read(id, body);
        }
    }

    // Appends an empty record, counts it, and gives its index.
    template <typename Record>
    static size_t append(std::vector<Record>& records, int32_t& count) {
        records.emplace_back();
        ++count;
        return records.size() - 1;
    }

    bool enter(int depth) {
        if (depth <= kMaxDepth) {
            return true;
        }
        if (!depthWarned_) {
            depthWarned_ = true;
            warn(format("3DS chunks in %s nest deeper than %d levels; the deeper ones are skipped",
                        name_, kMaxDepth));
        }
        return false;
    }

    void warn(std::string text) {
        if (warnings_.size() < kMaxWarnings) {
            warnings_.push_back(std::move(text));
        } else {
            ++warningsLeftOut_;
        }
    }

    // Up to four little-endian bytes; a shorter chunk gives the bytes it has.
    static uint32_t readVersion(ByteReader& in) {
        uint8_t bytes[4] = {};
        in.bytes(bytes, std::min<size_t>(in.remaining(), sizeof bytes));
        return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
               (uint32_t(bytes[3]) << 24);
    }

    void readObject(ByteReader& in, int depth) {
        const size_t mesh = append(model_.meshes, model_.numMeshes);
        readCString(in, model_.meshes[mesh].name);
        readMeshChunks(in, mesh, depth);
    }

    void readMeshChunks(ByteReader& in, size_t meshIndex, int depth) {
        forEachChild(in, depth, [&](uint16_t id, ByteReader& body) {
            MeshRecord& mesh = model_.meshes[meshIndex];
            switch (id) {
                case kTriangleMesh:
                    readMeshChunks(body, meshIndex, depth + 1);
                    break;
                case kVertexList:
                    readVertices(body, mesh);
                    break;
                case kFaceList:
                    readFaces(body, mesh);
                    // The face list's own children (material groups, smoothing
                    // groups) follow its faces; they are read as the mesh's.
                    readMeshChunks(body, meshIndex, depth + 1);
                    break;
                case kFaceMaterial:
                    readFaceMaterial(body, mesh);
                    break;
                case kTexCoords:
                    readTexCoords(body, mesh);
                    break;
                default:
                    break;
            }
        });
    }

    // Reads a u16 count and returns how many records of `recordSize` bytes
    // the chunk really holds of those, warning when it holds fewer.
    size_t readCount(ByteReader& in, size_t recordSize, const char* what) {
        const size_t claimed = in.u16le();
        const size_t present = std::min(claimed, in.remaining() / recordSize);
        if (present < claimed) {
            warn(format("3DS %s in %s claims %zu entries but holds %zu; only those are kept", what,
                        name_, claimed, present));
        }
        return present;
    }

    void readVertices(ByteReader& in, MeshRecord& mesh) {
        const size_t count = readCount(in, 12, "vertex list");
        const uint8_t* p = in.take(count * 12);
        mesh.vertices.resize(count);
        for (size_t i = 0; i < count; ++i, p += 12) {
            // The file's Z axis points up, the engine's Y axis does.
            const float x = readFloat(p), y = readFloat(p + 4), z = readFloat(p + 8);
            mesh.vertices[i] = Vector3(x, z, -y);
        }
        mesh.numVertices = int32_t(count);
    }

    void readFaces(ByteReader& in, MeshRecord& mesh) {
        const size_t count = readCount(in, 8, "face list");
        const uint8_t* p = in.take(count * 8);
        mesh.faces.assign(count, FaceRecord{});
        for (size_t i = 0; i < count; ++i, p += 8) {
            FaceRecord& face = mesh.faces[i];
            face.vertexIndex[0] = readU16(p);
            face.vertexIndex[1] = readU16(p + 2);
            face.vertexIndex[2] = readU16(p + 4);
            // p + 6: edge visibility flags, not drawn
        }
        mesh.numFaces = int32_t(count);
    }

    void readTexCoords(ByteReader& in, MeshRecord& mesh) {
        const size_t count = readCount(in, 8, "texture coordinate list");
        const uint8_t* p = in.take(count * 8);
        mesh.texCoords.resize(count);
        for (size_t i = 0; i < count; ++i, p += 8) {
            mesh.texCoords[i].u = readFloat(p);
            mesh.texCoords[i].v = readFloat(p + 4);
        }
        mesh.numTexCoords = int32_t(count);
    }

    // Materials are matched by name as the group is read, so only those
    // earlier in the file are found. The group's own face list is not used.
    void readFaceMaterial(ByteReader& in, MeshRecord& mesh) {
        char name[kRecordNameSize];
        readCString(in, name);
        const auto found = materialIndex_.find(name);
        if (found == materialIndex_.end()) {
            mesh.materialId = -1;
            return;
        }
        mesh.materialId = found->second;
        if (model_.materials[size_t(found->second)].textureFile[0] != '\0') {
            mesh.hasTexture = true;
        }
    }

    void readMaterial(ByteReader& in, int depth) {
        const size_t material = append(model_.materials, model_.numMaterials);
        readMaterialChunks(in, material, depth);
        // The material is complete: a mesh read later finds the first one of
        // each name.
        materialIndex_.emplace(model_.materials[material].name, int32_t(material));
    }

    void readMaterialChunks(ByteReader& in, size_t materialIndex, int depth) {
        forEachChild(in, depth, [&](uint16_t id, ByteReader& body) {
            MaterialRecord& material = model_.materials[materialIndex];
            switch (id) {
                case kMaterialName:
                    readField(body, material.name);
                    break;
                case kDiffuse: {
                    // The first colour child gives the colour (a 24-bit one holds
                    // three bytes); any further child is read as the material's.
                    uint16_t colourId = 0;
                    ByteReader colour;
                    if (nextChunk(body, colourId, colour)) {
                        colour.bytes(material.color, std::min<size_t>(colour.remaining(), 3));
                    }
                    readMaterialChunks(body, materialIndex, depth + 1);
                    break;
                }
                case kTextureMap:
                    readMaterialChunks(body, materialIndex, depth + 1);
                    break;
                case kMapFile:
                    readField(body, material.textureFile);
                    break;
                default:
                    break;
            }
        });
    }

    // A face naming a vertex the mesh does not have cannot be drawn: it is
    // dropped, with one warning per mesh.
    void dropBrokenFaces(MeshRecord& mesh) {
        const int32_t limit = mesh.numVertices;
        const auto broken = [limit](const FaceRecord& face) {
            return face.vertexIndex[0] >= limit || face.vertexIndex[1] >= limit ||
                   face.vertexIndex[2] >= limit;
        };
        const auto kept = std::remove_if(mesh.faces.begin(), mesh.faces.end(), broken);
        const size_t dropped = size_t(mesh.faces.end() - kept);
        if (dropped > 0) {
            mesh.faces.erase(kept, mesh.faces.end());
            mesh.numFaces = int32_t(mesh.faces.size());
            warn(format("3DS mesh \"%s\" in %s: %zu faces name vertices past its %d; dropped",
                        mesh.name, name_, dropped, int(limit)));
        }
    }

    // Texture coordinates are looked up by vertex index: a textured mesh
    // gets (0, 0) for every vertex the file gave none.
    void padTexCoords(MeshRecord& mesh) {
        if (!mesh.hasTexture || mesh.numTexCoords >= mesh.numVertices) {
            return;
        }
        warn(
            format("3DS mesh \"%s\" in %s has %d texture coordinates for %d vertices; the rest "
                   "are (0, 0)",
                   mesh.name, name_, int(mesh.numTexCoords), int(mesh.numVertices)));
        mesh.texCoords.resize(size_t(mesh.numVertices));
        mesh.numTexCoords = mesh.numVertices;
    }

    // Each vertex normal is the negated sum of the (unnormalised) normals of
    // the faces around it, divided by their count and normalised. The faces
    // are visited once, in order, each adding its normal to its distinct
    // corners, so every vertex sums the same terms in the same order as a
    // vertex-by-vertex scan of all faces would.
    static void computeNormals(MeshRecord& mesh) {
        const size_t count = mesh.vertices.size();
        std::vector<Vector3> sums(count);
        std::vector<int32_t> shared(count, 0);
        for (const FaceRecord& face : mesh.faces) {
            const int32_t a = face.vertexIndex[0], b = face.vertexIndex[1], c = face.vertexIndex[2];
            const Vector3& p0 = mesh.vertices[size_t(a)];
            const Vector3& p1 = mesh.vertices[size_t(b)];
            const Vector3& p2 = mesh.vertices[size_t(c)];
            const Vector3 normal = cross(p0 - p2, p2 - p1);
            sums[size_t(a)] = add(sums[size_t(a)], normal);
            shared[size_t(a)]++;
            if (b != a) {
                sums[size_t(b)] = add(sums[size_t(b)], normal);
                shared[size_t(b)]++;
            }
            if (c != a && c != b) {
                sums[size_t(c)] = add(sums[size_t(c)], normal);
                shared[size_t(c)]++;
            }
        }
        mesh.normals.resize(count);
        for (size_t i = 0; i < count; ++i) {
            mesh.normals[i] = vertexNormal(sums[i], shared[i]);
        }
    }

    // The normal of a vertex from the sum of its faces' normals and their
    // count; a vertex with no face, or faces without area, gets the fallback
    // instead of the 0/0 a plain division would give.
    static Vector3 vertexNormal(const Vector3& sum, int32_t faces) {
        if (faces == 0) {
            return kLooseVertexNormal;
        }
        const Vector3 average = divide(sum, -float(faces));
        if (magnitude(average) == 0.0f) {
            return kLooseVertexNormal;
        }
        return normalizeVector(average);
    }

    static void widen(const Vector3& v, Vector3& boxMin, Vector3& boxMax) {
        boxMin = Vector3(std::min(boxMin.x, v.x), std::min(boxMin.y, v.y), std::min(boxMin.z, v.z));
        boxMax = Vector3(std::max(boxMax.x, v.x), std::max(boxMax.y, v.y), std::max(boxMax.z, v.z));
    }

    static void computeBox(MeshRecord& mesh, Vector3& modelMin, Vector3& modelMax) {
        mesh.boxMin = Vector3(kBoxStart, kBoxStart, kBoxStart);
        mesh.boxMax = Vector3(-kBoxStart, -kBoxStart, -kBoxStart);
        for (const Vector3& v : mesh.vertices) {
            widen(v, mesh.boxMin, mesh.boxMax);
            widen(v, modelMin, modelMax);
        }
    }

    const char* name_;
    ModelRecord& model_;
    std::vector<std::string>& warnings_;
    std::unordered_map<std::string, int32_t> materialIndex_;
    size_t warningsLeftOut_ = 0;
    bool depthWarned_ = false;
};

}  // namespace

bool read3ds(const uint8_t* data, size_t size, const char* name, ModelRecord& model,
             std::string& message, std::vector<std::string>& warnings) {
    ByteReader file = startDecode(model, message, data, size, name);
    Reader reader(name, model, warnings);
    uint16_t id = 0;
    ByteReader primary;
    if (file.remaining() < kHeaderSize || file.u16le() != kPrimary) {
        message = format("Unable to load PRIMARY chuck from file: %s!", name);
        return false;
    }
    file.seek(0);
    // A primary chunk too short for a header holds no children: an empty model.
    if (reader.nextChunk(file, id, primary)) {
        reader.readTopLevel(primary, 1);
    }
    reader.finish();
    return true;
}
