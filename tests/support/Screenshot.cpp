#include "Screenshot.h"

#include <algorithm>
#include <cstdio>

namespace {

unsigned long Crc32(const unsigned char* data, size_t size, unsigned long crc = 0)
{
    static unsigned long table[256];
    static bool made = false;
    if (!made) {
        for (unsigned long n = 0; n < 256; ++n) {
            unsigned long c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        made = true;
    }
    crc ^= 0xFFFFFFFFUL;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFUL;
}

void PutBigEndian(std::vector<unsigned char>& out, unsigned long value)
{
    out.push_back(static_cast<unsigned char>(value >> 24));
    out.push_back(static_cast<unsigned char>(value >> 16));
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data)
{
    PutBigEndian(out, static_cast<unsigned long>(data.size()));
    std::vector<unsigned char> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBigEndian(out, Crc32(typed.data(), typed.size()));
}

}  // namespace

bool WritePng(const std::wstring& path, int width, int height, const std::vector<unsigned char>& rgb)
{
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBigEndian(header, static_cast<unsigned long>(width));
    PutBigEndian(header, static_cast<unsigned long>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
    PutChunk(png, "IHDR", header);

    // Scanlines with filter byte 0, in a zlib stream of stored blocks.
    std::vector<unsigned char> raw;
    const size_t row = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + static_cast<long>(y * row), rgb.begin() + static_cast<long>((y + 1) * row));
    }
    std::vector<unsigned char> zlib = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t size = std::min<size_t>(65535, raw.size() - at);
        const bool last = at + size == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<unsigned char>(size & 0xFF));
        zlib.push_back(static_cast<unsigned char>(size >> 8));
        zlib.push_back(static_cast<unsigned char>(~size & 0xFF));
        zlib.push_back(static_cast<unsigned char>((~size >> 8) & 0xFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + size));
        at += size;
    } while (at < raw.size());
    unsigned long a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, (b << 16) | a);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});

    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    const bool written = fwrite(png.data(), 1, png.size(), file) == png.size();
    return fclose(file) == 0 && written;
}

std::wstring ScreenshotFolder()
{
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VELMO_SCREENSHOTS", folder, MAX_PATH) > 0)
        return folder;
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    std::wstring path = folder;
    return path.substr(0, path.find_last_of(L'\\'));
}

std::vector<DWORD> ScreenPixels(const RECT& rect)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::vector<DWORD> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        const bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, old);
        if (copied) {
            const DWORD* pixel = static_cast<const DWORD*>(bits);
            pixels.reserve(static_cast<size_t>(width) * height);
            for (int i = 0; i < width * height; ++i)
                pixels.push_back(pixel[i] & 0xFFFFFF);
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::wstring SaveScreenshot(HWND window, const std::wstring& name)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // Let the X server catch up with what was drawn.
    MSG msg;
    for (int i = 0; i < 10; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(20);
    }
    RECT rect;
    GetWindowRect(window, &rect);
    const std::vector<DWORD> pixels = ScreenPixels(rect);
    if (pixels.empty())
        return std::wstring();
    std::vector<unsigned char> rgb;
    rgb.reserve(pixels.size() * 3);
    for (DWORD pixel : pixels) {
        rgb.push_back(static_cast<unsigned char>(pixel >> 16));
        rgb.push_back(static_cast<unsigned char>(pixel >> 8));
        rgb.push_back(static_cast<unsigned char>(pixel));
    }
    std::wstring path = ScreenshotFolder() + L"\\" + name + L".png";
    return WritePng(path, rect.right - rect.left, rect.bottom - rect.top, rgb) ? path : std::wstring();
}
