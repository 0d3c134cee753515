// Icons: loading the group icon resource, drawing with the mask transparent, destroying, and
// handing the pictures to the hosts.
#include "win32/IconImage.h"
#include "win32/gdiobj.h"
#include "win32/iconobj.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <unordered_map>

namespace {

struct DvIcon {
    std::vector<CIconImage> images;
    bool shared = false; // loaded from a resource: one handle per resource, never destroyed
};

class IconRegistry {
public:
    HICON Add(std::unique_ptr<DvIcon> icon) {
        // Handle values far from the GDI objects', so that one is not taken for the other.
        m_next += 4;
        m_icons.emplace(m_next, std::move(icon));
        return reinterpret_cast<HICON>(m_next);
    }
    DvIcon* Find(HICON icon) const {
        const auto it = m_icons.find(reinterpret_cast<std::uintptr_t>(icon));
        return it == m_icons.end() ? nullptr : it->second.get();
    }
    void Remove(HICON icon) { m_icons.erase(reinterpret_cast<std::uintptr_t>(icon)); }

    // Shared icons by module and resource name (integer identifiers only).
    std::map<std::pair<std::uintptr_t, std::uintptr_t>, HICON> shared;

private:
    std::unordered_map<std::uintptr_t, std::unique_ptr<DvIcon>> m_icons;
    std::uintptr_t m_next = 0x40000000;
};

// Static objects may still hold icons at exit, so the registry is never destroyed.
IconRegistry& Icons() {
    alignas(IconRegistry) static unsigned char storage[sizeof(IconRegistry)];
    static IconRegistry* registry = new (storage) IconRegistry();
    return *registry;
}

// The picture that best serves cx x cy: that size with the most colours, else the smallest
// larger one, else the largest.
const CIconImage* Choose(const DvIcon& icon, int cx, int cy) {
    const CIconImage* best = nullptr;
    auto score = [cx, cy](const CIconImage& image) {
        const bool exact = image.Width() == cx && image.Height() == cy;
        const bool larger = image.Width() >= cx && image.Height() >= cy;
        // Exact first, then larger pictures smallest first, then smaller ones largest first.
        const long long area = static_cast<long long>(image.Width()) * image.Height();
        return exact    ? std::make_pair(0LL, -static_cast<long long>(image.BitCount()))
               : larger ? std::make_pair(1LL, area)
                        : std::make_pair(2LL, -area);
    };
    for (const CIconImage& image : icon.images) {
        if (!best || score(image) < score(*best)) {
            best = &image;
        }
    }
    return best;
}

DWORD Blend(DWORD under, DWORD over, DWORD alpha) {
    DWORD out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const DWORD a = (over >> shift) & 0xFF;
        const DWORD b = (under >> shift) & 0xFF;
        out |= ((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
    }
    return out;
}

} // namespace

HICON DvCreateIconFromFile(const BYTE* data, std::size_t size) {
    auto icon = std::make_unique<DvIcon>();
    icon->images = CIconImage::ParseFile(data, size);
    if (icon->images.empty()) {
        return nullptr;
    }
    return Icons().Add(std::move(icon));
}

bool DvIconPixels(HICON handle, int cx, int cy, std::vector<DWORD>* pixels) {
    const DvIcon* icon = Icons().Find(handle);
    if (!icon || !pixels || cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) {
        return false;
    }
    const CIconImage* image = Choose(*icon, cx, cy);
    if (!image) {
        return false;
    }
    pixels->assign(static_cast<std::size_t>(cx) * cy, 0);
    for (int y = 0; y < cy; ++y) {
        const int sy = static_cast<int>(static_cast<long long>(y) * image->Height() / cy);
        for (int x = 0; x < cx; ++x) {
            const int sx = static_cast<int>(static_cast<long long>(x) * image->Width() / cx);
            (*pixels)[static_cast<std::size_t>(y) * cx + x] = image->Pixel(sx, sy);
        }
    }
    return true;
}

HICON LoadIcon(HINSTANCE instance, LPCSTR name) {
    if (!name) {
        return nullptr;
    }
    IconRegistry& icons = Icons();
    const auto key = std::make_pair(reinterpret_cast<std::uintptr_t>(instance),
                                    reinterpret_cast<std::uintptr_t>(name));
    if (IS_INTRESOURCE(name)) {
        const auto found = icons.shared.find(key);
        if (found != icons.shared.end()) {
            return found->second;
        }
    }
    const HMODULE module = reinterpret_cast<HMODULE>(instance);
    HRSRC info = FindResource(module, name, RT_GROUP_ICON);
    if (!info) {
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(module, info);
    const auto* bytes = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    if (!bytes) {
        return nullptr;
    }
    auto icon = std::make_unique<DvIcon>();
    icon->images = CIconImage::ParseFile(bytes, SizeofResource(module, info));
    if (icon->images.empty()) {
        return nullptr;
    }
    icon->shared = true;
    const HICON handle = icons.Add(std::move(icon));
    if (IS_INTRESOURCE(name)) {
        icons.shared.emplace(key, handle);
    }
    return handle;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON handle) {
    const DvIcon* icon = Icons().Find(handle);
    const DvDC* dc = DvLookupDC(hdc);
    if (!icon || !dc) {
        return FALSE;
    }
    const CIconImage* image = Choose(*icon, kDvIconSize, kDvIconSize);
    DvTarget target;
    if (!image || !DvGetTarget(hdc, &target)) {
        return TRUE; // nothing to draw on
    }
    std::vector<DWORD> pixels;
    DvIconPixels(handle, kDvIconSize, kDvIconSize, &pixels);
    const DvBitmap* surface = target.surface;
    const RECT& clip = target.clip;
    // Surface position of the icon's top-left, computed wide so that far-off icons clip.
    const long long left = static_cast<long long>(x) + target.origin.x;
    const long long top = static_cast<long long>(y) + target.origin.y;
    std::unordered_map<DWORD, DWORD> nearest; // colour to stored value, for 8-bit surfaces
    for (int iy = 0; iy < kDvIconSize; ++iy) {
        const long long sy = top + iy;
        if (sy < clip.top || sy >= clip.bottom) {
            continue;
        }
        for (int ix = 0; ix < kDvIconSize; ++ix) {
            const long long sx = left + ix;
            const DWORD argb = pixels[static_cast<std::size_t>(iy) * kDvIconSize + ix];
            const DWORD alpha = argb >> 24;
            if (sx < clip.left || sx >= clip.right || alpha == 0) {
                continue;
            }
            const int px = static_cast<int>(sx);
            const int py = static_cast<int>(sy);
            const DWORD rgb = argb & 0xFFFFFF;
            if (surface->bitCount == 32) {
                DWORD* row = reinterpret_cast<DWORD*>(surface->Row(py));
                row[px] = alpha == 0xFF ? rgb : Blend(row[px] & 0xFFFFFF, rgb, alpha);
            } else if (alpha >= 0x80) {
                auto found = nearest.find(rgb);
                if (found == nearest.end()) {
                    const COLORREF colour = RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
                    found = nearest.emplace(rgb, DvPixelValue(surface, colour)).first;
                }
                DvPutPixel(surface, px, py, found->second);
            }
        }
    }
    return TRUE;
}

BOOL DestroyIcon(HICON handle) {
    IconRegistry& icons = Icons();
    const DvIcon* icon = icons.Find(handle);
    if (!icon) {
        return FALSE;
    }
    // A shared icon lives as long as its module; destroying it is allowed and does nothing.
    if (!icon->shared) {
        icons.Remove(handle);
    }
    return TRUE;
}
