#include "text/Language.h"

#include "platform/winapi.h"

LanguageIndex SelectLanguage()
{
    return LanguageOfLangId(GetSystemDefaultLangID());
}
