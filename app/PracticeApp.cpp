#include "app/PracticeApp.h"

#include "app/PracticeDialog.h"
#include "platform/face/winapi.h"
#include "text/Language.h"

PracticeApp theApp;

BOOL PracticeApp::InitInstance()
{
    // Stock buttons and menus speak the language the program's own texts are in, from the first box on.
    InstallToolkitTranslations(ToolkitLanguageOf(SelectLanguage()));
    if (!AfxSocketInit()) {
        AfxMessageBox(LoadString(IDS_SOCKETS_INIT_FAILED), MB_OK);
        // The program did not run: whoever started it must not read success.
        PostQuitMessage(1);
        return FALSE;
    }
    AfxEnableControlContainer();
    PracticeDialog dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The dialog has closed; there is no message loop of the application's own.
    return FALSE;
}
