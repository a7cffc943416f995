// The About dialog: the logo, a description, a warning, and the system information button.
#pragma once

#include <QList>
#include <QStringList>
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
    /// A system information program of a Linux desktop, looked for on PATH when the configuration names none.
    struct SystemInfoProgram {
        QString name;          ///< the executable's name, found on PATH
        QStringList arguments; ///< given to it as they are, without a shell
        /// A desktop launcher that must be installed for this entry to be used; empty when none is needed
        /// (it tells which panel names this desktop's settings program knows).
        QString launcher;
    };
    /// The programs tried in order when neither configuration value names the program: the first found
    /// on PATH (and whose launcher, if any, is installed) is started.
    static const QList<SystemInfoProgram> systemInfoProgramsOnPath;
    static constexpr std::uint32_t readBufferSize = 1024;

    explicit AboutDialog(Windows &windows, QWidget *parent = nullptr);
    void load();

    /// "OK": closes the dialog.
    void closeDialog();
    /// Finds the system information program and starts it, or says that it is not available: first the
    /// program the machine-wide configuration names, as on Windows; when it names none, the first of
    /// systemInfoProgramsOnPath found on PATH.
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
    /// Reads one value as text; @p type, when given, receives the value's type when it was read.
    Lookup readKeyValue(std::uint32_t root, const QString &keyPath, const QString &valueName, QString &text,
                        std::uint32_t *type = nullptr);

    Windows &m_windows;
};
