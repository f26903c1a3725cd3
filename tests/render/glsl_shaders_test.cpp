// Stages, programs, uniforms and the library against a real GL context, with the GL calls
// that compile, attach, detach, link and delete objects recorded on their way to the driver.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "shader/glsl_shaders.h"
#include "shader_test_support.h"
#include "support/offscreen_gl.h"

namespace {

std::vector<std::string> glCalls;
std::string h(GLhandleARB handle) {
    return std::to_string(handle);
}
size_t countCalls(const std::string& call) {
    return std::count(glCalls.begin(), glCalls.end(), call);
}
size_t countCallsStarting(const std::string& prefix) {
    return std::count_if(glCalls.begin(), glCalls.end(),
                         [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
}

struct RealCalls {
    PFNGLCOMPILESHADERARBPROC compile;
    PFNGLATTACHOBJECTARBPROC attach;
    PFNGLDETACHOBJECTARBPROC detach;
    PFNGLDELETEOBJECTARBPROC remove;
    PFNGLLINKPROGRAMARBPROC link;
} real;

void APIENTRY recordCompile(GLhandleARB shader) {
    glCalls.push_back("compile " + h(shader));
    real.compile(shader);
}
void APIENTRY recordAttach(GLhandleARB program, GLhandleARB shader) {
    glCalls.push_back("attach " + h(program) + " " + h(shader));
    real.attach(program, shader);
}
void APIENTRY recordDetach(GLhandleARB program, GLhandleARB shader) {
    glCalls.push_back("detach " + h(program) + " " + h(shader));
    real.detach(program, shader);
}
// Handles the at-exit test labels; their deletion is written to stderr.
std::vector<std::pair<GLhandleARB, std::string>> exitLabels;

void APIENTRY recordDelete(GLhandleARB object) {
    glCalls.push_back("delete " + h(object));
    for (const auto& [handle, label] : exitLabels) {
        if (handle == object) {
            const bool current = glGetString(GL_VERSION) != nullptr; // only with a context
            const std::string text = label + (current ? " deleted with context\n" : " orphaned\n");
            [[maybe_unused]] const ssize_t n = write(2, text.data(), text.size());
        }
    }
    real.remove(object);
}
void APIENTRY recordLink(GLhandleARB program) {
    glCalls.push_back("link " + h(program));
    real.link(program);
}

template <class Proc> void* swap(void* address, Proc& realSlot, Proc recorder) {
    realSlot = reinterpret_cast<Proc>(address);
    return reinterpret_cast<void*>(recorder);
}

void* recordingLookup(const char* name) {
    void* address = OffscreenGl::lookup(name);
    const std::string n = name;
    return address == nullptr          ? nullptr
           : n == "glCompileShaderARB" ? swap(address, real.compile, &recordCompile)
           : n == "glAttachObjectARB"  ? swap(address, real.attach, &recordAttach)
           : n == "glDetachObjectARB"  ? swap(address, real.detach, &recordDetach)
           : n == "glDeleteObjectARB"  ? swap(address, real.remove, &recordDelete)
           : n == "glLinkProgramARB"   ? swap(address, real.link, &recordLink)
                                       : address;
}

const char* const kBrokenVertex = "void main() { gl_Position = notDeclaredAnywhere; }\n";
// Compiles, but the function it calls is defined nowhere, so linking fails.
const char* const kUnlinkableVertex =
    "vec4 placeOnScreen();\nvoid main() { gl_Position = placeOnScreen(); }\n";

class GlslShaders : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok()) << gl.error();
        setGlProcLookup(recordingLookup);
        setShaderMessageBox(recordBox);
        ASSERT_TRUE(isGlslAvailable());
        // Fresh addresses for this test's context.
        ASSERT_TRUE(loadAttribEntryPoints());
        ASSERT_TRUE(loadObjectEntryPoints());
        while (glGetError() != GL_NO_ERROR) {
        }
        shownBoxes().clear();
        glCalls.clear();
    }

    ShaderProgram* create(const char* vertexText, const char* fragmentText) {
        return library.createProgram(dir.write("a.vert", vertexText).c_str(),
                                     dir.write("a.frag", fragmentText).c_str());
    }
    template <class Stage> Stage* stageFrom(const char* name, const char* text) {
        auto* stage = new Stage;
        EXPECT_TRUE(stage->readSourceFile(dir.write(name, text).c_str()));
        return stage;
    }

    OffscreenGl gl;
    ScratchDir dir;
    ShaderLibrary library;
};

} // namespace

