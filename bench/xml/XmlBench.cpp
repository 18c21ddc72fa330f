// Times the report writer's way of building a document with CXmlDocument against libxml2's
// text writer producing the same bytes, and LoadText of a large document against pugixml.
// Prints the measurements and their ratios; all figures come from this one run.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <libxml/xmlwriter.h>
#include <pugixml.hpp>

#include "XmlDocument.h"

namespace {

const char kProlog[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                       "<?xml-stylesheet href=\"VaroReport.xsl\" type=\"text/xsl\" ?>\r\n";
const char kSubject[] = "Holiday pictures & <notes>";

std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(count));
    char buffer[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, "IMG_%07d%s", i, i % 3 ? ".jpg" : " notes & plan.doc");
        names.emplace_back(buffer);
    }
    return names;
}

const char* Type(const std::string& name) {
    return name.back() == 'g' ? "PIC" : "DOC";
}

// As the report writer builds it.
std::string BuildWithDocument(const std::vector<std::string>& names) {
    CXmlDocument doc;
    doc.LoadText(kProlog);
    doc.AppendElement("MAILITEM");
    doc.SetAttributeOf(doc.currentIndex(), "xml:space", "preserve");
    doc.AppendElement("SUBJECT", kSubject, true);
    doc.AppendElement("ATTACHMENTS", nullptr, true);
    doc.EnterElement();
    for (const std::string& name : names) {
        doc.AppendElement("ATTACHMENT", name.c_str(), true);
        doc.SetAttributeOf(doc.childIndex(), "FILENAME", name.c_str());
        doc.SetAttributeOf(doc.childIndex(), "ATTTYPE", Type(name));
    }
    return doc.GetText();
}

const xmlChar* X(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

std::string BuildWithLibxml2(const std::vector<std::string>& names) {
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlTextWriterPtr w = xmlNewTextWriterMemory(buffer, 0);
    xmlTextWriterWriteRaw(w, X(kProlog));
    xmlTextWriterStartElement(w, X("MAILITEM"));
    xmlTextWriterWriteAttribute(w, X("xml:space"), X("preserve"));
    xmlTextWriterWriteRaw(w, X("\r\n"));
    xmlTextWriterWriteElement(w, X("SUBJECT"), X(kSubject));
    xmlTextWriterWriteRaw(w, X("\r\n"));
    xmlTextWriterStartElement(w, X("ATTACHMENTS"));
    xmlTextWriterWriteRaw(w, X("\r\n"));
    for (const std::string& name : names) {
        xmlTextWriterStartElement(w, X("ATTACHMENT"));
        xmlTextWriterWriteAttribute(w, X("FILENAME"), X(name.c_str()));
        xmlTextWriterWriteAttribute(w, X("ATTTYPE"), X(Type(name)));
        xmlTextWriterWriteString(w, X(name.c_str()));
        xmlTextWriterEndElement(w);
        xmlTextWriterWriteRaw(w, X("\r\n"));
    }
    xmlTextWriterEndElement(w);
    xmlTextWriterWriteRaw(w, X("\r\n"));
    xmlTextWriterEndElement(w);
    xmlTextWriterWriteRaw(w, X("\r\n"));
    xmlTextWriterFlush(w);
    xmlFreeTextWriter(w);
    std::string text(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                     static_cast<size_t>(xmlBufferLength(buffer)));
    xmlBufferFree(buffer);
    return text;
}

// Processor time of this process: the machine is shared, and waiting for a core is not work.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Best (smallest) seconds per call over `rounds` rounds of `calls` calls each.
template <class F> double Best(int rounds, int calls, F&& f) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        const double start = CpuSeconds();
        for (int c = 0; c < calls; ++c)
            f();
        best = std::min(best, (CpuSeconds() - start) / calls);
    }
    return best;
}

volatile size_t g_sink;

} // namespace

int main() {
    std::printf("build: report-shaped document, CXmlDocument vs libxml2 xmlTextWriter (same bytes)\n");
    double perEntry[2] = {0, 0};
    const int sizes[2] = {1000, 100000};
    bool ok = true;
    for (int k = 0; k < 2; ++k) {
        const std::vector<std::string> names = Names(sizes[k]);
        const std::string ours = BuildWithDocument(names);
        const std::string theirs = BuildWithLibxml2(names);
        const bool same = ours == theirs;
        ok = ok && same;
        const int calls = sizes[k] == 1000 ? 50 : 1;
        const int rounds = sizes[k] == 1000 ? 15 : 7;
        const double tOurs = Best(rounds, calls, [&] { g_sink = BuildWithDocument(names).size(); });
        const double tTheirs = Best(rounds, calls, [&] { g_sink = BuildWithLibxml2(names).size(); });
        perEntry[k] = tOurs / sizes[k];
        std::printf("  %6d entries (%8zu bytes, identical: %s): CXmlDocument %9.3f ms, libxml2 %9.3f ms, "
                    "ratio libxml2/CXmlDocument %.2f\n",
                    sizes[k], ours.size(), same ? "yes" : "NO", tOurs * 1e3, tTheirs * 1e3, tTheirs / tOurs);
    }
    std::printf("  per-entry cost: %.1f ns at 1,000, %.1f ns at 100,000: ratio %.2f (linear when <= 1.25)\n",
                perEntry[0] * 1e9, perEntry[1] * 1e9, perEntry[1] / perEntry[0]);

    std::printf("parse: LoadText vs pugixml load_buffer (both copy the text)\n");
    const std::string big = BuildWithDocument(Names(120000));
    CXmlDocument doc;
    const double tLoad = Best(7, 1, [&] { g_sink = doc.LoadText(big.c_str()); });
    const bool loaded = doc.LoadText(big.c_str());
    pugi::xml_document pdoc;
    const double tPugi =
        Best(7, 1, [&] { g_sink = static_cast<bool>(pdoc.load_buffer(big.data(), big.size())); });
    const bool pugiOk = static_cast<bool>(pdoc.load_buffer(big.data(), big.size()));
    ok = ok && loaded && pugiOk;
    std::printf("  %.1f MB: LoadText %.3f ms (%s), pugixml %.3f ms (%s), ratio pugixml/LoadText %.2f\n",
                big.size() / 1e6, tLoad * 1e3, loaded ? "ok" : "FAILED", tPugi * 1e3,
                pugiOk ? "ok" : "FAILED", tPugi / tLoad);
    return ok ? 0 : 1;
}
