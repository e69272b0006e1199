#include "VelmoInstaller.h"

#include <commctrl.h>
#include <objbase.h>

#include <new>
#include <ostream>

#include "BenchTimeline.h"
#include "ByteSizeFormatter.h"
#include "Distribution.h"
#include "DistributionInfo.h"
#include "PartInfo.h"
#include "FileVersion.h"
#include "InstallerErrors.h"
#include "MessageBox.h"
#include "MsiApi.h"
#include "MsiEngineInstall.h"
#include "PathHelpers.h"
#include "PlatformChecks.h"
#include "PrivateMessages.h"
#include "TextHelpers.h"
#include "StructuredExceptionTranslator.h"
#include "TopDialog.h"
#include "WelcomeDialog.h"
#include "WizardDistribution.h"
#include "WizardServicesImpl.h"
#include "WindowHelpers.h"
#include "WindowPlacementState.h"
#include "resource.h"

// Errors thrown by the start-up carry this source name and the lines given with them.
static const char kSource[] = "VelmoInstaller";

// Private messages to the window that shows load progress.

CVelmoInstallerApp theApp;

void ThrowBadAlloc()
{
    throw std::bad_alloc();
}

CVelmoInstallerApp::CVelmoInstallerApp()
    : m_pDistribution(new CDistribution), m_pConfigInfo(new CConfigInfo), m_pLoaderThread(nullptr),
      m_hProgressWnd(nullptr), m_pTopDialog(nullptr),
      m_hDialogFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))), m_lcid(GetThreadLocale()), m_uiLangId(0),
      m_nLoadSteps(0), m_nTimerTicks(0), m_nProgressLow(0), m_nProgressRange(0), m_hMutex(nullptr),
      m_hExitEvent(CreateEventW(nullptr, FALSE, FALSE, L"_ZKOrbelInstallerExitEvent")), m_pSystemInfo(nullptr),
      m_hSysInfoModule(SysInfoNotLoaded()), m_bCoInitialize(true), m_bLoaderLeftRunning(false)
{
    m_nExitCode = -1;
    // The layers below the shell reach the application, the model and the wizard through
    // these.
    InstallApplicationServices(this);
    InstallDistributionServices(m_pDistribution);
    InstallWizardServices(&GetWizardServicesImpl());
    wchar_t tempPath[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH, tempPath);
    if (length > 0 && length <= MAX_PATH)
        m_strTempPath = tempPath;
}

CVelmoInstallerApp::~CVelmoInstallerApp()
{
    ReleaseInstanceObjects();
    InstallWizardServices(nullptr);
    InstallDistributionServices(nullptr);
    InstallApplicationServices(nullptr);
    if (!m_bLoaderLeftRunning) {
        delete m_pDistribution;
        delete m_pConfigInfo;
    }
    if (m_pSystemInfo) {
        m_pSystemInfo->Release();
        m_pSystemInfo = nullptr;
    }
    CoUninitialize();
}

void CVelmoInstallerApp::WinHelp(DWORD_PTR, UINT) { }

