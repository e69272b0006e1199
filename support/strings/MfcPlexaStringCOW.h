// The class-library storage family of Plexa strings: the text lives in a heap CString.
//
// Buffers come from CString::GetBuffer (which un-shares or grows the CString's own buffer),
// lengths go to CString::SetLength (a length above the allocation is the CString's
// CInvalidArgException), and Clone assigns the CString, so two clones share the CString's buffer
// until one of them writes.
#pragma once

#include "CString.h"
#include "IPlexaStringCOW.h"

class MfcPlexaStringCOW : public IPlexaStringCOW {
public:
    MfcPlexaStringCOW();
    ~MfcPlexaStringCOW() override;
    MfcPlexaStringCOW(const MfcPlexaStringCOW&) = delete;
    MfcPlexaStringCOW& operator=(const MfcPlexaStringCOW&) = delete;

    IPlexaStringCOW* CreateEmpty() const override;
    IPlexaStringCOW* Clone() const override;
    int Reserve(int n) override;
    void* GetRawStorage() override;                   // CString*
    const void* GetConstRawStorage() const override;  // const CString*
    long AddRef() override;
    long Release() override;
    long GetRefCount() const override;
    bool IsUnshareable() const override;
    PlexaChar* GetBuffer(int n) override;
    const PlexaChar* GetString() const override;
    void SetLength(int n) override;
    int GetClassFamilyId() const override;
    void SetClassFamilyId(int id) override;

private:
    CString* m_string;
    bool m_owns = true;
    volatile long m_refCount = 0;

    static int s_familyId;
};
