#include "browser/zoommemory.h"

#include "store/listpaths.h"
#include "store/smallfile.h"

#include <QSaveFile>

#include <cmath>

const QList<double> &ZoomMemory::levels()
{
    static const QList<double> all{0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25,
                                   1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0};
    return all;
}

double ZoomMemory::stepped(double factor, int steps)
{
    const QList<double> &all = levels();
    // The nearest level at or past the present zoom, then the steps from there.
    qsizetype at = 0;
    if (steps > 0) {
        at = all.size() - 1;
        for (qsizetype i = 0; i < all.size(); ++i)
            if (all[i] > factor + 0.001) {
                at = i - 1 + steps;
                break;
            }
    } else {
        at = 0;
        for (qsizetype i = all.size() - 1; i >= 0; --i)
            if (all[i] < factor - 0.001) {
                at = i + 1 + steps;
                break;
            }
    }
    return all[qBound<qsizetype>(0, at, all.size() - 1)];
}

QString ZoomMemory::filePath()
{
    return ListPaths::dataFolder() + QStringLiteral("/zoom.conf");
}

ZoomMemory ZoomMemory::load(const QString &path, QString *problem)
{
    const SmallFile file = readSmallFile(path, maxFileBytes);
    if (!file.problem.isEmpty() && problem)
        *problem = file.problem;
    // A missing file is one never written yet: the defaults, nothing to say.
    return file.problem.isEmpty() ? parse(file.bytes) : ZoomMemory();
}

ZoomMemory ZoomMemory::parse(const QByteArray &text)
{
    ZoomMemory memory;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QList<QByteArray> fields = rawLine.simplified().split(' ');
        if (fields.size() != 2 || fields[0].startsWith('#'))
            continue;
        bool ok = false;
        const double factor = fields[1].toDouble(&ok);
        if (!ok || !std::isfinite(factor) || factor < 0.25 || factor > 5.0)
            continue;
        memory.setZoom(QString::fromUtf8(fields[0]), factor);
    }
    return memory;
}

QByteArray ZoomMemory::serialize() const
{
    QByteArray text;
    for (const auto &[host, factor] : m_zooms)
        text += host.toUtf8() + ' ' + QByteArray::number(factor) + '\n';
    return text;
}

bool ZoomMemory::save(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(serialize());
    return file.commit();
}

double ZoomMemory::zoomFor(const QString &host) const
{
    const QString key = host.toLower();
    for (const auto &[h, factor] : m_zooms)
        if (h == key)
            return factor;
    return 1.0;
}

void ZoomMemory::setZoom(const QString &host, double factor)
{
    const QString key = host.toLower();
    // A host is one word of letters, digits, dots, dashes, colons (IPv6) and brackets: nothing that
    // would break the file's lines.
    if (key.isEmpty() || key.size() > 253 || key.contains(QLatin1Char(' ')) || key.contains(QLatin1Char('\n'))
        || key.contains(QLatin1Char('\r')) || key.contains(QLatin1Char('\t')) || key.startsWith(QLatin1Char('#')))
        return;
    m_zooms.removeIf([&key](const QPair<QString, double> &z) { return z.first == key; });
    if (std::abs(factor - 1.0) < 0.001)
        return;
    m_zooms.append({key, qBound(0.25, factor, 5.0)});
    while (m_zooms.size() > maxHosts)
        m_zooms.removeFirst();
}
