#include "IInstallerError.h"

#include "MsPrintf.h"
#include "Resources.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <sstream>
#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace ZKInstallerError {

namespace {

// The module that holds this library's code: the program itself.
HMODULE OwnModule()
{
    return reinterpret_cast<HMODULE>(&__ImageBase);
}

// A heap copy of `text` (delete[]); null when out of memory.
wchar_t* CopyText(const wchar_t* text, size_t length)
{
    wchar_t* copy = new (std::nothrow) wchar_t[length + 1];
    if (copy) {
        std::wmemcpy(copy, text, length);
        copy[length] = L'\0';
    }
    return copy;
}

wchar_t* CopyText(const wchar_t* text)
{
    return CopyText(text, std::wcslen(text));
}

// Reads string `id` of `module` whole. Returns the length read (0: no such string, `text` then
// empty); `text` is null when out of memory.
size_t LoadWholeString(HMODULE module, unsigned int id, wchar_t*& text)
{
    const wchar_t* resource = nullptr;
    int length = 0;
    if (!FindStringResource(module, id, resource, length)) {
        length = 0;
    }
    text = new (std::nothrow) wchar_t[static_cast<size_t>(length) + 1];
    if (!text) {
        return 0;
    }
    std::copy(resource, resource + length, text);
    text[length] = L'\0';
    return static_cast<size_t>(length);
}

}  // namespace

struct IInstallerError::Body {
    LONG references = 1;
    CRITICAL_SECTION lock;
    wchar_t* fullText = nullptr;
    wchar_t* userMessage = nullptr;
    wchar_t* rawDebugText = nullptr;
    wchar_t* debugMessage = nullptr;

    Body() { ::InitializeCriticalSection(&lock); }
    ~Body()
    {
        delete[] fullText;
        delete[] userMessage;
        delete[] rawDebugText;
        delete[] debugMessage;
        ::DeleteCriticalSection(&lock);
    }
    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;
};

IInstallerError::IInstallerError(const char* file, int line, int code, ResourceModuleCallback resourceModule,
    unsigned int stringId, const wchar_t* debugText)
    : m_code(code), m_stringId(stringId), m_line(line), m_resourceModule(resourceModule), m_body(new Body),
      m_file(file ? file : kNoFile)
{
    if (debugText) {
        m_body->rawDebugText = CopyText(debugText);
    }
}

IInstallerError::IInstallerError(const IInstallerError& other) noexcept
    : std::exception(other), m_code(other.m_code), m_stringId(other.m_stringId), m_line(other.m_line),
      m_resourceModule(other.m_resourceModule), m_body(other.m_body), m_file(other.m_file)
{
    ::InterlockedIncrement(&m_body->references);
}

IInstallerError& IInstallerError::operator=(const IInstallerError& other) noexcept
{
    if (m_body != other.m_body) {
        ::InterlockedIncrement(&other.m_body->references);
        Release();
        m_body = other.m_body;
    }
    m_code = other.m_code;
    m_stringId = other.m_stringId;
    m_line = other.m_line;
    m_resourceModule = other.m_resourceModule;
    m_file = other.m_file;
    return *this;
}

IInstallerError::~IInstallerError()
{
    Release();
}

void IInstallerError::Release() noexcept
{
    if (::InterlockedDecrement(&m_body->references) == 0) {
        delete m_body;
    }
    m_body = nullptr;
}

void IInstallerError::SetDebugText(const wchar_t* debugText)
{
    wchar_t* copy = debugText ? CopyText(debugText) : nullptr;
    ::EnterCriticalSection(&m_body->lock);
    delete[] m_body->rawDebugText;
    m_body->rawDebugText = copy;
    ::LeaveCriticalSection(&m_body->lock);
}

