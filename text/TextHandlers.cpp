// Captions, the report template, help, exit, the About box and the right-click notice.
#include "app/PracticeDialog.h"
#include "text/Language.h"

LanguageIndex SelectLanguage()
{
    return LanguageOfLangId(GetSystemDefaultLangID());
}

void PracticeDialog::ApplyLanguageTexts()
{
    const CaptionRow& row = CaptionsOf(SelectLanguage());
    SetDlgItemText(IDOK, row.start);
    SetDlgItemText(IDCANCEL, row.exit);
    SetDlgItemText(IDC_HELP_BUTTON, row.help);
    for (int i = 0; i < 4; ++i) {
        SetDlgItemText(IDC_SET1 + i, row.set[i]);
    }
    m_strExitPrompt = row.exitPrompt;
    m_strRedoCaption = row.redo;
    m_strMouseNotice = row.mouseNotice;
}

std::string PracticeDialog::BuildReportFormat() const
{
    return ReportTemplate(SelectLanguage());
}

BOOL PracticeDialog::ShowHelp(HELPINFO*)
{
    AfxMessageBox(HelpText(SelectLanguage()), MB_OK, 0);
    return TRUE;
}

void PracticeDialog::OnCancel()
{
    if (AfxMessageBox(m_strExitPrompt, MB_YESNO) != IDYES) {
        return;
    }
    for (const UINT_PTR id : {TIMER_KEY_BLINK, TIMER_VOICE_REPEAT, TIMER_HAND_BLINK, TIMER_CLOCK, TIMER_AMBIENT}) {
        KillTimer(id);
    }
    PixelBuffer().swap(m_appleBackground);
    for (int r = 0; r < 4; ++r) {
        for (int j = 0; j < m_nKeysInRow[r]; ++j) {
            PixelBuffer().swap(m_pKeyPixels[r][j]);
        }
    }
    CDialog::OnCancel();
}

void PracticeDialog::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        AboutDialog about(this);
        about.DoModal();
    } else {
        CDialog::OnSysCommand(id, lParam);
    }
}

void PracticeDialog::OnRButtonDown(UINT flags, POINT point)
{
    AfxMessageBox(m_strMouseNotice, MB_OK);
    CDialog::OnRButtonDown(flags, point);
}

HICON PracticeDialog::OnQueryDragIcon()
{
    return m_hIcon;
}

void PracticeDialog::OnDestroy()
{
    CDialog::OnDestroy();
}
