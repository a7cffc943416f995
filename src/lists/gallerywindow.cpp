#include "lists/gallerywindow.h"

#include "app/windows.h"
#include "check/checkmemory.h"
#include "check/checkresults.h"
#include "copies/copyarchive.h"
#include "gallery/galleryexport.h"
#include "gallery/gallerymodel.h"
#include "gallery/galleryphotographer.h"
#include "gallery/gallerypictures.h"
#include "lists/importwindow.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/twips.h"
#include "ui/verdictmarks.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QLocale>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int pictureHeight = 150;
constexpr int tilePadding = 6;

/// A tile: the picture (or a grey box saying there is none yet), the title, the verdict's mark and
/// word with the picture's date, and for a group how many pages it holds.
class TileDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        const int line = option.fontMetrics.height();
        return {GalleryPictures::pictureWidth + 2 * tilePadding, pictureHeight + 3 * line + 3 * tilePadding};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        const QRect box = option.rect.adjusted(2, 2, -2, -2);
        const bool chosen = option.state & QStyle::State_Selected;
        if (chosen)
            painter->fillRect(box, option.palette.highlight());
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(option.palette.highlight().color().darker(140), 2));
            painter->drawRect(box.adjusted(1, 1, -1, -1));
        }
        const QRect pictureBox(box.left() + tilePadding - 2, box.top() + tilePadding - 2, GalleryPictures::pictureWidth, pictureHeight);
        const QImage picture = qvariant_cast<QImage>(index.data(Qt::DecorationRole));
        if (picture.isNull()) {
            painter->fillRect(pictureBox, QColor(232, 232, 232));
            painter->setPen(QColor(110, 110, 110));
            painter->drawText(pictureBox, Qt::AlignCenter, QStringLiteral("No picture yet"));
        } else {
            // The top of the page, as much as fits: that is where pages differ.
            painter->drawImage(pictureBox.topLeft(), picture, QRect(0, 0, pictureBox.width(), pictureBox.height()));
            painter->setPen(QColor(200, 200, 200));
            painter->drawRect(pictureBox.adjusted(0, 0, -1, -1));
        }
        const int count = index.data(GalleryModel::CountRole).toInt();
        const QPalette::ColorRole textRole = chosen ? QPalette::HighlightedText : QPalette::Text;
        const int line = option.fontMetrics.height();
        int y = pictureBox.bottom() + tilePadding;
        QFont bold = option.font;
        bold.setBold(true);
        painter->setFont(bold);
        painter->setPen(option.palette.color(textRole));
        const QString title = QFontMetrics(bold).elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, pictureBox.width());
        painter->drawText(QRect(pictureBox.left(), y, pictureBox.width(), line), Qt::AlignLeft | Qt::AlignVCenter, title);
        y += line;
        painter->setFont(option.font);
        int x = pictureBox.left();
        const QVariant verdict = index.data(GalleryModel::VerdictRole);
        QString second = index.data(GalleryModel::DateTextRole).toString();
        if (verdict.isValid()) {
            VerdictMarks::icon(Verdict(verdict.toInt())).paint(painter, QRect(x, y + (line - 16) / 2, 16, 16));
            x += 20;
            second = index.data(GalleryModel::VerdictWordRole).toString() + QStringLiteral(" · ") + second;
        }
        painter->drawText(QRect(x, y, pictureBox.right() - x, line), Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(second, Qt::ElideRight, pictureBox.right() - x));
        y += line;
        if (count > 1) {
            painter->setFont(bold);
            painter->drawText(QRect(pictureBox.left(), y, pictureBox.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                              GalleryModel::groupText(count));
            // A stack's edge behind the picture: a group looks like more than one page.
            painter->setPen(QPen(QColor(90, 90, 90), 2));
            painter->drawLine(pictureBox.topRight() + QPoint(3, 3), pictureBox.bottomRight() + QPoint(3, 3));
            painter->drawLine(pictureBox.bottomLeft() + QPoint(3, 3), pictureBox.bottomRight() + QPoint(3, 3));
        }
        painter->restore();
    }
};

