#include "IPlexaStringCOW.h"

#include "PlexaExceptions.h"

#include <windows.h>

namespace {

// The last family id handed out.
LONG g_lastFamilyId = 0;

}  // namespace

IPlexaStringCOW::~IPlexaStringCOW() = default;

int IPlexaStringCOW::GetFamilyId()
{
    int id = GetClassFamilyId();
    if (id == 0) {
        id = static_cast<int>(::InterlockedIncrement(&g_lastFamilyId));
        SetClassFamilyId(id);
    }
    return id;
}

IPlexaStringCOW** PlexaShareStorage(IPlexaStringCOW** destination, IPlexaStringCOW* const* source)
{
    IPlexaStringCOW* incoming = *source;
    IPlexaStringCOW* current = *destination;
    if (incoming == current) {
        return destination;
    }
    if (incoming && current && incoming->GetFamilyId() != current->GetFamilyId()) {
        throw PlexaMismatchedCOWs();
    }
    // Take the new reference before dropping the old one.
    if (incoming) {
        incoming->AddRef();
    }
    *destination = incoming;
    if (current) {
        current->Release();
    }
    return destination;
}

IPlexaStringCOW* PlexaUnshareStorage(IPlexaStringCOW** slot)
{
    IPlexaStringCOW* current = *slot;
    if (current && static_cast<unsigned long>(current->GetRefCount()) > 1) {
        IPlexaStringCOW* copy = current->Clone();
        if (!copy) {
            throw PlexaBadAlloc(kPlexaBadAllocation);
        }
        copy->AddRef();
        *slot = copy;
        current->Release();
    }
    return *slot;
}
