// The seven languages of the practice window: which one the system language selects, and the
// captions, report template and help text of each.
#pragma once

#include <string>
#include <string_view>

#include "platform/surface/wintypes.h"

// One row of every language-dependent table, in this order.
enum LanguageIndex : unsigned {
    kSimplifiedChinese = 0,
    kEnglish = 1,
    kTraditionalChinese = 2,
    kFrench = 3,
    kGerman = 4,
    kJapanese = 5,
    kSpanish = 6
};
constexpr unsigned kLanguageCount = 7;

// The row of every table a language index reads: an index outside the tables reads English, like
// an unlisted language identifier.
constexpr unsigned RowOf(LanguageIndex i)
{
    return i < kLanguageCount ? static_cast<unsigned>(i) : static_cast<unsigned>(kEnglish);
}

// The selection table: a whole 16-bit Windows language identifier (primary language and
// sublanguage together) to a row; unlisted identifiers give English.
LanguageIndex LanguageOfLangId(LANGID id);

// The language of the toolkit's own texts (Yes, No, OK, the system menu) beside a row's texts:
// the name of its translation catalogue's language ("de", "zh_TW"). A message box then asks its
// question and offers its buttons in one language, whatever the locale.
std::string_view ToolkitLanguageOf(LanguageIndex i);

// Captions of the practice window (Start, Exit, Help buttons and the four practice-set check
// boxes) and the three texts it keeps for later: the exit question, the caption Start puts on
// the Start button, and the right-click notice. All UTF-8.
struct CaptionRow {
    const char* start;
    const char* exit;
    const char* help;
    const char* set[4];
    const char* exitPrompt;
    const char* redo;
    const char* mouseNotice;
};
const CaptionRow& CaptionsOf(LanguageIndex i);

// The test report template: eight labels, each followed by ":%ld." (labels 1 to 6) or
// ":%05.1f." (labels 7 and 8).
std::string ReportTemplate(LanguageIndex i);

// Fills a report template: the "%ld" fields take the six counts in order and the "%05.1f"
// fields the total and the current speed in order. The template is never used as a printf
// format; everything in it other than those two field kinds is copied verbatim, as are fields
// left over once their values are used up.
std::string FormatReport(std::string_view templ, const long (&counts)[6], double totalSpeed, double currentSpeed);

// The note in the report box that names the targets the keyboard layout cannot type; the
// characters follow it.
std::string MissingKeysNote(LanguageIndex i);

// The help text: its pieces joined without separators.
std::string HelpText(LanguageIndex i);
// The number of pieces the help text is kept in (nine in French, ten in the others).
int HelpPieceCount(LanguageIndex i);
// The product title as the language writes it.
std::string_view HelpTitle(LanguageIndex i);
