// A text file in the ANSI code page read line by line; line ends (CR LF or LF) are dropped.
#pragma once

#include <cstdio>
#include <string>

namespace OrbelToolbox {

class TextFileReader {
public:
    TextFileReader() = default;
    ~TextFileReader() { Close(); }
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    bool Open(const wchar_t* path);
    void Close();
    bool IsEof() const;
    // The next line, however long; empty at the end of the file.
    void ReadLine(std::wstring& line);

private:
    FILE* m_file = nullptr;
};

}  // namespace OrbelToolbox
