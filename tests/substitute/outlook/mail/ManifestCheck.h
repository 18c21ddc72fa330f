// Checks a mail model against the description line of the test data's MANIFEST.tsv:
//   [note | ][class C; ]subject "S"; [type; ]N attachments: item; item; ...
// where an item is "NAME" (details, N B), (no file name) (details), message/rfc822 [named "X"]
// [...], or embedded message "X" [...], and [...] describes the attached message the same way.
#pragma once
#include "MailMessage.h"
#include "MailNames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace manifest {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// file name -> description, from a MANIFEST.tsv.
inline std::map<std::string, std::string> Load(const std::string& path) {
    std::map<std::string, std::string> out;
    std::istringstream lines(ReadFile(path));
    std::string line;
    std::getline(lines, line); // column titles
    while (std::getline(lines, line)) {
        std::vector<std::string> cols;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            cols.push_back(line.substr(start, tab - start));
        cols.push_back(line.substr(start));
        if (cols.size() >= 5)
            out[cols[0]] = cols[4];
    }
    return out;
}

inline bool StartsWith(const std::string& s, size_t pos, const char* prefix) {
    return s.compare(pos, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Opens a nested description only where a bracket starts one, so that names such as
// "Attachment[1.pdf" do not count.
inline bool OpensNested(const std::string& s, size_t i) {
    return s[i] == '[' && (StartsWith(s, i + 1, "subject") || StartsWith(s, i + 1, "class") ||
                           StartsWith(s, i + 1, "empty subject") || StartsWith(s, i + 1, "no Subject"));
}

inline std::vector<std::string> SplitItems(const std::string& s) {
    std::vector<std::string> items;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (OpensNested(s, i))
            ++depth;
        else if (s[i] == ']' && depth > 0 && (i + 1 == s.size() || s[i + 1] == ';' || s[i + 1] == ']'))
            --depth;
        else if (depth == 0 && s.compare(i, 2, "; ") == 0) {
            items.push_back(s.substr(start, i - start));
            start = i + 2;
        }
    }
    items.push_back(s.substr(start));
    return items;
}

// The text of the nested [...] description in item, empty when there is none.
inline std::string NestedOf(const std::string& item) {
    for (size_t i = 0; i < item.size(); ++i)
        if (OpensNested(item, i)) {
            size_t end = item.rfind(']');
            return item.substr(i + 1, (end == std::string::npos || end < i ? item.size() : end) - i - 1);
        }
    return std::string();
}

inline std::string QuotedAfter(const std::string& item, const char* prefix) {
    size_t p = item.find(prefix);
    if (p == std::string::npos)
        return std::string();
    p += std::char_traits<char>::length(prefix);
    size_t end = item.find('"', p);
    return item.substr(p, end - p);
}

inline void CheckMessage(const MailMessage& message, std::string desc, const std::string& where);

inline void CheckAttachment(const MailAttachment& att, const std::string& item, const std::string& where) {
    SCOPED_TRACE(where + " item: " + item.substr(0, 120));
    std::string nested = NestedOf(item);
    if (StartsWith(item, 0, "message/rfc822") || StartsWith(item, 0, "embedded message")) {
        ASSERT_TRUE(att.embedded) << att.fileName;
        EXPECT_TRUE(att.data.empty());
        ASSERT_GE(att.fileName.size(), 4u);
        EXPECT_EQ(att.fileName.substr(att.fileName.size() - 4), ".msg");
        if (StartsWith(item, 0, "message/rfc822 named \"")) {
            EXPECT_EQ(att.fileName, FileNameStem(QuotedAfter(item, "named \"")) + ".msg");
        }
        if (StartsWith(item, 0, "embedded message \"")) {
            EXPECT_EQ(att.fileName, AttachedMessageFileName(QuotedAfter(item, "embedded message \""), ""));
        }
        if (!nested.empty()) {
            // Where a message's whole body is a message, the manifest describes the inner one.
            const MailMessage* described = att.embedded.get();
            std::string subject = QuotedAfter(nested, "subject \"");
            while (described->subject != subject && described->attachments.size() == 1 &&
                   described->attachments[0].embedded && !StartsWith(nested, 0, "class"))
                described = described->attachments[0].embedded.get();
            CheckMessage(*described, nested, where + " > " + att.fileName);
        }
        return;
    }
    EXPECT_FALSE(att.embedded) << att.fileName;
    if (StartsWith(item, 0, "(no file name)")) {
        EXPECT_EQ(att.fileName.substr(0, 3), "ATT") << att.fileName;
    } else if (item[0] == '"') {
        size_t end = item.find("\" (", 1);
        EXPECT_EQ(att.fileName, item.substr(1, end - 1));
    }
    // "(by value, 22528 B)": the exact size of the data.
    size_t b = item.find(" B)");
    if (b == std::string::npos)
        b = item.find(" B,");
    if (b != std::string::npos) {
        size_t start = item.rfind(' ', b - 1);
        EXPECT_EQ(std::to_string(att.data.size()), item.substr(start + 1, b - start - 1));
    }
}

inline void CheckMessage(const MailMessage& message, std::string desc, const std::string& where) {
    SCOPED_TRACE(where);
    size_t bar = desc.find(" | ");
    if (bar != std::string::npos) // a note before the description proper
        desc = desc.substr(bar + 3);
    if (StartsWith(desc, 0, "not an OLE compound file")) {
        EXPECT_FALSE(message.problem.empty());
        return;
    }
    if (StartsWith(desc, 0, "class ")) {
        size_t end = desc.find("; ");
        EXPECT_EQ(message.messageClass, desc.substr(6, end - 6));
        desc = desc.substr(end + 2);
    }
    // Subject.
    std::string rest;
    if (StartsWith(desc, 0, "empty subject") || StartsWith(desc, 0, "no Subject header") ||
        StartsWith(desc, 0, "subject missing")) {
        EXPECT_EQ(message.subject, "");
        size_t end = desc.find("; ");
        rest = end == std::string::npos ? std::string() : desc.substr(end + 2);
    } else {
        size_t q = desc.find('"');
        size_t end = desc.find("\"; ");
        if (end == std::string::npos) { // description cut short: compare the start
            std::string expected = desc.substr(q + 1);
            if (expected.size() > 4 && expected.compare(expected.size() - 4, 4, " ...") == 0)
                expected.resize(expected.size() - 4);
            EXPECT_EQ(message.subject.substr(0, expected.size()), expected);
            return;
        }
        EXPECT_EQ(message.subject, desc.substr(q + 1, end - q - 1));
        rest = desc.substr(end + 3);
    }
    // Attachments.
    std::vector<std::string> parts = SplitItems(rest);
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        if (part == "no attachments") {
            EXPECT_EQ(message.attachments.size(), 0u);
            return;
        }
        if (StartsWith(part, 0, "whole body is one ")) {
            ASSERT_EQ(message.attachments.size(), 1u);
            std::string name = QuotedAfter(part, "named \"");
            if (!name.empty()) {
                EXPECT_EQ(message.attachments[0].fileName, name);
            }
            return;
        }
        size_t colon = part.find(" attachment");
        if (colon != std::string::npos && part.find_first_not_of("0123456789") == colon) {
            size_t count = std::stoul(part.substr(0, colon));
            ASSERT_EQ(message.attachments.size(), count);
            // The first item follows "N attachments: " inside this part.
            std::vector<std::string> items;
            items.push_back(part.substr(part.find(": ") + 2));
            for (size_t k = i + 1; k < parts.size(); ++k)
                items.push_back(parts[k]);
            for (size_t k = 0; k < items.size() && k < count; ++k) {
                if (StartsWith(items[k], 0, "... and "))
                    break;
                CheckAttachment(message.attachments[k], items[k], where);
            }
            return;
        }
    }
}

} // namespace manifest
