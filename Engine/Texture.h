// A picture uploaded to the video device. Device textures have power-of-two sides, so the image
// fills only the top-left part of its texture; the u and v extents say how much.
#pragma once

#include <cstdint>
#include <vector>

#include "Engine/Image.h"

// How a texture is sampled. Linear filtering and repeating edges are the default.
struct TextureSampling {
    // Nearest: each pixel takes the one texel under it (hard-edged pixel art); otherwise the
    // four nearest texels are blended.
    bool nearest = false;
    // Clamp: coordinates beyond 0..1 take the edge texels, and an image whose sides are not
    // powers of two has its edge texels repeated into the padding, so the clamp holds at the
    // image's own edge; otherwise the texture repeats.
    bool clamp = false;
    bool operator==(const TextureSampling&) const = default;
};

class Texture {
  public:
    // [id] is the device's name for the texture (never 0); [imageWidth] x [imageHeight] the
    // picture inside it.
    Texture(uint32_t id, uint32_t imageWidth, uint32_t imageHeight, TextureSampling sampling = {});

    uint32_t getId() const { return id_; }
    uint32_t getImageWidth() const { return imageWidth_; }
    uint32_t getImageHeight() const { return imageHeight_; }
    uint32_t getTextureWidth() const { return textureWidth_; }
    uint32_t getTextureHeight() const { return textureHeight_; }
    // Image width / texture width, and the same for heights: the texture coordinates of the
    // image's far edges.
    float getUExtent() const { return uExtent_; }
    float getVExtent() const { return vExtent_; }
    const TextureSampling& getSampling() const { return sampling_; }

    // The smallest power of two not below [size] (1 for 0).
    static uint32_t powerOfTwoAtLeast(uint32_t size);
    // [image] in the top-left corner of a zeroed texture-sized RGBA buffer; with [repeatEdges]
    // the padding right of and below the image repeats its last column and row instead.
    static std::vector<uint8_t> padToTextureSize(const Image& image, bool repeatEdges = false);

  private:
    uint32_t id_;
    uint32_t imageWidth_;
    uint32_t imageHeight_;
    uint32_t textureWidth_;
    uint32_t textureHeight_;
    float uExtent_;
    float vExtent_;
    TextureSampling sampling_;
};
