// The toolkit's stock texts follow the system language: which catalogue, and what it gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/dialog.h"
#include "platform/testing.h"

TEST(ToolkitLanguage, EachLocaleGetsTheCatalogueOfItsLanguageAndScript)
{
    struct Case {
        const char* locale;
        const char* catalogue;
    };
    const Case cases[] = {
        {"zh_CN.UTF-8", "qtbase_zh_CN"},
        {"zh_SG.UTF-8", "qtbase_zh_CN"},
        {"zh_TW.UTF-8", "qtbase_zh_TW"},
        {"zh_HK.UTF-8", "qtbase_zh_TW"},
        {"zh_MO", "qtbase_zh_TW"},
        {"zh_Hant", "qtbase_zh_TW"},
        {"en_US.UTF-8", "qtbase_en"},
        {"en_GB.UTF-8", "qtbase_en"},
        {"C", "qtbase_en"},
        {"fr_FR.UTF-8", "qtbase_fr"},
        {"fr_LU", "qtbase_fr"},
        {"fr_CA.UTF-8", "qtbase_fr"},
        {"de_DE.UTF-8", "qtbase_de"},
        {"de_AT.UTF-8", "qtbase_de"},
        {"ja_JP.UTF-8", "qtbase_ja"},
        {"es_ES.UTF-8", "qtbase_es"},
        {"es_MX.UTF-8", "qtbase_es"},
        {"ru_RU.UTF-8", ""},
        {"ko_KR.UTF-8", ""},
        {"ar_SA.UTF-8", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToolkitCatalogue(LangIdOfLocale(c.locale)), c.catalogue) << c.locale;
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
        ASSERT_TRUE(InstallToolkitTranslations(LangIdOfLocale(c.locale)))
            << "no toolkit translations for " << c.locale << " (Debian package qt6-translations-l10n)";
        const std::vector<std::string> menu = testing_hooks::SystemMenuItems(dlg);
        ASSERT_GE(menu.size(), 2u);
        EXPECT_EQ(menu[0], c.minimize) << c.locale;
        EXPECT_EQ(menu[1], c.close) << c.locale;
    }
    EXPECT_FALSE(InstallToolkitTranslations(0));
    EXPECT_EQ(testing_hooks::SystemMenuItems(dlg)[0], "Mi&nimize");
    dlg.EndDialog(IDCANCEL);
    testing_hooks::SetScreenSize(0, 0);
}