TEST_F(GlslShaders, VertexCompileFailureShowsPathThenLogAndNeverCompilesTheFragment) {
    StdoutCapture capture;
    EXPECT_EQ(create(kBrokenVertex, kFourUniformFragment), nullptr);
    EXPECT_EQ(capture.finish(), "");
    ASSERT_EQ(shownBoxes().size(), 2u);
    EXPECT_EQ(shownBoxes()[0], dir.pathOf("a.vert"));
    EXPECT_NE(shownBoxes()[1].find("notDeclaredAnywhere"), std::string::npos) << shownBoxes()[1];
    EXPECT_TRUE(library.programs.empty());
    EXPECT_EQ(countCallsStarting("compile "), 1u);
    EXPECT_EQ(countCallsStarting("delete "), 3u) << "the program and both shader objects go";
}

TEST_F(GlslShaders, MissingSourceFileShowsOneBoxAndCompilesNothing) {
    const std::string vertexPath = dir.write("a.vert", kPassVertex);
    const std::string fragmentPath = dir.write("a.frag", kFourUniformFragment);
    const std::string missing = dir.pathOf("missing");
    StdoutCapture capture;
    EXPECT_EQ(library.createProgram(vertexPath.c_str(), missing.c_str()), nullptr);
    EXPECT_EQ(shownBoxes(), std::vector<std::string>{"error: can't load fragment shader!"});
    shownBoxes().clear();
    EXPECT_EQ(library.createProgram(missing.c_str(), fragmentPath.c_str()), nullptr);
    EXPECT_EQ(shownBoxes(), std::vector<std::string>{"error: can't load vertex shader!"});
    EXPECT_EQ(capture.finish(), "");
    EXPECT_EQ(countCallsStarting("compile "), 0u);
    EXPECT_TRUE(library.programs.empty());
}

TEST_F(GlslShaders, LinkFailureWritesTheLogAndShowsNoBox) {
    StdoutCapture capture;
    EXPECT_EQ(create(kUnlinkableVertex, kFourUniformFragment), nullptr);
    const std::string written = capture.written(); // the last line flushes all before it
    const std::string log = capture.finish();
    EXPECT_EQ(written, log);
    const std::string head = "**linker error**\n**LINKER ERROR\n";
    ASSERT_EQ(log.rfind(head, 0), 0u) << log;
    EXPECT_NE(log.find("placeOnScreen", head.size()), std::string::npos) << log;
    EXPECT_EQ(log.back(), '\n');
    EXPECT_EQ(log.find("GL Error"), std::string::npos) << log;
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
        EXPECT_EQ(GlslEntryPoints.glGetHandleARB(GL_PROGRAM_OBJECT_ARB), program->handle);
        program->endUse();
        EXPECT_EQ(GlslEntryPoints.glGetHandleARB(GL_PROGRAM_OBJECT_ARB), 0u);
    }
    const std::string line = "Error: can't find uniform variable \"slider\"\n";
    EXPECT_EQ(capture.finish(), line + line);
    GLfloat value = 0.0f; // the last frame's values reached the program
    GlslEntryPoints.glGetUniformfvARB(program->handle, program->uniformLocation("slider2"), &value);
    EXPECT_FLOAT_EQ(value, 2.75f);
    GlslEntryPoints.glGetUniformfvARB(program->handle, program->uniformLocation("time"), &value);
    EXPECT_FLOAT_EQ(value, 101.5f);
}

TEST_F(GlslShaders, AttachStageCompilesAnUncompiledStageFirst) {
    StdoutCapture glErrors; // the program goes first; never linked, GL objects to its detach
    VertexStage valid;
    VertexStage broken;
    ASSERT_TRUE(valid.readSourceFile(dir.write("fine.vert", kPassVertex).c_str()));
    ASSERT_TRUE(broken.readSourceFile(dir.write("broken.vert", kBrokenVertex).c_str()));
    ShaderProgram program;
    StdoutCapture capture;
    program.attachStage(&valid);
    program.attachStage(&broken);
    program.attachStage(nullptr);
    EXPECT_EQ(capture.written(), ""); // messages ending in their own "\n" stay buffered
    const std::string warning =
        "**warning** please compile program before adding object! trying to compile now...\n";
    EXPECT_EQ(capture.finish(), warning + "...ok!\n" + warning + "...compile ERROR!\n");
    EXPECT_EQ(program.stages, std::vector<ShaderStage*>{&valid});
}

TEST_F(GlslShaders, RelinkWarnsOnceThenDetachesAndReattachesEveryStage) {
    ShaderProgram* program = create(kPassVertex, kFourUniformFragment);
    ASSERT_NE(program, nullptr);
    glCalls.clear();
    StdoutCapture capture;
    EXPECT_TRUE(program->linkStages());
    const std::string warning = "**warning** Object is already linked, trying to link again\n";
    EXPECT_EQ(capture.written(), warning); // a line the module ends itself is flushed
    EXPECT_EQ(capture.finish(), warning);
    const std::string p = h(program->handle);
    const std::string v = h(program->stages[0]->handle);
    const std::string f = h(program->stages[1]->handle);
    EXPECT_EQ(glCalls, (std::vector<std::string>{"detach " + p + " " + v, "detach " + p + " " + f,
                                                 "attach " + p + " " + v, "attach " + p + " " + f,
                                                 "link " + p}));
}

