#include "TextFileReader.h"

#include <windows.h>

#include <cstring>

#include "TextConversion.h"
#include "ToolboxFailure.h"

namespace OrbelToolbox {

namespace {

constexpr int kPieceBytes = 256;

}  // namespace

bool TextFileReader::Open(const wchar_t* path)
{
    Close();
    m_file = _wfopen(path, L"rb");
    return m_file != nullptr;
}

void TextFileReader::Close()
{
    if (m_file != nullptr) {
        fclose(m_file);
        m_file = nullptr;
    }
}

bool TextFileReader::IsEof() const
{
    return m_file == nullptr || feof(m_file) != 0;
}

void TextFileReader::ReadLine(std::wstring& line)
{
    line.clear();
    if (m_file == nullptr) {
        return;
    }
    for (;;) {
        char piece[kPieceBytes];
        piece[kPieceBytes - 2] = '\0';
        piece[kPieceBytes - 1] = '\0';
        if (fgets(piece, kPieceBytes, m_file) == nullptr) {
            if (ferror(m_file)) {
                RefuseLastWindowsError(L"fgets");
            }
            break;
        }
        std::wstring wide;
        MultiByteToWide(piece, wide, CP_ACP);
        line += wide;
        // A piece that did not fill the buffer, or that ends in a line feed, ends the line.
        if (piece[kPieceBytes - 2] == '\0' || piece[kPieceBytes - 2] == '\n') {
            break;
        }
    }
    if (!line.empty() && line.back() == L'\n') {
        line.pop_back();
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
    }
}

}  // namespace OrbelToolbox
