#include "MsiInstallerError.h"
#include "SystemMessage.h"

#include "MsiApi.h"
#include "MsiRecord.h"

MsiInstallerError::MsiInstallerError(UINT code, const IMsiObject* /*context*/)
    : m_systemError(FALSE), m_code(code), m_record(MsiRecord::GetLastErrorRecord())
{
}

MsiInstallerError::MsiInstallerError(UINT code, const IMsiObject* /*ignored*/, const wchar_t* context)
    : m_systemError(TRUE), m_context(context), m_code(code)
{
}

MsiInstallerError::MsiInstallerError(const MsiInstallerError& other)
    : InstallerError(other), m_systemError(other.m_systemError), m_context(other.m_context), m_code(other.m_code),
      m_record(other.m_record)
{
}

MsiInstallerError::~MsiInstallerError() = default;

MsiInstallerError& MsiInstallerError::operator=(const MsiInstallerError& other)
{
    m_systemError = other.m_systemError;
    m_context = other.m_context;
    m_code = other.m_code;
    m_record = other.m_record;
    return *this;
}

IPlexaString& MsiInstallerError::Describe(IPlexaString& text) const
{
    if (m_systemError) {
        text.Assign(SystemMessageText(m_code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), 255).GetString(), 0, -1);
        text.Append(L"\noccured while ", 0, -1);
        text.Append(m_context);
        return text;
    }

    MSIHANDLE record = m_record.GetHandle();
    static wchar_t empty[1] = L"";
    empty[0] = L'\0';
    DWORD count = 0;
    UINT result = MsiApi().MsiFormatRecordW(0, record, empty, &count);
    if (result == ERROR_MORE_DATA || result == ERROR_SUCCESS) {
        ++count;
        wchar_t* buffer = text.GetBuffer(static_cast<int>(count));
        result = MsiApi().MsiFormatRecordW(0, record, buffer, &count);
        if (result == ERROR_SUCCESS) {
            text.SetLength(-1);
            return text;
        }
    }
    text.Assign(L"<Unable to format error record.>", 0, -1);
    return text;
}

MsiSmartPtr<MsiRecord> MsiInstallerError::GetErrorRecord() const
{
    return m_record;
}

std::wostream& operator<<(std::wostream& out, const MsiInstallerError& error)
{
    PlexaString<unsigned short*> description;
    error.Describe(description);
    out << L"Msi Error: " << static_cast<unsigned long>(error.GetCode()) << L"\r\nError Record: "
        << description.GetString();
    return out;
}
