#include "components/componentaccessible.h"

#include "components/coolbar.h"
#include "components/logoanimation.h"
#include "components/statuspanels.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

#include <functional>

namespace {

QString withoutAccessKeys(QString text)
{
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

// A part of a widget drawn in code (a grip, a panel): no object of its own, a rectangle in
// its owner's coordinates, found again by a key the owner keeps stable.
class TPartAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TPartAccessible(QWidget *owner, int key) : m_owner(owner), m_key(key) {}

    int key() const { return m_key; }
    QWidget *owner() const { return m_owner; }

    bool isValid() const override { return m_owner && index() >= 0; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_owner ? m_owner->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_owner ? QAccessible::queryAccessibleInterface(m_owner) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = localRect();
        return r.isNull() ? r : QRect(m_owner->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invalid = !isValid();
        s.invisible = !m_owner || !m_owner->isVisible();
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface && !actionNames().isEmpty()
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }
    QStringList actionNames() const override { return {}; }
    void doAction(const QString &) override {}
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    // The part's position among its owner's parts; -1 when it has gone.
    virtual int index() const = 0;
    virtual QRect localRect() const = 0;

private:
    QPointer<QWidget> m_owner;
    int m_key;
};

// A widget whose parts come first among its children, followed by its child widgets. The
// parts' interfaces are made on first request and kept by key.
class TPartsOwnerAccessible : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    ~TPartsOwnerAccessible() override
    {
        for (QAccessible::Id id : std::as_const(m_parts))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return partCount() + QAccessibleWidget::childCount(); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0)
            return nullptr;
        if (index < partCount())
            return part(keyOfPart(index));
        return QAccessibleWidget::child(index - partCount());
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (const auto *p = dynamic_cast<const TPartAccessible *>(child))
            return p->owner() == widget() ? p->index() : -1;
        const int i = QAccessibleWidget::indexOfChild(child);
        return i < 0 ? -1 : partCount() + i;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (int i = 0; i < partCount(); ++i) {
            QAccessibleInterface *p = child(i);
            if (p && p->rect().contains(x, y))
                return p;
        }
        return QAccessibleWidget::childAt(x, y);
    }

    QAccessibleInterface *part(int key) const
    {
        if (QAccessibleInterface *known = QAccessible::accessibleInterface(m_parts.value(key)))
            return known;
        TPartAccessible *made = makePart(key);
        m_parts.insert(key, QAccessible::registerAccessibleInterface(made));
        return made;
    }

protected:
    virtual int partCount() const = 0;
    virtual int keyOfPart(int index) const = 0;
    virtual TPartAccessible *makePart(int key) const = 0;

private:
    mutable QHash<int, QAccessible::Id> m_parts;
};

// A band's grip, known by the band's id: pressing it does what a double-click does.
class TGripAccessible : public TPartAccessible {
public:
    using TPartAccessible::TPartAccessible;

    TCoolBar *bar() const { return static_cast<TCoolBar *>(owner()); }
    int bandIndex() const
    {
        const TCoolBar *b = bar();
        if (!b)
            return -1;
        for (int i = 0; i < b->bandCount(); ++i) {
            if (b->model().bands.at(i).id == key())
                return b->bandVisible(i) ? i : -1;
        }
        return -1;
    }
    int index() const override
    {
        const int band = bandIndex();
        if (band < 0)
            return -1;
        int visibleBefore = 0;
        for (int i = 0; i < band; ++i)
            visibleBefore += bar()->bandVisible(i) ? 1 : 0;
        return visibleBefore;
    }
    QRect localRect() const override { return bar()->gripRect(bandIndex()); }
    // A button rather than a grip: AT-SPI has no grip role, and pressing is what a keyboard
    // or screen-reader user can do with it.
    QAccessible::Role role() const override { return QAccessible::Button; }
    QString text(QAccessible::Text t) const override
    {
        const int band = bandIndex();
        if (band < 0)
            return QString();
        if (t == QAccessible::Name) {
            QString name = withoutAccessKeys(bar()->bandCaption(band));
            if (name.isEmpty())
                name = bar()->bandName(band);
            return name + QStringLiteral(" band grip");
        }
        if (t == QAccessible::Description)
            return QStringLiteral("Drag to move or resize the band; press to widen it fully or shrink it to its least.");
        return QString();
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        const int band = bandIndex();
        if (band < 0 || name != pressAction())
            return;
        // The grip's double-click: a band wider than its least shrinks, otherwise it widens.
        if (bar()->bandWidth(band) > bar()->model().minLength(band))
            bar()->MinimizeBand(band);
        else
            bar()->MaximizeBand(band);
    }
};

