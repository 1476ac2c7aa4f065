// Device and logical pixels on a scaled screen.
#include "platform/face/scaling.h"

#include <cmath>

namespace platform_detail {

namespace {

// A ratio the toolkit could never give (0, negative, not a number) counts as 1.
double Sane(double ratio)
{
    return std::isfinite(ratio) && ratio > 0.0 ? ratio : 1.0;
}

int Floor(double v)
{
    return static_cast<int>(std::floor(v));
}

int Ceil(double v)
{
    return static_cast<int>(std::ceil(v));
}

int Round(double v)
{
    return static_cast<int>(std::lround(v));
}

// Ratios such as 1.5 and 1.25 are exact in binary, but 1.1 or 1.15 are not: a product or
// quotient that lands a hair off a whole number is that whole number.
constexpr double kSlack = 1e-6;

}  // namespace

RECT CoverInDevice(const RECT& logical, double ratio)
{
    const double r = Sane(ratio);
    return {Floor(logical.left * r + kSlack), Floor(logical.top * r + kSlack), Ceil(logical.right * r - kSlack),
            Ceil(logical.bottom * r - kSlack)};
}

RECT CoverInLogical(const RECT& device, double ratio)
{
    const double r = Sane(ratio);
    return {Floor(device.left / r + kSlack), Floor(device.top / r + kSlack), Ceil(device.right / r - kSlack),
            Ceil(device.bottom / r - kSlack)};
}

RECT PlaceInLogical(const RECT& device, double ratio)
{
    const double r = Sane(ratio);
    return {Round(device.left / r), Round(device.top / r), Round(device.right / r), Round(device.bottom / r)};
}

RECT PlaceInDevice(const RECT& logical, double ratio)
{
    const double r = Sane(ratio);
    return {Round(logical.left * r), Round(logical.top * r), Round(logical.right * r), Round(logical.bottom * r)};
}

}  // namespace platform_detail
