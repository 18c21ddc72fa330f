// Attachment file names as Outlook reports them for parts that carry none of their own.
#pragma once
#include <string>

// Replaces the characters that Windows file names cannot hold (control characters and
// \ / : * ? " < > |) with '_'.
std::string ReplaceInvalidFileNameChars(const std::string& name);

// A file name without its extension ("a.b.eml" -> "a.b"; ".profile" stays).
std::string FileNameStem(const std::string& fileName);

// Name of an attached message: the given stem when there is one, else its subject, else
// "Untitled"; invalid characters replaced; always ending in ".msg".
std::string AttachedMessageFileName(const std::string& stem, const std::string& subject);

// "ATT00001.txt" style name for the n-th nameless attachment of a message, the extension taken
// from its content type (".bin" when the type is not known).
std::string GeneratedAttachmentName(int number, const std::string& contentType);
