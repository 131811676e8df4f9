// The tint arithmetic of background pictures, under the sanitizers.
#include <gtest/gtest.h>

#include <math.h>

#include <vector>

#include "tint.h"

namespace {

struct Picture {
    int width, height;
    std::vector<uint8_t> pixels;  // 32-bit rows, bottom-up
    Picture(int w, int h, uint32_t colour) : width(w), height(h), pixels(w * h * 4)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                Set(x, y, colour);
    }
    // (x, y) in image coordinates, y = 0 at the top; colour 0x00BBGGRR.
    void Set(int x, int y, uint32_t colour)
    {
        uint8_t *p = &pixels[((height - 1 - y) * width + x) * 4];
        p[0] = colour >> 16 & 0xFF;
        p[1] = colour >> 8 & 0xFF;
        p[2] = colour & 0xFF;
        p[3] = 0x5A;
    }
    uint32_t Get(int x, int y) const
    {
        const uint8_t *p = &pixels[((height - 1 - y) * width + x) * 4];
        EXPECT_EQ(p[3], 0) << "the fourth byte is cleared";
        return p[0] << 16 | p[1] << 8 | p[2];
    }
    void Tint(uint32_t base) { TintPixels(pixels.data(), width, height, width * 4, base); }
};

uint32_t Channel(uint32_t colour, int shift)
{
    return colour >> shift & 0xFF;
}

// 255 x (c / 255)^e for each channel, as the tint defines it.
uint32_t Expected(uint32_t base, double exponent)
{
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        result |= (uint32_t)(255.0 * pow(Channel(base, shift) / 255.0, exponent)) << shift;
    return result;
}

const uint32_t kBase = 0x00A0C8E6;  // red 230, green 200, blue 160

TEST(Tint, UniformPictureTakesOneColourJustBelowTheBase)
{
    // R = b (1 + 1/W + 1/W^2 + 1/W^3): every pixel has exponent R / b.
    Picture picture(8, 4, 0x00808080);
    picture.Tint(kBase);
    double exponent = 1 + 1 / 8.0 + 1 / 64.0 + 1 / 512.0;
    uint32_t colour = picture.Get(0, 0);
    EXPECT_EQ(colour, Expected(kBase, exponent));
    for (int shift = 0; shift <= 16; shift += 8)
        EXPECT_LT(Channel(colour, shift), Channel(kBase, shift));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(picture.Get(x, y), colour) << x << "," << y;

    // One row high: exponent 1, the base colour itself.
    Picture row(5, 1, 0x00336699);
    row.Tint(kBase);
    EXPECT_EQ(row.Get(3, 0), Expected(kBase, 1.0));
}

TEST(Tint, BrightnessWeighsBlue77AndRed25FromTheTopRowDown)
{
    // Top row blue (b = 77 x 255), bottom row red (b = 25 x 255):
    // R = ((2 x 19635) / 2 + 2 x 6375) / 2 = 16192.5.
    Picture picture(2, 2, 0x000000FF);
    picture.Set(0, 0, 0x00FF0000);
    picture.Set(1, 0, 0x00FF0000);
    EXPECT_FLOAT_EQ(ReferenceBrightness(picture.pixels.data(), 2, 2, 8), 16192.5f);
    picture.Tint(kBase);
    EXPECT_EQ(picture.Get(0, 0), Expected(kBase, 16192.5 / 19635));  // lighter
    EXPECT_EQ(picture.Get(1, 1), Expected(kBase, 16192.5 / 6375));   // darker
}

TEST(Tint, BlackPixelsGetADefinedColour)
{
    // Left half white, right half black; a base with a full red channel.
    const uint32_t base = 0x004080FF;
    Picture picture(8, 8, 0x00FFFFFF);
    for (int y = 0; y < 8; ++y)
        for (int x = 4; x < 8; ++x)
            picture.Set(x, y, 0);
    picture.Tint(base);
    uint32_t white = picture.Get(0, 5);
    EXPECT_GT(Channel(white, 8), Channel(base, 8));  // lighter than the base
    EXPECT_GT(Channel(white, 16), Channel(base, 16));
    // An infinite exponent: channels below 255 go to 0, a full one stays.
    EXPECT_EQ(picture.Get(6, 5), 0x000000FFu);

    // An all-black picture has no reference brightness: it takes the base.
    Picture black(3, 3, 0);
    black.Tint(base);
    EXPECT_EQ(black.Get(1, 1), Expected(base, 1.0));
}

TEST(Tint, EveryPixelMatchesTheFormula)
{
    Picture picture(61, 37, 0);
    uint32_t seed = 12345;
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x) {
            seed = seed * 1103515245u + 12345u;
            picture.Set(x, y, seed >> 8 & 0xFFFFFF);
        }
    Picture original = picture;
    float reference = ReferenceBrightness(picture.pixels.data(), 61, 37, 61 * 4);
    picture.Tint(kBase);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x) {
            const uint8_t *p = &original.pixels[((36 - y) * 61 + x) * 4];
            ASSERT_EQ(picture.Get(x, y), TintedColour(PixelBrightness(p), reference, kBase));
        }
}

}  // namespace
