// The web build's replacements that need no GL context: 16-bit batches of 32-bit indices,
// gluErrorString's table (held against GLU's own) and the texels kept on the CPU.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "gfx/gl_replacements.h"

namespace {

// Batches replay the indices exactly, each within its limit, whole triangles but for the last,
// and no local index reaches 0xFFFF (WebGL 2's strip restart).
TEST(ShortIndexBatches, ReplayTheIndicesInWholeTrianglesWithinTheLimit) {
    struct Case {
        const char* name;
        std::size_t corners, count, maxCorners, limit, batches;
    };
    const Case cases[] = {
        {"none", 4, 0, kMaxBatchCorners, 65535, 0},
        {"one triangle", 3, 3, kMaxBatchCorners, 65535, 1},
        {"limit rounded down to triangles", 10, 13, 8, 6, 3},
        {"limit below one triangle", 5, 9, 1, 3, 3},
        {"more corners than 16 bits hold", 100000, 200001, kMaxBatchCorners, 65535, 4},
        {"limit above 16 bits", 70000, 140001, 100000, 65535, 3},
    };
    for (const Case& c : cases) {
        std::vector<GLuint> indices(c.count);
        for (std::size_t i = 0; i < c.count; ++i) {
            indices[i] = static_cast<GLuint>((i * 7919 + i / 3) % c.corners);
        }
        std::vector<ShortIndexBatch> batches;
        ASSERT_TRUE(shortIndexBatches(indices.data(), c.count, c.corners, batches, c.maxCorners))
            << c.name;
        EXPECT_EQ(batches.size(), c.batches) << c.name;
        std::vector<GLuint> replayed;
        for (std::size_t b = 0; b < batches.size(); ++b) {
            const ShortIndexBatch& batch = batches[b];
            EXPECT_LE(batch.indices.size(), c.limit) << c.name;
            if (b + 1 < batches.size()) {
                EXPECT_EQ(batch.indices.size(), c.limit) << c.name;
            }
            EXPECT_LE(batch.corners.size(), batch.indices.size()) << c.name;
            for (const GLushort local : batch.indices) {
                ASSERT_LT(local, batch.corners.size()) << c.name;
                replayed.push_back(batch.corners[local]);
            }
        }
        EXPECT_EQ(replayed, indices) << c.name;
    }
    const GLuint pastTheEnd[] = {0, 1, 4};
    std::vector<ShortIndexBatch> batches(2);
    EXPECT_FALSE(shortIndexBatches(pastTheEnd, 3, 4, batches));
    EXPECT_TRUE(batches.empty());
}

// Every code below 0x10000 (all of GL's) gets GLU's text or, where GLU has none, null.
TEST(GlErrorText, IsGluErrorStringForEveryGlCode) {
    int named = 0;
    for (GLenum code = 0; code < 0x10000; ++code) {
        const char* glu = reinterpret_cast<const char*>(gluErrorString(code));
        const char* ours = glErrorText(code);
        ASSERT_EQ(glu == nullptr, ours == nullptr) << std::hex << code;
        if (glu != nullptr) {
            EXPECT_STREQ(ours, glu) << std::hex << code;
            ++named;
        }
    }
    // GL_NO_ERROR, the six of GL 1.1, GL_TABLE_TOO_LARGE, the framebuffer's.
    EXPECT_EQ(named, 9);
}

struct Texels {
    GLint width = 0, height = 0;
    std::vector<GLubyte> rgba;
    bool operator==(const Texels&) const = default;
};

// What the copies refuse, and what they give for RGB and RGBA texels.
TEST(LevelZeroCopies, KeepOnlyWholeImagesAndReadThemAsRgba) {
    LevelZeroCopies copies;
    EXPECT_TRUE(copies.keep(5, 2, 1, 3, {1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(copies.keep(6, 1, 2, 4, {1, 2, 3, 4, 5, 6, 7, 8}));
    for (const auto& [width, height, channels, bytes] :
         {std::tuple{2, 1, 3, 5}, std::tuple{0, 1, 3, 0}, std::tuple{1, 1, 2, 2},
          std::tuple{-1, -1, 3, 3}}) {
        EXPECT_FALSE(copies.keep(7, width, height, channels, std::vector<GLubyte>(bytes)));
    }
    Texels t;
    EXPECT_TRUE(copies.read(5, t.width, t.height, t.rgba));
    EXPECT_TRUE((t == Texels{2, 1, {1, 2, 3, 255, 4, 5, 6, 255}}));
    EXPECT_TRUE(copies.read(6, t.width, t.height, t.rgba));
    EXPECT_TRUE((t == Texels{1, 2, {1, 2, 3, 4, 5, 6, 7, 8}}));
    EXPECT_FALSE(copies.read(7, t.width, t.height, t.rgba));
    // A refused upload drops what was kept under that name before.
    EXPECT_FALSE(copies.keep(5, 3, 3, 3, {}));
    EXPECT_FALSE(copies.read(5, t.width, t.height, t.rgba));
}

} // namespace
