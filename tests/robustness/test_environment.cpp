// The program where its surroundings fail it: no sound device at all (the practice runs silently,
// in a child process of its own so that the sound system starts there without a device), and an
// unknown, odd or empty locale (every text in English).
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/DialogFixture.h"

extern char** environ;

namespace {

constexpr char kChildMarker[] = "POMAREL_ROBUSTNESS_CHILD";

struct ChildResult {
    int status = -1;  // as waitpid gives it
    bool timedOut = false;
    std::string output;
};

// Runs this test program again with only 'filter' selected, the variables of 'set' set, those of
// 'unset' removed and QT_QPA_PLATFORM left for the child to choose.
ChildResult RunChild(const std::string& filter, const std::vector<std::pair<std::string, std::string>>& set,
                     const std::vector<std::string>& unset, int seconds)
{
    ChildResult result;
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        result.output = "cannot find this program";
        return result;
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string var(*e);
        const std::string name = var.substr(0, var.find('='));
        bool drop = name == "QT_QPA_PLATFORM";
        for (const auto& [k, v] : set) {
            drop = drop || name == k;
        }
        for (const std::string& k : unset) {
            drop = drop || name == k;
        }
        if (!drop) {
            env.push_back(var);
        }
    }
    for (const auto& [k, v] : set) {
        env.push_back(k + "=" + v);
    }
    std::vector<char*> envp;
    for (std::string& s : env) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::string filterArg = "--gtest_filter=" + filter;
    char* argv[] = {self, filterArg.data(), nullptr};

