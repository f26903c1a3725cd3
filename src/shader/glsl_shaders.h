// GLSL through the ARB shader-object extensions: entry points, capability checks, GL error
// reports, shader stages, programs, uniforms and the library that owns the programs.
//
// Diagnostics go to standard output through std::cout. A message that ends a line writes '\n'
// and flushes at once; a message whose own text ends in "\n" is left in the stream's buffer.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <new>
#include <vector>

#include "gfx/gl.h"

// How the module finds GL entry points by name (null for a name the driver lacks, and for
// every name while no GL context is current). Without a lookup every name is missing.
using GlProcLookup = void* (*)(const char* name);
void setGlProcLookup(GlProcLookup lookup);
// The lookup set last (null before), for other modules' optional entry points.
GlProcLookup glProcLookup();

// How the module shows a modal message box (caption "Error"); by default stderr only.
using ShaderMessageBox = void (*)(const char* text);
void setShaderMessageBox(ShaderMessageBox box);

// ---------------------------------------------------------------------------------------------
// Entry points and capability checks

// The 42 ARB shader-object, vertex-shader and fragment-shader entry points, in lookup order.
// Null at start; each loader run overwrites its rows with whatever the lookup returned.
struct GlslEntryPointTable {
    // GL_ARB_vertex_shader attribute calls (loadAttribEntryPoints).
    PFNGLBINDATTRIBLOCATIONARBPROC glBindAttribLocationARB;
    PFNGLGETACTIVEATTRIBARBPROC glGetActiveAttribARB;
    PFNGLGETATTRIBLOCATIONARBPROC glGetAttribLocationARB;
    // GL_ARB_shader_objects (loadObjectEntryPoints).
    PFNGLDELETEOBJECTARBPROC glDeleteObjectARB;
    PFNGLGETHANDLEARBPROC glGetHandleARB;
    PFNGLDETACHOBJECTARBPROC glDetachObjectARB;
    PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB;
    PFNGLSHADERSOURCEARBPROC glShaderSourceARB;
    PFNGLCOMPILESHADERARBPROC glCompileShaderARB;
    PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB;
    PFNGLATTACHOBJECTARBPROC glAttachObjectARB;
    PFNGLLINKPROGRAMARBPROC glLinkProgramARB;
    PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB;
    PFNGLVALIDATEPROGRAMARBPROC glValidateProgramARB;
    PFNGLGETOBJECTPARAMETERFVARBPROC glGetObjectParameterfvARB;
    PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB;
    PFNGLGETINFOLOGARBPROC glGetInfoLogARB;
    PFNGLGETATTACHEDOBJECTSARBPROC glGetAttachedObjectsARB;
    PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB;
    PFNGLGETACTIVEUNIFORMARBPROC glGetActiveUniformARB;
    PFNGLGETUNIFORMFVARBPROC glGetUniformfvARB;
    PFNGLGETUNIFORMIVARBPROC glGetUniformivARB;
    PFNGLGETSHADERSOURCEARBPROC glGetShaderSourceARB;
    PFNGLUNIFORM1FARBPROC glUniform1fARB;
    PFNGLUNIFORM2FARBPROC glUniform2fARB;
    PFNGLUNIFORM3FARBPROC glUniform3fARB;
    PFNGLUNIFORM4FARBPROC glUniform4fARB;
    PFNGLUNIFORM1IARBPROC glUniform1iARB;
    PFNGLUNIFORM2IARBPROC glUniform2iARB;
    PFNGLUNIFORM3IARBPROC glUniform3iARB;
    PFNGLUNIFORM4IARBPROC glUniform4iARB;
    PFNGLUNIFORM1FVARBPROC glUniform1fvARB;
    PFNGLUNIFORM2FVARBPROC glUniform2fvARB;
    PFNGLUNIFORM3FVARBPROC glUniform3fvARB;
    PFNGLUNIFORM4FVARBPROC glUniform4fvARB;
    PFNGLUNIFORM1IVARBPROC glUniform1ivARB;
    PFNGLUNIFORM2IVARBPROC glUniform2ivARB;
    PFNGLUNIFORM3IVARBPROC glUniform3ivARB;
    PFNGLUNIFORM4IVARBPROC glUniform4ivARB;
    PFNGLUNIFORMMATRIX2FVARBPROC glUniformMatrix2fvARB;
    PFNGLUNIFORMMATRIX3FVARBPROC glUniformMatrix3fvARB;
    PFNGLUNIFORMMATRIX4FVARBPROC glUniformMatrix4fvARB;
};
inline constexpr int kGlslEntryPointCount = 42;
extern GlslEntryPointTable GlslEntryPoints;

