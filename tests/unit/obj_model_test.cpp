// The OBJ loader: groups, the four face forms, fan triangulation, values in file order,
// skipped keywords, long tokens, and every fault it mends instead of tripping over.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/obj_model.h"
#include "support/mp3_tools.h"

#if QUORLITH_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

struct Loaded {
    ObjModel model{};
    int result = 0;
    Loaded() = default;
    explicit Loaded(const std::string& text)
        : result(loadObjModelFromMemory(model, text.data(), text.size())) {}
    ~Loaded() { freeObjModel(model); }
};

// "groups | triangles in file order | counts", e.g. "arm{1} default{0} | 1/1 2/2 3/1, 1/1 3/1
// 4/0 | v4 vn0 vt2": each group's triangle numbers, each triangle's vertex numbers (with
// their texture numbers when the file has vt lines), and the v, vn and vt counts.
std::string describe(const ObjModel& m) {
    std::ostringstream out;
    for (const ObjGroup* g = m.groups; g != nullptr; g = g->next) {
        out << g->name << '{';
        for (uint32_t i = 0; i < g->triangleCount; ++i) {
            out << (i > 0 ? "," : "") << g->triangleIndices[i];
        }
        out << "} ";
    }
    out << '|';
    for (uint32_t i = 0; i < m.triangleCount; ++i) {
        for (int k = 0; k < 3; ++k) {
            out << ' ' << m.triangles[i].vertexIndex[k];
            if (m.texCoordCount > 0) {
                out << '/' << m.triangles[i].texCoordIndex[k];
            }
        }
        out << (i + 1 < m.triangleCount ? "," : "");
    }
    out << " | v" << m.vertexCount << " vn" << m.normalCount << " vt" << m.texCoordCount;
    return out.str();
}

// What every load must leave: triangle numbers 0 .. count - 1 shared out among the groups,
// each once; "default" last; every reference inside its array.
void expectObjModelConsistent(const ObjModel& m) {
    std::multiset<int32_t> numbers;
    uint32_t groups = 0;
    const ObjGroup* last = nullptr;
    for (const ObjGroup* g = m.groups; g != nullptr; g = g->next, ++groups) {
        last = g;
        EXPECT_LE(g->triangleCount, g->triangleCapacity);
        numbers.insert(g->triangleIndices, g->triangleIndices + g->triangleCount);
    }
    EXPECT_EQ(groups, m.groupCount);
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->name, "default");
    ASSERT_EQ(numbers.size(), m.triangleCount);
    int32_t expected = 0;
    for (const int32_t n : numbers) {
        EXPECT_EQ(n, expected++);
    }
    for (uint32_t i = 0; i < m.triangleCount; ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(m.triangles[i].vertexIndex[k], 1);
            EXPECT_LE(m.triangles[i].vertexIndex[k], static_cast<int32_t>(m.vertexCount));
            if (m.texCoordCount > 0) { // otherwise texture numbers are never read
                EXPECT_GE(m.triangles[i].texCoordIndex[k], 0);
                EXPECT_LE(m.triangles[i].texCoordIndex[k], static_cast<int32_t>(m.texCoordCount));
            }
        }
    }
}

const std::string kFour = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const std::string kFourVt = kFour + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
// Two groups of v/t/n faces.
const std::string kTwoGroups = kFourVt + "vn 0 0 1\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\ng north\n" +
                               "f 1/1/1 2/2/2 3/3/3 4/4/4\ng south\nf 1/1/1 3/3/3 4/4/4\n";
std::string fileWith(const std::string& name, const std::string& text) {
    return writeTempFile(name, std::vector<unsigned char>(text.begin(), text.end()));
}
// The counting pass skips the rest of a v line; the filling pass reads numbers across the
// newline and so meets tokens the counting pass never saw.
const std::string kShortV = "v 0 0 0\nv 1 0 0\nv 0 1\n";

struct LoadCase {
    const char* what;
    std::string text;
    std::string expected; // as describe() writes it
};

