#include "shader/glsl_shaders.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <type_traits>

#include "gfx/gl_replacements.h"

// Every GL call of this module is followed by a report naming this file and the call's line.
#ifdef __FILE_NAME__
#define REPORT_GL_ERRORS() reportGlErrors(__FILE_NAME__, __LINE__)
#else
#define REPORT_GL_ERRORS() reportGlErrors(__FILE__, __LINE__)
#endif

namespace {

GlProcLookup procLookup = nullptr;

void stderrMessageBox(const char* text) {
    std::fprintf(stderr, "Error: %s\n", text);
}
ShaderMessageBox messageBox = stderrMessageBox;

void showMessageBox(const char* text) {
    messageBox(text);
}

// Stores what the lookup gives for name (null included); true if it found the name.
template <class Proc> bool loadEntryPoint(Proc& slot, const char* name) {
    void* address = procLookup != nullptr ? procLookup(name) : nullptr;
    slot = reinterpret_cast<Proc>(address);
    return address != nullptr;
}

} // namespace

void setGlProcLookup(GlProcLookup lookup) {
    procLookup = lookup;
}
GlProcLookup glProcLookup() {
    return procLookup;
}
void setShaderMessageBox(ShaderMessageBox box) {
    messageBox = box != nullptr ? box : stderrMessageBox;
}

// ---------------------------------------------------------------------------------------------
// Entry points and capability checks

static_assert(sizeof(GlslEntryPointTable) == kGlslEntryPointCount * sizeof(void (*)()));

GlslEntryPointTable GlslEntryPoints = {};
bool GlslAvailable = false;

bool loadAttribEntryPoints() {
    GlslEntryPointTable& e = GlslEntryPoints;
    bool found = true;
    found = loadEntryPoint(e.glBindAttribLocationARB, "glBindAttribLocationARB") && found;
    found = loadEntryPoint(e.glGetActiveAttribARB, "glGetActiveAttribARB") && found;
    found = loadEntryPoint(e.glGetAttribLocationARB, "glGetAttribLocationARB") && found;
    return found;
}

bool loadObjectEntryPoints() {
    GlslEntryPointTable& e = GlslEntryPoints;
    bool found = true;
    found = loadEntryPoint(e.glDeleteObjectARB, "glDeleteObjectARB") && found;
    found = loadEntryPoint(e.glGetHandleARB, "glGetHandleARB") && found;
    found = loadEntryPoint(e.glDetachObjectARB, "glDetachObjectARB") && found;
    found = loadEntryPoint(e.glCreateShaderObjectARB, "glCreateShaderObjectARB") && found;
    found = loadEntryPoint(e.glShaderSourceARB, "glShaderSourceARB") && found;
    found = loadEntryPoint(e.glCompileShaderARB, "glCompileShaderARB") && found;
    found = loadEntryPoint(e.glCreateProgramObjectARB, "glCreateProgramObjectARB") && found;
    found = loadEntryPoint(e.glAttachObjectARB, "glAttachObjectARB") && found;
    found = loadEntryPoint(e.glLinkProgramARB, "glLinkProgramARB") && found;
    found = loadEntryPoint(e.glUseProgramObjectARB, "glUseProgramObjectARB") && found;
    found = loadEntryPoint(e.glValidateProgramARB, "glValidateProgramARB") && found;
    found = loadEntryPoint(e.glGetObjectParameterfvARB, "glGetObjectParameterfvARB") && found;
    found = loadEntryPoint(e.glGetObjectParameterivARB, "glGetObjectParameterivARB") && found;
    found = loadEntryPoint(e.glGetInfoLogARB, "glGetInfoLogARB") && found;
    found = loadEntryPoint(e.glGetAttachedObjectsARB, "glGetAttachedObjectsARB") && found;
    found = loadEntryPoint(e.glGetUniformLocationARB, "glGetUniformLocationARB") && found;
    found = loadEntryPoint(e.glGetActiveUniformARB, "glGetActiveUniformARB") && found;
    found = loadEntryPoint(e.glGetUniformfvARB, "glGetUniformfvARB") && found;
    found = loadEntryPoint(e.glGetUniformivARB, "glGetUniformivARB") && found;
    found = loadEntryPoint(e.glGetShaderSourceARB, "glGetShaderSourceARB") && found;
    found = loadEntryPoint(e.glUniform1fARB, "glUniform1fARB") && found;
    found = loadEntryPoint(e.glUniform2fARB, "glUniform2fARB") && found;
    found = loadEntryPoint(e.glUniform3fARB, "glUniform3fARB") && found;
    found = loadEntryPoint(e.glUniform4fARB, "glUniform4fARB") && found;
    found = loadEntryPoint(e.glUniform1iARB, "glUniform1iARB") && found;
    found = loadEntryPoint(e.glUniform2iARB, "glUniform2iARB") && found;
    found = loadEntryPoint(e.glUniform3iARB, "glUniform3iARB") && found;
    found = loadEntryPoint(e.glUniform4iARB, "glUniform4iARB") && found;
    found = loadEntryPoint(e.glUniform1fvARB, "glUniform1fvARB") && found;
    found = loadEntryPoint(e.glUniform2fvARB, "glUniform2fvARB") && found;
    found = loadEntryPoint(e.glUniform3fvARB, "glUniform3fvARB") && found;
    found = loadEntryPoint(e.glUniform4fvARB, "glUniform4fvARB") && found;
    found = loadEntryPoint(e.glUniform1ivARB, "glUniform1ivARB") && found;
    found = loadEntryPoint(e.glUniform2ivARB, "glUniform2ivARB") && found;
    found = loadEntryPoint(e.glUniform3ivARB, "glUniform3ivARB") && found;
    found = loadEntryPoint(e.glUniform4ivARB, "glUniform4ivARB") && found;
    found = loadEntryPoint(e.glUniformMatrix2fvARB, "glUniformMatrix2fvARB") && found;
    found = loadEntryPoint(e.glUniformMatrix3fvARB, "glUniformMatrix3fvARB") && found;
    found = loadEntryPoint(e.glUniformMatrix4fvARB, "glUniformMatrix4fvARB") && found;
    return found;
}

