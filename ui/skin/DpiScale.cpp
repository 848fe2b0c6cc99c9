// DpiScale: rounding of scaled lengths and the choice among the art's drawn resolutions.
#include "DpiScale.h"

const int DpiScale::kArtDpis[] = {96, 192};
const int DpiScale::kArtDpiCount = sizeof kArtDpis / sizeof kArtDpis[0];

int DpiScale::Px(int n) const
{
    // 64-bit products: a 96-DPI coordinate of the whole virtual screen times any DPI still fits.
    const long long scaled = static_cast<long long>(n < 0 ? -n : n) * m_nDpi;
    const int rounded = static_cast<int>((scaled + kBaseDpi / 2) / kBaseDpi);
    return n < 0 ? -rounded : rounded;
}

int DpiScale::ArtDpi() const
{
    for (int i = 0; i < kArtDpiCount; ++i)
        if (kArtDpis[i] >= m_nDpi) return kArtDpis[i];
    return kArtDpis[kArtDpiCount - 1];
}
