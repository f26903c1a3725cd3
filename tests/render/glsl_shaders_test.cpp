// Stages, programs, uniforms and the library against a real GL context, with the GL calls
// that create, attach and delete objects recorded on their way to the driver.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "shader/glsl_shaders.h"
#include "shader_test_support.h"
#include "support/offscreen_gl.h"

namespace {

// ---- Recording the object calls ----------------------------------------------------------

std::vector<std::string>& glCalls() {
    static std::vector<std::string> calls;
    return calls;
}
std::string h(GLhandleARB handle) {
    return std::to_string(handle);
}

struct RealCalls {
    PFNGLCOMPILESHADERARBPROC compile;
    PFNGLATTACHOBJECTARBPROC attach;
    PFNGLDETACHOBJECTARBPROC detach;
    PFNGLDELETEOBJECTARBPROC remove;
    PFNGLLINKPROGRAMARBPROC link;
    PFNGLSHADERSOURCEARBPROC source;
} real;

void APIENTRY recordCompile(GLhandleARB shader) {
    glCalls().push_back("compile " + h(shader));
    real.compile(shader);
}
void APIENTRY recordAttach(GLhandleARB program, GLhandleARB shader) {
    glCalls().push_back("attach " + h(program) + " " + h(shader));
    real.attach(program, shader);
}
void APIENTRY recordDetach(GLhandleARB program, GLhandleARB shader) {
    glCalls().push_back("detach " + h(program) + " " + h(shader));
    real.detach(program, shader);
}
void APIENTRY recordDelete(GLhandleARB object) {
    glCalls().push_back("delete " + h(object));
    real.remove(object);
}
void APIENTRY recordLink(GLhandleARB program) {
    glCalls().push_back("link " + h(program));
    real.link(program);
}
void APIENTRY recordSource(GLhandleARB shader, GLsizei count, const GLcharARB** text,
                           const GLint* length) {
    glCalls().push_back("source " + h(shader) + " " + std::to_string(length ? *length : -1));
    real.source(shader, count, text, length);
}

template <class Proc> void* swap(void* address, Proc& realSlot, Proc recorder) {
    realSlot = reinterpret_cast<Proc>(address);
    return reinterpret_cast<void*>(recorder);
}

void* recordingLookup(const char* name) {
    void* address = OffscreenGl::lookup(name);
    if (address == nullptr) {
        return nullptr;
    }
    const std::string n = name;
    if (n == "glCompileShaderARB") {
        return swap(address, real.compile, &recordCompile);
    }
    if (n == "glAttachObjectARB") {
        return swap(address, real.attach, &recordAttach);
    }
    if (n == "glDetachObjectARB") {
        return swap(address, real.detach, &recordDetach);
    }
    if (n == "glDeleteObjectARB") {
        return swap(address, real.remove, &recordDelete);
    }
    if (n == "glLinkProgramARB") {
        return swap(address, real.link, &recordLink);
    }
    if (n == "glShaderSourceARB") {
        return swap(address, real.source, &recordSource);
    }
    return address;
}

size_t countCalls(const std::string& call) {
    size_t n = 0;
    for (const std::string& c : glCalls()) {
        n += c == call ? 1 : 0;
    }
    return n;
}

// ---- Sources ------------------------------------------------------------------------------

const char* const kBrokenVertex = "void main()\n"
                                  "{\n"
                                  "    gl_Position = notDeclaredAnywhere;\n"
                                  "}\n";
// Compiles, but the function it calls is defined nowhere, so linking fails.
const char* const kUnlinkableVertex = "vec4 placeOnScreen();\n"
                                      "void main()\n"
                                      "{\n"
                                      "    gl_Position = placeOnScreen();\n"
                                      "}\n";
const char* const kFragmentWithoutSlider = "uniform sampler2D texture;\n"
                                           "uniform float slider2;\n"
                                           "uniform float time;\n"
                                           "void main()\n"
                                           "{\n"
                                           "    vec4 c = texture2D(texture, gl_TexCoord[0].st);\n"
                                           "    gl_FragColor = c * slider2 + vec4(time);\n"
                                           "}\n";

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
        glCalls().clear();
    }

    // A stage of the given kind read from a file with the given text.
    template <class Stage> Stage* stageFrom(const char* name, const char* text) {
        auto* stage = new Stage;
        EXPECT_TRUE(stage->readSourceFile(dir.write(name, text).c_str()));
        return stage;
    }

    OffscreenGl gl;
    ScratchDir dir;
};

} // namespace

