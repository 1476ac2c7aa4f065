// What the report box tells a typist about the keyboard itself: Caps Lock left on, a layout that
// types no Latin letters. UTF-8, one text per language.
#pragma once

#include <string>

#include "text/LanguageTables.h"

// A wrong key was the target in the other case while Caps Lock is on.
std::string CapsLockNote(LanguageIndex i);

// The active layout types no Latin letters; the name of the user's Latin layout follows the text.
std::string SwitchLayoutNote(LanguageIndex i);

// No Latin layout is set up: practice goes on by the places of the keys of the US keyboard.
std::string UsPositionsNote(LanguageIndex i);
