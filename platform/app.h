// The application object and start-up of the toolkit.
#pragma once

#include "platform/wintypes.h"

class CDialog;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() = 0;
    CDialog* m_pMainWnd = nullptr;
};

// Starts the toolkit and sound, then runs the application's InitInstance. Returns the process
// status: 0 whenever InitInstance returns, whatever it returned.
int RunApplication(CWinApp& app, int argc, char** argv);

// The platform's check that the networking layer is usable.
BOOL AfxSocketInit();
void AfxEnableControlContainer();
