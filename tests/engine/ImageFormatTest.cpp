#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <png.h>

#include "Engine/BMPImageFormat.h"
#include "Engine/PNGImageFormat.h"
#include "Engine/TGAImageFormat.h"
#include "Engine/Texture.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, std::size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, uint32_t v) {
    put16(b, at, v & 0xffff);
    put16(b, at + 2, v >> 16);
}

// The test picture: pixel (x, y), counted from the top-left, is (10x + 1, 20y + 2, x + y + 3, 200 + x).
uint8_t channel(uint32_t x, uint32_t y, int c) {
    const uint32_t values[4] = {10 * x + 1, 20 * y + 2, x + y + 3, 200 + x};
    return static_cast<uint8_t>(values[c]);
}

void expectPicture(const Image& image, uint32_t w, uint32_t h, bool withAlpha) {
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    ASSERT_EQ(image.pixels.size(), w * h * 4u);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(image.pixels[(y * w + x) * 4 + c], c == 3 && !withAlpha ? 255 : channel(x, y, c))
                    << "pixel " << x << "," << y << " channel " << c;
}

Bytes makeBMP(uint32_t w, uint32_t h, int bits, bool topDown = false) {
    const std::size_t bpp = static_cast<std::size_t>(bits) / 8;
    const std::size_t row = (w * bpp + 3) / 4 * 4;
    Bytes b(54 + row * h, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 10, 54);
    put32(b, 14, 40);
    put32(b, 18, w);
    put32(b, 22, topDown ? static_cast<uint32_t>(-static_cast<int32_t>(h)) : h);
    put16(b, 26, 1);
    put16(b, 28, static_cast<uint32_t>(bits));
    for (uint32_t fileRow = 0; fileRow < h; ++fileRow) {
        const uint32_t y = topDown ? fileRow : h - 1 - fileRow;
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = &b[54 + fileRow * row + x * bpp];
            p[0] = channel(x, y, 2);
            p[1] = channel(x, y, 1);
            p[2] = channel(x, y, 0);
            if (bits == 32)
                p[3] = channel(x, y, 3);
        }
    }
    return b;
}

// A TGA of the test picture stored from [origin] (descriptor bits 4-5), raw or run-length.
Bytes makeTGA(int type, uint32_t w, uint32_t h, int depth, int origin) {
    Bytes b(18, 0);
    b[2] = static_cast<uint8_t>(type);
    put16(b, 12, w);
    put16(b, 14, h);
    b[16] = static_cast<uint8_t>(depth);
    b[17] = static_cast<uint8_t>(origin << 4);
    const bool rightToLeft = (origin & 1) != 0;
    const bool topToBottom = (origin & 2) != 0;
    for (uint32_t row = 0; row < h; ++row) {
        for (uint32_t column = 0; column < w; ++column) {
            const uint32_t x = rightToLeft ? w - 1 - column : column;
            const uint32_t y = topToBottom ? row : h - 1 - row;
            if (type >= 9)
                b.push_back(0);  // a raw packet of one pixel
            if (depth == 8) {
                b.push_back(channel(x, y, 0));
            } else {
                b.push_back(channel(x, y, 2));
                b.push_back(channel(x, y, 1));
                b.push_back(channel(x, y, 0));
                if (depth == 32)
                    b.push_back(channel(x, y, 3));
            }
        }
    }
    return b;
}

Bytes writePNG(uint32_t w, uint32_t h, png_uint_32 format, const void* pixels,
               const void* colourMap = nullptr, png_uint_32 colourMapEntries = 0) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = w;
    png.height = h;
    png.format = format;
    png.colormap_entries = colourMapEntries;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_get_memory_size(png, size, 0, pixels, 0, colourMap));
    Bytes out(size);
    EXPECT_TRUE(png_image_write_to_memory(&png, out.data(), &size, 0, pixels, 0, colourMap));
    out.resize(size);
    return out;
}

TEST(BMPImageFormat, ReadsBottomUpAndTopDownRowsWithTheirPadding) {
    for (uint32_t w : {3u, 4u}) {
        for (int bits : {24, 32}) {
            for (bool topDown : {false, true}) {
                SCOPED_TRACE(testing::Message() << w << " wide, " << bits << " bits, top-down " << topDown);
                const Bytes file = makeBMP(w, 2, bits, topDown);
                // 3 pixels of 3 bytes need 3 pad bytes per row, 4 pixels none: 12-byte rows both.
                if (bits == 24)
                    EXPECT_EQ(file.size(), 54u + 12u * 2u);
                BMPImageFormat bmp;
                ASSERT_TRUE(bmp.loadFromMemory(file.data(), file.size()));
                EXPECT_EQ(bmp.getBitsPerPixel(), bits);
                expectPicture(bmp.getImage(), w, 2, bits == 32);
            }
        }
    }
}

