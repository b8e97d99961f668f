/// \file
/// The in-memory records of a model in the engine's XML format: materials with
/// colours and one colour map, and sub-objects made of vertices (position, four
/// texture-coordinate sets, colour) and triangle or quad faces.
#pragma once

#include <string>
#include <vector>

#include "math/Vector3.h"

/// A material of an XML model.
struct MaterialXML {
    std::string name;        ///< its name
    std::string colormap;    ///< empty: no texture
    float ambient[4] = {};   ///< ambient colour, RGBA
    float diffuse[4] = {};   ///< diffuse colour, RGBA
    float specular[4] = {};  ///< specular colour, RGBA
    int texture = -1;        ///< GL texture name of the colour map, -1 for none
    float opacity = 0.0f;    ///< 0 transparent to 1 opaque
};

/// A vertex: position, four texture-coordinate sets and a colour.
struct VertexXML {
    float x = 0.0f;    ///< position x
    float y = 0.0f;    ///< position y
    float z = 0.0f;    ///< position z
    float u0 = -1.0f;  ///< -1: no texture coordinate
    float v0 = 0.0f;   ///< texture set 0, v
    float u1 = 0.0f;   ///< texture set 1, u
    float v1 = 0.0f;   ///< texture set 1, v
    float u2 = 0.0f;   ///< texture set 2, u
    float v2 = 0.0f;   ///< texture set 2, v
    float u3 = 0.0f;   ///< texture set 3, u
    float v3 = 0.0f;   ///< texture set 3, v
    float r = 0.0f;    ///< colour, red
    float g = 0.0f;    ///< colour, green
    float b = 0.0f;    ///< colour, blue
    float a = 0.0f;    ///< colour, alpha
};

/// A triangle or quad of a sub-object.
struct FaceXML {
    int a = 0;               ///< first corner, an index into the vertices
    int b = 0;               ///< second corner
    int c = 0;               ///< third corner
    int d = -1;              ///< -1: a triangle; otherwise the quad a, b, c, d
    int materialIndex = -1;  ///< -1: no material, drawn untextured with vertex colours
    Vector3 normal;          ///< the face normal
};

/// A part of an XML model with its own placement.
struct SubObjectXML {
    int numVertices = 0;              ///< the number of vertices the file declares
    int numFaces = 0;                 ///< the number of faces the file declares
    std::string name;                 ///< its name
    std::vector<VertexXML> vertices;  ///< vertices, in file order
    std::vector<FaceXML> faces;       ///< faces, in file order
    Vector3 position;                 ///< where it is placed in the model
    float angle = 0.0f;               ///< its rotation in degrees about axis
    Vector3 axis;                     ///< the axis of that rotation
    Vector3 boxMin;                   ///< bounding box, smallest corner
    Vector3 boxMax;                   ///< bounding box, largest corner
};

/// A whole model in the engine's XML format.
struct ModelXML {
    std::string name;                      ///< the model's name
    std::string path;                      ///< the file it was read from
    int numSubObjects = 0;                 ///< the number of sub-objects the file declares
    int numMaterials = 0;                  ///< the number of materials the file declares
    std::vector<MaterialXML> materials;    ///< materials, in file order
    std::vector<SubObjectXML> subObjects;  ///< sub-objects, in file order
    Vector3 boxMin;                        ///< bounding box of the whole model, smallest corner
    Vector3 boxMax;                        ///< bounding box of the whole model, largest corner
};
