// The controls of a dialog (controls.cpp): found by id, their texts, geometry and checks, and
// data exchange towards them.
#pragma once

#include <string>
#include <string_view>

#include "platform/face/winapi.h"

class CDialog;
class QWidget;

// A control of a dialog, found by its id.
class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    BOOL IsBound() const { return m_owner != nullptr; }
    int GetDlgCtrlID() const { return m_id; }
    void SetWindowText(std::string_view text);
    std::string GetWindowText() const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(const RECT& rc, BOOL repaint = TRUE);
    // Client size as created from the template, at (0, 0).
    void GetClientRect(RECT* rc) const;
    // Position in the dialog's client pixels (right and bottom exclusive).
    void GetWindowRect(RECT* rc) const;
    // The client size, in device pixels, that shows the control's caption whole on one line at its
    // font: the template's size, widened or heightened where the caption needs more.
    void GetFitRect(RECT* rc) const;
    BOOL IsWindowVisible() const;
    void SetFocus();
    BOOL HasFocus() const;

    void Bind(CDialog* owner, int id)
    {
        m_owner = owner;
        m_id = id;
    }

private:
    // Buttons reach their toolkit control through the same owner and id.
    friend class CButton;
    CDialog* m_owner = nullptr;
    int m_id = 0;
};

class CButton : public CWnd {
public:
    int GetCheck() const;
    void SetCheck(int check);
    // Presses the button as a click of the mouse does.
    void Click();
};

class CEdit : public CWnd {};

class CDataExchange {
public:
    CDataExchange(CDialog* dlg, BOOL save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, std::string& value);
void DDX_Check(CDataExchange* dx, int id, int& value);

class CMenu {
public:
    explicit CMenu(CDialog* owner) : m_owner(owner) {}
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, std::string_view text = {});

private:
    CDialog* m_owner;
};

namespace platform_detail {
// A dialog's control by id; null when there is none.
QWidget* ControlOf(const CDialog* dlg, int id);
void SetControlText(QWidget* w, std::string_view text);
std::string ControlText(const QWidget* w);
// A control's rectangle in its window's client area, in device pixels.
RECT DeviceGeometry(const QWidget* w);
}  // namespace platform_detail
