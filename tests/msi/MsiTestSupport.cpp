#include "MsiTestSupport.h"

#include "TestSupport.h"

namespace msitest {

std::wstring FixturePath()
{
    return testsupport::TestDataPath(L"msi_layer.msi");
}

}  // namespace msitest
