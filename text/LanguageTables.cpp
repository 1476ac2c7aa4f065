#include "text/LanguageTables.h"

#include <cstddef>
#include <charconv>
#include <cmath>
#include <iterator>

namespace {

struct LangIdRow {
    LANGID id;
    LanguageIndex language;
};

// Identifiers are distinct, so the order does not matter; anything not listed reads English
// (every English identifier, Chinese of Hong Kong, Singapore and Macao, all other languages).
// All six French identifiers read French.
// clang-format off
constexpr LangIdRow kSelection[] = {
    {0x0804, kSimplifiedChinese},  // 2052 Chinese, People's Republic of China
    {0x0404, kTraditionalChinese},  // 1028 Chinese, Taiwan
    {0x040C, kFrench},  // 1036 French, France
    {0x080C, kFrench},  // 2060 French, Belgium
    {0x0C0C, kFrench},  // 3084 French, Canada
    {0x100C, kFrench},  // 4108 French, Switzerland
    {0x140C, kFrench},  // 5132 French, Luxembourg
    {0x180C, kFrench},  // 6156 French, Monaco
    {0x0407, kGerman},  // 1031 German, Germany
    {0x0807, kGerman},  // 2055 German, Switzerland
    {0x0C07, kGerman},  // 3079 German, Austria
    {0x1007, kGerman},  // 4103 German, Luxembourg
    {0x1407, kGerman},  // 5127 German, Liechtenstein
    {0x0411, kJapanese},  // 1041 Japanese
    {0x040A, kSpanish},  // 1034 Spanish, Spain (traditional sort)
    {0x080A, kSpanish},  // 2058 Spanish, Mexico
    {0x0C0A, kSpanish},  // 3082 Spanish, Spain (modern sort)
    {0x100A, kSpanish},  // 4106 Spanish, Guatemala
    {0x140A, kSpanish},  // 5130 Spanish, Costa Rica
    {0x180A, kSpanish},  // 6154 Spanish, Panama
    {0x1C0A, kSpanish},  // 7178 Spanish, Dominican Republic
    {0x200A, kSpanish},  // 8202 Spanish, Venezuela
    {0x240A, kSpanish},  // 9226 Spanish, Colombia
    {0x280A, kSpanish},  // 10250 Spanish, Peru
    {0x2C0A, kSpanish},  // 11274 Spanish, Argentina
    {0x300A, kSpanish},  // 12298 Spanish, Ecuador
    {0x340A, kSpanish},  // 13322 Spanish, Chile
    {0x380A, kSpanish},  // 14346 Spanish, Uruguay
    {0x3C0A, kSpanish},  // 15370 Spanish, Paraguay
    {0x400A, kSpanish},  // 16394 Spanish, Bolivia
    {0x440A, kSpanish},  // 17418 Spanish, El Salvador
    {0x480A, kSpanish},  // 18442 Spanish, Honduras
    {0x4C0A, kSpanish},  // 19466 Spanish, Nicaragua
    {0x500A, kSpanish},  // 20490 Spanish, Puerto Rico
};
// clang-format on

// clang-format off
constexpr CaptionRow kCaptions[kLanguageCount] = {
    // Simplified Chinese
    {"开始", "退出", "帮助",
     {"仅字母键不区分大小写",
      "仅字母键区分大小写",
      "数字键字母键区分大小写",
      "数字键,符号键,字母键区分大小写"},
     "你真的要关闭吗?",
     "重新开始",
     "本软件是键盘指法练习,不期望您使用鼠标点击桌面或者键盘按钮!"},
    // English
    {"Start", "Exit", "Help",
     {"Only alphabetic keys not case sensitive.",
      "Only letters key case-sensitive.",
      "Digital key alphabetic keys case-sensitive.",
      "Key figures, symbol key, the letter key case-sensitive."},
     "Do you really want to close?",
     "Redo",
     "This software is a keyboard fingering exercises, do not expect you to use the mouse to click on the desktop or keyboard button"},
    // Traditional Chinese
    {"開始", "退出", "幫助",
     {"僅字母鍵不區分大小寫",
      "僅字母鍵區分大小寫",
      "數字鍵字母鍵區分大小寫",
      "數字鍵,符號鍵,字母鍵區分大小寫"},
     "你真的要關閉嗎?",
     "重新開始",
     "本軟件是鍵盤指法練習,不期望您使用鼠標點擊桌面或者鍵盤按鈕!"},
    // French
    {"Commencer", "Quitter", "Aider",
     {"Seules les lettres ne sont pas sensibles à la casse.",
      "Seules les lettres sont sensibles à la casse.",
      "Les chiffres, lettres, mais, sous-cas.",
      "Les touches numériques, touches de symboles, touches alphabétiques sont sensibles à la casse."},
     "Voulez-vous vraiment fermer?",
     "Refaire",
     "Ce logiciel est un des exercices de doigté au clavier, ne vous attendez pas à utiliser la souris pour cliquer sur le bouton de bureau ou d'un clavier!"},
    // German
    {"Start", "Exit", "help",
     {"Nur die Buchstaben-Tasten sind nicht case sensitive.",
      "Nur die Buchstaben-Tasten sind Groß-und Kleinschreibung.",
      "Buchstabentasten, Zahlentasten sind Groß-und Kleinschreibung.",
      "Numerische Tasten, Tasten-Symbole sind Buchstaben-Tasten Groß-und Kleinschreibung."},
     "Wollen Sie wirklich zu schließen?",
     "Redo",
     "Diese Software ist eine Tastatur Fingerübungen, erwarte nicht, dass Sie die Maus verwenden, um auf dem Desktop oder Tastatur klicken!"},
    // Japanese
    {"開始", "終了する", "助け",
     {"唯一の文字キーは.大文字小文字の区別はありません",
      "唯一の文字キーは.大文字と小文字が区別されます",
      "文字キー.数字キーは.大文字と小文字が区別さ",
      "数字キー.記号キー.文字キーは.大文字と小文字が区別さ"},
     "あなたが本当に閉じますか?",
     "再起動",
     "このソフトウェアは.キーボードの運指の練習では.デスクトップまたはキーボードのボタンをクリックしてマウスを使用するように期待していない!"},
    // Spanish
    {"Comenzar", "Salir", "Ayuda",
     {"Sólo las teclas de las letras no son sensibles.",
      "Sólo las teclas de letras mayúsculas y minúsculas.",
      "Teclas de las letras, las teclas numéricas entre mayúsculas y minúsculas",
      "Las teclas numéricas, teclas de símbolos, teclas de letras mayúsculas y minúsculas."},
     "¿Realmente desea cerrar?",
     "Rehacer",
     "Este software es un ejercicio de digitación del teclado, no espere que usted utilice el ratón para hacer clic en el botón de escritorio o el teclado!"},
};
// clang-format on

// Eight labels per language, in the order of the report's values: total keystrokes, keystrokes
// of this practice, total correct, correct in this practice, total time, time of this practice,
// total average speed, current speed. The first label carries the report's title.
// clang-format off
constexpr const char* kReportLabels[kLanguageCount][8] = {
    // Simplified Chinese
    {"测试报告:总练习次数",
     "本次练习次数",
     "总正确次数",
     "本次正确次数",
     "总用时",
     "本次用时",
     "总平均击键速度",
     "本次击键速度"},
    // English
    {"Test report:total",
     "tests",
     "total correct",
     "correct",
     "total time",
     "time",
     "total average speed",
     "current speed"},
    // Traditional Chinese
    {"測試報告:總練習次數",
     "本次練習次數",
     "總正確次數",
     "本次正確次數",
     "總用時",
     "本次用時",
     "總平均擊鍵速度",
     "本次擊鍵速度"},
    // French
    {"Rapport d'essai:total",
     "tests",
     "total exact",
     "exact",
     "temps total",
     "temps",
     "vitesse",
     "la vitesse moyenne"},
    // German
    {"Prüfbericht:gesamt",
     "tests",
     "insgesamt richtig",
     "korrigieren",
     "gesamtzeit",
     "zeit",
     "alle speed",
     "geschwindigkeit"},
    // Japanese
    {"試験報告書:演習合計数",
     "演習数",
     "の合計正しい数",
     "正しい番号",
     "合計時",
     "時",
     "総平均ストローク速",
     "キーストロークの速"},
    // Spanish
    {"Informe de la prueba:total",
     "pruebas",
     "total correcto",
     "corregir",
     "tiempo total",
     "tiempo",
     "velocidad media",
     "acelerar"},
};
// clang-format on

constexpr std::string_view kCountField = "%ld";
constexpr std::string_view kSpeedField = "%05.1f";

// The report's numbers are the same in every locale: "%ld" and "%05.1f" as the C locale prints
// them, whatever decimal separator the user's locale would use.
void AppendCount(std::string& out, long value)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendSpeed(std::string& out, double value)
{
    // A double of 1e308 needs about 310 characters in fixed notation.
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
    std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    constexpr std::size_t kWidth = 5;
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) {
        out += '-';
        text.remove_prefix(1);
    }
    const std::size_t used = text.size() + (negative ? 1 : 0);
    if (used < kWidth) {
        // Zeros after the sign; infinities and NaN are padded with spaces before it, as printf does.
        const char pad = std::isfinite(value) ? '0' : ' ';
        if (pad == ' ' && negative) {
            out.insert(out.size() - 1, kWidth - used, ' ');
        } else {
            out.append(kWidth - used, pad);
        }
    }
    out += text;
}

}  // namespace

