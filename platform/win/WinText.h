#pragma once

#include <string>
#include <string_view>

namespace hortivex {

// Text at the Windows API boundary. Narrow texts that name files are UTF-8, as the C++
// library's paths take them; a text that is not valid UTF-8 is read in the ANSI code page.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The errno value closest to a Win32 error code (EIO for one without a close match).
int ErrnoOfWin32(unsigned long error);

} // namespace hortivex
