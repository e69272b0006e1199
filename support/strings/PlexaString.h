// PlexaString<StorageT>: the concrete Plexa strings, one per storage family.
//
//   PlexaString<unsigned short*>  text in a plain heap buffer (BasicCharPtrPlexaStringCOW); the
//                                 string of the MSI access layer and the library errors.
//   PlexaString<CStringT>         text in a class-library CString (MfcPlexaStringCOW, declared
//                                 in MfcPlexaString.h).
//
// Constructors:
//   - none / (ch, count) / (text, pos, count): a new storage of the string's own family.
//   - (source, pos, count): the assigning form. A new storage of its own family, then Assign: a
//     whole source of the same family is shared, one of another family is copied.
//   - (source, pos, count, kPlexaAdopt): the adopting form. A whole, shareable source's storage
//     is taken over with one more reference, whatever its family; otherwise the characters are
//     copied into a new storage of the string's own family.
// Copying a PlexaString uses the assigning form (so copies of one family share one storage).
#pragma once

#include "BasicCharPtrPlexaStringCOW.h"
#include "IPlexaString.h"

// Marks the adopting constructor.
enum PlexaAdopt { kPlexaAdopt };

// The storage class of each family.
template <class StorageT> struct PlexaStorageFor;

template <> struct PlexaStorageFor<unsigned short*> {
    typedef BasicCharPtrPlexaStringCOW Type;
};

template <class StorageT, class COW = typename PlexaStorageFor<StorageT>::Type>
class PlexaString : public IPlexaString {
public:
    PlexaString() { TakeNewStorage(); }

    PlexaString(wchar_t ch, int count)
    {
        TakeNewStorage();
        try {
            Assign(ch, count);
        } catch (...) {
            ReleaseStorage();
            throw;
        }
    }

    PlexaString(const wchar_t* text, int pos = 0, int count = -1)
    {
        TakeNewStorage();
        try {
            Assign(text, pos, count);
        } catch (...) {
            ReleaseStorage();
            throw;
        }
    }

    // Assigning form.
    PlexaString(const IPlexaString& source, int pos, int count) : IPlexaString(source)
    {
        TakeNewStorage();
        try {
            Assign(source, pos, count);
        } catch (...) {
            ReleaseStorage();
            throw;
        }
    }

    // Adopting form.
    PlexaString(const IPlexaString& source, int pos, int count, PlexaAdopt) : IPlexaString(source)
    {
        IPlexaStringCOW* storage = *source.GetStorage();
        if (pos == 0 && (count == -1 || count >= source.GetLength()) && storage && !storage->IsUnshareable()) {
            storage->AddRef();
            m_storage = storage;
        } else {
            TakeNewStorage();
            try {
                Assign(source.GetString(), pos, count);
            } catch (...) {
                ReleaseStorage();
                throw;
            }
        }
    }

    PlexaString(const PlexaString& other) : IPlexaString(other)
    {
        TakeNewStorage();
        try {
            Assign(other, 0, -1);
        } catch (...) {
            ReleaseStorage();
            throw;
        }
    }

    ~PlexaString() override { ReleaseStorage(); }

    PlexaString& operator=(const PlexaString& other)
    {
        Assign(other, 0, -1);
        return *this;
    }
    PlexaString& operator=(const IPlexaString& other)
    {
        Assign(other, 0, -1);
        return *this;
    }
    PlexaString& operator=(const wchar_t* text)
    {
        Assign(text, 0, -1);
        return *this;
    }

    IPlexaString* NewFilled(wchar_t ch, int count) const override { return new PlexaString(ch, count); }
    IPlexaString* NewFromChars(const wchar_t* text, int pos, int count) const override
    {
        return new PlexaString(text, pos, count);
    }
    IPlexaString* NewFromString(const IPlexaString& source, int pos, int count) const override
    {
        return new PlexaString(source, pos, count);
    }
    IPlexaString* NewEmpty() const override { return new PlexaString(); }
    void Destroy(IPlexaString* string) const override { delete string; }
    IPlexaStringCOW* const* GetStorage() const override { return &m_storage; }
    IPlexaStringCOW** GetStorageForWrite() override { return &m_storage; }

private:
    void TakeNewStorage()
    {
        IPlexaStringCOW* storage = new COW();
        storage->AddRef();
        m_storage = storage;
    }
};
