// Reads the picture for a texture name. The reader is chosen by the name's extension, the text
// after the first dot of the whole name, compared exactly:
//   "bmp"        24- or 32-bit BMP; in a 24-bit one pure black becomes transparent
//   "alpha.bmp"  BMP with alpha taken from each pixel's intensity
//   "tga"        TGA
//   "png"        PNG
#pragma once

#include <string>

#include "Engine/Image.h"

namespace TextureImageLoader {

// The text after the first dot of [name]; empty when it has none.
std::string getExtension(const std::string& name);
// Reads [name] (relative to the working directory) into [image]; false, with [image] empty, for
// an unknown extension or a file the reader refuses.
bool load(const std::string& name, Image& image);

}  // namespace TextureImageLoader