QString entriesText(int count)
{
    return count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(QLocale(QLocale::English).toString(count));
}

} // namespace

GalleryWindow::GalleryWindow(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
    , m_pictures(new GalleryPictures(CopyArchive::defaultFolder(), windows.checkMemory().memory().path(),
                                     GalleryPictures::defaultTakenFolder(), this))
    , m_model(new GalleryModel(windows.checkResults(), *m_pictures, this))
{
    setObjectName(QStringLiteral("GalleryWindow"));
    setWindowTitle(QStringLiteral("Gallery"));
    setFixedSize(twipsSize(13800, 9600));

    m_groupBox = new QCheckBox(QStringLiteral("&Group alike pages"), this);
    m_groupBox->setObjectName(QStringLiteral("groupBox"));
    m_groupBox->setAccessibleName(QStringLiteral("Group alike pages"));
    m_groupsButton = new QPushButton(QStringLiteral("&All Groups"), this);
    m_groupsButton->setObjectName(QStringLiteral("groupsButton"));
    m_groupsButton->setAccessibleName(QStringLiteral("All Groups"));
    m_groupsButton->setVisible(false);
    m_summaryLabel = new QLabel(this);
    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));

    m_tileView = new QListView(this);
    m_tileView->setObjectName(QStringLiteral("tileView"));
    m_tileView->setAccessibleName(QStringLiteral("Pages"));
    m_tileView->setViewMode(QListView::IconMode);
    // Static tiles of one size: the view lays out 10,000 of them at once and draws only what shows.
    m_tileView->setMovement(QListView::Static);
    m_tileView->setResizeMode(QListView::Adjust);
    m_tileView->setUniformItemSizes(true);
    m_tileView->setWrapping(true);
    m_tileView->setSpacing(2);
    m_tileView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tileView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_tileView->setItemDelegate(new TileDelegate(m_tileView));
    m_tileView->setModel(m_model);
    m_tileView->installEventFilter(this);
    m_tileView->viewport()->installEventFilter(this);

    m_takePicturesButton = new QPushButton(QStringLiteral("&Take Pictures"), this);
    m_takePicturesButton->setObjectName(QStringLiteral("takePicturesButton"));
    m_takePicturesButton->setAccessibleName(QStringLiteral("Take Pictures"));
    m_stopButton = new QPushButton(QStringLiteral("&Stop"), this);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->setAccessibleName(QStringLiteral("Stop"));
    m_stopButton->setEnabled(false);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setAccessibleName(QStringLiteral("Pictures taken"));
    m_progressBar->setVisible(false);
    m_exportButton = new QPushButton(QStringLiteral("&Export Gallery…"), this);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    m_exportButton->setAccessibleName(QStringLiteral("Export Gallery…"));

    auto *top = new QHBoxLayout;
    top->addWidget(m_groupBox);
    top->addWidget(m_groupsButton);
    top->addStretch();
    top->addWidget(m_summaryLabel);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_takePicturesButton);
    bottom->addWidget(m_stopButton);
    bottom->addWidget(m_progressBar, 1);
    bottom->addStretch();
    bottom->addWidget(m_exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_tileView, 1);
    layout->addLayout(bottom);

    setTabOrder(m_groupBox, m_groupsButton);
    setTabOrder(m_groupsButton, m_tileView);
    setTabOrder(m_tileView, m_takePicturesButton);
    setTabOrder(m_takePicturesButton, m_stopButton);
    setTabOrder(m_stopButton, m_exportButton);
    setFocusProxy(m_tileView);

    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &GalleryWindow::refresh);
    connect(m_groupBox, &QCheckBox::toggled, this, [this](bool on) {
        m_model->setGrouped(on);
        showSummary();
    });
    connect(m_groupsButton, &QPushButton::clicked, this, &GalleryWindow::showGroups);
    connect(m_tileView, &QListView::clicked, this, [this](const QModelIndex &index) {
        // A click with Ctrl or Shift chooses tiles (for Delete); a plain click opens.
        if (!(QGuiApplication::keyboardModifiers() & (Qt::ControlModifier | Qt::ShiftModifier)))
            openTile(index.row());
    });
    connect(m_pictures, &GalleryPictures::keepFailed, this, [this](const QString &, const QString &problem) {
        m_summaryLabel->setText(problem);
    });
    connect(m_model, &GalleryModel::groupsChanged, this, &GalleryWindow::showSummary);
    connect(m_model, &QAbstractItemModel::modelReset, this, &GalleryWindow::showSummary);
    connect(m_takePicturesButton, &QPushButton::clicked, this, &GalleryWindow::takePictures);
    connect(m_stopButton, &QPushButton::clicked, this, &GalleryWindow::stopTakingPictures);
    connect(m_exportButton, &QPushButton::clicked, this, &GalleryWindow::exportGallery);
}

