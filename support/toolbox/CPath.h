// CPath: a path value of the configuration model, always made absolute when it is assigned.
//
// A text whose second character is ':' (C:\dir, also the drive-relative C:name) or that starts
// with two backslashes (UNC \\server\share, \\?\...) is absolute and taken unchanged; any
// other text (\dir and 1\setup.msi too) is resolved against the process's current directory at
// the moment it is assigned. No normalisation takes place ("..", "." and doubled separators
// stay) and nothing checks that the path exists. Comparisons ignore case.
#pragma once

#include "CString.h"

class CPath : public CString {
public:
    CPath();
    CPath(const wchar_t* text);
    // The assignment rule applied to the other path's text.
    CPath(const CPath& other);
    virtual ~CPath();

    CPath& operator=(const wchar_t* text);
    CPath& operator=(const CPath& other);
    void Assign(const wchar_t* text);
    // Appends one path element; an absolute element replaces the whole path. A path that stays
    // empty (the current directory cannot be read) throws CInvalidArgException.
    void Append(const wchar_t* element);
    // The current directory, without a trailing '\' except at a drive root; empty when it cannot
    // be read.
    void SetToCurrentDirectory();

    bool operator==(const wchar_t* text) const;
    bool operator!=(const wchar_t* text) const;

    // The text before the last '\' (empty without one).
    CString GetDirectory() const;
    // The text after the last '\' (empty without one, or when it ends the text).
    CString GetFileName() const;
    // The text after the last '.' (empty without one, or when it ends the text).
    CString GetExtension() const;

    // True when the second character is ':' or the text starts with two backslashes.
    static bool IsAbsolute(const wchar_t* text);
};
