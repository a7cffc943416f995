// The application object: an error that no handler traps ends in the fatal-error box.
#pragma once

#include <QApplication>

class FatalError;

class QuokkaApplication final : public QApplication {
    Q_OBJECT
public:
    QuokkaApplication(int &argc, char **argv);
    void setFatalError(FatalError *fatal) { m_fatal = fatal; }
    bool notify(QObject *receiver, QEvent *event) override;

private:
    FatalError *m_fatal = nullptr;
};
