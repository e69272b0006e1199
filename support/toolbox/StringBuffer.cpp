#include "StringBuffer.h"

namespace OrbelToolbox {

namespace {

// The room is the string's size: a writer grows the string with resize before writing into
// its buffer (characters beyond the size are not part of the string).
template <class String> void SetLength(String& text, int length)
{
    size_t room = text.size();
    size_t newLength;
    if (length == -1) {
        newLength = room == 0 ? 0 : room - 1;
        for (size_t i = 0; i < newLength; ++i) {
            if (text[i] == 0) {
                newLength = i;
                break;
            }
        }
    } else {
        newLength = length < 0 ? 0 : static_cast<size_t>(length);
        if (newLength > room) {
            newLength = room;
        }
    }
    text.resize(newLength);
}

}  // namespace

void SetStringLength(std::wstring& text, int length)
{
    SetLength(text, length);
}

void SetStringLength(std::string& text, int length)
{
    SetLength(text, length);
}

WStringBuffer::WStringBuffer(std::wstring& text, size_t count) : m_text(text), m_count(count)
{
    // The characters beyond the old text are written by the caller; zero them so that the
    // end is found even when the writer writes nothing.
    m_text.resize(count + 1, L'\0');
    m_buffer = &m_text[0];
}

WStringBuffer::~WStringBuffer()
{
    Commit();
}

void WStringBuffer::Commit()
{
    if (m_committed) {
        return;
    }
    m_committed = true;
    size_t length = 0;
    while (length < m_count && m_buffer[length] != L'\0') {
        ++length;
    }
    m_text.resize(length);
}

}  // namespace OrbelToolbox
