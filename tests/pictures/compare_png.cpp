// Compares two PNG pictures channel by channel: exits 0 when they have the same size and no
// channel of any pixel differs by more than the tolerance, 1 when they differ (saying where and by
// how much), 2 when a file cannot be read.
//   tact_compare_png A.png B.png TOLERANCE
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
struct Picture {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::vector<unsigned char> rgba;
};

bool readPicture(const char* fileName, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, fileName) == 0) {
        std::fprintf(stderr, "cannot read %s: %s\n", fileName, image.message);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgba.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "cannot read %s: %s\n", fileName, image.message);
        return false;
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: tact_compare_png A.png B.png TOLERANCE\n");
        return 2;
    }
    Picture a;
    Picture b;
    if (!readPicture(argv[1], a) || !readPicture(argv[2], b))
        return 2;
    if (a.width != b.width || a.height != b.height) {
        std::printf("sizes differ: %ux%u and %ux%u\n", a.width, a.height, b.width, b.height);
        return 1;
    }
    const int tolerance = std::atoi(argv[3]);
    int largest = 0;
    std::size_t over = 0;
    std::size_t firstOver = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        const int difference = std::abs(static_cast<int>(a.rgba[i]) - static_cast<int>(b.rgba[i]));
        if (difference > largest)
            largest = difference;
        if (difference > tolerance && over++ == 0)
            firstOver = i;
    }
    std::printf("%ux%u, largest channel difference %d\n", a.width, a.height, largest);
    if (over == 0)
        return 0;
    const std::size_t pixel = firstOver / 4;
    std::printf("%zu channels differ by more than %d, the first at (%zu, %zu)\n", over, tolerance,
                pixel % a.width, pixel / a.width);
    return 1;
}
