// The OBJ loader: groups, the four face forms, fan triangulation, values in file order,
// skipped keywords, long tokens, and every fault it mends instead of tripping over.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "model/obj_model.h"
#include "support/model_fixture.h"

namespace {

using Corners = std::array<int, 3>;

struct Loaded {
    ObjModel model{};
    int result = 0;
    explicit Loaded(const std::string& text) {
        result = loadObjModelFromMemory(model, text.data(), text.size());
    }
    Loaded() = default;
    ~Loaded() { freeObjModel(model); }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
};

std::vector<std::string> groupNames(const ObjModel& m) {
    std::vector<std::string> names;
    for (const ObjGroup* g = m.groups; g != nullptr; g = g->next) {
        names.emplace_back(g->name);
    }
    return names;
}

std::vector<Corners> groupTriangles(const ObjModel& m, const char* name, bool texture = false) {
    std::vector<Corners> out;
    const ObjGroup* g = findObjGroup(m, name);
    if (g == nullptr) {
        return out;
    }
    for (uint32_t i = 0; i < g->triangleCount; ++i) {
        const ObjTriangle& t = m.triangles[g->triangleIndices[i]];
        const int32_t* c = texture ? t.texCoordIndex : t.vertexIndex;
        out.push_back({c[0], c[1], c[2]});
    }
    return out;
}

// What every load must leave: triangle numbers 0 .. count - 1 shared out among the
// groups, each once; "default" last; every reference inside its array.
void expectConsistent(const ObjModel& m) {
    std::multiset<int32_t> numbers;
    uint32_t groups = 0;
    const ObjGroup* last = nullptr;
    for (const ObjGroup* g = m.groups; g != nullptr; g = g->next) {
        ++groups;
        last = g;
        EXPECT_LE(g->triangleCount, g->triangleCapacity);
        numbers.insert(g->triangleIndices, g->triangleIndices + g->triangleCount);
    }
    EXPECT_EQ(groups, m.groupCount);
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->name, "default");
    ASSERT_EQ(numbers.size(), m.triangleCount);
    int32_t expected = 0;
    for (int32_t n : numbers) {
        EXPECT_EQ(n, expected++);
    }
    for (uint32_t i = 0; i < m.triangleCount; ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(m.triangles[i].vertexIndex[k], 1);
            EXPECT_LE(m.triangles[i].vertexIndex[k], static_cast<int32_t>(m.vertexCount));
            if (m.texCoordCount > 0) {
                EXPECT_GE(m.triangles[i].texCoordIndex[k], 0);
                EXPECT_LE(m.triangles[i].texCoordIndex[k], static_cast<int32_t>(m.texCoordCount));
            }
        }
    }
}

const std::string kFourVertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

TEST(ObjGroups, FileWithoutGroupLinesPutsEverythingInDefault) {
    Loaded l(kFourVertices + "f 1 2 3\nf 1 3 4\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.model.groupCount, 1u);
    EXPECT_EQ(groupNames(l.model), std::vector<std::string>{"default"});
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{1, 2, 3}, {1, 3, 4}}));
    EXPECT_EQ(l.model.texCoordCount, 0u);
    EXPECT_EQ(l.model.texCoords, nullptr);
    EXPECT_EQ(l.model.vertexCount, 4u);
    expectConsistent(l.model);
}

TEST(ObjGroups, NewestFirstDefaultLastAndARepeatedNameAppends) {
    Loaded l(kFourVertices + "f 1 2 3\ng arm\nf 1 2 4\ng leg\nf 2 3 4\ng arm\nf 1 3 4\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.model.groupCount, 3u);
    EXPECT_EQ(groupNames(l.model), (std::vector<std::string>{"leg", "arm", "default"}));
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{1, 2, 3}}));
    EXPECT_EQ(groupTriangles(l.model, "arm"), (std::vector<Corners>{{1, 2, 4}, {1, 3, 4}}));
    EXPECT_EQ(groupTriangles(l.model, "leg"), (std::vector<Corners>{{2, 3, 4}}));
    // Triangle numbers follow the file.
    EXPECT_EQ(findObjGroup(l.model, "arm")->triangleIndices[1], 3);
    expectConsistent(l.model);
}