TEST_F(GlslShaders, CrLfSourceIsReadWholeAndAFailedReadChangesNothing) {
    // This platform's text mode keeps every byte; the text ends right after the last one.
    const std::string crlf = "void main()\r\n{\r\n    gl_Position = ftransform();\r\n}\r\n";
    VertexStage stage;
    ASSERT_TRUE(stage.readSourceFile(dir.write("crlf.vert", crlf).c_str()));
    ASSERT_NE(stage.source, nullptr);
    EXPECT_EQ(std::string(stage.source), crlf);
    EXPECT_TRUE(stage.compileSource()) << stage.compileLogText();

    const char* before = stage.source;
    EXPECT_FALSE(stage.readSourceFile(dir.pathOf("missing.vert").c_str()));
    EXPECT_FALSE(stage.readSourceFile(nullptr));
    EXPECT_EQ(stage.source, before);
}

TEST_F(GlslShaders, LogFetchKeepsTheLastLogAndFallsBackToStatusTexts) {
    VertexStage stage;
    EXPECT_STREQ(stage.compileLogText(), "(e0004) unknown compiler error"); // nothing yet
    ASSERT_TRUE(stage.readSourceFile(dir.write("broken.vert", kBrokenVertex).c_str()));
    EXPECT_FALSE(stage.compileSource());
    EXPECT_NE(std::string(stage.compileLogText()).find("notDeclaredAnywhere"), std::string::npos);

    // A cleanly compiled fresh object has no GL log (length 0), so an earlier log stays.
    VertexStage clean;
    ASSERT_TRUE(clean.readSourceFile(dir.write("fine.vert", kPassVertex).c_str()));
    EXPECT_TRUE(clean.compileSource());
    EXPECT_STREQ(clean.compileLogText(), "(e0004) unknown compiler error");
    clean.compileLog = strdup("an earlier log");
    EXPECT_STREQ(clean.compileLogText(), "an earlier log");

    ShaderStage plain; // no GL object
    EXPECT_STREQ(plain.compileLogText(), "(e0001) not a valid program object");
    ShaderProgram program;
    EXPECT_STREQ(program.linkLogText(), "(e0004) unknown compiler error");
}

TEST_F(GlslShaders, StageListedTwiceIsDestroyedOnceAndBeforeItsProgram) {
    auto* vertex = stageFrom<VertexStage>("fine.vert", kPassVertex);
    auto* fragment = stageFrom<FragmentStage>("fine.frag", kFourUniformFragment);
    auto* program = new ShaderProgram;
    program->attachStage(vertex);
    program->attachStage(fragment);
    program->attachStage(vertex);
    ASSERT_EQ(program->stages.size(), 3u);
    program->ownsStages = true;
    const std::string v = h(vertex->handle);
    const std::string f = h(fragment->handle);
    const std::string p = h(program->handle);
    StdoutCapture capture; // GL itself objects to the second attach and detach
    program->linkStages();
    glCalls.clear();
    delete program;
    capture.finish();
    EXPECT_EQ(countCalls("delete " + v), 1u);
    EXPECT_EQ(countCalls("delete " + f), 1u);
    EXPECT_EQ(glCalls.back(), "delete " + p);
}

// ---- The process-wide library at exit -----------------------------------------------------

namespace {

[[noreturn]] void buildTwoProgramsAndExit(const std::string& vertexPath,
                                          const std::string& fragmentPath) {
    // Made before the library's first use, so it is still there when the library goes.
    static OffscreenGl gl;
    setGlProcLookup(recordingLookup);
    for (const char* name : {"first", "second"}) {
        ShaderProgram* program =
            shaderLibrary().createProgram(vertexPath.c_str(), fragmentPath.c_str());
        if (program == nullptr) {
            std::exit(3);
        }
        exitLabels.emplace_back(program->handle, name);
    }
    std::exit(0);
}

} // namespace

TEST(GlslShadersAtExit, ProcessExitDestroysTheLibraryOldestFirstWithTheContextCurrent) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ScratchDir dir;
    const std::string vertexPath = dir.write("fine.vert", kPassVertex);
    const std::string fragmentPath = dir.write("fine.frag", kFourUniformFragment);
    EXPECT_EXIT(buildTwoProgramsAndExit(vertexPath, fragmentPath), ::testing::ExitedWithCode(0),
                "^first deleted with context\nsecond deleted with context\n$");
}
