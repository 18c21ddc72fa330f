#include "ShownCopyMaker.h"

ShownCopyMaker::ShownCopyMaker() = default;
ShownCopyMaker::~ShownCopyMaker() = default;
bool ShownCopyMaker::Needs(const std::string&) {
    return false;
}
unsigned long long ShownCopyMaker::PixelsOf(const std::string&) {
    return 0;
}
bool ShownCopyMaker::Make(const std::string&, const std::string&, ShownCopy*) {
    return false;
}
