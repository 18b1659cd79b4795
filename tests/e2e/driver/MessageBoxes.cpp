#include "MessageBoxes.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

#include "Error.h"
#include "Screen.h"
#include "Stall.h"

namespace e2e {

namespace {

constexpr int kTextId = 0xFFFF;  // the message text of every box
constexpr int kIconId = 0x0440;  // the icon control of the system's message box template
constexpr UINT kSendTimeoutMs = 5000;

// Mean difference per colour channel (0..255) above which an icon area is not
// taken for a drawn system icon, and the margin by which the best match must
// beat the second best. Under Wine the same icon drawn by two processes on the
// same background gives identical pixels (distance 0); the closest pair of
// different icons, question and information, lies about 5 apart.
constexpr double kMaxMatchDistance = 2.0;
constexpr double kMinMatchMargin = 2.0;

bool IsTextStatic(const Window& control) {
    if (control.ClassName() != "Static") {
        return false;
    }
    const LONG type = control.Style() & SS_TYPEMASK;
    return type != SS_ICON && type != SS_BITMAP && type != SS_ENHMETAFILE;
}

bool LooksLikeMessageBox(const Window& window) {
    const auto text = window.FindChild(kTextId);
    return text && GetParent(text->Handle()) == window.Handle() && IsTextStatic(*text);
}

uint32_t FromColorRef(COLORREF c) {
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// The system icon `id` drawn by this process at the given size on a plain
// background, as the static control of a box draws it.
Image DrawSystemIcon(WORD id, int width, int height, uint32_t background) {
    Image image;
    image.width = width;
    image.height = height;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        ThrowLastError("CreateDIBSection for an icon");
    }
    const HGDIOBJ old = SelectObject(memory, bitmap);
    auto* pixels = static_cast<uint32_t*>(bits);
    std::fill(pixels, pixels + static_cast<size_t>(width) * height, background);
    DrawIconEx(memory, 0, 0, LoadIconW(nullptr, MAKEINTRESOURCEW(id)), width, height, 0, nullptr, DI_NORMAL);
    GdiFlush();
    image.pixels.assign(pixels, pixels + static_cast<size_t>(width) * height);
    for (uint32_t& p : image.pixels) {
        p &= 0x00FFFFFFu;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

double Distance(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            sum += std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFF) -
                            static_cast<int>((b.pixels[i] >> shift) & 0xFF));
        }
    }
    return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

// The most frequent colour of the image: the background around the icon.
uint32_t DominantColour(const Image& image) {
    std::map<uint32_t, int> count;
    for (uint32_t p : image.pixels) {
        ++count[p];
    }
    return std::max_element(count.begin(), count.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

}  // namespace

const char* ToString(IconKind kind) {
    switch (kind) {
    case IconKind::None:
        return "none";
    case IconKind::Stop:
        return "stop";
    case IconKind::Exclamation:
        return "exclamation";
    case IconKind::Question:
        return "question";
    case IconKind::Information:
        return "information";
    case IconKind::Unknown:
        return "unknown";
    }
    return "?";
}

IconKind ReadMessageBoxIcon(const Window& box) {
    const HWND control = GetDlgItem(box.Handle(), kIconId);
    if (control == nullptr || !IsWindowVisible(control)) {
        return IconKind::None;
    }
    DWORD_PTR icon = 0;
    if (!SendMessageTimeoutW(control, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &icon)) {
        return IconKind::Unknown;
    }
    if (icon == 0) {
        return IconKind::None;  // the box was given no icon
    }
    RECT area{};
    GetClientRect(control, &area);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&area), 2);
    const Image shown = CaptureScreen(area);
    // The background: the box's own face colour just left of the icon.
    RECT besideRect{area.left - 4, area.top, area.left - 1, area.bottom};
    uint32_t background = DominantColour(CaptureScreen(besideRect));
    if (background == 0) {
        background = FromColorRef(GetSysColor(COLOR_3DFACE));
    }

