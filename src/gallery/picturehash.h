// A perceptual hash of a page's thumbnail: pictures that look alike get hashes a few bits apart.
#pragma once

#include <QtGlobal>

class QImage;

/// Two difference hashes (dHash) of the picture shrunk to a small grey image: one of the steps from
/// left to right, one of the steps from top to bottom, 64 bits each. A page's layout (a heading, a
/// box in the middle, a bar across the top) sets the bits; colours, text and small changes move few.
struct PictureHash {
    quint64 across = 0;
    quint64 down = 0;
    /// False for no picture, and for a picture with no layout to tell (a blank or one-colour page):
    /// such pictures say nothing of whether two pages are alike.
    bool valid = false;

    friend bool operator==(const PictureHash &, const PictureHash &) = default;
};

/// Bits in all.
inline constexpr int pictureHashBits = 128;

/// The hash of @p picture; not valid for a null picture or one without steps to tell.
PictureHash pictureHash(const QImage &picture);

/// How many of the 128 bits differ; pictureHashBits when either is not valid.
int pictureDistance(const PictureHash &a, const PictureHash &b);
