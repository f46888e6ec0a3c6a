// The band layout: the cool bar's four bands, their visibility after the View menu, and
// their order, widths and breaks kept in the settings store.

#include "options/bandlayout.h"

#include "platform/startuptrace.h"

#include "components/coolbar.h"
#include "navigation/commandtable.h"
#include "platform/registry.h"

#include <QAction>
#include <QTimer>

#include <algorithm>

TBandLayout::TBandLayout(TCoolBar *coolBar, TCommandTable *commands, const QString &settingsKey, QObject *parent)
    : QObject(parent), m_coolBar(coolBar), m_commands(commands), m_settingsKey(settingsKey)
{
    m_loadTimer = new QTimer(this);
    m_loadTimer->setObjectName(QStringLiteral("tmrLoadCoolbar"));
    m_loadTimer->setSingleShot(true);
    m_loadTimer->setInterval(1);
    connect(m_loadTimer, &QTimer::timeout, this, [this] {
        m_loadTimer->stop();
        emit DeferredLoadDue();
        Load();
        TStartupTrace::MarkOnce("start-up group and band layout loaded");
    });
}

void TBandLayout::Arrange(QWidget *menu, QWidget *tool, QWidget *address, int addressMinWidth, QWidget *links)
{
    m_tool = tool;
    m_address = address;
    m_links = links;
    m_coolBar->addBand(QStringLiteral("Menu"), menu, 45, 23, 628);
    m_coolBar->addBand(QStringLiteral("Tool"), tool, 40, 27, 628);
    m_coolBar->setBandBreak(1, true);
    m_coolBar->addBand(QStringLiteral("Address"), address, 58, 23, 4000);   // wide: the links band keeps its minimum
    m_coolBar->setBandBreak(2, true);
    m_coolBar->setBandMinWidth(m_coolBar->bandIndexOfControl(address), addressMinWidth);
    m_coolBar->addBand(QStringLiteral("Links"), links, 17, 23, 59, QStringLiteral("Links"));
}

bool TBandLayout::BandVisible(QWidget *control) const
{
    return m_coolBar->bandVisible(m_coolBar->bandIndexOfControl(control));
}

void TBandLayout::SetBandVisible(QWidget *control, bool visible)
{
    m_coolBar->setBandVisible(m_coolBar->bandIndexOfControl(control), visible);
}

void TBandLayout::ApplyVisibility()
{
    const auto checked = [this](const char *name) {
        QAction *view = m_commands->Action(QLatin1String(name));
        return view && view->isChecked();
    };
    SetBandVisible(m_tool, checked("pmViewToolbar"));
    SetBandVisible(m_address, checked("pmViewAddressBar"));
    SetBandVisible(m_links, checked("pmViewLinksBar"));
}

void TBandLayout::StartDeferredLoad() { m_loadTimer->start(); }
void TBandLayout::StopDeferredLoad() { m_loadTimer->stop(); }
bool TBandLayout::DeferredLoadPending() const { return m_loadTimer->isActive(); }

void TBandLayout::Save() const
{
    // The whole layout is rewritten in one transaction: a failure leaves the old one.
    QList<RegChange> changes;
    RegChange drop;
    drop.kind = RegChange::DeleteKey;
    drop.key = m_settingsKey;
    changes.append(drop);
    for (int i = 0; i < m_coolBar->bandCount(); ++i) {
        const QString key = m_settingsKey + QStringLiteral("\\Band") + QString::number(i);
        RegChange create;
        create.kind = RegChange::CreateKey;
        create.key = key;
        changes.append(create);
        const auto value = [&key](const QString &name, RegType type, const QString &text, quint32 number) {
            RegChange change;
            change.kind = RegChange::SetValue;
            change.key = key;
            change.value.name = name;
            change.value.type = type;
            change.value.text = text;
            change.value.dword = number;
            return change;
        };
        changes.append(value(QStringLiteral("Name"), RegType::Sz, m_coolBar->bandName(i), 0));
        changes.append(value(QStringLiteral("Width"), RegType::Dword, QString(), quint32(qMax(0, m_coolBar->bandWidth(i)))));
        changes.append(value(QStringLiteral("Break"), RegType::Dword, QString(), m_coolBar->bandBreak(i) ? 1u : 0u));
    }
    TRegistry::apply(changes);
}

namespace {
// A stored integer: REG_DWORD as written by Save (and by the platform this
// layout may come from), or decimal text. False when the value is missing or unreadable.
bool storedInteger(const RegValue &value, int *result)
{
    if (value.type == RegType::Dword) {
        *result = qint32(value.dword);
        return true;
    }
    if (value.type == RegType::Sz || value.type == RegType::ExpandSz) {
        bool ok = false;
        *result = value.text.trimmed().toInt(&ok);
        return ok;
    }
    return false;
}
}

void TBandLayout::Load()
{
    // Widths beyond any screen are cut; the bar keeps every band at least at its minimum.
    constexpr int MaxBandWidth = 16384;
    QList<RegKeyContents> keys;
    try {
        keys = TRegistry().tree(m_settingsKey);   // the whole layout in one read
    } catch (const RegistryError &e) {
        qWarning("tabvane: band layout not loaded: %s", e.what());
    }
    const auto valueOf = [](const RegKeyContents &key, const QString &name) {
        for (const RegValue &value : key.values) {
            if (value.name.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return RegValue();
    };
    for (int n = 0; n < m_coolBar->bandCount(); ++n) {
        const QString path = m_settingsKey + QStringLiteral("\\Band") + QString::number(n);
        const auto key = std::find_if(keys.cbegin(), keys.cend(), [&path](const RegKeyContents &k) {
            return k.path.compare(path, Qt::CaseInsensitive) == 0;
        });
        if (key == keys.cend())
            continue;
        const RegValue name = valueOf(*key, QStringLiteral("Name"));
        if (name.type != RegType::Sz && name.type != RegType::ExpandSz)
            continue;
        const int band = m_coolBar->bandByName(name.text.trimmed());
        if (band < 0)
            continue;
        m_coolBar->moveBand(band, n);
        int width = 0;
        if (storedInteger(valueOf(*key, QStringLiteral("Width")), &width))
            m_coolBar->setBandWidth(n, qBound(0, width, MaxBandWidth));
        int brk = 0;
        if (storedInteger(valueOf(*key, QStringLiteral("Break")), &brk))
            m_coolBar->setBandBreak(n, brk != 0);
    }
    emit Loaded();
}
