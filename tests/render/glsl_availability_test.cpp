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

const std::vector<std::string> kLookupOrder = {
    "glBindAttribLocationARB",
    "glGetActiveAttribARB",
    "glGetAttribLocationARB",
    "glDeleteObjectARB",
    "glGetHandleARB",
    "glDetachObjectARB",
    "glCreateShaderObjectARB",
    "glShaderSourceARB",
    "glCompileShaderARB",
    "glCreateProgramObjectARB",
    "glAttachObjectARB",
    "glLinkProgramARB",
    "glUseProgramObjectARB",
    "glValidateProgramARB",
    "glGetObjectParameterfvARB",
    "glGetObjectParameterivARB",
    "glGetInfoLogARB",
    "glGetAttachedObjectsARB",
    "glGetUniformLocationARB",
    "glGetActiveUniformARB",
    "glGetUniformfvARB",
    "glGetUniformivARB",
    "glGetShaderSourceARB",
    "glUniform1fARB",
    "glUniform2fARB",
    "glUniform3fARB",
    "glUniform4fARB",
    "glUniform1iARB",
    "glUniform2iARB",
    "glUniform3iARB",
    "glUniform4iARB",
    "glUniform1fvARB",
    "glUniform2fvARB",
    "glUniform3fvARB",
    "glUniform4fvARB",
    "glUniform1ivARB",
    "glUniform2ivARB",
    "glUniform3ivARB",
    "glUniform4ivARB",
    "glUniformMatrix2fvARB",
    "glUniformMatrix3fvARB",
    "glUniformMatrix4fvARB",
};

std::vector<std::string> lookedUp;
const char* hiddenName = nullptr;

// The real lookup, minus one name the test hides, remembering every name asked for.
void* recordingLookup(const char* name) {
    lookedUp.emplace_back(name);
    if (hiddenName != nullptr && std::strcmp(name, hiddenName) == 0) {
        return nullptr;
    }
    return OffscreenGl::lookup(name);
}

const std::string kUnavailableLine =
    "Error initializing OpenGL Shading Language function pointers\n";

} // namespace

TEST(GlslAvailability, OneHiddenEntryPointMakesGlslUnavailable) {
    ASSERT_FALSE(GlslAvailable) << "needs a process in which no availability check succeeded";
    OffscreenGl gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    setGlProcLookup(recordingLookup);
    setShaderMessageBox(recordBox);
    hiddenName = "glUniformMatrix4fvARB";

    lookedUp.clear();
    EXPECT_FALSE(isGlslAvailable());
    EXPECT_EQ(lookedUp, kLookupOrder);
    EXPECT_FALSE(GlslAvailable);
    EXPECT_NE(GlslEntryPoints.glUniformMatrix3fvARB, nullptr);
    EXPECT_EQ(GlslEntryPoints.glUniformMatrix4fvARB, nullptr);

    // Each program construction announces the failure once, on a flushed line.
    {
        StdoutCapture capture;
        ShaderProgram first;
        EXPECT_EQ(capture.written(), kUnavailableLine);
        ShaderProgram second;
        EXPECT_EQ(capture.finish(), kUnavailableLine + kUnavailableLine);
        EXPECT_EQ(first.handle, 0u);
        EXPECT_EQ(second.handle, 0u);

        // Everything else quietly does nothing.
        VertexStage stage;
        EXPECT_EQ(stage.handle, 0u);
        StdoutCapture quiet;
        first.attachStage(&stage);
        EXPECT_TRUE(first.stages.empty());
        EXPECT_FALSE(first.linkStages());
        first.beginUse();
        EXPECT_FALSE(first.setUniformInt("texture", 0));
        EXPECT_FALSE(first.setUniformFloat("slider", 0.0055f));
        EXPECT_EQ(first.uniformLocation("time"), -1);
        first.endUse();
        EXPECT_STREQ(first.linkLogText(), "(e0000) GLSL not enabled");
        EXPECT_STREQ(stage.compileLogText(), "(e0000) GLSL not enabled");
        EXPECT_EQ(quiet.finish(), "");
    }

    // Valid files: still read, but nothing compiles, so the path and the status text appear.
    ScratchDir dir;
    const std::string vertexPath = dir.write("a.vert", kPassVertex);
    const std::string fragmentPath = dir.write("a.frag", kFourUniformFragment);
    shownBoxes().clear();
    ShaderLibrary library;
    StdoutCapture capture;
    EXPECT_EQ(library.createProgram(vertexPath.c_str(), fragmentPath.c_str()), nullptr);
    EXPECT_EQ(capture.finish(), kUnavailableLine);
    EXPECT_EQ(shownBoxes(), (std::vector<std::string>{vertexPath, "(e0000) GLSL not enabled"}));
    EXPECT_TRUE(library.programs.empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    hiddenName = nullptr;
}

TEST(GlslAvailability, CheckWithoutContextCachesNothingAndLaterSucceeds) {
    ASSERT_FALSE(GlslAvailable) << "needs a process in which no availability check succeeded";
    setGlProcLookup(recordingLookup);
    hiddenName = nullptr;

    // No GL context exists: every name is missing, and each check asks for all of them again.
    lookedUp.clear();
    EXPECT_FALSE(isGlslAvailable());
    EXPECT_FALSE(isGlslAvailable());
    EXPECT_EQ(lookedUp.size(), 2 * kLookupOrder.size());
    EXPECT_EQ(GlslEntryPoints.glCreateProgramObjectARB, nullptr);

    OffscreenGl gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    lookedUp.clear();
    EXPECT_TRUE(isGlslAvailable());
    EXPECT_EQ(lookedUp, kLookupOrder);
    EXPECT_TRUE(GlslAvailable);

    // From now on a check is the flag alone.
    lookedUp.clear();
    EXPECT_TRUE(isGlslAvailable());
    StdoutCapture capture;
    {
        ShaderProgram program;
        EXPECT_NE(program.handle, 0u);
    }
    EXPECT_EQ(capture.finish(), "");
    EXPECT_TRUE(lookedUp.empty());
}
