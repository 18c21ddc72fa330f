// The data behind the view. This framework's documents are files read and written whole through
// Serialize; the commands New, Open and Save reach it through the document template.
#pragma once
#include "CmdTarget.h"

#include <fstream>
#include <string>

class CSingleDocTemplate;

class CDocument : public CCmdTarget {
public:
    ~CDocument() override = default;

    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(const char* path);
    virtual BOOL OnSaveDocument(const char* path);
    // Reads (storing false) or writes the document's data; the base has none.
    virtual void Serialize(std::fstream& file, bool storing);

    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    bool IsModified() const { return m_bModified; }
    void SetPathName(const std::string& path);
    const std::string& GetPathName() const { return m_strPathName; }
    const std::string& GetTitle() const { return m_strTitle; }

    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    void OnFileSave();

    CSingleDocTemplate* m_pDocTemplate = nullptr;

private:
    std::string m_strPathName;
    std::string m_strTitle = "Untitled";
    bool m_bModified = false;
};
