// Stages, programs and uniforms against a real GL context: what each failure shows, writes
// and leaves behind, and the uniforms that reach the program every frame.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "shader/glsl_shaders.h"
#include "shader_test_support.h"
#include "support/offscreen_gl.h"

namespace {

const char* const kBrokenVertex = "void main() { gl_Position = notDeclaredAnywhere; }\n";
// Compiles, but the function it calls is defined nowhere, so linking fails.
const char* const kUnlinkableVertex =
    "vec4 placeOnScreen();\nvoid main() { gl_Position = placeOnScreen(); }\n";

class GlslShaders : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok()) << gl.error();
        setGlProcLookup(OffscreenGl::lookup);
        setShaderMessageBox(recordBox);
        ASSERT_TRUE(isGlslAvailable());
        ASSERT_TRUE(loadAttribEntryPoints()); // fresh addresses for this test's context
        ASSERT_TRUE(loadObjectEntryPoints());
        shownBoxes().clear();
    }
    ShaderProgram* create(const char* vertexText, const char* fragmentText) {
        return library.createProgram(shaderFile("a.vert", vertexText).c_str(),
                                     shaderFile("a.frag", fragmentText).c_str());
    }

    OffscreenGl gl;
    ShaderLibrary library;
};

} // namespace

// A stage that does not compile shows its path, then the compiler's log; a missing file shows
// which stage could not be loaded; neither writes to standard output or keeps a program.
TEST_F(GlslShaders, CompileFailureAndMissingFilesShowTheirBoxes) {
    StdoutCapture capture;
    EXPECT_EQ(create(kBrokenVertex, kFourUniformFragment), nullptr);
    ASSERT_EQ(shownBoxes().size(), 2u);
    EXPECT_EQ(shownBoxes()[0], tempPath("a.vert"));
    EXPECT_NE(shownBoxes()[1].find("notDeclaredAnywhere"), std::string::npos) << shownBoxes()[1];
    const std::string vertex = shaderFile("b.vert", kPassVertex);
    const std::string missing = tempPath("missing");
    for (const auto& [v, f, box] :
         {std::tuple{vertex, missing, "error: can't load fragment shader!"},
          std::tuple{missing, vertex, "error: can't load vertex shader!"}}) {
        shownBoxes().clear();
        EXPECT_EQ(library.createProgram(v.c_str(), f.c_str()), nullptr);
        EXPECT_EQ(shownBoxes(), std::vector<std::string>{box});
    }
    EXPECT_EQ(capture.finish(), "");
    EXPECT_TRUE(library.programs.empty());
}

TEST_F(GlslShaders, LinkFailureWritesTheLogAndShowsNoBox) {
    StdoutCapture capture;
    EXPECT_EQ(create(kUnlinkableVertex, kFourUniformFragment), nullptr);
    const std::string log = capture.finish();
    const std::string head = "**linker error**\n**LINKER ERROR\n";
    ASSERT_EQ(log.rfind(head, 0), 0u) << log;
    EXPECT_NE(log.find("placeOnScreen", head.size()), std::string::npos) << log;
    EXPECT_TRUE(shownBoxes().empty());
    EXPECT_TRUE(library.programs.empty());
}

TEST_F(GlslShaders, MissingUniformIsReportedEveryFrameWhileTheOthersAreSet) {
    ShaderProgram* program = create(kPassVertex, "uniform sampler2D texture;\n"
                                                 "uniform float slider2, time;\n"
                                                 "void main() {\n"
                                                 "    vec4 c = texture2D(texture, vec2(0.5));\n"
                                                 "    gl_FragColor = c * slider2 + vec4(time);\n"
                                                 "}\n");
    ASSERT_NE(program, nullptr);
    StdoutCapture capture;
    for (int frame = 0; frame < 2; ++frame) {
        program->beginUse();
        EXPECT_TRUE(program->setUniformInt("texture", 0));
        EXPECT_FALSE(program->setUniformFloat("slider", 0.0055f));
        EXPECT_TRUE(program->setUniformFloat("slider2", 1.75f + frame));
        EXPECT_TRUE(program->setUniformFloat("time", 100.5f + frame));
        program->endUse();
    }
    const std::string line = "Error: can't find uniform variable \"slider\"\n";
    EXPECT_EQ(capture.finish(), line + line);
    for (const auto& [name, expected] : {std::pair{"slider2", 2.75f}, std::pair{"time", 101.5f}}) {
        GLfloat value = 0.0f; // the last frame's values reached the program
        GlslEntryPoints.glGetUniformfvARB(program->handle, program->uniformLocation(name), &value);
        EXPECT_FLOAT_EQ(value, expected) << name;
    }
}

// A stage attached twice is destroyed once (the sanitizers would see a second delete).
TEST_F(GlslShaders, StageListedTwiceIsDestroyedOnce) {
    auto* vertex = new VertexStage;
    auto* fragment = new FragmentStage;
    ASSERT_TRUE(vertex->readSourceFile(shaderFile("v.vert", kPassVertex).c_str()));
    ASSERT_TRUE(fragment->readSourceFile(shaderFile("f.frag", kFourUniformFragment).c_str()));
    auto* program = new ShaderProgram;
    StdoutCapture capture; // GL itself objects to the second attach and detach
    program->attachStage(vertex);
    program->attachStage(fragment);
    program->attachStage(vertex);
    ASSERT_EQ(program->stages.size(), 3u);
    program->ownsStages = true;
    program->linkStages();
    delete program;
}

// A variant is built quietly: a program only where both files compile and link with the
// preamble and the result has the required uniform; otherwise null, with no box or line.
TEST_F(GlslShaders, VariantIsQuietAndKeptOnlyWhereTheSourceUsesThePreamble) {
    const std::string vertex = shaderFile("v.vert", kPassVertex);
    const std::string fragment =
        shaderFile("v.frag", "#ifdef EXTRA\n"
                             "uniform float extra;\n"
                             "#else\n"
                             "const float extra = 0.0;\n"
                             "#endif\n"
                             "void main() { gl_FragColor = vec4(extra); }\n");
    const std::string broken = shaderFile("broken.vert", kBrokenVertex);
    const std::string missing = tempPath("missing");
    StdoutCapture capture;
    for (const auto& [v, preamble, built] :
         {std::tuple{vertex, "#define EXTRA\n", true}, std::tuple{vertex, "#define OTHER\n", false},
          std::tuple{broken, "#define EXTRA\n", false},
          std::tuple{missing, "#define EXTRA\n", false}}) {
        const std::size_t before = library.programs.size();
        ShaderProgram* program =
            library.createVariant(v.c_str(), fragment.c_str(), preamble, {"extra"});
        EXPECT_EQ(program != nullptr, built) << v << " " << preamble;
        EXPECT_EQ(library.programs.size(), before + (built ? 1 : 0));
    }
    EXPECT_EQ(capture.finish(), "");
    EXPECT_TRUE(shownBoxes().empty());
}
