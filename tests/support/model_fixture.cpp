#include "support/model_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "model/obj_model.h"

std::string sphereObjText(float radius, int rings, int segments) {
    std::ostringstream obj;
    obj << "# sphere made by the tests\n";
    // Vertex (i, j), i from the north pole (0) to the south (rings), j round the seam.
    for (int i = 0; i <= rings; ++i) {
        for (int j = 0; j <= segments; ++j) {
            const double theta = M_PI * i / rings;
            const double phi = 2.0 * M_PI * j / segments;
            const double n[3] = {std::sin(theta) * std::cos(phi), std::cos(theta),
                                 std::sin(theta) * std::sin(phi)};
            obj << "v " << radius * n[0] << ' ' << radius * n[1] << ' ' << radius * n[2] << "\nvn "
                << n[0] << ' ' << n[1] << ' ' << n[2] << "\nvt " << double(j) / segments << ' '
                << 1.0 - double(i) / rings << '\n';
        }
    }
    for (int i = 0; i < rings; ++i) {
        obj << (i == 0 ? "g north\n" : i == rings / 2 ? "g south\n" : "");
        for (int j = 0; j < segments; ++j) {
            obj << 'f';
            const int at = i * (segments + 1) + j + 1; // (i, j); the ring below is one row on
            for (const int k : {at, at + 1, at + segments + 2, at + segments + 1}) {
                obj << ' ' << k << '/' << k << '/' << k;
            }
            obj << '\n';
        }
    }
    return obj.str();
}

std::string writeTempFile(const std::string& name, const std::string& text) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quorlith-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
}

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
