// GDI objects: owning wrappers (the destructor deletes what the object holds) and the
// non-owning temporaries that FromHandle makes, freed when the thread's loop goes idle.
#pragma once

#include <windows.h>

class CDC;

class CGdiObject {
public:
    CGdiObject() noexcept : m_hObject(nullptr) { }
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    // A temporary object around `handle` (null for a null handle).
    static CGdiObject* FromHandle(HGDIOBJ handle);

    BOOL Attach(HGDIOBJ handle);
    HGDIOBJ Detach() noexcept;
    // Deletes the held object; FALSE when there is none.
    BOOL DeleteObject();
    int GetObject(int size, void* buffer) const { return ::GetObjectW(m_hObject, size, buffer); }
    HGDIOBJ GetSafeHandle() const noexcept { return m_hObject; }

    HGDIOBJ m_hObject;

protected:
    // The temporary of class T around `handle`.
    template <class T> static T* TempFromHandle(HGDIOBJ handle);
};

class CBitmap : public CGdiObject {
public:
    static CBitmap* FromHandle(HBITMAP handle) { return TempFromHandle<CBitmap>(handle); }
    // Bitmap `id` of the current resource module.
    BOOL LoadBitmap(UINT id);
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
    {
        return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
    }
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    int GetBitmap(BITMAP* bitmap) const { return GetObject(sizeof(BITMAP), bitmap); }
    operator HBITMAP() const noexcept { return static_cast<HBITMAP>(m_hObject); }
};

class CFont : public CGdiObject {
public:
    static CFont* FromHandle(HFONT handle) { return TempFromHandle<CFont>(handle); }
    BOOL CreateFontIndirect(const LOGFONTW* font) { return Attach(::CreateFontIndirectW(font)); }
    int GetLogFont(LOGFONTW* font) const { return GetObject(sizeof(LOGFONTW), font); }
    operator HFONT() const noexcept { return static_cast<HFONT>(m_hObject); }
};

class CPalette : public CGdiObject {
public:
    static CPalette* FromHandle(HPALETTE handle) { return TempFromHandle<CPalette>(handle); }
    BOOL CreatePalette(const LOGPALETTE* palette) { return Attach(::CreatePalette(palette)); }
    operator HPALETTE() const noexcept { return static_cast<HPALETTE>(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    CBrush() noexcept { }
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    static CBrush* FromHandle(HBRUSH handle) { return TempFromHandle<CBrush>(handle); }
    BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
    operator HBRUSH() const noexcept { return static_cast<HBRUSH>(m_hObject); }
};

class CPen : public CGdiObject {
public:
    CPen() noexcept { }
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    static CPen* FromHandle(HPEN handle) { return TempFromHandle<CPen>(handle); }
    BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
    operator HPEN() const noexcept { return static_cast<HPEN>(m_hObject); }
};
