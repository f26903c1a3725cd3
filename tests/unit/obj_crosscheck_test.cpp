// The loader against an independent OBJ reader (tinyobjloader): vertex, normal, texture
// coordinate and triangle counts and the values themselves, on generated files, on public
// OBJ files within the subset, and on the four data-set models once they are built. Also
// every public file, valid or broken, loads without fault.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

#include "model/obj_model.h"
#include "support/model_fixture.h"

#if QUORLITH_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

namespace fs = std::filesystem;

const fs::path kPublicObjDir = fs::path(QUORLITH_TEST_DATA_DIR) / "obj";

#if QUORLITH_HAVE_TINYOBJLOADER
// A prism of n sides with v, vn and vt lines and every face form: an n-gon cap of v
// references, another of v/t, and quad sides alternately v//n and v/t/n.
std::string prismObjText(int sides) {
    std::ostringstream obj;
    for (int i = 0; i < 2 * sides; ++i) {
        const double a = 6.283185307179586 * (i % sides) / sides;
        obj << "v " << 40.0 * std::cos(a) << ' ' << (i < sides ? -60 : 60) << ' '
            << 40.0 * std::sin(a) << "\nvn " << std::cos(a) << " 0 " << std::sin(a) << "\nvt "
            << double(i % sides) / sides << ' ' << i / sides << '\n';
    }
    obj << "g caps\nf";
    for (int i = sides; i >= 1; --i) {
        obj << ' ' << i;
    }
    obj << "\nf";
    for (int i = sides + 1; i <= 2 * sides; ++i) {
        obj << ' ' << i << '/' << i;
    }
    obj << "\ng sides\n";
    for (int i = 1; i <= sides; ++i) {
        const char* form = i % 2 == 0 ? "//" : "/";
        obj << 'f';
        for (const int k : {i, i % sides + 1, sides + i % sides + 1, sides + i}) {
            obj << ' ' << k << form << k << (i % 2 == 0 ? "" : "/" + std::to_string(k));
        }
        obj << '\n';
    }
    return obj.str();
}

void expectSameAsTinyObj(const fs::path& path) {
    SCOPED_TRACE(path.string());
    tinyobj::ObjReaderConfig config;
    config.triangulate = true;
    config.mtl_search_path = "/nonexistent";
    tinyobj::ObjReader reader;
    ASSERT_TRUE(reader.ParseFromFile(path.string(), config)) << reader.Error();
    const tinyobj::attrib_t& attrib = reader.GetAttrib();
    size_t triangles = 0;
    for (const tinyobj::shape_t& shape : reader.GetShapes()) {
        triangles += shape.mesh.num_face_vertices.size();
    }

    ObjModel m{};
    ASSERT_EQ(loadObjModel(m, path.c_str()), 1);
    EXPECT_EQ(m.vertexCount, attrib.vertices.size() / 3);
    EXPECT_EQ(m.normalCount, attrib.normals.size() / 3);
    EXPECT_EQ(m.texCoordCount, attrib.texcoords.size() / 2);
    EXPECT_EQ(m.triangleCount, triangles);
    for (size_t i = 0; i < attrib.vertices.size() && i / 3 < m.vertexCount; ++i) {
        ASSERT_FLOAT_EQ(m.vertices[i / 3 + 1][i % 3], attrib.vertices[i]) << "v " << i / 3;
    }
    for (size_t i = 0; i < attrib.normals.size() && i / 3 < m.vertexCount; ++i) {
        ASSERT_FLOAT_EQ(m.normals[i / 3 + 1][i % 3], attrib.normals[i]) << "vn " << i / 3;
    }
    for (size_t i = 0; i < attrib.texcoords.size() && i / 2 < m.texCoordCount; ++i) {
        ASSERT_FLOAT_EQ(m.texCoords[i / 2 + 1][i % 2], attrib.texcoords[i]) << "vt " << i / 2;
    }
    freeObjModel(m);
}

TEST(ObjCrossCheck, GeneratedAndPublicFiles) {
    expectSameAsTinyObj(writeTempFile("xc-sphere.obj", sphereObjText(100.0f, 9, 13)));
    expectSameAsTinyObj(writeTempFile("xc-prism.obj", prismObjText(11)));
    expectSameAsTinyObj(writeTempFile("xc-prism3.obj", prismObjText(3)));
    // Files whose faces keep to the subset: positive numbers in range, at least three
    // references, convex polygons (where any triangulation gives n - 2 triangles).
    for (const char* name :
         {"cube.obj", "cube-vertex-w-component.obj", "catmark_torus_creases0.obj", "issue-138.obj",
          "issue-161-inconsistent-f.obj", "issue-162-smoothing-group.obj",
          "issue-295-trianguation-failure.obj", "map-bump.obj", "usemtl-issue-104.obj",
          "smoothing-group-two-squares.obj", "leading-decimal-dot-issue-201.obj",
          "leading-zero-in-exponent-notation-issue-210.obj"}) {
        expectSameAsTinyObj(kPublicObjDir / name);
    }
}

TEST(ObjCrossCheck, DataSetModels) {
    const fs::path dir = fs::path(QUORLITH_BUILD_DIR) / "data" / "3d";
    if (!fs::exists(dir / "sea1.obj")) {
        GTEST_SKIP() << dir << " is not built";
    }
    for (const char* name : {"manet2.obj", "manet.obj", "blob1.obj", "sea1.obj"}) {
        expectSameAsTinyObj(dir / name);
    }
}
#else
TEST(ObjCrossCheck, NeedsTinyObjLoader) {
    GTEST_SKIP() << "built without tinyobjloader";
}
#endif

TEST(ObjPublicFiles, EveryFileValidOrBrokenLoadsWithinItsArrays) {
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(kPublicObjDir)) {
        if (entry.path().extension() == ".obj") {
            ++files;
            SCOPED_TRACE(entry.path().string());
            ObjModel m{};
            ASSERT_EQ(loadObjModel(m, entry.path().c_str()), 1);
            expectObjModelConsistent(m);
            freeObjModel(m);
        }
    }
    EXPECT_GE(files, 40);
}

} // namespace