const wchar_t* IInstallerError::GetText(wchar_t* Body::*slot, void (IInstallerError::*build)() const) const
{
    // The lock is recursive: building the full text requests the other two texts.
    ::EnterCriticalSection(&m_body->lock);
    if (!(m_body->*slot)) {
        try {
            (this->*build)();
        } catch (...) {
            // A builder that fails leaves its text absent.
        }
    }
    const wchar_t* text = m_body->*slot;
    ::LeaveCriticalSection(&m_body->lock);
    return text ? text : kNoMemory;
}

const wchar_t* IInstallerError::GetUserMessage() const
{
    return GetText(&Body::userMessage, &IInstallerError::BuildUserMessage);
}

const wchar_t* IInstallerError::GetDebugMessage() const
{
    ::EnterCriticalSection(&m_body->lock);
    bool hasDebugText = m_body->rawDebugText != nullptr;
    ::LeaveCriticalSection(&m_body->lock);
    if (!hasDebugText) {
        return kNoDebugMessage;
    }
    return GetText(&Body::debugMessage, &IInstallerError::BuildDebugMessage);
}

const wchar_t* IInstallerError::GetFullText() const
{
    return GetText(&Body::fullText, &IInstallerError::BuildFullText);
}

void IInstallerError::BuildUserMessage() const
{
    wchar_t* messageTemplate = nullptr;
    LoadMessageTemplate(messageTemplate);
    if (!messageTemplate) {
        return;
    }
    wchar_t* message = ExpandArguments(messageTemplate);
    FreeMessageTemplate(messageTemplate);
    delete[] m_body->userMessage;
    m_body->userMessage = message;
}

void IInstallerError::BuildDebugMessage() const
{
    if (!m_body->rawDebugText) {
        return;
    }
    wchar_t* message = ExpandArguments(m_body->rawDebugText);
    delete[] m_body->debugMessage;
    m_body->debugMessage = message;
}

void IInstallerError::BuildFullText() const
{
    const wchar_t* user = GetUserMessage();
    const wchar_t* debug = GetDebugMessage();
    std::wstring text = MsFormat(L"%S(%d): IInstallerError %d\n%s\n%s\n", m_file, m_line, m_code, user, debug);
    wchar_t* copy = CopyText(text.data(), text.size());
    delete[] m_body->fullText;
    m_body->fullText = copy;
}

void IInstallerError::LoadMessageTemplate(wchar_t*& messageTemplate) const
{
    HMODULE program = OwnModule();
    HMODULE module = m_resourceModule ? m_resourceModule(m_code) : program;
    if (!module) {
        module = program;
    }
    size_t length = LoadWholeString(module, m_stringId, messageTemplate);
    if (length == 0 && module != program) {
        // A language module without this template: the program's own copy serves, so that the
        // user still sees a message.
        delete[] messageTemplate;
        LoadWholeString(program, m_stringId, messageTemplate);
    }
}

void IInstallerError::FreeMessageTemplate(wchar_t*& messageTemplate) const
{
    delete[] messageTemplate;
    messageTemplate = nullptr;
}

wchar_t* IInstallerError::ExpandArguments(const wchar_t* text) const
{
    try {
        std::wostringstream out;
        const wchar_t* p = text;
        while (*p) {
            if (*p != L'%') {
                out.put(*p++);
                continue;
            }
            wchar_t next = p[1];
            if (next == L'%') {
                out.put(L'%');
                p += 2;
            } else if (next == L'0') {
                break;  // "%0" ends the text
            } else if (next >= L'1' && next <= L'9') {
                p += 1;
                unsigned int number = 0;
                while (*p >= L'0' && *p <= L'9') {
                    unsigned int digit = static_cast<unsigned int>(*p - L'0');
                    number = number > (0xFFFFFFFFu - digit) / 10 ? 0xFFFFFFFFu : number * 10 + digit;
                    ++p;
                }
                InsertArgument(number, out);
            } else {
                out.put(L'%');  // the next character is then read by the rules above
                ++p;
            }
        }
        std::wstring expanded = out.str();
        return CopyText(expanded.data(), expanded.size());
    } catch (...) {
        return nullptr;
    }
}

}  // namespace ZKInstallerError
