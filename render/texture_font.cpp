#include "render/texture_font.h"

#include <cstring>

#include "app/safe_release.h"
#include "render/transformed_vertex.h"

namespace {

constexpr UINT kMaxVertices = 50 * 6;  // one vertex buffer: 50 characters per draw call
constexpr UINT kFirstChar = 32;
constexpr UINT kLastGlyphChar = 126;

TransformedVertex MakeVertex(float x, float y, DWORD colour, float tu, float tv) {
    return TransformedVertex{x, y, 0.9f, 1.0f, colour, tu, tv};
}

}  // namespace

CTextureFont::CTextureFont(const char* fontName, DWORD height, DWORD flags)
    : m_fontName{},
      m_fontHeight(height),
      m_fontFlags(flags),
      m_pDevice(nullptr),
      m_pTexture(nullptr),
      m_pVB(nullptr),
      m_texWidth(0),
      m_texHeight(0),
      m_textScale(1.0f),
      m_texCoords{},
      m_savedStateBlock(0),
      m_drawTextStateBlock(0) {
    if (fontName) std::strncpy(m_fontName, fontName, sizeof(m_fontName) - 1);
}

CTextureFont::~CTextureFont() {
    ReleaseDeviceObjects();
    DestroyDeviceObjects();
}

DWORD CTextureFont::TextureSizeForHeight(DWORD height) {
    if (height > 40) return 1024;
    if (height > 20) return 512;
    return 256;
}