TEST(BMPImageFormat, TransparencyAndIntensity) {
    BMPImageFormat bmp;
    const Bytes file = makeBMP(2, 1, 24);
    ASSERT_TRUE(bmp.loadFromMemory(file.data(), file.size()));
    bmp.makeColourTransparent(11, 2, 4);  // pixel (1, 0)
    EXPECT_EQ(bmp.getPixels()[3], 255);
    EXPECT_EQ(bmp.getPixels()[7], 0);
    bmp.makeAlphaFromIntensity();
    EXPECT_EQ(bmp.getPixels()[3], (1 + 2 + 3) / 3);
    EXPECT_EQ(bmp.getPixels()[7], (11 + 2 + 4) / 3);
}

TEST(BMPImageFormat, RefusesDamagedFiles) {
    const Bytes good = makeBMP(3, 2, 24);
    std::vector<std::pair<const char*, Bytes>> damaged;
    damaged.emplace_back("empty", Bytes{});
    damaged.emplace_back("header only", Bytes(good.begin(), good.begin() + 54));
    damaged.emplace_back("last pixel missing", Bytes(good.begin(), good.end() - 4));
    Bytes b = good;
    put16(b, 28, 16);
    damaged.emplace_back("16 bits", b);
    b = good;
    put32(b, 18, 0);
    damaged.emplace_back("no width", b);
    b = good;
    put32(b, 18, 16385);
    damaged.emplace_back("too wide", b);
    b = good;
    put32(b, 22, 0x80000000u);
    damaged.emplace_back("most negative height", b);
    b = good;
    put32(b, 22, 16384);
    damaged.emplace_back("rows the file lacks", b);
    b = good;
    put32(b, 10, 0xfffffff0u);
    damaged.emplace_back("offset past the end", b);
    for (const auto& [what, bytes] : damaged) {
        BMPImageFormat bmp;
        EXPECT_FALSE(bmp.loadFromMemory(bytes.data(), bytes.size())) << what;
        EXPECT_TRUE(bmp.getImage().isEmpty()) << what;
    }
    // The last row may lack its padding.
    BMPImageFormat bmp;
    EXPECT_TRUE(bmp.loadFromMemory(good.data(), good.size() - 3));
    EXPECT_FALSE(bmp.load("no such file.bmp"));
}

TEST(TGAImageFormat, ReadsEveryTypeFromEveryOriginTopRowFirst) {
    for (int type : {2, 3, 10}) {
        for (int depth : {8, 24, 32}) {
            if ((type == 3) != (depth == 8))
                continue;
            for (int origin = 0; origin < 4; ++origin) {
                SCOPED_TRACE(testing::Message()
                             << "type " << type << " depth " << depth << " origin " << origin);
                const Bytes file = makeTGA(type, 3, 2, depth, origin);
                TGAImageFormat tga;
                ASSERT_TRUE(tga.loadFromMemory(file.data(), file.size()));
                if (depth == 8) {
                    const Image& image = tga.getImage();
                    ASSERT_EQ(image.pixels.size(), 24u);
                    for (uint32_t y = 0; y < 2; ++y)
                        for (uint32_t x = 0; x < 3; ++x) {
                            const uint8_t* p = &image.pixels[(y * 3 + x) * 4];
                            EXPECT_EQ(p[0], channel(x, y, 0));
                            EXPECT_EQ(p[1], channel(x, y, 0));
                            EXPECT_EQ(p[3], 255);
                        }
                } else {
                    expectPicture(tga.getImage(), 3, 2, depth == 32);
                }
            }
        }
    }
}

TEST(TGAImageFormat, ColourMapsAndRunsAreBoundedByTheImage) {
    // A colour-mapped run-length image whose map starts at index 5: one raw pixel (entry 0), then
    // a run of 128 (entry 1) clamped to the 3 pixels left.
    Bytes b(18, 0);
    b[1] = 1;
    b[2] = 9;
    put16(b, 3, 5);
    put16(b, 5, 2);
    b[7] = 24;
    put16(b, 12, 2);
    put16(b, 14, 2);
    b[16] = 8;
    b[17] = 0x20;
    for (int v : {10, 20, 30, 40, 50, 60}) b.push_back(static_cast<uint8_t>(v));  // entries B, G, R
    b.insert(b.end(), {0x00, 5, 0xff, 6});
    TGAImageFormat tga;
    ASSERT_TRUE(tga.loadFromMemory(b.data(), b.size()));
    const Image& image = tga.getImage();
    EXPECT_EQ(std::vector<uint8_t>(image.pixels.begin(), image.pixels.begin() + 8),
              (std::vector<uint8_t>{30, 20, 10, 255, 60, 50, 40, 255}));
    EXPECT_EQ(image.pixels[12], 60);

    Bytes badIndex = b;
    badIndex[b.size() - 1] = 7;  // past the map's two entries
    EXPECT_FALSE(tga.loadFromMemory(badIndex.data(), badIndex.size()));
    Bytes belowFirst = b;
    belowFirst[b.size() - 3] = 4;
    EXPECT_FALSE(tga.loadFromMemory(belowFirst.data(), belowFirst.size()));

    const Bytes good = makeTGA(10, 3, 2, 24, 0);
    std::vector<std::pair<const char*, Bytes>> damaged;
    damaged.emplace_back("run-length data cut short", Bytes(good.begin(), good.end() - 1));
    Bytes d = good;
    d[16] = 16;
    damaged.emplace_back("16 bits", d);
    d = good;
    d[2] = 4;
    damaged.emplace_back("type 4", d);
    d = good;
    put16(d, 12, 0);
    damaged.emplace_back("no width", d);
    d = makeTGA(2, 3, 2, 24, 0);
    put16(d, 14, 60000);
    damaged.emplace_back("rows the file lacks", d);
    d = makeTGA(1, 3, 2, 8, 0);
    damaged.emplace_back("indexes without a map", d);
    d = good;
    d[0] = 200;
    damaged.emplace_back("id past the end", d);
    for (const auto& [what, bytes] : damaged)
        EXPECT_FALSE(tga.loadFromMemory(bytes.data(), bytes.size())) << what;
    EXPECT_TRUE(tga.getImage().isEmpty());
}

