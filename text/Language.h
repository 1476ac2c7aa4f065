// The language of the practice window's texts, read afresh from the system on every use.
#pragma once

#include "text/LanguageTables.h"

LanguageIndex SelectLanguage();
