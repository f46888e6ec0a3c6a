#include "app/sessionrecord.h"

#include "platform/paths.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
const QLatin1String KeyFormat("format");
const QLatin1String KeyRunning("running");
const QLatin1String KeyActive("active");
const QLatin1String KeyTabs("tabs");
const QLatin1String KeyAddress("address");
const QLatin1String KeyName("name");
const QLatin1String KeyLocked("locked");
const QLatin1String KeyHide("hideFromCloseAll");

// Reads an optional member of the expected type; false when present with another type.
bool readString(const QJsonObject &o, QLatin1String key, QString *out)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
        return true;
    if (!v.isString())
        return false;
    *out = v.toString();
    return true;
}

bool readBool(const QJsonObject &o, QLatin1String key, bool *out)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined())
        return true;
    if (!v.isBool())
        return false;
    *out = v.toBool();
    return true;
}

// A JSON number that is a whole number in int range.
bool wholeNumber(const QJsonValue &v, int *out)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (d != double(qint64(d)) || d < -2147483648.0 || d > 2147483647.0)
        return false;
    *out = int(d);
    return true;
}
}

QByteArray TSessionRecord::Serialize() const
{
    QJsonArray list;
    for (const TSessionTab &tab : tabs) {
        QJsonObject o;
        o.insert(KeyAddress, tab.address);
        if (!tab.stickyName.isEmpty())
            o.insert(KeyName, tab.stickyName);
        if (tab.locked)
            o.insert(KeyLocked, true);
        if (tab.hideFromCloseAll)
            o.insert(KeyHide, true);
        list.append(o);
    }
    QJsonObject root;
    root.insert(KeyFormat, FormatVersion);
    root.insert(KeyRunning, running);
    root.insert(KeyActive, active);
    root.insert(KeyTabs, list);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

TSessionRecord::ParseResult TSessionRecord::Parse(const QByteArray &data, TSessionRecord *record,
                                                  QString *error)
{
    const auto damaged = [error](const QString &why) {
        if (error)
            *error = why;
        return ParseResult::Damaged;
    };
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(data, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return damaged(QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset));
    if (!doc.isObject())
        return damaged(QStringLiteral("not a record of tabs"));
    const QJsonObject root = doc.object();

    int format = 0;
    if (!wholeNumber(root.value(KeyFormat), &format) || format < 1)
        return damaged(QStringLiteral("no valid format version"));
    if (format > FormatVersion) {
        if (error)
            *error = QStringLiteral("format version %1 is newer than %2").arg(format).arg(FormatVersion);
        return ParseResult::Newer;
    }

    TSessionRecord parsed;
    if (!readBool(root, KeyRunning, &parsed.running))
        return damaged(QStringLiteral("\"running\" is not true or false"));
    const QJsonValue tabsValue = root.value(KeyTabs);
    if (!tabsValue.isArray())
        return damaged(QStringLiteral("no list of tabs"));
    const QJsonArray list = tabsValue.toArray();
    parsed.tabs.reserve(list.size());
    for (int i = 0; i < list.size(); ++i) {
        const QJsonValue entry = list.at(i);
        if (!entry.isObject())
            return damaged(QStringLiteral("tab %1 is not an object").arg(i + 1));
        const QJsonObject o = entry.toObject();
        TSessionTab tab;
        if (!o.value(KeyAddress).isString())
            return damaged(QStringLiteral("tab %1 has no address").arg(i + 1));
        tab.address = o.value(KeyAddress).toString();
        if (!readString(o, KeyName, &tab.stickyName) || !readBool(o, KeyLocked, &tab.locked)
            || !readBool(o, KeyHide, &tab.hideFromCloseAll))
            return damaged(QStringLiteral("tab %1 has a value of the wrong type").arg(i + 1));
        parsed.tabs.append(tab);
    }
    const QJsonValue activeValue = root.value(KeyActive);
    if (!activeValue.isUndefined()
        && (!wholeNumber(activeValue, &parsed.active) || parsed.active < -1
            || parsed.active >= parsed.tabs.size()))
        return damaged(QStringLiteral("the active tab is not one of the tabs"));
    if (record)
        *record = parsed;
    return ParseResult::Ok;
}

QString TSessionRecord::FilePath()
{
    return TPaths::Join(TPaths::DataDir(), QStringLiteral("session.json"));
}

TSessionRecord::ReadResult TSessionRecord::Read(const QString &path, TSessionRecord *record, QString *error)
{
    QFile file(path);
    if (!file.exists())
        return ReadResult::Missing;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return ReadResult::Damaged;
    }
    if (file.size() > MaxFileBytes) {
        if (error)
            *error = QStringLiteral("the file is too large (%1 bytes)").arg(file.size());
        return ReadResult::Damaged;
    }
    const QByteArray data = file.read(MaxFileBytes + 1);
    switch (Parse(data, record, error)) {
    case ParseResult::Ok: return ReadResult::Ok;
    case ParseResult::Newer: return ReadResult::Newer;
    case ParseResult::Damaged: break;
    }
    return ReadResult::Damaged;
}

bool TSessionRecord::Write(const QString &path, QString *error) const
{
    return WriteData(path, Serialize(), error);
}

bool TSessionRecord::WriteData(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // commit() syncs the data before the rename; a failed write leaves the old file.
    if (file.write(data) != data.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
