#include "TransBmp.h"

#include "DC.h"

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

// A memory context compatible with `dc` with `bitmap` selected until the end of the scope.
class CSelectedBitmap {
public:
    CSelectedBitmap(HDC dc, HBITMAP bitmap) : m_dc(::CreateCompatibleDC(dc)), m_previous(nullptr)
    {
        if (m_dc)
            m_previous = ::SelectObject(m_dc, bitmap);
    }
    ~CSelectedBitmap()
    {
        if (m_dc) {
            ::SelectObject(m_dc, m_previous);
            ::DeleteDC(m_dc);
        }
    }
    CSelectedBitmap(const CSelectedBitmap&) = delete;
    CSelectedBitmap& operator=(const CSelectedBitmap&) = delete;

    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

}  // namespace

CTransBmp::CTransBmp() noexcept : m_nWidth(0), m_nHeight(0) { }

void CTransBmp::RefreshSize()
{
    BITMAP description = {};
    GetBitmap(&description);
    m_nWidth = description.bmWidth;
    m_nHeight = description.bmHeight;
}

int CTransBmp::GetWidth()
{
    if (m_nWidth == 0)
        RefreshSize();
    return m_nWidth;
}

int CTransBmp::GetHeight()
{
    if (m_nHeight == 0)
        RefreshSize();
    return m_nHeight;
}

void CTransBmp::Draw(HDC dc, int x, int y)
{
    CSelectedBitmap source(dc, *this);
    ::BitBlt(dc, x, y, GetWidth(), GetHeight(), source, 0, 0, SRCCOPY);
}

void CTransBmp::Draw(CDC* dc, int x, int y)
{
    Draw(dc->GetSafeHdc(), x, y);
}

void CTransBmp::CreateMask(HDC dc)
{
    const int width = GetWidth();
    const int height = GetHeight();
    m_mask.Reset(::CreateBitmap(width, height, 1, 1, nullptr));
    if (!m_mask)
        return;
    CSelectedBitmap source(dc, *this);
    CSelectedBitmap mask(dc, m_mask.Get());
    // Copying colour to monochrome gives white where the source has its background colour.
    const COLORREF previous = ::SetBkColor(source, ::GetPixel(source, 0, 0));
    ::BitBlt(mask, 0, 0, width, height, source, 0, 0, SRCCOPY);
    ::SetBkColor(source, previous);
}

void CTransBmp::DrawTransparent(HDC dc, int x, int y)
{
    if (!m_mask)
        CreateMask(dc);
    const int width = GetWidth();
    const int height = GetHeight();
    OrbelToolbox::UniqueGdiObject<HBITMAP> offScreen(::CreateBitmap(
        width, height, ::GetDeviceCaps(dc, PLANES), ::GetDeviceCaps(dc, BITSPIXEL), nullptr));
    if (!offScreen)
        return;
    CSelectedBitmap work(dc, offScreen.Get());
    CSelectedBitmap image(dc, *this);
    CSelectedBitmap mask(dc, m_mask.Get());
    ::BitBlt(work, 0, 0, width, height, dc, x, y, SRCCOPY);
    // Where the mask is white (the key colour) the destination survives the two exclusive ors;
    // where it is black only the image is left.
    ::SetBkColor(work, kWhite);
    ::BitBlt(work, 0, 0, width, height, image, 0, 0, SRCINVERT);
    ::BitBlt(work, 0, 0, width, height, mask, 0, 0, SRCAND);
    ::BitBlt(work, 0, 0, width, height, image, 0, 0, SRCINVERT);
    ::BitBlt(dc, x, y, width, height, work, 0, 0, SRCCOPY);
}

void CTransBmp::DrawTransparent(CDC* dc, int x, int y)
{
    DrawTransparent(dc->GetSafeHdc(), x, y);
}
