// Reads message texts from a module's message table (RT_MESSAGETABLE resource 1).
#pragma once

#include <windows.h>

class CMessageTableReader {
public:
    // A null module means the program itself; the table is looked up in `language`.
    CMessageTableReader(HMODULE module, WORD language);
    virtual ~CMessageTableReader() = default;

    CMessageTableReader(const CMessageTableReader&) = delete;
    CMessageTableReader& operator=(const CMessageTableReader&) = delete;

    // Writes the text of `messageId` into `buffer`; `size` is its size in characters on entry
    // and the text's length (terminator and padding included) on return. Returns 0; 1813 when
    // the module has no message table; 1814 when no block covers the id (or the table is
    // damaged); 234 when the text does not fit or `buffer` is null: then the buffer, when there
    // is one, holds the text cut to size - 1 characters and terminated, and `size` the room
    // the whole text needs.
    DWORD GetMessage(DWORD messageId, wchar_t* buffer, DWORD& size) const;

private:
    const BYTE* m_table = nullptr;
    DWORD m_tableSize = 0;
};
