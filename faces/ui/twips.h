// The window's design lengths are in twips; 15 twips make one
// device-independent pixel.
#pragma once

#include <QRect>

namespace talvex {

constexpr int kTwipsPerPixel = 15;

constexpr int Twips(int twips) {
    return twips / kTwipsPerPixel;
}

constexpr QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

} // namespace talvex
