#include "SharedData.h"

#include "MsPrintf.h"
#include "VaListEnd.h"

namespace OrbelToolbox {
namespace OrbelOutput {

namespace {

const size_t kMessageGrowth = 128;
const size_t kMessageLimit = 0x10000;

// printf-style text; the format itself when it cannot be formatted.
std::wstring FormatPrintf(const wchar_t* format, va_list args)
{
    if (!format)
        return std::wstring();
    try {
        return MsFormatV(format, args);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return format;
    }
}

std::wstring FormatTemplate(const wchar_t* templ, va_list* args)
{
    std::wstring text;
    if (templ && !FormatMessageText(templ, args, false, text))
        text = templ;
    return text;
}

}  // namespace

bool FormatMessageText(const wchar_t* templ, va_list* args, bool argumentArray, std::wstring& out)
{
    DWORD flags = FORMAT_MESSAGE_FROM_STRING;
    if (argumentArray)
        flags |= FORMAT_MESSAGE_ARGUMENT_ARRAY;
    if (!args)
        flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
    for (size_t size = kMessageGrowth; size <= kMessageLimit; size += kMessageGrowth) {
        std::vector<wchar_t> buffer(size);
        DWORD length = 0;
        if (args && !argumentArray) {
            // FormatMessageW consumes an argument list: each attempt works on its own copy.
            va_list copy;
            va_copy(copy, *args);
            VaListEnd end(copy);
            length = FormatMessageW(flags, templ, 0, 0, buffer.data(), static_cast<DWORD>(size), &copy);
        } else {
            length = FormatMessageW(flags, templ, 0, 0, buffer.data(), static_cast<DWORD>(size), args);
        }
        const DWORD error = GetLastError();
        if (length != 0) {
            out.assign(buffer.data(), length);
            return true;
        }
        if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA)
            return false;
    }
    return false;
}

SharedData::SharedData()
{
    InitializeCriticalSection(&m_lock);
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart != 0 && QueryPerformanceCounter(&counter)) {
        m_frequency = frequency.QuadPart;
        m_startTime = counter.QuadPart;
    } else {
        m_frequency = 0;
        m_startTime = GetTickCount();
    }
}

SharedData::~SharedData()
{
    DeleteCriticalSection(&m_lock);
}

const wchar_t* SharedData::GetProgressText()
{
    m_progressReaderCopy = m_progressText;
    return m_progressReaderCopy.c_str();
}

bool SharedData::FormatProgressText(const wchar_t* templ, va_list* args)
{
    std::wstring text;
    if (!templ || !FormatMessageText(templ, args, false, text))
        return false;
    m_progressText = text;
    return true;
}

void SharedData::AppendUserLogMessage(const wchar_t* text)
{
    m_userLog.push_back(text ? text : L"");
    const size_t added = m_userLog.size() - 1;
    if (!m_firstCursor.valid) {
        m_firstCursor.position = added;
        m_firstCursor.valid = true;
    }
    if (m_errorCode != 0) {
        if (!m_secondCursor.valid) {
            m_secondCursor.position = added;
            m_secondCursor.valid = true;
        }
    } else {
        m_secondCursor.valid = false;
    }
}

const wchar_t* SharedData::UserLogMessageAtFirstCursor()
{
    if (!m_firstCursor.valid || m_firstCursor.position >= m_userLog.size())
        return nullptr;
    return m_userLog[m_firstCursor.position].c_str();
}

const wchar_t* SharedData::UserLogMessageAtSecondCursor()
{
    if (!m_secondCursor.valid || m_secondCursor.position >= m_userLog.size())
        return nullptr;
    return m_userLog[m_secondCursor.position].c_str();
}

void SharedData::AdvanceFirstCursor()
{
    if (m_firstCursor.valid && m_firstCursor.position < m_userLog.size())
        ++m_firstCursor.position;
}

void SharedData::AdvanceSecondCursor()
{
    if (m_secondCursor.valid && m_secondCursor.position < m_userLog.size())
        ++m_secondCursor.position;
}

void SharedData::PushContextFront(const wchar_t* format, va_list args)
{
    m_context.push_front(FormatPrintf(format, args));
}

void SharedData::PushContextBack(const wchar_t* format, va_list args)
{
    m_context.push_back(FormatPrintf(format, args));
}

void SharedData::PopContextFront()
{
    if (!m_context.empty())
        m_context.pop_front();
}

void SharedData::PushDetailFront(const wchar_t* templ, va_list* args)
{
    m_detail.push_front(FormatTemplate(templ, args));
}

void SharedData::PushDetailBack(const wchar_t* templ, va_list* args)
{
    m_detail.push_back(FormatTemplate(templ, args));
}

void SharedData::PopDetailFront()
{
    if (!m_detail.empty())
        m_detail.pop_front();
}

ErrorHandler SharedData::GetHandler(int index)
{
    return index >= 0 && index < GetHandlerCount() ? m_handlers[index] : nullptr;
}

int SharedData::GetHandlerRegistrations(int index)
{
    return index >= 0 && index < GetHandlerCount() ? m_registrations[index] : 0;
}

void SharedData::AddHandlerRegistration(int index)
{
    if (index >= 0 && index < GetHandlerCount())
        ++m_registrations[index];
}

void SharedData::DropHandlerRegistration(int index)
{
    if (index >= 0 && index < GetHandlerCount() && m_registrations[index] > 0)
        --m_registrations[index];
}

void SharedData::AddHandler(ErrorHandler handler)
{
    m_handlers.push_back(handler);
    m_registrations.push_back(1);
}

void SharedData::RemoveHandler(int index)
{
    if (index < 0 || index >= GetHandlerCount())
        return;
    m_handlers.erase(m_handlers.begin() + index);
    m_registrations.erase(m_registrations.begin() + index);
}

}  // namespace OrbelOutput
}  // namespace OrbelToolbox
