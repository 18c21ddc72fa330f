#include "ReportDocument.h"

#include "CaptureCore.h"
#include "WorkingFiles.h"

CReportDocument::CReportDocument(const std::string& encoding, const std::string& subject) {
    const std::string prolog = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\r\n" +
                               "<?xml-stylesheet href=\"" + WorkingFiles::kStylesheet +
                               "\" type=\"text/xsl\" ?>\r\n";
    m_document.LoadText(prolog.c_str()); // finds no element; the prolog stays as the text's start
    m_document.AppendElement("MAILITEM");
    m_document.SetAttributeOf(m_document.currentIndex(), "xml:space", "preserve");
    m_document.AppendElement("SUBJECT", VaroCapture::ReportText(subject).c_str(), true);
}

void CReportDocument::AddAttachments(const std::vector<std::string>& names) {
    m_document.AppendElement("ATTACHMENTS", nullptr, true);
    m_document.EnterElement();
    for (const std::string& name : names) {
        m_document.AppendElement("ATTACHMENT", name.c_str(), true);
        m_document.SetAttributeOf(m_document.childIndex(), "FILENAME", name.c_str());
        m_document.SetAttributeOf(m_document.childIndex(), "ATTTYPE", VaroCapture::AttachmentType(name));
    }
}
