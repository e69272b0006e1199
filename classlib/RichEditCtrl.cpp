#include "RichEditCtrl.h"

BOOL AfxInitRichEdit()
{
    static HMODULE s_library = ::LoadLibraryW(L"riched32.dll");
    return s_library != nullptr;
}

BOOL AfxInitRichEdit2()
{
    static HMODULE s_library = ::LoadLibraryW(L"riched20.dll");
    return s_library != nullptr;
}

BOOL CRichEditCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    AfxInitRichEdit();
    return CreateEx(0, L"RICHEDIT", L"", style, rect, parent, id);
}
