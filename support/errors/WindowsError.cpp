#include "WindowsError.h"
#include "SystemMessage.h"

#include "UniqueHandle.h"

InstallerError::~InstallerError() = default;

const char* InstallerError::what() const noexcept
{
    return "InstallerError";
}

WindowsError::WindowsError(DWORD code, const wchar_t* context) : m_code(code), m_context(context) { }

WindowsError::WindowsError(const WindowsError& other)
    : InstallerError(other), m_code(other.m_code), m_context(other.m_context)
{
}

WindowsError::~WindowsError() = default;

WindowsError& WindowsError::operator=(const WindowsError& other)
{
    m_code = other.m_code;
    m_context = other.m_context;
    return *this;
}

IPlexaString& WindowsError::Describe(IPlexaString& text) const
{
    const CString message = SystemMessageText(m_code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT));
    if (!message.IsEmpty()) {
        text.Append(message.GetString(), 0, -1);
    } else {
        text.AppendFormat(L"Windows Error %u", static_cast<unsigned int>(m_code));
    }
    text.Append(L" ", 0, -1);
    text.Append(m_context);
    return text;
}

std::wostream& operator<<(std::wostream& out, const WindowsError& error)
{
    PlexaString<unsigned short*> description;
    error.Describe(description);
    out << L"Windows Error " << static_cast<unsigned long>(error.GetCode()) << L": " << description.GetString();
    return out;
}
