// A program the import check must refuse: it takes zlib from zlib1.dll,
// imports version.dll (no known DLL from Windows Vista on) and calls
// GetTickCount64, which Windows XP does not have.
#include <windows.h>
#include <zlib.h>

int main() {
    return static_cast<int>(adler32(0, nullptr, 0) + ::GetTickCount64() + ::GetFileVersionInfoSizeA("x", nullptr));
}