TEST(ObjGroups, NameIsTheFirstWordOfTheLine) {
    Loaded l(kFourVertices + "g left arm\nf 1 2 3\ng  back\t cube\nf 1 3 4\ng\nf 2 3 4\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupNames(l.model), (std::vector<std::string>{"back", "left", "default"}));
    EXPECT_EQ(groupTriangles(l.model, "left"), (std::vector<Corners>{{1, 2, 3}}));
    // A g line without a name goes back to "default".
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{2, 3, 4}}));
}

TEST(ObjGroups, FindIsExactAndAddReturnsTheExistingGroup) {
    ObjModel m{};
    ObjGroup* a = addObjGroup(m, "Arm");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(addObjGroup(m, "Arm"), a);
    EXPECT_EQ(m.groupCount, 1u);
    EXPECT_EQ(findObjGroup(m, "arm"), nullptr);
    EXPECT_EQ(findObjGroup(m, "Ar"), nullptr);
    ObjGroup* b = addObjGroup(m, "arm");
    EXPECT_EQ(m.groups, b);
    EXPECT_EQ(b->next, a);
    EXPECT_EQ(b->triangleCount, 0u);
    EXPECT_EQ(b->triangleIndices, nullptr);
    freeObjModel(m);
    EXPECT_EQ(m.groups, nullptr);
    EXPECT_EQ(m.groupCount, 0u);
}

TEST(ObjFaces, VertexTextureNormalQuadFansIntoTwoTriangles) {
    Loaded l(kFourVertices + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/1/1 2/2/2 3/3/3 4/4/4\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{1, 2, 3}, {1, 3, 4}}));
    EXPECT_EQ(groupTriangles(l.model, "default", true),
              (std::vector<Corners>{{1, 2, 3}, {1, 3, 4}}));
}

TEST(ObjFaces, VertexNormalFormKeepsNoNormalNumbers) {
    Loaded l(kFourVertices + "v 2 0 0\nv 2 1 0\nv 2 2 0\nf 5//5 6//6 7//7\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.model.triangleCount, 1u);
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{5, 6, 7}}));
    EXPECT_EQ(groupTriangles(l.model, "default", true), (std::vector<Corners>{{0, 0, 0}}));
}

