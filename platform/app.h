// The application object and start-up of the toolkit.
#pragma once

#include <string>

#include "platform/wintypes.h"

class CDialog;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() = 0;
    // The process status once InitInstance has returned: the code given to PostQuitMessage, else 0.
    virtual int ExitInstance();
    CDialog* m_pMainWnd = nullptr;
};

// Starts the toolkit and sound, then runs the application's InitInstance. Returns the process
// status, ExitInstance's result.
int RunApplication(CWinApp& app, int argc, char** argv);

// Sets the status the process ends with. The program has no message loop of its own, so this
// only records the code for ExitInstance.
void PostQuitMessage(int exitCode);

// The toolkit's translation catalogue for a language identifier (as GetSystemDefaultLangID gives
// it), such as "qtbase_de"; empty for a language the program does not speak. Its stock texts
// (Yes, No, OK, the system menu, a text box's context menu) then follow the system language.
std::string ToolkitCatalogue(LANGID id);
// Installs that catalogue in place of the one installed before (0: none, the source texts);
// FALSE when there is none to load.
BOOL InstallToolkitTranslations(LANGID id);

// The platform's check that the networking layer is usable.
BOOL AfxSocketInit();
void AfxEnableControlContainer();
