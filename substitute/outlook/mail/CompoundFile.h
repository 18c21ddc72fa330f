// A reader of compound files (the container of .msg files) in pure C++: header, sector
// allocation tables, directory tree and streams, read from the file's bytes. Damaged or hostile
// files give what can be read: every chain, tree walk and size is bounded by the file itself.
#pragma once
#include "MsgStorage.h"

#include <memory>
#include <string>

// The root storage of the compound file in bytes (copied), or null with problem set when the
// header or the directory cannot be read. A file that reads with damage gives a root and a problem.
std::unique_ptr<MsgStorage> OpenCompoundFile(const std::string& bytes, std::string& problem);
