#include "ReportFiles.h"

#include "CaptureCore.h"
#include "StringConv.h"
#include "WorkingFiles.h"

#include <utility>

namespace {
const char kUtf8[] = "UTF-8";
} // namespace

CReportFiles::CReportFiles(std::string folder) : m_folder(std::move(folder)) {}

std::string CReportFiles::ReportPath() const {
    return m_folder + WorkingFiles::kReport;
}
std::string CReportFiles::StylesheetPath() const {
    return m_folder + WorkingFiles::kStylesheet;
}
std::string CReportFiles::PagePath() const {
    return m_folder + WorkingFiles::kPage;
}

void CReportFiles::OpenReport() {
    m_report = CreateForWriting(ReportPath());
    m_openError = m_report ? 0 : ::GetLastError();
}

bool CReportFiles::WriteReport(const std::string& text, const std::string& encoding,
                               CWriteFailures& failures) {
    DWORD error = m_openError;
    if (m_report) {
        if (encoding == kUtf8) {
            std::wstring wide = AnsiToWide(text);
            const char16_t* units = reinterpret_cast<const char16_t*>(wide.data());
            size_t size = VaroCapture::EncodeUtf8(units, wide.size(), nullptr, 0);
            std::string bytes(size, '\0');
            if (size)
                VaroCapture::EncodeUtf8(units, wide.size(), &bytes[0], size);
            error = WriteAll(m_report.Get(), bytes.data(), bytes.size());
        } else {
            error = WriteAll(m_report.Get(), text.data(), text.size());
        }
        m_report.Reset();
    }
    if (error)
        failures.AddFirst(ReportPath(), error);
    return error == 0;
}

bool CReportFiles::WritePage(const std::string& bytes, CWriteFailures& failures) const {
    DWORD error = 0;
    {
        UniqueHandle file = CreateForWriting(PagePath());
        if (!file)
            error = ::GetLastError();
        else if (!(error = WriteAll(file.Get(), bytes.data(), bytes.size())) &&
                 !::FlushFileBuffers(file.Get()))
            error = ::GetLastError();
    }
    if (error)
        failures.AddFirst(PagePath(), error);
    return error == 0;
}
