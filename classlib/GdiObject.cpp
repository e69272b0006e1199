#include "GdiObject.h"

#include "AfxThreadState.h"
#include "DC.h"
#include "Resources.h"

template <class T> T* CGdiObject::TempFromHandle(HGDIOBJ handle)
{
    if (!handle)
        return nullptr;
    static const char tag = 0;  // one per class: a handle asked for as two classes gets two objects
    CGdiObject*& temp = AfxGetThreadState().tempGdi[std::make_pair(handle, static_cast<const void*>(&tag))];
    if (!temp) {
        T* object = new T;
        object->m_hObject = handle;
        temp = object;
    }
    return static_cast<T*>(temp);
}

template CBitmap* CGdiObject::TempFromHandle<CBitmap>(HGDIOBJ);
template CFont* CGdiObject::TempFromHandle<CFont>(HGDIOBJ);
template CPen* CGdiObject::TempFromHandle<CPen>(HGDIOBJ);
template CPalette* CGdiObject::TempFromHandle<CPalette>(HGDIOBJ);
template CBrush* CGdiObject::TempFromHandle<CBrush>(HGDIOBJ);

CGdiObject* CGdiObject::FromHandle(HGDIOBJ handle)
{
    return TempFromHandle<CGdiObject>(handle);
}

BOOL CGdiObject::Attach(HGDIOBJ handle)
{
    if (!handle)
        return FALSE;
    DeleteObject();
    m_hObject = handle;
    return TRUE;
}

HGDIOBJ CGdiObject::Detach() noexcept
{
    HGDIOBJ handle = m_hObject;
    m_hObject = nullptr;
    return handle;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CBitmap::LoadBitmap(UINT id)
{
    return Attach(::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id)));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height)
{
    return Attach(::CreateCompatibleBitmap(dc->m_hDC, width, height));
}