TEST(PNGImageFormat, ConvertsPaletteGreyDeepAndAlphaImagesToRGBA) {
    const uint8_t grey[4] = {0, 85, 170, 255};
    PNGImageFormat png;
    Bytes file = writePNG(2, 2, PNG_FORMAT_GRAY, grey);
    ASSERT_TRUE(png.loadFromMemory(file.data(), file.size()));
    EXPECT_EQ(std::vector<uint8_t>(png.getImage().pixels.begin() + 4, png.getImage().pixels.begin() + 8),
              (std::vector<uint8_t>{85, 85, 85, 255}));

    const uint8_t greyAlpha[4] = {200, 0, 100, 255};
    file = writePNG(2, 1, PNG_FORMAT_GA, greyAlpha);
    ASSERT_TRUE(png.loadFromMemory(file.data(), file.size()));
    EXPECT_EQ(png.getImage().pixels, (std::vector<uint8_t>{200, 200, 200, 0, 100, 100, 100, 255}));

    // 16 bits per channel: full scale reads as 255, zero as 0.
    const uint16_t deep[8] = {65535, 0, 0, 65535, 0, 65535, 0, 65535};
    file = writePNG(2, 1, PNG_FORMAT_LINEAR_RGB_ALPHA, deep);
    ASSERT_TRUE(png.loadFromMemory(file.data(), file.size()));
    EXPECT_EQ(png.getImage().pixels, (std::vector<uint8_t>{255, 0, 0, 255, 0, 255, 0, 255}));

    const uint8_t palette[8] = {255, 0, 0, 255, 0, 0, 255, 128};
    const uint8_t indexes[3] = {1, 0, 1};
    file = writePNG(3, 1, PNG_FORMAT_RGBA_COLORMAP, indexes, palette, 2);
    ASSERT_TRUE(png.loadFromMemory(file.data(), file.size()));
    EXPECT_EQ(png.getImage().width, 3u);
    EXPECT_EQ(std::vector<uint8_t>(png.getImage().pixels.begin(), png.getImage().pixels.begin() + 8),
              (std::vector<uint8_t>{0, 0, 255, 128, 255, 0, 0, 255}));

    // Cut short, or a header claiming far more pixels than the data could hold: refused.
    EXPECT_FALSE(png.loadFromMemory(file.data(), file.size() / 2));
    Bytes forged = writePNG(2, 2, PNG_FORMAT_GRAY, grey);
    forged[16] = 0x00;
    forged[17] = 0x00;
    forged[18] = 0x40;  // width 16384
    forged[20] = forged[21] = 0x00;
    forged[22] = 0x40;  // height 16384
    EXPECT_FALSE(png.loadFromMemory(forged.data(), forged.size()));
    EXPECT_TRUE(png.getImage().isEmpty());
    Bytes text(64, 'x');
    EXPECT_FALSE(png.loadFromMemory(text.data(), text.size()));
}

TEST(Texture, SidesRoundUpToPowersOfTwoWithExtents) {
    const Texture texture(7, 100, 60);
    EXPECT_EQ(texture.getTextureWidth(), 128u);
    EXPECT_EQ(texture.getTextureHeight(), 64u);
    EXPECT_FLOAT_EQ(texture.getUExtent(), 0.78125f);
    EXPECT_FLOAT_EQ(texture.getVExtent(), 0.9375f);
    EXPECT_EQ(Texture::powerOfTwoAtLeast(1), 1u);
    EXPECT_EQ(Texture::powerOfTwoAtLeast(64), 64u);
    EXPECT_EQ(Texture::powerOfTwoAtLeast(16384), 16384u);

    Image image;
    image.width = 3;
    image.height = 1;
    image.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::vector<uint8_t> padded = Texture::padToTextureSize(image);
    ASSERT_EQ(padded.size(), 4u * 1u * 4u);
    EXPECT_EQ(padded[8], 9);
    EXPECT_EQ(padded[12], 0);
    EXPECT_EQ(padded[15], 0);
}

}  // namespace
