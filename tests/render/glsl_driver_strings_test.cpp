// The extension test, the announcement and the error report against driver answers that
// llvmpipe never gives on its own: this executable puts its own glGetString and glGetError in
// front of the GL library's (both pass everything else through to the real ones).
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <deque>
#include <string>

#include "shader/glsl_shaders.h"
#include "shader_test_support.h"
#include "support/offscreen_gl.h"

namespace {

bool replaceExtensions = false;
const char* extensionString = nullptr;
std::deque<GLenum> pendingErrors; // reported before whatever the driver has

} // namespace

extern "C" const GLubyte* glGetString(GLenum name) {
    static const auto real =
        reinterpret_cast<const GLubyte* (*)(GLenum)>(dlsym(RTLD_NEXT, "glGetString"));
    if (name == GL_EXTENSIONS && replaceExtensions) {
        return reinterpret_cast<const GLubyte*>(extensionString);
    }
    return real(name);
}

extern "C" GLenum glGetError() {
    static const auto real = reinterpret_cast<GLenum (*)()>(dlsym(RTLD_NEXT, "glGetError"));
    if (!pendingErrors.empty()) {
        const GLenum error = pendingErrors.front();
        pendingErrors.pop_front();
        return error;
    }
    return real();
}

namespace {

class DriverStrings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok()) << gl.error();
        setGlProcLookup(OffscreenGl::lookup);
        replaceExtensions = false;
        pendingErrors.clear();
    }
    void TearDown() override { replaceExtensions = false; }

    OffscreenGl gl;
};

std::string errorText(GLenum error) {
    return reinterpret_cast<const char*>(gluErrorString(error));
}

} // namespace

TEST_F(DriverStrings, ExtensionNamesMatchAsPlainSubstrings) {
    EXPECT_TRUE(hasGlExtension("GL_ARB_shader_objects")); // the driver's own string
    replaceExtensions = true;
    extensionString = "GL_EXT_texture GL_ARB_vertex_shader_tessellated GL_ARB_shader_objects";
    EXPECT_TRUE(hasGlExtension("GL_ARB_vertex_shader")); // leading part of a longer name
    EXPECT_TRUE(hasGlExtension("shader_obj"));
    EXPECT_FALSE(hasGlExtension("GL_ARB_fragment_shader"));
    extensionString = nullptr;
    EXPECT_FALSE(hasGlExtension("GL_ARB_shader_objects"));
}

TEST_F(DriverStrings, EachMissingNameGivesOneUnflushedWarning) {
    replaceExtensions = true;
    extensionString = "GL_ARB_shader_objects GL_ARB_vertex_shader GL_ARB_fragment_shader";
    StdoutCapture capture;
    announceGlslSupport();
    EXPECT_EQ(capture.written(), "");
    EXPECT_EQ(capture.finish(), "**warning** GL_ARB_shading_language_100 not defined!!\n");
    EXPECT_TRUE(GlslAvailable); // the names only warn
}

// Two pending errors, a queued one and then the one the driver really holds: a flushed line
// each, in order; after that nothing is pending and nothing is written.
TEST_F(DriverStrings, EveryPendingErrorGetsItsOwnFlushedLineInOrder) {
    glEnable(0x7fff); // not a capability: GL_INVALID_ENUM
    pendingErrors = {GL_INVALID_VALUE};
    StdoutCapture capture;
    EXPECT_TRUE(reportGlErrors("glsl_shaders.cpp", 77));
    const std::string expected = "GL Error #1281(" + errorText(GL_INVALID_VALUE) +
                                 ")  in File glsl_shaders.cpp at line: 77\nGL Error #1280(" +
                                 errorText(GL_INVALID_ENUM) +
                                 ")  in File glsl_shaders.cpp at line: 77\n";
    EXPECT_EQ(capture.written(), expected);
    EXPECT_EQ(capture.finish(), expected);

    StdoutCapture quiet;
    EXPECT_FALSE(reportGlErrors("glsl_shaders.cpp", 6));
    EXPECT_EQ(quiet.finish(), "");
}
