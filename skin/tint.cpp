#include "tint.h"

#include <math.h>
#include <stdlib.h>

namespace {

// 255 x c^e, truncated and reduced to 8 bits. The limits are spelled out
// rather than left to the maths library: an infinite exponent (a black
// pixel) keeps only a full channel, and an exponent that is not a number
// (a black pixel in an all-black picture) is taken as 1, the base colour.
uint32_t TintChannel(double c, float e)
{
    if (isnan(e))
        e = 1.0f;
    if (isinf(e))
        return c >= 1.0 ? 255u : 0u;
    return (uint32_t)(int)(255.0 * pow(c, (double)e)) & 0xFFu;
}

const uint32_t kNotComputed = 0xFFFFFFFFu;
const uint32_t kBrightnessCount = 65281;

}  // namespace

float ReferenceBrightness(const uint8_t *pixels, int width, int height, ptrdiff_t stride)
{
    double reference = 0;
    for (int row = height - 1; row >= 0; --row) {
        const uint8_t *pixel = pixels + row * stride;
        for (int x = 0; x < width; ++x, pixel += 4)
            reference += PixelBrightness(pixel);
        reference /= width;
    }
    return (float)reference;
}

uint32_t TintedColour(uint32_t brightness, float reference, uint32_t base)
{
    float exponent = 1.0f / ((float)brightness / reference);
    uint32_t red = TintChannel((base & 0xFF) / 255.0, exponent);
    uint32_t green = TintChannel((base >> 8 & 0xFF) / 255.0, exponent);
    uint32_t blue = TintChannel((base >> 16 & 0xFF) / 255.0, exponent);
    return blue << 16 | green << 8 | red;
}

void TintPixels(uint8_t *pixels, int width, int height, ptrdiff_t stride, uint32_t base)
{
    if (width <= 0 || height <= 0)
        return;
    float reference = ReferenceBrightness(pixels, width, height, stride);
    // The colour depends on the brightness alone, and a picture has far
    // fewer brightnesses than pixels: each is worked out once. Without
    // memory for the table every pixel is worked out by itself.
    uint32_t *known = (uint32_t *)malloc(kBrightnessCount * sizeof *known);
    if (known) {
        for (uint32_t i = 0; i < kBrightnessCount; ++i)
            known[i] = kNotComputed;
    }
    for (int row = height - 1; row >= 0; --row) {
        uint8_t *pixel = pixels + row * stride;
        for (int x = 0; x < width; ++x, pixel += 4) {
            uint32_t brightness = PixelBrightness(pixel);
            uint32_t colour;
            if (!known) {
                colour = TintedColour(brightness, reference, base);
            } else {
                colour = known[brightness];
                if (colour == kNotComputed)
                    colour = known[brightness] = TintedColour(brightness, reference, base);
            }
            pixel[0] = (uint8_t)(colour >> 16);
            pixel[1] = (uint8_t)(colour >> 8);
            pixel[2] = (uint8_t)colour;
            pixel[3] = 0;
        }
    }
    free(known);
}
