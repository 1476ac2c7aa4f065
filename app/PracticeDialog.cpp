// Construction, data exchange, start-up, command routing and the texts of the practice window.
#include "app/PracticeDialog.h"

#include <ctime>

#include "app/ControlLayout.h"
#include "platform/face/app.h"
#include "text/KeyNotices.h"
#include "text/Language.h"

PracticeDialog::PracticeDialog(CDialog* parent) : CDialog(IDD_PRACTICE, parent)
{
    m_hIcon = LoadIcon(IDR_MAINFRAME);
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
    // The check boxes show the chosen set; what the user clicks reaches the rules as a command.
    for (int i = 0; i < 4; ++i) {
        int chosen = m_exercise.SetChosen(i);
        DDX_Check(dx, IDC_SET1 + i, chosen);
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

    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    m_scene.Build(width, height);
    MoveWindow(0, 0, width, height, TRUE);
    m_sounds.Load();
    m_painting.FindPicture([this] {
        m_bDesktopChanged = true;
        Invalidate();
    });
    // The controls are measured with the captions they will show: the template's own would make
    // the toolkit load the fonts of their script as well, to measure them once.
    if (!ApplyLanguageTexts()) {
        PlaceControls();
    }
    m_layout = ActiveKeyboardLayout();
    ApplyKeyboardLayout(nullptr);

    SetTimer(TIMER_CLOCK, 10000);
    SetTimer(TIMER_AMBIENT, 1000);
    m_exercise.KeyPressed();
    return TRUE;
}

// Placed at start and again when the captions of the user's language replace the template's: each
// check box is as wide as its caption on one line, in device pixels on a scaled desktop too.
void PracticeDialog::PlaceControls()
{
    RECT rc{};
    m_btnStart.GetFitRect(&rc);
    const int bw = rc.right;
    const int bh = rc.bottom;
    CButton* sets[4] = {&m_chkSet1, &m_chkSet2, &m_chkSet3, &m_chkSet4};
    int w[4] = {};
    int h[4] = {};
    for (int i = 0; i < 4; ++i) {
        sets[i]->GetFitRect(&rc);
        w[i] = rc.right;
        h[i] = rc.bottom;
    }
    const ControlLayout l = ComputeControlLayout(m_scene.ScreenWidth(), m_scene.ScreenHeight(), bw, bh, w, h);
    m_btnStart.MoveWindow(l.start);
    m_btnHelp.MoveWindow(l.help);
    m_btnExit.MoveWindow(l.exit);
    m_editReport.MoveWindow(l.report);
    for (int i = 0; i < 4; ++i) {
        sets[i]->MoveWindow(l.set[i]);
    }
    // On a screen too small for the controls below the keyboard they stand over the crown:
    // apples keep out from under them.
    m_scene.SetCoveredAreas({l.start, l.help, l.exit, l.report, l.set[0], l.set[1], l.set[2], l.set[3]});
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

void PracticeDialog::ChooseSet(int k)
{
    m_exercise.ChooseSet(k, static_cast<unsigned>(std::time(nullptr)));
    // Also for the set already chosen: its automatic check box was just cleared by the click.
    UpdateData(FALSE);
    // A larger set may hold targets the keyboard layout cannot type.
    ShowMissingTargets();
    OnOK();
}

void PracticeDialog::OnChooseSet1()
{
    ChooseSet(0);
}

void PracticeDialog::OnChooseSet2()
{
    ChooseSet(1);
}

void PracticeDialog::OnChooseSet3()
{
    ChooseSet(2);
}

void PracticeDialog::OnChooseSet4()
{
    ChooseSet(3);
}

void PracticeDialog::ApplyKeyboardLayout(CDC* dc)
{
    m_exercise.SetLayout(m_layout);
    m_exercise.Shuffle(static_cast<unsigned>(std::time(nullptr)));
    m_scene.SetKeyboard(m_exercise.Shape(), m_exercise.AltGrChars());
    if (dc != nullptr) {
        // The screen shows the old legends, and they may reach past their caps: the screen is
        // painted afresh, as at start, so nothing of them stays.
        m_painting.Paint(*dc, m_scene, m_exercise.PlainChars(), m_exercise.ShiftChars());
    }
    ShowMissingTargets();
}

void PracticeDialog::ShowMissingTargets()
{
    std::u32string missing;
    for (const char32_t c : m_exercise.MissingTargets()) {
        missing += missing.empty() ? std::u32string(1, c) : std::u32string{U' ', c};
    }
    std::string note;
    if (!missing.empty()) {
        note = MissingKeysNote(SelectLanguage()) + ToUtf8(missing);
    }
    const auto add = [&note](const std::string& text) { note += (note.empty() ? "" : "\r\n") + text; };
    switch (m_exercise.UseOfLayout()) {
    case LayoutUse::OtherGroup: add(SwitchLayoutNote(SelectLanguage()) + m_exercise.SwitchTo()); break;
    case LayoutUse::UsPositions: add(UsPositionsNote(SelectLanguage())); break;
    case LayoutUse::AsIs: break;
    }
    if (!note.empty()) {
        m_strReport = note;
        UpdateData(FALSE);
    }
}

bool PracticeDialog::ApplyLanguageTexts()
{
    const LanguageIndex language = SelectLanguage();
    // The stock buttons under the exit question follow the question's language.
    InstallToolkitTranslations(ToolkitLanguageOf(language));
    const CaptionRow& row = CaptionsOf(language);
    SetDlgItemText(IDOK, row.start);
    SetDlgItemText(IDCANCEL, row.exit);
    SetDlgItemText(IDC_HELP_BUTTON, row.help);
    bool newCaptions = false;
    for (int i = 0; i < 4; ++i) {
        newCaptions = newCaptions || GetDlgItemText(IDC_SET1 + i) != row.set[i];
        SetDlgItemText(IDC_SET1 + i, row.set[i]);
    }
    if (newCaptions) {
        PlaceControls();
    }
    m_strExitPrompt = row.exitPrompt;
    m_strRedoCaption = row.redo;
    m_strMouseNotice = row.mouseNotice;
    return newCaptions;
}

BOOL PracticeDialog::OnHelpInfo(HELPINFO* info)
{
    return ShowHelp(info);
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
    m_scene.ReleaseSaved();
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

// The screen changed under the window (another mode, a rotation, a new scale or monitor): all
// that was laid out for the old one is laid out and painted anew, as at start. The exercise goes
// on where it was; its apple hangs at a new spot of the new tree.
void PracticeDialog::OnDisplayChange(UINT, int width, int height)
{
    m_scene.Build(width, height);
    MoveWindow(0, 0, width, height, TRUE);
    PlaceControls();
    Invalidate();
    UpdateWindow();
}

void PracticeDialog::OnDestroy()
{
    CDialog::OnDestroy();
}
