#include "WorkingFolder.h"

#include "AutomationError.h"

std::string WorkingFolder() {
    char temp[MAX_PATH];
    const DWORD length = ::GetTempPathA(sizeof temp, temp);
    return length == 0 || length >= sizeof temp ? std::string() : std::string(temp, length);
}

UniqueHandle CreateForWriting(const std::string& path) {
    return UniqueHandle(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
}

DWORD WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!::WriteFile(file, data, chunk, &written, nullptr))
            return ::GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        data += written;
        size -= written;
    }
    return 0;
}

std::string CWriteFailures::Describe() const {
    std::string text;
    for (const Failure& f : m_failures) {
        if (!text.empty())
            text += "\r\n\r\n";
        text += "The file \"" + f.path + "\" could not be written.\r\n" + DescribeSystemError(f.error);
    }
    return text;
}