HRESULT CTextureFont::CreateDeviceObjects(IDirect3DDevice8* pDevice) {
    if (!pDevice) return E_FAIL;
    // A second call replaces the texture instead of leaking it; blocks recorded with the old
    // one go with it and are recorded again once the new one is ready.
    const bool blocksRecorded = m_drawTextStateBlock != 0;
    DeleteStateBlocks();
    SafeRelease(m_pTexture);
    m_pDevice = pDevice;
    m_textScale = 1.0f;

    m_texWidth = m_texHeight = TextureSizeForHeight(m_fontHeight);
    D3DCAPS8 caps{};
    HRESULT hr = m_pDevice->GetDeviceCaps(&caps);
    if (FAILED(hr)) return hr;
    if (caps.MaxTextureWidth > 0 && caps.MaxTextureWidth < m_texWidth) {
        m_textScale = static_cast<float>(caps.MaxTextureWidth) / static_cast<float>(m_texWidth);
        m_texWidth = m_texHeight = caps.MaxTextureWidth;
    }

    hr = m_pDevice->CreateTexture(m_texWidth, m_texHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &m_pTexture);
    if (FAILED(hr)) return hr;

    // A top-down 32-bit bitmap of the texture's size that GDI draws the glyphs into.
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<LONG>(m_texWidth);
    bmi.bmiHeader.biHeight = -static_cast<LONG>(m_texHeight);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biBitCount = 32;

    HDC hDC = CreateCompatibleDC(nullptr);
    DWORD* pBitmapBits = nullptr;
    HBITMAP hbmBitmap = CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pBitmapBits), nullptr, 0);
    if (!hDC || !hbmBitmap || !pBitmapBits) {
        if (hbmBitmap) DeleteObject(hbmBitmap);
        if (hDC) DeleteDC(hDC);
        return E_FAIL;
    }
    SetMapMode(hDC, MM_TEXT);

    // Points at 96 dpi, scaled down with the texture when the device limit applies.
    const INT height = -MulDiv(static_cast<int>(m_fontHeight),
                               static_cast<int>(GetDeviceCaps(hDC, LOGPIXELSY) * m_textScale), 72);
    const DWORD bold = (m_fontFlags & FONT_BOLD) ? FW_BOLD : FW_NORMAL;
    const DWORD italic = (m_fontFlags & FONT_ITALIC) ? TRUE : FALSE;
    HFONT hFont = CreateFont(height, 0, 0, 0, static_cast<int>(bold), italic, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, m_fontName);
    if (!hFont) {
        DeleteObject(hbmBitmap);
        DeleteDC(hDC);
        return E_FAIL;
    }

    SelectObject(hDC, hbmBitmap);
    SelectObject(hDC, hFont);
    SetTextColor(hDC, 0x00FFFFFF);
    SetBkColor(hDC, 0x00000000);
    SetTextAlign(hDC, TA_TOP);

    // Pack the glyphs left to right in rows, one texel apart; a glyph that would cross the
    // right edge starts a new row. Glyphs whose row would cross the bottom edge are not
    // placed: they keep an empty rectangle and draw nothing.
    std::memset(m_texCoords, 0, sizeof(m_texCoords));
    DWORD x = 0;
    DWORD y = 0;
    for (UINT c = kFirstChar; c <= kLastGlyphChar; ++c) {
        const char str[2] = {static_cast<char>(c), 0};
        SIZE size{0, 0};
        GetTextExtentPoint32(hDC, str, 1, &size);
        const DWORD cx = static_cast<DWORD>(size.cx > 0 ? size.cx : 0);
        const DWORD cy = static_cast<DWORD>(size.cy > 0 ? size.cy : 0);
        if (x + cx + 1 > m_texWidth) {
            x = 0;
            y += cy + 1;
        }
        if (y + cy > m_texHeight) break;
        ExtTextOut(hDC, static_cast<int>(x), static_cast<int>(y), ETO_OPAQUE, nullptr, str, 1, nullptr);
        float* rect = m_texCoords[c - kFirstChar];
        rect[0] = static_cast<float>(x) / m_texWidth;
        rect[1] = static_cast<float>(y) / m_texHeight;
        rect[2] = static_cast<float>(x + cx) / m_texWidth;
        rect[3] = static_cast<float>(y + cy) / m_texHeight;
        x += cx + 1;
    }

    // Coverage (upper four bits of the blue byte) becomes the texel's alpha over white.
    D3DLOCKED_RECT locked{};
    hr = m_pTexture->LockRect(0, &locked, nullptr, 0);
    if (SUCCEEDED(hr)) {
        auto* pDstRow = static_cast<BYTE*>(locked.pBits);
        for (DWORD row = 0; row < m_texHeight; ++row) {
            auto* pDst16 = reinterpret_cast<WORD*>(pDstRow);
            const DWORD* pSrc = pBitmapBits + static_cast<size_t>(m_texWidth) * row;
            for (DWORD col = 0; col < m_texWidth; ++col) {
                const BYTE alpha = static_cast<BYTE>((pSrc[col] & 0xFF) >> 4);
                pDst16[col] = alpha > 0 ? static_cast<WORD>((alpha << 12) | 0x0FFF) : 0;
            }
            pDstRow += locked.Pitch;
        }
        m_pTexture->UnlockRect(0);
    }

    DeleteObject(hbmBitmap);
    DeleteDC(hDC);
    DeleteObject(hFont);
    if (SUCCEEDED(hr) && blocksRecorded) RecordStateBlocks();
    return hr;
}

HRESULT CTextureFont::RebuildDeviceObjects() {
    if (!m_pDevice) return E_FAIL;
    SafeRelease(m_pVB);
    HRESULT hr = m_pDevice->CreateVertexBuffer(kMaxVertices * sizeof(TransformedVertex),
                                               D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &m_pVB);
    if (FAILED(hr)) return hr;
    RecordStateBlocks();
    return S_OK;
}

void CTextureFont::DeleteStateBlocks() {
    if (m_pDevice) {
        if (m_savedStateBlock) m_pDevice->DeleteStateBlock(m_savedStateBlock);
        if (m_drawTextStateBlock) m_pDevice->DeleteStateBlock(m_drawTextStateBlock);
    }
    m_savedStateBlock = 0;
    m_drawTextStateBlock = 0;
}

