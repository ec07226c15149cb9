// A static mesh model that draws itself with its materials and owns its textures.
#pragma once

class Model {
public:
    struct Mesh {
        int materialIndex = -1;
        int numTriangles = 0;
        int* triangleIndices = nullptr;
    };
    struct Material {
        float ambient[4] = {}, diffuse[4] = {}, specular[4] = {}, emissive[4] = {};
        float shininess = 0;
        unsigned int texture = 0;
        char* textureFilename = nullptr;
    };
    struct Triangle {
        float vertexNormals[3][3] = {};
        float s[3] = {}, t[3] = {};
        int vertexIndices[3] = {};
    };
    struct Vertex {
        signed char boneID = -1;
        float location[3] = {};
    };

    Model();
    virtual ~Model();
    virtual bool loadModelData(const char* filename) = 0;

    void draw();
    void reloadTextures();

    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    int numMeshes = 0;
    Mesh* meshes = nullptr;
    int numMaterials = 0;
    Material* materials = nullptr;
    int numTriangles = 0;
    Triangle* triangles = nullptr;
    int numVertices = 0;
    Vertex* vertices = nullptr;
};
