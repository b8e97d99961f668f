/// \file
/// Reading models in the engine's XML format from a parsed document into a
/// ModelXML record: materials, sub-objects, face normals and boxes.
#pragma once

#include <functional>
#include <string>

#include "model/ModelXML.h"

class DomNode;

/// Turns a material's colour map path into a texture name (-1 for none).
using TextureLoader = std::function<int(const char* path)>;
/// Receives every message the loader prints, in the order met.
using Reporter = std::function<void(const std::string& message)>;

/// Reads the document whose root is the "VarnoModelFormat" element into
/// `model`. Without a texture loader every material keeps texture -1. Returns
/// false when a required attribute is missing (each one is reported); the rest
/// of the document is still read.
bool readXmlModel(const DomNode& root, ModelXML& model, const TextureLoader& loadTexture,
                  const Reporter& report);
