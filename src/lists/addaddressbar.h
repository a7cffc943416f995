// The Add URL window: a one-line strip that appends an address to the list browser's list.
#pragma once

#include <QWidget>

class Windows;
class QLabel;
class QLineEdit;
class QPushButton;

class AddAddressBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddAddressBar)
public:
    explicit AddAddressBar(Windows &windows, QWidget *parent = nullptr);
    void load();
    /// "ADD": appends the typed text to the list browser's list and hides this window.
    void addAddress();

    QLabel *m_urlLabel = nullptr;
    QLineEdit *m_addressEdit = nullptr;
    QPushButton *m_addButton = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    Windows &m_windows;
};
