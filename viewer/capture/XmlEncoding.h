// The report encoding name: read from the settings at start-up, changed by the Encoding commands,
// used verbatim by the report writer.
#pragma once
#include <string>

extern std::string g_strXMLEncoding;
