#include "ui/verdictmarks.h"

#include "check/checkresults.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

/// A closed shape through @p corners, in the 16 by 16 design of the marks.
QPainterPath polygon(std::initializer_list<QPointF> corners)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(corners)));
    path.closeSubpath();
    return path;
}

/// Fills @p shape in @p colour within the marks' outline.
void drawOutlined(QPainter &p, const QPainterPath &shape, const QColor &colour)
{
    p.setPen(QPen(QColor(32, 32, 32), 1.0));
    p.setBrush(colour);
    p.drawPath(shape);
}

QPixmap drawMark(Verdict verdict, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    const QPen outline(QColor(32, 32, 32), 1.0);
    switch (verdict) {
    case Verdict::Alive:
        p.setPen(outline);
        p.setBrush(QColor(30, 160, 60));
        p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
        break;
    case Verdict::Moved:
        drawOutlined(p, polygon({{1.5, 6}, {8, 6}, {8, 2.5}, {14.5, 8}, {8, 13.5}, {8, 10}, {1.5, 10}}), QColor(40, 100, 220));
        break;
    case Verdict::Dead:
        p.setPen(QPen(QColor(32, 32, 32), 5.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        p.setPen(QPen(QColor(215, 30, 30), 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case Verdict::Blocked:
        p.setPen(outline);
        p.setBrush(QColor(240, 140, 20));
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 7, 7, 2.5));
        break;
    case Verdict::Failing:
        drawOutlined(p, polygon({{8, 1.5}, {15, 14.5}, {1, 14.5}}), QColor(250, 200, 20));
        p.setPen(QPen(QColor(32, 32, 32), 1.8));
        p.drawLine(QPointF(8, 6), QPointF(8, 10));
        p.drawPoint(QPointF(8, 12.5));
        break;
    case Verdict::Skipped:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(130, 130, 130));
        p.drawRect(QRectF(3, 7, 10, 2.5));
        break;
    case Verdict::Parked:
        // A purple diamond with a white dot: no other mark is a diamond or purple.
        drawOutlined(p, polygon({{8, 1}, {15, 8}, {8, 15}, {1, 8}}), QColor(140, 60, 180));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(6, 6, 4, 4));
        break;
    }
    return pixmap;
}

} // namespace

VerdictMarks::VerdictMarks(const CheckResults &results, QObject *parent)
    : EntryMarks(parent)
    , m_results(results)
{
    connect(&results, &CheckResults::changed, this, &EntryMarks::marksChanged);
}

QIcon VerdictMarks::icon(Verdict verdict)
{
    static const std::array<QIcon, verdictCount> icons = [] {
        std::array<QIcon, verdictCount> made;
        for (int v = 0; v < verdictCount; ++v) {
            made[std::size_t(v)].addPixmap(drawMark(Verdict(v), 16));
            made[std::size_t(v)].addPixmap(drawMark(Verdict(v), 32));
        }
        return made;
    }();
    return icons[std::size_t(verdict)];
}

QString VerdictMarks::changedText(int lines)
{
    return lines == 1 ? QStringLiteral("changed: 1 line") : QStringLiteral("changed: %1 lines").arg(lines);
}

void VerdictMarks::setChangedLines(const QString &entry, int lines)
{
    if (lines == m_changed.value(entry))
        return;
    const qsizetype before = m_changed.size();
    if (lines > 0)
        m_changed.insert(entry, lines);
    else
        m_changed.remove(entry);
    emit marksChanged();
    if (m_changed.size() != before)
        emit changedCountChanged(int(m_changed.size()));
}

QVariant VerdictMarks::markData(const QString &entry, int role) const
{
    const int changed = m_changed.value(entry);
    if (role == ChangedLinesRole)
        return changed;
    const QVariant verdict = verdictData(entry, role);
    if (changed == 0 || (role != Qt::DecorationRole && role != Qt::ToolTipRole && role != Qt::AccessibleDescriptionRole))
        return verdict;
    if (role == Qt::DecorationRole) {
        // The verdict's mark (or none) with a badge at its lower right: a dark disc holding a white
        // dot, a shape no verdict has, so that a change shows without colour too.
        const QIcon base = verdict.value<QIcon>();
        QIcon marked;
        for (const int size : {16, 32}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            const bool verdictShown = m_results.resultFor(entry).has_value();
            if (verdictShown)
                p.drawPixmap(0, 0, base.pixmap(size, size));
            p.scale(size / 16.0, size / 16.0);
            // Alone, the badge takes the whole mark; beside a verdict, its lower right corner.
            const QRectF disc = verdictShown ? QRectF(8, 8, 7.5, 7.5) : QRectF(2, 2, 12, 12);
            p.setPen(QPen(Qt::white, 1.2));
            p.setBrush(QColor(20, 60, 120));
            p.drawEllipse(disc);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            const qreal dot = disc.width() / 3.5;
            p.drawEllipse(QRectF(disc.center() - QPointF(dot / 2, dot / 2), QSizeF(dot, dot)));
            p.end();
            marked.addPixmap(pixmap);
        }
        return marked;
    }
    const QString words = verdict.toString();
    return (words.isEmpty() ? QString() : words + QLatin1Char('\n')) + changedText(changed);
}

QVariant VerdictMarks::verdictData(const QString &entry, int role) const
{
    if (role != Qt::DecorationRole && role != Qt::ToolTipRole && role != Qt::AccessibleDescriptionRole && role != VerdictRole)
        return {};
    const auto result = m_results.resultFor(entry);
    const QString title = m_titles.value(entry);
    if (!result && !title.isEmpty() && (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole))
        return title;
    if (!result) {
        // Once there are marks, an entry without one keeps its text in line with the others.
        if (role == Qt::DecorationRole && (m_results.size() > 0 || !m_changed.isEmpty())) {
            static const QIcon blank = [] {
                QPixmap pixmap(16, 16);
                pixmap.fill(Qt::transparent);
                return QIcon(pixmap);
            }();
            return blank;
        }
        return {};
    }
    switch (role) {
    case Qt::DecorationRole:
        return icon(result->verdict);
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        // The reason is read out too: a keyboard or screen-reader user gets no tool tip.
        return (title.isEmpty() ? QString() : title + QLatin1Char('\n'))
            + QStringLiteral("%1: %2").arg(verdictWord(result->verdict), result->reason) + m_results.moreAbout(entry);
    default:
        return verdictWord(result->verdict);
    }
}

void VerdictMarks::setTitles(QHash<QString, QString> titles)
{
    if (titles == m_titles)
        return;
    m_titles = std::move(titles);
    emit marksChanged();
}
