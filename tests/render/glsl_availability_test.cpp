// GLSL availability in a process where no check has succeeded yet (success is sticky, so these
// cases live in their own executable, and the one that ends available runs last).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shader/glsl_shaders.h"
#include "shader_test_support.h"
#include "support/offscreen_gl.h"

namespace {

int lookups = 0;
const char* hiddenName = nullptr;

// The real lookup, minus one name the test hides, counting every name asked for.
void* countingLookup(const char* name) {
    ++lookups;
    const bool hidden = hiddenName != nullptr && std::strcmp(name, hiddenName) == 0;
    return hidden ? nullptr : OffscreenGl::lookup(name);
}

const std::string kUnavailableLine =
    "Error initializing OpenGL Shading Language function pointers\n";

} // namespace

// Without one entry point GLSL is unavailable: each program announces it once and makes no GL
// object, everything else quietly does nothing, and creating a program from files fails.
TEST(GlslAvailability, OneHiddenEntryPointMakesGlslUnavailable) {
    ASSERT_FALSE(GlslAvailable) << "needs a process in which no availability check succeeded";
    OffscreenGl gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    setGlProcLookup(countingLookup);
    setShaderMessageBox(recordBox);
    hiddenName = "glUniformMatrix4fvARB";
    EXPECT_FALSE(isGlslAvailable());
    StdoutCapture capture;
    {
        ShaderProgram program;
        EXPECT_EQ(program.handle, 0u);
        VertexStage stage;
        program.attachStage(&stage);
        EXPECT_TRUE(program.stages.empty());
        EXPECT_FALSE(program.linkStages());
        program.beginUse();
        EXPECT_FALSE(program.setUniformFloat("slider", 0.0055f));
        program.endUse();
    }
    const std::string vertexPath = shaderFile("a.vert", kPassVertex);
    ShaderLibrary library;
    EXPECT_EQ(library.createProgram(vertexPath.c_str(),
                                    shaderFile("a.frag", kFourUniformFragment).c_str()),
              nullptr);
    EXPECT_EQ(capture.finish(), kUnavailableLine + kUnavailableLine);
    EXPECT_EQ(shownBoxes(), (std::vector<std::string>{vertexPath, "(e0000) GLSL not enabled"}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    hiddenName = nullptr;
}

// With no context every name is missing and each check asks for all again; once a context
// exists the check succeeds, and from then on it is the flag alone.
TEST(GlslAvailability, CheckWithoutContextCachesNothingAndLaterSucceeds) {
    ASSERT_FALSE(GlslAvailable) << "needs a process in which no availability check succeeded";
    setGlProcLookup(countingLookup);
    lookups = 0;
    EXPECT_FALSE(isGlslAvailable());
    EXPECT_FALSE(isGlslAvailable());
    EXPECT_EQ(lookups, 2 * 42);
    OffscreenGl gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    EXPECT_TRUE(isGlslAvailable());
    lookups = 0;
    EXPECT_TRUE(isGlslAvailable());
    EXPECT_EQ(lookups, 0);
}