const LoadCase kReadCases[] = {
    {"no g line", kFour + "f 1 2 3\nf 1 3 4\n", "default{0,1} | 1 2 3, 1 3 4 | v4 vn0 vt0"},
    {"groups newest first; a g naming an earlier group appends to it",
     kFour + "f 1 2 3\ng arm\nf 1 2 4\ng leg\nf 2 3 4\ng arm\nf 1 3 4\n",
     "leg{2} arm{1,3} default{0} | 1 2 3, 1 2 4, 2 3 4, 1 3 4 | v4 vn0 vt0"},
    {"names match exactly",
     kFour + "g Arm\nf 1 2 3\ng arm\nf 1 2 4\ng Ar\nf 1 3 4\ng Arm\nf 2 3 4\n",
     "Ar{2} arm{1} Arm{0,3} default{} | 1 2 3, 1 2 4, 1 3 4, 2 3 4 | v4 vn0 vt0"},
    {"g left arm: the first word names it; a bare g goes back to default",
     kFour + "g left arm\nf 1 2 3\ng  back\t cube\nf 1 3 4\ng\nf 2 3 4\n",
     "back{1} left{0} default{2} | 1 2 3, 1 3 4, 2 3 4 | v4 vn0 vt0"},
    {"v/t/n quad fans into two", kFourVt + "f 1/1/1 2/2/2 3/3/3 4/4/4\n",
     "default{0,1} | 1/1 2/2 3/3, 1/1 3/3 4/4 | v4 vn0 vt4"},
    {"v//n keeps no normal numbers", kFourVt + "v 2 0 0\nv 2 1 0\nv 2 2 0\nf 5//5 6//6 7//7\n",
     "default{0} | 5/0 6/0 7/0 | v7 vn0 vt4"},
    {"v/t keeps texture numbers", kFourVt + "f 1/2 2/3 3/4\n",
     "default{0} | 1/2 2/3 3/4 | v4 vn0 vt4"},
    {"v polygon fans round its first reference", kFour + "v 5 5 5\nf 1 2 3 4 5\n",
     "default{0,1,2} | 1 2 3, 1 3 4, 1 4 5 | v5 vn0 vt0"},
    // Read as v/t/n, "2" converts only its vertex: the texture number stays as last read.
    {"the first reference decides the form", kFour + "vt 0 0\nvt 1 1\nf 1/2/1 2 3\n",
     "default{0} | 1/2 2/2 3/2 | v4 vn0 vt2"},
    {"one and two references repeat the last corner", kFour + "f 3\nf 1 2\nf 2 3 4",
     "default{0,1,2} | 3 3 3, 1 2 2, 2 3 4 | v4 vn0 vt0"},
    {"Windows line endings", kFour + "v 2 0 0\r\nvt 0 0\r\ng side\r\nf 1/1 2/1 5/1\r\n",
     "side{0} default{} | 1/1 2/1 5/1 | v5 vn0 vt1"},
    {"keywords outside the subset are skipped",
     "# made by hand\nmtllib box.mtl\no box\n" + kFour +
         "vp 0.5 0.5\nusemtl white\ns 1\nl 1 2\np 3\nf 1 2 3 4\ns off\n",
     "default{0,1} | 1 2 3, 1 3 4 | v4 vn0 vt0"},
    // After "#", 127 characters are skipped and the rest is read as further tokens.
    {"a long line is skipped 127 characters at a time",
     kFour + "# " + std::string(126, 'x') + "f 1 2 3\nf 1 3 4\n",
     "default{0,1} | 1 2 3, 1 3 4 | v4 vn0 vt0"},
};