void CTextureFont::RecordStateBlocks() {
    DeleteStateBlocks();  // a second rebuild replaces the blocks instead of leaking them
    // The same list recorded twice: one block to capture and restore the caller's values
    // of exactly these states, one to set them for the text.
    for (UINT which = 0; which < 2; ++which) {
        m_pDevice->BeginStateBlock();
        m_pDevice->SetTexture(0, m_pTexture);
        m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        m_pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        m_pDevice->SetRenderState(D3DRS_ALPHAREF, 0x08);
        m_pDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        m_pDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
        m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        m_pDevice->SetRenderState(D3DRS_ZENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_STENCILENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_CLIPPING, TRUE);
        m_pDevice->SetRenderState(D3DRS_EDGEANTIALIAS, FALSE);
        m_pDevice->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
        m_pDevice->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
        m_pDevice->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
        m_pDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        m_pDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        m_pDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        m_pDevice->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
        m_pDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        m_pDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        m_pDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        m_pDevice->EndStateBlock(which == 0 ? &m_savedStateBlock : &m_drawTextStateBlock);
    }
}

HRESULT CTextureFont::ReleaseDeviceObjects() {
    SafeRelease(m_pVB);
    DeleteStateBlocks();
    return S_OK;
}

HRESULT CTextureFont::DestroyDeviceObjects() {
    SafeRelease(m_pTexture);
    m_pDevice = nullptr;
    return S_OK;
}

HRESULT CTextureFont::DrawText(float sx, float sy, DWORD colour, const char* text, DWORD flags) {
    if (!m_pDevice || !m_pVB) return E_FAIL;
    if (!text) return E_INVALIDARG;

    m_pDevice->CaptureStateBlock(m_savedStateBlock);
    m_pDevice->ApplyStateBlock(m_drawTextStateBlock);
    m_pDevice->SetVertexShader(kTransformedVertexFVF);
    m_pDevice->SetStreamSource(0, m_pVB, sizeof(TransformedVertex));

    if (flags & FONT_FILTERED) {
        m_pDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }

    const float startX = sx;
    // Line height: the space glyph's height at drawing size.
    const float lineHeight = (m_texCoords[0][3] - m_texCoords[0][1]) * m_texHeight / m_textScale;

    TransformedVertex* pVertices = nullptr;
    DWORD numTriangles = 0;
    HRESULT hr = m_pVB->Lock(0, 0, reinterpret_cast<BYTE**>(&pVertices), D3DLOCK_DISCARD);

    for (const char* p = text; SUCCEEDED(hr) && *p; ++p) {
        const signed char c = static_cast<signed char>(*p);
        if (c == '\n') {
            sx = startX;
            sy += lineHeight;
        }
        if (c < static_cast<signed char>(kFirstChar)) continue;

        const float* rect = m_texCoords[c - kFirstChar];
        const float tx1 = rect[0], ty1 = rect[1], tx2 = rect[2], ty2 = rect[3];
        const float w = (tx2 - tx1) * m_texWidth / m_textScale;
        const float h = (ty2 - ty1) * m_texHeight / m_textScale;

        // Half a pixel up and left so that texel centres meet pixel centres.
        *pVertices++ = MakeVertex(sx + 0 - 0.5f, sy + h - 0.5f, colour, tx1, ty2);
        *pVertices++ = MakeVertex(sx + 0 - 0.5f, sy + 0 - 0.5f, colour, tx1, ty1);
        *pVertices++ = MakeVertex(sx + w - 0.5f, sy + h - 0.5f, colour, tx2, ty2);
        *pVertices++ = MakeVertex(sx + w - 0.5f, sy + 0 - 0.5f, colour, tx2, ty1);
        *pVertices++ = MakeVertex(sx + w - 0.5f, sy + h - 0.5f, colour, tx2, ty2);
        *pVertices++ = MakeVertex(sx + 0 - 0.5f, sy + 0 - 0.5f, colour, tx1, ty1);
        numTriangles += 2;

        if (numTriangles * 3 > kMaxVertices - 6) {
            m_pVB->Unlock();
            m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, numTriangles);
            pVertices = nullptr;
            hr = m_pVB->Lock(0, 0, reinterpret_cast<BYTE**>(&pVertices), D3DLOCK_DISCARD);
            numTriangles = 0;
        }
        sx += w;
    }

    if (SUCCEEDED(hr)) {
        m_pVB->Unlock();
        if (numTriangles > 0) m_pDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, numTriangles);
    }

    m_pDevice->ApplyStateBlock(m_savedStateBlock);
    return SUCCEEDED(hr) ? S_OK : hr;
}
