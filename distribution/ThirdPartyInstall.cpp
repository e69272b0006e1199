#include "InstallerErrors.h"
#include "Part.h"

static const char kSource[] = "ThirdPartyInstall";

void CPart::Populate3rdPartyCommands(MsiSession&)
{
    throw OperationAborted(kSource, __LINE__, L"CPart::Populate3rdPartyCommands", L"%1 is not available yet.");
}
