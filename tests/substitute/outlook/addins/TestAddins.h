// The test add-ins of VaroTestAddins.dll: what tests and the benchmark load into the stand-in.
#pragma once
#include <windows.h>

// Does nothing and succeeds: the baseline for load and connection times.
constexpr wchar_t kNullAddinProgId[] = L"VaroTest.NullAddin";
constexpr CLSID kNullAddinClassId = {
    0x6a1d3c52, 0x8e4f, 0x4b21, {0x9c, 0x7e, 0x15, 0x3a, 0x2b, 0x6d, 0x90, 0x01}};
// OnConnection fails with kFailingAddinResult.
constexpr wchar_t kFailingAddinProgId[] = L"VaroTest.FailingAddin";
constexpr CLSID kFailingAddinClassId = {
    0x6a1d3c52, 0x8e4f, 0x4b21, {0x9c, 0x7e, 0x15, 0x3a, 0x2b, 0x6d, 0x90, 0x02}};
constexpr HRESULT kFailingAddinResult = static_cast<HRESULT>(0x8004ABCD);
// Writes every call it gets into the file named by VARO_TEST_ADDIN_LOG and, when connected, puts
// a button (tag kTestButtonTag) on its own bar kTestBarName and an item (tag kTestMenuTag) at the
// end of the fifth menu, and listens to their Click and to the application's events.
constexpr wchar_t kRecordingAddinProgId[] = L"VaroTest.RecordingAddin";
constexpr CLSID kRecordingAddinClassId = {
    0x6a1d3c52, 0x8e4f, 0x4b21, {0x9c, 0x7e, 0x15, 0x3a, 0x2b, 0x6d, 0x90, 0x03}};
constexpr wchar_t kAddinLogVariable[] = L"VARO_TEST_ADDIN_LOG";
constexpr wchar_t kTestBarName[] = L"VaroTestBar";
constexpr wchar_t kTestButtonTag[] = L"VaroTestButton";
constexpr wchar_t kTestMenuTag[] = L"VaroTestMenu";
// Has a ribbon: answers IRibbonExtensibility and gives, for the explorer, the custom UI in the file
// named by VARO_TEST_RIBBON_XML. Its callbacks (answered only through the IDispatch part of
// IRibbonExtensibility) write into the same log: OnLoad keeps the IRibbonUI, OnAction logs the
// control's Id, Tag and Context, GetEnabled gives true the first time a control asks and false
// afterwards, GetImage gives a 32 x 32 picture, Fail fails, OnActionInvalidate calls
// IRibbonUI.Invalidate and OnActionInvalidateControl IRibbonUI.InvalidateControl of its control.
constexpr wchar_t kRibbonAddinProgId[] = L"VaroTest.RibbonAddin";
constexpr CLSID kRibbonAddinClassId = {
    0x6a1d3c52, 0x8e4f, 0x4b21, {0x9c, 0x7e, 0x15, 0x3a, 0x2b, 0x6d, 0x90, 0x04}};
constexpr wchar_t kRibbonXmlVariable[] = L"VARO_TEST_RIBBON_XML";