// True once an availability check has found all 42 entry points; it never goes back.
extern bool GlslAvailable;

// Looks up rows 1-3 in order; true only if all three were found.
bool loadAttribEntryPoints();
// Looks up rows 4-42 in order, every one even after a miss; true only if all were found.
bool loadObjectEntryPoints();
// Whether the module may make ARB calls. After the first success this is one flag test; a
// failed check caches nothing, so the next one looks every name up again.
bool isGlslAvailable();
// Whether name occurs anywhere in the GL extension string (a plain substring test).
bool hasGlExtension(const char* name);
// Writes the unavailability line and a warning for each missing ARB extension name.
void announceGlslSupport();
// Writes one "GL Error #" line per pending GL error (all of them); true if any was written.
bool reportGlErrors(const char* file, int line);

// ---------------------------------------------------------------------------------------------
// Stages, programs and the library

// The texts the log getters return instead of a log. Never freed.
extern const char* const GlslStatusTexts[5];

enum StageKind : int { PlainStage = 0, VertexStageKind = 1, FragmentStageKind = 2 };

// One GLSL shader read from a text file and compiled.
class ShaderStage {
  public:
    ShaderStage();
    ~ShaderStage();
    ShaderStage(const ShaderStage&) = delete;
    ShaderStage& operator=(const ShaderStage&) = delete;

    // A stage is freed through a ShaderStage pointer whatever kind it was built as; the kinds
    // add no fields, so destroying the base and releasing the block is the whole job.
    void operator delete(ShaderStage* stage, std::destroying_delete_t);

    // Reads the whole file (text mode) as the new source; false if it cannot be opened or its
    // size cannot be read, and the stage is then unchanged.
    bool readSourceFile(const char* path);
    // Compiles the source; returns the new value of compiled.
    bool compileSource();
    // The GL compile log, or one of GlslStatusTexts. Valid until the next call or destruction.
    const char* compileLogText();

    StageKind kind;
    GLhandleARB handle;
    char* source;
    char* compileLog;
    bool compiled;
    bool ownsSource;

  protected:
    void createGlObject(StageKind stageKind, GLenum glType);
};

class VertexStage : public ShaderStage {
  public:
    VertexStage();
};

class FragmentStage : public ShaderStage {
  public:
    FragmentStage();
};

// One GL program object built from a list of stages.
class ShaderProgram {
  public:
    ShaderProgram();
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // Adds a stage for the next link, compiling it first if needed.
    void attachStage(ShaderStage* stage);
    // Attaches every listed stage and links; a second link detaches them all first.
    bool linkStages();
    // The GL link log, or one of GlslStatusTexts. Valid until the next call or destruction.
    const char* linkLogText();

    void beginUse();
    void endUse();
    // Looked up by name on every call; -1 (with a message) when the program lacks it.
    GLint uniformLocation(const char* name);
    bool setUniformFloat(const char* name, float value);
    bool setUniformInt(const char* name, int value);

    GLhandleARB handle;
    char* linkLog;
    bool linked;
    std::vector<ShaderStage*> stages;
    bool ownsStages;
};

// Owns the programs made from files and destroys them, oldest first, when it goes.
class ShaderLibrary {
  public:
    ShaderLibrary() = default;
    ~ShaderLibrary();
    ShaderLibrary(const ShaderLibrary&) = delete;
    ShaderLibrary& operator=(const ShaderLibrary&) = delete;

    // Builds, links and keeps a program from a vertex and a fragment file (either may be
    // null); null after a message box (missing file, compile error) or log lines (link error).
    ShaderProgram* createProgram(const char* vertexPath, const char* fragmentPath);
    // The same two files with `preamble` put before each source (a #define a source may test),
    // built quietly: null, with no message, when either file is missing, does not compile or
    // link, or the program lacks a uniform of `requiredUniforms` (a source that ignores the
    // define).
    ShaderProgram* createVariant(const char* vertexPath, const char* fragmentPath,
                                 const char* preamble,
                                 std::initializer_list<const char*> requiredUniforms);

    std::vector<ShaderProgram*> programs;
};

// The one process-wide library, destroyed during the normal process exit.
ShaderLibrary& shaderLibrary();
