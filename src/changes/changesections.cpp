#include "changes/changesections.h"

#include <QHash>

QList<ChangeSection> sectionsOf(const ChangeReport &report)
{
    QList<ChangeSection> changed, noise, unchanged;
    QHash<QString, int> noiseAt;
    const QList<DiffLine> &lines = report.lines;
    auto counts = [](const DiffLine &l) { return l.kind != DiffLine::Kind::Same && l.noisePart.isEmpty(); };
    qsizetype i = 0;
    while (i < lines.size()) {
        const DiffLine &l = lines[i];
        if (l.kind == DiffLine::Kind::Same) {
            ChangeSection same;
            same.kind = ChangeSection::Kind::Unchanged;
            while (i < lines.size() && lines[i].kind == DiffLine::Kind::Same)
                same.lines.append(lines[i++]);
            same.heading = same.lines.size() == 1 ? QStringLiteral("Unchanged: 1 line")
                                                  : QStringLiteral("Unchanged: %1 lines").arg(same.lines.size());
            unchanged.append(same);
            continue;
        }
        // A run of changes: those that count make a section of their own; the noise among them goes
        // to its part.
        ChangeSection run;
        run.kind = ChangeSection::Kind::Changed;
        int at = -1;
        while (i < lines.size() && lines[i].kind != DiffLine::Kind::Same) {
            const DiffLine &c = lines[i++];
            if (counts(c)) {
                if (at < 0)
                    at = c.newIndex >= 0 ? c.newIndex : c.oldIndex;
                run.lines.append(c);
                continue;
            }
            auto found = noiseAt.find(c.noisePart);
            if (found == noiseAt.end()) {
                found = noiseAt.insert(c.noisePart, int(noise.size()));
                ChangeSection part;
                part.kind = ChangeSection::Kind::Noise;
                part.part = c.noisePart;
                part.heading = QStringLiteral("Not counted: %1").arg(c.noiseReason);
                noise.append(part);
            }
            noise[*found].lines.append(c);
        }
        if (!run.lines.isEmpty()) {
            run.heading = QStringLiteral("Changed at line %1").arg(at + 1);
            changed.append(run);
        }
    }
    return changed + noise + unchanged;
}

QString spokenLine(const DiffLine &line)
{
    switch (line.kind) {
    case DiffLine::Kind::Added:
        return QStringLiteral("added: ") + line.text;
    case DiffLine::Kind::Removed:
        return QStringLiteral("removed: ") + line.text;
    case DiffLine::Kind::Same:
        break;
    }
    return line.text;
}
