// Saves what the screen shows of a window as a 24-bit BMP file, for the screenshots that tests
// leave behind.
#pragma once
#include "UniqueHandle.h"

#include <windows.h>

#include <cstdio>
#include <string>

inline bool SaveWindowShot(HWND window, const std::string& path) {
    RECT r;
    if (!::GetWindowRect(window, &r))
        return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    UniqueDc memory;
    UniqueBitmap bitmap;
    SelectedObject selected;
    bool copied = false;
    {
        // The screen's DC is shared: given back as soon as it is read.
        UniqueWindowDc screen(nullptr);
        memory.Reset(::CreateCompatibleDC(screen.Get()));
        bitmap.Reset(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        selected = SelectedObject(memory.Get(), bitmap.Get());
        copied = ::BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), r.left, r.top, SRCCOPY) != FALSE;
    }
    ::GdiFlush();
    const DWORD stride = ((width * 3) + 3) & ~3u, size = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    if (bits)
        data.append(static_cast<const char*>(bits), size);
    selected.Reset();
    if (!copied || !bits)
        return false;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(data.data(), 1, data.size(), out) == data.size();
    return std::fclose(out) == 0 && written;
}
