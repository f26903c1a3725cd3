// The four OBJ models of data/3d, written in the small OBJ subset the demo reads.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace assetgen {

struct Vec {
    double x = 0;
    double y = 0;
    double z = 0;
};

// How faces reference their corners; normals share the vertex numbers.
enum class FaceForm { Vertex, VertexTexture, VertexTextureNormal, VertexNormal };

struct Mesh {
    struct Face {
        int count = 3;               // 3 or 4 corners
        std::array<int, 4> corner{}; // 0-based vertex numbers
    };
    struct Group {
        std::string name;
        std::vector<Face> faces;
    };
    std::vector<Vec> positions;
    std::vector<Vec> normals;               // one per position
    std::vector<std::array<double, 2>> uvs; // empty, or one per position
    std::vector<Group> groups;
    int triangleCount() const;
    // Area-weighted vertex normals from the faces; vertices at the same place share one.
    void computeNormals();
    // Turns every face around when the closed surface's winding points inwards.
    void orientOutwards();
};

std::string writeObj(const Mesh& mesh, FaceForm form, const std::string& title);

struct NamedModel {
    std::string name; // file name under data/3d
    std::string text;
};

Mesh makeFigure();  // manet2: a twisting figure on a pedestal
Mesh makeKnot();    // manet: a bulging trefoil tube standing upright
Mesh makeBlob();    // blob1: a lumpy ball
Mesh makeSeaDome(); // sea1: a wide dome of swell

struct NamedMesh {
    std::string name;
    Mesh mesh;
    FaceForm form;
    std::string title;
};
std::vector<NamedMesh> makeModelMeshes();
std::vector<NamedModel> makeModels();

} // namespace assetgen
