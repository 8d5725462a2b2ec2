// CTextureFont: screen-space text drawn from a glyph texture.
// The printable ASCII characters (32..126) of a TrueType face are rendered once into an
// A4R4G4B4 texture (white, coverage in alpha); DrawText then builds two pre-transformed
// triangles per character and draws them alpha-blended under its own state block,
// restoring the caller's states afterwards.
#pragma once

#include "platform/d3d8.h"
#include "platform/win32.h"

// Construction flags.
constexpr DWORD FONT_BOLD = 0x0001;
constexpr DWORD FONT_ITALIC = 0x0002;
// Drawing flag: bilinear instead of point sampling of the glyphs.
constexpr DWORD FONT_FILTERED = 0x0004;

class CTextureFont {
public:
    // fontName: face name (at most 79 characters are kept); height: points at 96 dpi;
    // flags: FONT_BOLD, FONT_ITALIC.
    CTextureFont(const char* fontName, DWORD height, DWORD flags = 0);
    ~CTextureFont();
    CTextureFont(const CTextureFont&) = delete;
    CTextureFont& operator=(const CTextureFont&) = delete;

    // Builds the glyph texture (managed pool: survives device resets).
    HRESULT CreateDeviceObjects(IDirect3DDevice8* pDevice);
    // Creates the vertex buffer and the two state blocks (lost on reset).
    HRESULT RebuildDeviceObjects();
    HRESULT ReleaseDeviceObjects();
    HRESULT DestroyDeviceObjects();

    // x, y: top-left of the first character in screen pixels; colour: ARGB; text: bytes
    // 32..126 draw, '\n' starts a new line at x, other bytes below 32 or above 127 draw
    // nothing; flags: FONT_FILTERED. Between BeginScene and EndScene only.
    HRESULT DrawText(float x, float y, DWORD colour, const char* text, DWORD flags = 0);

    // Texture size (square, texels) chosen for a height in points, before the device limit.
    static DWORD TextureSizeForHeight(DWORD height);

    char m_fontName[80];
    DWORD m_fontHeight;  // points
    DWORD m_fontFlags;   // FONT_BOLD | FONT_ITALIC
    IDirect3DDevice8* m_pDevice;
    IDirect3DTexture8* m_pTexture;
    IDirect3DVertexBuffer8* m_pVB;
    DWORD m_texWidth;   // texels
    DWORD m_texHeight;  // texels
    float m_textScale;  // 1.0, or texture size / wanted size when the device limit is smaller
    float m_texCoords[128 - 32][4];  // characters 32..127: left, top, right, bottom in 0..1
    DWORD m_savedStateBlock;         // captures the caller's values of the text states
    DWORD m_drawTextStateBlock;      // sets the text states

private:
    // Records both blocks anew (deleting any earlier pair), with the current texture.
    void RecordStateBlocks();
    void DeleteStateBlocks();
};
