// Fuzz target: bytes as a font file, opened as the video module opens one and asked for a few
// characters. A rendered glyph holds exactly width x rows coverage values.
#include "FuzzSupport.h"

#include "Engine/GLFWVideoModule/FreeTypeFontFace.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

FT_Library library = nullptr;
std::string fontFile;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzCheck(FT_Init_FreeType(&library) == 0, "FreeType did not start");
    // FreeType opens faces by path; memory-backed when there is one, as every input is written.
    const char* base = std::getenv("TMPDIR");
    if (base == nullptr || base[0] != '/') {
        base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    }
    std::string folder = std::string(base) + "/tact-fuzz-font-XXXXXX";
    fuzzCheck(mkdtemp(folder.data()) != nullptr, "cannot make a temporary folder");
    fontFile = folder + "/font";
    std::atexit([] {
        std::remove(fontFile.c_str());
        std::remove(fontFile.substr(0, fontFile.rfind('/')).c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(fontFile.c_str(), "wb");
    fuzzCheck(file != nullptr, "cannot write the font file");
    const bool written = std::fwrite(data, 1, size, file) == size;
    fuzzCheck(std::fclose(file) == 0 && written, "cannot write the font file");

    std::unique_ptr<FreeTypeFontFace> face = FreeTypeFontFace::open(library, fontFile);
    if (face == nullptr) {
        return 0;
    }
    // Text bytes are 0..255: a letter, a space, a Latin-1 letter and the byte the input ends with.
    const int characters[] = {'A', ' ', 0xE9, size > 0 ? data[size - 1] : 0};
    for (const int character : characters) {
        GlyphBitmap glyph;
        if (face->renderGlyph(character, glyph)) {
            fuzzCheck(glyph.width >= 0 && glyph.rows >= 0 &&
                          glyph.coverage.size() == static_cast<size_t>(glyph.width) * glyph.rows,
                      "a glyph's coverage does not match its size");
        }
    }
    return 0;
}