TEST_F(GlslShaders, ErrorReportWritesOneFlushedLinePerErrorAndNothingWithoutOne) {
    StdoutCapture quiet;
    EXPECT_FALSE(reportGlErrors("glsl_shaders.cpp", 10));
    EXPECT_EQ(quiet.finish(), "");

    glEnable(0x7fff); // not a capability: GL_INVALID_ENUM
    const std::string description = reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM));
    ASSERT_FALSE(description.empty());
    StdoutCapture capture;
    EXPECT_TRUE(reportGlErrors("glsl_shaders.cpp", -42));
    const std::string expected =
        "GL Error #1280(" + description + ")  in File glsl_shaders.cpp at line: -42\n";
    EXPECT_EQ(capture.written(), expected);
    EXPECT_EQ(capture.finish(), expected);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlslShaders, PostProcessShadersBuildLinkAndWriteNothing) {
    ShaderLibrary library;
    const std::string vertexPath = builtShaderPath("default.vert");
    const std::string fragmentPath = builtShaderPath("blur.frag");
    StdoutCapture capture;
    ShaderProgram* program = library.createProgram(vertexPath.c_str(), fragmentPath.c_str());
    const std::string log = capture.finish();
    ASSERT_NE(program, nullptr) << log;
    EXPECT_EQ(log, ""); // llvmpipe offers all four extension names
    EXPECT_TRUE(shownBoxes().empty());
    EXPECT_TRUE(program->linked);
    EXPECT_TRUE(program->ownsStages);
    ASSERT_EQ(program->stages.size(), 2u);
    EXPECT_EQ(program->stages[0]->kind, VertexStageKind);
    EXPECT_EQ(program->stages[1]->kind, FragmentStageKind);
    EXPECT_EQ(library.programs, std::vector<ShaderProgram*>{program});

    // The frame's calls all find their uniform.
    StdoutCapture frame;
    program->beginUse();
    EXPECT_TRUE(program->setUniformInt("texture", 0));
    EXPECT_TRUE(program->setUniformFloat("slider", 0.0055f));
    EXPECT_TRUE(program->setUniformFloat("slider2", 0.5f));
    EXPECT_TRUE(program->setUniformFloat("time", 81.25f));
    program->endUse();
    EXPECT_EQ(frame.finish(), "");
}

