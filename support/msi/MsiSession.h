// MsiSession: one Windows Installer install session (a package, an installed product or a handle
// handed in by the engine): properties, target paths, conditions, install level, feature and
// component states, actions, sequences, messages and formatted text.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <cstdarg>

#include "IMsiObject.h"
#include "MsiSmartPtr.h"
#include "MsiText.h"

class MsiDatabase;
class MsiRecord;

class MsiSession : public IMsiObject {
public:
    MsiSession();
    ~MsiSession() override;

    MSIHANDLE GetHandle() const override { return m_handle; }
    MsiString& Describe(MsiString& text) const override;

    static MsiSmartPtr<MsiSession> OpenPackage(const wchar_t* path);
    static MsiSmartPtr<MsiSession> OpenProduct(const wchar_t* productCode);
    static MsiSmartPtr<MsiSession> FromHandle(MSIHANDLE handle, bool ownsHandle);

    MsiSmartPtr<MsiDatabase> GetActiveDatabase();
    void GetProperty(const wchar_t* name, MsiString& out);
    void SetProperty(const wchar_t* name, const wchar_t* value);
    void SetIntegerProperty(const wchar_t* name, int value);
    void GetTargetPath(const wchar_t* folder, MsiString& out);
    void SetTargetPath(const wchar_t* folder, const wchar_t* path);
    // 0 false, 1 true, 2 no condition; a condition the engine cannot parse throws 87.
    MSICONDITION EvaluateCondition(const wchar_t* condition);
    void SetInstallLevel(int level);
    INSTALLSTATE GetFeatureInstalledState(const wchar_t* feature);
    INSTALLSTATE GetFeatureActionState(const wchar_t* feature);
    INSTALLSTATE GetComponentInstalledState(const wchar_t* component);
    INSTALLSTATE GetComponentActionState(const wchar_t* component);
    void SetFeatureState(const wchar_t* feature, INSTALLSTATE state);
    void SetComponentState(const wchar_t* component, INSTALLSTATE state);
    DWORD GetFeatureValidStates(const wchar_t* feature);
    void DoAction(const wchar_t* action);
    void Sequence(const wchar_t* table);
    // Every answer but -1 is dropped; -1 throws.
    void ProcessMessage(INSTALLMESSAGE type, MsiSmartPtr<MsiRecord> record);
    void Message(INSTALLMESSAGE type, const wchar_t* format, ...);
    void MessageV(INSTALLMESSAGE type, const wchar_t* format, va_list args);
    void Log(const wchar_t* format, ...);
    void LogV(const wchar_t* format, va_list args);
    // The text with its formatted-text syntax ([Property] ...) resolved in this session.
    void FormatText(MsiString& out, const wchar_t* text);

    // Texts for the application.
    MsiOutString GetMfcProperty(const wchar_t* name);
    MsiOutString GetMfcTargetPath(const wchar_t* folder);
    MsiOutString FormatString(const wchar_t* text);

    bool OwnsHandle() const { return m_ownsHandle; }

private:
    friend class MsiDatabase;

    MSIHANDLE m_handle;
    MsiHeapString m_origin;
    bool m_ownsHandle;
};

// Name of an INSTALLSTATE value for logs ("Local", "Absent", ...).
const wchar_t* GetInstallStateName(INSTALLSTATE state);
