#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/LanguageTables.h"

namespace {

constexpr LanguageIndex kAll[] = {kSimplifiedChinese, kEnglish, kTraditionalChinese, kFrench, kGerman,
                                  kJapanese,          kSpanish};

// Well-formed UTF-8: no stray continuation bytes, no truncated or overlong sequences.
bool IsUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || (n == 2 && c < 0xC2) || i + n > s.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

TEST(LanguageOfLangId, EveryListedIdentifier)
{
    const std::pair<LANGID, LanguageIndex> listed[] = {
        {2052, kSimplifiedChinese},
        {1028, kTraditionalChinese},
        {1036, kFrench},
        {2060, kFrench},
        {3084, kFrench},
        {4108, kFrench},
        {5132, kFrench},
        {6156, kFrench},
        {1031, kGerman},
        {2055, kGerman},
        {3079, kGerman},
        {4103, kGerman},
        {5127, kGerman},
        {1041, kJapanese},
        {1034, kSpanish},
        {2058, kSpanish},
        {3082, kSpanish},
        {4106, kSpanish},
        {5130, kSpanish},
        {6154, kSpanish},
        {7178, kSpanish},
        {8202, kSpanish},
        {9226, kSpanish},
        {10250, kSpanish},
        {11274, kSpanish},
        {12298, kSpanish},
        {13322, kSpanish},
        {14346, kSpanish},
        {15370, kSpanish},
        {16394, kSpanish},
        {17418, kSpanish},
        {18442, kSpanish},
        {19466, kSpanish},
        {20490, kSpanish},
    };
    for (const auto& [id, language] : listed) {
        EXPECT_EQ(LanguageOfLangId(id), language) << "identifier " << id;
    }
}

TEST(LanguageOfLangId, UnlistedIdentifiersReadEnglish)
{
    // English of the US, UK, Australia; Chinese of Hong Kong, Singapore, Macao; Russian; the bare
    // primary languages of Chinese, French, German, Spanish; neutral, zero and the extremes.
    const LANGID unlisted[] = {1033,   2057,   3081,   3076,   4100, 5124, 1049,   0x0004, 0x000C,
                               0x0007, 0x000A, 0x0011, 0x0400, 0,    1,    0xFFFF, 7180,   21514};
    for (LANGID id : unlisted) {
        EXPECT_EQ(LanguageOfLangId(id), kEnglish) << "identifier " << id;
    }
}

TEST(CaptionsOf, RowsChosenByIdentifier)
{
    // French of France and Luxembourg, English of the US and UK, Hong Kong and Russian read English;
    // German has no captions of its own.
    struct Case {
        LANGID id;
        const char *start, *exit, *help, *exitPrompt;
    };
    const Case cases[] = {
        {1036, "Commencer", "Quitter", "Aider", "Voulez-vous vraiment fermer?"},
        {5132, "Commencer", "Quitter", "Aider", "Voulez-vous vraiment fermer?"},
        {1033, "Start", "Exit", "Help", "Do you really want to close?"},
        {2057, "Start", "Exit", "Help", "Do you really want to close?"},
        {3076, "Start", "Exit", "Help", "Do you really want to close?"},
        {1049, "Start", "Exit", "Help", "Do you really want to close?"},
        {1028, "開始", "退出", nullptr, nullptr},
        {2052, "开始", "退出", nullptr, nullptr},
        {1041, "開始", nullptr, "助け", nullptr},
        {1031, "Start", "Exit", "help", "Wollen Sie wirklich zu schließen?"},
        {3082, nullptr, "Salir", nullptr, "¿Realmente desea cerrar?"},
    };
    for (const Case& c : cases) {
        const CaptionRow& row = CaptionsOf(LanguageOfLangId(c.id));
        for (const auto& [got, want] : {std::pair{row.start, c.start}, std::pair{row.exit, c.exit},
                                        std::pair{row.help, c.help}, std::pair{row.exitPrompt, c.exitPrompt}}) {
            if (want != nullptr) {
                EXPECT_STREQ(got, want) << "identifier " << c.id;
            }
        }
    }
    EXPECT_STREQ(CaptionsOf(kFrench).set[2], "Les chiffres, lettres, mais, sous-cas.");
    EXPECT_STREQ(CaptionsOf(kJapanese).redo, "再起動");
}

TEST(CaptionsOf, EveryTextIsPresentAndUtf8)
{
    for (LanguageIndex i : kAll) {
        const CaptionRow& r = CaptionsOf(i);
        for (const char* text :
             {r.start, r.exit, r.help, r.set[0], r.set[1], r.set[2], r.set[3], r.exitPrompt, r.redo, r.mouseNotice}) {
            ASSERT_NE(text, nullptr) << i;
            EXPECT_NE(*text, '\0') << i;
            EXPECT_TRUE(IsUtf8(text)) << i << ": " << text;
        }
    }
}

// Whether every "?" of a text is a question mark that ends a question, not one left where a
// character was lost ("Gro?-und", "schlie?en?", "?Realmente"): it follows a word and is followed by
// the end, a space, a line break or a closing quote. In Spanish the question also opens with "¿".
bool QuestionMarksAreReal(std::string_view text, bool spanish)
{
    std::size_t opened = 0;
    for (std::size_t p = text.find('?'); p != std::string_view::npos; p = text.find('?', p + 1)) {
        const std::string_view after = text.substr(p + 1);
        const bool endsQuestion = after.empty() || after[0] == ' ' || after[0] == '\r' || after[0] == '"' ||
                                  after.starts_with("»") || after.starts_with("“") || after.starts_with("”");
        if (p == 0 || text[p - 1] == ' ' || !endsQuestion) {
            return false;
        }
        const std::size_t open = text.find("¿", opened);
        if (spanish && (open == std::string_view::npos || open > p)) {
            return false;
        }
        opened = p;
    }
    return true;
}

TEST(Texts, NoCharacterIsLostToAQuestionMark)
{
    // The rule itself, on the texts as they once read.
    for (const char* lost : {"Gro?-und Kleinschreibung.", "Wollen Sie wirklich zu schlie?en?", "1)üben Sie zu w?hlen",
                             "?Realmente desea cerrar? "}) {
        EXPECT_FALSE(QuestionMarksAreReal(lost, lost[0] == '?')) << lost;
    }
    EXPECT_TRUE(QuestionMarksAreReal("¿Realmente desea cerrar?", true));
    EXPECT_TRUE(QuestionMarksAreReal("你真的要关闭吗?", false));

    // Every text of every language: captions, questions, notices, report labels, help.
    for (LanguageIndex i : kAll) {
        const CaptionRow& r = CaptionsOf(i);
        const std::string texts[] = {
            r.start,      r.exit, r.help,        r.set[0],    r.set[1],          r.set[2],          r.set[3],
            r.exitPrompt, r.redo, r.mouseNotice, HelpText(i), ReportTemplate(i), MissingKeysNote(i)};
        for (const std::string& text : texts) {
            EXPECT_TRUE(QuestionMarksAreReal(text, i == kSpanish)) << i << ": " << text;
            EXPECT_EQ(text.find("\xEF\xBF\xBD"), std::string::npos) << i << ": " << text;  // U+FFFD
        }
    }
}

TEST(ReportTemplate, OtherLabels)
{
    EXPECT_EQ(ReportTemplate(LanguageOfLangId(3082)).rfind("Informe de la prueba:total:%ld.pruebas:%ld.", 0), 0u);
    EXPECT_NE(ReportTemplate(kFrench).find(":%ld.vitesse:%05.1f.la vitesse moyenne:%05.1f."), std::string::npos);
    EXPECT_NE(ReportTemplate(kGerman).find(".korrigieren:%ld."), std::string::npos);
    EXPECT_EQ(ReportTemplate(kSimplifiedChinese).rfind("测试报告:总练习次数:%ld.", 0), 0u);
}

TEST(ReportTemplate, EveryLanguageHasSixCountsThenTwoSpeeds)
{
    const long counts[6] = {1, 2, 3, 4, 5, 6};
    for (LanguageIndex i : kAll) {
        const std::string templ = ReportTemplate(i);
        EXPECT_TRUE(IsUtf8(templ)) << i;
        std::vector<std::string> fields;
        for (std::size_t p = templ.find('%'); p != std::string::npos; p = templ.find('%', p + 1)) {
            fields.push_back(templ.substr(p, templ.compare(p, 3, "%ld") == 0 ? 3 : 6));
        }
        const std::vector<std::string> expected = {"%ld", "%ld", "%ld", "%ld", "%ld", "%ld", "%05.1f", "%05.1f"};
        EXPECT_EQ(fields, expected) << i;
        const std::string report = FormatReport(templ, counts, 7.5, 8.3);
        EXPECT_EQ(report.find('%'), std::string::npos) << report;
        std::size_t at = 0;
        for (const char* value : {":1.", ":2.", ":3.", ":4.", ":5.", ":6.", ":007.5.", ":008.3."}) {
            at = report.find(value, at);
            EXPECT_NE(at, std::string::npos) << report << " lacks " << value;
        }
        EXPECT_TRUE(report.ends_with(":008.3.")) << report;
    }
}

TEST(FormatReport, FillsTheTwoFieldKindsInOrderAndCopiesTheRest)
{
    struct Case {
        std::string templ;
        long counts[6];
        double total, current;
        std::string expected;
    };
    const std::string english = ReportTemplate(kEnglish);
    const std::string head = "Test report:total:12.tests:3.total correct:10.correct:2.total time:5.time:1.";
    const Case cases[] = {
        {english, {12, 3, 10, 2, 5, 1}, 2.5, 30.0, head + "total average speed:002.5.current speed:030.0."},
        {english,
         {0, 0, 0, 0, 0, 0},
         123.4,
         100.0,
         "Test report:total:0.tests:0.total correct:0.correct:0.total time:0.time:0."
         "total average speed:123.4.current speed:100.0."},
        {english,
         {-1, LONG_MIN, LONG_MAX, 2147483647, -2147483647 - 1, 7},
         -2.5,
         12345678.96,
         "Test report:total:-1.tests:" + std::to_string(LONG_MIN) + ".total correct:" + std::to_string(LONG_MAX) +
             ".correct:2147483647.total time:-2147483648.time:7.total average speed:-02.5.current speed:12345679.0."},
        // Anything but the two field kinds stays as it is, including other printf conversions and
        // fields beyond the values supplied.
        {"%s%n%d%%%5.1f", {1, 2, 3, 4, 5, 6}, 1.0, 2.0, "%s%n%d%%%5.1f"},
        {"%05.1f|%ld|%05.1f|%05.1f", {1, 2, 3, 4, 5, 6}, 1.0, 2.0, "001.0|1|002.0|%05.1f"},
        {"%ld%ld%ld%ld%ld%ld%ld", {1, 2, 3, 4, 5, 6}, 0, 0, "123456%ld"},
        {"", {1, 2, 3, 4, 5, 6}, 0, 0, ""},
        {"%l", {1, 2, 3, 4, 5, 6}, 0, 0, "%l"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatReport(c.templ, c.counts, c.total, c.current), c.expected) << c.templ;
    }
    // A huge speed prints in full: 301 digits, the point and one decimal.
    const std::string huge = FormatReport("%05.1f", cases[0].counts, 1e300, 0.0);
    EXPECT_EQ(huge.size(), 303u);
    EXPECT_TRUE(huge.starts_with("1000000000")) << huge;
}

// Titles and the nine headings (sections 1 to 5, then sub-headings 1) to 4)) of every language.
struct HelpLayout {
    const char* title;
    const char* headings[9];
};
const HelpLayout kLayouts[kLanguageCount] = {
    {"《Pomarel-英文指法练习系统》2.0",
     {"一.系统需求:", "二.安装与卸载:", "三.背景图片:", "四.使用方法:", "五.键盘命令", "1)练习选择", "2)帮助", "3)开始",
      "4)退出"}},
    {"[Pomarel -- English fingering exercises 2.0]",
     {"1.System Requirements:", "2.Install and Uninstall:", "3.Background image:", "4.Usage:", "5.Keyboard command",
      "1)Exercise Selection ", "2)Help", "3)Start", "4)Exit"}},
    {"[Pomarel -- 英文指法練習系統 2.0]",
     {"一.系統需求:", "二.安裝與卸載:", "三.背景圖片:", "四.使用方法:", "五.鍵盤命令", "1)練習選擇", "2)幫助", "3)開始",
      "4)退出"}},
    {"[Pomarel -- Exercices de doigté anglais 2.0]",
     {"1.Configuration requise:", "2.Installer et désinstaller:", "3.Image de fond:", "4.Utilisation:",
      "5.clavier de commande", "1)exercice de sélection", "2)Aider", "3)Commencer", "4)Quitter"}},
    {"[Pomarel -- Englisch Fingerübungen 2.0]",
     {"1.Systemanforderungen:", "2.Installation und Deinstallation:", "3.Hintergrundbild:", "4.Verwenden:",
      "5.Tastaturbefehl:", "1)üben Sie zu wählen", "2)Hilfe", "3)Starten", "4)Beenden"}},
    {"[Pomarel -- 英語指演習2.0]",
     {"1.システム要件:", "2.インストールとアンインストール：", "3.背景画像：", "4.使用方法：", "5.キーボードのコマンド",
      "1)選択して練習", "2)助け", "3)開始", "4)終了"}},
    {"[Pomarel -- Ejercicios de inglés de digitación 2.0]",
     {"1.Requisitos del sistema:", "2.Instalar y desinstalar:", "3.Imagen de Fondo:", "4.Modo de empleo:",
      "5.Un comando del teclado", "1)Practique para seleccionar", "2)Ayuda", "3)Comenzar", "4)Salir"}},
};

TEST(HelpText, EveryLanguageFollowsTheLayout)
{
    for (LanguageIndex i : kAll) {
        SCOPED_TRACE(i);
        const HelpLayout& layout = kLayouts[i];
        const std::string text = HelpText(i);
        ASSERT_TRUE(IsUtf8(text));
        EXPECT_EQ(HelpTitle(i), layout.title);
        EXPECT_EQ(HelpPieceCount(i), i == kFrench ? 9 : 10);

        // Opening paragraph with the title, then an empty line and a tab before section 1.
        const std::size_t first = text.find(std::string("\r\n\r\n\t") + layout.headings[0]);
        ASSERT_NE(first, std::string::npos);
        const std::string opening = text.substr(0, first);
        EXPECT_NE(opening.find(layout.title), std::string::npos);
        EXPECT_EQ(opening.find('\r'), std::string::npos);
        EXPECT_EQ(opening.find('\t'), std::string::npos);

        // Sections 2 to 5 and sub-heading 1) each open a new line, in order.
        std::size_t at = first + 4;
        std::vector<std::size_t> starts;
        for (int h = 1; h < 6; ++h) {
            at = text.find(std::string("\r\n") + layout.headings[h], at + 1);
            ASSERT_NE(at, std::string::npos) << layout.headings[h];
            starts.push_back(at);
        }
        const std::string section3 = text.substr(starts[1], starts[2] - starts[1]);
        EXPECT_NE(section3.find("Face.jpg"), std::string::npos);
        const std::string section4 = text.substr(starts[2], starts[3] - starts[2]);
        EXPECT_NE(section4.find("F2"), std::string::npos);
        EXPECT_NE(section4.find(CaptionsOf(i).start), std::string::npos);
        std::size_t named = 0;
        for (const char* caption : CaptionsOf(i).set) {
            named = section4.find(caption, named);
            EXPECT_NE(named, std::string::npos) << caption;
        }

        // Sub-heading 1) on its own line, the four set keys, an empty line, 2) and F1 last.
        std::size_t key = starts[4] + 2 + std::string_view(layout.headings[5]).size();
        EXPECT_EQ(text.compare(key, 6, "\r\n F3:"), 0);
        for (const char* line : {"\r\n F4:", "\r\n F5:", "\r\n F6:"}) {
            const std::size_t next = text.find(line, key + 1);
            ASSERT_NE(next, std::string::npos) << line;
            EXPECT_EQ(text.find("\r\n", key + 2), next) << line;
            key = next;
        }
        // Then, each after an empty line, 2) F1, 3) F2 and 4) Esc, each key on a line of its own after a tab.
        const std::string keys = std::string("\r\n\r\n") + layout.headings[6] + "\r\n\tF1\r\n\r\n" +
                                 layout.headings[7] + "\r\n\tF2\r\n\r\n" + layout.headings[8] + "\r\n\tEsc";
        EXPECT_TRUE(text.ends_with(keys)) << text.substr(key);
        EXPECT_EQ(text.find("\r\n\r\n", key), text.size() - keys.size());
    }
}

TEST(HelpText, SectionsOneToThreeAreTrueOnLinux)
{
    // What each language's sections 1 (requirements), 2 (installing) and 3 (background) must say.
    struct Says {
        LanguageIndex language;
        const char* soundCard;
        const char* wallpaper;
    };
    const Says says[] = {
        {kSimplifiedChinese, "声卡", "壁纸"},
        {kEnglish, "sound card", "wallpaper"},
        {kTraditionalChinese, "音效卡", "桌布"},
        {kFrench, "carte son", "fond d'écran de votre bureau"},
        {kGerman, "Soundkarte", "Hintergrundbild Ihres Desktops"},
        {kJapanese, "サウンドカード", "壁紙"},
        {kSpanish, "tarjeta de sonido", "fondo de pantalla de su escritorio"},
    };
    for (const Says& s : says) {
        SCOPED_TRACE(s.language);
        const std::string text = HelpText(s.language);
        const HelpLayout& layout = kLayouts[s.language];
        std::size_t at[4];
        for (int h = 0; h < 4; ++h) {
            at[h] = text.find(layout.headings[h]);
            ASSERT_NE(at[h], std::string::npos) << layout.headings[h];
        }
        const std::string requirements = text.substr(at[0], at[1] - at[0]);
        const std::string installing = text.substr(at[1], at[2] - at[1]);
        const std::string background = text.substr(at[2], at[3] - at[2]);
        for (const char* word : {"Linux", "X11", "Wayland", s.soundCard}) {
            EXPECT_NE(requirements.find(word), std::string::npos) << word;
        }
        for (const char* word : {"Debian", "pomarel", "./run", "README.md"}) {
            EXPECT_NE(installing.find(word), std::string::npos) << word;
        }
        for (const char* word : {s.wallpaper, "JPEG", "Face.jpg", "Pomarel"}) {
            EXPECT_NE(background.find(word), std::string::npos) << word;
        }
        for (const char* windows : {"Windows", ".exe", "9X"}) {
            EXPECT_EQ(text.find(windows), std::string::npos) << windows;
        }
    }
}

}  // namespace

TEST(FormatReport, NumbersAreTheSameInACommaDecimalLocale)
{
    // The toolkit sets the C library's locale from the environment; the report must not follow it.
    const char* locales[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8", "ru_RU.UTF-8"};
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    int tried = 0;
    for (const char* name : locales) {
        if (std::setlocale(LC_NUMERIC, name) == nullptr) {
            continue;
        }
        ++tried;
        const long counts[6] = {12, 3, 10, 2, 5, 1};
        EXPECT_EQ(FormatReport(ReportTemplate(kEnglish), counts, 2.5, 1234.25),
                  "Test report:total:12.tests:3.total correct:10.correct:2.total time:5.time:1."
                  "total average speed:002.5.current speed:1234.2.")
            << name;
    }
    std::setlocale(LC_NUMERIC, before.c_str());
    if (tried == 0) {
        GTEST_SKIP() << "no comma-decimal locale is installed (tools/setup-deps generates de_DE.UTF-8)";
    }
}
