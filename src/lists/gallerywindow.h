// The Gallery window: a picture of every entry of the working list, alike pages grouped on request.
#pragma once

#include <QList>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

class Windows;
class GalleryModel;
class GalleryPictures;
class GalleryPhotographer;
class QCheckBox;
class QLabel;
class QListView;
class QProgressBar;
class QPushButton;

/// Shows the entries the list browser's list shows (its filter included), as tiles in list order.
/// A click or Enter on a tile shows its entry in the list browser (Enter on a group opens it);
/// Delete removes the chosen tiles' entries after asking. It knows the list only through the source
/// its owner gives and the signals it sends.
class GalleryWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GalleryWindow)
public:
    /// The entries to show, in list order, with their rows in the whole list.
    struct Shown {
        QStringList entries;
        QList<int> rows;
    };

    explicit GalleryWindow(Windows &windows, QWidget *parent = nullptr);
    ~GalleryWindow() override;
    void load();

    /// Where the entries come from; read again whenever listChanged() is called.
    void setEntrySource(std::function<Shown()> source);
    /// The list or its filter changed: the tiles follow (once, after the change is done).
    void listChanged();

    /// The tile at @p row: a group opens, an entry is shown in the list browser.
    void openTile(int row);
    /// The chosen tiles' entries (a group's all of them) go from the list, after asking with the count.
    void removeChosen();
    /// Back from an open group to the groups.
    void showGroups();
    /// Takes the missing pictures in the background; Stop ends it.
    void takePictures();
    void stopTakingPictures();
    /// Writes the gallery as one HTML page to a file the person chooses.
    void exportGallery();

    GalleryModel *model() const { return m_model; }
    GalleryPictures *pictures() const { return m_pictures; }

    QCheckBox *m_groupBox = nullptr;
    QPushButton *m_groupsButton = nullptr;
    QLabel *m_summaryLabel = nullptr;
    QListView *m_tileView = nullptr;
    QPushButton *m_takePicturesButton = nullptr;
    QPushButton *m_stopButton = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_exportButton = nullptr;

signals:
    /// The person chose @p entry, at @p listRow of the whole list.
    void entryOpened(const QString &entry, int listRow);
    /// The person agreed to remove the entries at @p listRows of the whole list.
    void removeAsked(const QList<int> &listRows);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    void showSummary();
    void showTakingProgress(int done, int total);

    Windows &m_windows;
    GalleryPictures *m_pictures;
    GalleryModel *m_model;
    GalleryPhotographer *m_photographer = nullptr;
    std::function<Shown()> m_source;
    QTimer m_refreshTimer;
};
