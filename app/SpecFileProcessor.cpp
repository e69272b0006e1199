#include "SpecFileProcessor.h"

#include "InstallerErrors.h"

CSpecFileProcessor::CSpecFileProcessor() {}

CSpecFileProcessor::~CSpecFileProcessor() {}

void CSpecFileProcessor::SetSpecFile(const wchar_t*)
{
    throw OperationAborted("SpecFileProcessor", __LINE__, L"CSpecFileProcessor::SetSpecFile",
                           L"%1 is not available yet.");
}

bool CSpecFileProcessor::IsDialogDisabled(int) const
{
    throw OperationAborted("SpecFileProcessor", __LINE__, L"CSpecFileProcessor::IsDialogDisabled",
                           L"%1 is not available yet.");
}
