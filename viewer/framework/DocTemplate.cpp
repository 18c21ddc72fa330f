#include "DocTemplate.h"
#include "Document.h"
#include "FrameWnd.h"
#include "View.h"
#include "WinApp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocumentFactory makeDocument, FrameFactory makeFrame,
                                       ViewFactory makeView)
    : m_nIDResource(resourceId), m_makeDocument(std::move(makeDocument)), m_makeFrame(std::move(makeFrame)),
      m_makeView(std::move(makeView)) {}

CSingleDocTemplate::~CSingleDocTemplate() = default;

CDocument* CSingleDocTemplate::OpenDocumentFile(const char* path) {
    if (m_document) {
        // One document for the life of the program: New and Open reinitialise it in place.
        if (path ? !m_document->OnOpenDocument(path) : !m_document->OnNewDocument())
            return nullptr;
        if (path)
            m_document->SetPathName(path);
        if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd)
            app->m_pMainWnd->OnUpdateFrameTitle();
        return m_document.get();
    }

    m_document = m_makeDocument();
    m_document->m_pDocTemplate = this;
    CFrameWnd* frame = m_makeFrame();
    CCreateContext context{m_makeView, m_document.get()};
    std::string title;
    GetDocString(title, 0);
    if (!frame->LoadFrame(m_nIDResource, title.c_str(), WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, &context)) {
        // A window that got as far as WM_NCDESTROY deleted its frame object itself.
        m_document.reset();
        return nullptr;
    }
    CWinApp* app = AfxGetApp();
    if (app && !app->m_pMainWnd)
        app->m_pMainWnd = frame;
    const BOOL ready = path ? m_document->OnOpenDocument(path) : m_document->OnNewDocument();
    if (!ready) {
        frame->DestroyWindow();
        if (app && app->m_pMainWnd == frame)
            app->m_pMainWnd = nullptr;
        m_document.reset();
        return nullptr;
    }
    if (path)
        m_document->SetPathName(path);
    frame->InitialUpdateFrame();
    return m_document.get();
}

bool CSingleDocTemplate::GetDocString(std::string& text, int index) const {
    char buffer[1024] = "";
    CWinApp* app = AfxGetApp();
    ::LoadStringA(app ? app->m_hInstance : ::GetModuleHandleA(nullptr), m_nIDResource, buffer, sizeof buffer);
    std::string all = buffer;
    size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = all.find('\n', start);
        if (start == std::string::npos) {
            text.clear();
            return false;
        }
        ++start;
    }
    text = all.substr(start, all.find('\n', start) - start);
    return !text.empty();
}
