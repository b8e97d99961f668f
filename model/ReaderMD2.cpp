// MD2 reading: the header, the texture coordinates and triangles, every key
// frame's vertices, smooth normals per frame, per-frame boxes and the named
// animations taken from the frame names. The skin names and the GL command
// list in the file are not used.
//
// Every block is checked against the file before it is read, and every array
// is sized from counts the file's bytes can actually hold, so a lying header
// costs at most a refused load.

#include "model/ReaderMD2.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/ByteReader.h"

namespace {

constexpr int32_t kVersion = 8;
constexpr size_t kHeaderSize = 68;
constexpr size_t kSkinNameSize = 64;
constexpr size_t kTexCoordSize = 4;      // s, t: signed 16-bit
constexpr size_t kTriangleSize = 12;     // three vertex, three texture-coordinate indices
constexpr size_t kFrameHeaderSize = 40;  // scale, translate, name
constexpr size_t kFrameNameSize = 16;
constexpr size_t kPackedVertexSize = 4;  // x, y, z, normal index

// Every frame's normals visit every triangle, so the work grows with their
// product, which the file's size alone would let reach the billions. Classic
// models stay below 4096 triangles times 512 frames; this leaves 32 times that.
constexpr uint64_t kMaxTriangleFrames = uint64_t(1) << 26;

// Boxes start inside out, so the first vertex sets both corners.
constexpr float kBoxStart = 999999.0f;

struct Header {
    int32_t identifier, version, skinWidth, skinHeight, frameSize;
    int32_t numSkins, numVertices, numTexCoords, numTriangles, numGlCommands, numFrames;
    int32_t skinOffset, texCoordOffset, triangleOffset, frameOffset, glCommandOffset, endOffset;
};

bool failure(std::string& message, const char* what, const char* name) {
    message = std::string("Invalid file format (") + what + "): " + name + "!";
    return false;
}

// Whether `count` records of `recordSize` bytes fit between `offset` and the
// end of a `size`-byte file. No products, so nothing can overflow.
bool blockFits(int32_t offset, size_t count, size_t recordSize, size_t size) {
    if (count == 0) {
        return true;
    }
    if (offset < 0 || size_t(offset) > size) {
        return false;
    }
    return count <= (size - size_t(offset)) / recordSize;
}

// A reader over a block already checked with blockFits.
ByteReader blockReader(const uint8_t* data, int32_t offset, size_t count, size_t recordSize) {
    if (count == 0) {
        return ByteReader();
    }
    return ByteReader(data + offset, count * recordSize);
}

void copyName(char (&dst)[kRecordNameSize], const std::string& src) {
    const size_t n = std::min(src.size(), kRecordNameSize - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// Splits a frame name into its base and frame number: the number starts at
// the first digit among the last two characters ("stand01" -> stand, 1;
// "pain101" -> pain1, 1; "jump" -> jump, 0).
void splitFrameName(std::string& name, int32_t& number) {
    number = 0;
    const size_t first = name.size() >= 2 ? name.size() - 2 : 0;
    for (size_t j = first; j < name.size(); ++j) {
        if (name[j] >= '0' && name[j] <= '9') {
            for (size_t k = j; k < name.size() && name[k] >= '0' && name[k] <= '9'; ++k) {
                number = number * 10 + (name[k] - '0');
            }
            name.resize(j);
            return;
        }
    }
}

// Groups runs of frames with one base name into animations. An animation
// ends at the first frame of the next one, the last at the last frame; a run
// still open at the last frame is not added, so one frame alone gives none.
void buildAnimations(const std::vector<std::string>& frameNames, ModelRecord& model) {
    const int32_t numFrames = int32_t(frameNames.size());
    std::string previous;
    int32_t start = 0;
    for (int32_t i = 0; i < numFrames; ++i) {
        std::string name = frameNames[size_t(i)];
        int32_t number = 0;
        splitFrameName(name, number);
        if (name != previous || i == numFrames - 1) {
            if (!previous.empty()) {
                AnimationRecord animation;
                copyName(animation.name, previous);
                // The start comes from the frame number; numbering that does
                // not begin at 1 could put it before frame 0 or after the end.
                animation.startFrame = std::clamp(start, 0, i);
                animation.endFrame = i;
                model.animations.push_back(animation);
            }
            start = number + i - 1;
        }
        previous = name;
    }
    model.numAnimations = int32_t(model.animations.size());
}

// Smooth normals of one frame: each vertex gets the mean of the normals of the
// faces that use it, scaled to unit length. One pass over the faces adds each
// face's normal to its distinct corners in face order, which gives the same
// sums, bit for bit, as adding up the faces vertex by vertex. A vertex no face
// uses keeps a zero normal.
void computeNormals(const std::vector<FaceRecord>& faces, MeshRecord& mesh,
                    std::vector<Vector3>& sums, std::vector<int32_t>& counts) {
    const std::vector<Vector3>& v = mesh.vertices;
    sums.assign(v.size(), Vector3());
    counts.assign(v.size(), 0);
    for (const FaceRecord& face : faces) {
        const int32_t a = face.vertexIndex[0];
        const int32_t b = face.vertexIndex[1];
        const int32_t c = face.vertexIndex[2];
        const Vector3& p0 = v[size_t(a)];
        const Vector3& p1 = v[size_t(b)];
        const Vector3& p2 = v[size_t(c)];
        const Vector3 normal = cross(p0 - p2, p2 - p1);
        sums[size_t(a)] += normal;
        ++counts[size_t(a)];
        if (b != a) {
            sums[size_t(b)] += normal;
            ++counts[size_t(b)];
        }
        if (c != a && c != b) {
            sums[size_t(c)] += normal;
            ++counts[size_t(c)];
        }
    }
    mesh.normals.assign(v.size(), Vector3());
    for (size_t i = 0; i < v.size(); ++i) {
        if (counts[i] > 0) {
            Vector3 n = sums[i] / float(counts[i]);
            const float length = magnitude(n);
            if (length != 0.0f) {
                n = n / length;
            }
            mesh.normals[i] = n;
        }
    }
}

// Reads the 17 header fields and checks the version and the counts.
bool readHeader(const uint8_t* data, size_t size, const char* name, Header& h,
                std::string& message) {
    ByteReader in(data, size);
    int32_t* fields[] = {&h.identifier,     &h.version,        &h.skinWidth,   &h.skinHeight,
                         &h.frameSize,      &h.numSkins,       &h.numVertices, &h.numTexCoords,
                         &h.numTriangles,   &h.numGlCommands,  &h.numFrames,   &h.skinOffset,
                         &h.texCoordOffset, &h.triangleOffset, &h.frameOffset, &h.glCommandOffset,
                         &h.endOffset};
    static_assert(sizeof fields / sizeof fields[0] * 4 == kHeaderSize, "17 header fields");
    for (int32_t* field : fields) {
        *field = in.s32le();
    }
    // A file too short to hold the version reads it as 0.
    if (h.version != kVersion) {
        return failure(message, "Version not 8", name);
    }
    if (!in.ok()) {
        return failure(message, "header past the end of the file", name);
    }

    if (h.numVertices < 0) {
        return failure(message, "negative vertex count", name);
    }
    if (h.numTexCoords < 0) {
        return failure(message, "negative texture coordinate count", name);
    }
    if (h.numTriangles < 0) {
        return failure(message, "negative triangle count", name);
    }
    if (h.numTriangles > std::numeric_limits<int32_t>::max() / 3) {
        return failure(message, "too many triangles", name);
    }
    if (h.numFrames < 0) {
        return failure(message, "negative frame count", name);
    }
    if (h.numFrames == 0) {
        return failure(message, "no frames", name);
    }
    if (int64_t(h.frameSize) <
        int64_t(kFrameHeaderSize) + int64_t(kPackedVertexSize) * h.numVertices) {
        return failure(message, "frame size too small", name);
    }
    return true;
}

// Checks that every block the model needs lies inside the file, and finds
// how many whole frames it holds: frames cut off by the end of the file are
// dropped, the complete ones still make a model.
bool checkBlocks(const Header& h, size_t size, const char* name, size_t& numFrames,
                 std::string& message, std::vector<std::string>& warnings) {
    const size_t frameSize = size_t(h.frameSize);
    // The skin names are not used: a damaged skin block costs nothing.
    if (h.numSkins < 0 || !blockFits(h.skinOffset, size_t(h.numSkins), kSkinNameSize, size)) {
        warnings.push_back(std::string("Skin names past the end of the file (ignored): ") + name);
    }
    if (!blockFits(h.texCoordOffset, size_t(h.numTexCoords), kTexCoordSize, size)) {
        return failure(message, "texture coordinates past the end of the file", name);
    }
    if (!blockFits(h.triangleOffset, size_t(h.numTriangles), kTriangleSize, size)) {
        return failure(message, "triangles past the end of the file", name);
    }
    numFrames = size_t(h.numFrames);
    if (!blockFits(h.frameOffset, numFrames, frameSize, size)) {
        numFrames = h.frameOffset < 0 || size_t(h.frameOffset) > size
                        ? 0
                        : (size - size_t(h.frameOffset)) / frameSize;
        if (numFrames == 0) {
            return failure(message, "frames past the end of the file", name);
        }
        warnings.push_back("Frames past the end of the file (kept " + std::to_string(numFrames) +
                           " of " + std::to_string(h.numFrames) + "): " + name);
    }
    if (uint64_t(h.numTriangles) * numFrames > kMaxTriangleFrames) {
        return failure(message, "too many triangles and frames", name);
    }
    return true;
}

// The triangles as faces. Every index must name a vertex and a texture
// coordinate, or the faces would point outside the arrays.
bool readFaces(const uint8_t* data, const Header& h, const char* name,
               std::vector<FaceRecord>& faces, std::string& message) {
    const size_t numTriangles = size_t(h.numTriangles);
    faces.assign(numTriangles, FaceRecord{});
    ByteReader triangles = blockReader(data, h.triangleOffset, numTriangles, kTriangleSize);
    for (FaceRecord& face : faces) {
        for (int32_t& index : face.vertexIndex) {
            index = triangles.s16le();
            if (index < 0 || index >= h.numVertices) {
                return failure(message, "triangle index out of range", name);
            }
        }
        for (int32_t& index : face.coordIndex) {
            index = triangles.s16le();
            if (index < 0 || index >= h.numTexCoords) {
                return failure(message, "triangle index out of range", name);
            }
        }
    }
    return true;
}

// Texture coordinates as s / width and 1 - t / height; a zero width or height
// would divide by zero, so that half of the coordinate is taken as 0 instead.
std::vector<Vector2> readTexCoords(const uint8_t* data, const Header& h, const char* name,
                                   std::vector<std::string>& warnings) {
    if (h.skinWidth == 0 || h.skinHeight == 0) {
        warnings.push_back(std::string("Skin width or height 0 (texture coordinates set to 0): ") +
                           name);
    }
    const size_t numTexCoords = size_t(h.numTexCoords);
    std::vector<Vector2> texCoords(numTexCoords);
    ByteReader coords = blockReader(data, h.texCoordOffset, numTexCoords, kTexCoordSize);
    for (Vector2& t : texCoords) {
        const float s = float(coords.s16le());
        const float tc = float(coords.s16le());
        t.u = h.skinWidth != 0 ? s / float(h.skinWidth) : 0.0f;
        t.v = 1.0f - (h.skinHeight != 0 ? tc / float(h.skinHeight) : 0.0f);
    }
    return texCoords;
}

Vector3 lowerCorner(const Vector3& a, const Vector3& b) {
    return Vector3(std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z));
}

Vector3 upperCorner(const Vector3& a, const Vector3& b) {
    return Vector3(std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z));
}

// One key frame: its name, its vertices unpacked with the frame's scale and
// translation, its normals over the faces of frame 0 and its box. `frame`
// holds the whole frame record; bytes past its vertices are skipped.
bool readFrame(ByteReader frame, const Header& h, const std::vector<FaceRecord>& faces,
               const char* name, MeshRecord& mesh, std::string& frameName,
               std::vector<Vector3>& sums, std::vector<int32_t>& counts, std::string& message) {
    float scale[3], translate[3];
    for (float& s : scale) {
        s = frame.f32le();
    }
    for (float& t : translate) {
        t = frame.f32le();
    }
    const size_t numVertices = size_t(h.numVertices);
    const uint8_t* rawName = frame.take(kFrameNameSize);
    const uint8_t* packed = frame.take(numVertices * kPackedVertexSize);
    if (rawName == nullptr || packed == nullptr) {  // unreachable: the block was checked
        return failure(message, "frames past the end of the file", name);
    }
    frameName.assign(reinterpret_cast<const char*>(rawName),
                     strnlen(reinterpret_cast<const char*>(rawName), kFrameNameSize));

    // The file's Z-up axes become the engine's Y-up axes.
    mesh.vertices.resize(numVertices);
    for (Vector3& p : mesh.vertices) {
        p.x = float(packed[0]) * scale[0] + translate[0];
        p.y = float(packed[2]) * scale[2] + translate[2];
        p.z = -(float(packed[1]) * scale[1] + translate[1]);
        packed += kPackedVertexSize;
    }

    mesh.numVertices = h.numVertices;
    mesh.numTexCoords = h.numTexCoords;
    mesh.numFaces = h.numTriangles;
    mesh.vboVertexCount = mesh.numFaces * 3;
    computeNormals(faces, mesh, sums, counts);

    mesh.boxMin = Vector3(kBoxStart, kBoxStart, kBoxStart);
    mesh.boxMax = Vector3(-kBoxStart, -kBoxStart, -kBoxStart);
    for (const Vector3& p : mesh.vertices) {
        mesh.boxMin = lowerCorner(mesh.boxMin, p);
        mesh.boxMax = upperCorner(mesh.boxMax, p);
    }
    return true;
}

// With a skin file name, the model's one material names it.
void addSkin(const char* skinFile, const char* name, ModelRecord& model,
             std::vector<std::string>& warnings) {
    if (skinFile == nullptr || skinFile[0] == '\0') {
        return;
    }
    MaterialRecord material;
    const std::string texture = skinFile;
    if (texture.size() >= kRecordNameSize) {
        warnings.push_back("Skin file name cut to " + std::to_string(kRecordNameSize - 1) +
                           " characters: " + name);
    }
    copyName(material.textureFile, texture);
    material.textureId = 0;
    model.materials.push_back(material);
    model.numMaterials = 1;
}

bool read(const uint8_t* data, size_t size, const char* name, const char* skinFile,
          ModelRecord& model, std::string& message, std::vector<std::string>& warnings) {
    Header h{};
    size_t numFrames = 0;
    std::vector<FaceRecord> faces;
    if (!readHeader(data, size, name, h, message) ||
        !checkBlocks(h, size, name, numFrames, message, warnings) ||
        !readFaces(data, h, name, faces, message)) {
        return false;
    }
    std::vector<Vector2> texCoords = readTexCoords(data, h, name, warnings);

    model.meshes.resize(numFrames);
    std::vector<std::string> frameNames(numFrames);
    std::vector<Vector3> sums;
    std::vector<int32_t> counts;
    const size_t frameSize = size_t(h.frameSize);
    ByteReader frames = blockReader(data, h.frameOffset, numFrames, frameSize);
    for (size_t f = 0; f < numFrames; ++f) {
        if (!readFrame(frames.sub(frameSize), h, faces, name, model.meshes[f], frameNames[f], sums,
                       counts, message)) {
            return false;
        }
    }
    model.numMeshes = int32_t(numFrames);
    model.meshes[0].texCoords = std::move(texCoords);
    model.meshes[0].faces = std::move(faces);

    // The model's box holds every frame's box.
    model.boxMin = Vector3(kBoxStart, kBoxStart, kBoxStart);
    model.boxMax = Vector3(-kBoxStart, -kBoxStart, -kBoxStart);
    for (const MeshRecord& mesh : model.meshes) {
        model.boxMin = lowerCorner(model.boxMin, mesh.boxMin);
        model.boxMax = upperCorner(model.boxMax, mesh.boxMax);
    }

    buildAnimations(frameNames, model);
    addSkin(skinFile, name, model, warnings);
    model.totalVertices = model.meshes[0].numFaces * 3;
    return true;
}

}  // namespace

bool readMd2(const uint8_t* data, size_t size, const char* name, const char* skinFile,
             ModelRecord& model, std::string& message, std::vector<std::string>& warnings) {
    startDecode(model, message, data, size, name);
    if (!read(data, size, name, skinFile, model, message, warnings)) {
        model = ModelRecord{};
        return false;
    }
    return true;
}
