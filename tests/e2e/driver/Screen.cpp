#include "Screen.h"

#include <zlib.h>

#include <cstdio>
#include <memory>
#include <type_traits>

#include "Error.h"
#include "Text.h"

namespace e2e {

namespace {

struct DcReleaser {
    void operator()(HDC dc) const { ReleaseDC(nullptr, dc); }
};
struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct BitmapDeleter {
    void operator()(HBITMAP bitmap) const { DeleteObject(bitmap); }
};

void PutBigEndian32(std::vector<unsigned char>& out, uint32_t value) {
    out.push_back(static_cast<unsigned char>(value >> 24));
    out.push_back(static_cast<unsigned char>(value >> 16));
    out.push_back(static_cast<unsigned char>(value >> 8));
    out.push_back(static_cast<unsigned char>(value));
}

void PutChunk(std::vector<unsigned char>& out, const char (&type)[5], const std::vector<unsigned char>& data) {
    PutBigEndian32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0L, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    PutBigEndian32(out, static_cast<uint32_t>(crc));
}

}  // namespace

Image CaptureScreen() {
    const RECT all{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                   GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                   GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return CaptureScreen(all);
}

Image CaptureScreen(const RECT& rect) {
    Image image;
    image.width = rect.right - rect.left;
    image.height = rect.bottom - rect.top;
    if (image.width <= 0 || image.height <= 0) {
        throw Error("empty screen rectangle");
    }
    std::unique_ptr<std::remove_pointer_t<HDC>, DcReleaser> screen(GetDC(nullptr));
    std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter> memory(CreateCompatibleDC(screen.get()));
    if (!screen || !memory) {
        ThrowLastError("cannot open the screen");
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapDeleter> bitmap(
        CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) {
        ThrowLastError("CreateDIBSection");
    }
    const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
    const BOOL copied =
        BitBlt(memory.get(), 0, 0, image.width, image.height, screen.get(), rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory.get(), old);
    if (!copied) {
        ThrowLastError("BitBlt from the screen");
    }
    GdiFlush();
    const auto* source = static_cast<const uint32_t*>(bits);
    image.pixels.assign(source, source + static_cast<size_t>(image.width) * image.height);
    for (uint32_t& p : image.pixels) {
        p &= 0x00FFFFFFu;
    }
    return image;
}

void SavePng(const Image& image, const std::string& path) {
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(image.height) * (1 + 3 * static_cast<size_t>(image.width)));
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < image.width; ++x) {
            const uint32_t p = image.At(x, y);
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())) != Z_OK) {
        throw Error("cannot compress the PNG image data");
    }
    packed.resize(packedSize);

    std::vector<unsigned char> header;
    PutBigEndian32(header, static_cast<uint32_t>(image.width));
    PutBigEndian32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace

    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", {});

    std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!out || std::fwrite(file.data(), 1, file.size(), out.get()) != file.size()) {
        throw Error("cannot write " + path);
    }
}

std::string SaveScreenshot(const std::string& name) {
    try {
        const std::string build = HostPathToWine(GetEnv("KALVORIN_BUILD"));
        std::string folder = build.empty() ? std::string(".") : build;
        folder += "\\screenshots";
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string file = name;
        for (char& c : file) {
            if (std::string("\\/:*?\"<>|").find(c) != std::string::npos) {
                c = '_';
            }
        }
        const std::string path = folder + "\\" + file + ".png";
        SavePng(CaptureScreen(), path);
        return path;
    } catch (const Error&) {
        return {};
    }
}

}  // namespace e2e
