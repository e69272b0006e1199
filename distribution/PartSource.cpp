#include "InstallerErrors.h"
#include "Part.h"

static const char kSource[] = "PartSource";

CString CPart::GetSourcePackagePath() const
{
    throw OperationAborted(kSource, __LINE__, L"CPart::GetSourcePackagePath", L"%1 is not available yet.");
}
