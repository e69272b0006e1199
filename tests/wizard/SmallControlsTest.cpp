// The loading bar's background and the bitmaps drawn with a transparent key colour, drawn into
// memory contexts and read back pixel by pixel.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "DC.h"
#include "TransBmp.h"
#include "VelmoProgress.h"

namespace {

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kGreen = RGB(0, 255, 0);

// A 32-bit memory context of the screen's format with a bitmap of its own, filled with `fill`.
class CMemoryCanvas {
public:
    CMemoryCanvas(int width, int height, COLORREF fill)
    {
        HDC screen = ::GetDC(nullptr);
        m_dc.CreateCompatibleDC(CDC::FromHandle(screen));
        m_bitmap.Attach(::CreateCompatibleBitmap(screen, width, height));
        ::ReleaseDC(nullptr, screen);
        m_previous = ::SelectObject(m_dc, m_bitmap.m_hObject);
        CRect all(0, 0, width, height);
        m_dc.FillSolidRect(all, fill);
    }
    ~CMemoryCanvas() { ::SelectObject(m_dc, m_previous); }

    CDC& Dc() { return m_dc; }
    COLORREF At(int x, int y) { return ::GetPixel(m_dc, x, y); }

private:
    CDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_previous;
};

// A 32-bit bitmap from rows of colours (top row first).
void MakeBitmap(CBitmap& bitmap, const std::vector<std::vector<COLORREF>>& rows)
{
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows[0].size());
    std::vector<uint32_t> bits;
    for (const auto& row : rows)
        for (COLORREF c : row)
            bits.push_back((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    ASSERT_TRUE(bitmap.CreateBitmap(width, height, 1, 32, bits.data()));
}

}  // namespace

TEST(VelmoProgressTest, ErasesItsBackgroundInItsColour)
{
    WNDCLASSW parentClass = {};
    parentClass.lpfnWndProc = ::DefWindowProcW;
    parentClass.hInstance = ::GetModuleHandleW(nullptr);
    parentClass.lpszClassName = L"SmallControlsParent";
    ::RegisterClassW(&parentClass);
    HWND parent = ::CreateWindowW(L"SmallControlsParent", L"", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr,
        ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, parent);

    CVelmoProgress bar;
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), bar.GetBackgroundColor());
    // A template's progress bar, subclassed as the welcome page does.
    HWND control = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 40, 10, parent,
        reinterpret_cast<HMENU>(1001), ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(bar.SubclassWindow(control));
    bar.SetBackgroundColor(kGreen);

    CMemoryCanvas canvas(60, 20, kRed);
    EXPECT_EQ(TRUE, bar.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc().GetSafeHdc())));
    EXPECT_EQ(kGreen, canvas.At(0, 0));
    EXPECT_EQ(kGreen, canvas.At(39, 9));
    EXPECT_EQ(kRed, canvas.At(40, 10));  // outside the client area

    bar.UnsubclassWindow();
    ::DestroyWindow(parent);
}

TEST(TransBmpTest, SizeIsReadOnceAndDrawCopiesTheWholeBitmap)
{
    CTransBmp picture;
    MakeBitmap(picture, {{kRed, kBlue, kBlue}, {kBlue, kBlue, kBlue}});
    EXPECT_EQ(3, picture.GetWidth());
    EXPECT_EQ(2, picture.GetHeight());

    CMemoryCanvas canvas(6, 4, kGreen);
    picture.Draw(&canvas.Dc(), 1, 1);
    EXPECT_EQ(kGreen, canvas.At(0, 0));
    EXPECT_EQ(kRed, canvas.At(1, 1));  // no transparency
    EXPECT_EQ(kBlue, canvas.At(3, 2));
    EXPECT_EQ(kGreen, canvas.At(4, 1));
    EXPECT_EQ(nullptr, picture.GetMask());

    // Replacing the bitmap keeps the old size until it is read again.
    picture.DeleteObject();
    MakeBitmap(picture, {{kRed}});
    EXPECT_EQ(3, picture.GetWidth());
    picture.RefreshSize();
    EXPECT_EQ(1, picture.GetWidth());
    EXPECT_EQ(1, picture.GetHeight());
}

TEST(TransBmpTest, TheTopLeftColourIsTransparentWhereverItIsUsed)
{
    CTransBmp picture;
    // The key colour (top-left) also appears inside the picture: those pixels go too.
    MakeBitmap(picture, {{kRed, kBlue, kBlue}, {kBlue, kRed, kBlue}, {kBlue, kBlue, kBlue}});

    CMemoryCanvas canvas(5, 5, kGreen);
    picture.DrawTransparent(&canvas.Dc(), 1, 1);
    const HBITMAP mask = picture.GetMask();
    ASSERT_NE(nullptr, mask);
    const COLORREF expected[5][5] = {
        {kGreen, kGreen, kGreen, kGreen, kGreen},
        {kGreen, kGreen, kBlue, kBlue, kGreen},
        {kGreen, kBlue, kGreen, kBlue, kGreen},
        {kGreen, kBlue, kBlue, kBlue, kGreen},
        {kGreen, kGreen, kGreen, kGreen, kGreen},
    };
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(expected[y][x], canvas.At(x, y)) << x << "," << y;

    // A second drawing over another background uses the same mask.
    CMemoryCanvas other(3, 3, RGB(10, 20, 30));
    picture.DrawTransparent(other.Dc().GetSafeHdc(), 0, 0);
    EXPECT_EQ(mask, picture.GetMask());
    EXPECT_EQ(RGB(10, 20, 30), other.At(0, 0));
    EXPECT_EQ(RGB(10, 20, 30), other.At(1, 1));
    EXPECT_EQ(kBlue, other.At(2, 2));
}

TEST(TransBmpTest, TheKeyColourIsTheTopLeftPixelAlone)
{
    const COLORREF kGrey = RGB(128, 128, 128);
    const COLORREF kWhite = RGB(255, 255, 255);
    const COLORREF kBlack = RGB(0, 0, 0);
    const COLORREF kYellow = RGB(255, 255, 0);
    // Every pixel a colour of its own: only the top-left one is the key.
    const std::vector<std::vector<COLORREF>> rows = {{kRed, kBlue, kGreen}, {kWhite, kBlack, kYellow}};
    CTransBmp picture;
    MakeBitmap(picture, rows);

    CMemoryCanvas canvas(3, 2, kGrey);
    picture.DrawTransparent(&canvas.Dc(), 0, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(x == 0 && y == 0 ? kGrey : rows[y][x], canvas.At(x, y)) << x << "," << y;
}
