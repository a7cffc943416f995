// The About dialog: the logo, a description, a warning, and the system information button.
#pragma once

#include <QWidget>
#include <cstdint>

class Windows;
class QLabel;
class QPushButton;

class AboutDialog final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutDialog)
public:
    /// A value in the machine-wide configuration: the key that holds it and the value's name.
    struct ConfigValue {
        QString key;
        QString name;
    };
    /// Names the system information program itself.
    static inline const ConfigValue systemInfoProgramValue{QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                                                           QStringLiteral("PATH")};
    /// Names the folder that holds the system information program (systemInfoProgramName).
    static inline const ConfigValue systemInfoFolderValue{QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                                                          QStringLiteral("MSINFO")};
    /// The program's file name inside the folder named by systemInfoFolderValue.
    static const QString systemInfoProgramName;
    static constexpr std::uint32_t readBufferSize = 1024;

    explicit AboutDialog(Windows &windows, QWidget *parent = nullptr);
    void load();

    /// "OK": closes the dialog.
    void closeDialog();
    /// Finds the system information program and starts it, or says that it is not available.
    void startSystemInfo();
    /// Reads the value @p valueName of @p keyPath below @p root as text into @p text; false when it could not be read.
    bool readRegistryText(std::uint32_t root, const QString &keyPath, const QString &valueName, QString &text);

    QPushButton *m_okButton = nullptr;
    QPushButton *m_systemInfoButton = nullptr;
    QLabel *m_warningLabel = nullptr;
    QLabel *m_logo = nullptr;
    QLabel *m_descriptionLabel = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Lookup { Read, NotRead, Error };
    Lookup readKeyValue(std::uint32_t root, const QString &keyPath, const QString &valueName, QString &text);

    Windows &m_windows;
};