BOOL CVelmoInstallerApp::InitInstanceImpl()
{
    // 1. Hardware faults of the main thread arrive at the barrier as SEH_Exception; a fault that
    // no handler takes, on any thread, is reported as the barrier would.
    StructuredExceptionTranslatorScope translator;
    ArmUnhandledExceptionReport(&EndRunAfterUnhandledException);
    BenchMark(L"main");

    // 2. Keep running when the medium goes away (Windows 9x).
    PageInImageIfRemovable();

    // 3. COM; S_FALSE (already initialised on this thread) is success too.
    HRESULT hr = CoInitializeExIfAvailable(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr))
        return FALSE;

    try {
        // 4. Common controls and both rich-edit libraries.
        InitCommonControls();
        LoadLibraryW(L"riched32.dll");
        LoadLibraryW(L"riched20.dll");

        // 5. From here on a failed allocation throws std::bad_alloc.
        std::set_new_handler(&ThrowBadAlloc);

        // 6. The command line.
        ParseCommandLine(m_cmdLine);

        // 7. Quiet run that declines the licences: nothing is shown or logged.
        if (m_cmdLine.m_nUiMode == UiQuiet && m_cmdLine.m_nAcceptLicenses == 0) {
            m_nExitCode = 1602;
            return FALSE;
        }

        // 8. Help or a bad command line.
        try {
            if (m_cmdLine.m_bShowHelp || m_cmdLine.m_bParseError)
                throw CmdLineError(kSource, 222, m_cmdLine.m_bShowHelp);
        } catch (const CmdLineError& error) {
            HandleCmdLineError(error);
            FinishRun();
            return FALSE;
        }

        // 9. The restart entry that restarted this run; its result does not matter.
        if (!m_cmdLine.m_strRunKey.IsEmpty()) {
            CVelmoMsiEngineInst engine(L"", L"", L"");
            engine.DeleteRunValue(m_cmdLine.m_strRunKey);
        }

        RunConfiguredSteps();
    } catch (...) {
        DeleteFrame();
        CoUninitialize();
        throw;
    }
    return FALSE;
}

void CVelmoInstallerApp::HandleCmdLineError(const CmdLineError& error)
{
    const bool help = error.Argument<1>();
    CString usage;
    usage.FormatMessage(IDS_USAGE, GetAppName().GetString());
    CString text;
    UINT icon;
    if (help) {
        text = usage;
        icon = MB_ICONQUESTION;
    } else {
        text = error.GetUserMessage();
        text += L"\r\n";
        text += usage;
        icon = MB_ICONWARNING;
    }
    g_pfnMessageBoxW(nullptr, text, GetTitle(), MB_OK | icon | MB_SETFOREGROUND);
    m_nExitCode = 1639;
}

// Steps 10 to 21 of the start-up, then the wizard or the quiet run and the end of the run.
void CVelmoInstallerApp::RunConfiguredSteps()
{
    // 10. The configuration and the language modules.
    m_pConfigInfo->SetIniFile(m_cmdLine.m_strRootDir.IsEmpty() ? nullptr : m_cmdLine.m_strRootDir.GetString(),
        m_cmdLine.m_strIniFile.IsEmpty() ? nullptr : m_cmdLine.m_strIniFile.GetString());
    m_pConfigInfo->PopulateMsiInfo();
    BenchMark(L"configuration");
    m_pConfigInfo->LoadLanguageResource();
    BenchMark(L"language");

    // 11. A child installer never takes the mutex.
    if (!m_cmdLine.m_hMasterWnd)
        GrabInstanceMutex();

    // 12, 13. The log.
    OpenLog();
    GetLogStream(kLogInfo, 0) << L"Started OrbelInstaller: " << GetCurrentTimeText() << std::endl;

    BenchMark(L"log");
    // 14, 15. Operating system and rights.
    CheckOsRequirements();
    if (!IsAdministrator())
        throw NoAdminPriv(kSource, 263);

    // 16. The Windows Installer engine.
    const CConfigInfo::InstallEngineInfo& engineInfo = *m_pConfigInfo->GetInstallEngineInfo();
    CVelmoMsiEngineInst engine(engineInfo.GetInstaller9x(), engineInfo.GetInstallerNT(), engineInfo.GetCommandLine());
    engine.SetRequiredVersion(engineInfo.GetRequiredVersion());
    BenchMark(L"checks");
    UINT engineResult = engine.Run();
    BenchMark(L"engine");
    if (engineResult == 3010 || engineResult == 1641) {
        if (engineResult == 3010) {
            g_pfnMessageBoxW(nullptr, LoadResourceString(IDS_ENGINE_RESTART_NOTICE), GetTitle(), MB_OK);
        }
        m_nExitCode = 1604;
        return;
    }
    if (engineResult != 0) {
        g_pfnMessageBoxW(nullptr, LoadResourceString(IDS_ENGINE_INSTALL_FAILED), GetTitle(), MB_OK);
        m_nExitCode = static_cast<int>(engineResult);
        return;
    }

    // 17, 18. The engine's registration; the page records.
    CheckMsiEngineRegistration();
    m_pConfigInfo->PopulateDialogInfo();

    // 19. The spec file.
    CString specPath;
    if (!m_cmdLine.m_strSpecFile.IsEmpty()) {
        wchar_t fullPath[MAX_PATH + 1] = {};
        if (_wfullpath(fullPath, m_cmdLine.m_strSpecFile, MAX_PATH))
            specPath = fullPath;
        else
            specPath = m_cmdLine.m_strSpecFile;
        if (!FileExists(specPath)) {
            CString text;
            text.FormatMessage(IDS_SPEC_FILE_MISSING, specPath.GetString());
            g_pfnMessageBoxW(nullptr, text, LoadResourceString(IDS_ERROR_CAPTION), MB_OK);
            return;
        }
    }
    m_specFile.SetSpecFile(specPath);

    // 20. Unit names of the byte-size formatter.
    for (int unit = 0; unit < 4; ++unit) {
        g_sizeUnits.SetAt(unit, LoadResourceString(IDS_SIZE_UNIT_BYTES + unit));
    }
    g_sizeUnits.SetSignificantDigits(3);
    BenchMark(L"pages");

    // 21. A load that failed or was cancelled ends the run there: no end executables, no restart.
    const bool loaded = m_cmdLine.m_nUiMode != UiQuiet ? RunWizard() : RunQuiet();
    if (loaded) {
        EndOfRun();
        BenchMark(L"end-of-run");
    }
}

