#include "Engine/TextureImageLoader.h"

#include <optional>

#include "Engine/BMPImageFormat.h"
#include "Engine/FilePath.h"
#include "Engine/PNGImageFormat.h"
#include "Engine/TGAImageFormat.h"

namespace {

// Paths longer than this are treated as a failed open, like any other unusable name.
constexpr std::size_t kPathBufferSize = 1024;

}  // namespace

namespace TextureImageLoader {

std::string getExtension(const std::string& name) {
    const std::size_t dot = name.find('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

bool load(const std::string& name, Image& image) {
    image.clear();
    const std::optional<std::string> path = makeFilePath(name, kPathBufferSize);
    if (!path)
        return false;
    const std::string extension = getExtension(name);
    if (extension == "bmp" || extension == "alpha.bmp") {
        BMPImageFormat bmp;
        if (!bmp.load(*path))
            return false;
        if (extension == "alpha.bmp")
            bmp.makeAlphaFromIntensity();
        else if (bmp.getBitsPerPixel() == 24)
            bmp.makeColourTransparent(0, 0, 0);
        image = bmp.takeImage();
        return true;
    }
    if (extension == "tga") {
        TGAImageFormat tga;
        if (!tga.load(*path))
            return false;
        image = tga.takeImage();
        return true;
    }
    if (extension == "png") {
        PNGImageFormat png;
        if (!png.load(*path))
            return false;
        image = png.takeImage();
        return true;
    }
    return false;
}

}  // namespace TextureImageLoader
