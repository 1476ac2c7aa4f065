// The toolkit's stock texts speak the language of the program's own texts: which one, and what it gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/face/app.h"
#include "platform/face/dialog.h"
#include "platform/testing/testing.h"
#include "platform/face/winapi.h"
#include "text/LanguageTables.h"

TEST(ToolkitLanguage, TheStockTextsSpeakTheLanguageOfTheCaptions)
{
    // Where a locale's language and the program's choice could part (Chinese of Hong Kong, Macao
    // and Singapore, Spanish of the United States read English), and ordinary locales.
    struct Case {
        const char* locale;
        LanguageIndex captions;
        const char* toolkit;
    };
    const Case cases[] = {
        {"zh_HK.UTF-8", kEnglish, "en"},
        {"zh_MO", kEnglish, "en"},
        {"zh_SG.UTF-8", kEnglish, "en"},
        {"es_US.UTF-8", kEnglish, "en"},
        {"zh_CN.UTF-8", kSimplifiedChinese, "zh_CN"},
        {"zh_TW.UTF-8", kTraditionalChinese, "zh_TW"},
        {"zh_Hant", kTraditionalChinese, "zh_TW"},
        {"en_GB.UTF-8", kEnglish, "en"},
        {"C", kEnglish, "en"},
        {"fr_CA.UTF-8", kFrench, "fr"},
        {"de_AT.UTF-8", kGerman, "de"},
        {"ja_JP.UTF-8", kJapanese, "ja"},
        {"es_MX.UTF-8", kSpanish, "es"},
        {"ru_RU.UTF-8", kEnglish, "en"},
    };
    for (const Case& c : cases) {
        const LanguageIndex language = LanguageOfLangId(LangIdOfLocale(c.locale));
        EXPECT_EQ(language, c.captions) << c.locale;
        EXPECT_EQ(ToolkitLanguageOf(language), c.toolkit) << c.locale;
    }
}

TEST(ToolkitLanguage, TheSystemMenuSpeaksEveryLanguageOfTheProgram)
{
    struct Case {
        const char* locale;
        const char* minimize;
        const char* close;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8", "最小化(&N)", "关闭(&C)"},    {"zh_TW.UTF-8", "最小化(&N)", "關閉(&C)"},
        {"en_US.UTF-8", "Mi&nimize", "&Close"},       {"fr_FR.UTF-8", "Réd&uire", "&Fermer"},
        {"de_DE.UTF-8", "M&inimieren", "Schl&ießen"}, {"ja_JP.UTF-8", "最小化(&N)", "閉じる(&C)"},
        {"es_ES.UTF-8", "Mi&nimizar", "&Cerrar"},
    };
    testing_hooks::SetScreenSize(640, 480);
    CDialog dlg(100);
    dlg.Create();
    for (const Case& c : cases) {
        ASSERT_TRUE(InstallToolkitTranslations(ToolkitLanguageOf(LanguageOfLangId(LangIdOfLocale(c.locale)))))
            << "no toolkit translations for " << c.locale << " (Debian package qt6-translations-l10n)";
        const std::vector<std::string> menu = testing_hooks::SystemMenuItems(dlg);
        ASSERT_GE(menu.size(), 2u);
        EXPECT_EQ(menu[0], c.minimize) << c.locale;
        EXPECT_EQ(menu[1], c.close) << c.locale;
    }
    EXPECT_FALSE(InstallToolkitTranslations({}));
    EXPECT_EQ(testing_hooks::SystemMenuItems(dlg)[0], "Mi&nimize");
    dlg.EndDialog(IDCANCEL);
    testing_hooks::SetScreenSize(0, 0);
}
