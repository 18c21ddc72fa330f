// The storage tree of a .msg file as the message reader needs it: named streams and sub-storages.
// Implemented over Windows structured storage and by the pure compound-file reader.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class MsgStorage {
public:
    struct Element {
        std::string name; // UTF-8
        bool isStorage = false;
    };
    enum class Read { Ok, Absent, TooLarge, Truncated };

    virtual ~MsgStorage() = default;
    // The whole stream of that name; a stream larger than maxSize is not read (TooLarge). A
    // truncated stream gives what could be read.
    virtual Read ReadStream(const std::string& name, uint64_t maxSize, std::string& out) = 0;
    // The sub-storage of that name, null when there is none.
    virtual std::unique_ptr<MsgStorage> OpenStorage(const std::string& name) = 0;
    // Whether a stream or storage of that name exists.
    virtual bool HasElement(const std::string& name) = 0;
    // The direct children; false when the storage cannot be listed.
    virtual bool List(std::vector<Element>& elements) = 0;
    // This storage as a compound file of its own (an OLE object attachment's bytes); empty when
    // that cannot be made.
    virtual std::string AsCompoundFile() = 0;
};
