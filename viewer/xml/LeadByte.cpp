#include "LeadByte.h"

#ifdef _WIN32
#include <windows.h>
#endif

bool SingleByteLead(unsigned char) {
    return false;
}

bool ShiftJisLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool SystemLead(unsigned char byte) {
#ifdef _WIN32
    return IsDBCSLeadByte(byte) != FALSE;
#else
    return SingleByteLead(byte);
#endif
}
