#include "Document.h"
#include "WinApp.h"
#include "FrameworkIds.h"

namespace {
const CmdMapEntry<CDocument> kCommands[] = {
    OnCommand(ID_FILE_SAVE, &CDocument::OnFileSave),
};
} // namespace

BOOL CDocument::OnNewDocument() {
    m_strPathName.clear();
    m_strTitle = "Untitled";
    m_bModified = false;
    return TRUE;
}

BOOL CDocument::OnOpenDocument(const char* path) {
    std::fstream file(path, std::ios::in | std::ios::binary);
    if (!file)
        return FALSE;
    Serialize(file, false);
    m_bModified = false;
    return TRUE;
}

BOOL CDocument::OnSaveDocument(const char* path) {
    std::fstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!file)
        return FALSE;
    Serialize(file, true);
    m_bModified = false;
    return TRUE;
}

void CDocument::Serialize(std::fstream&, bool) {}

void CDocument::SetPathName(const std::string& path) {
    m_strPathName = path;
    const size_t slash = path.find_last_of("\\/");
    m_strTitle = slash == std::string::npos ? path : path.substr(slash + 1);
}

BOOL CDocument::OnCmdMsg(UINT id, int code, CCmdUI* ui) {
    return DispatchCmdMap(this, kCommands, id, code, ui);
}

void CDocument::OnFileSave() {
    std::string path = m_strPathName;
    if (path.empty() && !AfxPromptFileName(false, path))
        return;
    if (OnSaveDocument(path.c_str()))
        SetPathName(path);
    else
        AfxMessageBox("Failed to save document.", MB_OK | MB_ICONEXCLAMATION);
}
