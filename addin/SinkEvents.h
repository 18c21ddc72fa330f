// Which events of Office and Outlook the add-in acts on: a fixed table keyed by the event sink's
// connection identifier and the event's DISPID. Events without an entry are ignored.
#pragma once

namespace SinkEvents {

// Connection identifiers of the add-in's three event sinks.
constexpr unsigned kToolbarButton = 9101;
constexpr unsigned kMenuItem = 9103;
constexpr unsigned kApplication = 9104;

// DISPID of the command-bar button's Click(Ctrl, CancelDefault).
constexpr long kClick = 1;

enum class Action { Launch };

struct Entry {
    unsigned sink;
    long dispid;
    Action action;
    unsigned arguments; // declared parameters of the event
};

// The entry for (sink, dispid), or null when the event is not handled.
const Entry* Find(unsigned sink, long dispid);

} // namespace SinkEvents
