// Ties one document class to its frame and view: makes the document, the main frame around it
// and the view inside, from one resource id (menu, keys, icon, document string).
#pragma once
#include "CmdTarget.h"

#include <functional>
#include <memory>
#include <string>

class CDocument;
class CFrameWnd;
class CView;

class CSingleDocTemplate : public CCmdTarget {
public:
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<CFrameWnd*()>;
    using ViewFactory = std::function<CView*()>;

    CSingleDocTemplate(UINT resourceId, DocumentFactory makeDocument, FrameFactory makeFrame,
                       ViewFactory makeView);
    ~CSingleDocTemplate() override;

    template <class Doc, class Frame, class View> static std::unique_ptr<CSingleDocTemplate> Make(UINT id) {
        return std::make_unique<CSingleDocTemplate>(
            id, [] { return std::unique_ptr<CDocument>(new Doc); },
            [] { return static_cast<CFrameWnd*>(new Frame); }, [] { return static_cast<CView*>(new View); });
    }

    // Path null: a new empty document. The first call also creates the frame and its view.
    CDocument* OpenDocumentFile(const char* path);
    // Part index of the document string ("title\ndoc name\nfile new name\nfilter\next\nreg id\nreg name").
    bool GetDocString(std::string& text, int index) const;
    CDocument* GetDocument() const { return m_document.get(); }

    const UINT m_nIDResource;

private:
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    ViewFactory m_makeView;
    std::unique_ptr<CDocument> m_document;
};
