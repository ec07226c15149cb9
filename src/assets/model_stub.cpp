// Placeholder until the model code lands.
#include "assets/milkshape_model.h"
#include "assets/image.h"
Model::Model() {}
Model::~Model() {}
void Model::draw() {}
void Model::reloadTextures() {}
bool MilkshapeModel::loadModelData(const char*) { return true; }
AUX_RGBImageRec* LoadBMP(const char*) { return nullptr; }
void FreeRGBImage(AUX_RGBImageRec*) {}
unsigned int LoadGLTexture(const char*) { return 0; }
int ImageLoad(const char*, Image*) { return 0; }
