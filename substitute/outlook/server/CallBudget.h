// Fault switch for tests: after a set number of automation calls the process vanishes, as a
// crashing Outlook would, so that clients can be tested against a server that dies mid-run.
#pragma once

class CallBudget {
public:
    // Unlimited unless set; with n, n calls are served and the next one ends the process.
    static void Limit(long n);
    // Counts one automation call; ends the process abruptly when the budget is spent.
    static void Spend();

private:
    static long s_remaining;
    static bool s_limited;
};
