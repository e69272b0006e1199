// The heap-buffer storage family of Plexa strings.
//
// The text lives in one block of the C heap, allocated and resized with realloc only. The
// capacity is not stored: it is read back from the heap (block size / 2, minus the terminator).
// A block of which the text uses less than half shrinks when the length is recorded.
#pragma once

#include "IPlexaStringCOW.h"

#include <cstddef>

class BasicCharPtrPlexaStringCOW : public IPlexaStringCOW {
public:
    BasicCharPtrPlexaStringCOW() = default;
    ~BasicCharPtrPlexaStringCOW() override;
    BasicCharPtrPlexaStringCOW(const BasicCharPtrPlexaStringCOW&) = delete;
    BasicCharPtrPlexaStringCOW& operator=(const BasicCharPtrPlexaStringCOW&) = delete;

    IPlexaStringCOW* CreateEmpty() const override;
    IPlexaStringCOW* Clone() const override;
    int Reserve(int n) override;
    void* GetRawStorage() override;                   // PlexaChar** (the buffer pointer)
    const void* GetConstRawStorage() const override;  // PlexaChar* const*; never null
    long AddRef() override;
    long Release() override;
    long GetRefCount() const override;
    bool IsUnshareable() const override;
    PlexaChar* GetBuffer(int n) override;
    const PlexaChar* GetString() const override;
    void SetLength(int n) override;
    int GetClassFamilyId() const override;
    void SetClassFamilyId(int id) override;

    // The byte size of the block, 0 without one.
    std::size_t GetBlockSize() const;

private:
    // Resizes the block to exactly `bytes`; throws PlexaBadAlloc("String Memory Alloc Failed").
    void ResizeBlock(std::size_t bytes);

    PlexaChar* m_buffer = nullptr;
    volatile long m_refCount = 0;
    bool m_owns = true;

    static int s_familyId;
};