bool CVelmoInstallerApp::RunWizard()
{
    // 1. The frame, over this run's distribution.
    SetWizardDistribution(m_pDistribution);
    m_pTopDialog = new CTopDialog(nullptr);
    m_pMainWnd = m_pTopDialog;
    if (!m_pTopDialog->Create(IDD_TOP_DIALOG, nullptr)) {
        m_pMainWnd = nullptr;
        throw DlgCreateError(kSource, 343, L"TopDialog", GetLastError(), L"Error creating %1.  Window Error: %2");
    }
    HWND frame = m_pTopDialog->GetSafeHwnd();

    // 2. The start page.
    if (m_cmdLine.m_bTreeStart)
        m_pTopDialog->m_eStartState = kFeatureTreeDialog;
    else if (m_cmdLine.m_nUiMode == UiLinkedCustom)
        m_pTopDialog->m_eStartState = GetFirstEnabledDialog();
    else if (m_cmdLine.m_nUiMode == UiLinked || m_cmdLine.m_nUiMode == UiBasic
        || m_cmdLine.m_nUiMode == UiBasicNoCancel)
        m_pTopDialog->m_eStartState = kProgressDialog;

    // 3. Where load progress goes.
    if (m_cmdLine.m_hMasterWnd) {
        m_hProgressWnd = m_cmdLine.m_hMasterWnd;
        PostMessageW(m_hProgressWnd, WM_CHILD_WINDOW_READY, 0, reinterpret_cast<LPARAM>(frame));
    } else if (CWelcomeDialog* welcome = m_pTopDialog->GetWelcomeDialog()) {
        m_hProgressWnd = welcome->GetSafeHwnd();
        m_pTopDialog->ShowWindow(SW_SHOW);
    }

    // 4. Load on the loader thread while this thread dispatches the wizard's messages.
    m_pLoaderThread = VelmoBeginThread(&LoaderThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
    if (!m_pLoaderThread) {
        // The load could not start: as a failed load.
        DeleteFrame();
        m_nExitCode = ERROR_INSTALL_USEREXIT;
        return false;
    }
    m_pLoaderThread->m_bAutoDelete = FALSE;
    m_pLoaderThread->ResumeThread();
    int pumpCode = 0;
    PumpUntilSignalled(&m_pLoaderThread->m_hThread, 1, pumpCode);

    // 5. Cancelled while loading: the run ends at once.
    if (m_nExitCode != -1)
        return false;

    // 6. The loader's result.
    DWORD loaderCode = 0;
    GetExitCodeThread(m_pLoaderThread->m_hThread, &loaderCode);
    delete m_pLoaderThread;
    m_pLoaderThread = nullptr;
    if (loaderCode != 0) {
        DeleteFrame();
        m_nExitCode = ERROR_INSTALL_USEREXIT;
        return false;
    }

    // 7 to 10.
    m_pTopDialog->StartWizard();
    if (m_cmdLine.m_hMasterWnd) {
        // A child installer's frame takes its master's place.
        WindowPlacementState placement;
        placement.Save(GetTopLevelWindow(m_cmdLine.m_hMasterWnd), frame);
        placement.ApplyTo(true);
    }
    LoadProgressCallback(this, 5);
    m_nExitCode = m_pTopDialog->RunModalLoop(0);
    return true;
}

bool CVelmoInstallerApp::RunQuiet()
{
    m_bCoInitialize = false;
    // An aborted or failed load must not go on to install a half-built model.
    if (LoaderThreadProc(this) != 0) {
        m_nExitCode = ERROR_INSTALL_USEREXIT;
        return false;
    }
    if (m_pDistribution->GetExtraFeatureInfo(0, nullptr) > 0) {
        m_pConfigInfo->GetMergedPartInfo()->ReleaseSession();
        throw OperationAborted(kSource, 425, L"Installation",
            L"Installation failed due to fatal errors or unsatisfied 3rd Party Dependencies");
    }
    BenchEndBeforeInstall();
    m_nExitCode = m_pDistribution->InstallSilently();
    BenchMark(L"installed");
    return true;
}

void CVelmoInstallerApp::EndOfRun()
{
    const int mode = m_cmdLine.m_nUiMode;
    // 1, 2. The end page, and the master of a child installer, decide for themselves.
    bool othersDecide = (mode != UiQuiet && IsDialogEnabled(kEndDialog)) || mode == UiLinked || mode == UiLinkedCustom;
    if (!othersDecide) {
        // 3.
        const bool success = m_nExitCode == 0 || m_nExitCode == 3010 || m_nExitCode == 1641;
        if (success) {
            m_pDistribution->LaunchExecutes(1, nullptr);
            m_pDistribution->LaunchExecutes(2, nullptr);
        }
        // A restart that the system refuses is still needed: a success says so with 3010.
        if (IsRebootRequired(true)) {
            const bool restarting = ExitWindowsWithPrivilege(EWX_REBOOT) != FALSE;
            if (success)
                m_nExitCode = restarting ? ERROR_SUCCESS_REBOOT_INITIATED : ERROR_SUCCESS_REBOOT_REQUIRED;
        }
    }
    FinishRun();
}

void CVelmoInstallerApp::FinishRun()
{
    // Windows Installer's log off; the frame goes.
    MsiApi().MsiEnableLogW(0, nullptr, 0);
    DeleteFrame();
}

void CVelmoInstallerApp::DeleteFrame()
{
    if (m_pMainWnd == m_pTopDialog)
        m_pMainWnd = nullptr;
    delete m_pTopDialog;
    m_pTopDialog = nullptr;
}

int CVelmoInstallerApp::ExitInstanceImpl()
{
    EnableLoadTimer(false);
    // A cancelled load may have left the loader running on the models: give it time to notice
    // the abort before anything it uses goes away.
    m_bLoaderLeftRunning = !WaitForLoaderToEnd();
    CloseRun();
    BenchMark(L"closed");
    return m_nExitCode;
}

void CVelmoInstallerApp::EndRunAfterUnhandledException(int exitCode)
{
    theApp.EndAfterUnhandledException(exitCode);
}

void CVelmoInstallerApp::EndAfterUnhandledException(int exitCode)
{
    m_nExitCode = exitCode;
    // The faulting thread never goes on; a loader running on another thread keeps the models
    // it uses.
    m_bLoaderLeftRunning = IsLoaderRunning() && m_pLoaderThread->m_nThreadID != GetCurrentThreadId();
    CloseRun();
}

void CVelmoInstallerApp::CloseRun()
{
    if (!m_bLoaderLeftRunning) {
        // Windows Installer deletes its copies of the packages as their sessions close; the
        // engine's log files can go once no session holds them.
        if (m_pConfigInfo)
            m_pConfigInfo->ReleaseSessions();
        if (m_pDistribution)
            m_pDistribution->StopInstallerLog();
        // The language modules go before the temporary copies they may have been loaded from.
        if (m_pConfigInfo)
            m_pConfigInfo->FreeResourceModules();
    }
    for (const CString& copy : m_tempFiles)
        DeleteTempCopy(copy);
    if (m_cmdLine.m_bDeleteExe) {
        wchar_t program[MAX_PATH + 1] = {};
        if (GetModuleFileNameW(m_hInstance, program, MAX_PATH))
            MoveFileExW(program, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    ReleaseInstanceObjects();
    if (m_log.IsOpen()) {
        GetLogStream(kLogInfo, 0) << L"OrbelInstaller exiting " << GetCurrentTimeText() << L". Returning "
                                  << m_nExitCode << std::endl;
        m_log.Close();
    }
}

DWORD CVelmoInstallerApp::s_loaderExitWaitMs = 30000;

bool CVelmoInstallerApp::WaitForLoaderToEnd()
{
    if (!m_pLoaderThread)
        return true;
    const DWORD start = GetTickCount();
    while (IsLoaderRunning()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= s_loaderExitWaitMs)
            return false;
        MsgWaitForMultipleObjects(1, &m_pLoaderThread->m_hThread, FALSE, s_loaderExitWaitMs - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    delete m_pLoaderThread;
    m_pLoaderThread = nullptr;
    return true;
}

void CVelmoInstallerApp::ReleaseInstanceObjects()
{
    if (m_hMutex) {
        ReleaseMutex(m_hMutex);
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
    }
    if (m_hExitEvent) {
        SetEvent(m_hExitEvent);
        CloseHandle(m_hExitEvent);
        m_hExitEvent = nullptr;
    }
}

bool CVelmoInstallerApp::IsRebootRequired(bool onlyAfterSuccess)
{
    switch (m_cmdLine.m_nRebootMode) {
    case 1:
        return false;
    case 2:
        return true;
    default:
        break;
    }
    switch (m_pConfigInfo->GetDistributionInfo() ? m_pConfigInfo->GetDistributionInfo()->GetRebootMode()
                                                 : CConfigInfo::DistributionInfo::RebootNormal) {
    case CConfigInfo::DistributionInfo::RebootSuppress:
        return false;
    case CConfigInfo::DistributionInfo::RebootForce:
        return true;
    default:
        break;
    }
    if (onlyAfterSuccess && m_nExitCode != 0 && m_nExitCode != ERROR_SUCCESS_REBOOT_REQUIRED
        && m_nExitCode != ERROR_SUCCESS_REBOOT_INITIATED)
        return false;
    return m_pDistribution->m_nRebootState > 0;
}

void CVelmoInstallerApp::GrabInstanceMutex()
{
    m_hMutex = CreateMutexW(nullptr, FALSE, L"_ZKOrbelInstallerMutex");
    if (m_hMutex && WaitForSingleObject(m_hMutex, 0) == WAIT_TIMEOUT) {
        CloseHandle(m_hMutex);
        m_hMutex = nullptr;
        throw MutexNotGrabbed(kSource, 1392);
    }
}

VelmoLogGuard CVelmoInstallerApp::GetLogStream(DWORD level, DWORD width)
{
    return VelmoLogGuard(m_log, level, width);
}

CString CVelmoInstallerApp::GetAppName() const
{
    if (m_pszAppName)
        return CString(m_pszAppName);
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString name = path;
    name = name.Mid(name.ReverseFind(L'\\') + 1);
    int dot = name.ReverseFind(L'.');
    return dot >= 0 ? name.Left(dot) : name;
}