TEST(ObjFaces, VertexTextureFormKeepsTextureNumbers) {
    Loaded l(kFourVertices + "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nf 1/2 2/3 3/4\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{1, 2, 3}}));
    EXPECT_EQ(groupTriangles(l.model, "default", true), (std::vector<Corners>{{2, 3, 4}}));
}

TEST(ObjFaces, VertexOnlyPolygonFansAroundItsFirstReference) {
    Loaded l(kFourVertices + "v 5 5 5\nf 1 2 3 4 5\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupTriangles(l.model, "default"),
              (std::vector<Corners>{{1, 2, 3}, {1, 3, 4}, {1, 4, 5}}));
    expectConsistent(l.model);
}

TEST(ObjFaces, FirstReferenceDecidesTheFormOfTheWholeFace) {
    // Read as v/t/n, "2" converts only its vertex: the texture number stays as last read.
    Loaded l(kFourVertices + "vt 0 0\nvt 1 1\nf 1/2/1 2 3\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{1, 2, 3}}));
    EXPECT_EQ(groupTriangles(l.model, "default", true), (std::vector<Corners>{{2, 2, 2}}));
}

TEST(ObjFaces, OneAndTwoReferenceFacesRepeatTheLastCorner) {
    Loaded l(kFourVertices + "f 3\nf 1 2\nf 2 3 4");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupTriangles(l.model, "default"),
              (std::vector<Corners>{{3, 3, 3}, {1, 2, 2}, {2, 3, 4}}));
    expectConsistent(l.model);
}

TEST(ObjFaces, WindowsLineEndingsReadLikeUnixOnes) {
    Loaded unix(kFourVertices + "vt 0 0\ng side\nf 1/1 2/1 3/1 4/1\n");
    Loaded dos("v 0 0 0\r\nv 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\nvt 0 0\r\ng side\r\n"
               "f 1/1 2/1 3/1 4/1\r\n");
    ASSERT_EQ(dos.result, 1);
    EXPECT_EQ(groupNames(dos.model), groupNames(unix.model));
    EXPECT_EQ(groupTriangles(dos.model, "side"), groupTriangles(unix.model, "side"));
    EXPECT_EQ(dos.model.vertexCount, 4u);
    EXPECT_EQ(dos.model.texCoordCount, 1u);
}

TEST(ObjSkipped, KeywordsOutsideTheSubsetLeaveTheModelUnchanged) {
    const std::string plain = kFourVertices + "f 1 2 3 4\n";
    const std::string noisy = "# made by hand\nmtllib box.mtl\no box\n" + kFourVertices +
                              "vp 0.5 0.5\nusemtl white\ns 1\nl 1 2\np 3\nf 1 2 3 4\ns off\n";
    Loaded a(plain);
    Loaded b(noisy);
    ASSERT_EQ(b.result, 1);
    EXPECT_EQ(b.model.vertexCount, a.model.vertexCount);
    EXPECT_EQ(b.model.normalCount, a.model.normalCount);
    EXPECT_EQ(b.model.texCoordCount, a.model.texCoordCount);
    EXPECT_EQ(groupNames(b.model), groupNames(a.model));
    EXPECT_EQ(groupTriangles(b.model, "default"), groupTriangles(a.model, "default"));
    for (uint32_t i = 1; i <= a.model.vertexCount; ++i) {
        EXPECT_EQ(std::memcmp(a.model.vertices[i], b.model.vertices[i], sizeof(float[3])), 0);
    }
}

TEST(ObjValues, VerticesNormalsAndTexCoordsLandInFileOrderFromSlotOne) {
    Loaded l("v 1.5 -2 3e2 7\nv .25 0 -0\nvn 0 1 0\nvn 1 0 0\nvt 0.5 0.25 0.125\nvt 1 0\n"
             "f 1/1/1 2/2/2 1/1/1\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.model.vertexCount, 2u);
    EXPECT_EQ(l.model.normalCount, 2u);
    EXPECT_EQ(l.model.texCoordCount, 2u);
    EXPECT_FLOAT_EQ(l.model.vertices[1][0], 1.5f);
    EXPECT_FLOAT_EQ(l.model.vertices[1][1], -2.0f);
    EXPECT_FLOAT_EQ(l.model.vertices[1][2], 300.0f); // the fourth number (w) is skipped
    EXPECT_FLOAT_EQ(l.model.vertices[2][0], 0.25f);
    EXPECT_FLOAT_EQ(l.model.normals[2][0], 1.0f);
    EXPECT_FLOAT_EQ(l.model.texCoords[1][0], 0.5f);
    EXPECT_FLOAT_EQ(l.model.texCoords[1][1], 0.25f);
    EXPECT_FLOAT_EQ(l.model.texCoords[2][0], 1.0f);
    // Slot 0 is never written by the file.
    EXPECT_EQ(l.model.vertices[0][0], 0.0f);
    EXPECT_EQ(l.model.texCoords[0][0], 0.0f);
    EXPECT_EQ(l.model.texCoords[0][1], 0.0f);
}

TEST(ObjValues, NormalOfVertexKIsTheKthNormalWhateverTheFacesSay) {
    Loaded l(kFourVertices + "vn 0 0 1\nvn 0 1 0\nvn 1 0 0\nvn -1 0 0\nf 1//4 2//3 3//2\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_FLOAT_EQ(l.model.normals[1][2], 1.0f);
    EXPECT_FLOAT_EQ(l.model.normals[2][1], 1.0f);
    EXPECT_FLOAT_EQ(l.model.normals[4][0], -1.0f);
}

TEST(ObjTokens, ALongLineIsSkippedOnly127CharactersAtATime) {
    // After the "#" token, 127 characters of the line are skipped and the remainder is
    // read as further tokens: the face hidden there counts.
    const std::string comment = "# " + std::string(126, 'x') + "f 1 2 3\n";
    Loaded l(kFourVertices + comment + "f 1 3 4\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{1, 2, 3}, {1, 3, 4}}));
    expectConsistent(l.model);
}

TEST(ObjMendedFaults, FacesWithZeroNegativeOrTooLargeVertexNumbersAreDropped) {
    Loaded l(kFourVertices + "f 1 2 3\nf 0 1 2\nf -1 -2 -3\nf 1 2 5\nf 1 2 3 99999999999999999999\n"
                             "f 4294967297 2 3\ng end\nf 2 3 4\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(l.model.triangleCount, 2u);
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{1, 2, 3}}));
    EXPECT_EQ(groupTriangles(l.model, "end"), (std::vector<Corners>{{2, 3, 4}}));
    expectConsistent(l.model);
}

TEST(ObjMendedFaults, FacesWithBadTextureNumbersAreDroppedWhenTheFileHasTexCoords) {
    Loaded l(kFourVertices + "vt 0 0\nvt 1 1\nf 1/1 2/2 3/1\nf 1/0 2/1 3/1\nf 1/1 2/3 3/1\n"
                             "f 1/1/1 2/-1/1 3/1/1\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{1, 2, 3}}));
    expectConsistent(l.model);

    // Without vt lines texture numbers are never read, so they cost the face nothing.
    Loaded bare(kFourVertices + "f 1/7 2/8 3/9\n");
    EXPECT_EQ(groupTriangles(bare.model, "default"), (std::vector<Corners>{{1, 2, 3}}));
}

TEST(ObjMendedFaults, FaceWithoutAFirstNumberIsDropped) {
    // "x" converts nothing; the numbers after it are read as the face's further references.
    Loaded l(kFourVertices + "f x 1 2 3\nf 2 3 4\nf\n");
    ASSERT_EQ(l.result, 1);
    EXPECT_EQ(groupTriangles(l.model, "default"), (std::vector<Corners>{{2, 3, 4}}));
    expectConsistent(l.model);
}

TEST(ObjMendedFaults, SurplusNormalsAreIgnoredAndMissingOnesAreZero) {
    Loaded surplus("v 0 0 0\nv 1 0 0\nvn 0 0 1\nvn 0 1 0\nvn 1 0 0\nvn 1 1 1\nf 1 2 2\n");
    ASSERT_EQ(surplus.result, 1);
    EXPECT_EQ(surplus.model.normalCount, 4u); // counted, not stored
    EXPECT_FLOAT_EQ(surplus.model.normals[2][1], 1.0f);

    Loaded missing(kFourVertices + "vn 0 0 1\nf 1 2 3 4\nv 7 8 9 x\nv 1\n");
    ASSERT_EQ(missing.result, 1);
    EXPECT_EQ(missing.model.vertexCount, 6u);
    EXPECT_FLOAT_EQ(missing.model.normals[1][2], 1.0f);
    for (uint32_t k = 2; k <= 6; ++k) {
        EXPECT_EQ(missing.model.normals[k][0], 0.0f);
        EXPECT_EQ(missing.model.normals[k][1], 0.0f);
        EXPECT_EQ(missing.model.normals[k][2], 0.0f);
    }
    // Numbers missing on a v line read as 0.
    EXPECT_FLOAT_EQ(missing.model.vertices[5][2], 9.0f);
    EXPECT_FLOAT_EQ(missing.model.vertices[6][0], 1.0f);
    EXPECT_EQ(missing.model.vertices[6][1], 0.0f);
    EXPECT_EQ(missing.model.vertices[6][2], 0.0f);
}

TEST(ObjMendedFaults, LongTokensAreCutWithoutOverflow) {
    const std::string longName(300, 'n');
    const std::string longWord(1000, 'q');
    const std::string longNumber = "1" + std::string(400, '0');
    Loaded l(kFourVertices + longWord + "\ng " + longName + "\nf 1 2 3\nv " + longNumber +
             " 2 3\nf 1/" + longNumber + " 2/1 3/1\nf " + std::string(200, '/') + "\nf 2 3 4\n");
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.model.groupCount, 2u);
    // The name is the first word of the line's first 127 characters.
    EXPECT_EQ(std::string(l.model.groups->name), std::string(126, 'n'));
    EXPECT_EQ(groupTriangles(l.model, l.model.groups->name),
              (std::vector<Corners>{{1, 2, 3}, {2, 3, 4}}));
    EXPECT_EQ(l.model.vertexCount, 5u);
    expectConsistent(l.model);
}

TEST(ObjMendedFaults, PassesThatDisagreeNeverWritePastTheirArrays) {
    // The counting pass skips the rest of a v line; the filling pass reads numbers across
    // the newline and so meets tokens the counting pass never saw.
    const std::string base = "v 0 0 0\nv 1 0 0\nv 0 1\n";
    Loaded extraFace(base + "5 f 1 2 3\n");
    ASSERT_EQ(extraFace.result, 1);
    EXPECT_EQ(extraFace.model.triangleCount, 0u);
    expectConsistent(extraFace.model);

    Loaded extraGroup(base + "5 g other\nf 1 2 3\n");
    ASSERT_EQ(extraGroup.result, 1);
    EXPECT_EQ(extraGroup.model.groupCount, 1u);
    EXPECT_EQ(extraGroup.model.triangleCount, 0u);
    expectConsistent(extraGroup.model);

    Loaded extraVertices(base + "5 v 1 1 1 v 2 2 2\nf 1 2 3\n");
    ASSERT_EQ(extraVertices.result, 1);
    EXPECT_EQ(extraVertices.model.vertexCount, 3u);
    EXPECT_EQ(groupTriangles(extraVertices.model, "default"), (std::vector<Corners>{{1, 2, 3}}));

    // The other way round: a face the counting pass saw in a long v line's remainder but
    // the filling pass skips with the line it reads as a token.
    const std::string longV = "v 1 2 3 " + std::string(10, 'x') + std::string(120, ' ');
    Loaded missingFace(base + longV + "f 1 2 3\nf 1 2 4\n");
    ASSERT_EQ(missingFace.result, 1);
    EXPECT_EQ(groupTriangles(missingFace.model, "default"), (std::vector<Corners>{{1, 2, 4}}));
    expectConsistent(missingFace.model);
}

int allocationsLeft = -1;
void* failingAllocate(size_t bytes) {
    if (allocationsLeft == 0) {
        return nullptr;
    }
    if (allocationsLeft > 0) {
        --allocationsLeft;
    }
    return std::malloc(bytes);
}

TEST(ObjMendedFaults, RunningOutOfMemoryAnywhereLeavesAnEmptyModel) {
    const std::string path = writeTempFile("oom.obj", sphereObjText(1.0f, 4, 5));
    Loaded reference;
    ASSERT_EQ(loadObjModel(reference.model, path.c_str()), 1);
    setObjAllocator(failingAllocate);
    int failures = 0;
    for (int budget = 0; budget < 100; ++budget) {
        allocationsLeft = budget;
        Loaded l;
        if (loadObjModel(l.model, path.c_str()) == 1) {
            EXPECT_EQ(l.model.triangleCount, reference.model.triangleCount);
            EXPECT_EQ(groupNames(l.model), groupNames(reference.model));
            break;
        }
        ++failures;
        EXPECT_EQ(l.model.groups, nullptr) << budget;
        EXPECT_EQ(l.model.groupCount, 0u);
        EXPECT_EQ(l.model.triangleCount, 0u);
        EXPECT_EQ(l.model.vertices, nullptr);
    }
    setObjAllocator(nullptr);
    allocationsLeft = -1;
    // File buffer, "default", two groups with their names, their arrays, four model arrays.
    EXPECT_GE(failures, 9);
    EXPECT_LT(failures, 100);
}

TEST(ObjLoad, FileThatCannotBeOpenedLeavesTheRecordAsItWas) {
    Loaded l(kFourVertices + "f 1 2 3\n");
    const ObjModel before = l.model;
    EXPECT_EQ(loadObjModel(l.model, "/nonexistent/quorlith/model.obj"), 0);
    EXPECT_EQ(std::memcmp(&before, &l.model, sizeof before), 0);
}

TEST(ObjLoad, FileThatCannotBeReadLeavesTheRecordEmpty) {
    Loaded l(kFourVertices + "f 1 2 3\n");
    const std::string dir = writeTempFile("placeholder", "");
    EXPECT_EQ(loadObjModel(l.model, dir.substr(0, dir.rfind('/')).c_str()), 0);
    EXPECT_EQ(l.model.groups, nullptr);
    EXPECT_EQ(l.model.triangleCount, 0u);
}

TEST(ObjLoad, ReloadReplacesTheEarlierModelAndAnEmptyFileGivesAnEmptyDefault) {
    const std::string first = writeTempFile("first.obj", sphereObjText(1.0f, 3, 4));
    const std::string empty = writeTempFile("empty.obj", "");
    Loaded l;
    ASSERT_EQ(loadObjModel(l.model, first.c_str()), 1);
    EXPECT_GT(l.model.triangleCount, 0u);
    ASSERT_EQ(loadObjModel(l.model, empty.c_str()), 1);
    EXPECT_EQ(l.model.vertexCount, 0u);
    EXPECT_EQ(l.model.triangleCount, 0u);
    EXPECT_EQ(groupNames(l.model), std::vector<std::string>{"default"});
    ASSERT_NE(l.model.vertices, nullptr); // slot 0 only
    expectConsistent(l.model);
}

} // namespace