class TCoolBarAccessible : public TPartsOwnerAccessible {
public:
    explicit TCoolBarAccessible(TCoolBar *bar) : TPartsOwnerAccessible(bar, QAccessible::ToolBar) {}

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty())
            s = QStringLiteral("Toolbars");
        return s;
    }

protected:
    TCoolBar *bar() const { return static_cast<TCoolBar *>(widget()); }
    int partCount() const override
    {
        int n = 0;
        for (int i = 0; i < bar()->bandCount(); ++i)
            n += bar()->bandVisible(i) ? 1 : 0;
        return n;
    }
    int keyOfPart(int index) const override
    {
        for (int i = 0; i < bar()->bandCount(); ++i) {
            if (bar()->bandVisible(i) && index-- == 0)
                return bar()->model().bands.at(i).id;
        }
        return -1;
    }
    TPartAccessible *makePart(int key) const override { return new TGripAccessible(bar(), key); }
};

class TStatusPanelAccessible : public TPartAccessible {
public:
    using TPartAccessible::TPartAccessible;

    TStatusPanels *panels() const { return static_cast<TStatusPanels *>(owner()); }
    int index() const override
    {
        return panels() && key() >= 0 && key() < panels()->PanelCount() ? key() : -1;
    }
    QRect localRect() const override
    {
        return QRect(panels()->PanelLeft(key()), 0, panels()->PanelWidth(key()), panels()->height());
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? panels()->PanelText(key()) : QString();
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = TPartAccessible::state();
        s.readOnly = true;
        if (isValid() && panels()->PanelWidth(key()) <= 2)
            s.invisible = true;
        return s;
    }
};

class TStatusPanelsAccessible : public TPartsOwnerAccessible {
public:
    explicit TStatusPanelsAccessible(TStatusPanels *panels)
        : TPartsOwnerAccessible(panels, QAccessible::StatusBar) {}

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty())
            s = QStringLiteral("Status bar");
        return s;
    }

protected:
    TStatusPanels *panels() const { return static_cast<TStatusPanels *>(widget()); }
    int partCount() const override { return panels()->PanelCount(); }
    int keyOfPart(int index) const override { return index; }
    TPartAccessible *makePart(int key) const override { return new TStatusPanelAccessible(panels(), key); }
};

// The logo opens the maker's site when clicked and turns while the active page loads.
class TLogoAccessible : public QAccessibleWidget {
public:
    explicit TLogoAccessible(TLogoAnimation *logo) : QAccessibleWidget(logo, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        QString s = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && s.isEmpty())
            s = widget()->toolTip().isEmpty() ? QStringLiteral("Tabvane logo") : widget()->toolTip();
        if (t == QAccessible::Description && s == widget()->toolTip())
            s = QStringLiteral("Turns while the page loads");
        return s;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.busy = static_cast<TLogoAnimation *>(widget())->Active();
        s.animated = s.busy;
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            QMetaObject::invokeMethod(widget(), "Clicked");
    }
};

QAccessibleInterface *componentFactory(const QString &, QObject *object)
{
    if (auto *bar = qobject_cast<TCoolBar *>(object))
        return new TCoolBarAccessible(bar);
    if (auto *panels = qobject_cast<TStatusPanels *>(object))
        return new TStatusPanelsAccessible(panels);
    if (auto *logo = qobject_cast<TLogoAnimation *>(object))
        return new TLogoAccessible(logo);
    return nullptr;
}

}

void InstallComponentAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(componentFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void NotifyStatusPanelAccessibility(TStatusPanels *panels, int index)
{
    if (!QAccessible::isActive() || !panels)
        return;
    auto *owner = dynamic_cast<TStatusPanelsAccessible *>(QAccessible::queryAccessibleInterface(panels));
    QAccessibleInterface *panel = owner ? owner->part(index) : nullptr;
    if (!panel)
        return;
    QAccessibleEvent e(panel, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&e);
}
