#include "navigation/typedurls.h"

#include "platform/registry.h"

namespace TTypedUrls {

const QString Key = QStringLiteral("Software\\Microsoft\\Internet Explorer\\TypedUrls");

namespace {
QString valueName(int index)
{
    return QStringLiteral("url") + QString::number(index + 1);
}
}

QStringList Load()
{
    const TRegistry registry(RegRoot::CurrentUser);
    QStringList urls;
    for (int i = 0; i < MaxEntries; ++i) {
        const RegValue value = registry.readValue(Key, valueName(i));
        const bool isText = value.type == RegType::Sz || value.type == RegType::ExpandSz;
        if (!isText || value.text.isEmpty())
            break;
        urls.append(value.text);
    }
    return urls;
}

void Save(const QStringList &urls)
{
    QList<RegValue> values;
    for (int i = 0; i < urls.size(); ++i) {
        RegValue value;
        value.name = valueName(i);
        value.type = RegType::Sz;
        value.text = urls.at(i);
        values.append(value);
    }
    TRegistry registry(RegRoot::CurrentUser);
    registry.replaceValues(Key, values);
    if (values.isEmpty())
        registry.createKey(Key);
}

void Record(QStringList &list, const QString &url, bool typed)
{
    if (typed && !url.isEmpty()) {
        const int at = list.indexOf(url);
        if (at >= 0)
            list.move(at, 0);
        else
            list.prepend(url);
    }
    while (list.size() > MaxEntries)
        list.removeLast();
}

}