const LoadCase kMendedCases[] = {
    {"zero, negative and too large vertex numbers drop the face",
     kFour + "f 1 2 3\nf 0 1 2\nf -1 -2 -3\nf 1 2 5\nf 1 2 3 99999999999999999999\n"
             "f 4294967297 2 3\ng end\nf 2 3 4\n",
     "end{1} default{0} | 1 2 3, 2 3 4 | v4 vn0 vt0"},
    {"bad texture numbers drop the face when there are vt lines",
     kFour + "vt 0 0\nvt 1 1\nf 1/1 2/2 3/1\nf 1/0 2/1 3/1\nf 1/1 2/3 3/1\nf 1/1/1 2/-1/1 3/1/1\n",
     "default{0} | 1/1 2/2 3/1 | v4 vn0 vt2"},
    {"without vt lines texture numbers cost nothing", kFour + "f 1/7 2/8 3/9\n",
     "default{0} | 1 2 3 | v4 vn0 vt0"},
    // "x" converts nothing; the numbers after it are read as the face's further references.
    {"a face without a first number is dropped", kFour + "f x 1 2 3\nf 2 3 4\nf\n",
     "default{0} | 2 3 4 | v4 vn0 vt0"},
    {"tokens past 127 characters are cut, never overflow",
     kFour + std::string(1000, 'q') + "\ng " + std::string(300, 'n') + "\nf 1 2 3\nv 1" +
         std::string(400, '0') + " 2 3\nf 1/1" + std::string(400, '0') + " 2/1 3/1\nf " +
         std::string(200, '/') + "\nf 2 3 4\n",
     std::string(126, 'n') + "{0,1} default{} | 1 2 3, 2 3 4 | v5 vn0 vt0"},
    {"passes disagree: a face the count never saw", kShortV + "5 f 1 2 3\n",
     "default{} | | v3 vn0 vt0"},
    {"passes disagree: a group the count never saw", kShortV + "5 g other\nf 1 2 3\n",
     "default{} | | v3 vn0 vt0"},
    {"passes disagree: vertices the count never saw", kShortV + "5 v 1 1 1 v 2 2 2\nf 1 2 3\n",
     "default{0} | 1 2 3 | v3 vn0 vt0"},
    // The other way round: a face counted in a long v line's remainder that the filling
    // pass skips with the line it reads as a token.
    {"passes disagree: a face the fill never sees",
     kShortV + "v 1 2 3 " + std::string(10, 'x') + std::string(120, ' ') + "f 1 2 3\nf 1 2 4\n",
     "default{0} | 1 2 4 | v4 vn0 vt0"},
};

void expectLoads(const LoadCase& c) {
    SCOPED_TRACE(c.what);
    Loaded l(c.text);
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(describe(l.model), c.expected);
    expectObjModelConsistent(l.model);
}

TEST(ObjLoad, GroupsFaceFormsAndSkippedKeywords) {
    std::for_each(std::begin(kReadCases), std::end(kReadCases), expectLoads);
}

TEST(ObjLoad, MendedFaultsDropOnlyTheBadFace) {
    std::for_each(std::begin(kMendedCases), std::end(kMendedCases), expectLoads);
}

int allocationsLeft = -1;
void* failingAllocate(size_t bytes) {
    if (allocationsLeft == 0) {
        return nullptr;
    }
    allocationsLeft -= allocationsLeft > 0 ? 1 : 0;
    return std::malloc(bytes);
}

TEST(ObjLoad, RunningOutOfMemoryAnywhereLeavesAnEmptyModel) {
    const std::string path = fileWith("oom.obj", kTwoGroups);
    Loaded reference;
    ASSERT_EQ(loadObjModel(reference.model, path.c_str()), 1);
    setObjAllocator(failingAllocate);
    int failures = 0;
    for (int budget = 0; budget < 100; ++budget, ++failures) {
        allocationsLeft = budget;
        Loaded l;
        if (loadObjModel(l.model, path.c_str()) == 1) {
            EXPECT_EQ(describe(l.model), describe(reference.model));
            break;
        }
        EXPECT_EQ(describe(l.model), "| | v0 vn0 vt0") << budget;
        EXPECT_EQ(l.model.groupCount, 0u);
        EXPECT_EQ(l.model.vertices, nullptr);
    }
    setObjAllocator(nullptr);
    allocationsLeft = -1;
    // File buffer, "default", two groups with their names, their arrays, four model arrays.
    EXPECT_GE(failures, 9);
    EXPECT_LT(failures, 100);
}

TEST(ObjLoad, UnopenableUnreadableEmptyAndReloadedFiles) {
    Loaded l(kFour + "f 1 2 3\n");
    const ObjModel before = l.model;
    EXPECT_EQ(loadObjModel(l.model, "/nonexistent/quorlith/model.obj"), 0);
    EXPECT_EQ(std::memcmp(&before, &l.model, sizeof before), 0); // left as it was

    const std::string first = fileWith("first.obj", kTwoGroups);
    const std::string empty = fileWith("empty.obj", "");
    const std::string folder = first.substr(0, first.rfind('/'));
    EXPECT_EQ(loadObjModel(l.model, folder.c_str()), 0); // opens but cannot be read: emptied
    EXPECT_EQ(describe(l.model), "| | v0 vn0 vt0");

    ASSERT_EQ(loadObjModel(l.model, first.c_str()), 1);
    EXPECT_GT(l.model.triangleCount, 0u);
    ASSERT_EQ(loadObjModel(l.model, empty.c_str()), 1); // replaces the earlier model
    EXPECT_EQ(describe(l.model), "default{} | | v0 vn0 vt0");
    ASSERT_NE(l.model.vertices, nullptr); // slot 0 only
    expectObjModelConsistent(l.model);
}

