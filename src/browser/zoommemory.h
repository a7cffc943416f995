// The zoom chosen for each host, kept in a small file in the data folder.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

class ZoomMemory {
public:
    /// The largest file read; a few hundred hosts take a few kilobytes, anything bigger is not one of ours.
    static constexpr qint64 maxFileBytes = 64 * 1024;
    /// The most hosts kept; the one chosen longest ago goes first.
    static constexpr int maxHosts = 1000;
    /// The zoom levels Ctrl+plus and Ctrl+minus step through, as in other browsers.
    static const QList<double> &levels();
    /// The level after (@p steps above 0) or before @p factor.
    static double stepped(double factor, int steps);

    /// $XDG_DATA_HOME/quokka/zoom.conf.
    static QString filePath();
    /// Reads @p path: a missing file is an empty memory; one that is not a regular file (through
    /// links), too big or unreadable is left as it is and an empty memory is used, @p problem says why.
    static ZoomMemory load(const QString &path, QString *problem = nullptr);
    /// Lines of "host zoom", the zoom a number from 0.25 to 5; anything else is passed over.
    static ZoomMemory parse(const QByteArray &text);
    QByteArray serialize() const;
    /// Writes the memory to @p path whole or not at all; false when it could not.
    bool save(const QString &path) const;

    /// The zoom for @p host, 1.0 when none was chosen.
    double zoomFor(const QString &host) const;
    /// Remembers @p factor for @p host; 1.0 forgets the host. An empty host (a file) is not kept.
    void setZoom(const QString &host, double factor);
    int size() const { return int(m_zooms.size()); }

private:
    QList<QPair<QString, double>> m_zooms; ///< oldest choice first
};
