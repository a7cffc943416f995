#include "gallery/picturehash.h"

#include <QImage>

#include <bit>

// Debian 12 has no maintained perceptual-hash library for C or C++ (pHash was removed; OpenCV's
// img_hash is in the heavy contrib package), so the hash is our own: a dHash needs no transform and
// keeps apart every different stand-in page of the engine-rendered answer set
// (tst_webengine_gallerygrouping: the same page up to 16 bits apart, different ones 23 or more).
// The vertical half is there because web pages are mostly horizontal bands: the left-to-right half
// alone tells a centred heading from a left-aligned one, but not a tall banner from a short one.

namespace {

/// Steps smaller than this (of 255) are noise (anti-aliasing, a faint background pattern), not layout.
constexpr int smallestStep = 2;

} // namespace

PictureHash pictureHash(const QImage &picture)
{
    PictureHash hash;
    if (picture.isNull() || picture.width() < 2 || picture.height() < 2)
        return hash;
    // Smooth scaling averages each cell, so the small image is the picture's layout, not a sample of
    // a few pixels.
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8)
                            .scaled(9, 9, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int steps = 0;
    for (int y = 0; y < 8; ++y) {
        const uchar *row = grey.constScanLine(y);
        const uchar *below = grey.constScanLine(y + 1);
        for (int x = 0; x < 8; ++x) {
            const int bit = y * 8 + x;
            const int acrossStep = int(row[x + 1]) - int(row[x]);
            const int downStep = int(below[x]) - int(row[x]);
            if (acrossStep > 0)
                hash.across |= quint64(1) << bit;
            if (downStep > 0)
                hash.down |= quint64(1) << bit;
            if (qAbs(acrossStep) >= smallestStep || qAbs(downStep) >= smallestStep)
                ++steps;
        }
    }
    hash.valid = steps > 0;
    return hash;
}

int pictureDistance(const PictureHash &a, const PictureHash &b)
{
    if (!a.valid || !b.valid)
        return pictureHashBits;
    return std::popcount(a.across ^ b.across) + std::popcount(a.down ^ b.down);
}
