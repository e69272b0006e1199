#include "BasicCharPtrPlexaStringCOW.h"

#include "PlexaExceptions.h"

#include <windows.h>

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

const PlexaChar kEmptyText[1] = {0};
PlexaChar* const kNoBuffer = nullptr;

// Bytes for n characters and the terminator; a negative or oversized n cannot be allocated.
size_t BytesFor(int n)
{
    if (n < 0 || static_cast<size_t>(n) > SIZE_MAX / sizeof(PlexaChar) - 1) {
        throw PlexaBadAlloc(kPlexaStringAllocFailed);
    }
    return (static_cast<size_t>(n) + 1) * sizeof(PlexaChar);
}

}  // namespace

int BasicCharPtrPlexaStringCOW::s_familyId = 0;

BasicCharPtrPlexaStringCOW::~BasicCharPtrPlexaStringCOW()
{
    if (m_buffer && m_owns) {
        std::free(m_buffer);
    }
}

IPlexaStringCOW* BasicCharPtrPlexaStringCOW::CreateEmpty() const
{
    return new BasicCharPtrPlexaStringCOW();
}

IPlexaStringCOW* BasicCharPtrPlexaStringCOW::Clone() const
{
    BasicCharPtrPlexaStringCOW* copy = new BasicCharPtrPlexaStringCOW();
    if (m_buffer) {
        size_t bytes = GetBlockSize();
        try {
            copy->ResizeBlock(bytes);
        } catch (...) {
            delete copy;
            throw;
        }
        std::memcpy(copy->m_buffer, m_buffer, bytes);
    }
    return copy;
}

size_t BasicCharPtrPlexaStringCOW::GetBlockSize() const
{
    return m_buffer ? _msize(m_buffer) : 0;
}

void BasicCharPtrPlexaStringCOW::ResizeBlock(size_t bytes)
{
    void* block = std::realloc(m_buffer, bytes);
    if (!block) {
        throw PlexaBadAlloc(kPlexaStringAllocFailed);
    }
    m_buffer = static_cast<PlexaChar*>(block);
}

int BasicCharPtrPlexaStringCOW::Reserve(int n)
{
    long capacity = m_buffer ? static_cast<long>(GetBlockSize() / 2) - 1 : 0;
    if (static_cast<unsigned long>(n) <= static_cast<unsigned long>(capacity)) {
        return static_cast<int>(capacity);
    }
    ResizeBlock(BytesFor(n));
    return n;
}

void* BasicCharPtrPlexaStringCOW::GetRawStorage()
{
    return &m_buffer;
}

const void* BasicCharPtrPlexaStringCOW::GetConstRawStorage() const
{
    return m_buffer ? &m_buffer : &kNoBuffer;
}

long BasicCharPtrPlexaStringCOW::AddRef()
{
    return ::InterlockedIncrement(&m_refCount);
}

long BasicCharPtrPlexaStringCOW::Release()
{
    long count = ::InterlockedDecrement(&m_refCount);
    if (count <= 0) {
        delete this;
        return 0;
    }
    return count;
}

long BasicCharPtrPlexaStringCOW::GetRefCount() const
{
    return m_refCount;
}

bool BasicCharPtrPlexaStringCOW::IsUnshareable() const
{
    return !m_owns;
}

PlexaChar* BasicCharPtrPlexaStringCOW::GetBuffer(int n)
{
    ResizeBlock(BytesFor(n));
    return m_buffer;
}

const PlexaChar* BasicCharPtrPlexaStringCOW::GetString() const
{
    return m_buffer ? m_buffer : kEmptyText;
}

void BasicCharPtrPlexaStringCOW::SetLength(int n)
{
    if (!m_buffer || n < 0) {
        return;
    }
    size_t block = GetBlockSize();
    // Shrink when the text uses less than half of the block.
    if (static_cast<size_t>(n) * sizeof(PlexaChar) < block / 2) {
        ResizeBlock(BytesFor(n));
    }
}

int BasicCharPtrPlexaStringCOW::GetClassFamilyId() const
{
    return s_familyId;
}

void BasicCharPtrPlexaStringCOW::SetClassFamilyId(int id)
{
    s_familyId = id;
}
