// Where the tests find the shared mail test data, and the charset conversion they run with.
#pragma once
#include <string>

#ifdef _WIN32
#include "CharsetWin32.h"
#endif

namespace testdata {

inline std::string MailDir() {
#ifdef _WIN32
    return std::string(VARO_TEST_SOURCE_DIR) + "\\..\\shared\\testdata\\mail\\";
#else
    return std::string(VARO_TEST_SOURCE_DIR) + "/../shared/testdata/mail/";
#endif
}

inline std::string EmlPath(const std::string& name) {
#ifdef _WIN32
    return MailDir() + "eml\\" + name;
#else
    return MailDir() + "eml/" + name;
#endif
}

inline std::string MsgPath(const std::string& name) {
#ifdef _WIN32
    return MailDir() + "msg\\" + name;
#else
    return MailDir() + "msg/" + name;
#endif
}

// On Windows the MIME reader converts charsets through the system's code pages, as the
// stand-in does; natively it uses iconv.
inline void UsePlatformCharsets() {
#ifdef _WIN32
    InstallWindowsCharsetHook();
#endif
}

} // namespace testdata
