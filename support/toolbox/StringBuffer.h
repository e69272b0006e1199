// Writing straight into the buffer of a standard string.
#pragma once

#include <string>

namespace OrbelToolbox {

// After text was written into the string's buffer (grown with resize to the writer's room):
// length -1 sets the length to the position of the first NUL (at most room - 1); any other
// length sets it to the smaller of that length and the room.
void SetStringLength(std::wstring& text, int length);
void SetStringLength(std::string& text, int length);

// A std::wstring grown to room for `count` characters, with a pointer to its buffer for a
// writer; when the writer is done (`Commit`, or the destructor), the string ends at the first
// NUL that was written.
class WStringBuffer {
public:
    WStringBuffer(std::wstring& text, size_t count);
    ~WStringBuffer();
    WStringBuffer(const WStringBuffer&) = delete;
    WStringBuffer& operator=(const WStringBuffer&) = delete;

    wchar_t* Get() const { return m_buffer; }
    operator wchar_t*() const { return m_buffer; }
    size_t Count() const { return m_count; }
    void Commit();

private:
    std::wstring& m_text;
    wchar_t* m_buffer;
    size_t m_count;
    bool m_committed = false;
};

}  // namespace OrbelToolbox
