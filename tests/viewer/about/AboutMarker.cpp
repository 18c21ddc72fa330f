// Stand-in for a registered opener: writes its whole command line into the file named by its
// first argument, so that a test can see what the shell or the link's fallback started.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 1;
    std::string partial = std::string(argv[1]) + ".part";
    FILE* out = std::fopen(partial.c_str(), "wb");
    if (!out)
        return 1;
    std::fputs(::GetCommandLineA(), out);
    std::fclose(out);
    // Appears complete or not at all for the waiting test.
    return ::MoveFileExA(partial.c_str(), argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
