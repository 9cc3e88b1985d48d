#include "app/QVUUpdateApp.h"

#include "app/CommandLine.h"
#include "app/QVUUpdateDlg.h"
#include "platform/dialog_controls.h"

CQVUUpdateApp::CQVUUpdateApp(std::string programPath)
    : m_ProgramPath(std::move(programPath)), m_AppName(ApplicationNameOf(m_ProgramPath)),
      m_Profile(m_AppName) {}

BOOL CQVUUpdateApp::InitInstance(const std::string& commandLine, UpdateFrontEnd& frontEnd) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    const StartupSwitches switches = ReadStartupSwitches(commandLine);
    m_AutoStart = switches.autostart;
    m_DisplayAddress = switches.displayAddress;

    CQVUUpdateDlg dialog(*this, frontEnd);
    dialog.DoModal();
    m_Outcome = dialog.Outcome();
    return FALSE;
}
