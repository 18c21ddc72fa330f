#include "ItemFactory.h"

#include "MailItemObject.h"
#include "OtherItemObject.h"

#include <cctype>

namespace {
bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}
} // namespace

bool IsMailItemClass(const std::string& messageClass) {
    // An item without a class is an ordinary mail, as Outlook treats a bare message file.
    if (messageClass.empty())
        return true;
    if (messageClass.size() == 8)
        return StartsWithNoCase(messageClass, "IPM.Note");
    return StartsWithNoCase(messageClass, "IPM.Note.");
}

IDispatch* CreateItemObject(const std::shared_ptr<MailMessage>& message, const ServerState& state) {
    if (IsMailItemClass(message->messageClass))
        return new MailItemObject(message, state);
    return new OtherItemObject(message);
}
