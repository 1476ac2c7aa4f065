// System facts and services: screen size, the system language, sound, the desktop, files, networking check.
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/desktop/readers/desktop.h"
#include "platform/face/dialog_screen.h"
#include "platform/face/qt_text.h"
#include "platform/face/seams.h"
#include "platform/face/system.h"
#include "platform/face/winapi.h"
#include "platform/sound/sound.h"

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        int setWidth = 0;
        int setHeight = 0;
        if (platform_seams::ScreenSizeSet(setWidth, setHeight)) {
            return index == SM_CXSCREEN ? setWidth : setHeight;
        }
        // The screen the practice window is on, in device pixels.
        const QSize size = platform_detail::ScreenDeviceSize(platform_detail::ProgramScreen());
        return index == SM_CXSCREEN ? size.width() : size.height();
    }
    case SM_CXICON:
    case SM_CYICON: return 32;
    default: return 0;
    }
}

namespace {

struct LocaleRow {
    const char* language;
    const char* territory;  // empty: the language's default row
    LANGID id;
};

// (language, territory) -> Windows language identifier. The first row of a language is its default.
constexpr LocaleRow kLocales[] = {
    {"zh", "CN", 0x0804}, {"zh", "TW", 0x0404}, {"zh", "HK", 0x0C04}, {"zh", "SG", 0x1004}, {"zh", "MO", 0x1404},
    {"en", "US", 0x0409}, {"en", "GB", 0x0809}, {"en", "AU", 0x0C09}, {"en", "CA", 0x1009}, {"en", "NZ", 0x1409},
    {"en", "IE", 0x1809}, {"en", "ZA", 0x1C09}, {"en", "IN", 0x4009}, {"fr", "FR", 0x040C}, {"fr", "BE", 0x080C},
    {"fr", "CA", 0x0C0C}, {"fr", "CH", 0x100C}, {"fr", "LU", 0x140C}, {"fr", "MC", 0x180C}, {"de", "DE", 0x0407},
    {"de", "CH", 0x0807}, {"de", "AT", 0x0C07}, {"de", "LU", 0x1007}, {"de", "LI", 0x1407}, {"ja", "JP", 0x0411},
    {"es", "ES", 0x0C0A}, {"es", "MX", 0x080A}, {"es", "GT", 0x100A}, {"es", "CR", 0x140A}, {"es", "PA", 0x180A},
    {"es", "DO", 0x1C0A}, {"es", "VE", 0x200A}, {"es", "CO", 0x240A}, {"es", "PE", 0x280A}, {"es", "AR", 0x2C0A},
    {"es", "EC", 0x300A}, {"es", "CL", 0x340A}, {"es", "UY", 0x380A}, {"es", "PY", 0x3C0A}, {"es", "BO", 0x400A},
    {"es", "SV", 0x440A}, {"es", "HN", 0x480A}, {"es", "NI", 0x4C0A}, {"es", "PR", 0x500A}, {"es", "US", 0x540A},
    {"it", "IT", 0x0410}, {"it", "CH", 0x0810}, {"pt", "BR", 0x0416}, {"pt", "PT", 0x0816}, {"nl", "NL", 0x0413},
    {"nl", "BE", 0x0813}, {"ru", "RU", 0x0419}, {"ko", "KR", 0x0412}, {"pl", "PL", 0x0415}, {"sv", "SE", 0x041D},
    {"da", "DK", 0x0406}, {"fi", "FI", 0x040B}, {"nb", "NO", 0x0414}, {"cs", "CZ", 0x0405}, {"hu", "HU", 0x040E},
    {"el", "GR", 0x0408}, {"tr", "TR", 0x041F}, {"uk", "UA", 0x0422}, {"ar", "SA", 0x0401}, {"he", "IL", 0x040D},
    {"th", "TH", 0x041E}, {"vi", "VN", 0x042A},
};

constexpr LANGID kUsEnglish = 0x0409;

}  // namespace

LANGID LangIdOfLocale(std::string_view locale)
{
    // ll[_TT][.codeset][@modifier]
    const std::size_t cut = locale.find_first_of(".@");
    const std::string_view base = locale.substr(0, cut);
    if (base.empty() || base == "C" || base == "POSIX") {
        return kUsEnglish;
    }
    const std::size_t sep = base.find_first_of("_-");
    std::string language(base.substr(0, sep));
    std::string territory(sep == std::string_view::npos ? std::string_view() : base.substr(sep + 1));
    for (char& c : language) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (char& c : territory) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    // Chinese written in traditional script without a territory reads as Taiwan's.
    if (language == "zh" && (territory == "HANT" || territory.starts_with("HANT_"))) {
        territory = "TW";
    }
    const LocaleRow* fallback = nullptr;
    for (const LocaleRow& row : kLocales) {
        if (language != row.language) {
            continue;
        }
        if (fallback == nullptr) {
            fallback = &row;
        }
        if (territory == row.territory) {
            return row.id;
        }
    }
    return fallback != nullptr ? fallback->id : kUsEnglish;
}

void PrepareBackground(std::string_view picture)
{
    platform_detail::PrepareBackground(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), picture);
}

void SetDesktopReadyHandler(std::function<void()> handler)
{
    platform_detail::SetDesktopReadyHandler(std::move(handler));
}

BOOL sndPlaySound(const void* image, UINT flags)
{
    const bool played = platform_detail::PlaySound(image, (flags & SND_NOSTOP) != 0);
    if (const auto& observe = platform_seams::SoundObserver()) {
        observe({image, flags, played});
    }
    return played || image == nullptr ? TRUE : FALSE;
}

LANGID GetSystemDefaultLangID()
{
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value != nullptr && value[0] != '\0') {
            return LangIdOfLocale(value);
        }
    }
    return kUsEnglish;
}

BOOL CFileFind::FindFile(std::string_view name)
{
    if (name.empty()) {
        return FALSE;
    }
    return QFileInfo::exists(platform_detail::ToQt(name)) ? TRUE : FALSE;
}

BOOL AfxSocketInit()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return FALSE;
    }
    ::close(fd);
    return TRUE;
}

void AfxEnableControlContainer() {}