// Every public file, valid or broken, loads without fault and keeps its references inside
// its arrays; where a file keeps to the subset (positive references in range, convex
// polygons), the counts and values agree with an independent reader, as they do on the four
// data-set models.
TEST(ObjPublicFiles, LoadWithinTheirArraysAndAgreeWithAnIndependentReader) {
    namespace fs = std::filesystem;
    const fs::path corpus = fs::path(QUORLITH_TEST_DATA_DIR) / "obj";
    int files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus)) {
        if (entry.path().extension() != ".obj") {
            continue;
        }
        ++files;
        SCOPED_TRACE(entry.path().string());
        ObjModel m{};
        ASSERT_EQ(loadObjModel(m, entry.path().c_str()), 1);
        for (uint32_t t = 0; t < m.triangleCount; ++t) {
            for (int k = 0; k < 3; ++k) {
                ASSERT_GE(m.triangles[t].vertexIndex[k], 1);
                ASSERT_LE(uint32_t(m.triangles[t].vertexIndex[k]), m.vertexCount);
                ASSERT_LE(uint32_t(m.triangles[t].texCoordIndex[k]), m.texCoordCount);
            }
        }
        freeObjModel(m);
    }
    EXPECT_GE(files, 40);
#if QUORLITH_HAVE_TINYOBJLOADER
    std::vector<fs::path> agreeing;
    for (const char* name :
         {"cube.obj", "cube-vertex-w-component.obj", "catmark_torus_creases0.obj", "issue-138.obj",
          "issue-161-inconsistent-f.obj", "issue-162-smoothing-group.obj",
          "issue-295-trianguation-failure.obj", "map-bump.obj", "usemtl-issue-104.obj",
          "smoothing-group-two-squares.obj", "leading-decimal-dot-issue-201.obj",
          "leading-zero-in-exponent-notation-issue-210.obj"}) {
        agreeing.push_back(corpus / name);
    }
    for (const char* name : {"manet2.obj", "manet.obj", "blob1.obj", "sea1.obj"}) {
        agreeing.push_back(fs::path(QUORLITH_BUILD_DIR) / "data" / "3d" / name);
    }
    for (const fs::path& path : agreeing) {
        SCOPED_TRACE(path.string());
        tinyobj::ObjReaderConfig config;
        config.mtl_search_path = "/nonexistent";
        tinyobj::ObjReader reader;
        ASSERT_TRUE(reader.ParseFromFile(path.string(), config)) << reader.Error();
        const tinyobj::attrib_t& a = reader.GetAttrib();
        size_t triangles = 0;
        for (const tinyobj::shape_t& shape : reader.GetShapes()) {
            triangles += shape.mesh.num_face_vertices.size();
        }
        ObjModel m{};
        ASSERT_EQ(loadObjModel(m, path.c_str()), 1);
        EXPECT_EQ(m.vertexCount, a.vertices.size() / 3);
        EXPECT_EQ(m.normalCount, a.normals.size() / 3);
        EXPECT_EQ(m.texCoordCount, a.texcoords.size() / 2);
        EXPECT_EQ(m.triangleCount, triangles);
        for (size_t i = 0; i < a.vertices.size() && i / 3 < m.vertexCount; ++i) {
            ASSERT_FLOAT_EQ(m.vertices[i / 3 + 1][i % 3], a.vertices[i]) << "v " << i / 3;
        }
        for (size_t i = 0; i < a.texcoords.size() && i / 2 < m.texCoordCount; ++i) {
            ASSERT_FLOAT_EQ(m.texCoords[i / 2 + 1][i % 2], a.texcoords[i]) << "vt " << i / 2;
        }
        freeObjModel(m);
    }
#endif
}

} // namespace
