#include "MsiSession.h"

#include <string>

#include "MsPrintf.h"
#include "MsiApi.h"
#include "MsiDatabase.h"
#include "MsiFailure.h"
#include "MsiRecord.h"
#include "MsiTextGetter.h"
#include "VaListEnd.h"

MsiSession::MsiSession() : m_handle(0), m_ownsHandle(true) { }

MsiSession::~MsiSession()
{
    if (m_handle && m_ownsHandle)
        MsiApi().MsiCloseHandle(m_handle);
}

MsiString& MsiSession::Describe(MsiString& text) const
{
    if (MsiText::Length(m_origin) != 0)
        MsiText::Format(text, L"MsiSession Object opened on %s", MsiText::Get(m_origin));
    else
        MsiText::Assign(text, L"MsiSession Object");
    return text;
}

MsiSmartPtr<MsiSession> MsiSession::OpenPackage(const wchar_t* path)
{
    MsiSmartPtr<MsiSession> session(new MsiSession);
    MSIHANDLE handle = 0;
    MsiCheck(MsiApi().MsiOpenPackageW(path, &handle), session.Get());
    session->m_handle = handle;
    MsiText::Assign(session->m_origin, path);
    return session;
}

MsiSmartPtr<MsiSession> MsiSession::OpenProduct(const wchar_t* productCode)
{
    MsiSmartPtr<MsiSession> session(new MsiSession);
    MSIHANDLE handle = 0;
    MsiCheck(MsiApi().MsiOpenProductW(productCode, &handle), session.Get());
    session->m_handle = handle;
    MsiText::Assign(session->m_origin, productCode);
    return session;
}

MsiSmartPtr<MsiSession> MsiSession::FromHandle(MSIHANDLE handle, bool ownsHandle)
{
    MsiSmartPtr<MsiSession> session(new MsiSession);
    session->m_handle = handle;
    session->m_ownsHandle = ownsHandle;
    MsiText::Assign(session->m_origin, L"(on active MSI)");
    return session;
}

MsiSmartPtr<MsiDatabase> MsiSession::GetActiveDatabase()
{
    if (!m_handle)
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    MsiSmartPtr<MsiDatabase> db(new MsiDatabase);
    MSIHANDLE handle = MsiApi().MsiGetActiveDatabase(m_handle);
    if (!handle)
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    db->m_handle = handle;
    return db;
}

void MsiSession::GetProperty(const wchar_t* name, MsiString& out)
{
    MSIHANDLE handle = m_handle;
    MsiTextGetter::Read(out, this, false, [handle, name](wchar_t* buffer, DWORD* count) {
        return MsiApi().MsiGetPropertyW(handle, name, buffer, count);
    });
}

void MsiSession::SetProperty(const wchar_t* name, const wchar_t* value)
{
    MsiCheck(MsiApi().MsiSetPropertyW(m_handle, name, value), this);
}

void MsiSession::SetIntegerProperty(const wchar_t* name, int value)
{
    SetProperty(name, MsFormat(L"%d", value).c_str());
}

void MsiSession::GetTargetPath(const wchar_t* folder, MsiString& out)
{
    MSIHANDLE handle = m_handle;
    MsiTextGetter::Read(out, this, false, [handle, folder](wchar_t* buffer, DWORD* count) {
        return MsiApi().MsiGetTargetPathW(handle, folder, buffer, count);
    });
}

void MsiSession::SetTargetPath(const wchar_t* folder, const wchar_t* path)
{
    MsiCheck(MsiApi().MsiSetTargetPathW(m_handle, folder, path), this);
}

MSICONDITION MsiSession::EvaluateCondition(const wchar_t* condition)
{
    MSICONDITION result = MsiApi().MsiEvaluateConditionW(m_handle, condition);
    if (result == MSICONDITION_ERROR)
        MsiThrow(ERROR_INVALID_PARAMETER, this);
    return result;
}

void MsiSession::SetInstallLevel(int level)
{
    MsiCheck(MsiApi().MsiSetInstallLevel(m_handle, level), this);
}

INSTALLSTATE MsiSession::GetFeatureInstalledState(const wchar_t* feature)
{
    INSTALLSTATE installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
    MsiCheck(MsiApi().MsiGetFeatureStateW(m_handle, feature, &installed, &action), this);
    return installed;
}

