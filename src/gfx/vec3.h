// Three-float vector shared by scenes, models and billboards.
#pragma once

struct Vec3 {
    float x;
    float y;
    float z;
};

inline Vec3 vec3Add(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 vec3Subtract(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 vec3Scale(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
