// The report's HTML page: the stylesheet run over the written report by the platform's XSLT
// processor (MSXML), collected in memory.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <functional>
#include <string>

namespace ReportTransform {

// Creates one XML service object for IUnknown.
using CreateObject = std::function<HRESULT(REFCLSID clsid, IUnknown** object)>;

// The platform's way: CoCreateInstance for IUnknown in any context.
HRESULT CreatePlatformObject(REFCLSID clsid, IUnknown** object);

// Loads the report and the stylesheet, runs the transformation and gives the bytes the processor
// wrote. A failure that the capture judges raises CAutomationError; the service objects are
// released before it returns.
std::string Run(const std::string& reportPath, const std::string& stylesheetPath, const CreateObject& create);

} // namespace ReportTransform
