#include "InstallerErrors.h"
#include "Part.h"

static const char kSource[] = "ThirdPartyInstall";

void CPart::Populate3rdPartyCommands(MsiSession&)
{
    throw OperationAborted(kSource, __LINE__, L"CPart::Populate3rdPartyCommands", L"%1 is not available yet.");
}

UINT CPart::Install3rdParty(CDistribution&)
{
    throw OperationAborted(kSource, __LINE__, L"CPart::Install3rdParty", L"%1 is not available yet.");
}

bool CPart::Has3rdPartyEntryFirst() const
{
    return false;
}

bool CPart::Has3rdPartyEntryLast() const
{
    return false;
}
