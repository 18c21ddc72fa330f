// Per-machine registration of the stand-in as Outlook.Application: the ProgID, the class (started
// by COM through LocalServer32) and the embedded type library, so that calls marshal across processes.
#pragma once
#include <windows.h>

#include <string>

// The class the stand-in registers under Outlook.Application.
extern const CLSID kStandInClassId;

// Exit codes of the registration actions.
enum RegistrationResult { kRegistered = 0, kRegistrationFailed = 1, kRegistrationRefused = 3 };

// Writes the registration; mailbox (may be empty) becomes part of the command line COM starts.
// Refuses, with a message in message, when another program owns Outlook.Application.
RegistrationResult RegisterServer(const std::wstring& mailbox, std::wstring& message);
// Removes what RegisterServer wrote and nothing else.
RegistrationResult UnregisterServer(std::wstring& message);
