// The storage behind Plexa strings: a reference-counted, copy-on-write holder of one
// NUL-terminated UTF-16 text.
//
// Two families implement it: BasicCharPtrPlexaStringCOW (a plain heap buffer) and
// MfcPlexaStringCOW (a class-library CString). Strings share a storage only within one family;
// PlexaShareStorage refuses to mix families, PlexaUnshareStorage gives a string its own copy
// before it writes.
#pragma once

// The code unit of every Plexa text (UTF-16).
typedef unsigned short PlexaChar;

static_assert(sizeof(PlexaChar) == sizeof(wchar_t), "Plexa texts are UTF-16, like wchar_t");

class IPlexaStringCOW {
public:
    virtual ~IPlexaStringCOW();

    // A new, empty storage of the same class, reference count 0.
    virtual IPlexaStringCOW* CreateEmpty() const = 0;
    // A new storage of the same class holding a copy of the text, reference count 0.
    virtual IPlexaStringCOW* Clone() const = 0;
    // Makes room for at least n characters plus the terminator; returns a capacity.
    virtual int Reserve(int n) = 0;
    // The underlying text object (heap family: address of the buffer pointer; class-library
    // family: the CString).
    virtual void* GetRawStorage() = 0;
    virtual const void* GetConstRawStorage() const = 0;
    // Count + 1 / count - 1 (the storage deletes itself at 0 or below); both return the new count.
    virtual long AddRef() = 0;
    virtual long Release() = 0;
    virtual long GetRefCount() const = 0;
    // True when the storage does not own its text (it is then never shared).
    virtual bool IsUnshareable() const = 0;
    // A writable buffer with room for n characters plus the terminator.
    virtual PlexaChar* GetBuffer(int n) = 0;
    // The text; never null.
    virtual const PlexaChar* GetString() const = 0;
    // Records that the text now has n characters.
    virtual void SetLength(int n) = 0;
    // The family id kept in one static of the storage class; 0 until assigned.
    virtual int GetClassFamilyId() const = 0;
    virtual void SetClassFamilyId(int id) = 0;

    // The family id, assigned on first use from one process-wide counter (1, 2, ...).
    int GetFamilyId();
};

// Makes *destination share *source's storage. Throws PlexaMismatchedCOWs, changing nothing, when
// both exist and belong to different families. Sharing a storage with itself changes nothing.
IPlexaStringCOW** PlexaShareStorage(IPlexaStringCOW** destination, IPlexaStringCOW* const* source);

// Gives the slot a storage of its own: a storage shared by more than one string is cloned, and
// the slot's reference moves to the clone. Returns the storage the slot then holds.
IPlexaStringCOW* PlexaUnshareStorage(IPlexaStringCOW** slot);
