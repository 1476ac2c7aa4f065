// What keymap.cpp gives keymap_sources.cpp: xkbcommon handles and the step from a
// compiled keymap to the on-screen keyboard's table.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <xkbcommon/xkbcommon.h>

#include "platform/keyboard/layout.h"

namespace keymap_detail {

template <auto Fn> struct Deleter {
    template <typename T> void operator()(T* p) const { Fn(p); }
};
using Context = std::unique_ptr<xkb_context, Deleter<xkb_context_unref>>;
using Keymap = std::unique_ptr<xkb_keymap, Deleter<xkb_keymap_unref>>;
using State = std::unique_ptr<xkb_state, Deleter<xkb_state_unref>>;

// A context that logs only critical messages (missing data is expected; callers fall back).
Context NewContext();

// The table of the on-screen keyboard for 'group' of a compiled keymap, with the keymap's other
// groups, each named by 'nameOf' (an empty name: from the keymap's own description).
KeyboardLayout LayoutFromKeymap(xkb_keymap* keymap, xkb_layout_index_t group, std::string name,
                                const std::function<std::string(xkb_layout_index_t)>& nameOf = {});

// Element 'index' of a comma-separated list ("fr,us" 1 -> "us"); empty past its end.
std::string ListItem(std::string_view list, std::size_t index);

// "us" and "dvorak" -> "us(dvorak)".
std::string NameWithVariant(const std::string& layout, const std::string& variant);

// The short name of a group of a keymap from its description ("Spanish" -> "es"), else the
// description itself.
std::string NameOfGroup(xkb_keymap* keymap, xkb_layout_index_t group);

}  // namespace keymap_detail