LanguageIndex LanguageOfLangId(LANGID id)
{
    for (const LangIdRow& row : kSelection) {
        if (row.id == id) {
            return row.language;
        }
    }
    return kEnglish;
}

std::string_view ToolkitLanguageOf(LanguageIndex i)
{
    static constexpr std::string_view kToolkitLanguages[kLanguageCount] = {"zh_CN", "en", "zh_TW", "fr",
                                                                           "de",    "ja", "es"};
    return kToolkitLanguages[RowOf(i)];
}

const CaptionRow& CaptionsOf(LanguageIndex i)
{
    return kCaptions[RowOf(i)];
}

std::string MissingKeysNote(LanguageIndex i)
{
    static constexpr const char* kNotes[kLanguageCount] = {
        "此键盘布局无法输入，已略过：",
        "Not on this keyboard layout, left out: ",
        "此鍵盤配置無法輸入，已略過：",
        "Absents de cette disposition de clavier, omis : ",
        "Auf dieser Tastaturbelegung nicht vorhanden, ausgelassen: ",
        "このキーボード配列では入力できないため省略：",
        "No están en esta distribución de teclado, se omiten: ",
    };
    return kNotes[RowOf(i)];
}

std::string ReportTemplate(LanguageIndex i)
{
    std::string templ;
    const auto& labels = kReportLabels[RowOf(i)];
    for (int n = 0; n < 8; ++n) {
        templ += labels[n];
        templ += ':';
        templ += n < 6 ? kCountField : kSpeedField;
        templ += '.';
    }
    return templ;
}

std::string FormatReport(std::string_view templ, const long (&counts)[6], double totalSpeed, double currentSpeed)
{
    const double speeds[2] = {totalSpeed, currentSpeed};
    std::size_t nextCount = 0;
    std::size_t nextSpeed = 0;
    std::string out;
    out.reserve(templ.size() + 64);
    std::size_t pos = 0;
    while (pos < templ.size()) {
        const std::string_view rest = templ.substr(pos);
        if (nextCount < std::size(counts) && rest.starts_with(kCountField)) {
            AppendCount(out, counts[nextCount++]);
            pos += kCountField.size();
        } else if (nextSpeed < std::size(speeds) && rest.starts_with(kSpeedField)) {
            AppendSpeed(out, speeds[nextSpeed++]);
            pos += kSpeedField.size();
        } else {
            out += templ[pos++];
        }
    }
    return out;
}
