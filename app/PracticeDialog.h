// The practice window: one full-screen dialog that owns all of the program's state.
// Its member functions live in the folders of their concerns (practice/, scene/, paint/, text/).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "paint/BackgroundPicture.h"
#include "platform/dialog.h"
#include "practice/KeyboardModel.h"
#include "scene/ShapeOutlines.h"
#include "scene/ShapeTables.h"

// Timer ids and periods.
constexpr UINT_PTR TIMER_KEY_BLINK = 1234;
constexpr UINT_PTR TIMER_VOICE_REPEAT = 1235;
constexpr UINT_PTR TIMER_HAND_BLINK = 1237;
constexpr UINT_PTR TIMER_CLOCK = 116;
constexpr UINT_PTR TIMER_AMBIENT = 117;

// Control ids of the practice window's template.
constexpr int IDD_PRACTICE = 102;
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDC_HELP_BUTTON = 57670;
constexpr int IDC_REPORT = 1000;
constexpr int IDC_SET1 = 1004;
constexpr int IDC_SET2 = 1005;
constexpr int IDC_SET3 = 1006;
constexpr int IDC_SET4 = 1007;
constexpr UINT IDM_ABOUTBOX = 0x0010;
constexpr UINT IDS_ABOUTBOX = 101;
constexpr UINT IDS_SOCKETS_INIT_FAILED = 103;
constexpr UINT IDR_MAINFRAME = 128;
constexpr UINT IDB_KEYCAP = 129;
constexpr UINT IDB_LEFT_HAND = 130;
constexpr UINT IDB_RIGHT_HAND = 131;

using PixelBuffer = std::vector<COLORREF>;

class PracticeDialog : public CDialog {
public:
    explicit PracticeDialog(CDialog* parent = nullptr);
    ~PracticeDialog() override;

    // Handlers (message map).
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnPaint() override;
    void OnTimer(UINT_PTR id) override;
    void OnSysCommand(UINT id, LPARAM lParam) override;
    void OnRButtonDown(UINT flags, POINT point) override;
    BOOL OnHelpInfo(HELPINFO* info) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    HICON OnQueryDragIcon() override;
    void OnDestroy() override;
    void OnChooseSet1();
    void OnChooseSet2();
    void OnChooseSet3();
    void OnChooseSet4();

    // Operations.
    BOOL ShowHelp(HELPINFO* info);
    void ShuffleTargets();
    void ShowNextTarget(int bFirst);
    int IsAppleSpotFree(int x, int y) const;
    void BuildShapeOutlines();
    void BuildKeyboardModel();
    void LoadSounds();
    void PlaceControls();
    void ApplyLanguageTexts();
    std::string BuildReportFormat() const;
    void DrawHandPrompt(int bRight, int bShow, CDC* dc);
    void RestoreHandArea(CDC* dc, int bRight);

    // Window and controls.
    HICON m_hIcon = nullptr;
    int m_nScreenWidth = 0;
    int m_nScreenHeight = 0;
    CButton m_btnStart, m_btnExit, m_btnHelp;
    CEdit m_editReport;
    CButton m_chkSet1, m_chkSet2, m_chkSet3, m_chkSet4;

    // Keyboard model.
    KeyChars m_keyChar{};
    KeyChars m_keyShiftChar{};
    int m_nKeysInRow[kKeyRows] = {};
    KeyRects m_rcKey{};
    float m_fUnitsPerPixelX = 0;
    float m_fUnitsPerPixelY = 0;
    int m_nUnitsWide = 0;
    int m_nUnitsHigh = 0;
    PixelBuffer m_pKeyPixels[4][kKeyCols];
    int m_nMaxKeyArea = 0;
    PixelBuffer m_pKeyScratch;
    KeyCell m_targetKey[kTargetCount]{};
    std::array<std::string, kKeyCells> m_keySoundName;
    HGLOBAL m_keyWaveRes[kKeyCells] = {};
    const void* m_keyWave[kKeyCells] = {};
    HGLOBAL m_errorWaveRes = nullptr;
    const void* m_errorWave = nullptr;
    HGLOBAL m_okWaveRes = nullptr;
    const void* m_okWave = nullptr;
    HGLOBAL m_ambientWaveRes[5] = {};
    const void* m_ambientWave[5] = {};

    // Practice sets.
    int m_bSetChosen[4] = {1, 0, 0, 0};
    int m_nSetSize = 26;
    int m_nOrder[kTargetCount] = {};
    int m_nOrderLeft = 0;

    // Keystrokes and report.
    int m_bPractising = 0;
    int m_bStarted = 0;
    int m_nTotalKeys = 0;
    int m_nTotalRight = 0;
    int m_nRunKeys = 0;
    int m_nRunRight = 0;
    int m_nWrongKeys = 0;
    std::string m_strReport;
    char m_chTarget = ' ';
    int m_nTargetRow = 0;
    int m_nTargetCol = 0;

    // Timers.
    int m_nTotalTicks = 0;
    int m_nTicks = 0;
    int m_nIdleSeconds = 0;
    int m_nKeyBlinkPhase = 0;
    int m_nHandPhase = 0;

    // Shape outlines.
    POINT m_treePoint[kTreePointCount] = {};
    POINT m_applePoint[kApplePointCount] = {};
    int m_treeShift = 0;
    int m_shadeFirst = 0;
    int m_shadeLast = 0;
    int m_shadeHeight = 0;
    int m_appleHalfWidth = 0;
    int m_appleHalfHeight = 0;
    PixelBuffer m_appleBackground;
    // Which screen pixels the tree outline covers, for the apple placement.
    OutlineMask m_treeMask;

    // Apple placement.
    POINT m_applePos{};
    POINT m_appleFillSeed{14, 25};

    // Hand prompt.
    int m_handWidth = 0;
    int m_handHeight = 0;
    PixelBuffer m_leftHandBackground;
    PixelBuffer m_rightHandBackground;

    // Background picture.
    std::string m_strPictureFile = "Face.jpg";
    int m_bPictureFound = 0;
    PictureCache m_pictureCache;

    // Screen painting.
    COLORREF m_treeShade[kTreePointCount] = {};
    int m_bKeyPixelsSaved = 0;
    int m_bHandBackgroundSaved = 0;

    // Texts.
    std::string m_strExitPrompt;
    std::string m_strRedoCaption;
    std::string m_strMouseNotice;
};

// The About box.
class AboutDialog : public CDialog {
public:
    explicit AboutDialog(CDialog* parent = nullptr) : CDialog(IDD_ABOUTBOX, parent) {}
};