    // The system icon ids (IDI_HAND, IDI_EXCLAMATION, IDI_QUESTION, IDI_ASTERISK).
    static const std::array<std::pair<IconKind, WORD>, 4> kinds{{
        {IconKind::Stop, 32513},
        {IconKind::Exclamation, 32515},
        {IconKind::Question, 32514},
        {IconKind::Information, 32516},
    }};
    IconKind best = IconKind::Unknown;
    double bestDistance = 1e9;
    double secondDistance = 1e9;
    for (const auto& [kind, id] : kinds) {
        const double d = Distance(shown, DrawSystemIcon(id, shown.width, shown.height, background));
        if (d < bestDistance) {
            secondDistance = bestDistance;
            bestDistance = d;
            best = kind;
        } else if (d < secondDistance) {
            secondDistance = d;
        }
    }
    if (bestDistance > kMaxMatchDistance || secondDistance - bestDistance < kMinMatchMargin) {
        return IconKind::Unknown;  // not (yet) painted, covered, or an icon of its own
    }
    return best;
}

std::optional<MessageBoxInfo> FindMessageBox(DWORD processId) {
    for (const Window& window : FindTopLevelWindows(processId, "#32770")) {
        if (!LooksLikeMessageBox(window)) {
            continue;
        }
        MessageBoxInfo box;
        box.window = window;
        try {
            box.caption = window.Text();
            box.text = window.Child(kTextId).Text();
            std::vector<std::pair<LONG, int>> buttons;
            for (const Window& child : window.Children()) {
                const int id = child.Id();
                if (child.ClassName() == "Button" && child.Visible() && id >= IDOK && id <= IDCONTINUE) {
                    buttons.emplace_back(child.ScreenRect().left, id);
                    if ((child.Style() & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                        box.defaultButton = id;
                    }
                }
            }
            std::sort(buttons.begin(), buttons.end());
            for (const auto& [left, id] : buttons) {
                box.buttons.push_back(id);
            }
            box.owner = window.Owner();
            box.icon = ReadMessageBoxIcon(window);
        } catch (const Error&) {
            continue;  // closed while being read
        }
        return box;
    }
    return std::nullopt;
}

MessageBoxInfo WaitForMessageBox(const Process& process, DWORD timeoutMs) {
    std::optional<MessageBoxInfo> last;
    bool ended = false;
    int agreeing = 0;  // consecutive reads that told the same icon
    Poll(timeoutMs, [&]() -> std::optional<bool> {
        std::optional<MessageBoxInfo> now = FindMessageBox(process.Id());
        if (now && last && now->window.Handle() == last->window.Handle() && now->icon == last->icon) {
            ++agreeing;
        } else {
            agreeing = 0;
        }
        last = now;
        // A box just shown may still show what lay beneath it: trust the
        // icon once three reads in a row agree.
        if (last && last->icon != IconKind::Unknown && agreeing >= 2) {
            return true;
        }
        if (!last && !process.Running()) {
            ended = true;
            return true;
        }
        return std::nullopt;
    });
    if (ended) {
        throw Error("the process ended (exit code " + std::to_string(*process.TryWaitForExit(0)) +
                    ") without showing a message box");
    }
    if (!last) {
        ThrowStalled("timed out after " + std::to_string(timeoutMs) + " ms waiting for a message box");
    }
    return *last;  // the icon may still be Unknown: the test's check on it fails with a clear value
}

void AnswerMessageBox(const MessageBoxInfo& box, int buttonId, DWORD timeoutMs) {
    if (std::find(box.buttons.begin(), box.buttons.end(), buttonId) == box.buttons.end()) {
        throw Error("the message box \"" + box.text + "\" has no button " + std::to_string(buttonId));
    }
    box.window.Click(buttonId);
    box.window.WaitUntilGone(timeoutMs);
}

}  // namespace e2e
