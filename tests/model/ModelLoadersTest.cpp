#include "model/ModelLoaders.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/GlTestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

GLint bufferSize(GLuint name) {
    GLint size = -1;
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, name);
    glGetBufferParameterivARB(GL_ARRAY_BUFFER_ARB, GL_BUFFER_SIZE_ARB, &size);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    return size;
}

}  // namespace

TEST(ModelLoaders, ThreeDsMeshesGoIntoVertexBuffersCornerByCorner) {
    ModelRecord model;
    std::string path = std::string(VARNO_CORPUS_DIR) + "/3ds/assimp_test1.3ds";
    ASSERT_TRUE(load3ds(model, path.c_str()));
    ASSERT_FALSE(model.meshes.empty());
    int total = 0;
    for (const MeshRecord& mesh : model.meshes) {
        ASSERT_EQ(mesh.vboVertexCount, mesh.numFaces * 3);
        EXPECT_EQ(bufferSize(mesh.vboVertices), mesh.vboVertexCount * 12) << mesh.name;
        EXPECT_EQ(bufferSize(mesh.vboNormals), mesh.vboVertexCount * 12) << mesh.name;
        if (mesh.hasTexture) {
            EXPECT_EQ(bufferSize(mesh.vboTexCoords), mesh.vboVertexCount * 8) << mesh.name;
        } else {
            EXPECT_EQ(mesh.vboTexCoords, 0u);
        }
        total += mesh.vboVertexCount;
    }
    EXPECT_EQ(model.totalVertices, total);

    // The second corner of the first face, as the buffer holds it.
    const MeshRecord& mesh = model.meshes[0];
    ASSERT_GT(mesh.numFaces, 0);
    float corner[3];
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, mesh.vboVertices);
    glGetBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 12, 12, corner);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    EXPECT_EQ(Vector3(corner[0], corner[1], corner[2]),
              mesh.vertices[size_t(mesh.faces[0].vertexIndex[1])]);
}

TEST(ModelLoaders, XmlModelLoadsItsColourMaps) {
    ModelXML model;
    CaptureStdout();
    loadXmlModel(model, "Data/Model/crate.xml");
    std::string out = GetCapturedStdout();
    EXPECT_EQ(out, "\nNum of faces: 6\n\nNum of faces: 4\n");
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_GT(model.materials[0].texture, 0);
    EXPECT_TRUE(glIsTexture(GLuint(model.materials[0].texture)));
    EXPECT_EQ(model.path, "Data/Model/crate.xml");
}

TEST(ModelLoadersDeathTest, MissingModelFilesEndTheProgram) {
    // A forked copy of a process with a GL context cannot shut SDL down;
    // the child runs the test binary afresh instead.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ModelRecord model;
    ModelXML xml;
    EXPECT_EXIT(load3ds(model, "/nonexistent/knight.3ds"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(loadMd2(model, "/nonexistent/knight.md2", nullptr), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(loadXmlModel(xml, "/nonexistent/knight.xml"), testing::ExitedWithCode(255),
                "XML Parsing error inside file '/nonexistent/knight.xml'");
}
