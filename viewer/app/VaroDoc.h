// The viewer's document: it holds no data; the report lives in the working folder.
#pragma once
#include "Document.h"

class CVaroDoc : public CDocument {
public:
    BOOL OnNewDocument() override;
    void Serialize(std::fstream& file, bool storing) override;
};
