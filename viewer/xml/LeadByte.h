#pragma once

// Lead-byte tests for the narrow text of an XML document: a lead byte opens a two-byte
// character, and its trail byte must never be taken for markup (in Shift-JIS a trail byte
// can be a backslash or any other ASCII byte above 0x3F).
using LeadByteTest = bool (*)(unsigned char byte);

// No multibyte characters: every byte is a character of its own.
bool SingleByteLead(unsigned char byte);

// Shift-JIS (code page 932) lead ranges 0x81-0x9F and 0xE0-0xFC.
bool ShiftJisLead(unsigned char byte);

// The process's ANSI code page as the system reports it on Windows; single-byte elsewhere.
bool SystemLead(unsigned char byte);
