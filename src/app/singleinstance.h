// One Quokka per data folder: the first start holds the folder, a second start brings it forward and ends.
#pragma once

#include "store/datafolderlock.h"

#include <QObject>
#include <QString>

class QLocalServer;

/// Two programs on one data folder would each write their own list over the other's when they
/// close. The first start locks the folder and listens on a local socket named after it; a later
/// start finds the lock taken, asks the first to come forward through that socket, and ends. A lock
/// that is there but cannot be taken (a planted link, another user's file) keeps the folder from
/// this program too; only a folder where no lock can be made at all is used without one.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)
public:
    explicit SingleInstance(const QString &dataFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    enum class Start {
        First, ///< this program uses the folder (also when no lock can be made there at all)
        Forwarded, ///< another program holds the folder and was asked to come forward
        NoAnswer, ///< another program holds the folder and did not take the request
        Refused, ///< the folder's lock is someone else's and out of reach (refusal() says why)
    };
    /// Takes the folder or reaches the program that holds it, trying for up to @p budgetMs (the
    /// holder may be starting and not listen yet, or ending and about to let go).
    Start start(int budgetMs = 10000);

    /// For Start::Refused: why the folder cannot be used, for the user (names the lock file and,
    /// where known, the user whose it is).
    QString refusal() const { return m_refusal; }

    /// The local socket's name: a path in the user's runtime folder, one per data folder.
    static QString serverName(const QString &dataFolder);

signals:
    /// A second start asked this program to bring its windows forward.
    void comeForwardRequested();

private:
    bool listen();
    bool askHolderToComeForward();

    QString m_folder;
    DataFolderLock m_lock;
    QLocalServer *m_server = nullptr;
    QString m_refusal;
};
