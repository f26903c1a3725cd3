// The loader against an independent OBJ reader (tinyobjloader): vertex, normal, texture
// coordinate and triangle counts and the values themselves, on generated files, on public
// OBJ files within the subset, and on the four data-set models once they are built. Also
// every public file, valid or broken, loads without fault.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "model/obj_model.h"
#include "support/model_fixture.h"

#if QUORLITH_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

namespace fs = std::filesystem;

const fs::path kPublicObjDir = fs::path(QUORLITH_TEST_DATA_DIR) / "obj";

// A cylinder of n sides: convex n-gon caps and quad sides, v//n references.
std::string cylinderObjText(int sides) {
    std::ostringstream obj;
    for (int ring = 0; ring < 2; ++ring) {
        for (int i = 0; i < sides; ++i) {
            const double a = 6.283185307179586 * i / sides;
            obj << "v " << 40.0 * std::cos(a) << ' ' << (ring == 0 ? -60 : 60) << ' '
                << 40.0 * std::sin(a) << '\n';
            obj << "vn " << std::cos(a) << " 0 " << std::sin(a) << '\n';
        }
    }
    obj << "g caps\nf";
    for (int i = sides; i >= 1; --i) {
        obj << ' ' << i << "//" << i;
    }
    obj << "\nf";
    for (int i = 1; i <= sides; ++i) {
        obj << ' ' << sides + i << "//" << sides + i;
    }
    obj << "\ng sides\n";
    for (int i = 1; i <= sides; ++i) {
        const int j = i % sides + 1;
        obj << "f " << i << "//" << i << ' ' << j << "//" << j << ' ' << sides + j << "//"
            << sides + j << ' ' << sides + i << "//" << sides + i << '\n';
    }
    return obj.str();
}

// A flat grid of quads with v/t references and vertex-only triangles along one edge.
std::string gridObjText(int n) {
    std::ostringstream obj;
    obj << "o grid\n";
    for (int y = 0; y <= n; ++y) {
        for (int x = 0; x <= n; ++x) {
            obj << "v " << x * 10 << " 0 " << y * 10 << "\nvt " << double(x) / n << ' '
                << double(y) / n << '\n';
        }
    }
    auto at = [n](int x, int y) { return y * (n + 1) + x + 1; };
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if (y == 0) {
                obj << "f " << at(x, y) << ' ' << at(x + 1, y) << ' ' << at(x + 1, y + 1) << '\n';
                obj << "f " << at(x, y) << ' ' << at(x + 1, y + 1) << ' ' << at(x, y + 1) << '\n';
                continue;
            }
            const int q[4] = {at(x, y), at(x + 1, y), at(x + 1, y + 1), at(x, y + 1)};
            obj << "f";
            for (int k : q) {
                obj << ' ' << k << '/' << k;
            }
            obj << '\n';
        }
    }
    return obj.str();
}

#if QUORLITH_HAVE_TINYOBJLOADER
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
    for (uint32_t i = 0; i < m.vertexCount && i * 3 + 2 < attrib.vertices.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_FLOAT_EQ(m.vertices[i + 1][k], attrib.vertices[i * 3 + k]) << "vertex " << i;
        }
    }
    for (uint32_t i = 0; i < m.texCoordCount && i * 2 + 1 < attrib.texcoords.size(); ++i) {
        for (int k = 0; k < 2; ++k) {
            ASSERT_FLOAT_EQ(m.texCoords[i + 1][k], attrib.texcoords[i * 2 + k]) << "vt " << i;
        }
    }
    for (uint32_t i = 0; i < m.vertexCount && i < m.normalCount; ++i) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_FLOAT_EQ(m.normals[i + 1][k], attrib.normals[i * 3 + k]) << "vn " << i;
        }
    }
    freeObjModel(m);
}
#endif

#define REQUIRE_TINYOBJ()                                                                          \
    if (!QUORLITH_HAVE_TINYOBJLOADER) {                                                            \
        GTEST_SKIP() << "built without tinyobjloader";                                             \
    }

TEST(ObjCrossCheck, GeneratedFilesOfEveryFaceForm) {
    REQUIRE_TINYOBJ();
#if QUORLITH_HAVE_TINYOBJLOADER
    expectSameAsTinyObj(writeTempFile("xc-sphere.obj", sphereObjText(100.0f, 9, 13)));
    expectSameAsTinyObj(writeTempFile("xc-cylinder.obj", cylinderObjText(11)));
    expectSameAsTinyObj(writeTempFile("xc-grid.obj", gridObjText(7)));
#endif
}

TEST(ObjCrossCheck, PublicFilesWithinTheSubset) {
    REQUIRE_TINYOBJ();
#if QUORLITH_HAVE_TINYOBJLOADER
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
#endif
}

class DataSetModel : public testing::TestWithParam<const char*> {};

TEST_P(DataSetModel, AgreesWithTinyObj) {
    REQUIRE_TINYOBJ();
    const fs::path path = fs::path(QUORLITH_BUILD_DIR) / "data" / "3d" / GetParam();
    if (!fs::exists(path)) {
        GTEST_SKIP() << path << " is not built";
    }
#if QUORLITH_HAVE_TINYOBJLOADER
    expectSameAsTinyObj(path);
#endif
}

INSTANTIATE_TEST_SUITE_P(ObjCrossCheck, DataSetModel,
                         testing::Values("manet2.obj", "manet.obj", "blob1.obj", "sea1.obj"));

TEST(ObjPublicFiles, EveryFileValidOrBrokenLoadsWithinItsArrays) {
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(kPublicObjDir)) {
        if (entry.path().extension() != ".obj") {
            continue;
        }
        ++files;
        SCOPED_TRACE(entry.path().string());
        ObjModel m{};
        ASSERT_EQ(loadObjModel(m, entry.path().c_str()), 1);
        uint32_t grouped = 0;
        for (const ObjGroup* g = m.groups; g != nullptr; g = g->next) {
            grouped += g->triangleCount;
            for (uint32_t i = 0; i < g->triangleCount; ++i) {
                const int32_t n = g->triangleIndices[i];
                ASSERT_GE(n, 0);
                ASSERT_LT(static_cast<uint32_t>(n), m.triangleCount);
                for (int32_t v : m.triangles[n].vertexIndex) {
                    ASSERT_GE(v, 1);
                    ASSERT_LE(static_cast<uint32_t>(v), m.vertexCount);
                }
            }
        }
        EXPECT_EQ(grouped, m.triangleCount);
        freeObjModel(m);
    }
    EXPECT_GE(files, 40);
}

TEST(ObjPublicFiles, BrokenReferencesAreDroppedFaceByFace) {
    ObjModel m{};
    // One face with vertex and texture number 0, one valid face.
    ASSERT_EQ(loadObjModel(m, (kPublicObjDir / "issue-140-zero-face-idx.obj").c_str()), 1);
    EXPECT_EQ(m.triangleCount, 1u);
    EXPECT_EQ(m.triangles[0].vertexIndex[0], 1);
    // Relative numbers are outside the subset: the cornell box keeps only its first
    // three faces, written with positive numbers.
    ASSERT_EQ(loadObjModel(m, (kPublicObjDir / "cornell_box.obj").c_str()), 1);
    EXPECT_EQ(m.vertexCount, 76u);
    EXPECT_EQ(m.triangleCount, 6u);
    freeObjModel(m);
}

} // namespace