TEST_F(GlslShaders, VertexCompileFailureShowsPathThenLogAndNeverCompilesTheFragment) {
    const std::string vertexPath = dir.write("broken.vert", kBrokenVertex);
    const std::string fragmentPath = dir.write("fine.frag", kFourUniformFragment);
    ShaderLibrary library;
    StdoutCapture capture;
    EXPECT_EQ(library.createProgram(vertexPath.c_str(), fragmentPath.c_str()), nullptr);
    EXPECT_EQ(capture.finish(), "");
    ASSERT_EQ(shownBoxes().size(), 2u);
    EXPECT_EQ(shownBoxes()[0], vertexPath);
    EXPECT_NE(shownBoxes()[1].find("notDeclaredAnywhere"), std::string::npos) << shownBoxes()[1];
    EXPECT_TRUE(library.programs.empty());

    size_t compiles = 0;
    size_t deletes = 0;
    for (const std::string& call : glCalls()) {
        compiles += call.rfind("compile ", 0) == 0 ? 1 : 0;
        deletes += call.rfind("delete ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(compiles, 1u);
    EXPECT_EQ(deletes, 3u) << "the program and both shader objects go with the attempt";
}

TEST_F(GlslShaders, MissingSourceFileShowsOneBoxAndCompilesNothing) {
    const std::string vertexPath = dir.write("fine.vert", kPassVertex);
    const std::string fragmentPath = dir.write("fine.frag", kFourUniformFragment);
    const std::string missing = dir.pathOf("missing.frag");
    ShaderLibrary library;

    StdoutCapture capture;
    EXPECT_EQ(library.createProgram(vertexPath.c_str(), missing.c_str()), nullptr);
    EXPECT_EQ(shownBoxes(), std::vector<std::string>{"error: can't load fragment shader!"});

    shownBoxes().clear();
    EXPECT_EQ(library.createProgram(missing.c_str(), fragmentPath.c_str()), nullptr);
    EXPECT_EQ(shownBoxes(), std::vector<std::string>{"error: can't load vertex shader!"});
    EXPECT_EQ(capture.finish(), "");

    for (const std::string& call : glCalls()) {
        EXPECT_NE(call.rfind("compile ", 0), 0u) << call;
    }
    EXPECT_TRUE(library.programs.empty());
}

TEST_F(GlslShaders, LinkFailureWritesTheLogAndShowsNoBox) {
    const std::string vertexPath = dir.write("unlinkable.vert", kUnlinkableVertex);
    const std::string fragmentPath = dir.write("fine.frag", kFourUniformFragment);
    ShaderLibrary library;
    StdoutCapture capture;
    EXPECT_EQ(library.createProgram(vertexPath.c_str(), fragmentPath.c_str()), nullptr);
    // The log line ends the output and flushes everything before it.
    const std::string written = capture.written();
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
    const std::string vertexPath = dir.write("fine.vert", kPassVertex);
    const std::string fragmentPath = dir.write("noslider.frag", kFragmentWithoutSlider);
    ShaderLibrary library;
    ShaderProgram* program = library.createProgram(vertexPath.c_str(), fragmentPath.c_str());
    ASSERT_NE(program, nullptr);

    StdoutCapture capture;
    for (int frame = 0; frame < 3; ++frame) {
        program->beginUse();
        EXPECT_TRUE(program->setUniformInt("texture", 0));
        EXPECT_FALSE(program->setUniformFloat("slider", 0.0055f));
        EXPECT_TRUE(program->setUniformFloat("slider2", 1.75f + frame));
        EXPECT_TRUE(program->setUniformFloat("time", 100.5f + frame));
        program->endUse();
    }
    const std::string line = "Error: can't find uniform variable \"slider\"\n";
    EXPECT_EQ(capture.finish(), line + line + line);

    // The last frame's values reached the program.
    GLfloat value = 0.0f;
    GlslEntryPoints.glGetUniformfvARB(program->handle, program->uniformLocation("slider2"), &value);
    EXPECT_FLOAT_EQ(value, 3.75f);
    GlslEntryPoints.glGetUniformfvARB(program->handle, program->uniformLocation("time"), &value);
    EXPECT_FLOAT_EQ(value, 102.5f);
}

TEST_F(GlslShaders, AttachStageCompilesAnUncompiledStageFirst) {
    auto* valid = stageFrom<VertexStage>("fine.vert", kPassVertex);
    auto* broken = stageFrom<VertexStage>("broken.vert", kBrokenVertex);
    auto* program = new ShaderProgram;

    StdoutCapture capture;
    program->attachStage(valid);
    program->attachStage(broken);
    program->attachStage(nullptr);
    // Messages that carry their own newline stay in the stream's buffer.
    EXPECT_EQ(capture.written(), "");
    EXPECT_EQ(capture.finish(),
              "**warning** please compile program before adding object! trying to compile "
              "now...\n...ok!\n"
              "**warning** please compile program before adding object! trying to compile "
              "now...\n...compile ERROR!\n");
    EXPECT_EQ(program->stages, std::vector<ShaderStage*>{valid});
    EXPECT_TRUE(valid->compiled);
    EXPECT_FALSE(broken->compiled);

    // Attaching an already compiled stage says nothing.
    StdoutCapture quiet;
    program->attachStage(valid);
    EXPECT_EQ(quiet.finish(), "");
    EXPECT_EQ(program->stages.size(), 2u);

    StdoutCapture glErrors; // never linked, so GL objects to each detach
    delete program;         // does not own them
    glErrors.finish();
    delete valid;
    delete broken;
}

TEST_F(GlslShaders, RelinkWarnsOnceThenDetachesAndReattachesEveryStage) {
    auto* vertex = stageFrom<VertexStage>("fine.vert", kPassVertex);
    auto* fragment = stageFrom<FragmentStage>("fine.frag", kFourUniformFragment);
    ASSERT_TRUE(vertex->compileSource());
    ASSERT_TRUE(fragment->compileSource());
    auto* program = new ShaderProgram;
    program->ownsStages = true;
    program->attachStage(vertex);
    program->attachStage(fragment);
    ASSERT_TRUE(program->linkStages());

    glCalls().clear();
    StdoutCapture capture;
    EXPECT_TRUE(program->linkStages());
    const std::string warning = "**warning** Object is already linked, trying to link again\n";
    EXPECT_EQ(capture.written(), warning); // a line the module ends itself is flushed
    EXPECT_EQ(capture.finish(), warning);
    const std::string p = h(program->handle);
    const std::string v = h(vertex->handle);
    const std::string f = h(fragment->handle);
    EXPECT_EQ(glCalls(), (std::vector<std::string>{"detach " + p + " " + v, "detach " + p + " " + f,
                                                   "attach " + p + " " + v, "attach " + p + " " + f,
                                                   "link " + p}));
    delete program;
}

TEST_F(GlslShaders, EndUseReturnsToFixedFunctionEvenForAnUnlinkedProgram) {
    const std::string vertexPath = dir.write("fine.vert", kPassVertex);
    const std::string fragmentPath = dir.write("fine.frag", kFourUniformFragment);
    ShaderLibrary library;
    ShaderProgram* linked = library.createProgram(vertexPath.c_str(), fragmentPath.c_str());
    ASSERT_NE(linked, nullptr);
    ShaderProgram unlinked;

    linked->beginUse();
    EXPECT_EQ(GlslEntryPoints.glGetHandleARB(GL_PROGRAM_OBJECT_ARB), linked->handle);
    unlinked.beginUse(); // not linked: nothing happens
    EXPECT_EQ(GlslEntryPoints.glGetHandleARB(GL_PROGRAM_OBJECT_ARB), linked->handle);
    unlinked.endUse();
    EXPECT_EQ(GlslEntryPoints.glGetHandleARB(GL_PROGRAM_OBJECT_ARB), 0u);
}

TEST_F(GlslShaders, SourceIsReadWholeEndsAtItsZeroByteAndSurvivesAFailedRead) {
    // CR LF line ends: this platform's text mode keeps every byte, and the text ends right
    // after the last byte read.
    const std::string crlf = "void main()\r\n{\r\n    gl_Position = ftransform();\r\n}\r\n";
    VertexStage stage;
    EXPECT_FALSE(stage.ownsSource);
    ASSERT_TRUE(stage.readSourceFile(dir.write("crlf.vert", crlf).c_str()));
    EXPECT_TRUE(stage.ownsSource);
    ASSERT_NE(stage.source, nullptr);
    EXPECT_EQ(std::string(stage.source), crlf);
    EXPECT_TRUE(stage.compileSource()) << stage.compileLogText();

    // A failed read leaves the stage as it was.
    const char* before = stage.source;
    EXPECT_FALSE(stage.readSourceFile(dir.pathOf("missing.vert").c_str()));
    EXPECT_FALSE(stage.readSourceFile(nullptr));
    EXPECT_EQ(stage.source, before);

    // Bytes after a zero byte never reach GL.
    const std::string head = "void main() { gl_Position = ftransform(); }\n";
    const std::string withZero = head + std::string(1, '\0') + "this is not GLSL }}}";
    ASSERT_TRUE(stage.readSourceFile(dir.write("zero.vert", withZero).c_str()));
    glCalls().clear();
    EXPECT_TRUE(stage.compileSource());
    EXPECT_EQ(glCalls().front(), "source " + h(stage.handle) + " " + std::to_string(head.size()));
}

TEST_F(GlslShaders, LogFetchKeepsTheLastLogAndFallsBackToStatusTexts) {
    VertexStage stage;
    EXPECT_STREQ(stage.compileLogText(), "(e0004) unknown compiler error"); // nothing yet
    ASSERT_TRUE(stage.readSourceFile(dir.write("broken.vert", kBrokenVertex).c_str()));
    EXPECT_FALSE(stage.compileSource());
    const char* log = stage.compileLogText();
    ASSERT_EQ(log, stage.compileLog);
    const std::string failure = log;
    EXPECT_NE(failure.find("notDeclaredAnywhere"), std::string::npos) << failure;

    // A cleanly compiled fresh object has no GL log (length 0), so a log from an earlier
    // fetch is what the getter keeps returning.
    VertexStage clean;
    ASSERT_TRUE(clean.readSourceFile(dir.write("fine.vert", kPassVertex).c_str()));
    EXPECT_TRUE(clean.compileSource());
    EXPECT_STREQ(clean.compileLogText(), "(e0004) unknown compiler error");
    clean.compileLog = strdup("an earlier log");
    const char* earlier = clean.compileLog;
    EXPECT_EQ(clean.compileLogText(), earlier);
    EXPECT_STREQ(clean.compileLogText(), "an earlier log");

    ShaderStage plain; // no GL object
    EXPECT_STREQ(plain.compileLogText(), "(e0001) not a valid program object");
    EXPECT_EQ(plain.kind, PlainStage);
    ShaderProgram program;
    const GLhandleARB handle = program.handle;
    program.handle = 0;
    EXPECT_STREQ(program.linkLogText(), "(e0002) not a valid object");
    program.handle = handle;
    EXPECT_STREQ(program.linkLogText(), "(e0004) unknown compiler error");
}

TEST_F(GlslShaders, StageListedTwiceIsDestroyedOnce) {
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
    glCalls().clear();
    delete program;
    capture.finish();
    EXPECT_EQ(countCalls("delete " + v), 1u);
    EXPECT_EQ(countCalls("delete " + f), 1u);
    EXPECT_EQ(countCalls("delete " + p), 1u);
    EXPECT_EQ(countCalls("detach " + p + " " + v), 2u);
    EXPECT_EQ(glCalls().back(), "delete " + p);
}

TEST_F(GlslShaders, LibraryDestroysItsProgramsOldestFirst) {
    const std::string vertexPath = dir.write("fine.vert", kPassVertex);
    const std::string fragmentPath = dir.write("fine.frag", kFourUniformFragment);
    std::vector<std::string> expected;
    {
        ShaderLibrary library;
        for (int i = 0; i < 2; ++i) {
            ShaderProgram* program =
                library.createProgram(vertexPath.c_str(), fragmentPath.c_str());
            ASSERT_NE(program, nullptr);
            for (const ShaderStage* stage : program->stages) {
                expected.push_back("delete " + h(stage->handle));
            }
            expected.push_back("delete " + h(program->handle));
        }
        glCalls().clear();
    }
    std::vector<std::string> deletes;
    for (const std::string& call : glCalls()) {
        if (call.rfind("delete ", 0) == 0) {
            deletes.push_back(call);
        }
    }
    EXPECT_EQ(deletes, expected);
}

// ---- The process-wide library at exit -----------------------------------------------------

namespace {

std::vector<std::pair<GLhandleARB, std::string>> exitLabels;

void APIENTRY labelDelete(GLhandleARB object) {
    for (const auto& [handle, label] : exitLabels) {
        if (handle == object) {
            // Only a current context answers this.
            const bool current = glGetString(GL_VERSION) != nullptr;
            const std::string text = label + (current ? " deleted with context\n" : " orphaned\n");
            [[maybe_unused]] const ssize_t n = write(2, text.data(), text.size());
        }
    }
    real.remove(object);
}

void* exitLookup(const char* name) {
    void* address = OffscreenGl::lookup(name);
    if (address != nullptr && std::strcmp(name, "glDeleteObjectARB") == 0) {
        return swap(address, real.remove, &labelDelete);
    }
    return address;
}

[[noreturn]] void buildTwoProgramsAndExit(const std::string& vertexPath,
                                          const std::string& fragmentPath) {
    // Made before the library's first use, so it is still there when the library goes.
    static OffscreenGl gl;
    setGlProcLookup(exitLookup);
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
