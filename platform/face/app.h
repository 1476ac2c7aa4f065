// The application object and start-up of the toolkit.
#pragma once

#include <string_view>

#include "platform/face/system.h"
#include "platform/surface/wintypes.h"

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

// Installs the toolkit's translations of one language in place of those installed before, so its
// stock texts (Yes, No, OK, the system menu, a text box's context menu) speak that language:
// "de" loads the catalogue "qtbase_de", "zh_TW" "qtbase_zh_TW"; empty: none, the source texts.
// Which language that is, is the caller's decision. Installing the language already installed
// does nothing. FALSE when there is no catalogue to load.
BOOL InstallToolkitTranslations(std::string_view language);
