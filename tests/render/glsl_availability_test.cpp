// GLSL availability in a process where no check has succeeded yet (success is sticky, so these
// cases live in their own executable, and the one that ends available runs last).
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "shader/glsl_shaders.h"
#include "shader_test_support.h"
#include "support/offscreen_gl.h"

namespace {

// The 42 entry points, in the order they are looked up.
const std::vector<std::string> kLookupOrder = [] {
    std::istringstream names(
        "glBindAttribLocationARB glGetActiveAttribARB glGetAttribLocationARB glDeleteObjectARB "
        "glGetHandleARB glDetachObjectARB glCreateShaderObjectARB glShaderSourceARB "
        "glCompileShaderARB glCreateProgramObjectARB glAttachObjectARB glLinkProgramARB "
        "glUseProgramObjectARB glValidateProgramARB glGetObjectParameterfvARB "
        "glGetObjectParameterivARB glGetInfoLogARB glGetAttachedObjectsARB "
        "glGetUniformLocationARB glGetActiveUniformARB glGetUniformfvARB glGetUniformivARB "
        "glGetShaderSourceARB glUniform1fARB glUniform2fARB glUniform3fARB glUniform4fARB "
        "glUniform1iARB glUniform2iARB glUniform3iARB glUniform4iARB glUniform1fvARB "
        "glUniform2fvARB glUniform3fvARB glUniform4fvARB glUniform1ivARB glUniform2ivARB "
        "glUniform3ivARB glUniform4ivARB glUniformMatrix2fvARB glUniformMatrix3fvARB "
        "glUniformMatrix4fvARB");
    return std::vector<std::string>(std::istream_iterator<std::string>(names), {});
}();

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

    // Each program construction announces the failure once, on a flushed line, and makes no
    // GL object; everything else quietly does nothing.
    StdoutCapture capture;
    ShaderProgram first;
    EXPECT_EQ(capture.written(), kUnavailableLine);
    ShaderProgram second;
    EXPECT_EQ(capture.finish(), kUnavailableLine + kUnavailableLine);
    EXPECT_EQ(first.handle, 0u);
    EXPECT_EQ(second.handle, 0u);
    VertexStage stage;
    EXPECT_EQ(stage.handle, 0u);
    StdoutCapture quiet;
    first.attachStage(&stage);
    EXPECT_TRUE(first.stages.empty());
    EXPECT_FALSE(first.linkStages());
    first.beginUse();
    EXPECT_FALSE(first.setUniformFloat("slider", 0.0055f));
    first.endUse();
    EXPECT_STREQ(first.linkLogText(), "(e0000) GLSL not enabled");
    EXPECT_EQ(quiet.finish(), "");

    // Valid files are read, but nothing compiles: the path and the status text appear.
    ScratchDir dir;
    const std::string vertexPath = dir.write("a.vert", kPassVertex);
    ShaderLibrary library;
    StdoutCapture creation;
    EXPECT_EQ(library.createProgram(vertexPath.c_str(),
                                    dir.write("a.frag", kFourUniformFragment).c_str()),
              nullptr);
    EXPECT_EQ(creation.finish(), kUnavailableLine);
    EXPECT_EQ(shownBoxes(), (std::vector<std::string>{vertexPath, "(e0000) GLSL not enabled"}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    hiddenName = nullptr;
}

TEST(GlslAvailability, CheckWithoutContextCachesNothingAndLaterSucceeds) {
    ASSERT_FALSE(GlslAvailable) << "needs a process in which no availability check succeeded";
    setGlProcLookup(recordingLookup);
    // No GL context exists: every name is missing, and each check asks for all of them again.
    lookedUp.clear();
    EXPECT_FALSE(isGlslAvailable());
    EXPECT_FALSE(isGlslAvailable());
    EXPECT_EQ(lookedUp.size(), 2 * kLookupOrder.size());

    OffscreenGl gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    lookedUp.clear();
    EXPECT_TRUE(isGlslAvailable());
    EXPECT_EQ(lookedUp, kLookupOrder);
    // From now on a check is the flag alone, and a program is made without a word.
    lookedUp.clear();
    StdoutCapture capture;
    {
        ShaderProgram program;
        EXPECT_NE(program.handle, 0u);
    }
    EXPECT_EQ(capture.finish(), "");
    EXPECT_TRUE(lookedUp.empty());
}