GalleryWindow::~GalleryWindow() = default;

void GalleryWindow::load()
{
    m_pictures->readSources();
    refresh();
}

void GalleryWindow::setEntrySource(std::function<Shown()> source)
{
    m_source = std::move(source);
    listChanged();
}

void GalleryWindow::listChanged()
{
    m_refreshTimer.start();
}

void GalleryWindow::refresh()
{
    m_refreshTimer.stop();
    const Shown shown = m_source ? m_source() : Shown{};
    // The tile in front stays chosen where its entry is still shown.
    const QModelIndex current = m_tileView->currentIndex();
    const QString currentEntry = current.isValid() ? current.data(GalleryModel::AddressRole).toString() : QString();
    m_model->setEntries(shown.entries, shown.rows);
    if (!currentEntry.isEmpty()) {
        for (int row = 0; row < m_model->rowCount(); ++row) {
            if (m_model->index(row).data(GalleryModel::AddressRole).toString() == currentEntry) {
                m_tileView->setCurrentIndex(m_model->index(row));
                break;
            }
        }
    }
    showSummary();
}

void GalleryWindow::showSummary()
{
    m_groupsButton->setVisible(m_model->isGroupOpen());
    const int entries = m_model->entryCount();
    QString text = entriesText(entries);
    if (m_model->isGroupOpen())
        text = GalleryModel::groupText(m_model->rowCount());
    else if (m_model->isGrouped())
        text = QStringLiteral("%1 in %2 tiles%3")
                   .arg(entriesText(entries))
                   .arg(m_model->rowCount())
                   .arg(m_model->groupingBusy() ? QStringLiteral(" (grouping…)") : QString());
    m_summaryLabel->setText(text);
}

void GalleryWindow::openTile(int row)
{
    const QModelIndex index = m_model->index(row);
    if (!index.isValid())
        return;
    if (m_model->openGroup(row)) {
        m_tileView->setCurrentIndex(m_model->index(0));
        return;
    }
    const QList<int> rows = index.data(GalleryModel::ListRowsRole).value<QList<int>>();
    emit entryOpened(index.data(GalleryModel::AddressRole).toString(), rows.value(0, -1));
}

void GalleryWindow::showGroups()
{
    m_model->closeGroup();
    m_tileView->setFocus();
}

void GalleryWindow::removeChosen()
{
    QModelIndexList chosen = m_tileView->selectionModel()->selectedIndexes();
    if (chosen.isEmpty() && m_tileView->currentIndex().isValid())
        chosen.append(m_tileView->currentIndex());
    QList<int> rows;
    for (const QModelIndex &index : std::as_const(chosen))
        rows += index.data(GalleryModel::ListRowsRole).value<QList<int>>();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const QString text = rows.size() == 1
        ? QStringLiteral("Remove 1 entry from the list?\n\nUndo List Change (Ctrl+Z) brings it back.")
        : QStringLiteral("Remove %1 entries from the list?\n\nUndo List Change (Ctrl+Z) brings them back.")
              .arg(QLocale(QLocale::English).toString(rows.size()));
    if (m_windows.platform().messageBoxes().show(text, QStringLiteral("KILL"), MessageBoxes::Buttons::OkCancelDefaultCancel,
                                                 MessageBoxes::Icon::Question)
        != MessageBoxes::Answer::Ok)
        return;
    emit removeAsked(rows);
}

