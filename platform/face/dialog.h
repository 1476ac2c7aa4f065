// Dialog windows built from templates, their timers and message routing; their controls are
// controls.h's.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/face/controls.h"
#include "platform/face/gdi.h"
#include "platform/face/winapi.h"

class CDialog;
class DialogWindow;  // the toolkit window behind a CDialog (dialog_window.h)

// Modal message box titled with the program's name. MB_YESNO returns IDYES or IDNO; MB_OK returns IDOK.
int AfxMessageBox(std::string_view text, UINT type = MB_OK, UINT helpContext = 0);

struct HELPINFO {
    int iContextType = 0;
    int iCtrlId = 0;
};

// A dialog from a template resource. The program's windows derive from it and override
// the handlers they need; every handler runs on the user-interface thread, one message at a time.
class CDialog {
public:
    explicit CDialog(UINT templateId, CDialog* parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the window, runs OnInitDialog, shows it and runs its modal loop until EndDialog.
    int DoModal();
    // Creates and shows the window without a modal loop of its own (tests drive it).
    BOOL Create();
    void EndDialog(int result);
    BOOL IsEnded() const;
    int Result() const;

    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    void SetDlgItemText(int id, std::string_view text);
    std::string GetDlgItemText(int id) const;
    CMenu* GetSystemMenu(BOOL revert);
    LPARAM SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL SetTimer(UINT_PTR id, UINT elapseMs);
    BOOL KillTimer(UINT_PTR id);
    // The window's device context for drawing outside WM_PAINT; give it back with ReleaseDC.
    CDC* GetDC();
    int ReleaseDC(CDC* dc);
    BOOL IsIconic() const;
    void GetClientRect(RECT* rc) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    // Asks for a WM_PAINT of the whole client area.
    void Invalidate();
    // Paints what is waiting to be painted now, before the handler goes on.
    void UpdateWindow();
    void ShowWindow(int cmd);

    // The default handling of the message being handled now.
    void Default();

    // Handlers.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnPaint();
    virtual void OnTimer(UINT_PTR id);
    virtual void OnSysCommand(UINT id, LPARAM lParam);
    virtual void OnRButtonDown(UINT flags, POINT point);
    virtual BOOL OnHelpInfo(HELPINFO* info);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual HICON OnQueryDragIcon();
    virtual void OnDestroy();
    // The screen changed (WM_DISPLAYCHANGE): its new size in device pixels; the window already covers it.
    virtual void OnDisplayChange(UINT bitsPerPixel, int width, int height);

    DialogWindow* Window() const { return m_window.get(); }
    UINT TemplateId() const { return m_templateId; }
    CDialog* Parent() const { return m_parent; }
    // The screen framebuffer this dialog draws on (its own surface for a small dialog).
    Surface& ScreenSurface();
    // Paint context of the WM_PAINT being handled.
    RECT PaintRect() const;
    Surface* IconSurface();

private:
    friend class DialogWindow;
    UINT m_templateId;
    CDialog* m_parent;
    std::unique_ptr<DialogWindow> m_window;
};

// Begins and ends painting in OnPaint: draws only inside the area to be painted.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CDialog* wnd);
    ~CPaintDC() override;

private:
    CDialog* m_wnd;
};

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;
