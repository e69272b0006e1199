#include "MessageTableReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Reads a little-endian value of the table at `offset`; false when it lies outside.
template <class T> bool Read(const BYTE* table, DWORD tableSize, DWORD offset, T& value)
{
    if (offset > tableSize || tableSize - offset < sizeof(T)) {
        return false;
    }
    std::memcpy(&value, table + offset, sizeof(T));
    return true;
}

}  // namespace

CMessageTableReader::CMessageTableReader(HMODULE module, WORD language)
{
    if (!module) {
        module = ::GetModuleHandleW(nullptr);
    }
    HRSRC found = ::FindResourceExW(module, MAKEINTRESOURCEW(11), MAKEINTRESOURCEW(1), language);
    if (!found) {
        return;
    }
    HGLOBAL loaded = ::LoadResource(module, found);
    if (loaded) {
        m_table = static_cast<const BYTE*>(::LockResource(loaded));
        m_tableSize = m_table ? ::SizeofResource(module, found) : 0;
    }
}

DWORD CMessageTableReader::GetMessage(DWORD messageId, wchar_t* buffer, DWORD& size) const
{
    if (!m_table) {
        return ERROR_RESOURCE_TYPE_NOT_FOUND;
    }
    // MESSAGE_RESOURCE_DATA: block count, then per block LowId, HighId, OffsetToEntries.
    DWORD blockCount = 0;
    if (!Read(m_table, m_tableSize, 0, blockCount) || blockCount == 0) {
        return ERROR_RESOURCE_NAME_NOT_FOUND;
    }
    DWORD entryOffset = 0;
    DWORD skip = 0;
    bool covered = false;
    for (DWORD block = 0; block < blockCount && !covered; ++block) {
        DWORD at = 4 + block * 12;
        DWORD lowId = 0;
        DWORD highId = 0;
        if (!Read(m_table, m_tableSize, at, lowId) || !Read(m_table, m_tableSize, at + 4, highId)
            || !Read(m_table, m_tableSize, at + 8, entryOffset)) {
            return ERROR_RESOURCE_NAME_NOT_FOUND;
        }
        if (lowId <= messageId && messageId <= highId) {
            covered = true;
            skip = messageId - lowId;
        }
    }
    if (!covered) {
        return ERROR_RESOURCE_NAME_NOT_FOUND;
    }

    // MESSAGE_RESOURCE_ENTRY: Length (of the whole entry), Flags (1: UTF-16), text.
    WORD length = 0;
    WORD flags = 0;
    for (DWORD i = 0;; ++i) {
        if (!Read(m_table, m_tableSize, entryOffset, length) || !Read(m_table, m_tableSize, entryOffset + 2, flags)
            || length < 4 || length > m_tableSize - entryOffset) {
            return ERROR_RESOURCE_NAME_NOT_FOUND;  // a damaged table
        }
        if (i == skip) {
            break;
        }
        entryOffset += length;
    }
    const BYTE* text = m_table + entryOffset + 4;
    DWORD textBytes = length - 4u;
    bool unicode = (flags & 1) != 0;
    DWORD needed = unicode ? textBytes / 2 : textBytes;

    // The whole text, as UTF-16, up to its terminator (the rest of its length zeros).
    std::vector<wchar_t> whole;
    if (unicode) {
        whole.assign(needed, L'\0');
        std::memcpy(whole.data(), text, needed * sizeof(wchar_t));
        for (DWORD i = 0; i < needed; ++i) {
            if (whole[i] == L'\0') {
                std::fill(whole.begin() + i, whole.end(), L'\0');
                break;
            }
        }
    } else if (needed > 0) {
        int converted = ::MultiByteToWideChar(
            CP_THREAD_ACP, 0, reinterpret_cast<const char*>(text), static_cast<int>(needed), nullptr, 0);
        if (converted > 0) {
            whole.assign(static_cast<size_t>(converted), L'\0');
            ::MultiByteToWideChar(CP_THREAD_ACP, 0, reinterpret_cast<const char*>(text), static_cast<int>(needed),
                whole.data(), converted);
        }
    }
    DWORD wholeLength = static_cast<DWORD>(whole.size());

    if (!buffer || size < wholeLength) {
        // Cut to the buffer and always terminated, so no caller reads past it.
        if (buffer && size > 0) {
            DWORD copied = size - 1;
            std::memcpy(buffer, whole.data(), copied * sizeof(wchar_t));
            buffer[copied] = L'\0';
        }
        size = unicode ? needed : wholeLength;
        return ERROR_MORE_DATA;
    }
    if (wholeLength > 0) {
        std::memcpy(buffer, whole.data(), wholeLength * sizeof(wchar_t));
    }
    size = wholeLength;
    return ERROR_SUCCESS;
}
