// Which tiles of the gallery fall together: pages that look alike, or that are the same page.
// Pure functions, no widgets.
#pragma once

#include "check/verdict.h"
#include "gallery/picturehash.h"

#include <QList>
#include <QString>

#include <optional>

/// What a page is to the grouping: only pages of a kind that stands in for no site of its own
/// (parked, a server's default page, a sign-in wall, "not found", an error) may be grouped by their
/// picture alone; live sites are grouped only when they are the same page.
enum class PageKind { Unknown, Live, Parked, Placeholder, SignIn, NotFound, Dead };

/// The kind the check's result says, from its verdict and reason (nothing known: Unknown).
PageKind pageKindOf(const std::optional<CheckResult> &result);

/// What the grouping knows of one tile's page.
struct GroupingFacts {
    PageKind kind = PageKind::Unknown;
    /// Lower case; empty when unknown.
    QString finalHost;
    /// pageFingerprint() of the page; 0 when none was read.
    quint64 fingerprint = 0;
    QString title;
    /// The check's reason (which error a dead entry without a page showed).
    QString reason;
    /// For a parked page, the sale service when the check knew it ("Sedo").
    QString service;
    PictureHash picture;
    /// The picture shows the page as the check found it (taken by Take Pictures), not an older good
    /// copy: only such pictures group pages by their kind.
    bool pictureIsCurrent = false;
};

/// Pictures this close or closer (of pictureHashBits) look alike. Measured on the engine-rendered answer
/// set (tst_webengine_gallerygrouping): the same page, or one service's parking page for two domains,
/// up to 16 bits apart; two different stand-in pages of one kind (two sale services) 23 or more.
/// Live sites of one design can be 0 bits apart, which is why pictures never join live sites alone.
inline constexpr int alikePictureDistance = 18;

/// The facts of a page with @p result (which gives the kind, final host, fingerprint, title) and @p picture.
GroupingFacts groupingFacts(const QString &entry, const std::optional<CheckResult> &result, const PictureHash &picture,
                            bool pictureIsCurrent);

/// Whether @p a and @p b belong under one tile:
/// - the same page: on the same final host with alike fingerprints;
/// - alike pages of one kind that is no live site (parked at the same service, a default page, a
///   sign-in wall, "not found"): alike pictures taken as the page is now, or alike fingerprints;
/// - dead entries that showed no page for the same reason (the same error);
/// - a live page under two addresses: alike fingerprints and alike pictures, or alike fingerprints
///   and the same title.
/// Pictures alone never join two live sites: two sites of one theme look alike.
bool pagesAlike(const GroupingFacts &a, const GroupingFacts &b);

/// The groups of @p facts by pagesAlike (and what follows from it: a like b, b like c), each a list of
/// positions in order, the groups in the order of their first member; every position is in one group.
QList<QList<int>> groupAlike(const QList<GroupingFacts> &facts);