void GalleryWindow::takePictures()
{
    if (!m_photographer) {
        m_photographer = new GalleryPhotographer([this](QObject *parent) { return m_windows.platform().createPageCopier(parent); }, this);
        connect(m_photographer, &GalleryPhotographer::pictureTaken, m_pictures, &GalleryPictures::keepTaken);
        connect(m_photographer, &GalleryPhotographer::progressed, this, &GalleryWindow::showTakingProgress);
        connect(m_photographer, &GalleryPhotographer::finished, this, [this] {
            m_stopButton->setEnabled(false);
            m_takePicturesButton->setEnabled(true);
            m_progressBar->setVisible(false);
        });
    }
    QStringList missing;
    const QStringList shown = m_source ? m_source().entries : QStringList();
    for (const QString &entry : shown)
        if (!m_pictures->source(entry))
            missing.append(entry);
    m_takePicturesButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    if (!m_photographer->start(missing)) {
        m_stopButton->setEnabled(false);
        m_takePicturesButton->setEnabled(true);
        m_windows.platform().messageBoxes().show(m_photographer->problem(), QStringLiteral("Take Pictures"), MessageBoxes::Buttons::Ok,
                                                 MessageBoxes::Icon::Critical);
    }
}

void GalleryWindow::stopTakingPictures()
{
    if (m_photographer)
        m_photographer->stop();
}

void GalleryWindow::showTakingProgress(int done, int total)
{
    m_progressBar->setVisible(true);
    m_progressBar->setRange(0, qMax(1, total));
    m_progressBar->setValue(done);
    m_progressBar->setFormat(QStringLiteral("%1 of %2").arg(done).arg(total));
}

void GalleryWindow::exportGallery()
{
    const QString start = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("gallery.html"));
    QString path = FileChooser::choose(this, FileChooser::Mode::Save, QStringLiteral("Export Gallery"), start,
                                       {QStringLiteral("Web page (*.html *.htm)")});
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".html");
    QList<ExportTile> tiles;
    tiles.reserve(m_model->rowCount());
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row);
        const QString entry = index.data(GalleryModel::AddressRole).toString();
        tiles.append({entry, index.data(Qt::DisplayRole).toString(), index.data(GalleryModel::VerdictWordRole).toString(),
                      index.data(GalleryModel::DateTextRole).toString(), index.data(GalleryModel::CountRole).toInt(),
                      m_pictures->source(entry)});
    }
    m_exportButton->setEnabled(false);
    // Every picture is read for the page: on a worker thread, the window goes on meanwhile.
    auto *watcher = new QFutureWatcher<std::optional<QString>>(this);
    connect(watcher, &QFutureWatcher<std::optional<QString>>::finished, this, [this, watcher, path] {
        watcher->deleteLater();
        m_exportButton->setEnabled(true);
        const std::optional<QString> problem = watcher->result();
        if (problem)
            m_windows.platform().messageBoxes().show(*problem, QStringLiteral("Export Gallery"), MessageBoxes::Buttons::Ok,
                                                     MessageBoxes::Icon::Critical);
        else
            m_summaryLabel->setText(QStringLiteral("Exported to %1").arg(QDir::toNativeSeparators(path)));
    });
    watcher->setFuture(QtConcurrent::run([path, tiles] { return GalleryExport::write(path, tiles, QStringLiteral("Quokka gallery")); }));
}

bool GalleryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tileView && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_tileView->currentIndex().isValid())
                openTile(m_tileView->currentIndex().row());
            return true;
        case Qt::Key_Delete:
            removeChosen();
            return true;
        case Qt::Key_Backspace:
        case Qt::Key_Escape:
            if (m_model->isGroupOpen()) {
                showGroups();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
