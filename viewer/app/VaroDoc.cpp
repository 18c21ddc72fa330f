#include "VaroDoc.h"

BOOL CVaroDoc::OnNewDocument() {
    return CDocument::OnNewDocument();
}

void CVaroDoc::Serialize(std::fstream&, bool) {}
