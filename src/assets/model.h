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
    // Deletes the texture objects only when the context that made them is the current one.
    virtual ~Model();
    virtual bool loadModelData(const char* filename) = 0;

    // Draws with the current transform and colour; leaves GL_TEXTURE_2D as it found it.
    void draw();
    // Makes one texture per material that names a file, in the current context (none without one).
    // Texture objects of an earlier call are deleted if they live in the current context; textures of
    // a context that is gone are only forgotten, since their names may already belong to others.
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

protected:
    // Releases everything this model owns and takes over the record of `from`, which is left empty.
    void replaceContents(Model& from);

private:
    void releaseTextures();
    void releaseRecord();

    // Serial of the GL context that holds this model's texture objects; 0 when there are none.
    unsigned long long textureContext_ = 0;
};
