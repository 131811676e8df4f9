// The tint arithmetic of background pictures, free of <windows.h> so that
// it also builds with the host compiler.
//
// Pixels are 32-bit blue, green, red, x in memory, rows bottom-up: memory
// row 0 is the bottom image row. The base colour is 0x00BBGGRR.
#pragma once
#include <stddef.h>
#include <stdint.h>

// Brightness with the picture's own weights: 77 on blue, 154 on green,
// 25 on red (0 to 65280).
inline uint32_t PixelBrightness(const uint8_t *pixel)
{
    return 77u * pixel[0] + 154u * pixel[1] + 25u * pixel[2];
}

// Reference brightness: rows summed from the top image row down, the total
// divided by the width after each row.
float ReferenceBrightness(const uint8_t *pixels, int width, int height, ptrdiff_t stride);

// The tinted colour (0x00BBGGRR) of a pixel of the given brightness.
uint32_t TintedColour(uint32_t brightness, float reference, uint32_t base);

// Re-colours the whole picture in place to the base colour.
void TintPixels(uint8_t *pixels, int width, int height, ptrdiff_t stride, uint32_t base);
