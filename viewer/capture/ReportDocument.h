// The XML report of one mail, built in memory as one text: the prolog in the chosen encoding,
// the root, the subject, then one entry per listed attachment.
#pragma once
#include "XmlDocument.h"

#include <string>
#include <vector>

class CReportDocument {
public:
    // Starts the document: prolog, root and subject (text in the ANSI code page).
    CReportDocument(const std::string& encoding, const std::string& subject);

    // The attachments' element with one entry per name, in list order.
    void AddAttachments(const std::vector<std::string>& names);
    // The whole document text.
    std::string Text() const { return m_document.GetText(); }

private:
    CXmlDocument m_document;
};
