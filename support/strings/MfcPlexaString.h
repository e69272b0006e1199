// MfcPlexaString: the Plexa string in which the MSI access layer hands texts to the application.
//
// Its copies and its constructor from any Plexa string adopt the source's storage (whatever its
// family) instead of copying the text, so returning one by value costs a reference, not a copy.
// It converts to the class library's CString for the application's own code.
#pragma once

#include "CString.h"
#include "MfcPlexaStringCOW.h"
#include "PlexaString.h"

template <> struct PlexaStorageFor<CStringT> {
    typedef MfcPlexaStringCOW Type;
};

class MfcPlexaString : public PlexaString<CStringT> {
public:
    MfcPlexaString();
    // Adopting form: shares a whole source's storage.
    MfcPlexaString(const IPlexaString& source, int pos = 0, int count = -1);
    MfcPlexaString(const MfcPlexaString& other);
    ~MfcPlexaString() override;

    MfcPlexaString& operator=(const MfcPlexaString& other);
    MfcPlexaString& operator=(const IPlexaString& other);
    MfcPlexaString& operator=(const wchar_t* text);

    // A CString holding the text (sharing the CString's buffer when the storage is a CString).
    CString GetMfcString() const;
    operator CString() const { return GetMfcString(); }
};
