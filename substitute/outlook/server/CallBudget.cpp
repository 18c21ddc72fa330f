#include "CallBudget.h"

#include <windows.h>

long CallBudget::s_remaining = 0;
bool CallBudget::s_limited = false;

namespace {
constexpr UINT kAbruptExitCode = 99;
}

void CallBudget::Limit(long n) {
    s_limited = true;
    s_remaining = n;
}

void CallBudget::Spend() {
    if (!s_limited)
        return;
    if (s_remaining <= 0)
        ::TerminateProcess(::GetCurrentProcess(), kAbruptExitCode); // no clean-up, no revoking: a crash
    --s_remaining;
}
