#include "assets/model.h"

#include <GL/gl.h>

#include <string>

#include "assets/gl_context_tag.h"
#include "assets/image.h"

Model::Model() = default;

Model::~Model() {
    releaseTextures();
    releaseRecord();
}

// ---------------------------------------------------------------------------
// draw: one triangle list per mesh in immediate mode. A mesh without a material
// keeps the material of the mesh before it, but never its texture.
// ---------------------------------------------------------------------------
void Model::draw() {
    const GLboolean texturingWasOn = glIsEnabled(GL_TEXTURE_2D);

    for (int m = 0; m < numMeshes; ++m) {
        const Mesh& mesh = meshes[m];
        if (mesh.materialIndex >= 0 && mesh.materialIndex < numMaterials) {
            const Material& material = materials[mesh.materialIndex];
            glMaterialfv(GL_FRONT, GL_AMBIENT, material.ambient);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, material.diffuse);
            glMaterialfv(GL_FRONT, GL_SPECULAR, material.specular);
            glMaterialfv(GL_FRONT, GL_EMISSION, material.emissive);
            glMaterialf(GL_FRONT, GL_SHININESS, material.shininess);
            if (material.texture != 0) {
                glBindTexture(GL_TEXTURE_2D, material.texture);
                glEnable(GL_TEXTURE_2D);
            } else {
                glDisable(GL_TEXTURE_2D);
            }
        } else {
            glDisable(GL_TEXTURE_2D);
        }

        glBegin(GL_TRIANGLES);
        for (int i = 0; i < mesh.numTriangles; ++i) {
            const Triangle& triangle = triangles[mesh.triangleIndices[i]];
            for (int corner = 0; corner < 3; ++corner) {
                glNormal3fv(triangle.vertexNormals[corner]);
                glTexCoord2f(triangle.s[corner], triangle.t[corner]);
                glVertex3fv(vertices[triangle.vertexIndices[corner]].location);
            }
        }
        glEnd();
    }

    if (texturingWasOn)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
}

// ---------------------------------------------------------------------------
// reloadTextures: called after every window creation and every load. Without a
// current context there is nowhere to put textures, so none are made.
// ---------------------------------------------------------------------------
void Model::reloadTextures() {
    releaseTextures();

    const unsigned long long context = CurrentGLContextSerial();
    if (context == 0) return;

    for (int i = 0; i < numMaterials; ++i) {
        const char* name = materials[i].textureFilename;
        if (!name || name[0] == '\0') continue;
        // Models made on Windows name their textures with backslashes.
        std::string path(name);
        for (char& c : path)
            if (c == '\\') c = '/';
        materials[i].texture = LoadGLTexture(path.c_str());
    }
    textureContext_ = context;
}

// Forgets every texture name; deletes them first if they live in the current context. A context
// that is gone took its textures with it, and its names may now be someone else's.
void Model::releaseTextures() {
    const bool ownedHere = textureContext_ != 0 && CurrentGLContextSerial() == textureContext_;
    for (int i = 0; i < numMaterials; ++i) {
        if (materials[i].texture != 0 && ownedHere) glDeleteTextures(1, &materials[i].texture);
        materials[i].texture = 0;
    }
    textureContext_ = 0;
}

void Model::releaseRecord() {
    for (int i = 0; i < numMeshes; ++i) delete[] meshes[i].triangleIndices;
    for (int i = 0; i < numMaterials; ++i) delete[] materials[i].textureFilename;

    numMeshes = 0;
    delete[] meshes;
    meshes = nullptr;
    numMaterials = 0;
    delete[] materials;
    materials = nullptr;
    numTriangles = 0;
    delete[] triangles;
    triangles = nullptr;
    numVertices = 0;
    delete[] vertices;
    vertices = nullptr;
}

void Model::replaceContents(Model& from) {
    releaseTextures();
    releaseRecord();

    numMeshes = from.numMeshes;
    meshes = from.meshes;
    numMaterials = from.numMaterials;
    materials = from.materials;
    numTriangles = from.numTriangles;
    triangles = from.triangles;
    numVertices = from.numVertices;
    vertices = from.vertices;
    textureContext_ = from.textureContext_;

    from.numMeshes = from.numMaterials = from.numTriangles = from.numVertices = 0;
    from.meshes = nullptr;
    from.materials = nullptr;
    from.triangles = nullptr;
    from.vertices = nullptr;
    from.textureContext_ = 0;
}
