#include "PageStandIn.h"

#include <ostream>

#include "ApplicationServices.h"

bool CPageStandIn::IsPageNeeded()
{
    const wchar_t* name = GetDialogName(GetState());
    AppServices().GetLogStream(kLogWarning, 0)
        << L"The page " << (name ? name : L"?") << L" is not available in this version of the installer and is skipped."
        << std::endl;
    return false;
}
