#include "SinkEvents.h"

namespace SinkEvents {

namespace {
// Click(Ctrl As CommandBarButton, CancelDefault As Boolean) on both buttons starts the viewer.
const Entry kEntries[] = {
    {kToolbarButton, kClick, Action::Launch, 2},
    {kMenuItem, kClick, Action::Launch, 2},
};
} // namespace

const Entry* Find(unsigned sink, long dispid) {
    for (const Entry& entry : kEntries)
        if (entry.sink == sink && entry.dispid == dispid)
            return &entry;
    return nullptr;
}

} // namespace SinkEvents