INSTALLSTATE MsiSession::GetFeatureActionState(const wchar_t* feature)
{
    INSTALLSTATE installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
    MsiCheck(MsiApi().MsiGetFeatureStateW(m_handle, feature, &installed, &action), this);
    return action;
}

INSTALLSTATE MsiSession::GetComponentInstalledState(const wchar_t* component)
{
    INSTALLSTATE installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
    MsiCheck(MsiApi().MsiGetComponentStateW(m_handle, component, &installed, &action), this);
    return installed;
}

INSTALLSTATE MsiSession::GetComponentActionState(const wchar_t* component)
{
    INSTALLSTATE installed = INSTALLSTATE_UNKNOWN, action = INSTALLSTATE_UNKNOWN;
    MsiCheck(MsiApi().MsiGetComponentStateW(m_handle, component, &installed, &action), this);
    return action;
}

void MsiSession::SetFeatureState(const wchar_t* feature, INSTALLSTATE state)
{
    MsiCheck(MsiApi().MsiSetFeatureStateW(m_handle, feature, state), this);
}

void MsiSession::SetComponentState(const wchar_t* component, INSTALLSTATE state)
{
    MsiCheck(MsiApi().MsiSetComponentStateW(m_handle, component, state), this);
}

DWORD MsiSession::GetFeatureValidStates(const wchar_t* feature)
{
    DWORD states = 0;
    MsiCheck(MsiApi().MsiGetFeatureValidStatesW(m_handle, feature, &states), this);
    return states;
}

void MsiSession::DoAction(const wchar_t* action)
{
    MsiCheck(MsiApi().MsiDoActionW(m_handle, action), this);
}

void MsiSession::Sequence(const wchar_t* table)
{
    MsiCheck(MsiApi().MsiSequenceW(m_handle, table, 0), this);
}

void MsiSession::ProcessMessage(INSTALLMESSAGE type, MsiSmartPtr<MsiRecord> record)
{
    int answer = MsiApi().MsiProcessMessage(m_handle, type, record.GetHandle());
    if (answer == -1)
        MsiThrow(static_cast<UINT>(-1), this);
}

void MsiSession::MessageV(INSTALLMESSAGE type, const wchar_t* format, va_list args)
{
    // The string grows its buffer in fixed steps, so an empty format gives an empty message
    // instead of a buffer that never grows.
    MsiHeapString text;
    MsiText::FormatV(text, format ? format : L"", args);
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(1);
    record->SetString(0, MsiText::Get(text));
    ProcessMessage(type, record);
}

void MsiSession::Message(INSTALLMESSAGE type, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    MessageV(type, format, args);
}

void MsiSession::LogV(const wchar_t* format, va_list args)
{
    MessageV(INSTALLMESSAGE_INFO, format, args);
}

void MsiSession::Log(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    VaListEnd end(args);
    LogV(format, args);
}

void MsiSession::FormatText(MsiString& out, const wchar_t* text)
{
    MsiSmartPtr<MsiRecord> record = MsiRecord::Create(1);
    record->SetString(0, L"[1]");
    record->SetString(1, text);
    record->Format(out, MsiSmartPtr<MsiSession>(this));
}

MsiOutString MsiSession::GetMfcProperty(const wchar_t* name)
{
    MsiOutString text;
    GetProperty(name, text);
    return text;
}

MsiOutString MsiSession::GetMfcTargetPath(const wchar_t* folder)
{
    MsiOutString text;
    GetTargetPath(folder, text);
    return text;
}

MsiOutString MsiSession::FormatString(const wchar_t* text)
{
    MsiOutString out;
    FormatText(out, text);
    return out;
}

const wchar_t* GetInstallStateName(INSTALLSTATE state)
{
    switch (static_cast<int>(state)) {
    case -7:
        return L"NotUsed";
    case -6:
        return L"BadConfig";
    case -5:
        return L"Incomplete";
    case -4:
        return L"SourceAbsent";
    case -3:
        return L"MoreData";
    case -2:
        return L"InvalidArgument";
    case -1:
        return L"Unknown";
    case 0:
        return L"Broken";
    case 1:
        return L"Advertised or Removed";
    case 2:
        return L"Absent";
    case 3:
        return L"Local";
    case 4:
        return L"Source";
    case 5:
        return L"Default";
    default:
        return L"Unrecognized INSTALLSTATE Value";
    }
}
