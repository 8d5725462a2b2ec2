// Text drawn into pictures with FreeType from the Debian font packages
// (fonts-dejavu-core, fonts-liberation2).
#pragma once

#include <string>
#include <vector>

namespace cg {

// Coverage mask, 0..1 per pixel, rows top to bottom.
struct Mask {
    int w = 0, h = 0;
    std::vector<float> a;
    float& At(int x, int y) { return a[size_t(y) * w + x]; }
    float At(int x, int y) const { return a[size_t(y) * w + x]; }
};

namespace fonts {
extern const char* const kSansBold;       // DejaVu Sans Bold
extern const char* const kSans;           // DejaVu Sans
extern const char* const kMonoBold;       // DejaVu Sans Mono Bold
extern const char* const kLiberationBold; // Liberation Sans Bold
extern const char* const kSerifItalic;    // Liberation Serif Italic
}  // namespace fonts

// Renders one line of text. `pixelHeight` is the em height in pixels, `xScale` widens
// (>1) or narrows (<1) the glyphs, `tracking` is extra space between letters in pixels.
// The mask is cropped to the ink with `pad` pixels of margin. Returns an empty mask when
// the font cannot be read (the reason is printed).
Mask RenderText(const char* fontPath, const std::string& text, float pixelHeight, float xScale = 1.f,
                float tracking = 0.f, int pad = 0);

// Separable box blur, `passes` times (three passes approach a Gaussian).
Mask Blur(const Mask& m, int radius, int passes = 3);

// Grows a mask by `pad` transparent pixels on every side.
Mask Pad(const Mask& m, int pad);

}  // namespace cg
