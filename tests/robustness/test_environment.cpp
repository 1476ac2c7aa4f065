// The program where its surroundings fail it: no sound device at all (the practice runs silently,
// in a child process of its own so that the sound system starts there without a device), and an
// unknown, odd or empty locale (every text in English).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <optional>

#include "tests/robustness/Robustness.h"

namespace {

constexpr char kChildMarker[] = "POMAREL_ROBUSTNESS_CHILD";

// The child's part: a practice with right and wrong keys, every sound asked for and none heard.
TEST(NoAudioDeviceChild, PractisesSilently)
{
    if (std::getenv(kChildMarker) == nullptr)
        GTEST_SKIP() << "runs only as the child process of NoAudioDevice";
    PracticeWindow win(800, 600);
    PracticeDialog& d = win.dlg();
    win.Key(VK_F2);
    for (int i = 0; i < 40; ++i) {
        win.Type(static_cast<unsigned char>(win.Wrong()));
        win.Type(static_cast<unsigned char>(win.Wrong()));
        testing_hooks::FireTimer(d, TIMER_HAND_BLINK);
        testing_hooks::FireTimer(d, TIMER_VOICE_REPEAT);
        win.LetSoundsEnd();
        win.Type(static_cast<unsigned char>(win.Target()));
        for (int t = 0; t < 6; ++t)
            testing_hooks::FireTimer(d, TIMER_AMBIENT);
        if (i % 10 == 0)
            testing_hooks::PaintNow(d);
    }
    EXPECT_EQ(d.GetExercise().TotalRight(), 40);
    EXPECT_EQ(d.GetExercise().TotalKeys(), 120);
    EXPECT_FALSE(win.sounds.empty()) << "the program stopped asking for sounds";
    testing_hooks::PumpEvents(50);
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    std::printf("child with SDL_AUDIODRIVER=%s: %zu sounds asked for\n", driver ? driver : "(unset)",
                win.sounds.size());
}

// Runs the child's part in this test program again, with the variables of 'env' (NAME=value) set
// and QT_QPA_PLATFORM left for it to choose; killed after 120 s.
TEST(NoAudioDevice, ThePractiseRunsSilently)
{
    const struct {
        const char* name;
        const char* env;
    } cases[] = {
        {"no such driver", "SDL_AUDIODRIVER=nosuchdriver"},
        {"disk driver writing where it cannot", "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/nonexistent/dir/out.raw"},
        {"ALSA without a card", "SDL_AUDIODRIVER=alsa AUDIODEV=hw:97,0"},
        {"PulseAudio without a server", "SDL_AUDIODRIVER=pulseaudio PULSE_SERVER=unix:/nonexistent/pulse"},
        {"every driver tried, none there", "SDL_AUDIODRIVER= AUDIODEV=hw:97,0 PULSE_SERVER=unix:/nonexistent/pulse"},
    };
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    for (const auto& c : cases) {
        const std::string command = std::string("env -u QT_QPA_PLATFORM ") + kChildMarker + "=1 " + c.env +
                                    " timeout -s KILL 120 '" + self +
                                    "' --gtest_filter=NoAudioDeviceChild.PractisesSilently 2>&1";
        std::string output;
        int status = -1;
        if (std::FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
                output.append(buffer, n);
            status = pclose(pipe);
        }
        // timeout ends with 137 when it had to kill the child.
        const int exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        EXPECT_EQ(exit, 0) << c.name << ": the child ended with status " << exit << "; its output:\n" << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test."), std::string::npos) << c.name << ": the child said\n" << output;
        EXPECT_EQ(output.find("SKIPPED"), std::string::npos) << c.name << ": the child said\n" << output;
        // What the user reads: at most the one line that sound is lost, none of the sound
        // libraries' own complaints (ALSA prints eight lines per attempt without a card).
        EXPECT_EQ(output.find("ALSA lib"), std::string::npos) << c.name << ": the child said\n" << output;
        std::size_t told = 0;
        for (std::size_t at = 0; (at = output.find("pomarel: no sound device", at)) != std::string::npos; ++at)
            ++told;
        EXPECT_LE(told, 1u) << c.name << ": the loss is told once; the child said\n" << output;
    }
}

void ExpectEnglish(PracticeDialog& d, const std::string& what)
{
    EXPECT_EQ(d.ExitPrompt(), "Do you really want to close?") << what;
    EXPECT_EQ(d.RedoCaption(), "Redo") << what;
    EXPECT_EQ(d.GetDlgItemText(IDCANCEL), "Exit") << what;
    EXPECT_EQ(d.GetDlgItemText(IDC_HELP_BUTTON), "Help") << what;
    EXPECT_EQ(d.GetDlgItemText(IDC_SET1), "Only alphabetic keys not case sensitive.") << what;
}

// Puts the locale variables back as they were.
class LocaleGuard {
public:
    LocaleGuard()
    {
        for (const char* v : kVars)
            m_saved.push_back(std::getenv(v) ? std::optional<std::string>(std::getenv(v)) : std::nullopt);
    }
    ~LocaleGuard()
    {
        for (std::size_t i = 0; i < std::size(kVars); ++i)
            m_saved[i] ? setenv(kVars[i], m_saved[i]->c_str(), 1) : unsetenv(kVars[i]);
    }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;
    static constexpr const char* kVars[] = {"LANG", "LC_ALL", "LC_MESSAGES"};

private:
    std::vector<std::optional<std::string>> m_saved;
};

TEST(OddLocale, SpeaksEnglish)
{
    LocaleGuard guard;
    const std::vector<std::string> langs = {"xx_YY.UTF-8",
                                            "",
                                            "C",
                                            "POSIX",
                                            "C.UTF-8",
                                            "en_GB.UTF-8",
                                            "ru_RU.UTF-8",
                                            "zz",
                                            "@",
                                            ".",
                                            "_",
                                            "-",
                                            "zz_ZZ.ISO-8859-15@euro",
                                            std::string(4096, 'q'),
                                            "\xff\xfe_\x80.\xc3"};
    for (const std::string& lang : langs) {
        const std::string what = "LANG=\"" + lang.substr(0, 40) + "\"";
        PracticeWindow win(800, 600, lang.c_str());
        PracticeDialog& d = win.dlg();
        ExpectEnglish(d, what);
        EXPECT_EQ(d.GetDlgItemText(IDOK), "Start") << what;
        win.Key(VK_F2);
        win.Type(static_cast<unsigned char>(win.Target()));
        EXPECT_EQ(d.ReportText().rfind("Test report:total", 0), 0u) << what << ": " << d.ReportText();
        win.answer = IDNO;
        win.Key(VK_ESCAPE);
        ASSERT_FALSE(win.boxes.empty()) << what;
        EXPECT_EQ(win.boxes.back(), "Do you really want to close?") << what;
        win.Key(VK_F1);
        ASSERT_GE(win.boxes.size(), 2u) << what;
        EXPECT_FALSE(win.boxes.back().empty()) << what << ": no help text";
    }
    // The language is looked up afresh at every paint.
    PracticeWindow win(800, 600, "de_DE.UTF-8");
    for (const char* v : LocaleGuard::kVars)
        unsetenv(v);
    testing_hooks::PaintNow(win.dlg());
    ExpectEnglish(win.dlg(), "no LANG, LC_ALL or LC_MESSAGES");
}

}  // namespace
