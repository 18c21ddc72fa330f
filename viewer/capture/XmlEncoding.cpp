#include "XmlEncoding.h"

std::string g_strXMLEncoding = "UTF-8";
