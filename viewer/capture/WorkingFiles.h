// The files that the viewer keeps in the working folder besides the saved attachments, named once
// for the capture, the start-up copy of the support files and the exit clean-up.
#pragma once

namespace WorkingFiles {

constexpr char kReport[] = "VaroReport.xml";
constexpr char kStylesheet[] = "VaroReport.xsl";
constexpr char kPage[] = "VaroReport.htm";
constexpr char kPageStyle[] = "VaroReport.css";
constexpr char kDocumentPicture[] = "VaroDoc.bmp";
// The list of files the captures created, which the exit clean-up deletes.
constexpr char kLog[] = "varovlg.log";
// The folder of the pictures' shown copies (upright, in a format the browser shows). A name of
// eight letters without a dot has no second short name that an attachment could be saved under.
constexpr char kShownCopies[] = "VaroShow";

// Copied from the install folder at start-up, in this order.
constexpr const char* kSupportFiles[] = {kStylesheet, kDocumentPicture, kPageStyle};
// No attachment may be saved under one of these names.
constexpr const char* kReserved[] = {kReport,          kStylesheet, kPage,       kPageStyle,
                                     kDocumentPicture, kLog,        kShownCopies};

} // namespace WorkingFiles
