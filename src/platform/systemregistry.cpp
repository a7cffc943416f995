#include "platform/systemregistry.h"

#include <QFile>
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

QMap<QString, SystemRegistry::Key> SystemRegistry::parse(const QString &text)
{
    static const QRegularExpression dword(QStringLiteral("^dword:([0-9a-fA-F]{1,8})$"));
    QMap<QString, Key> keys;
    QString current;
    bool inKey = false;
    for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = normalizedKey(line.mid(1, line.size() - 2));
            inKey = !current.isEmpty();
            if (inKey)
                keys[current];
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inKey || eq <= 0)
            continue; // a line that names no value of a key is not one
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
    if (access & kWriteRights)
        return ERROR_ACCESS_DENIED;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return ERROR_FILE_NOT_FOUND;
    const QMap<QString, Key> keys = parse(QString::fromUtf8(file.readAll()));
    const auto it = keys.find(normalizedKey(keyPath));
    if (it == keys.end())
        return ERROR_FILE_NOT_FOUND;
    auto key = std::make_unique<Key>(it.value());
    *handle = key.get();
    m_open.emplace(key.get(), std::move(key));
    return ERROR_SUCCESS;
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
