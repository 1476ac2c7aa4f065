// The practice window: one full-screen dialog that owns the program's state and carries out
// what the practice rules decide: drawing, sounds, timers and controls.
#pragma once

#include <string>

#include "paint/ScreenPainting.h"
#include "platform/face/dialog.h"
#include "platform/keyboard/keymap.h"
#include "practice/Exercise.h"
#include "scene/Scene.h"
#include "scene/SoundBank.h"

// Timer ids.
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
    void OnDisplayChange(UINT bitsPerPixel, int width, int height) override;
    void OnChooseSet1();
    void OnChooseSet2();
    void OnChooseSet3();
    void OnChooseSet4();

    // What the window holds, for reading (tests, benchmarks).
    const Exercise& GetExercise() const { return m_exercise; }
    const Scene& GetScene() const { return m_scene; }
    const SoundBank& GetSounds() const { return m_sounds; }
    const ScreenPainting& GetPainting() const { return m_painting; }
    const std::string& ReportText() const { return m_strReport; }
    const std::string& ExitPrompt() const { return m_strExitPrompt; }
    const std::string& RedoCaption() const { return m_strRedoCaption; }
    HICON Icon() const { return m_hIcon; }

private:
    BOOL ShowHelp(HELPINFO* info);
    // previousOnScreen false: the screen was painted afresh, the old target's key and apple are gone.
    void ShowNextTarget(int bFirst, bool previousOnScreen = true);
    void ChooseSet(int k);
    void PlaceControls();
    // The captions of the user's language; true when the controls were placed again for them.
    bool ApplyLanguageTexts();
    // Puts the keyboard layout in use into the rules and onto the key caps; says in the report
    // box which targets it cannot type.
    void ApplyKeyboardLayout(CDC* dc);
    // Names in the report box the chosen set's targets that the layout cannot type, if any, and
    // how a layout without Latin letters is practised on.
    void ShowMissingTargets();
    // After a wrong key: what the report box should tell about the keyboard (Caps Lock, layout).
    void ShowKeyHint();

    HICON m_hIcon = nullptr;
    CButton m_btnStart, m_btnExit, m_btnHelp;
    CEdit m_editReport;
    CButton m_chkSet1, m_chkSet2, m_chkSet3, m_chkSet4;
    std::string m_strReport;

    KeyboardLayout m_layout;
    Exercise m_exercise;
    Scene m_scene;
    SoundBank m_sounds;
    ScreenPainting m_painting;
    // A wallpaper came after the first paint: the next paint shows it, and what the scene keeps
    // of the background is taken from it again.
    bool m_bDesktopChanged = false;

    // Texts kept for later: the exit question, Start's caption once practice runs, the notice
    // a right click shows.
    std::string m_strExitPrompt;
    std::string m_strRedoCaption;
    std::string m_strMouseNotice;
};

// The About box.
class AboutDialog : public CDialog {
public:
    explicit AboutDialog(CDialog* parent = nullptr) : CDialog(IDD_ABOUTBOX, parent) {}
};
