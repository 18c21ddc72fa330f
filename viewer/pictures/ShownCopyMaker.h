// Stand-in until the imaging engine lands: the interface the capture codes against.
#pragma once
#include <string>

struct ShownCopy {
    std::string path;
    unsigned pageCount = 1;
};

class ShownCopyMaker {
public:
    ShownCopyMaker();
    ~ShownCopyMaker();
    static bool Needs(const std::string& sourcePath);
    static unsigned long long PixelsOf(const std::string& sourcePath);
    bool Make(const std::string& sourcePath, const std::string& copyBasePath, ShownCopy* out);
};
