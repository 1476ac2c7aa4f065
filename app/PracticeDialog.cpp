// Construction, data exchange, start-up and command routing of the practice window.
#include "app/PracticeDialog.h"

#include "app/ControlLayout.h"

#include <algorithm>

#include "paint/ScreenPainting.h"

PracticeDialog::PracticeDialog(CDialog* parent) : CDialog(IDD_PRACTICE, parent)
{
    m_hIcon = LoadIcon(IDR_MAINFRAME);
    std::fill(std::begin(m_treeShade), std::end(m_treeShade), kTrunkColour);
}

PracticeDialog::~PracticeDialog() = default;

void PracticeDialog::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_SET4, m_chkSet4);
    DDX_Control(dx, IDC_SET3, m_chkSet3);
    DDX_Control(dx, IDC_SET2, m_chkSet2);
    DDX_Control(dx, IDC_SET1, m_chkSet1);
    DDX_Control(dx, IDC_REPORT, m_editReport);
    DDX_Control(dx, IDC_HELP_BUTTON, m_btnHelp);
    DDX_Control(dx, IDOK, m_btnStart);
    DDX_Control(dx, IDCANCEL, m_btnExit);
    DDX_Text(dx, IDC_REPORT, m_strReport);
    for (int i = 0; i < 4; ++i) {
        DDX_Check(dx, IDC_SET1 + i, m_bSetChosen[i]);
    }
}

BOOL PracticeDialog::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu* sysMenu = GetSystemMenu(FALSE)) {
        const std::string about = LoadString(IDS_ABOUTBOX);
        if (!about.empty()) {
            sysMenu->AppendMenu(MF_SEPARATOR);
            sysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_nScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    m_nScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    BuildShapeOutlines();
    MoveWindow(0, 0, m_nScreenWidth, m_nScreenHeight, TRUE);
    BuildKeyboardModel();

    m_nSetSize = 26;
    for (int i = 0; i < m_nSetSize; ++i) {
        m_nOrder[i] = i;
    }
    m_bPictureFound = CFileFind().FindFile(m_strPictureFile);
    PlaceControls();
    ShuffleTargets();
    LoadSounds();

    SetTimer(TIMER_CLOCK, 10000);
    SetTimer(TIMER_AMBIENT, 1000);
    m_nIdleSeconds = 0;
    return TRUE;
}

void PracticeDialog::PlaceControls()
{
    RECT rc{};
    m_btnStart.GetClientRect(&rc);
    const int bw = rc.right;
    const int bh = rc.bottom;
    CButton* sets[4] = {&m_chkSet1, &m_chkSet2, &m_chkSet3, &m_chkSet4};
    int w[4] = {};
    int h[4] = {};
    for (int i = 0; i < 4; ++i) {
        sets[i]->GetClientRect(&rc);
        w[i] = rc.right;
        h[i] = rc.bottom;
    }
    const ControlLayout l = ComputeControlLayout(m_nScreenWidth, m_nScreenHeight, bw, bh, w, h);
    m_btnStart.MoveWindow(l.start);
    m_btnHelp.MoveWindow(l.help);
    m_btnExit.MoveWindow(l.exit);
    m_editReport.MoveWindow(l.report);
    for (int i = 0; i < 4; ++i) {
        sets[i]->MoveWindow(l.set[i]);
    }
}

BOOL PracticeDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (static_cast<int>(wParam & 0xFFFF)) {
    case IDC_SET1: OnChooseSet1(); return TRUE;
    case IDC_SET2: OnChooseSet2(); return TRUE;
    case IDC_SET3: OnChooseSet3(); return TRUE;
    case IDC_SET4: OnChooseSet4(); return TRUE;
    case IDC_HELP_BUTTON: ShowHelp(nullptr); return TRUE;
    default: return CDialog::OnCommand(wParam, lParam);
    }
}

BOOL PracticeDialog::OnHelpInfo(HELPINFO* info)
{
    return ShowHelp(info);
}
