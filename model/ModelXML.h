// The in-memory records of a model in the engine's XML format: materials with
// colours and one colour map, and sub-objects made of vertices (position, four
// texture-coordinate sets, colour) and triangle or quad faces.
#pragma once

#include <string>
#include <vector>

#include "math/Vector3.h"

struct MaterialXML {
    std::string name;
    std::string colormap;  // empty: no texture
    float ambient[4] = {};
    float diffuse[4] = {};
    float specular[4] = {};
    int texture = -1;  // GL texture name of the colour map, -1 for none
    float opacity = 0.0f;
};

struct VertexXML {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float u0 = -1.0f;  // -1: no texture coordinate
    float v0 = 0.0f;
    float u1 = 0.0f;
    float v1 = 0.0f;
    float u2 = 0.0f;
    float v2 = 0.0f;
    float u3 = 0.0f;
    float v3 = 0.0f;
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

struct FaceXML {
    int a = 0;
    int b = 0;
    int c = 0;
    int d = -1;              // -1: a triangle; otherwise the quad a, b, c, d
    int materialIndex = -1;  // -1: no material, drawn untextured with vertex colours
    Vector3 normal;
};

struct SubObjectXML {
    int numVertices = 0;
    int numFaces = 0;
    std::string name;
    std::vector<VertexXML> vertices;
    std::vector<FaceXML> faces;
    Vector3 position;
    float angle = 0.0f;
    Vector3 axis;
    Vector3 boxMin;
    Vector3 boxMax;
};

struct ModelXML {
    std::string name;
    std::string path;
    int numSubObjects = 0;
    int numMaterials = 0;
    std::vector<MaterialXML> materials;
    std::vector<SubObjectXML> subObjects;
    Vector3 boxMin;
    Vector3 boxMax;
};
