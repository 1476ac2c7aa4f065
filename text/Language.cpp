#include "text/Language.h"

#include "platform/face/winapi.h"

LanguageIndex SelectLanguage()
{
    return LanguageOfLangId(GetSystemDefaultLangID());
}
