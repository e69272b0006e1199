#include "SEH_Exception.h"

#include "MessageTableReader.h"
#include "UniqueHandle.h"

SEH_Exception::SEH_Exception(unsigned int code, EXCEPTION_POINTERS* pointers) : m_code(code), m_pointers(pointers) { }

DWORD SEH_Exception::GetMessage(wchar_t* buffer, DWORD size) const
{
    OrbelToolbox::UniqueModule ntdll(::LoadLibraryW(L"ntdll.dll"));
    {
        CMessageTableReader reader(ntdll.Get(), 0);
        reader.GetMessage(m_code, buffer, size);
    }
    return size;
}
