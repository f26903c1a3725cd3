// Wavefront OBJ models in the subset the demo's files use: v, vn, vt, f (four reference
// forms, fan-triangulated), g and comments. Plain C++, no GL.
#pragma once

#include <cstdint>

struct ObjTriangle {
    int32_t vertexIndex[3];   // 1-based, as written in the file
    int32_t texCoordIndex[3]; // 1-based; filled only for forms with texture references
};

struct ObjGroup {
    char* name;
    uint32_t triangleCount;
    int32_t* triangleIndices;
    ObjGroup* next;
};

struct ObjModel {
    uint32_t vertexCount;
    float (*vertices)[3]; // vertexCount + 1 entries, slot 0 unused
    uint32_t normalCount;
    float (*normals)[3]; // vertexCount + 1 entries, matched to vertices by file order
    uint32_t texCoordCount;
    float (*texCoords)[2]; // texCoordCount + 1 entries, or null
    uint32_t triangleCount;
    ObjTriangle* triangles;
    uint32_t groupCount;
    ObjGroup* groups; // most recently created first, "default" last
};

inline constexpr int kModelCount = 4;
extern ObjModel ModelTable[kModelCount];

// 1 after a load, 0 if the file cannot be opened (the model is then left as it was).
int loadObjModel(ObjModel& model, const char* path);
ObjGroup* findObjGroup(const ObjModel& model, const char* name);
ObjGroup* addObjGroup(ObjModel& model, const char* name);
// Releases everything a load allocated and leaves the model empty.
void freeObjModel(ObjModel& model);
