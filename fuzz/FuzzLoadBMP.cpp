// Fuzz target: bytes through the BMP reader. A refused file leaves no image; an accepted one has
// sides within the limits and exactly width x height RGBA pixels.
#include "FuzzSupport.h"

#include "Engine/BMPImageFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BMPImageFormat reader;
    if (!reader.loadFromMemory(data, size)) {
        fuzzCheck(reader.getImage().isEmpty() && reader.getWidth() == 0, "a refused file left an image");
        return 0;
    }
    const Image& image = reader.getImage();
    fuzzCheck(isImageSideAllowed(image.width) && isImageSideAllowed(image.height),
              "an accepted image is out of bounds");
    fuzzCheck(image.pixels.size() == static_cast<size_t>(image.width) * image.height * 4,
              "an accepted image has the wrong number of pixels");
    // The loader's post-processing walks every pixel.
    reader.makeColourTransparent(0, 0, 0);
    reader.makeAlphaFromIntensity();
    fuzzCheck(reader.getBitsPerPixel() == 24 || reader.getBitsPerPixel() == 32,
              "an accepted BMP has another depth");
    return 0;
}
