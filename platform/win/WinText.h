#pragma once

#include <string>
#include <string_view>

namespace hortivex {

// Text at the Windows API boundary. The program's narrow texts that name files (the chooser's
// and the command line's names, registry values, the folders the devices build) are in the
// ANSI code page, as the system's narrow calls use them.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// A narrow text that may also come from a path's string(), which the C++ library writes in
// UTF-8: read as UTF-8 when it is valid UTF-8, else in the ANSI code page. For the counted file
// calls and for texts shown to the user.
std::wstring WidenAny(std::string_view text);

// The errno value closest to a Win32 error code (EIO for one without a close match).
int ErrnoOfWin32(unsigned long error);

} // namespace hortivex
