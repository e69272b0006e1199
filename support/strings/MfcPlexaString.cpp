#include "MfcPlexaString.h"

template class PlexaString<CStringT>;

MfcPlexaString::MfcPlexaString() = default;

MfcPlexaString::MfcPlexaString(const IPlexaString& source, int pos, int count)
    : PlexaString<CStringT>(source, pos, count, kPlexaAdopt)
{
}

MfcPlexaString::MfcPlexaString(const MfcPlexaString& other) : PlexaString<CStringT>(other, 0, -1, kPlexaAdopt) { }

MfcPlexaString::~MfcPlexaString() = default;

MfcPlexaString& MfcPlexaString::operator=(const MfcPlexaString& other)
{
    Assign(other, 0, -1);
    return *this;
}

MfcPlexaString& MfcPlexaString::operator=(const IPlexaString& other)
{
    Assign(other, 0, -1);
    return *this;
}

MfcPlexaString& MfcPlexaString::operator=(const wchar_t* text)
{
    Assign(text, 0, -1);
    return *this;
}

CString MfcPlexaString::GetMfcString() const
{
    const MfcPlexaStringCOW* storage = dynamic_cast<const MfcPlexaStringCOW*>(*GetStorage());
    if (storage) {
        return *static_cast<const CString*>(storage->GetConstRawStorage());
    }
    return CString(GetString());
}
