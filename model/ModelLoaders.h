/// \file
/// Loading 3DS and MD2 model files into model records: read the file, report
/// what the reader found, and (3DS) upload every mesh into vertex buffers.
/// A file that cannot be opened or read is fatal: the message is printed, SDL
/// is shut down and the program ends with status 1.
#pragma once

#include "model/ModelRecord.h"
#include "model/ModelXML.h"

/// Reads a .3ds file with its normals and boxes and creates the vertex buffers.
bool load3ds(ModelRecord& model, const char* path);
/// Reads a .md2 file; with a skin file name the model gets one material.
bool loadMd2(ModelRecord& model, const char* path, const char* skinFile);

/// Reads a model in the engine's XML format and loads its colour maps. A file
/// that does not parse is reported and ends the program (status 255); missing
/// required attributes are all reported, then end it (status 1).
ModelXML& loadXmlModel(ModelXML& model, const char* path);

/// Creates one buffer each for positions, normals and (textured meshes) texture
/// coordinates, corner by corner of every face, as glDrawArrays takes them.
void createVertexBuffers(MeshRecord& mesh);
