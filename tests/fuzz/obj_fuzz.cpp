// libFuzzer entry for the OBJ loader: any bytes load without a fault, and a model that
// loads holds only references inside its own arrays, as the drawing code relies on.
#include <cstddef>
#include <cstdint>

#include "model/obj_model.h"

namespace {

void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// Reads everything drawing would read, so that the sanitizers see any stray reference.
void checkModel(const ObjModel& m) {
    uint64_t grouped = 0;
    float sum = 0.0f;
    for (const ObjGroup* g = m.groups; g != nullptr; g = g->next) {
        require(g->triangleCount <= g->triangleCapacity);
        grouped += g->triangleCount;
        for (uint32_t i = 0; i < g->triangleCount; ++i) {
            const int32_t n = g->triangleIndices[i];
            require(n >= 0 && static_cast<uint32_t>(n) < m.triangleCount);
            const ObjTriangle& t = m.triangles[n];
            for (int k = 0; k < 3; ++k) {
                const int32_t v = t.vertexIndex[k];
                require(v >= 1 && static_cast<uint32_t>(v) <= m.vertexCount);
                sum += m.vertices[v][0] + m.normals[v][1];
                if (m.texCoordCount > 0) {
                    const int32_t c = t.texCoordIndex[k];
                    require(c >= 0 && static_cast<uint32_t>(c) <= m.texCoordCount);
                    sum += m.texCoords[c][0];
                }
            }
        }
    }
    require(grouped == m.triangleCount);
    volatile float sink = sum;
    (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ObjModel model{};
    if (loadObjModelFromMemory(model, reinterpret_cast<const char*>(data), size) == 1) {
        checkModel(model);
    } else {
        require(model.groups == nullptr && model.triangleCount == 0);
    }
    freeObjModel(model);
    return 0;
}
