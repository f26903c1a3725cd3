// Wavefront OBJ models in the subset the demo's files use: v, vn, vt, f (four reference
// forms, fan-triangulated), g and comments. Plain C++, no GL.
#pragma once

#include <cstddef>
#include <cstdint>

struct ObjTriangle {
    int32_t vertexIndex[3];   // 1-based, as written in the file
    int32_t texCoordIndex[3]; // 1-based as written; 0 for faces written without texture references
};

struct ObjGroup {
    char* name;
    uint32_t triangleCount;
    int32_t* triangleIndices;
    ObjGroup* next;
    uint32_t triangleCapacity; // entries allocated in triangleIndices (>= triangleCount)
};

struct ObjModel {
    uint32_t vertexCount;
    float (*vertices)[3]; // vertexCount + 1 entries, slot 0 unused (zero)
    uint32_t normalCount;
    float (*normals)[3]; // vertexCount + 1 entries, matched to vertices by file order
    uint32_t texCoordCount;
    float (*texCoords)[2]; // texCoordCount + 1 entries, or null; slot 0 is (0, 0)
    uint32_t triangleCount;
    ObjTriangle* triangles;
    uint32_t groupCount;
    ObjGroup* groups; // most recently created first, "default" last
};

inline constexpr int kModelCount = 4;
extern ObjModel ModelTable[kModelCount];

// Loads an OBJ file in two passes (count, then fill). The record must be empty (zeroed)
// or hold an earlier load, which is released first.
//
// Returns 1 after a load. Returns 0 when:
//  - the file cannot be opened: the record is left exactly as it was;
//  - the file cannot be read, is larger than kObjMaxFileBytes, holds more than
//    kObjMaxCount vertices, normals, texture coordinates or triangles, or memory runs
//    out: the record is left empty (no groups), so drawing it draws nothing.
//
// Faults in the file are mended rather than reported:
//  - a face with a vertex number of 0, below 0 or above the vertex count, or (when the
//    file has vt lines and the face has texture references) such a texture number, is
//    dropped whole; so is a face whose first reference holds no number;
//  - vn lines beyond the vertex count are ignored; vertices without a vn line get the
//    normal (0, 0, 0); numbers missing on a v, vn or vt line read as 0;
//  - faces written without texture references get texture number 0, whose slot holds
//    (0, 0), so drawing them with texture coordinates reads valid memory;
//  - tokens are cut after 127 characters and the rest read as a further token;
//  - where the filling pass meets more faces, vertices or groups than the counting pass
//    saw, the surplus is dropped; triangleCount is the number of triangles kept.
// After a load, the groups' triangle numbers together are 0 .. triangleCount - 1, each once.
int loadObjModel(ObjModel& model, const char* path);
// The same, from a file's bytes already in memory (need not be NUL-terminated). Returns
// 1 after a load, 0 (record empty) when the limits above are passed or memory runs out.
int loadObjModelFromMemory(ObjModel& model, const char* data, size_t size);

inline constexpr size_t kObjMaxFileBytes = size_t{1} << 30;
inline constexpr uint32_t kObjMaxCount = 0x7FFFFFFE;

// First group in list order with exactly this name, or null.
ObjGroup* findObjGroup(const ObjModel& model, const char* name);
// The group of that name, created at the head of the list if new; null if memory runs out.
ObjGroup* addObjGroup(ObjModel& model, const char* name);
// Releases everything a load allocated and leaves the model empty.
void freeObjModel(ObjModel& model);

// Every block the loader allocates comes from this function (malloc's contract: a block
// of at least `bytes` bytes, released with free, or null when memory runs out). Tests
// substitute a failing one; null restores malloc.
using ObjAllocateFunction = void* (*)(size_t bytes);
void setObjAllocator(ObjAllocateFunction allocate);
