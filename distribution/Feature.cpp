#include "Feature.h"

#include "MsiSession.h"

CFeature::CFeature() : m_session(nullptr) {}

CFeature::~CFeature() {}

void CFeature::SetDirectoryValue(const wchar_t* path)
{
    if (m_directory.IsEmpty())
        return;
    m_directoryPath = path;
    if (m_session)
        m_session->SetTargetPath(m_directory, path);
}
