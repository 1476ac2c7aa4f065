// The one fontconfig call the program makes itself (app.cpp), declared here: the library
// is already loaded with the toolkit and looked up when the program starts, so building needs none
// of fontconfig's development files. tests/platform/test_loaded_abi.cpp holds it against
// fontconfig's own header.
#pragma once

namespace fontconfig {

using InitFn = int (*)();  // FcInit; int stands for FcBool

}  // namespace fontconfig