    char outName[] = "/tmp/pomarel-child-XXXXXX";
    const int out = mkstemp(outName);
    if (out < 0) {
        result.output = "no temporary file";
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, out, 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out);
    if (spawned == 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (waitpid(pid, &result.status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                result.timedOut = true;
                kill(pid, SIGKILL);
                waitpid(pid, &result.status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } else {
        result.output = std::string("posix_spawn: ") + std::strerror(spawned) + "\n";
    }
    std::ifstream in(outName);
    std::ostringstream text;
    text << in.rdbuf();
    result.output += text.str();
    unlink(outName);
    return result;
}

std::string Describe(const ChildResult& r)
{
    std::ostringstream o;
    if (r.timedOut) {
        o << "did not end in time";
    } else if (WIFEXITED(r.status)) {
        o << "exit status " << WEXITSTATUS(r.status);
    } else if (WIFSIGNALED(r.status)) {
        o << "killed by signal " << WTERMSIG(r.status);
    }
    return o.str() + "; its output:\n" + r.output;
}

struct NoDevice {
    const char* name;
    std::vector<std::pair<std::string, std::string>> set;
    std::vector<std::string> unset;
};

void PrintTo(const NoDevice& d, std::ostream* os)
{
    *os << d.name;
}

class NoAudioDevice : public ::testing::TestWithParam<NoDevice> {};

}  // namespace

// The child's part: a practice with right and wrong keys, every sound asked for and none heard.
TEST(NoAudioDeviceChild, PractisesSilently)
{
    if (std::getenv(kChildMarker) == nullptr) {
        GTEST_SKIP() << "runs only as the child process of NoAudioDevice";
    }
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
        for (int t = 0; t < 6; ++t) {
            testing_hooks::FireTimer(d, TIMER_AMBIENT);
        }
        if (i % 10 == 0) {
            testing_hooks::PaintNow(d);
        }
    }
    EXPECT_EQ(d.m_nTotalRight, 40);
    EXPECT_EQ(d.m_nTotalKeys, 120);
    EXPECT_FALSE(win.sounds.empty()) << "the program stopped asking for sounds";
    testing_hooks::PumpEvents(50);
    std::printf("child with SDL_AUDIODRIVER=%s: %zu sounds asked for\n",
                std::getenv("SDL_AUDIODRIVER") != nullptr ? std::getenv("SDL_AUDIODRIVER") : "(unset)",
                win.sounds.size());
}

TEST_P(NoAudioDevice, ThePractiseRunsSilently)
{
    const NoDevice& c = GetParam();
    std::vector<std::pair<std::string, std::string>> set = c.set;
    set.emplace_back(kChildMarker, "1");
    const ChildResult r = RunChild("NoAudioDeviceChild.PractisesSilently", set, c.unset, 120);
    EXPECT_TRUE(!r.timedOut && WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0)
        << c.name << ": the child " << Describe(r);
    EXPECT_NE(r.output.find("[  PASSED  ] 1 test."), std::string::npos) << c.name << ": the child " << Describe(r);
    EXPECT_EQ(r.output.find("SKIPPED"), std::string::npos) << c.name << ": the child " << Describe(r);
}

INSTANTIATE_TEST_SUITE_P(
    Drivers, NoAudioDevice,
    ::testing::Values(
        NoDevice{"no such driver", {{"SDL_AUDIODRIVER", "nosuchdriver"}}, {}},
        NoDevice{"disk driver writing where it cannot",
                 {{"SDL_AUDIODRIVER", "disk"}, {"SDL_DISKAUDIOFILE", "/nonexistent/dir/out.raw"}},
                 {}},
        NoDevice{"ALSA without a card", {{"SDL_AUDIODRIVER", "alsa"}, {"AUDIODEV", "hw:97,0"}}, {}},
        NoDevice{"PulseAudio without a server",
                 {{"SDL_AUDIODRIVER", "pulseaudio"}, {"PULSE_SERVER", "unix:/nonexistent/pulse"}},
                 {}},
        NoDevice{"every driver tried, none there",
                 {{"SDL_AUDIODRIVER", ""}, {"AUDIODEV", "hw:97,0"}, {"PULSE_SERVER", "unix:/nonexistent/pulse"}},
                 {}}),
    [](const ::testing::TestParamInfo<NoDevice>& p) {
        std::string s;
        for (const char* c = p.param.name; *c != '\0'; ++c) {
            s += std::isalnum(static_cast<unsigned char>(*c)) != 0 ? *c : '_';
        }
        return s;
    });

namespace {

// Puts the locale variables back as they were.
class LocaleGuard {
public:
    LocaleGuard()
    {
        for (const char* v : kVars) {
            const char* value = std::getenv(v);
            m_saved.emplace_back(value != nullptr ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~LocaleGuard()
    {
        for (std::size_t i = 0; i < std::size(kVars); ++i) {
            if (m_saved[i]) {
                setenv(kVars[i], m_saved[i]->c_str(), 1);
            } else {
                unsetenv(kVars[i]);
            }
        }
    }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

private:
    static constexpr const char* kVars[] = {"LANG", "LC_ALL", "LC_MESSAGES"};
    std::vector<std::optional<std::string>> m_saved;
};

void ExpectEnglish(PracticeWindow& win, const std::string& what)
{
    PracticeDialog& d = win.dlg();
    EXPECT_EQ(d.m_strExitPrompt, "Do you really want to close?") << what;
    EXPECT_EQ(d.m_strRedoCaption, "Redo") << what;
    EXPECT_EQ(d.GetDlgItemText(IDCANCEL), "Exit") << what;
    EXPECT_EQ(d.GetDlgItemText(IDC_HELP_BUTTON), "Help") << what;
    EXPECT_EQ(d.GetDlgItemText(IDC_SET1), "Only alphabetic keys not case sensitive.") << what;
}

}  // namespace

class OddLocale : public ::testing::TestWithParam<std::string> {};

TEST_P(OddLocale, SpeaksEnglish)
{
    LocaleGuard guard;
    const std::string& lang = GetParam();
    PracticeWindow win(800, 600, lang.c_str());
    PracticeDialog& d = win.dlg();
    ExpectEnglish(win, "LANG=\"" + lang + "\"");
    EXPECT_EQ(d.GetDlgItemText(IDOK), "Start");
    win.Key(VK_F2);
    win.Type(static_cast<unsigned char>(win.Target()));
    EXPECT_EQ(d.m_strReport.rfind("Test report:total", 0), 0u) << d.m_strReport;
    win.answer = IDNO;
    win.Key(VK_ESCAPE);
    ASSERT_FALSE(win.boxes.empty());
    EXPECT_EQ(win.boxes.back(), "Do you really want to close?");
    win.Key(VK_F1);
    ASSERT_GE(win.boxes.size(), 2u);
    EXPECT_FALSE(win.boxes.back().empty()) << "no help text";
}

INSTANTIATE_TEST_SUITE_P(Values, OddLocale,
                         ::testing::Values("xx_YY.UTF-8", "", "C", "POSIX", "C.UTF-8", "en_GB.UTF-8", "ru_RU.UTF-8",
                                           "zz", "@", ".", "_", "-", "zz_ZZ.ISO-8859-15@euro", std::string(4096, 'q'),
                                           "\xff\xfe_\x80.\xc3"),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                             return "Case" + std::to_string(p.index);
                         });

TEST(OddLocaleUnset, SpeaksEnglishWithNoLocaleVariableAtAll)
{
    LocaleGuard guard;
    PracticeWindow win(800, 600, "de_DE.UTF-8");
    // The language is looked up afresh at every paint.
    unsetenv("LANG");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    testing_hooks::PaintNow(win.dlg());
    ExpectEnglish(win, "no LANG, LC_ALL or LC_MESSAGES");
}
