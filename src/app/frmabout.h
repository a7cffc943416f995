// The About dialog: the logo, a description, a warning, and the system information button.
#pragma once

#include <QWidget>
#include <cstdint>

class Forms;
class QLabel;
class QPushButton;

class frmAbout final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)
public:
    /// Where the system information program is named, and the folder-relative name of the program.
    static inline const QString gREGKEYSYSINFO = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    static inline const QString gREGVALSYSINFO = QStringLiteral("PATH");
    static inline const QString gREGKEYSYSINFOLOC = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    static inline const QString gREGVALSYSINFOLOC = QStringLiteral("MSINFO");
    static const QString sysInfoProgram;
    static constexpr std::uint32_t readBufferSize = 1024;

    explicit frmAbout(Forms &forms, QWidget *parent = nullptr);
    void Form_Load();

    void cmdOK_Click();
    void cmdSysInfo_Click();

    /// Finds the system information program and starts it, or says that it is not available.
    void StartSysInfo();
    /// Reads one value below @p KeyRoot as text into @p KeyVal; false when it could not be read.
    bool GetKeyValue(std::uint32_t KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);

    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *lblDescription = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Lookup { Read, NotRead, Error };
    Lookup readKeyValue(std::uint32_t KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal);

    Forms &m_forms;
};
