// The support library's own path value: a path of at most MAX_PATH - 1 characters held in a
// fixed buffer, with attributes that say what kind of path it must be. Every change of text or
// attributes is validated against them, so the path never holds text that breaks its own
// rules: a violation is reported through the output object (code -40 for a refused call,
// -41 for an invalid path) and the path keeps the value it had before the operation.
#pragma once

#include <windows.h>

#include <string>

namespace OrbelToolbox {

// The character classes of a path (the values of the shell's GCT_* bits).
constexpr UINT kPathCharInvalid = 0x0;
constexpr UINT kPathCharLongName = 0x1;
constexpr UINT kPathCharShortName = 0x2;
constexpr UINT kPathCharWild = 0x4;
constexpr UINT kPathCharSeparator = 0x8;

// The class of one path character: the shell's PathGetCharTypeW, or a built-in table where the
// shell library lacks it.
UINT GetPathCharType(wchar_t c);
// The built-in table alone.
UINT GetPathCharTypeBuiltIn(wchar_t c);

class StrictPath {
public:
    // Attribute bits. The low byte holds P4Path and the kind, the second byte the options.
    static constexpr DWORD P4Path = 0x0001;     // depot notation: kept as it is, never validated
    static constexpr DWORD Directory = 0x0010;  // kind: a directory, always ending in a backslash
    static constexpr DWORD FileName = 0x0020;   // kind: a single name, no separators
    static constexpr DWORD KindMask = 0x00F0;
    static constexpr DWORD RepairInvalid = 0x0100;  // replace invalid characters instead of refusing
    static constexpr DWORD AllowWild = 0x0200;      // accept * and ?
    static constexpr DWORD AllowLong = 0x0400;      // cut text that is too long instead of refusing
    static constexpr DWORD MustBeAbsolute = 0x0800;
    static constexpr DWORD MustBeRelative = 0x1000;
    static constexpr DWORD OptionMask = 0xFF00;

    static constexpr size_t kUnits = MAX_PATH;  // buffer units, terminator included
    static constexpr size_t kMaxLength = MAX_PATH - 1;

    // Lets code write straight into the text buffer (a registry read, a concatenation); the
    // text is validated again with the given attributes when the writer goes, also while an
    // error unwinds. A text that fails then is replaced by the path's previous value.
    class WritableBuffer {
    public:
        WritableBuffer(StrictPath& path, DWORD attributes);
        ~WritableBuffer() noexcept(false);
        WritableBuffer(const WritableBuffer&) = delete;
        WritableBuffer& operator=(const WritableBuffer&) = delete;

        wchar_t* Get() const { return m_buffer; }
        size_t Units() const { return kUnits; }

    private:
        StrictPath& m_path;
        wchar_t* m_buffer;
        DWORD m_attributes;
        std::wstring m_previousText;
        DWORD m_previousAttributes;
        int m_unwinding;
    };

    explicit StrictPath(DWORD attributes = 0);
    StrictPath(const wchar_t* text, DWORD attributes);
    StrictPath(const StrictPath& other, DWORD attributes);
    StrictPath(const StrictPath& other);
    virtual ~StrictPath();

    virtual StrictPath& operator=(const StrictPath& other);
    virtual StrictPath& operator+=(const StrictPath& other);
    virtual StrictPath operator+(const StrictPath& other) const;
    virtual bool operator==(const StrictPath& other) const;
    virtual bool operator!=(const StrictPath& other) const;
    virtual bool operator<(const StrictPath& other) const;
    virtual bool operator>(const StrictPath& other) const;
    virtual bool operator<=(const StrictPath& other) const;
    virtual bool operator>=(const StrictPath& other) const;

    // New text; the object's options stay and the new ones are added.
    virtual void Assign(const wchar_t* text, DWORD attributes);
    // Appends a path element (or several) with the attributes of the appended part; the result
    // takes the appended part's kind.
    virtual void Append(const wchar_t* text, DWORD attributes);
    virtual void Clear();
    virtual bool IsEmpty() const;
    // Case-insensitive order of paths of the same P4 bit and kind; else the order of the kinds.
    virtual int Compare(const StrictPath& other) const;
    // The directory above (the path becomes a Directory; empty above a root).
    virtual void GetParentDirectory();
    // This path relative to `base` ("..\" for each level above the common part); empty when the
    // two have no common root.
    virtual void GetRelativePath(const StrictPath& base, StrictPath& result) const;

    // attributes = value | (attributes & ~mask), then validation, unless nothing changes.
    void ChangeAttributes(DWORD value, DWORD mask);
    // Ends a direct write into the buffer (WritableBuffer does this).
    void ReleaseBuffer(DWORD attributes);

    const wchar_t* GetText() const { return m_text; }
    operator const wchar_t*() const { return m_text; }
    size_t Length() const { return wcslen(m_text); }
    DWORD GetAttributes() const { return m_attributes; }
    bool HasAttributes(DWORD value) const { return (m_attributes & value) != 0; }
    // Sets attributes without validation.
    void SetAttributesRaw(DWORD value, DWORD mask) { m_attributes = value | (m_attributes & ~mask); }

    bool IsAbsolute() const;
    bool IsDriveLetter() const;
    // "X:" of a drive path; false (and `device` unchanged) for other paths.
    bool GetLocalDeviceName(std::wstring& device) const;
    // Cuts the path to the root of its volume; with `useSystem` the system's volume look-up
    // is used where it exists (an absolute path only).
    void GetVolume(bool useSystem);
    // The longest common leading directory of the two paths (compared element by element).
    void GetCommonRoot(const StrictPath& other, StrictPath& result) const;
    // Replaces (or adds) the extension; refused for a directory.
    void ChangeFileExtension(const wchar_t* extension);
    // The text without its trailing backslash (a drive root keeps it); an empty path leaves
    // `out` unchanged.
    void RemoveTrailingBackslash(std::wstring& out) const;

private:
    struct Snapshot;
    void CheckInput(const wchar_t* text, const wchar_t* argumentName) const;
    void CopyText(const wchar_t* text);
    void Validate();
    void AddTrailingBackslash();
    void Normalize();
    void DoAppend(const wchar_t* text, DWORD attributes);
    bool IsKind(DWORD kind) const { return (m_attributes & KindMask) == kind; }

    DWORD m_attributes;
    wchar_t m_text[kUnits];
};

}  // namespace OrbelToolbox
