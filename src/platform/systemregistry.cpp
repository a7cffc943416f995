#include "platform/systemregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QtEndian>

namespace {

// Rights that change a key; the file is the administrator's, so nobody gets them through us.
constexpr std::uint32_t kWriteRights = 0x0002 /*KEY_SET_VALUE*/ | 0x0004 /*KEY_CREATE_SUB_KEY*/
    | 0x0020 /*KEY_CREATE_LINK*/ | 0x00010000 /*DELETE*/ | 0x00040000 /*WRITE_DAC*/ | 0x00080000 /*WRITE_OWNER*/;

QString normalizedKey(QString path)
{
    path = path.trimmed();
    while (path.startsWith(QLatin1Char('\\')))
        path.remove(0, 1);
    while (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path.toLower();
}

} // namespace

QString SystemRegistry::defaultPath()
{
    return QStringLiteral("/etc/quokka/registry.ini");
}

SystemRegistry::SystemRegistry(QString path)
    : m_path(std::move(path))
{
}

SystemRegistry::~SystemRegistry() = default;

namespace {

/// @p line without its comment: ';' or '#' at the start or after a blank starts one.
QString withoutComment(const QString &line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if ((c == QLatin1Char(';') || c == QLatin1Char('#')) && (i == 0 || line.at(i - 1).isSpace()))
            return line.left(i);
    }
    return line;
}

} // namespace

QString SystemRegistry::decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
        // Windows editors save "Unicode" text as UTF-16 with a byte-order mark.
        const bool little = bytes.at(0) == '\xff';
        QString text;
        text.reserve(bytes.size() / 2);
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = uchar(bytes.at(little ? i : i + 1));
            const auto hi = uchar(bytes.at(little ? i + 1 : i));
            text.append(QChar(char16_t(hi << 8 | lo)));
        }
        return text;
    }
    if (bytes.startsWith("\xef\xbb\xbf"))
        return QString::fromUtf8(bytes.mid(3));
    // Bytes that are not UTF-8 become U+FFFD, NUL bytes stay NUL: parse() reports both.
    return QString::fromUtf8(bytes);
}

QMap<QString, SystemRegistry::Key> SystemRegistry::parse(const QString &text, QStringList *ignored)
{
    static const QRegularExpression dword(QStringLiteral("^dword:([0-9a-fA-F]{1,8})$"));
    QMap<QString, Key> keys;
    QString current;
    bool inKey = false;
    int number = 0;
    const auto ignore = [&](const QString &why) {
        if (ignored)
            ignored->append(QStringLiteral("line %1: %2").arg(number).arg(why));
    };
    for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        ++number;
        if (line.contains(QChar(0))) {
            ignore(QStringLiteral("it holds NUL bytes (UTF-16 text without its byte-order mark?)"));
            continue;
        }
        if (line.contains(QChar(QChar::ReplacementCharacter))) {
            ignore(QStringLiteral("it is not UTF-8 text"));
            continue;
        }
        line = withoutComment(line).trimmed();
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = normalizedKey(line.mid(1, line.size() - 2));
            inKey = !current.isEmpty();
            if (inKey)
                keys[current];
            else
                ignore(QStringLiteral("[] names no key, so the values below it belong to none"));
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            ignore(QStringLiteral("it is neither [a key path] nor name=value"));
            continue;
        }
        if (!inKey) {
            ignore(QStringLiteral("the value stands before any [key path]"));
            continue;
        }
        const QString name = line.left(eq).trimmed().toLower();
        const QString data = line.mid(eq + 1).trimmed();
        Value value;
        if (const auto m = dword.match(data); m.hasMatch()) {
            value.type = REG_DWORD;
            value.data.resize(4);
            qToLittleEndian<quint32>(m.captured(1).toUInt(nullptr, 16), value.data.data());
        } else {
            value.type = REG_SZ;
            value.data = data.toLocal8Bit();
            value.data.append('\0');
        }
        keys[current].insert(name, value);
    }
    return keys;
}

long SystemRegistry::openKey(const QString &keyPath, std::uint32_t access, void **handle)
{
    *handle = nullptr;
    m_ignored.clear();
    if (access & kWriteRights)
        return ERROR_ACCESS_DENIED;
    const QFileInfo info(m_path);
    if (!info.exists())
        return ERROR_FILE_NOT_FOUND; // no settings file is the usual case, not a fault
    const QString notRead = QStringLiteral("Quokka did not read ") + QDir::toNativeSeparators(m_path) + QStringLiteral(": ");
    const QString tooLarge = QStringLiteral("it is larger than %1 KiB, and a settings file is a few lines.")
                                 .arg(maxFileSize / 1024);
    if (!info.isFile()) {
        // A pipe or a device would block or never end.
        m_ignored = notRead + QStringLiteral("it is not a regular file.");
        return ERROR_FILE_NOT_FOUND;
    }
    if (info.size() > maxFileSize) {
        m_ignored = notRead + tooLarge;
        return ERROR_FILE_NOT_FOUND;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_ignored = notRead + file.errorString() + QLatin1Char('.');
        return ERROR_FILE_NOT_FOUND;
    }
    const QByteArray bytes = file.read(maxFileSize + 1); // it may have grown since it was looked at
    if (bytes.size() > maxFileSize) {
        m_ignored = notRead + tooLarge;
        return ERROR_FILE_NOT_FOUND;
    }
    QStringList ignored;
    const QMap<QString, Key> keys = parse(decode(bytes), &ignored);
    if (!ignored.isEmpty()) {
        constexpr int shown = 10;
        QStringList lines = ignored.mid(0, shown);
        if (ignored.size() > shown)
            lines.append(QStringLiteral("and %1 more lines").arg(ignored.size() - shown));
        m_ignored = QStringLiteral("Quokka ignored these lines of ") + QDir::toNativeSeparators(m_path)
            + QStringLiteral(":\n") + lines.join(QLatin1Char('\n'));
    }
    const auto it = keys.find(normalizedKey(keyPath));
    if (it == keys.end())
        return ERROR_FILE_NOT_FOUND;
    auto key = std::make_unique<Key>(it.value());
    *handle = key.get();
    m_open.emplace(key.get(), std::move(key));
    return ERROR_SUCCESS;
}

QString SystemRegistry::ignoredConfiguration() const
{
    return m_ignored;
}

Registry::Value SystemRegistry::queryValue(void *handle, const QString &valueName, std::uint32_t bufferSize)
{
    const auto open = m_open.find(handle);
    if (open == m_open.end())
        return {6 /*ERROR_INVALID_HANDLE*/, 0, {}};
    const auto it = open->second->find(valueName.trimmed().toLower());
    if (it == open->second->end())
        return {ERROR_FILE_NOT_FOUND, 0, {}};
    if (std::uint32_t(it->data.size()) > bufferSize)
        return {ERROR_MORE_DATA, it->type, {}};
    return {ERROR_SUCCESS, it->type, it->data};
}

void SystemRegistry::closeKey(void *handle)
{
    m_open.erase(handle);
}
