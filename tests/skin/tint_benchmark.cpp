// Tints a 1600 x 1200 photo-like picture with the product's TintBitmap and
// with a straightforward per-pixel reference of the same formula, checks
// that both give the same bytes, and prints how much faster the product is.
// Fails when the outputs differ or the product is not 10 times faster.
#include <windows.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "skin.h"

namespace {

const int kWidth = 1600, kHeight = 1200;

// Smooth light and shade with grain, so that most brightnesses occur.
void PaintPhoto(uint8_t *pixels)
{
    uint32_t seed = 2024;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t *p = pixels + ((size_t)y * kWidth + x) * 4;
            double shade = 0.5 + 0.25 * sin(x / 97.0) * cos(y / 71.0) + 0.2 * sin((x + y) / 233.0);
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1664525u + 1013904223u;
                double value = 255 * shade * (0.8 + 0.1 * c) + (int)(seed >> 27) - 16;
                p[c] = (uint8_t)(value < 0 ? 0 : value > 255 ? 255 : value);
            }
            p[3] = 0;
        }
}

// The formula pixel by pixel, as written, with the same limits for black
// pixels and an all-black picture.
void ReferenceTint(uint8_t *pixels, COLORREF base)
{
    double sum = 0;
    for (int row = kHeight - 1; row >= 0; --row) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t *p = pixels + ((size_t)row * kWidth + x) * 4;
            sum += 77.0 * p[0] + 154.0 * p[1] + 25.0 * p[2];
        }
        sum /= kWidth;
    }
    float reference = (float)sum;
    double channels[3] = {GetBValue(base) / 255.0, GetGValue(base) / 255.0, GetRValue(base) / 255.0};
    for (int row = kHeight - 1; row >= 0; --row)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t *p = pixels + ((size_t)row * kWidth + x) * 4;
            uint32_t b = 77u * p[0] + 154u * p[1] + 25u * p[2];
            float e = 1.0f / ((float)b / reference);
            if (isnan(e))
                e = 1.0f;
            for (int c = 0; c < 3; ++c)
                p[c] = isinf(e) ? (channels[c] >= 1.0 ? 255 : 0)
                                : (uint8_t)(int)(255.0 * pow(channels[c], (double)e));
            p[3] = 0;
        }
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

}  // namespace

int main()
{
    const COLORREF base = RGB(212, 208, 200);
    HDC screen = GetDC(NULL);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits;
    HBITMAP photo = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!photo) {
        printf("could not make the picture\n");
        return 1;
    }
    PaintPhoto((uint8_t *)bits);
    std::vector<uint8_t> expected((uint8_t *)bits, (uint8_t *)bits + (size_t)kWidth * kHeight * 4);

    LARGE_INTEGER start, middle, end;
    QueryPerformanceCounter(&start);
    HBITMAP tinted = TintBitmap(screen, photo, base);
    QueryPerformanceCounter(&middle);
    ReferenceTint(expected.data(), base);
    QueryPerformanceCounter(&end);

    DIBSECTION section;
    if (tinted == photo || GetObjectA(tinted, sizeof section, &section) != sizeof section) {
        printf("TintBitmap made no copy\n");
        return 1;
    }
    bool same = !memcmp(section.dsBm.bmBits, expected.data(), expected.size());
    double product = Seconds(start, middle), reference = Seconds(middle, end);
    double ratio = reference / product;
    printf("%d x %d: product %.1f ms, per-pixel reference %.1f ms, %.1f times faster; outputs %s\n",
           kWidth, kHeight, product * 1000, reference * 1000, ratio,
           same ? "identical" : "DIFFER");
    DeleteObject(tinted);
    ReleaseDC(NULL, screen);
    return same && ratio >= 10 ? 0 : 1;
}
