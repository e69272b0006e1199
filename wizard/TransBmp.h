// A bitmap that can be drawn with a transparent key colour: the colour of its top-left pixel.
#pragma once

#include "GdiObject.h"
#include "UniqueHandle.h"

class CDC;

class CTransBmp : public CBitmap {
public:
    CTransBmp() noexcept;

    // The bitmap's size, read from its description the first time either is needed.
    int GetWidth();
    int GetHeight();
    // Reads the size from the bitmap again (after it was replaced).
    void RefreshSize();

    // Copies the whole bitmap to (x, y).
    void Draw(HDC dc, int x, int y);
    void Draw(CDC* dc, int x, int y);
    // Builds the mask: white where the key colour is, black elsewhere. An existing mask goes.
    void CreateMask(HDC dc);
    // Draws the bitmap to (x, y) with the key colour transparent, off screen first so the
    // destination does not flicker; the mask is made on first use.
    void DrawTransparent(HDC dc, int x, int y);
    void DrawTransparent(CDC* dc, int x, int y);

    // The monochrome mask; null until made.
    HBITMAP GetMask() const { return m_mask.Get(); }

private:
    int m_nWidth;   // 0 until known
    int m_nHeight;  // 0 until known
    OrbelToolbox::UniqueGdiObject<HBITMAP> m_mask;  // goes before the bitmap itself
};
