#include "MfcPlexaStringCOW.h"

#include <cwchar>

int MfcPlexaStringCOW::s_familyId = 0;

MfcPlexaStringCOW::MfcPlexaStringCOW() : m_string(new CString()) { }

MfcPlexaStringCOW::~MfcPlexaStringCOW()
{
    if (m_owns) {
        delete m_string;
    }
}

IPlexaStringCOW* MfcPlexaStringCOW::CreateEmpty() const
{
    return new MfcPlexaStringCOW();
}

IPlexaStringCOW* MfcPlexaStringCOW::Clone() const
{
    MfcPlexaStringCOW* copy = new MfcPlexaStringCOW();
    *copy->m_string = *m_string;
    return copy;
}

int MfcPlexaStringCOW::Reserve(int n)
{
    m_string->GetBuffer(n);
    return n;
}

void* MfcPlexaStringCOW::GetRawStorage()
{
    return m_string;
}

const void* MfcPlexaStringCOW::GetConstRawStorage() const
{
    return m_string;
}

long MfcPlexaStringCOW::AddRef()
{
    return ::InterlockedIncrement(&m_refCount);
}

long MfcPlexaStringCOW::Release()
{
    long count = ::InterlockedDecrement(&m_refCount);
    if (count <= 0) {
        delete this;
        return 0;
    }
    return count;
}

long MfcPlexaStringCOW::GetRefCount() const
{
    return m_refCount;
}

bool MfcPlexaStringCOW::IsUnshareable() const
{
    return !m_owns;
}

PlexaChar* MfcPlexaStringCOW::GetBuffer(int n)
{
    return reinterpret_cast<PlexaChar*>(m_string->GetBuffer(n));
}

const PlexaChar* MfcPlexaStringCOW::GetString() const
{
    return reinterpret_cast<const PlexaChar*>(m_string->GetString());
}

void MfcPlexaStringCOW::SetLength(int n)
{
    if (n == -1) {
        n = static_cast<int>(std::wcslen(m_string->GetString()));
    }
    m_string->SetLength(n);
}

int MfcPlexaStringCOW::GetClassFamilyId() const
{
    return s_familyId;
}

void MfcPlexaStringCOW::SetClassFamilyId(int id)
{
    s_familyId = id;
}