bool isGlslAvailable() {
    if (GlslAvailable) {
        return true;
    }
    const bool attribs = loadAttribEntryPoints();
    const bool objects = loadObjectEntryPoints();
    GlslAvailable = attribs && objects;
    return GlslAvailable;
}

bool hasGlExtension(const char* name) {
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions == nullptr || name == nullptr) {
        return false;
    }
    return std::strstr(extensions, name) != nullptr;
}

void announceGlslSupport() {
    if (!isGlslAvailable()) {
        std::cout << "Error initializing OpenGL Shading Language function pointers" << '\n'
                  << std::flush;
    }
    if (!hasGlExtension("GL_ARB_shader_objects")) {
        std::cout << "**warning** GL_ARB_shader_objects not defined!!\n";
    }
    if (!hasGlExtension("GL_ARB_vertex_shader")) {
        std::cout << "**warning** GL_ARB_vertex_shader not defined!!\n";
    }
    if (!hasGlExtension("GL_ARB_fragment_shader")) {
        std::cout << "**warning** GL_ARB_fragment_shader not defined!!\n";
    }
    if (!hasGlExtension("GL_ARB_shading_language_100")) {
        std::cout << "**warning** GL_ARB_shading_language_100 not defined!!\n";
    }
}

bool reportGlErrors(const char* file, int line) {
    GLenum error = glGetError();
    if (error == GL_NO_ERROR) {
        return false;
    }
    while (error != GL_NO_ERROR) {
        const char* description = glErrorText(error);
        std::cout << "GL Error #" << static_cast<unsigned>(error) << "("
                  << (description != nullptr ? description : "") << ") "
                  << " in File " << (file != nullptr ? file : "") << " at line: " << line << '\n'
                  << std::flush;
        error = glGetError();
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Stages

const char* const GlslStatusTexts[5] = {
    "(e0000) GLSL not enabled", "(e0001) not a valid program object", "(e0002) not a valid object",
    "(e0003) out of memory",    "(e0004) unknown compiler error",
};

namespace {

// Fetches the info log of a shader or program object into logBuffer (replacing it only when
// GL has a log longer than its terminator); returns the log or a status text.
const char* fetchInfoLog(GLhandleARB handle, char*& logBuffer, int invalidHandleText) {
    if (!GlslAvailable) {
        return GlslStatusTexts[0];
    }
    if (handle == 0) {
        return GlslStatusTexts[invalidHandleText];
    }
    GLint length = 0;
    GlslEntryPoints.glGetObjectParameterivARB(handle, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    REPORT_GL_ERRORS();
    if (length > 1) {
        std::free(logBuffer);
        logBuffer = static_cast<char*>(std::malloc(static_cast<size_t>(length)));
        if (logBuffer == nullptr) {
            std::printf("ERROR: Could not allocate compiler_log buffer\n");
            return GlslStatusTexts[3];
        }
        GLsizei written = 0;
        GlslEntryPoints.glGetInfoLogARB(handle, length, &written, logBuffer);
        REPORT_GL_ERRORS();
        // Whatever the driver wrote, the buffer ends in a terminator.
        logBuffer[std::clamp<GLsizei>(written, 0, length - 1)] = '\0';
    }
    return logBuffer != nullptr ? logBuffer : GlslStatusTexts[4];
}

} // namespace

ShaderStage::ShaderStage()
    : kind(PlainStage), handle(0), source(nullptr), compileLog(nullptr), compiled(false),
      ownsSource(false) {
    isGlslAvailable();
}

void ShaderStage::createGlObject(StageKind stageKind, GLenum glType) {
    kind = stageKind;
    if (GlslAvailable) {
        handle = GlslEntryPoints.glCreateShaderObjectARB(glType);
        REPORT_GL_ERRORS();
    }
}

VertexStage::VertexStage() {
    createGlObject(VertexStageKind, GL_VERTEX_SHADER_ARB);
}

FragmentStage::FragmentStage() {
    createGlObject(FragmentStageKind, GL_FRAGMENT_SHADER_ARB);
}

ShaderStage::~ShaderStage() {
    std::free(compileLog);
    if (source != nullptr && ownsSource) {
        std::free(source);
    }
    // The GL object goes with the stage even when its compilation failed.
    if (handle != 0 && GlslAvailable) {
        GlslEntryPoints.glDeleteObjectARB(handle);
        REPORT_GL_ERRORS();
    }
}

// The kinds must stay plain layouts without fields of their own for this to be the whole job.
static_assert(std::is_standard_layout_v<VertexStage> && sizeof(VertexStage) == sizeof(ShaderStage));
static_assert(std::is_standard_layout_v<FragmentStage> &&
              sizeof(FragmentStage) == sizeof(ShaderStage));

void ShaderStage::operator delete(ShaderStage* stage, std::destroying_delete_t) {
    stage->~ShaderStage();
    ::operator delete(stage);
}

bool ShaderStage::readSourceFile(const char* path) {
    if (path == nullptr) {
        return false;
    }
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return false;
    }
    struct stat status {};
    if (stat(path, &status) != 0 || status.st_size < 0) {
        std::fclose(file);
        return false;
    }
    const auto size = static_cast<size_t>(status.st_size);
    char* text = static_cast<char*>(std::malloc(size + 1));
    if (text == nullptr) {
        std::fclose(file);
        return false;
    }
    // Text mode may translate line ends, so fewer bytes than the size can arrive.
    const size_t read = std::fread(text, 1, size, file);
    text[read] = '\0';
    std::fclose(file);
    if (ownsSource) {
        std::free(source);
    }
    source = text;
    ownsSource = true;
    return true;
}

bool ShaderStage::compileSource() {
    if (!GlslAvailable) {
        return false;
    }
    compiled = false;
    if (source == nullptr) {
        return false;
    }
    const GLcharARB* text = source;
    const auto length = static_cast<GLint>(std::strlen(source));
    GlslEntryPoints.glShaderSourceARB(handle, 1, &text, &length);
    REPORT_GL_ERRORS();
    GlslEntryPoints.glCompileShaderARB(handle);
    REPORT_GL_ERRORS();
    GLint status = 0;
    GlslEntryPoints.glGetObjectParameterivARB(handle, GL_OBJECT_COMPILE_STATUS_ARB, &status);
    REPORT_GL_ERRORS();
    if (status != 0) {
        compiled = true;
    }
    return compiled;
}

const char* ShaderStage::compileLogText() {
    return fetchInfoLog(handle, compileLog, 1);
}

// ---------------------------------------------------------------------------------------------
// Programs

ShaderProgram::ShaderProgram() : handle(0), linkLog(nullptr), linked(false), ownsStages(false) {
    announceGlslSupport();
    if (isGlslAvailable()) {
        handle = GlslEntryPoints.glCreateProgramObjectARB();
    }
    linked = false;
}

ShaderProgram::~ShaderProgram() {
    std::free(linkLog);
    linkLog = nullptr;
    if (GlslAvailable) {
        // Handles are taken first: a stage listed twice is gone by its second entry.
        std::vector<GLhandleARB> handles;
        handles.reserve(stages.size());
        for (const ShaderStage* stage : stages) {
            handles.push_back(stage->handle);
        }
        for (size_t i = 0; i < stages.size(); ++i) {
            GlslEntryPoints.glDetachObjectARB(handle, handles[i]);
            REPORT_GL_ERRORS();
            const auto earlier = stages.begin() + static_cast<std::ptrdiff_t>(i);
            if (ownsStages && std::find(stages.begin(), earlier, stages[i]) == earlier) {
                delete stages[i];
            }
        }
        GlslEntryPoints.glDeleteObjectARB(handle);
        REPORT_GL_ERRORS();
    }
    stages.clear();
}

void ShaderProgram::attachStage(ShaderStage* stage) {
    if (!GlslAvailable || stage == nullptr) {
        return;
    }
    if (!stage->compiled) {
        std::cout << "**warning** please compile program before adding object! trying to "
                     "compile now...\n";
        if (!stage->compileSource()) {
            std::cout << "...compile ERROR!\n";
            return;
        }
        std::cout << "...ok!\n";
    }
    stages.push_back(stage);
}

bool ShaderProgram::linkStages() {
    if (!GlslAvailable) {
        return false;
    }
    if (linked) {
        std::cout << "**warning** Object is already linked, trying to link again" << '\n'
                  << std::flush;
        for (const ShaderStage* stage : stages) {
            GlslEntryPoints.glDetachObjectARB(handle, stage->handle);
            REPORT_GL_ERRORS();
        }
    }
    for (const ShaderStage* stage : stages) {
        GlslEntryPoints.glAttachObjectARB(handle, stage->handle);
        REPORT_GL_ERRORS();
    }
    GlslEntryPoints.glLinkProgramARB(handle);
    REPORT_GL_ERRORS();
    GLint status = 0;
    GlslEntryPoints.glGetObjectParameterivARB(handle, GL_OBJECT_LINK_STATUS_ARB, &status);
    REPORT_GL_ERRORS();
    if (status != 0) {
        linked = true;
        return true;
    }
    std::cout << "**linker error**\n";
    return false;
}

const char* ShaderProgram::linkLogText() {
    return fetchInfoLog(handle, linkLog, 2);
}

void ShaderProgram::beginUse() {
    if (GlslAvailable && handle != 0 && linked) {
        GlslEntryPoints.glUseProgramObjectARB(handle);
        REPORT_GL_ERRORS();
    }
}

void ShaderProgram::endUse() {
    if (GlslAvailable) {
        GlslEntryPoints.glUseProgramObjectARB(0);
        REPORT_GL_ERRORS();
    }
}

GLint ShaderProgram::uniformLocation(const char* name) {
    // Without the entry points there is nothing to ask.
    if (!GlslAvailable || name == nullptr) {
        return -1;
    }
    const GLint location = GlslEntryPoints.glGetUniformLocationARB(handle, name);
    if (location == -1) {
        std::cout << "Error: can't find uniform variable \"" << name << "\"\n";
    }
    REPORT_GL_ERRORS();
    return location;
}

bool ShaderProgram::setUniformFloat(const char* name, float value) {
    if (!GlslAvailable) {
        return false;
    }
    const GLint location = uniformLocation(name);
    if (location == -1) {
        return false;
    }
    GlslEntryPoints.glUniform1fARB(location, value);
    return true;
}

bool ShaderProgram::setUniformInt(const char* name, int value) {
    if (!GlslAvailable) {
        return false;
    }
    const GLint location = uniformLocation(name);
    if (location == -1) {
        return false;
    }
    GlslEntryPoints.glUniform1iARB(location, value);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The library

ShaderLibrary::~ShaderLibrary() {
    while (!programs.empty()) {
        ShaderProgram* program = programs.front();
        programs.erase(programs.begin());
        delete program;
    }
}

ShaderProgram* ShaderLibrary::createProgram(const char* vertexPath, const char* fragmentPath) {
    auto* program = new ShaderProgram;
    ShaderStage* vertex = new VertexStage;
    ShaderStage* fragment = new FragmentStage;

    // The program does not own its stages yet, so this only detaches them.
    auto discard = [&]() -> ShaderProgram* {
        delete program;
        delete vertex;
        delete fragment;
        return nullptr;
    };

    if (vertexPath != nullptr && !vertex->readSourceFile(vertexPath)) {
        showMessageBox("error: can't load vertex shader!");
        return discard();
    }
    if (fragmentPath != nullptr && !fragment->readSourceFile(fragmentPath)) {
        showMessageBox("error: can't load fragment shader!");
        return discard();
    }
    if (vertexPath != nullptr && !vertex->compileSource()) {
        showMessageBox(vertexPath);
        showMessageBox(vertex->compileLogText());
        return discard();
    }
    if (fragmentPath != nullptr && !fragment->compileSource()) {
        showMessageBox(fragmentPath);
        showMessageBox(fragment->compileLogText());
        return discard();
    }
    if (vertexPath != nullptr) {
        program->attachStage(vertex);
    }
    if (fragmentPath != nullptr) {
        program->attachStage(fragment);
    }
    if (!program->linkStages()) {
        std::cout << "**LINKER ERROR\n";
        std::cout << program->linkLogText() << '\n' << std::flush;
        return discard();
    }
    programs.push_back(program);
    program->ownsStages = true;
    // A stage without a file never joined the program; it has no further use.
    if (vertexPath == nullptr) {
        delete vertex;
    }
    if (fragmentPath == nullptr) {
        delete fragment;
    }
    return program;
}

namespace {
// Puts text before the stage's source (its own copy; the stage owns the result).
bool prependSource(ShaderStage& stage, const char* text) {
    const size_t head = std::strlen(text);
    const size_t body = std::strlen(stage.source);
    char* joined = static_cast<char*>(std::malloc(head + body + 1));
    if (joined == nullptr) {
        return false;
    }
    std::memcpy(joined, text, head);
    std::memcpy(joined + head, stage.source, body + 1);
    if (stage.ownsSource) {
        std::free(stage.source);
    }
    stage.source = joined;
    stage.ownsSource = true;
    return true;
}
} // namespace

ShaderProgram* ShaderLibrary::createVariant(const char* vertexPath, const char* fragmentPath,
                                            const char* preamble,
                                            std::initializer_list<const char*> requiredUniforms) {
    if (!GlslAvailable || vertexPath == nullptr || fragmentPath == nullptr) {
        return nullptr;
    }
    auto* program = new ShaderProgram;
    ShaderStage* vertex = new VertexStage;
    ShaderStage* fragment = new FragmentStage;
    const bool built = vertex->readSourceFile(vertexPath) &&
                       fragment->readSourceFile(fragmentPath) && prependSource(*vertex, preamble) &&
                       prependSource(*fragment, preamble) && vertex->compileSource() &&
                       fragment->compileSource();
    if (built) {
        program->attachStage(vertex);
        program->attachStage(fragment);
    }
    const auto lacks = [program](const char* name) {
        return GlslEntryPoints.glGetUniformLocationARB(program->handle, name) == -1;
    };
    if (!built || !program->linkStages() ||
        std::any_of(requiredUniforms.begin(), requiredUniforms.end(), lacks)) {
        delete program;
        delete vertex;
        delete fragment;
        return nullptr;
    }
    programs.push_back(program);
    program->ownsStages = true;
    return program;
}

ShaderLibrary& shaderLibrary() {
    // Made on first use (start-up, with the GL context current), so that it goes before
    // anything that was set up earlier and still has the context at exit.
    static ShaderLibrary library;
    return library;
}
